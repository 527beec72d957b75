#include "nc/machine_time.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

// Equal axes: rapids 30 m/min, feeds up to 12 m/min, 1000 mm/s^2, no block time.
MachineLimits EvenMachine(double corner = 0.01) {
  return MachineLimits{{30000, 30000, 30000}, {12000, 12000, 12000}, {1000, 1000, 1000}, corner,
                       5.0, 0.0, 1.0};
}

// Within `percent` of `expected`.
void ExpectNear(double actual, double expected, double percent = 0.5) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * percent / 100.0) << "expected " << expected;
}

struct StraightCase {
  const char* name;
  MachineLimits limits;
  double to[3];
  bool rapid;
  double feed;        // mm/min
  double speed;       // mm/s the move cruises at
  double accel;       // mm/s^2 along the move
};

// One long move from a stop to a stop: length / v + v / a, the speed and the acceleration
// bounded by each axis along the move's direction.
TEST(MachineTimeTest, OneLongStraightMoveTakesLengthOverSpeedPlusSpeedOverAcceleration) {
  MachineLimits slowX = EvenMachine();
  slowX.feed[0] = 3000;  // 50 mm/s
  slowX.accel[0] = 500;
  MachineLimits slowZ = EvenMachine();
  slowZ.rapid[2] = 12000;  // 200 mm/s
  slowZ.accel[2] = 400;
  MachineLimits halfOverride = EvenMachine();
  halfOverride.override = 0.5;
  const StraightCase cases[] = {
      {"feed along X", EvenMachine(), {500, 0, 0}, false, 6000, 100, 1000},
      // 0.6 of the move is X: X's 50 mm/s allows 83.3 mm/s along it, Y's 200 would allow 250.
      {"diagonal, X's feed and acceleration bound it", slowX, {300, 400, 0}, false,
       20000, 50 / 0.6, 500 / 0.6},
      {"rapid at the rapid rate", EvenMachine(), {0, 1000, 0}, true, 0, 500, 1000},
      {"rapid down Z at Z's rate", slowZ, {0, 0, -600}, true, 0, 200, 400},
      {"feed above the axes' highest feed", EvenMachine(), {2000, 0, 0}, false, 30000, 200, 1000},
      {"override 50 %", halfOverride, {500, 0, 0}, false, 6000, 50, 1000},
      {"no feed in force: the axes' highest feed", EvenMachine(), {2000, 0, 0}, false, 0, 200, 1000},
  };
  for (const StraightCase& c : cases) {
    SCOPED_TRACE(c.name);
    MachineTimePlanner planner(c.limits);
    const double from[3] = {0, 0, 0};
    planner.Line(from, c.to, c.rapid, c.feed);
    const double length = std::sqrt(c.to[0] * c.to[0] + c.to[1] * c.to[1] + c.to[2] * c.to[2]);
    ExpectNear(planner.Total(), length / c.speed + c.speed / c.accel);
  }
}

TEST(MachineTimeTest, AMoveTooShortToReachItsFeedRunsATriangle) {
  MachineTimePlanner planner(EvenMachine());
  const double from[3] = {0, 0, 0};
  const double to[3] = {0, 2, 0};  // 100 mm/s would need 10 mm to reach and leave
  planner.Line(from, to, false, 6000);
  ExpectNear(planner.Total(), 2.0 * std::sqrt(2.0 / 1000.0));
}

// Four sides of `side` mm at 100 mm/s.
double Square(const MachineLimits& limits, double side = 100) {
  MachineTimePlanner planner(limits);
  const double corners[5][3] = {{0, 0, 0}, {side, 0, 0}, {side, side, 0}, {0, side, 0}, {0, 0, 0}};
  for (int i = 0; i < 4; ++i) planner.Line(corners[i], corners[i + 1], false, 6000);
  return planner.Total();
}

