// The split check's machine: what each block does to the tool and the machine state, and the
// events it yields (moves, arcs, holes, returns, blocks, the end), as a three-axis control runs it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "check/machine_simulator.h"
#include "check/move_compare.h"

namespace {

constexpr double kPi = std::numbers::pi;

// A simulator with the tool at `start`, fed line by line; keeps every event.
struct Machine {
  MachineSimulator simulator;
  std::vector<CheckEvent> events;

  explicit Machine(double x = 0, double y = 0, double z = 0, bool blockEvents = false) {
    const double start[3] = {x, y, z};
    simulator.Reset(start, blockEvents);
  }

  // Runs the lines of `text` ("\n" between them). Returns kSimulationOk or the first fault.
  int Run(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
      CheckEvent ring[2];
      EventSlots slots{ring, 2, 0, 0};
      const int result = simulator.Execute(line.data(), line.size(), ++number, &slots);
      if (result != kSimulationOk) return result;
      for (int i = 0; i < slots.count; ++i) events.push_back(ring[i]);
      while (simulator.HolesPending()) {
        EventSlots holes{ring, 2, 0, 0};
        simulator.NextHole(&holes);
        for (int i = 0; i < holes.count; ++i) events.push_back(ring[i]);
      }
    }
    return kSimulationOk;
  }

  const CheckEvent& Last() const { return events.back(); }
};

void ExpectAt(const CheckPoint& point, double x, double y, double z, const std::string& what) {
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_TRUE(PhysicalKnown(point, axis)) << what << " axis " << axis;
  }
  EXPECT_NEAR(point.physical[0], x, 1e-9) << what;
  EXPECT_NEAR(point.physical[1], y, 1e-9) << what;
  EXPECT_NEAR(point.physical[2], z, 1e-9) << what;
}

TEST(CheckSimulator, StraightMovesUnitsAndDistanceModes) {
  struct Case {
    const char* program;
    int kind;
    double x, y, z;  // physical end of the last move, from (10, 20, 50)
  } cases[] = {
      {"G90 G00 X15. Y25.", kEventRapid, 15, 25, 50},
      {"G01 X100 F100", kEventLinear, 0.1, 20, 50},           // thousandths of a millimetre
      {"G20\nG01 X100 F1.", kEventLinear, 0.01, 20, 50},      // ten-thousandths of an inch
      {"G91 G01 X1. Y-2. F100", kEventLinear, 11, 18, 50},
      {"G91 G1 X1.\nX1.\nG90 X0.", kEventLinear, 0, 20, 50},  // modal G91, then back
      {"g1 x+4.0 y -0.25 f200", kEventLinear, 4, -0.25, 50},  // lower case, "+", blanks
      {"G92 X0. Y0. Z0.\nG00 X1.", kEventRapid, 11, 20, 50},  // G92 shifts, never moves
      {"G92 X0. Y0. Z0.\nG92.1\nG00 X1.", kEventRapid, 1, 20, 50},
      {"/G00 X1.", kEventRapid, 1, 20, 50},                   // block delete off: it runs
      {"G00 X1.\nM30\nG00 X2.", kEventRapid, 1, 20, 50},      // nothing after M30
  };
  for (const Case& c : cases) {
    Machine machine(10, 20, 50);
    ASSERT_EQ(machine.Run(c.program), kSimulationOk) << c.program;
    const CheckEvent* last = nullptr;
    for (const CheckEvent& event : machine.events) {
      if (event.kind != kEventEnd) last = &event;
    }
    ASSERT_NE(last, nullptr) << c.program;
    EXPECT_EQ(last->kind, c.kind) << c.program;
    ExpectAt(last->to, c.x, c.y, c.z, c.program);
  }
}

TEST(CheckSimulator, NoMoveForABlockThatGoesNowhere) {
  Machine machine(0, 0, 80, true);
  ASSERT_EQ(machine.Run("G43 H01 Z80.\nG90 G0 X0. Y0. Z80.\nG01 F300"), kSimulationOk);
  // Positionings to where the tool stands are no moves; only the words riding on them make a
  // block ("G43 H01"); "G01 F300" is a block.
  ASSERT_EQ(machine.events.size(), 2u);
  EXPECT_EQ(machine.events[0].kind, kEventBlock);
  EXPECT_EQ(machine.Last().kind, kEventBlock);
  EXPECT_EQ(machine.Last().state.lengthOffset, 43);
  EXPECT_EQ(machine.Last().state.lengthRegister, 1);
  EXPECT_EQ(machine.Last().state.feed, 300.0);
}

