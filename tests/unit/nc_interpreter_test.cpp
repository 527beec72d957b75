// The block interpreter, the position update and the scan of a program's starting state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "nc/interpreter.h"
#include "nc/scan.h"
#include "support/temp_dir.h"

namespace {

// The records of one pass, with the code tables kept for the whole pass.
struct Pass {
  GCodeTable g;
  MCodeTable m;
  ModalState modal{90, -1, -1, -1, -1, -1, -1, 17, -1, -1};
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{0, 0, 0};
  int modeCopy = 0;
  Position oldPosition{};
  Position newPosition{};

  Pass() { ClearCodeTables(&g, &m); }

  // One line the way a pass handles it; returns InterpretBlock's result.
  int Line(const char* text) {
    char line[256];
    std::snprintf(line, sizeof line, "%s", text);
    CutComment(line);
    ClearBlock(&words, &given);
    int result = InterpretBlock(line, &g, &m, &modal, &words, &given, &hasPoint, &feed, &modeCopy);
    if (result == 1) {
      AdvancePosition(modal, given, &newPosition, oldPosition, words);
      oldPosition = newPosition;
    }
    return result;
  }
};

TEST(InterpretBlock, WordsAndResult) {
  struct Case {
    const char* line;
    int result;
    int motion;      // blockMotion
    double x;        // new X after the block (starting at 0, G90)
  } cases[] = {
      {"X100", 1, -1, 0.1},
      {"X100.", 1, -1, 100.0},
      {"N10", 0, -1, 0.0},
      {"F1500", 0, -1, 0.0},
      {"D07", 0, -1, 0.0},
      {"G04X1.", 1, -1, 1.0},          // dwell: no motion, but the X word is taken
      {"G17G02X10.I5.", 1, 2, 10.0},
      {"G17G2X10.I5.", 1, 2, 10.0},    // the motion word is whole: G2, not the G1 of G17
      {"G17G1X5.", 1, 1, 5.0},
      {"G21G1X5.", 1, 1, 5.0},
      {"G00G01X3.", 1, 0, 3.0},        // codes tried in the order 0, 1, 2, 3
      {"M06", 0, -1, 0.0},
      {"T1", 0, -1, 0.0},
      {"G28", 0, -1, 0.0},
      {"%", 0, -1, 0.0},
      {"x10.y5.", 0, -1, 0.0},         // lower case is no word
      {"G00X1.(X9.)", 1, 0, 1.0},
      {"G00（スタート）", 1, 0, 0.0},   // ス is no X word: X stays
      {"G01X-0.(ZERO)", 1, 1, 0.0},
  };
  for (const Case& c : cases) {
    Pass pass;
    EXPECT_EQ(pass.Line(c.line), c.result) << c.line;
    EXPECT_EQ(pass.modal.blockMotion, c.motion) << c.line;
    EXPECT_EQ(pass.newPosition[kX], c.x) << c.line;
    EXPECT_FALSE(std::signbit(pass.newPosition[kX])) << c.line;
  }
}

TEST(InterpretBlock, FeedAloneIsTakenButNoBlock) {
  Pass pass;
  pass.feed.feed = 300;
  EXPECT_EQ(pass.Line("F1500"), 0);
  EXPECT_EQ(pass.feed.feed, 1500);
  EXPECT_EQ(pass.feed.previousFeed, 300);
  EXPECT_EQ(pass.modal.feedGiven, 1);
  EXPECT_EQ(pass.Line("X1."), 1);
  EXPECT_EQ(pass.modal.feedGiven, -1);  // reset by every block
  EXPECT_EQ(pass.feed.feed, 1500);
  pass.Line("G01X2.F.5");
  EXPECT_EQ(pass.feed.feed, 0.5);
}

TEST(InterpretBlock, MotionHistoryShiftsOnEveryMotionWord) {
  Pass pass;
  pass.Line("G00X1.");
  pass.Line("G01X2.");
  pass.Line("G01X3.");
  EXPECT_EQ(pass.modal.motion, 1);
  EXPECT_EQ(pass.modal.previousMotion, 1);
  EXPECT_EQ(pass.modal.olderMotion, 0);
  pass.Line("X4.");  // modal: no shift
  EXPECT_EQ(pass.modal.previousMotion, 1);
  EXPECT_EQ(pass.modal.olderMotion, 0);
  EXPECT_EQ(pass.g[0], 0);
  EXPECT_EQ(pass.g[1], 1);
  EXPECT_EQ(pass.g[2], -1);
}

TEST(InterpretBlock, ModesPlanesAndMarkers) {
  Pass pass;
  pass.modal.distanceMode = 0;
  EXPECT_EQ(pass.Line("G91G90"), 1);
  EXPECT_EQ(pass.modal.distanceMode, 90);  // G90 wins
  EXPECT_EQ(pass.modeCopy, 90);
  pass.Line("G91");
  EXPECT_EQ(pass.modal.distanceMode, 91);
  EXPECT_EQ(pass.modeCopy, 91);
  pass.Line("G19G18");
  EXPECT_EQ(pass.modal.plane, 18);  // the first in the order 17, 18, 19
  EXPECT_EQ(pass.g[18], 18);
  EXPECT_EQ(pass.g[19], -1);
  pass.Line("G81G83Z-5.R2.");
  EXPECT_EQ(pass.g[81], 81);
  EXPECT_EQ(pass.g[83], -1);
  pass.Line("G98G99G49");
  EXPECT_EQ(pass.g[98], 98);
  EXPECT_EQ(pass.g[99], 99);
  EXPECT_EQ(pass.g[49], 49);
  EXPECT_EQ(pass.Line("G92"), 1);
  EXPECT_EQ(pass.g[92], 92);
  EXPECT_EQ(pass.Line("S1200"), 1);
  EXPECT_EQ(pass.modal.spindleSpeed, 1200);
  // Many words of one letter in a block: every one of them is still looked at.
  std::string many;
  for (int i = 0; i < 20; ++i) many += "G17";
  pass.Line((many + "G90G80M05M03").c_str());
  EXPECT_EQ(pass.modal.distanceMode, 90);
  EXPECT_EQ(pass.g[80], 80);
  EXPECT_EQ(pass.m[3], 3);
}

TEST(InterpretBlock, MCodes) {
  struct Case {
    const char* line;
    int entry;  // the one entry set, -1 for none
  } cases[] = {
      {"M06", -1}, {"M08", 8}, {"M05M03", 3}, {"M00", 0}, {"M30", -1}, {"M3", -1}, {"M09", 9},
  };
  for (const Case& c : cases) {
    Pass pass;
    int result = pass.Line(c.line);
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(pass.m[i], i == c.entry ? c.entry : -1) << c.line << " entry " << i;
    }
    EXPECT_EQ(result, c.entry >= 0 ? 1 : 0) << c.line;
  }
}