TEST(MachineTimeTest, ASquareStopsAtEveryCornerWithoutCornerTolerance) {
  ExpectNear(Square(EvenMachine(0.0)), 4 * (1.0 + 0.1));
  // With a tolerance the corners are taken at speed: faster, but never faster than no corners.
  const double rounded = Square(EvenMachine(0.05));
  EXPECT_LT(rounded, 4 * (1.0 + 0.1) - 0.01);
  EXPECT_GT(rounded, 4.0 + 0.1);
  // A square of 0.5 mm sides has its corners bounded by the sides' curvature, not only by the
  // tolerance: a wide tolerance does not let it through at the feed.
  // (Without corners the 2 mm would be one triangle of 2 * sqrt(2 / 1000) s.)
  EXPECT_GT(Square(EvenMachine(5.0), 0.5), 1.1 * 2 * std::sqrt(2.0 / 1000));
}

TEST(MachineTimeTest, AReversalStops) {
  MachineTimePlanner planner(EvenMachine(10.0));
  const double a[3] = {0, 0, 0};
  const double b[3] = {100, 0, 0};
  planner.Line(a, b, false, 6000);
  planner.Line(b, a, false, 6000);
  ExpectNear(planner.Total(), 2 * (1.0 + 0.1));
}

TEST(MachineTimeTest, MovesOnOneLineRunThroughWithoutSlowingDown) {
  MachineTimePlanner planner(EvenMachine(0.0));
  for (int i = 0; i < 10; ++i) {
    const double from[3] = {10.0 * i, 0, 0};
    const double to[3] = {10.0 * (i + 1), 0, 0};
    planner.Line(from, to, false, 6000);
  }
  ExpectNear(planner.Total(), 1.0 + 0.1);
}

// The same circle of radius 10 cut as one arc and as 360 chords.
struct CircleTimes {
  double arc;
  double chords;
};
CircleTimes Circle(double feed) {
  MachineTimePlanner arc(EvenMachine());
  const double start[3] = {10, 0, 0};
  const double centre[3] = {0, 0, 0};
  arc.Arc(start, start, centre, 17, false, true, feed);
  MachineTimePlanner chords(EvenMachine());
  for (int i = 0; i < 360; ++i) {
    const double a0 = 2 * kPi * i / 360, a1 = 2 * kPi * (i + 1) / 360;
    const double from[3] = {10 * std::cos(a0), 10 * std::sin(a0), 0};
    const double to[3] = {10 * std::cos(a1), 10 * std::sin(a1), 0};
    chords.Line(from, to, false, feed);
  }
  return {arc.Total(), chords.Total()};
}

TEST(MachineTimeTest, ACircleInChordsTakesTheTimeOfTheArc) {
  // 50 mm/s is below the circle's centripetal limit sqrt(1000 * 10) = 100 mm/s: the feed rules.
  const CircleTimes slow = Circle(3000);
  ExpectNear(slow.arc, 2 * kPi * 10 / 50 + 50.0 / 1000);
  ExpectNear(slow.chords, slow.arc);
  // 150 mm/s is above it: both run at 100 mm/s.
  const CircleTimes fast = Circle(9000);
  ExpectNear(fast.arc, 2 * kPi * 10 / 100 + 100.0 / 1000);
  ExpectNear(fast.chords, fast.arc);
}