TEST(CheckSimulator, Arcs) {
  struct Case {
    const char* program;  // from (0, 0, 0)
    int plane;
    double sweep;
    double offset[3];     // centre minus start, X Y Z
    double length;
  } cases[] = {
      // R form, both signs, both directions.
      {"G02 X5. Y5. R5.", 17, -kPi / 2, {5, 0, 0}, 5 * kPi / 2},
      {"G02 X5. Y5. R-5.", 17, -3 * kPi / 2, {0, 5, 0}, 15 * kPi / 2},
      {"G03 X5. Y5. R5.", 17, kPi / 2, {0, 5, 0}, 5 * kPi / 2},
      {"G03 X5. Y5. R-5.", 17, 3 * kPi / 2, {5, 0, 0}, 15 * kPi / 2},
      {"G02 X10. Y0. R5.", 17, -kPi, {5, 0, 0}, 5 * kPi},
      {"G02 X10.0004 Y0. R5.", 17, -kPi, {5.0002, 0, 0}, 5.0002 * kPi},  // rounded half circle
      // A full circle, and a tiny arc of the same circle.
      {"G02 I5.", 17, -2 * kPi, {5, 0, 0}, 10 * kPi},
      {"G02 X0. Y0.001 I5.", 17, -0.0002, {5, 0, 0}, 0.001},
      // Other planes: G18 seen from +Y (Z to the right, X up), G19 seen from +X.
      {"G18 G02 X10. Z0. I5. K0.", 18, -kPi, {5, 0, 0}, 5 * kPi},
      {"G18 G02 X5. Z5. R5.", 18, -kPi / 2, {0, 0, 5}, 5 * kPi / 2},
      {"G19 G03 Y0. Z10. J0. K5.", 19, kPi, {0, 0, 5}, 5 * kPi},
      {"G19 G02 Y5. Z5. R5.", 19, -kPi / 2, {0, 5, 0}, 5 * kPi / 2},
      // Helices: the third axis moves with the arc.
      {"G03 X0. Y0. Z-5. I5.", 17, 2 * kPi, {5, 0, 0}, std::hypot(10 * kPi, 5.0)},
      {"G18 G03 X0. Y-3. Z0. K5.", 18, 2 * kPi, {0, 0, 5}, std::hypot(10 * kPi, 3.0)},
      // Incremental end point, unit rule on the centre.
      {"G91 G02 X10. Y0. I5000", 17, -kPi, {5, 0, 0}, 5 * kPi},
      // G91.1 states the incremental centres every arc here is read with.
      {"G91.1\nG02 X10. Y0. I5.", 17, -kPi, {5, 0, 0}, 5 * kPi},
      {"G90 G17 G91.1 G02 X10. Y0. I5.", 17, -kPi, {5, 0, 0}, 5 * kPi},
  };
  for (const Case& c : cases) {
    Machine machine;
    ASSERT_EQ(machine.Run(c.program), kSimulationOk) << c.program;
    ASSERT_EQ(machine.events.size(), 1u) << c.program;
    const ArcPath& arc = machine.Last().arc;
    EXPECT_EQ(machine.Last().kind, kEventArc) << c.program;
    EXPECT_EQ(arc.plane, c.plane) << c.program;
    EXPECT_NEAR(arc.sweep, c.sweep, 1e-6) << c.program;
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(arc.offset[axis], c.offset[axis], 1e-6) << c.program;
    EXPECT_NEAR(arc.length, c.length, 1e-6) << c.program;
  }
}

