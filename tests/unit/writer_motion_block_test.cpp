// The motion block writer: compact blocks, G and F words only on change, arc words only on arcs.
#include <gtest/gtest.h>

#include <string>

#include "log/run_log.h"
#include "platform/platform.h"
#include "split/motion_writer.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

Position At(double x, double y, double z, double i = 0.0, double j = 0.0) {
  Position p{};
  p[kX] = x;
  p[kY] = y;
  p[kZ] = z;
  p[kI] = i;
  p[kJ] = j;
  return p;
}

struct Block {
  int motion;
  int previousMotion;
  Position from;
  Position target;
  double feed;
  double writtenFeed;
  int decimal;
  const char* expected;  // bytes in the piece
  int words;
};

class WriterTest : public testing::Test {
 protected:
  // Runs one WriteMotionBlock into a fresh file and returns what it wrote.
  std::string Write(ModalState* modal, const Position& target, const Position& from, OutputFeed* feed,
                    int decimal, int* words) {
    std::string path = dir.Path("piece.nc");
    platform::FileHandle file(path.c_str(), "wb");
    FormatSettings format{decimal, 1};
    *words = WriteMotionBlock(file.get(), modal, target, from, feed, format);
    file.Close();
    return ReadFileBytes(path);
  }
  TempDir dir;
};

TEST_F(WriterTest, WritesOnlyWhatChanges) {
  const Block blocks[] = {
      // Straight move in X, motion and feed unchanged.
      {1, 1, At(10, 0, 5), At(12.5, 0, 5), 400, 400, 3, "X12.5\r\n", 1},
      {1, 1, At(10, 0, 5), At(12.5, 0, 5), 400, 400, 0, "X12500\r\n", 1},
      // New motion: its G word comes first; new feed: F last, a whole number rounded half up.
      {1, 0, At(0, 0, 0), At(1, 2, 3), 200.5, 400, 3, "G01X1.Y2.Z3.F201\r\n", 5},
      // A rapid never carries F, even with a new feed.
      {0, 1, At(0, 0, 0), At(0, 0, 10), 300, 400, 3, "G00Z10.\r\n", 2},
      // The rounding window is not symmetric: 0.00045 is no move, -0.00045 is one.
      {1, 1, At(10, 0, 0), At(10.00045, 5, 0), 400, 400, 3, "Y5.\r\n", 1},
      {1, 1, At(10, 0, 0), At(9.99955, 5, 0), 400, 400, 3, "X10.Y5.\r\n", 2},
      // An arc: G02 before the axis words, then its centre offsets.
      {2, 1, At(0, 0, 0), At(10, 10, 0, 10, 0), 400, 400, 3, "G02X10.Y10.I10.\r\n", 4},
      {3, 3, At(0, 0, 0), At(10, 10, 0, 0, 10), 400, 400, 0, "X10000Y10000J10000\r\n", 3},
      // A straight move never carries arc words, whatever the record held.
      {1, 1, At(0, 0, 0), At(10, 0, 0, 5, 5), 400, 400, 3, "X10.\r\n", 1},
      // A full circle in one block: no axis words, but it is cut.
      {2, 2, At(10, 0, 0), At(10, 0, 0, -10, 0), 500, 400, 3, "I-10.F500\r\n", 2},
      {3, 1, At(10, 0, 0), At(10, 0, 0, 0, 7.5), 400, 400, 3, "G03J7.5\r\n", 2},
  };
  for (const Block& b : blocks) {
    SCOPED_TRACE(b.expected);
    ModalState modal{};
    modal.motion = b.motion;
    modal.previousMotion = b.previousMotion;
    OutputFeed feed{b.feed, b.writtenFeed, 0, 0};
    int words = -1;
    EXPECT_EQ(Write(&modal, b.target, b.from, &feed, b.decimal, &words), b.expected);
    EXPECT_EQ(words, b.words);
    EXPECT_EQ(modal.previousMotion, b.motion);
  }
}

TEST_F(WriterTest, NoMoveWritesNothingAndChangesNothing) {
  ModalState modal{};
  modal.motion = 1;
  modal.previousMotion = 2;
  modal.olderMotion = 3;
  OutputFeed feed{800, 400, 0, 0};
  int words = -1;
  // Same X, Y, Z with a new feed and motion: nothing at all, and the motion in force stays G02.
  EXPECT_EQ(Write(&modal, At(1, 2, 3), At(1, 2, 3), &feed, 3, &words), "");
  EXPECT_EQ(words, 0);
  EXPECT_EQ(feed.writtenFeed, 400);
  EXPECT_EQ(modal.previousMotion, 2);
  EXPECT_EQ(modal.olderMotion, 3);
  // A straight move with centre offsets but no travel is no full circle either.
  modal.motion = 1;
  modal.previousMotion = 1;
  EXPECT_EQ(Write(&modal, At(1, 2, 3, 5, 0), At(1, 2, 3), &feed, 3, &words), "");
}

TEST_F(WriterTest, FeedWrittenAfterRapidOnNextFeedMove) {
  ModalState modal{};
  modal.motion = 0;
  modal.previousMotion = 0;
  OutputFeed feed{300, 400, 0, 0};
  int words = 0;
  EXPECT_EQ(Write(&modal, At(0, 0, 10), At(0, 0, 0), &feed, 3, &words), "Z10.\r\n");
  EXPECT_EQ(feed.writtenFeed, 400);
  modal.motion = 1;
  EXPECT_EQ(Write(&modal, At(0, 0, 5), At(0, 0, 10), &feed, 3, &words), "G01Z5.F300\r\n");
  EXPECT_EQ(feed.writtenFeed, 300);
  EXPECT_EQ(modal.olderMotion, 0);
}

TEST_F(WriterTest, DebugTwoReportsEveryWrittenBlock) {
  FakePlatform fake;
  const int savedDebug = gCommandSettings.debug;
  gCommandSettings.debug = 2;
  ModalState modal{};
  modal.motion = 1;
  modal.previousMotion = 1;
  OutputFeed feed{400, 400, 0, 0};
  int words = 0;
  Write(&modal, At(12.5, -3, 0.25), At(0, 0, 0.25), &feed, 3, &words);
  Write(&modal, At(1, 1, 1), At(1, 1, 1), &feed, 3, &words);  // no move: no line
  gCommandSettings.debug = savedDebug;
  ASSERT_EQ(fake.logLines().size(), 1u);
  EXPECT_EQ(fake.logLines()[0], "G01 X12.5       Y-3.        Z0.25");
}

}  // namespace