TEST(InterpretBlock, CutterOffsetOnlyAfterCompensationWasSeen) {
  Pass pass;
  pass.Line("D07");
  EXPECT_EQ(pass.modal.cutterOffset, -1);
  pass.Line("G41D07X1.");
  EXPECT_EQ(pass.modal.cutterOffset, 7);
  pass.Line("G40X2.");
  pass.Line("D12");
  EXPECT_EQ(pass.modal.cutterOffset, 12);  // G40 does not clear the table entry
  EXPECT_EQ(pass.g[40], 40);
}

TEST(AdvancePosition, DistanceModesAndTheZeroWindow) {
  struct Case {
    int mode;
    double oldX;
    const char* line;  // interpreted without changing the mode
    double x, y, i;
  } cases[] = {
      {91, 10.0, "G01X-.5", 9.5, 5.0, 0.0},
      {91, 0.0003, "X-0.0006", 0.0, 5.0, 0.0},   // lands inside (-0.0004, 0.0005)
      {91, 0.0, "X-0.0004", -0.0004, 5.0, 0.0},  // the window is open at -0.0004
      {91, 0.0, "X0.0005", 0.0005, 5.0, 0.0},    // and at 0.0005
      {90, 10.0, "Y1.I2.5", 10.0, 1.0, 2.5},
      {90, 10.0, "X0.0004", 0.0, 5.0, 0.0},
      {0, 10.0, "X3.I1.", 10.0, 5.0, 9.0},       // no mode yet: the position stays
  };
  for (const Case& c : cases) {
    ModalState modal{c.mode, 1, 1, 1, -1, -1, -1, 17, -1, -1};
    BlockWords words{};
    WordGiven given{};
    WordHasPoint hasPoint{};
    GCodeTable g;
    MCodeTable m;
    ClearCodeTables(&g, &m);
    FeedState feed{};
    InterpretBlock(c.line, &g, &m, &modal, &words, &given, &hasPoint, &feed, nullptr);
    Position oldPosition{c.oldX, 5.0, 0, 0, 0, 0, 0, 0};
    Position newPosition{c.oldX, 5.0, 0, 9.0, 0, 0, 0, 0};
    AdvancePosition(modal, given, &newPosition, oldPosition, words);
    EXPECT_EQ(newPosition[kX], c.x) << c.line;
    EXPECT_EQ(newPosition[kY], c.y) << c.line;
    EXPECT_EQ(newPosition[kI], c.i) << c.line;
  }
}

