// The records of the split check's machine model: where the tool is, the machine state a cut runs
// with, and the events the simulator yields for each block it executes.
#pragma once

#include <cstdint>

inline constexpr int kCheckAxes = 3;  // X, Y, Z

// Flags of one axis of a CheckPoint.
enum AxisKnowledge : uint8_t {
  kPhysicalKnown = 1,  // `physical` holds the axis: the program's coordinate plus its G92 shift
  kProgramKnown = 2,   // `program` holds the axis in the program's own coordinates
  kAtReference = 4,    // the axis stands at its reference point (for Z: the top of travel), its
                       // coordinates unknown: after G28/G30, or G53 to machine zero and above
  kAnchorMask = 0x38,  // where an unknown axis is measured from (AxisAnchor << kAnchorShift)
};
inline constexpr int kAnchorShift = 3;

// What `program` of an axis without kProgramKnown counts from: the axis is not known, but how far
// it has moved since it was lost is, and two files that lost it the same way must agree on that.
enum AxisAnchor : uint8_t {
  kAnchorNone = 0,             // the axis is known (or a G92 declared it)
  kAnchorReference = 1,        // G28: the reference point
  kAnchorSecondReference = 2,  // G30
  kAnchorMachine = 3,          // G53: `program` starts as the machine coordinate
  kAnchorNewFrame = 4,         // a new work offset, an offset write (G10), or G92.1 with an
                               // unknown shift: `program` starts as the axis's coordinate in the
                               // starting frame where it was lost (0 when that was not known)
};

// A tool position. Positions are compared in physical coordinates: the coordinates of the frame
// the file starts in (the run's start point has all axes known there), moved only by a change of
// work offset. A G92 changes the shift between that frame and the program's coordinates, never
// the physical place.
struct CheckPoint {
  double physical[kCheckAxes];  // valid where kPhysicalKnown
  double program[kCheckAxes];   // where kProgramKnown: the program's coordinate; elsewhere the
                                // distance moved since the axis was lost (see AxisAnchor)
  uint8_t flags[kCheckAxes];    // AxisKnowledge bits
};

inline bool PhysicalKnown(const CheckPoint& point, int axis) {
  return (point.flags[axis] & kPhysicalKnown) != 0;
}
// Z lost at the top of travel (a reference return or a machine-coordinate move, no Z given since).
inline bool AtTopOfTravel(const CheckPoint& point) {
  return !PhysicalKnown(point, 2) && (point.flags[2] & kAtReference) != 0;
}
inline bool AllPhysicalKnown(const CheckPoint& point) {
  return PhysicalKnown(point, 0) && PhysicalKnown(point, 1) && PhysicalKnown(point, 2);
}

// The machine state a move runs with: what the source program and a piece must agree on at every
// cut. "Power-on" is the state each file starts in.
struct CheckMachineState {
  int32_t spindle;         // M03 -> 3, M04 -> 4, M05 -> 5; power-on 5
  int32_t tool;            // the tool in the spindle: the T in force at the latest M06; 0 until one
  int32_t selectedTool;    // T: the latest T word; 0 until one
  int32_t lengthOffset;    // G43 -> 43, G44 -> 44, G49 -> 49; power-on 49
  int32_t lengthRegister;  // H: the latest H word; 0 until one
  int32_t compensation;    // G40 -> 40, G41 -> 41, G42 -> 42; power-on 40
  int32_t compensationBefore;  // the compensation in force when the move starts, before its own
                               // block's G40/G41/G42: a move that starts or ends compensation
                               // starts from or ends at an offset path; not compared at cuts
  int32_t radiusRegister;  // D: the latest D word; 0 until one
  int32_t workOffset;      // G54..G59 -> 54..59; power-on 54
  int32_t feedMode;        // G93 -> 93, G94 -> 94, G95 -> 95; power-on 94
  int32_t coolant;         // bit 1: mist (M07), bit 2: flood (M08); M09 clears both; power-on 0
  int32_t units;           // G20 -> 20, G21 -> 21; power-on 21
  int32_t rotaryGiven;     // bit a for rotary axis a (A, B, C) once a word has named it
  int32_t offsetWriteCount;  // G10 blocks executed (see offsetWrites); 0 before the first. With
                             // it the record has no padding and may be compared byte for byte
  double speed;            // S: spindle speed as written; 0 until the first S
  double feed;             // F: feed as written; 0 until the first F
  double rotary[3];        // A, B, C: the latest absolute position of each rotary axis given
  double localShift[3];    // G52 X Y Z: the local coordinate system's shift within the work
                           // offset, per axis; G52 X0 Y0 Z0 (and power-on) 0
  uint64_t offsetWrites;   // G10: the offset writes executed so far, in order (ChainSignature of
                           // each block's OffsetWriteSignature); 0 before the first. Two runs
                           // with the same chain hold the same offsets wherever the program put
                           // them, whatever the machine held before.
};

