// Motion measurement: straight moves, arcs in the three planes, zero and absurd feeds, the
// incremental move, and the portable arctangent.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "nc/arctangent.h"
#include "nc/measure.h"

namespace {

constexpr double kPi = 3.1415926535;

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
    MeasureMove(modal, to, from, f, &distance, &time, &minimum, &maximum, &counters);
  }
};

TEST(MeasureMove, StraightMovesAndArcs) {
  struct Case {
    const char* name;
    ModalState modal;
    Position from, to;
    double feed;
    double rapid, cutting, time;
  } cases[] = {
      {"rapid", Motion(0), {0, 0, 0}, {3, 4, 0}, 100, 5, 0, 0},
      {"feed", Motion(1), {0, 0, 0}, {3, 4, 12}, 130, 0, 13, 0.1},
      {"G03 quarter", Motion(3), {10, 0, 0}, {0, 10, 0, -10, 0}, 100, 0,
       20 * kPi / (360 / (90 - 1e-10)), 20 * kPi / (360 / (90 - 1e-10)) / 100},
      {"G02 three quarters", Motion(2), {10, 0, 0}, {0, 10, 0, -10, 0}, 100, 0,
       20 * kPi / (360 / (360 - (90 - 1e-10))), 20 * kPi / (360 / (360 - (90 - 1e-10))) / 100},
      {"full circle", Motion(2), {10, 0, 0}, {10.0005, 0, 0, -10, 0}, 200, 0, 20 * kPi,
       20 * kPi / 200},
      {"R only", Motion(3), {10, 0, 0}, {0, 10, 0, 0, 0, 10}, 100, 0, 0, 0},
      {"no motion yet is an arc", Motion(-1), {0, 0, 0}, {5, 0, 0}, 100, 0, 0, 0},
      // G18: (X, -Z) with (I, -K): from (10, 0) around the origin to (0, -10) in that plane.
      {"G18", Motion(3, 18), {10, 0, 0}, {0, 0, 10, -10, 0, 0, 0, 0}, 100, 0,
       20 * kPi / (360 / (270 - 1e-10)), 20 * kPi / (360 / (270 - 1e-10)) / 100},
      // G19: (-Z, Y) with (-K, J): from (10, 0) around the origin to (0, 10) in that plane.
      {"G19", Motion(3, 19), {0, 0, -10}, {0, 10, 0, 0, 0, 0, 0, 10}, 100, 0,
       20 * kPi / (360 / (90 - 1e-10)), 20 * kPi / (360 / (90 - 1e-10)) / 100},
  };
  for (const Case& c : cases) {
    Totals t;
    t.Measure(c.modal, c.to, c.from, c.feed);
    EXPECT_EQ(t.distance[kRapid], c.rapid) << c.name;
    EXPECT_EQ(t.distance[kCutting], c.cutting) << c.name;
    EXPECT_EQ(t.time[kCutting], c.time) << c.name;
    EXPECT_EQ(t.time[kRapid], 0) << c.name;
    EXPECT_EQ(t.counters.zeroFeedMoves, 0) << c.name;
  }
}

TEST(MeasureMove, QuarterArcLengths) {
  Totals t;
  t.Measure(Motion(3), {0, 10, 0, -10, 0}, {10, 0, 0}, 100);
  EXPECT_NEAR(t.distance[kCutting], 15.707963267, 1e-9);
  Totals cw;
  cw.Measure(Motion(2), {0, 10, 0, -10, 0}, {10, 0, 0}, 100);
  EXPECT_NEAR(cw.distance[kCutting], 47.1238898, 1e-7);
}

TEST(MeasureMove, ExtentsAndFeedSlot) {
  Totals t;
  t.Measure(Motion(1), {3, -4, 5}, {0, 0, 0}, 0);
  EXPECT_EQ(t.maximum, (Extents{3, -4, 5, -1e9}));  // a feed of 0 leaves the F slot alone
  EXPECT_EQ(t.minimum, (Extents{3, -4, 5, 1e9}));
  t.Measure(Motion(1), {-1, 2, 5}, {3, -4, 5}, 250);
  EXPECT_EQ(t.maximum, (Extents{3, 2, 5, 250}));
  EXPECT_EQ(t.minimum, (Extents{-1, -4, 5, 250}));
}

TEST(MeasureMove, ZeroFeedAddsDistanceNoTimeAndIsCounted) {
  Totals t;
  t.Measure(Motion(1), {3, 4, 0}, {0, 0, 0}, 0);
  t.Measure(Motion(2), {10, 0, 0, -10, 0}, {10, 0, 0}, 0);  // full circle
  t.Measure(Motion(1), {3, 4, 0}, {3, 4, 0}, 0);            // no length: nothing to warn about
  t.Measure(Motion(-1), {3, 4, 0}, {3, 4, 0}, 0);           // a block without motion yet
  t.Measure(Motion(0), {0, 0, 0}, {3, 4, 0}, 0);            // rapids need no feed
  EXPECT_EQ(t.distance[kCutting], 5 + 20 * kPi);
  EXPECT_EQ(t.distance[kRapid], 5);
  EXPECT_EQ(t.time[kCutting], 0);
  EXPECT_EQ(t.counters.zeroFeedMoves, 2);
  EXPECT_EQ(t.counters.unmeasurableMoves, 0);
  // Without a counter record the move is measured all the same.
  FeedState zero{0, 0, 0};
  MeasureMove(Motion(1), {3, 4, 0}, {0, 0, 0}, zero, &t.distance, &t.time, &t.minimum,
              &t.maximum);
  EXPECT_EQ(t.time[kCutting], 0);
}

