// The block interpreter, the position update and the scan of a program's starting state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "nc/interpreter.h"
#include "nc/pass_rules.h"
#include "support/temp_dir.h"

namespace {

// The records of one pass, with the code tables kept for the whole pass, and the position the
// blocks take the tool to.
struct Pass {
  PassRecords r;
  ModalState& modal = r.modal;
  GCodeTable& g = r.gCodes;
  MCodeTable& m = r.mCodes;
  FeedState& feed = r.feed;
  int& modeCopy = r.modeCopy;
  Position position{};

  Pass() { modal = ModalState{90, -1, -1, -1, -1, -1, -1, 17, -1, -1}; }

  // One line through the passes' per-line step (nothing left uninterpreted); returns
  // InterpretBlock's result.
  int Line(const std::string& text) {
    bool recognised = r.Step(text.data(), text.size(), [](const Block&) { return false; });
    if (recognised) {
      Position next = position;
      AdvancePosition(modal, r.given, &next, position, r.words);
      position = next;
    }
    return recognised ? 1 : 0;
  }
};

TEST(InterpretBlock, WordsMotionAndResult) {
  struct Case {
    const char* line;
    int result, blockMotion;
    double x;  // X after the block, from 0 under G90
  } cases[] = {
      {"X100", 1, -1, 0.1},          {"X100.", 1, -1, 100.0},       {"N10", 0, -1, 0.0},
      {"F1500", 0, -1, 0.0},         {"D07", 0, -1, 0.0},           {"M06", 0, -1, 0.0},
      {"G04X1.", 1, -1, 1.0},        {"G17G02X10.I5.", 1, 2, 10.0}, {"G17G2X10.I5.", 1, 2, 10.0},
      {"G21G1X5.", 1, 1, 5.0},       {"x10.y5.", 1, -1, 10.0},      {"G00X1.(X9.)", 1, 0, 1.0},
      {"G00(スタート)", 1, 0, 0.0},    // ス is no X word
      {"G00（スタート）", 0, -1, 0.0},  // full-width text outside a comment: unreadable
      {"G01X-0.", 1, 1, 0.0},        {"G01 X +4.0", 1, 1, 4.0},     {"G1 X1.(CUT)X2.", 0, -1, 0.0},  // X twice: unreadable
      {"G20G1X5", 1, 1, 0.0005},     {"GOOX1.", 0, -1, 0.0},        {"G01X1.2.3", 0, -1, 0.0},
  };
  for (const Case& c : cases) {
    Pass pass;
    EXPECT_EQ(pass.Line(c.line), c.result) << c.line;
    EXPECT_EQ(pass.modal.blockMotion, c.blockMotion) << c.line;
    EXPECT_EQ(pass.position[kX], c.x) << c.line;
    EXPECT_FALSE(std::signbit(pass.position[kX])) << c.line;
  }
}

TEST(InterpretBlock, FeedMotionHistoryAndCutterOffset) {
  Pass pass;
  pass.feed.feed = 300;
  EXPECT_EQ(pass.Line("F1500"), 0);
  EXPECT_EQ(pass.feed.feed, 1500);
  EXPECT_EQ(pass.feed.previousFeed, 300);
  EXPECT_EQ(pass.modal.feedGiven, 1);
  pass.Line("G00X1.");
  EXPECT_EQ(pass.modal.feedGiven, -1);
  pass.Line("G01X2.");
  pass.Line("G01X3.");  // a repeated code shifts the history too
  EXPECT_EQ(pass.modal.previousMotion, 1);
  EXPECT_EQ(pass.modal.olderMotion, 0);
  pass.Line("D07");
  EXPECT_EQ(pass.modal.cutterOffset, -1);  // no compensation seen yet
  pass.Line("G41D07X1.");
  pass.Line("G40X2.");
  pass.Line("D12");
  EXPECT_EQ(pass.modal.cutterOffset, 12);  // G40 does not clear the table entry
}

TEST(InterpretBlock, FirstCodeOfEachGroup) {
  Pass pass;
  std::string many;
  for (int i = 0; i < 20; ++i) many += "G17";  // many words of one letter: all looked at
  pass.Line(many + "G91G90G19G18G81G83G98M05M03M06");
  EXPECT_EQ(pass.modal.distanceMode, 90);  // G90 wins
  EXPECT_EQ(pass.modeCopy, 90);
  EXPECT_EQ(pass.modal.plane, 17);  // the first in the order 17, 18, 19
  EXPECT_EQ(pass.g[18], -1);
  EXPECT_EQ(pass.g[81], 81);
  EXPECT_EQ(pass.g[83], -1);
  EXPECT_EQ(pass.g[98], 98);
  EXPECT_EQ(pass.m, (MCodeTable{-1, -1, -1, 3, -1, -1, -1, -1, -1, -1}));
}

TEST(AdvancePosition, DistanceModesAndTheZeroWindow) {
  struct Case {
    int mode;
    double oldX;
    const char* line;
    double x, i;
  } cases[] = {
      {91, 10.0, "G01X-.5", 9.5, 0.0},
      {91, 0.0003, "X-0.0006", 0.0, 0.0},   // lands inside (-0.0004, 0.0005)
      {91, 0.0, "X-0.0004", -0.0004, 0.0},  // the window is open at both ends
      {91, 0.0, "X0.0005", 0.0005, 0.0},
      {90, 10.0, "Y1.I2.5", 10.0, 2.5},
      {0, 10.0, "X3.I1.", 10.0, 9.0},  // no mode yet: the new position keeps what it held
  };
  for (const Case& c : cases) {
    Pass pass;
    pass.modal.distanceMode = c.mode;
    pass.position = Position{c.oldX, 5.0, 0, 9.0};
    pass.Line(c.line);
    EXPECT_EQ(pass.position[kX], c.x) << c.line;
    EXPECT_EQ(pass.position[kI], c.i) << c.line;
  }
}

// Runs the start scan over `program` with the records of `pass`; `failedLine` as it reports.
int Scan(const std::string& program, Pass* pass, int* failedLine = nullptr) {
  TempDir dir;
  dir.Write("prog.nc", program);
  int result = pass->r.ScanStart(dir.Path("prog.nc").c_str(), failedLine);
  pass->position = pass->r.current;
  return result;
}

TEST(ScanStart, StopsAtTheFirstG92WithXYZ) {
  Pass pass;
  ASSERT_EQ(Scan("%\r\nO1\r\nG90G00X5.Y6.\r\nM03S1000\r\nG92X0Y0Z50.\r\nG00X99.\r\n", &pass),
            kScanDone);
  EXPECT_EQ(pass.position, (Position{0, 0, 50, 0, 0, 0, 0, 0}));
  EXPECT_EQ(pass.modal.motion, -1);
  EXPECT_EQ(pass.modal.spindleSpeed, -1);
}

TEST(ScanStart, WithoutACompleteG92ReadsToTheEnd) {
  Pass pass;
  // A long comment is one comment: its tail never becomes a block of its own. A G92 naming only
  // some axes sets them without a move.
  ASSERT_EQ(Scan("G00X5.Y5.Z5.\r\nG90\r\nG92X1.Y2.\r\nG01X10.Y20.Z30.F200(" +
                     std::string(100, '-') + "X99.G92X1Y2Z3)\r\n" +
                     "G81X3.Y4.Z-5.R2.F100\r\nG80\r\nG28Z0\r\nG54X77.\r\n",
                 &pass),
            kScanDone);
  // Canned cycles and reference returns move nothing in the scan (the cycle's feed is modal); a
  // move in another work offset is a move.
  EXPECT_EQ(pass.position, (Position{77, 20, 30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(pass.feed.initialFeed, 100);
  EXPECT_EQ(pass.feed.feed, 0);
  EXPECT_EQ(pass.modal.distanceMode, 90);
}

// A program that ends under a local coordinate system, back at its start point in the shifted
// numbers: the start point is given in the frame the program starts in.
TEST(ScanStart, FollowsALocalSystemToTheEnd) {
  Pass pass;
  ASSERT_EQ(Scan("G90G00X10.Y10.Z50.\r\nG52X100.Y50.\r\nG01X20.F100\r\nG00X-100.Y-50.\r\nM30\r\n", &pass),
            kScanDone);
  EXPECT_EQ(pass.position, (Position{0, 0, 50, 0, 0, 0, 0, 0}));
  // The block's words are no move: a tool that stays after the shift stands at its old place.
  ASSERT_EQ(Scan("G90G00X10.Y10.Z50.\r\nG52X100.Y50.\r\n", &pass), kScanDone);
  EXPECT_EQ(pass.position, (Position{10, 10, 50, 0, 0, 0, 0, 0}));
}

TEST(ScanStart, UnreadableAndTooLong) {
  Pass pass;
  pass.r.current[kX] = 7;
  EXPECT_EQ(pass.r.ScanStart("no/such/file.nc"), kScanUnreadable);
  EXPECT_EQ(pass.r.current[kX], 7);
  int failedLine = 0;
  EXPECT_EQ(Scan("G90\r\nG00X1.\r\n(" + std::string(5000, 'C') + ")\r\n", &pass, &failedLine),
            kScanLineTooLong);
  EXPECT_EQ(failedLine, 3);
}

}  // namespace