// A half circle whose numbers were rounded to the last decimal comes out a few increments longer
// than 2|R|: the control runs it as the half circle on its chord up to 2.5 increments over, on the
// numbers it holds (its grid), and alarms beyond.
TEST(CheckSimulator, RArcsAtTheRoundingLimit) {
  struct Case {
    const char* program;  // from X10. Y0.
    bool runs;
    double chord;  // in X, of the half circle run
  } cases[] = {
      {"G02 X10.426 Y0. R0.212", true, 0.426},
      {"G03 X10.426 Y0. R-0.212", true, 0.426},
      {"G02 X10.427 Y0. R0.212", false, 0},
      {"G02 X10.4258 Y0. R0.212", true, 0.4258},  // held as X10.426
      {"G02 X10.4268 Y0. R0.212", false, 0},      // held as X10.427
      {"G91 G02 X426 R212", true, 0.426},
      {"G20 G02 X10.4242 Y0. R0.212", true, 0.4242},
      {"G20 G02 X10.4243 Y0. R0.212", false, 0},
      {"G20 G02 X10.4248 Y0. R0.212", false, 0},  // 0.0008 inch: eight of its increments
  };
  for (const Case& c : cases) {
    Machine machine(10, 0, 0);
    if (!c.runs) {
      EXPECT_EQ(machine.Run(c.program), kSimulationAlarm) << c.program;
      EXPECT_EQ(machine.simulator.fault().alarm, kAlarmArcChord) << c.program;
      continue;
    }
    ASSERT_EQ(machine.Run(c.program), kSimulationOk) << c.program;
    const ArcPath& arc = machine.Last().arc;
    EXPECT_NEAR(std::fabs(arc.sweep), kPi, 1e-9) << c.program;
    EXPECT_NEAR(arc.offset[0], c.chord / 2, 1e-9) << c.program;
    EXPECT_NEAR(arc.offset[1], 0.0, 1e-9) << c.program;
    EXPECT_NEAR(arc.length, kPi * c.chord / 2, 1e-9) << c.program;
  }
}

TEST(CheckSimulator, ArcEndPointAndRWord) {
  Machine machine(3, 4, 0);
  ASSERT_EQ(machine.Run("G91 G02 X10. Y0. R-5."), kSimulationOk);
  EXPECT_EQ(machine.Last().arc.rForm, 1);
  EXPECT_EQ(machine.Last().arc.r, -5.0);
  EXPECT_EQ(machine.Last().arc.direction, 2);
  ExpectAt(machine.Last().to, 13, 4, 0, "G91 arc");
}

