// Head and tail of a piece: header, comment and approach; last block, lift, retract, return,
// totals and footer.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "split/piece_edges.h"
#include "support/temp_dir.h"

namespace {

constexpr char kHeader[] = "%\r\nO1000\r\nG90G0X0.Y0.Z50.\r\n";
constexpr char kFooter[] = "G91G28Z0.\r\nM30\r\n%\r\n";

Position At(double x, double y, double z, double i = 0.0, double j = 0.0) {
  Position p{};
  p[kX] = x;
  p[kY] = y;
  p[kZ] = z;
  p[kI] = i;
  p[kJ] = j;
  return p;
}

class PieceTest : public testing::Test {
 protected:
  PieceTest() {
    dir.Write("PART_header.NC", kHeader);
    dir.Write("PART_footer.NC", kFooter);
  }

  std::string Open(int piece, const Position& entry, const Position& record, int motion,
                   int comment = 1, const char* header = "PART_header.NC") {
    std::string path = dir.Path("out.NC");
    platform::FileHandle file(path.c_str(), "wb");
    modal.motion = motion;
    result = OpenPiece(file.get(), dir.Path(header).c_str(), piece, "C:\\NC\\PART.NC", entry, record,
                       start, seam, &modal, &feed, FormatSettings{3, comment});
    file.Close();
    return ReadFileBytes(path);
  }

  std::string Close(const Position* last, const Position& from, int motion, int comment = 1,
                    const char* footer = "PART_footer.NC") {
    std::string path = dir.Path("out.NC");
    platform::FileHandle file(path.c_str(), "wb");
    modal.motion = motion;
    result = ClosePiece(file.get(), dir.Path(footer).c_str(), last, from, start, seam, &modal, &feed,
                        time, distance, FormatSettings{3, comment});
    file.Close();
    return ReadFileBytes(path);
  }