TEST(MeasureMove, NoInfinityOrNanReachesATotal) {
  const double huge = std::numeric_limits<double>::max();
  Totals t;
  t.Measure(Motion(1), {huge, huge, 0}, {-huge, 0, 0}, 100);  // length overflows
  t.Measure(Motion(1), {1e150, 0, 0}, {0, 0, 0}, 1e-200);     // time overflows
  t.Measure(Motion(3), {huge, 0, 0, huge, huge}, {-huge, 0, 0}, 100);
  t.Measure(Motion(1), {3, 4, 0}, {0, 0, 0}, 1e-320);         // subnormal feed
  EXPECT_TRUE(std::isfinite(t.distance[kCutting]));
  EXPECT_TRUE(std::isfinite(t.time[kCutting]));
  EXPECT_EQ(t.time[kCutting], 0);
  EXPECT_EQ(t.distance[kCutting], 1e150 + 5);
  EXPECT_EQ(t.counters.unmeasurableMoves, 4);
}

TEST(ArcAngles, Table) {
  struct Case {
    int motion;
    PlanePoint start, end, centre;
    ArcAngleSet angles;
  } cases[] = {
      {3, {10, 0}, {0, 10}, {0, 0}, {1e-10, 90, 90 - 1e-10}},
      {2, {10, 0}, {0, 10}, {0, 0}, {1e-10, 90, 360 - (90 - 1e-10)}},
      {3, {0, 10}, {10, 0}, {0, 0}, {90, 0, 270}},  // ends on the positive axis: exactly 0
      {3, {-10, 0}, {0, -10}, {0, 0}, {180, 270, 90}},
      {3, {5, 5}, {5, 5.0009}, {0, 0}, {0, 0, 360}},  // back at the start: full circle
      {2, {5, 5}, {5.0009, 5}, {0, 0}, {0, 0, 360}},
      {3, {0.0009, -3}, {-3, 0.0009}, {0, 0}, {270, 180, 270}},
  };
  for (const Case& c : cases) {
    ArcAngleSet out{-1, -1, -1};
    ArcAngles(c.start, c.end, c.centre, &out, Motion(c.motion));
    EXPECT_EQ(out.start, c.angles.start);
    EXPECT_EQ(out.end, c.angles.end);
    EXPECT_EQ(out.swept, c.angles.swept);
  }
  // Off the axes the arctangent decides, in degrees of the ten-decimal pi: a hair under 45.
  ArcAngleSet out;
  ArcAngles({1, 1}, {-1, -1}, {0, 0}, &out, Motion(3));
  const double a = PortableAtan(1.0) * kDegreesPerRadian;
  EXPECT_EQ(out.start, 90 - a);
  EXPECT_EQ(out.end, 270 - a);
  EXPECT_EQ(out.swept, (270 - a) - (90 - a));
  EXPECT_NEAR(out.start, 45, 2e-9);
}

TEST(RelativeMove, AsymmetricZeroWindow) {
  struct Case {
    double target, current, out;
  } cases[] = {
      {0, 0.0003, 0}, {0, 0.0004, -0.0004}, {0.0005, 0, 0.0005}, {10, 2.5, 7.5}, {0.0004, 0, 0},
  };
  for (const Case& c : cases) {
    Position out;
    out.fill(99);
    RelativeMove({1, 1, c.target, 0.0002, 2, 3, 4, -0.0005},
                 {1, 1, c.current, 9, 9, 9, 9, 9}, &out);
    EXPECT_EQ(out, (Position{0, 0, c.out, 0, 2, 3, 4, -0.0005})) << c.target << " " << c.current;
  }
}

// Distance in units in the last place between two doubles of the same sign.
int64_t UlpDistance(double a, double b) {
  auto ia = std::bit_cast<int64_t>(a);
  auto ib = std::bit_cast<int64_t>(b);
  return ia > ib ? ia - ib : ib - ia;
}

TEST(PortableAtan, WithinOneUlpOfTheLibrary) {
  // A geometric sweep over every reduction interval, both signs, and a dense linear sweep over
  // the ratios that arcs produce.
  int64_t worst = 0;
  for (double x = 1e-12; x < 1e25; x *= 1.0007) {
    for (double v : {x, -x}) {
      worst = std::max(worst, UlpDistance(PortableAtan(v), std::atan(v)));
    }
  }
  for (int i = -200000; i <= 200000; ++i) {
    double v = i / 10000.0;
    worst = std::max(worst, UlpDistance(PortableAtan(v), std::atan(v)));
  }
  EXPECT_LE(worst, 1);
  EXPECT_EQ(PortableAtan(0.0), 0.0);
  EXPECT_EQ(PortableAtan(1.0), 0.7853981633974483);
  EXPECT_EQ(PortableAtan(std::numeric_limits<double>::infinity()), 1.5707963267948966);
  EXPECT_EQ(PortableAtan(-1e300), -1.5707963267948966);
  EXPECT_TRUE(std::isnan(PortableAtan(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
