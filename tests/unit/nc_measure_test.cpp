// Motion measurement: straight moves, arcs in the three planes, zero and absurd feeds, the
// incremental move, and the portable arctangent.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "nc/arctangent.h"
#include "nc/measure.h"

namespace {

ModalState Motion(int motion, int plane = 17) {
  return ModalState{90, motion, -1, -1, -1, -1, -1, plane, -1, -1};
}

struct Totals {
  DistanceTotals distance{};
  TimeTotals time{};
  Extents minimum{1e9, 1e9, 1e9, 1e9};
  Extents maximum{-1e9, -1e9, -1e9, -1e9};
  MoveCounters counters{};

  void Measure(const ModalState& modal, const Position& to, const Position& from, double feed) {
    FeedState f{feed, 0, 0};
    MeasureMove(modal, to, from, f, kArcByPositions, MoveSums{&distance, &time, &minimum, &maximum, &counters});
  }
};

TEST(MeasureMove, StraightMovesAndArcs) {
  struct Case {
    const char* name;
    ModalState modal;
    Position from, to;
    double rapid, cutting;  // the cutting time is cutting / 100 in every case
  } cases[] = {
      {"rapid", Motion(0), {0, 0, 0}, {3, 4, 0}, 5, 0},
      {"feed", Motion(1), {0, 0, 0}, {3, 4, 12}, 0, 13},
      {"G03 quarter", Motion(3), {10, 0, 0}, {0, 10, 0, -10, 0}, 0, 15.707963267},
      {"G02 three quarters", Motion(2), {10, 0, 0}, {0, 10, 0, -10, 0}, 0, 47.1238898},
      {"full circle: the end is the start", Motion(2), {10, 0, 0}, {10, 0, 0, -10, 0}, 0, 62.83185307},
      // An end a hair beside the start is no circle: a tiny arc its own way, all but it the other.
      {"tiny G03", Motion(3), {10, 0, 0}, {9.9999999875, 0.0005, 0, -10, 0}, 0, 0.0005},
      {"almost a circle, G02", Motion(2), {10, 0, 0}, {9.9999999875, 0.0005, 0, -10, 0}, 0,
       62.83185307 - 0.0005},
      // An arc given by its radius: the shorter arc for R > 0, the longer for R < 0.
      {"G03 R10", Motion(3), {10, 0, 0}, {0, 10, 0, 0, 0, 10}, 0, 15.707963267},
      {"G03 R-10", Motion(3), {10, 0, 0}, {0, 10, 0, 0, 0, -10}, 0, 47.1238898},
      {"G02 R10", Motion(2), {10, 0, 0}, {0, 10, 0, 0, 0, 10}, 0, 15.707963267},
      {"R too small: the control alarms, nothing measured", Motion(2), {10, 0, 0}, {0, 10, 0, 0, 0, 5},
       0, 0},
      // G18 measures (X, -Z) with (I, -K), G19 (-Z, Y) with (-K, J).
      {"G18", Motion(3, 18), {10, 0, 0}, {0, 0, 10, -10, 0, 0, 0, 0}, 0, 47.1238898},
      {"G19", Motion(3, 19), {0, 0, -10}, {0, 10, 0, 0, 0, 0, 0, 10}, 0, 15.707963267},
  };
  for (const Case& c : cases) {
    Totals t;
    t.Measure(c.modal, c.to, c.from, 100);
    EXPECT_EQ(t.distance[kRapid], c.rapid) << c.name;
    EXPECT_NEAR(t.distance[kCutting], c.cutting, 1e-7) << c.name;
    EXPECT_EQ(t.time[kCutting], t.distance[kCutting] / 100) << c.name;
    EXPECT_EQ(t.time[kRapid], 0) << c.name;
  }
}

TEST(ArcCentreFromRadius, SidesOfTheChord) {
  struct Case {
    int motion;
    double radius;
    double i, j;  // the centre's offset from the start (0, 0); the end is (2, 0)
  } cases[] = {
      {2, 2, 1, -1.7320508075688772},   // clockwise, short: centre below the chord
      {3, 2, 1, 1.7320508075688772},    // counter-clockwise, short: above
      {2, -2, 1, 1.7320508075688772},   // clockwise, long: above
      {3, -2, 1, -1.7320508075688772},  // counter-clockwise, long: below
      {2, 0.9996, 1, 0},                // a chord a hair longer than the diameter: a half circle
  };
  for (const Case& c : cases) {
    PlanePoint offset{9, 9};
    ASSERT_TRUE(ArcCentreFromRadius({0, 0}, {2, 0}, c.radius, c.motion, &offset)) << c.radius;
    EXPECT_NEAR(offset.first, c.i, 1e-12);
    EXPECT_NEAR(offset.second, c.j, 1e-12);
  }
  PlanePoint offset{9, 9};
  EXPECT_FALSE(ArcCentreFromRadius({0, 0}, {2, 0}, 0.99, 2, &offset));
  EXPECT_FALSE(ArcCentreFromRadius({0, 0}, {0, 0}, 5, 2, &offset));
}

// Half circles whose end points and R were rounded to the last decimal one by one: up to 2.5
// least increments longer than 2|R| on the control's grid they run (the most such rounding makes
// is 2.41), from 3 on they are a fault. The grid is the program's: 0.001 mm, 0.0001 inch.
TEST(RadiusReachesEnd, HalfCirclesRoundedToTheLastDecimal) {
  struct Case {
    const char* name;
    int units;
    PlanePoint start, end;
    double radius;
    bool reaches;
  } cases[] = {
      {"exactly the diameter", kMillimetres, {10, 0}, {10.424, 0}, 0.212, true},
      {"1 increment over (10.425 - 10 is a hair above 0.425 in binary)", kMillimetres, {10, 0}, {10.425, 0}, 0.212, true},
      {"2 increments over", kMillimetres, {10, 0}, {10.426, 0}, 0.212, true},
      {"3 increments over", kMillimetres, {10, 0}, {10.427, 0}, 0.212, false},
      {"2 over, the longer arc's R", kMillimetres, {10, 0}, {10.426, 0}, -0.212, true},
      {"3 over, the longer arc's R", kMillimetres, {10, 0}, {10.427, 0}, -0.212, false},
      {"diagonal, 1.68 over", kMillimetres, {0, 0}, {0.301, 0.301}, 0.212, true},
      {"diagonal, 3.09 over", kMillimetres, {0, 0}, {0.302, 0.302}, 0.212, false},
      {"diagonal, 2.26 over", kMillimetres, {0, 0}, {0.3, 0.3}, 0.211, true},
      // Finer numbers count as the pieces write them, on the grid: 10.4258 is 10.426, 10.4268 is
      // 10.427.
      {"a fourth decimal rounding to 2 over", kMillimetres, {10, 0}, {10.4258, 0}, 0.212, true},
      {"a fourth decimal rounding to 3 over", kMillimetres, {10, 0}, {10.4268, 0}, 0.212, false},
      {"a start reached by binary sums", kMillimetres, {0.1 + 0.2, 0}, {0.726, 0}, 0.212, true},
      {"a large arc, 2 over", kMillimetres, {-250, 0}, {250.002, 0}, 250, true},
      {"a large arc, 3 over", kMillimetres, {-250, 0}, {250.003, 0}, 250, false},
      {"inch, 2 over", kInches, {1, 0}, {1.4242, 0}, 0.212, true},
      {"inch, 3 over", kInches, {1, 0}, {1.4243, 0}, 0.212, false},
      {"inch, 0.0008 over: eight of its increments", kInches, {1, 0}, {1.4248, 0}, 0.212, false},
      {"the same 0.0008 in a metric program: less than one", kMillimetres, {1, 0}, {1.4248, 0}, 0.212, true},
      {"far too short", kMillimetres, {0, 0}, {2, 0}, 0.99, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RadiusReachesEnd(c.start, c.end, c.radius, c.units), c.reaches) << c.name;
    PlanePoint offset{9, 9};
    EXPECT_EQ(ArcCentreFromRadius(c.start, c.end, c.radius, 2, &offset, c.units), c.reaches) << c.name;
    if (!c.reaches) continue;
    // Within the reach but longer than the diameter: the half circle on the chord, its centre in
    // the middle.
    const double d1 = c.end.first - c.start.first;
    const double d2 = c.end.second - c.start.second;
    if (std::sqrt(d1 * d1 + d2 * d2) >= 2.0 * std::fabs(c.radius)) {
      EXPECT_NEAR(offset.first, d1 / 2, 1e-9) << c.name;
      EXPECT_NEAR(offset.second, d2 / 2, 1e-9) << c.name;
    }
  }
}

TEST(MeasureMove, ZeroFeedAddsDistanceNoTimeAndIsCounted) {
  Totals t;
  t.Measure(Motion(1), {3, 4, 0}, {0, 0, 0}, 0);
  t.Measure(Motion(2), {10, 0, 0, -10, 0}, {10, 0, 0}, 0);  // full circle
  t.Measure(Motion(1), {3, 4, 0}, {3, 4, 0}, 0);            // no length: nothing to report
  t.Measure(Motion(-1), {3, 4, 0}, {3, 4, 0}, 0);           // a block before any motion
  EXPECT_EQ(t.distance[kCutting], 5 + 20 * kArcPi);
  EXPECT_EQ(t.time[kCutting], 0);
  EXPECT_EQ(t.counters.zeroFeedMoves, 2);
  EXPECT_EQ(t.maximum, (Extents{10, 4, 0, -1e9}));  // a feed of 0 leaves the F slot alone
}

TEST(MeasureMove, NoInfinityOrNanReachesATotal) {
  const double huge = std::numeric_limits<double>::max();
  Totals t;
  t.Measure(Motion(1), {huge, huge, 0}, {-huge, 0, 0}, 100);  // length overflows
  t.Measure(Motion(1), {1e150, 0, 0}, {0, 0, 0}, 1e-200);     // time overflows
  t.Measure(Motion(3), {huge, 0, 0, huge, huge}, {-huge, 0, 0}, 100);
  t.Measure(Motion(1), {3, 4, 0}, {0, 0, 0}, 1e-320);         // subnormal feed
  EXPECT_EQ(t.distance[kCutting], 1e150 + 5);
  EXPECT_EQ(t.time[kCutting], 0);
  EXPECT_EQ(t.counters.unmeasurableMoves, 4);
}

TEST(ArcAngles, Table) {
  const double a = PortableAtan(1.0) * kDegreesPerRadian;  // a hair over 45 with this pi
  struct Case {
    int motion;
    PlanePoint start, end;
    ArcAngleSet angles;
  } cases[] = {
      {3, {10, 0}, {0, 10}, {1e-10, 90, 90 - 1e-10}},
      {2, {10, 0}, {0, 10}, {1e-10, 90, 360 - (90 - 1e-10)}},
      {3, {0, 10}, {10, 0}, {90, 0, 270}},  // ends on the positive axis: exactly 0
      {3, {-10, 0}, {0, -10}, {180, 270, 90}},
      {2, {5, 5}, {5.0009, 5}, {0, 0, 360}},  // back at the start: full circle
      {3, {1, 1}, {-1, -1}, {90 - a, 270 - a, (270 - a) - (90 - a)}},
  };
  for (const Case& c : cases) {
    ArcAngleSet out{-1, -1, -1};
    ArcAngles(c.start, c.end, PlanePoint{0, 0}, &out, Motion(c.motion));
    EXPECT_EQ(out.start, c.angles.start);
    EXPECT_EQ(out.end, c.angles.end);
    EXPECT_EQ(out.swept, c.angles.swept);
  }
}

TEST(RelativeMove, AsymmetricZeroWindow) {
  struct Case {
    double target, current, out;
  } cases[] = {{0, 0.0003, 0}, {0, 0.0004, -0.0004}, {0.0005, 0, 0.0005}, {10, 2.5, 7.5}};
  for (const Case& c : cases) {
    Position out;
    RelativeMove({1, 1, c.target, 0.0002, 2, 3, 4, -0.0005}, {1, 1, c.current, 9, 9, 9, 9, 9},
                 &out);
    EXPECT_EQ(out, (Position{0, 0, c.out, 0, 2, 3, 4, -0.0005})) << c.target << " " << c.current;
  }
}

TEST(PortableAtan, WithinOneUlpOfTheLibrary) {
  auto ulps = [](double a, double b) {
    auto ia = std::bit_cast<int64_t>(a), ib = std::bit_cast<int64_t>(b);
    return ia > ib ? ia - ib : ib - ia;
  };
  int64_t worst = 0;
  for (double x = 1e-12; x < 1e25; x *= 1.0007) {  // every reduction interval, both signs
    worst = std::max({worst, ulps(PortableAtan(x), std::atan(x)), ulps(PortableAtan(-x), std::atan(-x))});
  }
  for (int i = -200000; i <= 200000; ++i) {  // the ratios that arcs produce
    worst = std::max(worst, ulps(PortableAtan(i / 10000.0), std::atan(i / 10000.0)));
  }
  EXPECT_LE(worst, 1);
  EXPECT_EQ(PortableAtan(std::numeric_limits<double>::infinity()), 1.5707963267948966);
  EXPECT_TRUE(std::isnan(PortableAtan(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