  TempDir dir;
  double start[3] = {0, 0, 50};
  SeamSettings seam{10, 1, 0.5, 1.0};
  ModalState modal{};
  OutputFeed feed{400, 400, 0, 0};
  SplitMeter time{0, 0, 10, 1.23456};
  SplitMeter distance{0, 0, 5000, 12345.6789};
  int result = 99;
};

TEST_F(PieceTest, FirstPieceIsHeaderAndComment) {
  modal.previousMotion = 2;
  EXPECT_EQ(Open(1, At(0, 0, 50), At(0, 0, 50), 0), std::string(kHeader) + "(C:\\NC\\PART.NC)\r\n");
  EXPECT_EQ(result, kPieceEdgeOk);
  EXPECT_EQ(modal.previousMotion, 0);  // the header's positioning line leaves G00 in force
}

TEST_F(PieceTest, ApproachResumesAtTheEntryPoint) {
  // Entry (20, 30, -2), feed 400, start (0, 0, 50), default seam settings.
  std::string text = Open(2, At(20, 30, -2), At(45, 30, -2), 1);
  EXPECT_EQ(text, std::string(kHeader) +
                      "(C:\\NC\\PART.NC)\r\n"
                      "X20.Y30.\r\n"
                      "Z8.\r\n"
                      "G01Z-2.F200\r\n"
                      "X45.F400\r\n");
  EXPECT_EQ(feed.feed, 400);
  EXPECT_EQ(feed.writtenFeed, 400);
  EXPECT_EQ(modal.previousMotion, 1);
}

TEST_F(PieceTest, ApproachRecutsAnArcAlongItsOwnPath) {
  std::string text = Open(3, At(20, 30, -2, 0, 0), At(30, 40, -2, 0, 10), 3);
  EXPECT_EQ(text, std::string(kHeader) +
                      "(C:\\NC\\PART.NC)\r\n"
                      "X20.Y30.\r\n"
                      "Z8.\r\n"
                      "G01Z-2.F200\r\n"
                      "G03X30.Y40.J10.F400\r\n");
  EXPECT_EQ(modal.previousMotion, 3);
}

TEST_F(PieceTest, ApproachRecutsARapidWithoutFeed) {
  seam.approachFeedRatio = 1.0;
  seam.approach = 5;
  std::string text = Open(2, At(20, 30, 10, 4, 4), At(20, 30, 40, 4, 4), 0, 0);
  EXPECT_EQ(text, std::string(kHeader) +
                      "X20.Y30.\r\n"
                      "Z15.\r\n"
                      "G01Z10.F400\r\n"
                      "G00Z40.\r\n");
  EXPECT_EQ(modal.previousMotion, 0);
}

TEST_F(PieceTest, MissingHeaderWritesNothing) {
  EXPECT_EQ(Open(1, At(0, 0, 50), At(0, 0, 50), 0, 1, "none.NC"), "");
  EXPECT_EQ(result, kHeaderUnreadable);
}

TEST_F(PieceTest, HeaderCopiedAsTextWithAnyLineEnds) {
  dir.Write("lf_header.NC", std::string("%\nO1\rX\r\nG0\n\x1A" "garbage"));
  EXPECT_EQ(Open(1, At(0, 0, 50), At(0, 0, 50), 0, 0, "lf_header.NC"), "%\r\nO1\rX\r\nG0\r\n");
}

TEST_F(PieceTest, LinearEndGetsLiftRetractReturnTotalsFooter) {
  Position last = At(45, 30, -2, 7, 7);
  modal.previousMotion = 1;
  std::string text = Close(&last, At(20, 30, -2), 1);
  EXPECT_EQ(text, "X45.\r\n"
                  "Z-1.\r\n"
                  "G00Z50.\r\n"
                  "X0.Y0.\r\n"
                  "(TIME = 1.235min)\r\n"
                  "(DIST = 12345.679mm)\r\n" +
                      std::string(kFooter));
  EXPECT_EQ(result, kPieceEdgeOk);
  EXPECT_EQ(modal.previousMotion, 0);
  EXPECT_EQ(modal.motion, 1);  // the record's motion is kept for the next piece's approach
}

TEST_F(PieceTest, HalfLiftFeedIsWrittenAndFeedRestored) {
  seam.liftFeedRatio = 0.5;
  seam.lift = 2.5;
  modal.previousMotion = 1;
  Position last = At(45, 30, -2);
  std::string text = Close(nullptr, last, 1, 0);
  EXPECT_EQ(text, "Z0.5F200\r\nG00Z50.\r\nX0.Y0.\r\n" + std::string(kFooter));
  EXPECT_EQ(feed.feed, 400);
}

TEST_F(PieceTest, ArcEndHasNoLiftAndNoArcWordsOnSeams) {
  modal.previousMotion = 2;
  Position last = At(10, 10, -2, 0, 10);
  std::string text = Close(&last, At(0, 0, -2), 2, 0);
  EXPECT_EQ(text, "X10.Y10.J10.\r\nG00Z50.\r\nX0.Y0.\r\n" + std::string(kFooter));
}

TEST_F(PieceTest, ReturnAnnouncesRapidWhenRetractHasNothingToDo) {
  // An arc ending at the start height: no lift, no retract; the return must not run under G02.
  modal.previousMotion = 2;
  Position last = At(10, 10, 50, 0, 10);
  std::string text = Close(&last, At(0, 0, 50), 2, 0);
  EXPECT_EQ(text, "X10.Y10.J10.\r\nG00X0.Y0.\r\n" + std::string(kFooter));
  // Already in rapid at the start height: the return needs no G word.
  modal.previousMotion = 0;
  last = At(10, 10, 50);
  text = Close(nullptr, last, 0, 0);
  EXPECT_EQ(text, "X0.Y0.\r\n" + std::string(kFooter));
}

TEST_F(PieceTest, FullCircleAtEndOfProgramIsNotCutTwice) {
  modal.previousMotion = 2;
  Position last = At(10, 0, -2, -10, 0);
  // At the end of the program the last record is written already: nullptr.
  std::string text = Close(nullptr, last, 2, 0);
  EXPECT_EQ(text, "G00Z50.\r\nX0.\r\n" + std::string(kFooter));
}

TEST_F(PieceTest, MissingFooterFailsAfterTheMoves) {
  modal.previousMotion = 1;
  Position last = At(45, 30, -2);
  std::string text = Close(nullptr, last, 0, 0, "none.NC");
  EXPECT_EQ(result, kFooterUnreadable);
  EXPECT_EQ(text, "G00Z50.\r\nX0.Y0.\r\n");
}

}  // namespace
