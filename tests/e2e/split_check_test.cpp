// The split check as a whole: pieces written by the splitter and then corrupted on purpose are
// caught, each with its message; small hand-written programs and pieces show the machine rules
// (arcs in every form and plane, G92, G28, work offsets, canned cycles, the program's end).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "check/split_check.h"
#include "config/file_naming.h"
#include "log/run_log.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/split_check_run.h"
#include "support/temp_dir.h"

namespace {

// The lines of a piece, "\r\n" ends kept apart so that lines can be edited and joined again.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text);
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Index of the first line at or after `from` for which `match` holds; fails the test when none.
size_t Find(const std::vector<std::string>& lines, const std::function<bool(const std::string&)>& match,
            size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (match(lines[i])) return i;
  }
  ADD_FAILURE() << "no such line";
  return lines.size() - 1;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Removes the word of `letter` (with its number) from `line`.
std::string DropWord(const std::string& line, char letter) {
  const size_t at = line.find(letter);
  if (at == std::string::npos) return line;
  size_t end = at + 1;
  while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) || line[end] == '.' || line[end] == '-')) {
    ++end;
  }
  return line.substr(0, at) + line.substr(end);
}

std::string PiecePathOf(const std::string& program, int piece) {
  char path[512];
  PiecePath(program.c_str(), piece, path, sizeof path);
  return path;
}

// --- Pieces of today's splitter, corrupted on purpose ------------------------------------------

class CorruptedPieces : public testing::Test {
 protected:
  void SetUp() override {
    split_ = SplitInFolder(dir_, fake_, "PART.NC", ReadFileBytes(std::string(QX_SOURCE_DIR) + "/tests/data/programs/MILL_A.NC"));
    ASSERT_GE(split_.pieces, 3) << split_.log;
    for (int piece = 1; piece <= split_.pieces; ++piece) pieces_.push_back(ReadFileBytes(PiecePathOf(split_.path, piece)));
  }

  // Rewrites piece `piece` with `edit` applied to its lines, checks, and puts the piece back.
  int CheckEdited(int piece, const std::function<void(std::vector<std::string>*)>& edit, SplitCheckReport* report,
                  std::string* line) {
    std::vector<std::string> lines = Lines(pieces_[piece - 1]);
    edit(&lines);
    WriteFileBytes(PiecePathOf(split_.path, piece), Join(lines));
    const int result = RunCheck(split_.path, split_.pieces, split_.start, report, line);
    WriteFileBytes(PiecePathOf(split_.path, piece), pieces_[piece - 1]);
    return result;
  }

  FakePlatform fake_;
  TempDir dir_;
  SplitForCheck split_{};
  std::vector<std::string> pieces_;
};

// The first move after the header's positioning line.
size_t FirstMove(const std::vector<std::string>& lines) {
  const size_t positioning = Find(lines, [](const std::string& l) { return StartsWith(l, "G90G0X"); });
  return Find(lines, [](const std::string& l) { return !l.empty() && (l[0] == 'X' || l[0] == 'Y'); }, positioning + 1);
}

TEST_F(CorruptedPieces, TheSplitAsWrittenPasses) {
  SplitCheckReport report{};
  std::string line;
  EXPECT_EQ(RunCheck(split_.path, split_.pieces, split_.start, &report, &line), kCheckPassed) << line;
  EXPECT_EQ(report.piecesChecked, split_.pieces);
  char text[kLogLineSize];
  DescribeSplitCheck(report, text);
  EXPECT_TRUE(StartsWith(text, "情　報：分割ＮＣファイル ")) << line;
}

