// The split check on pieces of real programs as the splitter writes them: blocks carried in their
// place, the restore of a piece that resumes in the middle of the program, words riding on moves,
// tool changes, canned cycles, cutter compensation, G18/G19 arcs and inch programs. Each program
// comes with its pieces as written and with pieces corrupted the way a writer could go wrong; the
// carried blocks are checked (rule 7) throughout.
#include <gtest/gtest.h>

#include "check/split_check.h"
#include "support/split_check_run.h"

namespace {

constexpr double kStart50[3] = {0, 0, 50};

// Builds a pair with the carried blocks checked.
CheckPair Passes(const char* name, const char* source, std::vector<const char*> pieces, const double* start = kStart50) {
  return CheckPair{name, source, std::move(pieces), {start[0], start[1], start[2]}, kCheckPassed, kRuleNone, ""};
}
CheckPair Fails(const char* name, const char* source, std::vector<const char*> pieces, int piece, int rule,
                const char* detail, const double* start = kStart50) {
  return CheckPair{name, source, std::move(pieces), {start[0], start[1], start[2]}, kCheckFailed, rule, detail, piece};
}

#define POSITIONING "G90G0X0.Y0.Z50.\n"
// The positioning line where the header leaves no length offset in force in a program that cuts
// under one: X and Y alone, the start height reached after it with the offset.
#define POSITIONING_XY "G90G0X0.Y0.\n"

// --- Blocks carried in their place ---------------------------------------------------------------

#define CARRIED_HEAD "%\nO0001\nG90 G17 G21 G54\nT1 M06\nS1000 M03\nG43 H01 Z50.\n"
constexpr const char* kCarried = CARRIED_HEAD
    "G00 X10. Y0.\nM08\nZ2.\nG01 Z-1. F100\nX20.\nM01\nX30.\nX40.\nG00 Z50.\nM09\nX0. Y0.\nM05\nM30\n%\n";
// The seam falls in the move to X30.: the second piece restores the coolant and cuts it again.
constexpr const char* kCarriedFirst = CARRIED_HEAD POSITIONING
    "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nX30.\nZ0.\nG00Z50.\nX0.Y0.\n(TIME = 0.300min)\nM05\nM30\n%\n";
constexpr const char* kCarriedSecond = CARRIED_HEAD POSITIONING
    "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nX40.\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n";

TEST(SplitCheckRealPrograms, BlocksCarriedInTheirPlace) {
  CheckPairs({
      Passes("as written", kCarried, {kCarriedFirst, kCarriedSecond}),
      Fails("a block left out", kCarried,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kCarriedSecond},
            1, kRuleCarriedBlock, "元の 12 行目のブロックがありません"),
      Fails("a block twice", kCarried,
            {CARRIED_HEAD POSITIONING
             "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nM01\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kCarriedSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("a block before its place", kCarried,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nM01\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kCarriedSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("a block of the body copied into a footer", kCarried,
            {CARRIED_HEAD POSITIONING
             "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM09\nM05\nM30\n%\n",
             kCarriedSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルの終わりのブロック（18 行目から）と違います"),
      Fails("a footer unlike the others", kCarried,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             kCarriedSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルの終わりのブロック"),
      Fails("the restore without the coolant", kCarried,
            {kCarriedFirst, CARRIED_HEAD POSITIONING "X20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nX40.\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n"},
            2, kRuleSameState, "クーラントが違います"),
      Fails("a block of the program in a restore that is not a restore", kCarried,
            {kCarriedFirst, CARRIED_HEAD POSITIONING "M08\nM01\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nX40.\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n"},
            2, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("the program's end left out of the last piece", kCarried,
            {kCarriedFirst, CARRIED_HEAD POSITIONING "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nX40.\nG00Z50.\nM09\nX0.Y0.\n%\n"},
            2, kRulePosition, "プログラムの終わり（M02/M30）で終わりません"),
  });
}

TEST(SplitCheckRealPrograms, ARestoreThatIsAlsoTheProgramsNextBlock) {
  // The program turns the coolant on once more right after the move the seam falls in: the
  // restore's M08 and the carried M08 look alike.
  constexpr const char* kAgain = CARRIED_HEAD "G00 X10. Y0.\nM08\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nM08\nX40.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
  constexpr const char* kFirst = CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM30\n%\n";
  CheckPairs({
      Passes("restored and carried", kAgain,
             {kFirst, CARRIED_HEAD POSITIONING "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nM08\nX40.\nG00Z50.\nX0.Y0.\nM30\n%\n"}),
      Fails("carried, not restored", kAgain,
            {kFirst, CARRIED_HEAD POSITIONING "X20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nM08\nX40.\nG00Z50.\nX0.Y0.\nM30\n%\n"}, 2,
            kRuleSameState, "クーラントが違います"),
      Fails("restored, carried and once more", kAgain,
            {kFirst, CARRIED_HEAD POSITIONING "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nM08\nM08\nX40.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            2, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
  });
}

// --- Two tools, the seam inside the second tool's work ---------------------------------------------

#define TOOLS_HEAD "%\nO0002\nG90 G17 G21 G54\nT1 M06\nS1000 M03\nG43 H01 Z50.\n"
constexpr const char* kTools = TOOLS_HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nM05\nG91 G28 Z0.\nG90\nT2 M06\nS2000 M03\n"
    "G00 X10. Y10.\nG43 H02 Z50.\nZ2.\nG01 Z-2. F200\nX20.\nX30.\nX40.\nG00 Z50.\nX0. Y0.\nM05\nM30\n%\n";
constexpr const char* kToolsFirst = TOOLS_HEAD POSITIONING
    "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nM05\nG91G28Z0.\nG90\nT2M06\nS2000M03\nX10.Y10.\nG43Z50.H02\n"
    "Z2.\nG01Z-2.F200\nX20.\nX30.\nZ-1.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n";
#define TOOLS_SECOND_AFTER "X20.Y10.\nZ8.\nG01Z-2.F100\nX30.F200\nX40.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n"
// The second piece resumes with tool 2: the header without the first tool's set-up (T1 M06,
// S1000 M03, G43 H01 Z50.), then its own tool change, X and Y, and the start height under H2.
#define TOOLS_RESUME_HEAD "%\nO0002\nG90 G17 G21 G54\n"
#define TOOLS_SECOND TOOLS_RESUME_HEAD "T2M06\nS2000M03\n" POSITIONING_XY "G43H2Z50.\n" TOOLS_SECOND_AFTER

TEST(SplitCheckRealPrograms, TwoToolsWithTheSeamInTheSecondToolsWork) {
  CheckPairs({
      Passes("as written", kTools, {kToolsFirst, TOOLS_SECOND}),
      Fails("the restore without the tool change", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "S2000M03\n" POSITIONING_XY "G43H2Z50.\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "工具 T0・工具長補正 G43 H2 で Z を指令しています"),
      Fails("the restore without the length offset", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "T2M06\nS2000M03\n" POSITIONING_XY "Z50.\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "工具 T2・工具長補正 G49 で Z を指令しています"),
      Fails("the restore with another tool's length offset", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "T2M06\nS2000M03\n" POSITIONING_XY "G43H1Z50.\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "工具 T2・工具長補正 G43 H1 で Z を指令しています"),
      Fails("the restore without the spindle speed", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "T2M06\nM03\n" POSITIONING_XY "G43H2Z50.\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "主軸回転数が違います"),
      // The heads a splitter must not write: the start height without the length offset, and the
      // first tool's set-up replayed before the piece's own tool change.
      Fails("the positioning line to Z before the length offset", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "T2M06\nS2000M03\n" POSITIONING "G43H2Z50.\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "工具 T2・工具長補正 G49 で Z を指令しています"),
      Fails("the first tool's opening replayed", kTools,
            {kToolsFirst, TOOLS_HEAD POSITIONING "M05\nT2M06\nG43H02Z50.\nS2000M03\n" TOOLS_SECOND_AFTER}, 2,
            kRuleSameState, "4 行目の工具交換の工具 T1 で切削しないまま、また工具を交換します"),
      Fails("the tool changed at the approach height", kTools,
            {kToolsFirst, TOOLS_RESUME_HEAD "T1M06\nS1000M03\n" POSITIONING_XY "G43H1Z50.\nX20.Y10.\nZ8.\nM05\nT2M06\n"
                                           "G43H02Z8.\nS2000M03\nG01Z-2.F100\nX30.F200\nX40.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n"},
            2, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("the return to the reference left out", kTools,
            {TOOLS_HEAD POSITIONING "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nM05\nG90\nT2M06\nS2000M03\nX10.Y10.\n"
                                    "G43Z50.H02\nZ2.\nG01Z-2.F200\nX20.\nX30.\nZ-1.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             TOOLS_SECOND},
            1, kRuleCarriedBlock, ""),
  });
}

// The same program split at the second tool's change: the first piece ends after the first tool's
// closing blocks (its return of Z to the reference point) and goes back over the start point up
// there; the second begins with the program's own set-up of the second tool.
#define TOOLS_AT_CHANGE_FIRST TOOLS_HEAD POSITIONING "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nM05\nG91G28Z0.\nG90\n"
#define TOOLS_AT_CHANGE_SECOND TOOLS_RESUME_HEAD POSITIONING_XY "T2 M06\nS2000 M03\nX10.Y10.\nG43Z50.H02\nZ2.\n" \
    "G01Z-2.F200\nX20.\nX30.\nX40.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n"

TEST(SplitCheckRealPrograms, TwoToolsWithTheSeamAtTheToolChange) {
  CheckPairs({
      Passes("as written", kTools, {TOOLS_AT_CHANGE_FIRST "G00X0.Y0.\nM05\nM30\n%\n", TOOLS_AT_CHANGE_SECOND}),
      Fails("the next tool's set-up at the first piece's end", kTools,
            {TOOLS_AT_CHANGE_FIRST "T2M06\nS2000M03\nG00X0.Y0.\nM05\nM30\n%\n",
             TOOLS_RESUME_HEAD POSITIONING_XY "X10.Y10.\nG43Z50.H02\nZ2.\nG01Z-2.F200\nX20.\nX30.\nX40.\nG00Z50.\nX0.Y0.\n"
                                              "M05\nM30\n%\n"},
            1, kRuleSameState, "最後の切削の後に 16 行目の工具交換（工具 T2）があります"),
      Fails("the return left out", kTools, {TOOLS_AT_CHANGE_FIRST "%\n", TOOLS_AT_CHANGE_SECOND}, 1, kRulePosition,
            "スタート点"),
  });
}

// The program loads its first tool again (after a G92 opening that loads it): the piece that begins
// at that tool change carries the program's own T1 M06, which is no copy of the opening's.
#define AGAIN_HEAD "%\nO0011\nG92 X0. Y0. Z50.\nG90 G17 G21\n"
constexpr const char* kSameToolAgain = AGAIN_HEAD
    "T1 M06\nS1000 M03\nG43 H01 Z50.\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nG91 G28 Z0.\nG90\n"
    "T1 M06\nS1500 M03\nG00 X10. Y10.\nG43 H01 Z50.\nZ2.\nG01 Z-2. F100\nX30.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
#define AGAIN_FIRST AGAIN_HEAD "T1 M06\nS1000 M03\nG43 H01 Z50.\n" POSITIONING \
    "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nG91G28Z0.\nG90\nG90G00Z50.\nX0.Y0.\nM30\n%\n"
#define AGAIN_SECOND_AFTER "T1 M06\nS1500 M03\nX10.Y10.\nG43Z50.H01\nZ2.\nG01Z-2.F100\nX30.\nG00Z50.\nX0.Y0.\nM30\n%\n"

TEST(SplitCheckRealPrograms, AProgramThatChangesToolsWithoutCuttingItself) {
  // A probe or a tool put back: the program changes tools twice with no cut between, and a piece
  // that does the same is held to no more than the program.
  constexpr const char* kProbe = "%\nO0012\nG90 G17 G21 G54\nT9 M06\nT1 M06\nS1000 M03\nG00 X10. Y0.\n"
                                 "G43 H01 Z50.\nZ2.\nG01 Z-1. F100\nX20.\nG00 Z50.\nM30\n%\n";
  CheckPairs({
      Passes("as the program does", kProbe,
             {"%\nO0012\nG90 G17 G21 G54\nT9 M06\nT1 M06\nS1000 M03\n" POSITIONING_XY
              "X10.Y0.\nG43Z50.H01\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nM30\n%\n"}),
  });
}

TEST(SplitCheckRealPrograms, ASeamAtALaterChangeToTheFirstTool) {
  CheckPairs({
      Passes("as written", kSameToolAgain, {AGAIN_FIRST, AGAIN_HEAD POSITIONING_XY AGAIN_SECOND_AFTER}),
      Fails("the opening's set-up kept as well", kSameToolAgain,
            {AGAIN_FIRST, AGAIN_HEAD "T1 M06\nS1000 M03\nG43 H01 Z50.\n" POSITIONING AGAIN_SECOND_AFTER}, 2,
            kRuleSameState, "で切削しないまま、また工具を交換します"),
      // A G92 opening states the place the tool stands at: a piece must end at the start point, not
      // above it at the top of travel.
      Fails("the first piece ending at the top of travel", kSameToolAgain,
            {AGAIN_HEAD "T1 M06\nS1000 M03\nG43 H01 Z50.\n" POSITIONING
             "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nG91G28Z0.\nG90\nG00X0.Y0.\nM30\n%\n",
             AGAIN_HEAD POSITIONING_XY AGAIN_SECOND_AFTER},
            1, kRulePosition, "スタート点"),
  });
}

// --- Canned cycles: a seam between holes -----------------------------------------------------------

#define DRILL_HEAD "%\nO0003\nG90 G17 G21 G54\nS1500 M03\n"
constexpr const char* kDrill = DRILL_HEAD
    "G00 X10. Y10.\nZ20.\nG99 G81 X10. Y10. Z-5. R2. F100\nX20.\nX30.\nX40.\nG80\nG00 Z50.\nX0. Y0.\nM30\n%\n";
// The hole at X20. passes the limit: the first piece ends after it, the second begins with the
// next hole and its whole cycle block, from the cycle's initial level above it.
constexpr const char* kDrillFirst = DRILL_HEAD POSITIONING
    "X10.Y10.\nZ20.\nG99G81X10.Y10.Z-5.R2.F100\nX20.\nG80\nG00Z50.\nX0.Y0.\nM30\n%\n";
#define DRILL_SECOND_END "X40.\nG80\nG00Z50.\nX0.Y0.\nM30\n%\n"

constexpr const char* kPeck = DRILL_HEAD
    "G00 X10. Y10.\nZ20.\nG98 G83 X10. Y10. Z-12. R2. Q3. F80\nX20.\nX30.\nG80\nG00 Z50.\nX0. Y0.\nM30\n%\n";
constexpr const char* kPeckFirst = DRILL_HEAD POSITIONING
    "X10.Y10.\nZ20.\nG98G83X10.Y10.Z-12.R2.Q3.F80\nX20.\nG80\nG00Z50.\nX0.Y0.\nM30\n%\n";
#define PECK_SECOND_END "G80\nG00Z50.\nX0.Y0.\nM30\n%\n"

TEST(SplitCheckRealPrograms, CannedCyclesWithASeamBetweenHoles) {
  CheckPairs({
      Passes("G81 G99 as written", kDrill,
             {kDrillFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG99G81X30.Y10.Z-5.R2.F100\n" DRILL_SECOND_END}),
      Fails("G81 issued again with another R level", kDrill,
            {kDrillFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG99G81X30.Y10.Z-5.R3.F100\n" DRILL_SECOND_END}, 2,
            kRuleSameCut, "穴あけの条件が違います"),
      Fails("G81 issued again with G98", kDrill,
            {kDrillFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG98G81X30.Y10.Z-5.R2.F100\n" DRILL_SECOND_END}, 2,
            kRuleSameCut, "穴あけの条件が違います"),
      Fails("the hole that passed the limit drilled again", kDrill,
            {kDrillFirst, DRILL_HEAD POSITIONING "X20.Y10.\nZ20.\nG99G81X20.Y10.Z-5.R2.F100\nX30.\n" DRILL_SECOND_END}, 2,
            kRuleSameCut, "終点が違います：G81 X20. Y10. Z-5. R2. G99（元は G81 X30. Y10. Z-5. R2. G99）"),
      Fails("the cycle left in force for the tail", kDrill,
            {DRILL_HEAD POSITIONING "X10.Y10.\nZ20.\nG99G81X10.Y10.Z-5.R2.F100\nX20.\nZ50.\nX0.Y0.\nM30\n%\n",
             DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG99G81X30.Y10.Z-5.R2.F100\n" DRILL_SECOND_END},
            1, kRuleSameCut, "終点が違います：G81 X20. Y10. Z50. R2. G99（元は G81 X30. Y10. Z-5. R2. G99）"),
      Passes("G83 G98 as written", kPeck,
             {kPeckFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG98G83X30.Y10.Z-12.R2.Q3.F80\n" PECK_SECOND_END}),
      Passes("G83 G98 from a higher initial level", kPeck,
             {kPeckFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ30.\nG98G83X30.Y10.Z-12.R2.Q3.F80\n" PECK_SECOND_END}),
      Fails("G83 G98 from a lower initial level", kPeck,
            {kPeckFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ10.\nG98G83X30.Y10.Z-12.R2.Q3.F80\n" PECK_SECOND_END}, 2,
            kRuleSameCut, "始点が違います"),
      Fails("G83 issued again with another peck", kPeck,
            {kPeckFirst, DRILL_HEAD POSITIONING "X30.Y10.\nZ20.\nG98G83X30.Y10.Z-12.R2.Q2.F80\n" PECK_SECOND_END}, 2,
            kRuleSameCut, "穴あけの条件が違います"),
  });
}

// --- Cutter compensation ---------------------------------------------------------------------------

#define COMP_HEAD "%\nO0004\nG90 G17 G21 G54\nS1000 M03\n"
constexpr const char* kContour = COMP_HEAD
    "G00 X-10. Y-10.\nZ2.\nG01 Z-2. F100\nG41 D01 X0. Y0.\nY20.\nX20.\nY0.\nG40 X-10. Y-10.\nX-20.\nX-30.\n"
    "G00 Z50.\nX0. Y0.\nM30\n%\n";
#define CONTOUR_FIRST COMP_HEAD POSITIONING "X-10.Y-10.\nZ2.\nG01Z-2.F100\nG41X0.Y0.D01\nY20.\nX20.\n"

TEST(SplitCheckRealPrograms, CutterCompensation) {
  CheckPairs({
      // The limit is passed inside the compensation; the seam waits for the first cut after G40.
      Passes("the seam after the compensation", kContour,
             {CONTOUR_FIRST "Y0.\nG40X-10.Y-10.\nX-20.\nZ-1.\nG00Z50.\nX0.Y0.\nM30\n%\n",
              COMP_HEAD POSITIONING "X-10.Y-10.\nZ8.\nG01Z-2.F50\nX-20.F100\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"}),
      Fails("a seam inside the compensation", kContour,
            {CONTOUR_FIRST "Z-1.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             COMP_HEAD POSITIONING "X0.Y20.\nZ8.\nG01Z-2.F50\nG41X20.D01F100\nY0.\nG40X-10.Y-10.\nX-20.\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            1, kRuleSafeMove, "追加された移動 G01 X20. Y20. Z-1. が工具径補正 G41 D1 のまま動きます"),
      Fails("a seam in the move that cancels the compensation", kContour,
            {CONTOUR_FIRST "Y0.\nG40X-10.Y-10.\nZ-1.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             COMP_HEAD POSITIONING "X20.Y0.\nZ8.\nG01Z-2.F50\nG40X-10.Y-10.F100\nX-20.\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            2, kRuleSameState, "工具径補正 G41 D1 の途中から再開します"),
      Fails("the approach under compensation", kContour,
            {CONTOUR_FIRST "Y0.\nG40X-10.Y-10.\nX-20.\nZ-1.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             COMP_HEAD POSITIONING "G41X-10.Y-10.D01\nZ8.\nG01Z-2.F50\nG40X-20.F100\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            2, kRuleSafeMove, "が工具径補正 G41 D1 のまま動きます"),
      Fails("the retract under compensation", kContour,
            {CONTOUR_FIRST "Y0.\nG40X-10.Y-10.\nX-20.\nZ-1.\nG41D01\nG00Z50.\nX0.Y0.\nM30\n%\n",
             COMP_HEAD POSITIONING "X-10.Y-10.\nZ8.\nG01Z-2.F50\nX-20.F100\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            1, kRuleSafeMove, "が工具径補正 G41 D1 のまま動きます"),
      Fails("the compensation lost on a carried move", kContour,
            {CONTOUR_FIRST "Y0.\nX-10.Y-10.\nX-20.\nZ-1.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             COMP_HEAD POSITIONING "X-10.Y-10.\nZ8.\nG01Z-2.F50\nX-20.F100\nX-30.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            1, kRuleSameState, "工具径補正が違います"),
  });
}

// --- Arcs in G18 and G19 ---------------------------------------------------------------------------

#define ARC_HEAD "%\nO0005\nG90 G21 G54\nS1000 M03\n"
constexpr const char* kSideArcs = ARC_HEAD
    "G00 X10. Y0.\nZ2.\nG01 Z0. F100\nG18\nG02 X20. Z0. I5. K0.\nG03 X30. Z0. R5.\nG02 X40. Z-2. I5. K-1.\n"
    "G19 G03 Y10. Z-2. R5.\nG17\nG01 X50.\nG00 Z50.\nX0. Y0.\nM30\n%\n";
constexpr const char* kSideArcsFirst = ARC_HEAD POSITIONING
    "X10.Y0.\nZ2.\nG01Z0.F100\nG18\nG02X20.I5.K0.\nG03X30.R5.\nG00Z50.\nX0.Y0.\nM30\n%\n";
#define SIDE_ARCS_SECOND_AFTER "X20.Y0.\nZ10.\nG01Z0.F50\nG03X30.Z0.R5.F100\nG02X40.Z-2.I5.K-1.\nG19G03Y10.R5.\nG17\nG01X50.\nG00Z50.\nX0.Y0.\nM30\n%\n"

TEST(SplitCheckRealPrograms, ArcsInG18AndG19) {
  CheckPairs({
      Passes("the plane restored", kSideArcs, {kSideArcsFirst, ARC_HEAD POSITIONING "G18\n" SIDE_ARCS_SECOND_AFTER}),
      Fails("the plane not restored", kSideArcs, {kSideArcsFirst, ARC_HEAD POSITIONING SIDE_ARCS_SECOND_AFTER}, 2,
            kRuleSameCut, "円弧の平面が違います"),
      Fails("the carried plane block left out", kSideArcs,
            {kSideArcsFirst, ARC_HEAD POSITIONING "G18\nX20.Y0.\nZ10.\nG01Z0.F50\nG03X30.Z0.R5.F100\nG02X40.Z-2.I5.K-1.\n"
                                                  "G19G03Y10.R5.\nG01X50.\nG00Z50.\nX0.Y0.\nM30\n%\n"},
            2, kRuleCarriedBlock, "元の 13 行目のブロックがありません"),
      Fails("a G18 arc turned the other way", kSideArcs,
            {ARC_HEAD POSITIONING "X10.Y0.\nZ2.\nG01Z0.F100\nG18\nG03X20.I5.K0.\nG03X30.R5.\nG00Z50.\nX0.Y0.\nM30\n%\n",
             ARC_HEAD POSITIONING "G18\n" SIDE_ARCS_SECOND_AFTER},
            1, kRuleSameCut, "移動の種類が違います"),
  });
}

// --- An inch program -------------------------------------------------------------------------------

constexpr double kStartInch[3] = {0, 0, 2};
#define INCH_HEAD "%\nO0006\nG20 G90 G17\nS3000 M03\n"
#define INCH_POSITIONING "G90G0X0.Y0.Z2.\n"
// X10038 counts ten-thousandths of an inch: 1.0038.
constexpr const char* kInch = INCH_HEAD "G00 X0.5 Y0.25\nZ0.1\nG01 Z-0.05 F10.\nX10038\nY0.5\nX0.25\nG00 Z2.\nX0. Y0.\nM30\n%\n";
constexpr const char* kInchSecond = INCH_HEAD INCH_POSITIONING "X1.0038Y0.25\nZ0.3437\nG01Z-0.05F5.\nY0.5F10.\nX0.25\nG00Z2.\nX0.Y0.\nM30\n%\n";

TEST(SplitCheckRealPrograms, InchProgram) {
  CheckPairs({
      Passes("four decimals", kInch,
             {INCH_HEAD INCH_POSITIONING "X0.5Y0.25\nZ0.1\nG01Z-0.05F10.\nX1.0038\nY0.5\nZ-0.0106\nG00Z2.\nX0.Y0.\nM30\n%\n", kInchSecond},
             kStartInch),
      Fails("three decimals", kInch,
            {INCH_HEAD INCH_POSITIONING "X0.5Y0.25\nZ0.1\nG01Z-0.05F10.\nX1.004\nY0.5\nZ-0.0106\nG00Z2.\nX0.Y0.\nM30\n%\n", kInchSecond},
            1, kRuleSameCut, "終点が違います：G01 X1.0040 Y0.2500 Z-0.0500（元は G01 X1.0038 Y0.2500 Z-0.0500）", kStartInch),
      Fails("a lift below the stop point", kInch,
            {INCH_HEAD INCH_POSITIONING "X0.5Y0.25\nZ0.1\nG01Z-0.05F10.\nX1.0038\nY0.5\nZ-0.0502\nG00Z2.\nX0.Y0.\nM30\n%\n", kInchSecond},
            1, kRuleSafeMove, "中断点 X1.0038 Y0.5000 Z-0.0500 の真上にありません", kStartInch),
  });
}

// --- Words riding on moves, word forms ---------------------------------------------------------------

#define RIDING_HEAD "%\nO0007\nG90 G17 G21\nT1 M06\nG43 H01 Z50.\n"
constexpr const char* kRiding = RIDING_HEAD
    "G00 X10. Y0. S2000 M03\nZ2. M08\nG01 Z-1. F300 S2500\nX20.\nX30.\nG00 Z50. M09\nX0. Y0.\nM05\nM30\n%\n";
constexpr const char* kRidingSecond = RIDING_HEAD POSITIONING
    "S2500M03\nM08\nX20.Y0.\nZ9.\nG01Z-1.F150\nX30.F300\nG00Z50.M09\nX0.Y0.\nM05\nM30\n%\n";

TEST(SplitCheckRealPrograms, WordsRidingOnMovesAndWordForms) {
  constexpr const char* kForms = "%\no0008\ng90 g17 g21\ns1000 m3\ng0 x10. y0.\nz+2.\ng1 z-1. f100\nx20.\nm01 (stop here)\n"
                                 "x+30.\ng0 z50.\nx0 y0\nm30\n%\n";
  CheckPairs({
      Passes("riding words kept", kRiding,
             {RIDING_HEAD POSITIONING "X10.Y0.S2000M03\nZ2.M08\nG01Z-1.F300S2500\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
              kRidingSecond}),
      Fails("a riding speed lost", kRiding,
            {RIDING_HEAD POSITIONING "X10.Y0.S2000M03\nZ2.M08\nG01Z-1.F300\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kRidingSecond},
            1, kRuleSameState, "主軸回転数が違います：S2000.（元は S2500.）"),
      Fails("a riding coolant lost", kRiding,
            {RIDING_HEAD POSITIONING "X10.Y0.S2000M03\nZ2.\nG01Z-1.F300S2500\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kRidingSecond},
            1, kRuleSameState, "クーラントが違います"),
      Passes("lower case and plus signs written in the canonical form", kForms,
             {"%\no0008\ng90 g17 g21\ns1000 m3\n" POSITIONING "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nM01(stop here)\nX30.\nG00Z50.\nX0.Y0.\nM30\n%\n"}),
  });
}

// --- Words riding on a rapid that a piece's own moves replace; a program that ends at the reference --

// The opening ends at the reference point; the program's own rapid down from there carries the
// length offset and the coolant. A piece's positioning line has brought the tool to Z50. already:
// that rapid goes nowhere in the piece, and its words stand alone.
#define RETURN_HEAD "%\nO0010\nG90 G17 G21\nT1 M06\nG91 G28 Z0.\nG90\n"
#define RETURN_FOOTER "M09\nG91 G28 Z0.\nG28 X0. Y0.\nM05\nM30\n%\n"
constexpr const char* kReturns = RETURN_HEAD
    "G00 X10. Y0.\nG43 H01 Z50. M08\nS1000 M03\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z50.\n" RETURN_FOOTER;
constexpr const char* kReturnsSecond = RETURN_HEAD
    "S1000M03\n" POSITIONING_XY "G43H1Z50.\nM08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nG00Z50.\nX0.Y0.\n" RETURN_FOOTER;
#define RETURNS_FIRST_BODY "X10.Y0.\nG43Z50.H01M08\nS1000M03\nZ2.\nG01Z-1.F100\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\n"

TEST(SplitCheckRealPrograms, RidingWordsAloneAndReturnsInTheFooter) {
  CheckPairs({
      Passes("as written", kReturns, {RETURN_HEAD POSITIONING_XY RETURNS_FIRST_BODY RETURN_FOOTER, kReturnsSecond}),
      Fails("the riding words without the coolant", kReturns,
            {RETURN_HEAD POSITIONING_XY "X10.Y0.\nG43Z50.H01\nM08\nS1000M03\nZ2.\nG01Z-1.F100\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\n" RETURN_FOOTER,
             kReturnsSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("a footer without the coolant off", kReturns,
            {RETURN_HEAD POSITIONING_XY RETURNS_FIRST_BODY "G91 G28 Z0.\nG28 X0. Y0.\nM05\nM30\n%\n", kReturnsSecond}, 1,
            kRuleCarriedBlock, "元のＮＣファイルの終わりのブロック（15 行目から）と違います"),
  });
}

TEST(SplitCheckRealPrograms, TheLastPieceEndsAsTheProgramEnds) {
  constexpr const char* kAtReference = CARRIED_HEAD "G00 X10. Y0.\nZ2.\nG01 Z-1. F100\nX20.\nX30.\nG00 Z50.\nX0. Y0.\n"
                                                    "G91 G28 Z0.\nG28 X0. Y0.\nM30\n%\n";
  constexpr const char* kFirst = CARRIED_HEAD POSITIONING "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM30\n%\n";
  CheckPairs({
      Passes("the program's own returns last", kAtReference,
             {kFirst, CARRIED_HEAD POSITIONING "X20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nG00Z50.\nX0.Y0.\nG91G28Z0.\nG28X0.Y0.\nM30\n%\n"}),
      Fails("a move of its own after them", kAtReference,
            {kFirst, CARRIED_HEAD POSITIONING "X20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nG00Z50.\nX0.Y0.\nG91G28Z0.\nG28X0.Y0.\n"
                                              "G90G00X10.\nM30\n%\n"},
            2, kRulePosition, "最後の位置 X10. Y? Z? がスタート点 X0. Y0. Z50. と違います"),
  });
}

// --- Subprograms in the program's file, expanded in the pieces ------------------------------------

// O1000 cuts 10 mm further in X each run; the program runs it twice. The check runs the program
// through its calls; the pieces hold the expanded blocks, each known by its line in O1000.
constexpr const char* kCalls = CARRIED_HEAD
    "G00 X10. Y0.\nM08\nZ2.\nG01 Z-1. F100\nM98 P1000 L2\nG00 Z50.\nM09\nX0. Y0.\nM05\nM30\n"
    "O1000\nG91 G01 X10.\nM01\nG90\nM99\n%\n";
// The seam falls in the second run's cut: the second piece cuts it again.
constexpr const char* kCallsFirst = CARRIED_HEAD POSITIONING
    "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nG90\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n";
constexpr const char* kCallsSecond = CARRIED_HEAD POSITIONING
    "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nM01\nG90\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n";

TEST(SplitCheckRealPrograms, PiecesHoldTheSubprogramsBlocksAsTheProgramRunsThem) {
  CheckPairs({
      Passes("expanded in place, run after run", kCalls, {kCallsFirst, kCallsSecond}),
      Passes("as one piece", kCalls,
             {CARRIED_HEAD POSITIONING
              "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nG90\nX30.\nM01\nG90\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n"}),
      Fails("an expanded block left out", kCalls,
            {kCallsFirst, CARRIED_HEAD POSITIONING "M08\nX20.Y0.\nZ9.\nG01Z-1.F50\nX30.F100\nG90\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n"},
            2, kRuleCarriedBlock, "元の 19 行目のブロックがありません"),
      Fails("an expanded block twice", kCalls,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nM01\nG90\nX30.\nZ0.\nG00Z50.\nX0.Y0.\nM05\nM30\n%\n",
             kCallsSecond},
            1, kRuleCarriedBlock, "元のＮＣファイルにないブロックがあります"),
      Fails("one run of the subprogram left out", kCalls,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nX20.\nM01\nG90\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n%\n"},
            1, kRuleSameCut, ""),
      Fails("the call kept in the piece", kCalls,
            {CARRIED_HEAD POSITIONING "X10.Y0.\nM08\nZ2.\nG01Z-1.F100\nM98 P1000 L2\nG00Z50.\nM09\nX0.Y0.\nM05\nM30\n"
                                      "O1000\nG91 G01 X10.\nM01\nG90\nM99\n%\n"},
            1, kRuleUnreadableBlock, "M98 は検証できません"),
  });
}

// --- What the splitter refuses before writing: the check cannot run it either ----------------------

TEST(SplitCheckRealPrograms, ProgramsTheCheckCannotRun) {
  struct Case {
    const char* block;
    const char* detail;
  } cases[] = {
      {"M98 P100", "M98 が呼び出す O0100 がファイルの中にありません"}, {"M99", "M99 は検証できません"},
      {"#1=10.", "読めない文字「#」"},             {"G01 X[1+2]", "読めない文字「[」"},
      {"G65 P9000 A1.", "G65 は検証できません"},   {"G66 P9000", "G66 は検証できません"},
      {"G68 X0. Y0. R45.", "G68 は検証できません"}, {"G51 X0. Y0. P2", "G51 は検証できません"},
      {"G16", "G16 は検証できません"},             {"G91 G10 L2 P1 X0.", "G10 は検証できません"},
      {"G91 G52 X10.", "G52 は検証できません"},        {"G47 X0. Y0. Z-1. R2.", "G47 は検証できません"},
      {"GOOZ.5", "アドレス G の後に数値がありません"}, {"Ｇ91", "読めない文字「Ｇ」"},
      {"（コメント）", "読めない文字「（」"},
  };
  std::vector<CheckPair> pairs;
  std::vector<std::string> programs;
  programs.reserve(sizeof cases / sizeof cases[0]);
  for (const Case& c : cases) {
    programs.push_back(std::string("%\nO0009\nG90 G21\nG00 X10. Y0.\nZ2.\nG01 Z-1. F100\n") + c.block + "\nX20.\nG00 Z50.\nX0. Y0.\nM30\n%\n");
    pairs.push_back(Fails(c.block, programs.back().c_str(), {"%\nO0009\nG90 G21\n" POSITIONING "X10.Y0.\nZ2.\nG01Z-1.F100\nX20.\nG00Z50.\nX0.Y0.\nM30\n%\n"}, 0,
                          kRuleUnreadableBlock, c.detail));
  }
  CheckPairs(pairs);
}

}  // namespace