// What a move or a block event is.
enum CheckEventKind {
  kEventRapid = 0,      // G00
  kEventLinear = 1,     // G01
  kEventArc = 2,        // G02 / G03 (see `arc`)
  kEventReference = 3,  // G28 / G30: through `via` to the reference point
  kEventMachine = 4,    // G53: a positioning in machine coordinates
  kEventHole = 5,       // one hole of a canned cycle (see `hole`)
  kEventBlock = 6,      // a block that moves nothing but does something (state, dwell, stop)
  kEventEnd = 7,        // M02 / M30: the program ends here
};

inline bool IsCuttingEvent(int kind) {
  return kind == kEventLinear || kind == kEventArc || kind == kEventHole;
}

// An arc. Planes: G17 (a, b, normal) = (X, Y, Z), G18 = (Z, X, Y), G19 = (Y, Z, X), so that an arc
// seen from the positive end of the normal turns clockwise with a negative sweep.
struct ArcPath {
  int32_t plane;      // 17, 18, 19
  int32_t direction;  // 2 (clockwise) or 3
  int32_t rForm;      // 1 when the block gave R (then `r` holds it, signed), 0 for I/J/K
  int32_t onGrid;     // R form: 1 when its start, end and R are whole counts of the resolution,
                      // as the control holds them (its centre is then the control's), else 0
  int32_t gridValid;  // R form: 1 when `gridOffset` holds the centre found from the block's
                      // numbers rounded onto that grid (0: the rounded chord has no such arc)
  double gridOffset[2];  // that centre minus the block's start, in the plane's two coordinates
  double r;
  double offset[kCheckAxes];  // centre minus start, per axis X, Y, Z (0 on the normal axis)
  double radius;              // distance of the start from the centre
  double sweep;               // radians, negative clockwise; +-2 pi for a full circle
  double length;              // path length, helix travel included
};

// One hole of a canned cycle: the tool comes at `from` Z (its travel level) to X, Y, goes down
// to the R level, cuts to the bottom and returns to `to` Z (the initial level under G98, the R
// level under G99). Z levels are physical.
struct HolePath {
  int32_t code;        // 73, 74, 76, 81..89
  int32_t returnMode;  // 98 or 99
  double bottom;
  double rLevel;
  double initialLevel;
  double q;            // peck depth or shift (0 when the cycle takes none)
  double p;            // dwell as written (0 when none)
};

struct CheckEvent {
  int32_t kind;    // CheckEventKind
  int32_t line;    // 1-based line of the block in its file
  int32_t code;    // kEventReference: 28 or 30; kEventMachine: 53; else 0
  int32_t named;   // kEventReference / kEventMachine: bit per axis the block named
  CheckPoint from;
  CheckPoint to;
  CheckPoint via;  // kEventReference: the intermediate point
  ArcPath arc;     // kEventArc
  HolePath hole;   // kEventHole
  CheckMachineState state;  // in force during the move (a block event: after the block)
  uint64_t signature;       // kEventBlock: the block's words (see BlockSignature); a move (with
                            // block events asked for): the words riding on it (RidingWords), 0
                            // when none
  int32_t blockClass;       // kEventBlock: a BlockClass
  int32_t positioning;      // kEventBlock: 1 when the block is the words riding on a positioning
                            // to where the tool stands (its axis words went nowhere), else 0
};

// What a block that moves nothing does (CheckEvent::blockClass).
enum BlockClass {
  kBlockOther = 0,           // anything else: a dwell, a stop, a G92, the program's end ...
  kBlockRestore = 1,         // only sets machine state a piece may restore before it resumes:
                             // T, M03..M09, S, H, D, a rotary axis A, B, C, G40, G43/G44/G49,
                             // G54..G59, G17..G21, G90/G91,
                             // G94/G95, G00 (on a block that moves nothing)
  kBlockInterpretation = 2,  // only G00, G17..G19, G90/G91, G80: changes how later words are read, and
                             // nothing else; every effect shows in the moves that follow
};

// Order-sensitive chain of block signatures: how the check compares a piece's closing blocks with
// the program's.
inline uint64_t ChainSignature(uint64_t chain, uint64_t signature) {
  return (chain ^ signature) * 0x100000001B3ull + 0x9E3779B97F4A7C15ull;
}