TEST(CheckSimulator, AlarmsAndBlocksTheCheckCannotRun) {
  struct Case {
    const char* program;
    int result;
    int alarm;     // kSimulationAlarm
    char letter;   // kSimulationUnsupported
    int code;
    int line;
  } cases[] = {
      {"G02 X20. Y0. R5.", kSimulationAlarm, kAlarmArcChord, 0, 0, 1},
      {"G02 X0.3 Y0.125", kSimulationAlarm, kAlarmArcNoCentre, 0, 0, 1},  // an R arc that lost its R
      {"G02 X10. I0. J0.", kSimulationAlarm, kAlarmArcNoCentre, 0, 0, 1},
      {"G02 Z-5. R5.", kSimulationAlarm, kAlarmArcNoChord, 0, 0, 1},
      {"G91 G28 X0. Y0.\nG90 G02 X1. Y1. I1.", kSimulationAlarm, kAlarmArcUnknownStart, 0, 0, 2},
      {"G01 X1. F100\nG20", kSimulationAlarm, kAlarmUnitsChanged, 0, 0, 2},
      {"G81 X1. Y1. R2. F100", kSimulationAlarm, kAlarmCycleNoDepth, 0, 0, 1},
      {"G81 X1. Y1. Z-1. R2. K2.5", kSimulationAlarm, kAlarmBadRepeat, 0, 0, 1},
      {"G91 G28 Z0.\nG81 X1. Y1. Z-1. R2.", kSimulationAlarm, kAlarmCycleUnknownLevel, 0, 0, 2},
      {"M98 P100", kSimulationUnsupported, 0, 'M', 98, 1},
      {"M99", kSimulationUnsupported, 0, 'M', 99, 1},
      {"G65 P9010 A1.", kSimulationUnsupported, 0, 'G', GCode(65), 1},
      {"G66 P9010", kSimulationUnsupported, 0, 'G', GCode(66), 1},
      // Offset writes the model follows only in the form that stores the same each time it runs.
      {"G91 G10 L2 P1 X0.", kSimulationUnsupported, 0, 'G', GCode(10), 1},
      {"G91\nG10 L2 P1 X0.", kSimulationUnsupported, 0, 'G', GCode(10), 2},
      {"G10 L3 P1 X0.", kSimulationUnsupported, 0, 'G', GCode(10), 1},
      {"G10 L2 X0.", kSimulationUnsupported, 0, 'G', GCode(10), 1},
      {"G10 L2 P1 X0. M08", kSimulationUnsupported, 0, 'G', GCode(10), 1},
      {"G10 L2.5 P1 X0.", kSimulationUnsupported, 0, 'G', GCode(10), 1},
      {"G68 X0. Y0. R45.", kSimulationUnsupported, 0, 'G', GCode(68), 1},
      {"G51 X0. Y0. P2000", kSimulationUnsupported, 0, 'G', GCode(51), 1},
      {"G16", kSimulationUnsupported, 0, 'G', GCode(16), 1},
      {"G47 X1.", kSimulationUnsupported, 0, 'G', GCode(47), 1},
      {"G43.4 H1", kSimulationUnsupported, 0, 'G', GCode(43, 4), 1},
      // Absolute arc centres: the same I, J would be another arc.
      {"G90.1\nG02 X10. Y0. I5.", kSimulationUnsupported, 0, 'G', GCode(90, 1), 1},
      {"G91.1\nG90.1", kSimulationUnsupported, 0, 'G', GCode(90, 1), 2},
      {"G01 E5.", kSimulationUnsupported, 0, 'E', 0, 1},
      {"GOO Z.500", kSimulationUnreadable, 0, 0, 0, 1},
      {"#1=5.", kSimulationUnreadable, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    Machine machine;
    EXPECT_EQ(machine.Run(c.program), c.result) << c.program;
    const SimulationFault& fault = machine.simulator.fault();
    EXPECT_EQ(fault.result, c.result) << c.program;
    EXPECT_EQ(fault.line, c.line) << c.program;
    if (c.result == kSimulationAlarm) {
      EXPECT_EQ(fault.alarm, c.alarm) << c.program;
    }
    if (c.result == kSimulationUnsupported) {
      EXPECT_EQ(fault.letter, c.letter) << c.program;
      EXPECT_EQ(fault.code, c.code) << c.program;
    }
    // Nothing runs after a fault.
    const size_t events = machine.events.size();
    machine.Run("G00 X5.");
    EXPECT_EQ(machine.events.size(), events) << c.program;
  }
}

// The anchor an unknown axis is measured from, and whether it stands at its reference.
int Anchor(const CheckPoint& point, int axis) { return (point.flags[axis] & kAnchorMask) >> kAnchorShift; }
bool AtReference(const CheckPoint& point, int axis) { return (point.flags[axis] & kAtReference) != 0; }

TEST(CheckSimulator, PositionsAProgramCannotKnow) {
  // A new work offset: every axis unknown until an absolute move names it; moved under G91, it
  // keeps the distance from where it was lost.
  Machine offsets(0, 0, 50);
  ASSERT_EQ(offsets.Run("G54 G00 X1.\nG55\nG00 X2.\nG91 Y1.\nG90 G43 H1 Z5."), kSimulationOk);
  ASSERT_EQ(offsets.events.size(), 4u);
  const CheckEvent& named = offsets.events[1];
  EXPECT_TRUE(PhysicalKnown(named.to, 0));
  EXPECT_FALSE(PhysicalKnown(named.to, 1));
  EXPECT_EQ(Anchor(named.to, 1), kAnchorNewFrame);
  EXPECT_FALSE(PhysicalKnown(named.to, 2));
  const CheckPoint& moved = offsets.events[2].to;
  EXPECT_FALSE(PhysicalKnown(moved, 1));
  EXPECT_EQ(Anchor(moved, 1), kAnchorNewFrame);
  EXPECT_EQ(moved.program[1], 1.0);
  const CheckPoint& after = offsets.Last().to;
  EXPECT_EQ(after.physical[0], 2.0);
  EXPECT_FALSE(PhysicalKnown(after, 1));
  EXPECT_TRUE(PhysicalKnown(after, 2));
  EXPECT_EQ(Anchor(after, 2), kAnchorNone);
  EXPECT_EQ(after.physical[2], 5.0);
  EXPECT_EQ(offsets.Last().state.workOffset, 55);
  // Chosen before the first move, a work offset only names the frame the start point is in.
  Machine chosen(0, 0, 50);
  ASSERT_EQ(chosen.Run("G55\nG00 X2."), kSimulationOk);
  ExpectAt(chosen.Last().to, 2, 0, 50, "G55 before the first move");

  // G28 through the intermediate point to the reference; Z at the top of travel.
  Machine reference(10, 20, 30);
  ASSERT_EQ(reference.Run("G91 G28 Z5.\nG28 X0. Y0.\nG01 X5. F100"), kSimulationOk);
  ASSERT_EQ(reference.events.size(), 3u);
  const CheckEvent& up = reference.events[0];
  EXPECT_EQ(up.kind, kEventReference);
  EXPECT_EQ(up.code, 28);
  EXPECT_EQ(up.named, 4);
  ExpectAt(up.via, 10, 20, 35, "intermediate point");
  EXPECT_TRUE(AtReference(up.to, 2));
  EXPECT_FALSE(PhysicalKnown(up.to, 2));
  EXPECT_TRUE(PhysicalKnown(up.to, 0));
  EXPECT_TRUE(AtReference(reference.events[1].to, 0));
  const CheckPoint& away = reference.Last().to;  // 5 from the reference in X
  EXPECT_FALSE(AtReference(away, 0));
  EXPECT_EQ(Anchor(away, 0), kAnchorReference);
  EXPECT_EQ(away.program[0], 5.0);
  EXPECT_TRUE(AtReference(away, 1));

  // G53 to machine zero in Z: the top of travel; below it: only its machine coordinate.
  Machine machine(0, 0, 10);
  ASSERT_EQ(machine.Run("G53 G00 Z0.\nG00 X5.\nG53 Z-100."), kSimulationOk);
  EXPECT_EQ(machine.events[0].kind, kEventMachine);
  EXPECT_TRUE(AtReference(machine.events[0].to, 2));
  EXPECT_TRUE(AtReference(machine.events[1].to, 2));  // X moves, Z stays at the top
  EXPECT_FALSE(AtReference(machine.Last().to, 2));
  EXPECT_EQ(Anchor(machine.Last().to, 2), kAnchorMachine);
  EXPECT_EQ(machine.Last().to.program[2], -100.0);

  // G92 on an axis at the reference: the program knows the coordinate, not the place.
  Machine declared(0, 0, 10);
  ASSERT_EQ(declared.Run("G91 G28 Z0.\nG90 G92 Z100.\nG00 Z5."), kSimulationOk);
  EXPECT_EQ(declared.Last().to.flags[2], kProgramKnown);
  EXPECT_EQ(declared.Last().to.program[2], 5.0);
}

// Offset writes: no move, their X/Y/Z/R are values; after the first move one that may change the
// frame in force (a work offset, a length) loses every axis, one of a radius does not; the chain
// of writes in the state tells writes of other values, registers or forms of the same value apart.
TEST(CheckSimulator, OffsetWrites) {
  struct Case {
    const char* name;
    const char* program;  // its last line moves X only, to 5.
    bool yKnown;          // Y known at the end
  } cases[] = {
      {"before the first move", "G10 L2 P1 X-100. Y-50. Z-300.\nG00 X5.", true},
      {"a work offset after a move", "G00 X1.\nG10 L2 P1 X-100. Y-50. Z-300.\nG00 X5.", false},
      {"an extended work offset after a move", "G00 X1.\nG10 L20 P3 X-100.\nG00 X5.", false},
      {"a length after a move", "G00 X1.\nG10 L10 P1 R-150.\nG00 X5.", false},
      {"a length, memory A, after a move", "G00 X1.\nG10 L1 P1 R-150.\nG00 X5.", false},
      {"a radius after a move", "G00 X1.\nG10 L12 P1 R5.\nG00 X5.", true},
      {"a radius wear after a move", "G00 X1.\nG10 L13 P1 R0.01\nG00 X5.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine machine(0, 0, 50);
    ASSERT_EQ(machine.Run(c.program), kSimulationOk);
    const CheckEvent& last = machine.Last();
    EXPECT_EQ(last.kind, kEventRapid);  // the write itself made no move
    EXPECT_EQ(last.state.offsetWriteCount, 1);
    EXPECT_NE(last.state.offsetWrites, 0u);
    EXPECT_TRUE(PhysicalKnown(last.to, 0));
    EXPECT_EQ(last.to.physical[0], 5.0);
    EXPECT_EQ(PhysicalKnown(last.to, 1), c.yKnown);
    EXPECT_EQ(PhysicalKnown(last.to, 2), c.yKnown);
  }

  auto chain = [](const char* program) {
    Machine machine(0, 0, 50);
    EXPECT_EQ(machine.Run(std::string(program) + "\nG00 X5."), kSimulationOk) << program;
    return machine.Last().state.offsetWrites;
  };
  const uint64_t written = chain("G10 L2 P1 X-100. Y-50.");
  EXPECT_EQ(chain("G10 L2 P1 X-100000 Y-50000"), written);          // thousandths
  EXPECT_EQ(chain("g10 l2 p1 x-100. y -50."), written);              // case and blanks
  EXPECT_EQ(chain("G90 G10 L2 P1 Y-50. X-100."), written);           // order of the words, G90
  EXPECT_NE(chain("G10 L2 P1 X-100 Y-50."), written);
  EXPECT_NE(chain("G10 L2 P2 X-100. Y-50."), written);               // another offset
  EXPECT_NE(chain("G10 L20 P1 X-100. Y-50."), written);              // an extended one
  EXPECT_NE(chain("G10 L2 P1 X-100. Y-50. Z0."), written);           // Z written too
  const uint64_t two = chain("G10 L2 P1 X-100.\nG10 L10 P1 R-150.");
  EXPECT_NE(chain("G10 L10 P1 R-150.\nG10 L2 P1 X-100."), two);     // the order of writes
  EXPECT_NE(chain("G10 L2 P1 X-100."), two);

  // An axis lost to the new frame remembers where it was lost: two runs that wrote the offset
  // with the tool at different heights do not agree on Z afterwards.
  Machine high(0, 0, 50);
  Machine low(0, 0, 50);
  ASSERT_EQ(high.Run("G00 X1.\nG10 L2 P1 X-100.\nG00 X5."), kSimulationOk);
  ASSERT_EQ(low.Run("G00 X1. Z30.\nG10 L2 P1 X-100.\nG00 X5."), kSimulationOk);
  EXPECT_FALSE(SameAxis(high.Last().to, low.Last().to, 2, 0.001));
  Machine same(0, 0, 50);
  ASSERT_EQ(same.Run("G00 X2.\nG10 L2 P1 X-100.\nG00 X5."), kSimulationOk);
  EXPECT_TRUE(SameAxis(high.Last().to, same.Last().to, 2, 0.001));
  EXPECT_TRUE(SamePoint(high.Last().to, same.Last().to, 0.001));

  // Block events: a write is a block a piece may restore in its head.
  Machine events(0, 0, 50, true);
  ASSERT_EQ(events.Run("G10 L2 P1 X-100."), kSimulationOk);
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_EQ(events.Last().kind, kEventBlock);
  EXPECT_EQ(events.Last().blockClass, kBlockRestore);
}

// G52: the tool stays, its numbers change by the change of the shift; later moves land shifted;
// zeros cancel. The shift is state. Only the absolute form outside a cycle is followed, and no G92
// under a shift.
TEST(CheckSimulator, LocalCoordinateSystem) {
  Machine local(0, 0, 50);
  ASSERT_EQ(local.Run("G00 X10. Y5.\nG52 X100. Y50.\nG00 X10. Y5.\nG52 X40.\nG01 X0. F100\nG52 X0. Y0. Z0.\nG00 X0. Y0."),
            kSimulationOk);
  ASSERT_EQ(local.events.size(), 4u);
  ExpectAt(local.events[1].from, 10, 5, 50, "the shift moves nothing");
  EXPECT_EQ(local.events[1].from.program[0], -90.0);
  EXPECT_EQ(local.events[1].from.program[1], -45.0);
  ExpectAt(local.events[1].to, 110, 55, 50, "under X100. Y50.");
  EXPECT_EQ(local.events[1].state.localShift[0], 100.0);
  ExpectAt(local.events[2].to, 40, 55, 50, "X changed alone, Y kept");
  EXPECT_EQ(local.events[2].state.localShift[0], 40.0);
  EXPECT_EQ(local.events[2].state.localShift[1], 50.0);
  ExpectAt(local.Last().to, 0, 0, 50, "cancelled");
  EXPECT_EQ(local.Last().state.localShift[0], 0.0);
  EXPECT_EQ(local.Last().state.localShift[1], 0.0);
  // Thousandths are lengths like every other word.
  Machine thousandths(0, 0, 50);
  ASSERT_EQ(thousandths.Run("G52 X100000\nG00 X1."), kSimulationOk);
  ExpectAt(thousandths.Last().to, 101, 0, 50, "G52 X100000");

  const char* refused[] = {"G91 G52 X10.", "G91\nG52 X10.", "G52 X10.\nG92 X0.", "G52 X10.\nG92.1",
                           "G52 X10. M08", "G81 X1. Y1. Z-1. R2. F100\nG52 X10."};
  for (const char* program : refused) {
    Machine machine(0, 0, 50);
    EXPECT_EQ(machine.Run(program), kSimulationUnsupported) << program;
  }
  Machine cancelled(0, 0, 50);
  EXPECT_EQ(cancelled.Run("G52 X10.\nG52 X0.\nG92 X0."), kSimulationOk);
}

TEST(CheckSimulator, CannedCycles) {
  struct Case {
    const char* program;  // from (0, 0, 50)
    size_t holes;
    int code, returnMode;
    double x, y;          // last hole
    double bottom, rLevel, q;
    double endZ;          // where the last hole leaves the tool
  } cases[] = {
      {"G90 G99 G81 X10. Y5. Z-12. R2. F100", 1, 81, 99, 10, 5, -12, 2, 0, 2},
      {"G90 G98 G81 X10. Y5. Z-12. R2. F100\nX20.\nY15.", 3, 81, 98, 20, 15, -12, 2, 0, 50},
      {"G90 G98 G83 X10. Y5. Z-12. R2. Q3. F100", 1, 83, 98, 10, 5, -12, 2, 3, 50},
      {"G90 G83 X10. Y5. Z-12000 R2000 Q3000 F100", 1, 83, 98, 10, 5, -12, 2, 3, 50},  // unit rule
      // G91: X Y from the last hole, R from the initial level, Z from the R level.
      {"G91 G99 G81 X10. Y5. Z-14. R-48. K3 F100", 3, 81, 99, 30, 15, -12, 2, 0, 2},
      {"G91 G98 G83 X10. Z-14. R-48. Q2. F100\nX5.", 2, 83, 98, 15, 0, -12, 2, 2, 50},
      {"G90 G81 X1. Z-1. R1. K0 F100", 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {"G90 G81 X1. Z-1. R1. F100\nF200\nM08", 1, 81, 98, 1, 0, -1, 1, 0, 50},  // no hole without a position
  };
  for (const Case& c : cases) {
    Machine machine(0, 0, 50);
    ASSERT_EQ(machine.Run(c.program), kSimulationOk) << c.program;
    ASSERT_EQ(machine.events.size(), c.holes) << c.program;
    if (c.holes == 0) continue;
    const CheckEvent& hole = machine.Last();
    EXPECT_EQ(hole.kind, kEventHole) << c.program;
    EXPECT_EQ(hole.hole.code, c.code) << c.program;
    EXPECT_EQ(hole.hole.returnMode, c.returnMode) << c.program;
    EXPECT_NEAR(hole.hole.bottom, c.bottom, 1e-9) << c.program;
    EXPECT_NEAR(hole.hole.rLevel, c.rLevel, 1e-9) << c.program;
    EXPECT_NEAR(hole.hole.q, c.q, 1e-9) << c.program;
    EXPECT_NEAR(hole.hole.initialLevel, 50.0, 1e-9) << c.program;
    ExpectAt(hole.to, c.x, c.y, c.endZ, c.program);
  }
}

TEST(CheckSimulator, CycleEndsWithG80OrAMotionCode) {
  Machine machine(0, 0, 50);
  ASSERT_EQ(machine.Run("G99 G81 X1. Z-1. R2. F100\nX2.\nG80\nX3.\nG81 X4. Z-1. R2.\nG00 X5."), kSimulationOk);
  ASSERT_EQ(machine.events.size(), 5u);
  EXPECT_EQ(machine.events[1].kind, kEventHole);
  EXPECT_EQ(machine.events[1].from.physical[2], 2.0);  // G99: the second hole from the R level
  EXPECT_EQ(machine.events[2].kind, kEventRapid);      // after G80 the motion in force
  EXPECT_EQ(machine.events[3].kind, kEventHole);
  EXPECT_EQ(machine.events[3].hole.initialLevel, 2.0);  // a new cycle: its own initial level
  EXPECT_EQ(machine.events[4].kind, kEventRapid);
}

TEST(CheckSimulator, MachineStateAndWhenMCodesAct) {
  Machine machine(0, 0, 50);
  ASSERT_EQ(machine.Run("T3 M06\nG43 H3 Z40. S1200 M03 M08\nG41 D13 G01 X1. F250.5\nG01 X2. M05 M09\nX3."),
            kSimulationOk);
  ASSERT_EQ(machine.events.size(), 4u);
  const CheckMachineState& approach = machine.events[0].state;
  EXPECT_EQ(approach.tool, 3);
  EXPECT_EQ(approach.lengthOffset, 43);
  EXPECT_EQ(approach.lengthRegister, 3);
  EXPECT_EQ(approach.spindle, 3);  // M03 acts before the move
  EXPECT_EQ(approach.speed, 1200.0);
  EXPECT_EQ(approach.coolant, 2);
  const CheckMachineState& cut = machine.events[1].state;
  EXPECT_EQ(cut.compensation, 41);
  EXPECT_EQ(cut.radiusRegister, 13);
  EXPECT_EQ(cut.feed, 250.5);
  EXPECT_EQ(machine.events[2].state.spindle, 3);  // M05 and M09 act after the move
  EXPECT_EQ(machine.events[2].state.coolant, 2);
  EXPECT_EQ(machine.events[3].state.spindle, 5);
  EXPECT_EQ(machine.events[3].state.coolant, 0);
}

TEST(CheckSimulator, BlockEventsAndTheEnd) {
  Machine machine(0, 0, 50, true);
  ASSERT_EQ(machine.Run("O1001\nT2 M06\nG04 P500\nG92 X0.\nN5 G80 G90\nG00 X1. M30\nG00 X2."), kSimulationOk);
  ASSERT_EQ(machine.events.size(), 6u);
  EXPECT_EQ(machine.events[0].kind, kEventBlock);
  EXPECT_EQ(machine.events[0].blockClass, kBlockRestore);  // a restore may hold a tool change
  EXPECT_EQ(machine.events[1].kind, kEventBlock);
  EXPECT_EQ(machine.events[1].blockClass, kBlockOther);
  EXPECT_EQ(machine.events[2].kind, kEventBlock);
  EXPECT_EQ(machine.events[2].blockClass, kBlockOther);
  EXPECT_EQ(machine.events[3].blockClass, kBlockInterpretation);
  EXPECT_EQ(machine.events[4].kind, kEventRapid);
  EXPECT_EQ(machine.events[5].kind, kEventEnd);
  EXPECT_EQ(machine.events[5].line, 6);
  EXPECT_TRUE(machine.simulator.ended());
  // A move line that goes nowhere is a block of the words riding on it; a move keeps those words
  // as its signature.
  Machine riding(0, 0, 50, true);
  ASSERT_EQ(riding.Run("G00 Z50. M09\nG43 H2 Z20. M08\nZ10."), kSimulationOk);
  ASSERT_EQ(riding.events.size(), 3u);
  EXPECT_EQ(riding.events[0].kind, kEventBlock);
  EXPECT_EQ(riding.events[0].blockClass, kBlockRestore);
  EXPECT_EQ(riding.events[1].kind, kEventRapid);
  EXPECT_NE(riding.events[1].signature, 0u);
  EXPECT_EQ(riding.events[2].signature, 0u);
  // Which blocks are which.
  struct Case {
    const char* line;
    int blockClass;
  } cases[] = {
      {"G18", kBlockInterpretation},     {"G90 G80", kBlockInterpretation}, {"S2000 M03", kBlockRestore},
      {"G43 H2", kBlockRestore},         {"M05 M09", kBlockRestore},        {"G55", kBlockRestore},
      {"G94 G17", kBlockRestore},        {"M01", kBlockOther},              {"M08 G04 P100", kBlockOther},
      {"G40", kBlockRestore},             {"T3", kBlockRestore},             {"G98", kBlockOther},
  };
  for (const Case& c : cases) {
    Machine one(0, 0, 50, true);
    ASSERT_EQ(one.Run(c.line), kSimulationOk) << c.line;
    ASSERT_EQ(one.events.size(), 1u) << c.line;
    EXPECT_EQ(one.events[0].blockClass, c.blockClass) << c.line;
  }
}

}  // namespace
