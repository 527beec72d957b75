// Taking the start point from a program, and the main window's start point with the program's
// totals.
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "split/program_totals.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

struct Totals {
  int result = -99;
  double start[3] = {-1, -1, -1};
  DistanceTotals distance{0, 0};
  TimeTotals time{0, 0};
  MoveCounters counters{0, 0};
};

Totals MeasureStart(const TempDir& dir, const std::string& program, int timeModel = 0) {
  dir.Write("PART.NC", program);
  Totals t;
  StartAndTotals measured{{-1, -1, -1}, {0, 0}, {0, 0}, {0, 0}};
  t.result = MeasureStartAndTotals(nullptr, dir.Path("PART.NC").c_str(), timeModel, &measured);
  for (int axis = 0; axis < 3; ++axis) t.start[axis] = measured.start[axis];
  t.distance = measured.distance;
  t.time = measured.time;
  t.counters = measured.counters;
  return t;
}

TEST(StartPoint, OneRuleForEveryFrontEnd) {
  struct Case {
    const char* name;
    const char* program;
    double start[3];  // the G92 point, else where the program ends
  };
  const Case cases[] = {
      {"G92 and a return to it", "G92 X0 Y0 Z100.\nG90 G01 X5. F100\nG00 X0 Y0 Z100.\n", {0, 0, 100}},
      {"G92 without Z: the end of the program", "G92 X0 Y0\nG90 G00 X1. Y2. Z3.\n", {1, 2, 3}},
      {"G92 point and a different end", "G92 X10. Y10. Z50.\nG90 G00 X0 Y0 Z0\n", {10, 10, 50}},
      {"no moves at all", "%\nO1\nM30\n", {0, 0, 0}},
      {"no G90: absolute from power-on", "G00 X12.5 Y-3.\n", {12.5, -3, 0}},
      {"G91 on a reference-return line takes effect", "G90 G00 Z10.\nG91 G28 Z0.\nG90 G00 Z5.\nG91 Z10.\n",
       {0, 0, 15}},
      {"G92 under G91 sets, it does not add", "G91 G28 Z0.\nG92 X1. Y1. Z1.\nG00 X1.\n", {1, 1, 1}},
      {"thousandths", "G90 G00 X1000 Y-500\n", {1, -0.5, 0}},
      {"dwell and drilling lines move nothing", "G90 G00 X1.\nG04 X9.\nG81 X5. Z-5. R1.\n",
       {1, 0, 0}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write("PART.NC", c.program);
    double start[3] = {-1, -1, -1};
    EXPECT_EQ(ProgramStartPoint(dir.Path("PART.NC").c_str(), start), kStartPointDone) << c.name;
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(start[axis], c.start[axis]) << c.name;
    Totals m = MeasureStart(dir, c.program);
    EXPECT_EQ(m.result, kStartPointDone) << c.name;
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(m.start[axis], c.start[axis]) << c.name;
  }
}

TEST(MeasureStartAndTotals, TotalsOfTheReplay) {
  TempDir dir;
  Totals t = MeasureStart(dir,
                          "G92 X0 Y0 Z100.\nG90 G00 Z50.\nG01 X60. F500\nX100.\nG00 X0\nZ100.\n"
                          "G98 G00 X500.\n");
  ASSERT_EQ(t.result, kStartPointDone);
  EXPECT_DOUBLE_EQ(t.time[kCutting], 0.2);
  EXPECT_DOUBLE_EQ(t.distance[kCutting], 0.1);
  EXPECT_DOUBLE_EQ(t.distance[kRapid], 700.0);  // the G98 line moves like any other
  EXPECT_EQ(t.time[kRapid], 0.0);
}

TEST(MeasureStartAndTotals, TheTimeIsTheMachineTimeUnderTimeModelOne) {
  TempDir dir;
  const char* program = "G92 X0 Y0 Z100.\nG90 G00 Z50.\nG01 X60. F500\nX100.\nG00 X0\nZ100.\n";
  Totals machine = MeasureStart(dir, program, 1);
  ASSERT_EQ(machine.result, kStartPointDone);
  // 0.2 minutes at F500, and the machine's rapids and accelerations on top (the [MACHINE]
  // defaults: the rapids alone take more than half a second, all of it less than two).
  EXPECT_GT(machine.time[kCutting], 0.2 + 0.5 / 60);
  EXPECT_LT(machine.time[kCutting], 0.2 + 2.0 / 60);
  EXPECT_DOUBLE_EQ(machine.distance[kCutting], 0.1);
}

TEST(MeasureStartAndTotals, FullCircleAndMissingFeed) {
  TempDir dir;
  Totals t = MeasureStart(dir, "G92 X0 Y0 Z0\nG90 G01 X10.\nG02 X10. I-10. F100\nM05\n");
  ASSERT_EQ(t.result, kStartPointDone);
  EXPECT_EQ(t.counters.zeroFeedMoves, 1);
  EXPECT_NEAR(t.distance[kCutting], (10.0 + 2 * 10 * 3.1415926535) / 1000.0, 1e-12);
  EXPECT_NEAR(t.time[kCutting], 2 * 10 * 3.1415926535 / 100.0, 1e-12);
}

TEST(StartPoint, Failures) {
  TempDir dir;
  FakePlatform fake;
  std::string missing = dir.Path("NONE.NC");
  double start[3] = {7, 7, 7};
  EXPECT_EQ(ProgramStartPoint(missing.c_str(), start), kStartPointFailed);
  EXPECT_TRUE(fake.boxes.empty());  // the front end reports it
  EXPECT_EQ(start[0], 7.0);

  StartAndTotals measured{{7, 7, 7}, {3, 3}, {3, 3}, {3, 3}};
  EXPECT_EQ(MeasureStartAndTotals(nullptr, missing.c_str(), 0, &measured), kStartPointFailed);
  ASSERT_EQ(fake.logLines().size(), 1u);
  EXPECT_EQ(fake.logLines()[0], "エラー：スタート座標の取り出しに失敗しました。");
  EXPECT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(measured.start[0], 7.0);  // untouched
  EXPECT_EQ(measured.distance[kCutting], 3.0);
  EXPECT_EQ(measured.time[kCutting], 3.0);

  dir.Write("LONG.NC", "G00 X1.\n" + std::string(4096, 'Z') + "\n");
  EXPECT_EQ(ProgramStartPoint(dir.Path("LONG.NC").c_str(), start), kStartPointFailed);
}

}  // namespace