TEST_F(CorruptedPieces, EachCorruptionIsCaughtWithItsMessage) {
  struct Case {
    const char* name;
    int piece;  // 0: the last piece
    std::function<void(std::vector<std::string>*)> edit;
    int rule;
    const char* detail;  // part of the report's detail (code page 932)
  } cases[] = {
      {"axis word dropped from the first move of piece 1", 1,
       [](std::vector<std::string>* l) {
         const size_t at = FirstMove(*l);
         (*l)[at] = DropWord((*l)[at], 'X');
       },
       kRuleSameCut, "始点が違います"},
      {"axis word dropped from the first move of piece 2", 2,
       [](std::vector<std::string>* l) {
         const size_t at = FirstMove(*l);
         (*l)[at] = DropWord((*l)[at], 'X');
       },
       kRuleSameCut, "が違います"},
      {"arc centre lost", 2,
       [](std::vector<std::string>* l) {
         const size_t at = Find(*l, [](const std::string& s) { return StartsWith(s, "G03") && Contains(s, "J"); });
         (*l)[at] = DropWord((*l)[at], 'J');
       },
       kRuleUnreadableBlock, "円弧に中心（I/J/K）も半径 R もありません"},
      {"arc centre shifted", 2,
       [](std::vector<std::string>* l) {
         const size_t at = Find(*l, [](const std::string& s) { return StartsWith(s, "G03") && Contains(s, "J"); });
         (*l)[at] = DropWord((*l)[at], 'J') + "J0.5";
       },
       kRuleSameCut, "円弧の中心が違います"},
      {"rapid at Z0 across the part", 2,
       [](std::vector<std::string>* l) { l->insert(l->begin() + FirstMove(*l), "G00Z0."); },
       kRuleSafeMove, "スタート点の高さ Z80. より下を通ります"},
      {"cutting block missing", 0,
       [](std::vector<std::string>* l) {
         l->erase(l->begin() + Find(*l, [](const std::string& s) { return StartsWith(s, "G02") && Contains(s, "J-8."); }));
       },
       kRuleSameCut, "の移動 G02 X85. Y32. Z-8. I0. J-8. がありません"},
      {"block added after the program's end", 0,
       [](std::vector<std::string>* l) {
         l->insert(l->begin() + Find(*l, [](const std::string& s) { return s == "M30"; }), "G90G01X100.Y100.F300");
       },
       kRuleAfterEnd, "の後の移動 G01 X100. Y100."},
      {"spindle speed lost", 2,
       [](std::vector<std::string>* l) {
         const size_t at = Find(*l, [](const std::string& s) { return StartsWith(s, "S2400"); });
         (*l)[at] = "M03";
       },
       kRuleSameState, "主軸回転数が違います：S0.（元は S2400.）"},
      {"feed changed", 2,
       [](std::vector<std::string>* l) {
         const size_t at = Find(*l, [](const std::string& s) { return Contains(s, "F600"); }, FirstMove(*l));
         (*l)[at].replace((*l)[at].find("F600"), 4, "F650");
       },
       kRuleSameState, "送り速度が違います：F650.（元は F600.）"},
      {"full circle added in a footer", 1,
       [](std::vector<std::string>* l) {
         l->insert(l->begin() + Find(*l, [](const std::string& s) { return s == "M09"; }, FirstMove(*l)), "G02I5.F300");
       },
       kRuleSafeMove, "元のＮＣファイルにない切削移動 G02"},
      {"return to the start point lost", 1,
       [](std::vector<std::string>* l) { l->erase(l->begin() + Find(*l, [](const std::string& s) { return s == "X-30.Y-20."; })); },
       kRulePosition, "がスタート点 X-30. Y-20. Z80. と違います"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int piece = c.piece == 0 ? split_.pieces : c.piece;
    SplitCheckReport report{};
    std::string line;
    EXPECT_EQ(CheckEdited(piece, c.edit, &report, &line), kCheckFailed) << line;
    EXPECT_EQ(report.piece, piece) << line;
    EXPECT_EQ(report.rule, c.rule) << line;
    EXPECT_GT(report.pieceLine, 0) << line;
    EXPECT_TRUE(Contains(report.detail, c.detail)) << line;
    char text[kLogLineSize];
    DescribeSplitCheck(report, text);
    EXPECT_TRUE(StartsWith(text, "エラー：分割の検証に失敗しました。分割ＮＣファイル [ ")) << line;
  }
  // Every piece was put back.
  SplitCheckReport report{};
  EXPECT_EQ(RunCheck(split_.path, split_.pieces, split_.start, &report), kCheckPassed);
}

TEST_F(CorruptedPieces, MissingOrUnreadablePieceFiles) {
  SplitCheckReport report{};
  std::string line;
  EXPECT_EQ(RunCheck(split_.path, split_.pieces + 1, split_.start, &report, &line), kCheckUnreadable);
  EXPECT_EQ(report.piece, split_.pieces + 1);
  EXPECT_TRUE(Contains(report.detail, "が開けません")) << line;
  EXPECT_EQ(RunCheck(dir_.Path("NONE.NC"), 1, split_.start, &report, &line), kCheckUnreadable);
  EXPECT_EQ(report.piece, 0);
  EXPECT_EQ(RunCheck(split_.path, 0, split_.start, &report, &line), kCheckUnreadable);
}

// --- Hand-written programs and pieces ----------------------------------------------------------

using Pair = CheckPair;

// Opening lines shared by the programs below.
#define HEAD "%\nO0001\nG90 G17 G21 S1000 M03\n"
#define POSITIONING "G90G0X0.Y0.Z50.\n"
// The positioning line of a program that moves Z only under a length offset: X and Y alone.
#define POSITIONING_XY "G90G0X0.Y0.\n"
#define HOME "G00 Z50.\nX0. Y0.\nM30\n%\n"

constexpr const char* kRArcs = HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\n"
    "G02 X15. Y5. R5.\nG02 X20. Y10. R-5.\nG03 X25. Y15. R5.\n" HOME;
constexpr const char* kRArcsFirst = HEAD POSITIONING
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 X15. Y5. R5.\nG02 X20. Y10. R-5.\nG00 Z50.\nX0. Y0.\nM30\n%\n";

TEST(SplitCheckPairs, RArcs) {
  CheckPairs({
      {"as written", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\nG03 X25. Y15. R5.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"R written as its centre", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\nG03 X25. Y15. I0. J5.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"R of the other sign", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\nG03 X25. Y15. R-5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "円弧の半径が違います"},
      {"R of the other sign in the repeated move", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R5. F100\nG03 X25. Y15. R5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "円弧の半径が違います"},
      {"R lost", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\nG03 X25. Y15.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleUnreadableBlock, "円弧に中心"},
      {"the last cut never made", kRArcs, {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "元の 9 行目の切削移動 G03 X25. Y15. Z-1. R5. がどの分割ＮＣファイルにもありません"},
      {"the repeat cut twice", kRArcs,
       {kRArcsFirst, HEAD POSITIONING "G00 X15. Y5.\nZ9.\nG01 Z-1. F50\nG02 X20. Y10. R-5. F100\nG00 Z9.\nX15. Y5.\nG01 Z-1.\n"
                                      "G02 X20. Y10. R-5.\nG03 X25. Y15. R5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSafeMove, ""},
  });
}

// A half circle 2 increments longer than 2|R| (its numbers rounded one by one), and a seam on it.
constexpr const char* kRoundedHalfCircle = HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG02 X20.426 Y0. R0.212\nG01 X30.\n" HOME;
constexpr const char* kRoundedHalfCircleFirst = HEAD POSITIONING
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG02 X20.426 Y0. R0.212\nG00 Z50.\nX0. Y0.\nM30\n%\n";
// The same end with a fourth decimal: the control holds it as X20.426.
constexpr const char* kRoundedHalfCircleFine = HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG02 X20.4258 Y0. R0.212\nG01 X30.\n" HOME;
constexpr const char* kRoundedHalfCircleFineFirst = HEAD POSITIONING
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG02 X20.4258 Y0. R0.212\nG00 Z50.\nX0. Y0.\nM30\n%\n";

TEST(SplitCheckPairs, RArcsAtTheRoundingLimit) {
  CheckPairs({
      {"the half circle cut again as the program writes it", kRoundedHalfCircle,
       {kRoundedHalfCircleFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.426 R0.212 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"one increment farther: the control alarms", kRoundedHalfCircle,
       {kRoundedHalfCircleFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.427 R0.212 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleUnreadableBlock, "半径 R の２倍より遠く", 2},
      {"R one increment larger: the exact half circle on the same chord", kRoundedHalfCircle,
       {kRoundedHalfCircleFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.426 R0.213 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"R two increments larger: a flatter arc", kRoundedHalfCircle,
       {kRoundedHalfCircleFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.426 R0.214 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "円弧の半径が違います"},
      {"the fourth decimal written on the grid", kRoundedHalfCircleFine,
       {kRoundedHalfCircleFineFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.426 R0.212 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"the fourth decimal written one increment farther", kRoundedHalfCircleFine,
       {kRoundedHalfCircleFineFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nG02 X20.427 R0.212 F100\nG01 X30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleUnreadableBlock, "半径 R の２倍より遠く", 2},
  });
}

constexpr const char* kPlanes = HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z0. F100\nG18 G02 X20. Z0. I5. K0.\nG19 G03 Y10. Z0. J5. K0.\n"
    "G17 G03 X20. Y10. Z-2. I-5.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
constexpr const char* kPlanesFirst = HEAD POSITIONING
    "G00 X10. Y0.\nZ2.\nG01 Z0. F100\nG18 G02 X20. Z0. I5. K0.\nG19 G03 Y10. Z0. J5. K0.\nG00 Z50.\nX0. Y0.\nM30\n%\n";

TEST(SplitCheckPairs, ArcsInG18AndG19AndHelices) {
  CheckPairs({
      {"as written", kPlanes,
       {kPlanesFirst, HEAD POSITIONING "G00 X20. Y0.\nZ10.\nG01 Z0. F50\nG19 G03 Y10. Z0. J5. K0. F100\n"
                                       "G17 G03 X20. Y10. Z-2. I-5.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"plane lost on the repeated arc", kPlanes,
       {kPlanesFirst, HEAD POSITIONING "G00 X20. Y0.\nZ10.\nG01 Z0. F50\nG03 Y10. Z0. J5. K0. F100\n"
                                       "G17 G03 X20. Y10. Z-2. I-5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "円弧の平面が違います"},
      {"helix turned the other way", kPlanes,
       {kPlanesFirst, HEAD POSITIONING "G00 X20. Y0.\nZ10.\nG01 Z0. F50\nG19 G03 Y10. Z0. J5. K0. F100\n"
                                       "G17 G02 X20. Y10. Z-2. I-5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "移動の種類が違います"},
      {"helix without its Z", kPlanes,
       {kPlanesFirst, HEAD POSITIONING "G00 X20. Y0.\nZ10.\nG01 Z0. F50\nG19 G03 Y10. Z0. J5. K0. F100\n"
                                       "G17 G03 X20. Y10. I-5.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "終点が違います"},
  });
}

TEST(SplitCheckPairs, IncrementalArcsFullCirclesAndTinyArcs) {
  constexpr const char* kIncremental = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG91 G02 X10. Y0. I5.\nG03 X-5. Y5. R5.\nG90\n" HOME;
  constexpr const char* kTiny = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 X10. Y0.0004 I5.\nG01 X20.\n" HOME;
  CheckPairs({
      {"G91 arcs written absolute", kIncremental,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 X20. Y0. I5.\nG03 X15. Y5. R5.\nG90\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"tiny arc left out", kTiny, {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG01 X20.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"tiny arc written without its end point: a full circle", kTiny,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 I5.\nG01 X20.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "円弧の角度が違います：360.000度（元は 0.005度）"},
  });
}

TEST(SplitCheckPairs, OriginsReturnsAndWorkOffsets) {
  constexpr const char* kShift = "%\nG92 X0. Y0. Z50.\nG90 G17 G21 S1000 M03\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\n" HOME;
  constexpr const char* kReturn = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z50.\nG91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n";
  constexpr const char* kOffsets = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nG55\nG00 X10. Y0.\nG43 H1 Z2.\n"
                                        "G01 Z-1.\nX20.\n" HOME;
  constexpr const char* kAway = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nG91 G28 X0. Y0.\nG01 X5. F100\n"
                                     "G90 G00 X0. Y0.\nM30\n%\n";
  CheckPairs({
      // The start point (10, 0, 50) is where the program's G92 declares (0, 0, 50).
      {"G92 with the start point elsewhere, tail to the program's point", kShift,
       {"%\nG92 X0. Y0. Z50.\nG90 G17 G21 S1000 M03\nG90G0X0.Y0.Z50.\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\n" HOME},
       {10, 0, 50}, kCheckPassed, 0, ""},
      {"G92 with the start point elsewhere, tail to the start point's numbers", kShift,
       {"%\nG92 X0. Y0. Z50.\nG90 G17 G21 S1000 M03\nG90G0X0.Y0.Z50.\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nX10. Y0.\nM30\n%\n"},
       {10, 0, 50}, kCheckFailed, kRulePosition, "最後の位置 X20. Y0. Z50. がスタート点 X10. Y0. Z50. と違います"},
      {"G28 at the end after the return", kReturn,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG01 Z0.\nG00 Z50.\nX0. Y0.\nG91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n",
        HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nX0. Y0.\nG91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"G28 at the end without the return", kReturn,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG01 Z0.\nG00 Z50.\nG91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n",
        HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nX0. Y0.\nG91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRulePosition, "最後の位置 X20. Y0. Z50."},
      {"moves from the reference as written", kAway, {kAway}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"moves from the reference another distance", kAway,
       {HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nG91 G28 X0. Y0.\nG01 X7. F100\nG90 G00 X0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "終点が違います"},
      {"a new work offset as written", kOffsets, {kOffsets}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"a new work offset lost", kOffsets,
       {HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nG00 X10. Y0.\nG43 H1 Z2.\nG01 Z-1.\nX20.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSafeMove, ""},
  });
}

// Four holes; the seam falls between the second and the third.
constexpr const char* kDrillG90 = HEAD "G00 X10. Y10.\nZ20.\nG99 G81 X10. Y10. Z-5. R2. F100\nX20.\nX30.\nG98 X40.\nG80\n" HOME;
constexpr const char* kDrillG90First = HEAD POSITIONING "G00 X10. Y10.\nZ20.\nG99 G81 X10. Y10. Z-5. R2. F100\nX20.\nG80\n" HOME;
constexpr const char* kPeckG91 = HEAD "G00 X10. Y10.\nZ20.\nG91 G98 G83 X0. Y0. Z-7. R-18. Q2. F100\nX10.\nX10.\nX10.\nG80\nG90\n" HOME;
constexpr const char* kPeckG91First = HEAD POSITIONING "G00 X10. Y10.\nZ20.\nG91 G98 G83 X0. Y0. Z-7. R-18. Q2. F100\nX10.\nG80\nG90\n" HOME;

TEST(SplitCheckPairs, CannedCycles) {
  CheckPairs({
      {"G81 G99/G98 in G90, the cycle issued again at the third hole", kDrillG90,
       {kDrillG90First, HEAD POSITIONING "G00 X30. Y10.\nG99 G81 X30. Y10. Z-5. R2. F100\nG98 X40.\nG80\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"G81 issued again with another depth", kDrillG90,
       {kDrillG90First, HEAD POSITIONING "G00 X30. Y10.\nG99 G81 X30. Y10. Z-6. R2. F100\nG98 X40.\nG80\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "穴あけの条件が違います"},
      {"G81 issued again without its feed", kDrillG90,
       {kDrillG90First, HEAD POSITIONING "G00 X30. Y10. F50\nG99 G81 X30. Y10. Z-5. R2.\nG98 X40.\nG80\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameState, "送り速度が違います"},
      {"a hole left out", kDrillG90,
       {kDrillG90First, HEAD POSITIONING "G00 X40. Y10.\nG98 G81 X40. Y10. Z-5. R2. F100\nG80\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, ""},
      {"G83 G98 in G91, R counted from the piece's own initial level", kPeckG91,
       {kPeckG91First, HEAD POSITIONING "G00 X30. Y10.\nG91 G98 G83 X0. Y0. Z-7. R-48. Q2. F100\nX10.\nG80\nG90\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"G83 in G91 with R copied from the program", kPeckG91,
       {kPeckG91First, HEAD POSITIONING "G00 X30. Y10.\nG91 G98 G83 X0. Y0. Z-7. R-18. Q2. F100\nX10.\nG80\nG90\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "穴あけの条件が違います"},
  });
}

// The seam falls in the last cut before the program's own retract: piece 1's tail (up, back to the
// start point) is the program's closing, and the next piece resumes at that cut.
constexpr const char* kClosing = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
constexpr const char* kClosingFirst = HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\n" HOME;
// The same with the program's rapid to a second cut after the seam move.
constexpr const char* kRapidAfter = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX30.\nG00 Z50.\nX50. Y0.\nZ2.\nG01 Z-1.\nX60.\n" HOME;

TEST(SplitCheckPairs, ProgramMovesThatATailMadeComeAgainAfterTheSeam) {
  CheckPairs({
      {"the repeat, then the program's closing once more", kClosing,
       {kClosingFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nX0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"no repeat: down to where the last cut ended, then the program's closing", kClosing,
       {kClosingFirst, HEAD POSITIONING "G00 X30. Y0.\nZ9.\nG01 Z-1. F50\nG00 Z50.\nX0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"the repeat, the program's retract, then the rapid to its next cut", kRapidAfter,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX30.\n" HOME,
        HEAD POSITIONING "G00 X10. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nX50. Y0.\nZ2.\nG01 Z-1.\nX60.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"the program's closing out of order", kClosing,
       {kClosingFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 X0. Y0.\nZ50.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleAfterEnd, "の後の移動 G00 X0. Y0. Z-1."},
      {"down again after the program's closing", kClosing,
       {kClosingFirst, HEAD POSITIONING "G00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nZ-1.\nZ50.\nX0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleAfterEnd, "の後の移動 G00 X30. Y0. Z-1."},
      {"the last two cuts again", kClosing,
       {kClosingFirst, HEAD POSITIONING "G00 X10. Y0.\nZ9.\nG01 Z-1. F50\nX20. F100\nX30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleAfterEnd, "の後の移動 G01 X20. Y0. Z-1."},
      {"the program's closing made by the first piece's tail only, never by the program", kRapidAfter,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX30.\n" HOME,
        HEAD POSITIONING "G00 X10. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\nG00 Z50.\nZ2.\nG01 Z-1.\nX60.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSafeMove, ""},
  });
}

// A contour cut twice over (a spring pass), the seam at its first cut: the second piece's first
// circle is the repeat when the circle follows once more, and the program's second otherwise.
constexpr const char* kSpringPass = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 I-10.\nG02 I-10.\nG01 X30.\n" HOME;
#define SPRING_FIRST HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nG02 I-10.\n" HOME
#define SPRING_RESUME HEAD POSITIONING "G00 X10. Y0.\nZ9.\nG01 Z-1. F50\n"

TEST(SplitCheckPairs, TheSameCutTwiceOverWithTheSeamAtTheFirst) {
  CheckPairs({
      {"the repeat, then the program's second circle", kSpringPass,
       {SPRING_FIRST, SPRING_RESUME "G02 I-10. F100\nG02 I-10.\nG01 X30.\n" HOME}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"no repeat: the program's second circle", kSpringPass,
       {SPRING_FIRST, SPRING_RESUME "G02 I-10. F100\nG01 X30.\n" HOME}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"the circle once too often", kSpringPass,
       {SPRING_FIRST, SPRING_RESUME "G02 I-10. F100\nG02 I-10.\nG02 I-10.\nG01 X30.\n" HOME}, {0, 0, 50},
       kCheckFailed, kRuleSameCut, ""},
  });
}

// The opening loses Z to the top of travel and moves along it (with X lost too) before it comes
// down where it cuts: the piece's approach at its start height takes the place of those rapids.
constexpr const char* kAlongTheTop =
    HEAD "G91 G28 X0. Z0.\nG90 G00 Y-5.\nX10. Y5.\nG43 H01 Z5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME;
#define TOP_HEAD HEAD "G91 G28 X0. Z0.\n" POSITIONING_XY

TEST(SplitCheckPairs, RapidsAlongTheTopOfTravelInTheOpening) {
  CheckPairs({
      {"the approach at the start height instead", kAlongTheTop,
       {TOP_HEAD "G90 G00 X10. Y5.\nG43 H01 Z5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckPassed, 0,
       ""},
      {"down somewhere else", kAlongTheTop,
       {TOP_HEAD "G43 H01 Z5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckFailed, kRuleSameCut, "始点が違います"},
  });
}

// After the seam the program returns Z to the reference point and cuts straight down from the top
// of travel where the interrupted cut began: the second piece's approach from its start height down
// to that point at its own feed is its approach, not that later cut.
constexpr const char* kCutDownFromTheTop =
    HEAD "G00 X10. Y10.\nZ2.\nG01 Z-5. F200\nY40.\nG28 Z0.\nG00 Y10.\nG01 Z-5. F500\nY40.\n" HOME;

TEST(SplitCheckPairs, AnApproachThatALaterCutFromTheTopMakesToo) {
  constexpr const char* kFirst = HEAD POSITIONING "G00 X10. Y10.\nZ2.\nG01 Z-5. F200\nY40.\n" HOME;
  CheckPairs({
      {"the approach, the repeat, the program's return and cut", kCutDownFromTheTop,
       {kFirst, HEAD POSITIONING "G00 X10. Y10.\nG01 Z-5. F100\nY40. F200\nG28 Z0.\nG00 Y10.\nG01 Z-5. F500\nY40.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"the approach, no repeat after it: the later cut at the wrong feed", kCutDownFromTheTop,
       {kFirst, HEAD POSITIONING "G00 X10. Y10.\nG01 Z-5. F100\nG28 Z0.\nG00 Y10.\nG01 Z-5. F500\nY40.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameState, "F100."},
  });
}

// A rapid of the head below the start height is a program move or nothing: one from elsewhere is
// refused even where the program makes the same rapid further on.
TEST(SplitCheckPairs, ARapidBelowTheStartHeightInTheHead) {
  constexpr const char* kLowRapid = HEAD "G00 X10. Y5.\nZ5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME;
  CheckPairs({
      {"the program's", kLowRapid, {HEAD POSITIONING "G00 X10. Y5.\nZ5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"from elsewhere", kLowRapid, {HEAD POSITIONING "G00 X20. Y5.\nZ5.\nX12.\nG01 Z-1. F100\nX30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "始点が違います"},
  });
}

// Without carried blocks: an opening that comes down, homes Z and comes down again elsewhere. A
// piece's approach changes where the opening's next moves start: its moves are looked for further
// on in the opening, and among those passed over, before the first cut.
constexpr const char* kTwiceDown =
    HEAD "G00 X5. Y5.\nG43 H01 Z2.\nX10.\nG53 Z0.\nG00 X20. Y5.\nZ2.\nX10.\nG01 Z-1. F100\nX30.\n" HOME;
// The same, the first descent without the length offset: the same program coordinates are another
// place for the tool's tip.
constexpr const char* kTwiceDownFirstWithout =
    HEAD "G00 X5. Y5.\nZ2.\nX10.\nG53 Z0.\nG00 X20. Y5.\nG43 H01 Z2.\nX10.\nG01 Z-1. F100\nX30.\n" HOME;
#define TWICE_HEAD HEAD POSITIONING_XY "G53 Z0.\nG00 X20. Y5.\nG43 H01 Z2.\nX10.\n"

TEST(SplitCheckPairs, AnOpeningThatComesDownTwice) {
  CheckPairs({
      {"the second descent after the piece's own homing", kTwiceDown, {TWICE_HEAD "G01 Z-1. F100\nX30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      // The program's moves are made in their order: one passed over is not made again later in the
      // head, where the tool no longer stands where the program has it then.
      {"then the first, passed over, made again", kTwiceDown,
       {TWICE_HEAD "G53 Z0.\nG00 X5. Y5.\nZ2.\nX10.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckFailed,
       kRuleSafeMove, "G53 Z"},
      {"then the first, made under another length offset", kTwiceDownFirstWithout,
       {TWICE_HEAD "G53 Z0.\nG00 X5. Y5.\nZ2.\nX10.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckFailed,
       kRuleSafeMove, ""},
      {"a low rapid the opening never makes", kTwiceDown,
       {TWICE_HEAD "X12.\nX10.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckFailed, kRuleSafeMove, ""},
  });
}

// The program rapids across at the start height before it takes up the length offset, goes down
// under it, and cancels it for its last lift. A piece may make the rapid across under the offset:
// at or above the start height it is in the clear. Below it, a program move under another offset
// puts the tip elsewhere, though the program gives Z under both.
#define ACROSS_TAIL "G01 Z-1. F100\nX20.\nG49 G00 Z50.\nX0. Y0.\nM30\n%\n"
constexpr const char* kAcrossThenDown = HEAD "G00 X10. Y0.\nG43 H01 Z50.\nZ2.\n" ACROSS_TAIL;

TEST(SplitCheckPairs, ProgramMovesUnderAnotherLengthOffset) {
  CheckPairs({
      {"as the program", kAcrossThenDown, {HEAD POSITIONING_XY "G00 X10. Y0.\nG43 H01 Z50.\nZ2.\n" ACROSS_TAIL},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"the rapid across made under the offset, in the clear", kAcrossThenDown,
       {HEAD POSITIONING_XY "G43 H01 Z50.\nG00 X10. Y0.\nZ2.\n" ACROSS_TAIL}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"the rapid down made without it", kAcrossThenDown,
       {HEAD POSITIONING_XY "G00 X10. Y0.\nG43 H01 Z50.\nG49 Z2.\nG43 H01\n" ACROSS_TAIL}, {0, 0, 50}, kCheckFailed,
       kRuleSameState, "工具長補正が違います"},
  });
}

// A piece that homes Z first and comes straight down from the top of travel above where it cuts.
constexpr const char* kDownFromTheTop = HEAD "G00 X10. Y5.\nG43 H01 Z5.\nG01 Z-1. F100\nX30.\n" HOME;

TEST(SplitCheckPairs, StraightDownFromTheTopOfTravel) {
  CheckPairs({
      {"above where it cuts", kDownFromTheTop,
       {HEAD POSITIONING_XY "G53 Z0.\nG00 X10. Y5.\nG43 H01 Z5.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50}, kCheckPassed,
       0, ""},
      {"somewhere else, then across below the start height", kDownFromTheTop,
       {HEAD POSITIONING_XY "G53 Z0.\nG00 X20. Y5.\nG43 H01 Z5.\nX10.\nG01 Z-1. F100\nX30.\n" HOME}, {0, 0, 50},
       kCheckFailed, kRuleSameCut, "始点が違います"},
  });
}

// The opening brings the tool down to Z20. at the start point; the piece's positioning line takes
// it back up to the start Z before its own approach.
constexpr const char* kLowOpening =
    "%\nO0001\nG90 G17 G21 S1000 M03\nG43 H01 Z20.\nG00 X-6. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z5.\nM30\n%\n";
#define LOW_HEAD "%\nO0001\nG90 G17 G21 S1000 M03\nG43 H01 Z20.\n"

TEST(SplitCheckPairs, PositioningLineRisesFromTheOpening) {
  constexpr const char* kSecond = LOW_HEAD POSITIONING "X-6.Y0.\nZ9.\nG01Z-1.F50\nX20.F100\nX30.\nG00Z5.\nZ50.\nX0.Y0.\nM30\n%\n";
  CheckPairs({
      {"up, over at the start Z, down where the first cut starts", kLowOpening,
       {LOW_HEAD POSITIONING "X-6.\nZ2.\nG01Z-1.F100\nX20.\nG01Z0.\nG00Z50.\nX0.Y0.\nM30\n%\n", kSecond},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"across at the opening's level", kLowOpening,
       {LOW_HEAD "G00 X-3.\nX-6.\nZ2.\nG01Z-1.F100\nX20.\nG01Z0.\nG00Z50.\nX0.Y0.\nM30\n%\n", kSecond},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "終点が違います：G00 X-3. Y0. Z20."},
      {"up, then down below the opening's level at the start point", kLowOpening,
       {LOW_HEAD POSITIONING "Z10.\nZ50.\nX-6.\nZ2.\nG01Z-1.F100\nX20.\nG01Z0.\nG00Z50.\nX0.Y0.\nM30\n%\n", kSecond},
       {0, 0, 50}, kCheckFailed, kRuleSafeMove, "再開点"},
  });
}

TEST(SplitCheckPairs, WordFormsAndTheProgramsEnd) {
  constexpr const char* kForms = "%\ng90 g17 g21 s1000 m3\ng0 x10. y0.\nz2.\ng1 z-1. f 100\nx +20. y -0.25\n/x30.\ng0 z50.\nx0 y0\nm30\n%\n";
  constexpr const char* kEnded = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nX0. Y0.\nM30\nG00 X30.\nZ-1.\nG01 X40.\n%\n";
  CheckPairs({
      {"lower case, plus signs and blanks", kForms,
       {"%\nG90 G17 G21 S1000 M03\nG90G0X0.Y0.Z50.\nX10.Y0.\nZ2.\nG01Z-1.F100\nX20.Y-0.25\nX30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"blocks after M30 left out", kEnded, {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"blocks after M30 cut", kEnded,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nX0. Y0.\nG00 X30.\nZ-1.\nG01 X40.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleAfterEnd, "元のＮＣファイルの終わり（10 行目）の後の移動 G00 X30. Y0. Z-1."},
      {"a program the check cannot read", HEAD "#1=10.\nG00 X#1\n" HOME, {HEAD POSITIONING HOME},
       {0, 0, 50}, kCheckFailed, kRuleUnreadableBlock, "読めない文字「#」"},
  });
}

TEST(SplitCheckPairs, CarriedBlocks) {
  constexpr const char* kDwell = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nX30.\n" HOME;
  CheckPairs({
      {"carried", kDwell, {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nX30.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"left out", kDwell, {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "元の 8 行目のブロックがありません"},
      // Behind a header and footer file of the user's, the body's blocks are carried all the same.
      {"behind the user's files", kDwell,
       {HEAD "M01\n" POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nX30.\nG00 Z50.\nX0. Y0.\nM05\nM30\n%\n"},
       {0, 0, 50}, kCheckPassed, 0, "", 0, HEAD "M01\n", "M05\nM30\n%\n"},
      {"left out, behind the user's files", kDwell,
       {HEAD "M01\n" POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z50.\nX0. Y0.\nM05\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "元の 8 行目のブロックがありません", 0, HEAD "M01\n", "M05\nM30\n%\n"},
      {"the header's stop left out", kDwell,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nX30.\nG00 Z50.\nX0. Y0.\nM05\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "ヘッダファイル 4 行目のブロックがありません", 0, HEAD "M01\n",
       "M05\nM30\n%\n"},
      {"the footer's block left out", kDwell,
       {HEAD "M01\n" POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nX30.\nG00 Z50.\nX0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "フッタファイルと違います", 0, HEAD "M01\n", "M05\nM30\n%\n"},
      {"carried twice", kDwell, {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nG04 P500\nX30.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "元のＮＣファイルにないブロック"},
      {"restored after the opening", kDwell,
       {HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG04 P500\nG01 Z0.\nG00 Z50.\nX0. Y0.\nM30\n%\n",
        HEAD POSITIONING "S1000 M03\nG00 X20. Y0.\nZ9.\nG01 Z-1. F50\nX30. F100\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
  });
}

// A second fixture's offset written between two operations, the seam on the second operation's
// first cut: the piece that cuts it again writes the offset again before it moves; without the
// write, with another value, or with the write after its positioning it is refused.
TEST(SplitCheckPairs, OffsetWritesBetweenOperations) {
  constexpr const char* kFixtures = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                         "G10 L2 P1 X-100. Y-50.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\nX20.\n" HOME;
  constexpr const char* kFirst = HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                                  "G10 L2 P1 X-100. Y-50.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\n"
                                                  "Z0.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
#define RESUME "G00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\n" HOME
  CheckPairs({
      {"written again before the positioning", kFixtures,
       {kFirst, HEAD "G90G10L2P1X-100.Y-50.\n" POSITIONING RESUME}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"written again in thousandths", kFixtures,
       {kFirst, HEAD "G90 G10 L2 P1 X-100000 Y-50000\n" POSITIONING RESUME}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"not written again", kFixtures,
       {kFirst, HEAD POSITIONING RESUME}, {0, 0, 50}, kCheckFailed, kRuleSameState, "オフセットの書き込み（G10）", 2},
      {"written with another value", kFixtures,
       {kFirst, HEAD "G90G10L2P1X-100.Y-60.\n" POSITIONING RESUME},
       {0, 0, 50}, kCheckFailed, kRuleSameState, "オフセットの書き込み（G10）の値か順序が元のＮＣファイルと違います（どちらも G10 1 ブロック）", 2},
      // Written after the positioning, at the start height where the program wrote it: the tool
      // stands as high as it did in the program, and its X Y rapid in the new frame is the
      // program's own.
      {"written after the positioning", kFixtures,
       {kFirst, HEAD POSITIONING "G90G10L2P1X-100.Y-50.\n" RESUME}, {0, 0, 50}, kCheckPassed, 0, ""},
      // ... but not where the tool stands lower: no restore there.
      {"written after a lower positioning", kFixtures,
       {kFirst, HEAD "G90G0X0.Y0.Z30.\nG90G10L2P1X-100.Y-50.\n" RESUME}, {0, 0, 50}, kCheckFailed,
       kRuleCarriedBlock, "元のＮＣファイルにないブロック", 2},
  });
#undef RESUME
}

// A local coordinate system for the second of two parts on the table, the seam on its first cut:
// the piece that cuts it again sets the same shift after its positioning; without it, with
// another shift, or with the shift worked into its numbers instead (the same places, in another
// state: what the program's later blocks mean would change), it is refused.
TEST(SplitCheckPairs, LocalCoordinateSystems) {
  constexpr const char* kParts = HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                      "G52 X100. Y50.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME;
  constexpr const char* kFirst = HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                                  "G52 X100. Y50.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\n"
                                                  "Z0.\nG00 Z50.\nX-100. Y-50.\nM30\n%\n";
  constexpr const char* kFirstBadReturn = HEAD POSITIONING "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                                           "G52 X100. Y50.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\n"
                                                           "Z0.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
#define kResumeUnderShift "G00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME
  CheckPairs({
      {"as written", kParts, {kParts}, {0, 0, 50}, kCheckPassed, 0, ""},
      {"shift restored after the positioning", kParts,
       {kFirst, HEAD POSITIONING "G52 X100. Y50.\nG00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"shift in thousandths", kParts,
       {kFirst, HEAD POSITIONING "G52 X100000 Y50000\nG00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"shift not restored", kParts,
       {kFirst, HEAD POSITIONING "G00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "始点が違います", 2},
      {"another shift", kParts,
       {kFirst, HEAD POSITIONING "G52 X100. Y60.\nG00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\nG00 Z50.\nG52 X0. Y0.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "始点が違います", 2},
      {"shift worked into the numbers", kParts,
       {kFirst, HEAD POSITIONING "G00 X110. Y50.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX120.\nG00 Z50.\nX0. Y0.\nM30\n%\n"},
       {0, 0, 50}, kCheckFailed, kRuleSameState, "ローカル座標系（G52）", 2},
      {"cancel left out", kParts,
       {kFirst, HEAD POSITIONING "G52 X100. Y50.\nG00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleCarriedBlock, "", 2},
      // As the split writes it: the shift stated before anything moves, the positioning line to
      // the start point in its frame.
      {"shift restored before a positioning in its frame", kParts,
       {kFirst, HEAD "G90G52X100.Y50.\nG90G0X-100.Y-50.Z50.\n" kResumeUnderShift}, {0, 0, 50}, kCheckPassed, 0, ""},
      // The first piece ends under the shift: its return goes to the start point's machine
      // position, in the shifted frame's numbers; the start point's own numbers there are
      // somewhere else.
      {"return under the shift in the program's numbers", kParts,
       {kFirstBadReturn, HEAD "G90G52X100.Y50.\nG90G0X-100.Y-50.Z50.\n" kResumeUnderShift},
       {0, 0, 50}, kCheckFailed, kRulePosition, "", 1},
  });
#undef kResumeUnderShift
}

// After the program's cancel a piece states the zeros (the piece before ended under the shift,
// which a control may keep over M30): the same frame as the program's, so the same cuts.
TEST(SplitCheckPairs, ZerosStatedAfterTheCancel) {
  constexpr const char* kParts = HEAD "G52 X100. Y50.\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                      "G52 X0. Y0.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\nX20.\n" HOME;
  constexpr const char* kFirst = HEAD POSITIONING "G52 X100. Y50.\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\n"
                                                  "G52 X0. Y0.\nG00 X10. Y0.\nZ2.\nG01 Z-1.\nZ0.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
  CheckPairs({
      {"zeros stated", kParts,
       {kFirst, HEAD "G90G52X0.Y0.\n" POSITIONING "G00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\n" HOME},
       {0, 0, 50}, kCheckPassed, 0, ""},
      {"another shift stated", kParts,
       {kFirst, HEAD "G90G52X100.Y0.\nG90G0X-100.Y0.Z50.\nG00 X10. Y0.\nZ12.\nG01 Z2. F50\nZ-1. F100\nX20.\n" HOME},
       {0, 0, 50}, kCheckFailed, kRuleSameCut, "", 2},
  });
}

}  // namespace

// --- Behind header and footer files that were there before the run ---------------------------

// Header and footer files that were there before the run are the user's: left as an earlier run
// cut them, or edited (an optional stop added). The pieces are proven behind them, and the log
// says so; the pieces without the files named fail on the header's blocks.
TEST(SplitCheckBehindUsersFiles, AnEditedHeaderIsJudgedByMovesAndState) {
  FakePlatform fake;
  TempDir dir;
  const std::string program = ReadFileBytes(std::string(QX_SOURCE_DIR) + "/tests/data/programs/MILL_A.NC");
  const std::string keepFiles = "DELETE=0\r\n";
  ASSERT_EQ(SplitInFolder(dir, fake, "PART.NC", program, 3, keepFiles).result, kSplitDone);
  ASSERT_TRUE(dir.Exists("PART_header.NC"));
  const std::string header = dir.Path("PART_header.NC");
  const std::string footer = dir.Path("PART_footer.NC");
  const UsersFiles files{header.c_str(), footer.c_str()};

  const SplitForCheck kept = SplitInFolder(dir, fake, "PART.NC", program, 3, keepFiles);
  ASSERT_EQ(kept.result, kSplitDone) << kept.log;
  SplitCheckReport report{};
  std::string line;
  EXPECT_EQ(RunCheck(kept.path, kept.pieces, kept.start, &report, &line, files), kCheckPassed) << line;
  EXPECT_EQ(report.usersFiles, 1);

  dir.Write("PART_header.NC", dir.Read("PART_header.NC") + "M01\r\n");
  const SplitForCheck edited = SplitInFolder(dir, fake, "PART.NC", program, 3, keepFiles);
  ASSERT_EQ(edited.result, kSplitDone) << edited.log;
  EXPECT_EQ(RunCheck(edited.path, edited.pieces, edited.start, &report, &line, files), kCheckPassed) << line;
  EXPECT_EQ(RunCheck(edited.path, edited.pieces, edited.start, &report, &line), kCheckFailed) << line;
  EXPECT_EQ(report.rule, kRuleCarriedBlock);

  // The header's stop left out of a piece, or a block of the footer: the pieces no longer begin
  // or end with the user's files.
  char second[512];
  PiecePath(edited.path.c_str(), 2, second, sizeof second);
  const std::string piece = ReadFileBytes(second);
  std::string without = piece;
  without.erase(without.find("M01\r\n"), 5);
  WriteFileBytes(second, without);
  EXPECT_EQ(RunCheck(edited.path, edited.pieces, edited.start, &report, &line, files), kCheckFailed) << line;
  EXPECT_NE(std::string(report.detail).find("ヘッダファイル"), std::string::npos) << line;
  std::string closing = piece;
  closing.erase(closing.rfind("M30\r\n"), 5);
  WriteFileBytes(second, closing);
  EXPECT_EQ(RunCheck(edited.path, edited.pieces, edited.start, &report, &line, files), kCheckFailed) << line;
}