class ScanInitialStateTest : public testing::Test {
 protected:
  int Scan(const std::string& program) {
    dir_.Write("prog.nc", program);
    modal = ModalState{0, 0, 0, 0, 0, 0, 0, 17, 0, 0};
    return ScanInitialState(dir_.Path("prog.nc").c_str(), &g, &m, &modal, &current, &previous,
                            &words, &given, &hasPoint, &feed, &modeCopy, &failedLine);
  }
  TempDir dir_;
  GCodeTable g;
  MCodeTable m;
  ModalState modal{};
  Position current{};
  Position previous{};
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{};
  int modeCopy = 0;
  int failedLine = 0;
};

TEST_F(ScanInitialStateTest, StopsAtTheFirstG92WithXYZ) {
  ASSERT_EQ(Scan("%\r\nO1\r\nG90G00X5.Y6.\r\nM03S1000\r\nG92X0Y0Z50.\r\nG00X99.\r\n"), kScanDone);
  EXPECT_EQ(current, (Position{0, 0, 50, 0, 0, 0, 0, 0}));
  EXPECT_EQ(previous, current);
  EXPECT_EQ(modal.distanceMode, 90);
  EXPECT_EQ(modal.motion, -1);
  EXPECT_EQ(modal.spindleSpeed, -1);
  EXPECT_EQ(m[3], -1);
}

TEST_F(ScanInitialStateTest, WithoutACompleteG92ReadsToTheEnd) {
  ASSERT_EQ(Scan("G90\r\nG92X1.Y2.\r\nG01X10.Y20.Z30.F200\r\n"
                 "G81X3.Y4.Z-5.R2.F100\r\nG80\r\nG28Z0\r\nG54X77.\r\n"),
            kScanDone);
  // The canned-cycle line takes its feed but not its position; skipped lines take nothing.
  EXPECT_EQ(current, (Position{10, 20, 30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(feed.initialFeed, 100);
  EXPECT_EQ(feed.feed, 0);
  EXPECT_EQ(feed.previousFeed, 0);
}

TEST_F(ScanInitialStateTest, MovesBeforeTheFirstDistanceModeDoNotMove) {
  ASSERT_EQ(Scan("G00X5.Y5.Z5.\r\nG91\r\nX1.\r\n"), kScanDone);
  EXPECT_EQ(current[kX], 1.0);
  EXPECT_EQ(modal.distanceMode, 91);
  EXPECT_EQ(modeCopy, 91);
}

TEST_F(ScanInitialStateTest, UnreadableAndTooLong) {
  current[kX] = 7;
  modal.distanceMode = 5;
  EXPECT_EQ(ScanInitialState(dir_.Path("missing.nc").c_str(), &g, &m, &modal, &current,
                             &previous, &words, &given, &hasPoint, &feed, &modeCopy),
            kScanUnreadable);
  EXPECT_EQ(current[kX], 7);
  EXPECT_EQ(modal.distanceMode, 5);

  EXPECT_EQ(Scan("G90\r\nG00X1.\r\n(" + std::string(5000, 'C') + ")\r\n"), kScanLineTooLong);
  EXPECT_EQ(failedLine, 3);
}

TEST_F(ScanInitialStateTest, ALongCommentIsNotReadAsWords) {
  // Whole lines: the tail of a long comment is never a block of its own.
  std::string comment = "(" + std::string(100, '-') + " X999. Y999. G92X1Y2Z3)";
  ASSERT_EQ(Scan("G90G00X1.Y2.Z3." + comment + "\r\n"), kScanDone);
  EXPECT_EQ(current, (Position{1, 2, 3, 0, 0, 0, 0, 0}));
}

}  // namespace