TEST(MachineTimeTest, ArcsSweepByTheirDirectionAndRise) {
  struct Case {
    const char* name;
    int plane;
    bool clockwise;
    double to[3];
    double length;
  } cases[] = {
      // From (10, 0) to (0, 10) around the origin: a quarter counter-clockwise, three clockwise.
      {"G03 quarter", 17, false, {0, 10, 0}, 0.5 * kPi * 10},
      {"G02 three quarters", 17, true, {0, 10, 0}, 1.5 * kPi * 10},
      {"helix, a quarter rising 20", 17, false, {0, 10, 20},
       std::sqrt(0.25 * kPi * 10 * 0.25 * kPi * 10 * 4 + 400)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MachineTimePlanner planner(EvenMachine());
    const double from[3] = {10, 0, 0};
    const double centre[3] = {0, 0, 0};
    planner.Arc(from, c.to, centre, c.plane, c.clockwise, false, 1200);  // 20 mm/s, far below
    ExpectNear(planner.Total(), c.length / 20 + 20.0 / 1000);
  }
  // G18 and G19: counter-clockwise seen from +Y runs from +X to -Z; seen from +X from +Y to +Z.
  struct PlaneCase {
    const char* name;
    int plane;
    bool clockwise;
    double from[3], to[3];
    double quarters;
  } planes[] = {
      {"G18 G03 from +X to -Z", 18, false, {10, 0, 0}, {0, 0, -10}, 1},
      {"G18 G02 from +X to -Z", 18, true, {10, 0, 0}, {0, 0, -10}, 3},
      {"G19 G03 from +Y to +Z", 19, false, {0, 10, 0}, {0, 0, 10}, 1},
      {"G19 G02 from +Y to +Z", 19, true, {0, 10, 0}, {0, 0, 10}, 3},
  };
  for (const PlaneCase& c : planes) {
    SCOPED_TRACE(c.name);
    MachineTimePlanner planner(EvenMachine());
    const double centre[3] = {0, 0, 0};
    planner.Arc(c.from, c.to, centre, c.plane, c.clockwise, false, 1200);
    ExpectNear(planner.Total(), c.quarters * 0.5 * kPi * 10 / 20 + 20.0 / 1000);
  }
}

TEST(MachineTimeTest, TheLookAheadIsBoundedShortMovesNeverOutrunTheWindow) {
  // 0.05 mm moves on one line: the machine may only run as fast as it can stop within the moves
  // it has seen, 63 moves ahead of the one leaving the window.
  MachineTimePlanner planner(EvenMachine());
  const int moves = 20000;
  for (int i = 0; i < moves; ++i) {
    const double from[3] = {0.05 * i, 0, 0};
    const double to[3] = {0.05 * (i + 1), 0, 0};
    planner.Line(from, to, false, 12000);
  }
  const double speed = std::sqrt(2 * 1000 * 0.05 * (kLookAhead - 1));
  ExpectNear(planner.Total(), moves * 0.05 / speed, 1.0);
  EXPECT_LT(planner.Completed(), planner.Total());
}

TEST(MachineTimeTest, EveryBlockTakesAtLeastTheBlockTime) {
  MachineLimits limits = EvenMachine();
  limits.blockTime = 0.004;
  MachineTimePlanner planner(limits);
  for (int i = 0; i < 500; ++i) {  // 0.01 mm moves at 100 mm/s would take 0.1 ms each
    const double from[3] = {0.01 * i, 0, 0};
    const double to[3] = {0.01 * (i + 1), 0, 0};
    planner.Line(from, to, false, 6000);
  }
  ExpectNear(planner.Total(), 500 * 0.004);
  planner.Stop(0.0);  // an M function: the block time
  ExpectNear(planner.Total(), 501 * 0.004);
}

TEST(MachineTimeTest, DwellsAndToolChangesStopTheMovesBeforeThem) {
  MachineTimePlanner planner(EvenMachine(10.0));
  const double a[3] = {0, 0, 0}, b[3] = {100, 0, 0}, c[3] = {100, 100, 0};
  planner.Line(a, b, false, 6000);
  planner.Stop(2.5);
  planner.Line(b, c, false, 6000);
  ExpectNear(planner.Total(), 2 * 1.1 + 2.5);
}

double LegSeconds(double length, double speed, double accel) {
  return ProfileSeconds(length, accel, speed * speed, 0.0, 0.0);
}

TEST(MachineTimeTest, CannedCyclesRunTheirOwnMovesEachFromAStop) {
  // Rapids 500 mm/s, feed 100 mm/min (1.667 mm/s), 1000 mm/s^2. From (20, 0, 50).
  const double from[3] = {20, 0, 50};
  const double feed = 100.0 / 60.0;
  struct Case {
    const char* name;
    MachineHole hole;
    double expected;
  } cases[] = {
      {"G81 G98: over, down to R, feed, rapid out, up", {81, 98, 0, 0, -10, 2, 50, 100, 0, 0},
       LegSeconds(20, 500, 1000) + LegSeconds(48, 500, 1000) + LegSeconds(12, feed, 1000) +
           LegSeconds(12, 500, 1000) + LegSeconds(48, 500, 1000)},
      {"G85 G99: feeds out to R and stays", {85, 99, 0, 0, -10, 2, 50, 100, 0, 0},
       LegSeconds(20, 500, 1000) + LegSeconds(48, 500, 1000) + 2 * LegSeconds(12, feed, 1000)},
      {"G82 G99 with a dwell of 1.5 s", {82, 99, 0, 0, -10, 2, 50, 100, 0, 1.5},
       LegSeconds(20, 500, 1000) + LegSeconds(48, 500, 1000) + LegSeconds(12, feed, 1000) + 1.5 +
           LegSeconds(12, 500, 1000)},
      // Pecks of 5 from R 2 to -10: feed 2..-3, out to R, down to -2.9, feed to -8, out, down
      // to -7.9, feed to -10, out.
      {"G83 G99 pecks out to R each time", {83, 99, 0, 0, -10, 2, 50, 100, 5, 0},
       LegSeconds(20, 500, 1000) + LegSeconds(48, 500, 1000) + LegSeconds(5, feed, 1000) +
           LegSeconds(5, 500, 1000) + LegSeconds(4.9, 500, 1000) + LegSeconds(5.1, feed, 1000) +
           LegSeconds(10, 500, 1000) + LegSeconds(9.9, 500, 1000) + LegSeconds(2.1, feed, 1000) +
           LegSeconds(12, 500, 1000)},
      {"G73 G99 retracts a little", {73, 99, 0, 0, -10, 2, 50, 100, 5, 0},
       LegSeconds(20, 500, 1000) + LegSeconds(48, 500, 1000) + LegSeconds(5, feed, 1000) +
           LegSeconds(0.1, 500, 1000) + LegSeconds(5.1, feed, 1000) + LegSeconds(0.1, 500, 1000) +
           LegSeconds(2.1, feed, 1000) + LegSeconds(12, 500, 1000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MachineTimePlanner planner(EvenMachine());
    planner.Hole(from, c.hole);
    ExpectNear(planner.Total(), c.expected, 0.01);
  }
}

TEST(MachineTimeTest, ResetStartsANewPieceAtRest) {
  MachineTimePlanner planner(EvenMachine());
  const double a[3] = {0, 0, 0}, b[3] = {500, 0, 0};
  planner.Line(a, b, false, 6000);
  planner.Reset();
  EXPECT_EQ(planner.Total(), 0.0);
  planner.Line(a, b, false, 6000);
  ExpectNear(planner.Total(), 5.1);
}

}  // namespace

namespace {

// A path of straight moves (and, with `stopEvery`, a dwell after every so many).
struct RejoinPath {
  const char* name;
  MachineLimits limits;
  int moves;
  bool rapid;
  double feed;
  // The end of move `i`, from the end of move i - 1.
  void (*step)(int i, double at[3]);
  int stopEvery;  // 0: no stops
};

void Stairs(int i, double at[3]) { at[i % 2] += i % 2 == 0 ? 0.5 : 0.25; }
void Wave(int i, double at[3]) {
  at[0] += 0.5;
  at[2] = 2.0 * std::sin(0.05 * i);
}
void Polygon(int i, double at[3]) {
  at[0] = 20.0 * std::cos(0.02 * i);
  at[1] = 20.0 * std::sin(0.02 * i);
}
void ShortRapids(int, double at[3]) { at[0] += 0.2; }

// The whole path fed once, and from each of several moves on a piece begun from a stop: once the
// piece reports that it has rejoined, its total runs on as the path's does, a fixed amount apart
// (what the start from a stop cost), to the end of the path.
TEST(MachineTimeTest, APieceThatHasRejoinedTheWholePlanRunsOnAsItDoes) {
  const RejoinPath paths[] = {
      {"stairs at corners", EvenMachine(), 400, false, 6000, Stairs, 0},
      {"a wave surfaced in 0.5 mm steps", EvenMachine(), 400, false, 1500, Wave, 0},
      {"a polygon without a corner tolerance", EvenMachine(0.0), 400, false, 3000, Polygon, 0},
      {"a polygon at a wide tolerance", EvenMachine(0.5), 400, false, 12000, Polygon, 0},
      {"stairs with a dwell every 37 moves", EvenMachine(), 300, false, 6000, Stairs, 37},
      // The look-ahead, not the rapid rate, bounds rapids of 0.2 mm in one line.
      {"short rapids in one line", EvenMachine(), 400, true, 0, ShortRapids, 0},
  };
  for (const RejoinPath& path : paths) {
    SCOPED_TRACE(path.name);
    for (int begin : {1, 5, 63, 64, 100, 250}) {
      SCOPED_TRACE(begin);
      MachineTimePlanner whole(path.limits);
      MachineTimePlanner piece(path.limits);
      piece.Reset();
      EXPECT_FALSE(piece.Rejoined());
      double from[3] = {0, 0, 0};
      bool rejoined = false;
      double apart = 0.0;
      int rejoinedAt = -1;
      for (int i = 0; i < path.moves; ++i) {
        double to[3] = {from[0], from[1], from[2]};
        path.step(i, to);
        whole.Line(from, to, path.rapid, path.feed);
        if (i >= begin) piece.Line(from, to, path.rapid, path.feed);
        if (path.stopEvery > 0 && i % path.stopEvery == path.stopEvery - 1) {
          whole.Stop(0.5);
          if (i >= begin) piece.Stop(0.5);
        }
        for (int axis = 0; axis < 3; ++axis) from[axis] = to[axis];
        if (i < begin) continue;
        if (!rejoined && piece.Rejoined()) {
          rejoined = true;
          rejoinedAt = i;
          apart = piece.Total() - whole.Total();
        } else if (rejoined) {
          ASSERT_TRUE(piece.Rejoined());
          ASSERT_NEAR(piece.Total() - whole.Total(), apart, 1e-9 * whole.Total()) << "move " << i;
        }
      }
      // Every one of these paths reaches its speed within two windows of a stop.
      if (begin + 2 * kLookAhead < path.moves) {
        EXPECT_TRUE(rejoined);
        EXPECT_LE(rejoinedAt, begin + 2 * kLookAhead);
      }
    }
  }
}

// While the start from a stop still shows (rapids of 2 mm in one line need 62 of them to reach
// the rapid rate from a stop, and the window lets the whole path's plan run at it), the piece
// loses time against the whole path's plan move after move and does not report that it has
// rejoined; once it has caught up it does, and stays a fixed amount apart.
TEST(MachineTimeTest, APieceStillAcceleratingHasNotRejoined) {
  MachineTimePlanner whole(EvenMachine());
  MachineTimePlanner piece(EvenMachine());
  piece.Reset();
  double from[3] = {0, 0, 0};
  double apartBefore = 0.0;
  double apartRejoined = 0.0;
  bool rejoined = false;
  constexpr int kBegin = 10;
  for (int i = 0; i < 400; ++i) {
    double to[3] = {from[0] + 2.0, 0, 0};
    whole.Line(from, to, true, 0);
    if (i >= kBegin) piece.Line(from, to, true, 0);
    from[0] = to[0];
    if (i < kBegin) continue;
    const double apart = piece.Total() - whole.Total();
    if (i < kBegin + kLookAhead + 40) {
      EXPECT_FALSE(piece.Rejoined()) << "move " << i;
      if (i > kBegin + kLookAhead) {
        EXPECT_GT(std::fabs(apart - apartBefore), 1e-6) << "move " << i;
      }
    }
    if (!rejoined && piece.Rejoined()) {
      rejoined = true;
      apartRejoined = apart;
    }
    if (rejoined) {
      EXPECT_NEAR(apart, apartRejoined, 1e-9 * whole.Total()) << "move " << i;
    }
    apartBefore = apart;
  }
  EXPECT_TRUE(rejoined);
  // A stop absorbs the start at once.
  MachineTimePlanner stopped(EvenMachine());
  stopped.Reset();
  const double origin[3] = {0, 0, 0};
  const double end[3] = {5, 0, 0};
  stopped.Line(origin, end, true, 0);
  EXPECT_FALSE(stopped.Rejoined());
  stopped.Stop(0.0);
  EXPECT_TRUE(stopped.Rejoined());
  // A planner that was never reset has nothing to rejoin.
  EXPECT_TRUE(MachineTimePlanner(EvenMachine()).Rejoined());
}

}  // namespace
