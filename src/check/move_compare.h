// Comparisons of the split check: is a piece's move the program's move, does it run with the
// program's machine state, and the texts that say how they differ.
#pragma once

#include <span>

#include "check/check_events.h"

// The first aspect in which two moves differ (CompareMoves).
enum MoveAspect {
  kSameMove = 0,
  kDiffKind,    // kind, arc direction, cycle code, reference code or named axes
  kDiffFrom,
  kDiffTo,
  kDiffPlane,
  kDiffCentre,
  kDiffRadius,  // both arcs give R, and the R differs
  kDiffSweep,   // same ends and centre, other swept angle (a full circle for a tiny arc)
  kDiffHole,    // R level, bottom, Q, P or return mode of a hole
  kDiffVia,     // the intermediate point of a reference return, the target of a G53
};

// The first aspect in which two machine states differ (CompareStates).
enum StateAspect {
  kSameState = 0,
  kDiffSpindle,
  kDiffSpeed,
  kDiffTool,
  kDiffLength,
  kDiffCompensation,
  kDiffWorkOffset,
  kDiffFeed,
  kDiffFeedMode,
  kDiffCoolant,
  kDiffUnits,
  kDiffRotary,
  kDiffOffsetWrites,  // the G10 blocks executed before (their chain)
  kDiffLocalSystem,   // the G52 shift
};

// The texts naming a MoveAspect ("終点") and a StateAspect ("送り速度") in the failure details.
const char* MoveAspectName(int aspect);
const char* StateAspectName(int aspect);

// True when `a` and `b` agree on `axis`: both physical coordinates known and within `tolerance`;
// or both unknown in the same way (same flags and anchor) with `program` values within
// `tolerance` (the coordinate a G92 declared, or the distance moved since the axis was lost).
bool SameAxis(const CheckPoint& a, const CheckPoint& b, int axis, double tolerance);
bool SamePoint(const CheckPoint& a, const CheckPoint& b, double tolerance);

// Compares a piece's move with the program's. Holes may come from higher (their travel level at
// or above the program's: from the same X Y, from above the hole itself, or from at least
// `startZ`) and, under G98, return higher. `raised`: the piece's tool stands higher than the program's after such a hole, so a
// rapid may start higher on the same vertical line. Returns a MoveAspect.
int CompareMoves(const CheckEvent& piece, const CheckEvent& source, double tolerance, double startZ,
                 bool raised);

// Compares the states a cut runs with. Returns a StateAspect.
int CompareStates(const CheckMachineState& piece, const CheckMachineState& source);
// Compares what places the tool for a move that does not cut: the tool, its length offset, cutter
// compensation and the work offset. Returns a StateAspect.
int ComparePlacement(const CheckMachineState& piece, const CheckMachineState& source);

// True when a move of the program goes less than `tolerance` and ends within `tolerance` of where
// it starts: a move the pieces may leave out. Full circles, holes and returns never are.
bool IsSubResolution(const CheckEvent& move, double tolerance);

// True when a straight move of the program comes straight down from the top of travel (its Z lost
// to a reference return or a machine-coordinate move before the piece began) to `at`, where the
// piece already stands: the piece has no such move to make.
bool DescendsToWhereThePieceIs(const CheckEvent& move, const CheckPoint& at, double tolerance);

// The move as a short text: its code and end point ("G01 X35. Y40. Z-2.", "G02 X10. Y5. I5. J0.",
// "G81 X10. Y5. Z-12. R2.", "G28 Z"). Unknown axes are written "X?"; inch moves get four
// decimals ("X0.0038"). Returns the whole length.
int DescribeMove(const CheckEvent& move, std::span<char> out);
// "X35. Y40. Z-2." of a point's physical coordinates ("X?" where unknown); `inch`: four decimals.
int DescribePoint(const CheckPoint& point, bool inch, std::span<char> out);
// An arc's swept angle in degrees, without its sign ("360.000度").
int DescribeSweep(const CheckEvent& arc, std::span<char> out);
// The value of one state aspect as a text ("S2400.", "M03", "G43 H1", "F300.").
int DescribeStateAspect(const CheckMachineState& state, int aspect, std::span<char> out);
