#include "check/move_compare.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "check/check_messages.h"
#include "nc/format.h"
#include "nc/number_text.h"

namespace {

// Feeds, speeds and rotary positions are written with at most three decimals.
constexpr double kValueTolerance = 0.001 + 1e-9;
constexpr char kAxisNames[kCheckAxes] = {'X', 'Y', 'Z'};

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// A Z at or above `level`: known and not below it, or at the top of travel.
bool AtOrAbove(const CheckPoint& point, double level, double tolerance) {
  if ((point.flags[2] & kAtReference) != 0) return true;
  return PhysicalKnown(point, 2) && point.physical[2] >= level - tolerance;
}

// The arc's centre as a point: its start moved by the centre offset.
CheckPoint Centre(const CheckEvent& arc) {
  CheckPoint centre = arc.from;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    centre.physical[axis] += arc.arc.offset[axis];
    centre.program[axis] += arc.arc.offset[axis];
  }
  return centre;
}

int CompareArcs(const CheckEvent& piece, const CheckEvent& source, double tolerance) {
  const ArcPath& p = piece.arc;
  const ArcPath& s = source.arc;
  if (p.direction != s.direction) return kDiffKind;
  if (p.plane != s.plane) return kDiffPlane;
  if (p.rForm && s.rForm) {
    if (!Near(p.r, s.r, tolerance)) return kDiffRadius;
    // Near a half circle a change of R or of an end within the resolution moves the centre, and
    // the cut, far: where both give numbers on the control's grid (so that the centres found from
    // them are the control's), the centres must be the same too. A program with finer numbers is
    // read onto the grid by the control in its own way; R and its sign then say which arc it is.
    if (s.onGrid) {
      // The piece's centre as the control finds it from the piece's numbers on the grid.
      if (!p.gridValid) return kDiffCentre;
      const int a = p.plane == 18 ? 2 : (p.plane == 19 ? 1 : 0);
      const int b = p.plane == 18 ? 0 : (p.plane == 19 ? 2 : 1);
      CheckPoint centre = Centre(piece);
      centre.physical[a] += p.gridOffset[0] - p.offset[a];
      centre.physical[b] += p.gridOffset[1] - p.offset[b];
      if (!SamePoint(centre, Centre(source), 2.0 * tolerance)) return kDiffCentre;
    }
    return kSameMove;
  }
  if (!SamePoint(Centre(piece), Centre(source), 2.0 * tolerance)) return kDiffCentre;
  // The arc lengths told apart: a full circle is never a tiny arc, a long arc never a short one.
  const double radius = p.radius > s.radius ? p.radius : s.radius;
  if (std::fabs(p.sweep - s.sweep) * radius > 10.0 * tolerance) return kDiffSweep;
  return kSameMove;
}

int CompareHoles(const CheckEvent& piece, const CheckEvent& source, double tolerance, double startZ) {
  const HolePath& p = piece.hole;
  const HolePath& s = source.hole;
  if (p.code != s.code) return kDiffKind;
  // The travel to the hole: from the same place, or from higher up over a clear path: on the same
  // vertical line, from at least the start Z, or straight down from above the hole itself (a
  // piece's approach to its first hole).
  const bool sameXY = SameAxis(piece.from, source.from, 0, tolerance) && SameAxis(piece.from, source.from, 1, tolerance);
  const bool aboveHole = SameAxis(piece.from, piece.to, 0, tolerance) && SameAxis(piece.from, piece.to, 1, tolerance);
  const bool higher = AtOrAbove(piece.from, source.from.physical[2], tolerance) &&
                      PhysicalKnown(source.from, 2);
  if (!SamePoint(piece.from, source.from, tolerance) &&
      !(higher && (sameXY || aboveHole || AtOrAbove(piece.from, startZ, tolerance)))) {
    return kDiffFrom;
  }
  if (!SameAxis(piece.to, source.to, 0, tolerance) || !SameAxis(piece.to, source.to, 1, tolerance)) return kDiffTo;
  if (p.returnMode != s.returnMode || !Near(p.bottom, s.bottom, tolerance) || !Near(p.rLevel, s.rLevel, tolerance) ||
      !Near(p.q, s.q, tolerance) || !Near(p.p, s.p, kValueTolerance)) {
    return kDiffHole;
  }
  // Under G98 the hole ends at the initial level: the piece's may be higher.
  if (s.returnMode == 98 ? !(AtOrAbove(piece.to, source.to.physical[2], tolerance) && PhysicalKnown(source.to, 2))
                         : !SameAxis(piece.to, source.to, 2, tolerance)) {
    return kDiffTo;
  }
  return kSameMove;
}

// Appends to a caller's buffer; counts the whole length like snprintf.
class Text {
 public:
  explicit Text(std::span<char> out) : out_(out) {
    if (!out_.empty()) out_[0] = '\0';
  }
  void Add(const char* text) {
    for (; *text != '\0'; ++text, ++length_) {
      if (length_ + 1 < out_.size()) {
        out_[length_] = *text;
        out_[length_ + 1] = '\0';
      }
    }
  }
  void AddChar(char c) {
    const char text[2] = {c, '\0'};
    Add(text);
  }
  // Inch values with the four decimals of their resolution, millimetres as the pieces write them.
  void AddNumber(double value, bool inch = false) {
    char number[kCoordinateTextSize + 8];
    if (inch) {
      FormatRounded(value, number, 4);
    } else {
      FormatCoordinate(value, number);
    }
    Add(number);
  }
  void AddInteger(int value) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", value);
    Add(number);
  }
  void AddWord(char letter, double value, bool inch = false) {
    AddChar(letter);
    AddNumber(value, inch);
  }
  int length() const { return static_cast<int>(length_); }

 private:
  std::span<char> out_;
  size_t length_ = 0;
};

void AddPoint(Text* text, const CheckPoint& point, int axes, bool inch) {
  bool first = true;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if ((axes & (1 << axis)) == 0) continue;
    if (!first) text->Add(" ");
    first = false;
    text->AddChar(kAxisNames[axis]);
    if (PhysicalKnown(point, axis)) {
      text->AddNumber(point.physical[axis], inch);
    } else {
      text->Add("?");
    }
  }
}

void AddCode(Text* text, int code) {
  text->AddChar('G');
  if (code < 10) text->AddChar('0');
  text->AddInteger(code);
}

}  // namespace

const char* MoveAspectName(int aspect) {
  static constexpr const char* kNames[] = {"",           kAspectKind,   kAspectFrom,  kAspectTo,
                                           kAspectPlane, kAspectCentre, kAspectRadius, kAspectSweep,
                                           kAspectHole,  kAspectVia};
  return aspect > 0 && aspect < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[aspect] : kAspectKind;
}

const char* StateAspectName(int aspect) {
  static constexpr const char* kNames[] = {"",           kStateSpindle,  kStateSpeed,   kStateTool,
                                           kStateLength, kStateCompensation, kStateWorkOffset,
                                           kStateFeed,   kStateFeedMode, kStateCoolant, kStateUnits,
                                           kStateRotary, kStateOffsetWrites,
                                           kStateLocalSystem};
  return aspect > 0 && aspect < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[aspect] : kStateSpindle;
}

bool SameAxis(const CheckPoint& a, const CheckPoint& b, int axis, double tolerance) {
  const bool aKnown = PhysicalKnown(a, axis);
  if (aKnown != PhysicalKnown(b, axis)) return false;
  if (aKnown) return Near(a.physical[axis], b.physical[axis], tolerance);
  // Lost the same way and moved as far since (or declared the same by G92).
  return a.flags[axis] == b.flags[axis] && Near(a.program[axis], b.program[axis], tolerance);
}

bool SamePoint(const CheckPoint& a, const CheckPoint& b, double tolerance) {
  if ((a.flags[0] & b.flags[0] & a.flags[1] & b.flags[1] & a.flags[2] & b.flags[2] & kPhysicalKnown) != 0) {
    // Every axis known on both sides (nearly every move): the physical coordinates alone.
    return std::fabs(a.physical[0] - b.physical[0]) <= tolerance && std::fabs(a.physical[1] - b.physical[1]) <= tolerance &&
           std::fabs(a.physical[2] - b.physical[2]) <= tolerance;
  }
  return SameAxis(a, b, 0, tolerance) && SameAxis(a, b, 1, tolerance) && SameAxis(a, b, 2, tolerance);
}

namespace {

// A straight move the program makes from the top of travel (its Z lost to a reference return or a
// machine-coordinate move to machine zero before the piece began), which the piece makes from a
// known Z at or above the start height, where its positioning line put the tool: the same move
// through the air above every cut when it keeps Z (the program's stays at the top, the piece's at
// its height) or goes straight down to the same point.
bool FromTheTopOfTravel(const CheckEvent& piece, const CheckEvent& source, double tolerance,
                        double startZ) {
  if (piece.kind != kEventRapid && piece.kind != kEventLinear) return false;
  if ((source.from.flags[2] & kAtReference) == 0 || PhysicalKnown(source.from, 2)) return false;
  if (!PhysicalKnown(piece.from, 2) || piece.from.physical[2] < startZ - tolerance) return false;
  for (int axis = 0; axis < 2; ++axis) {
    if (!SameAxis(piece.from, source.from, axis, tolerance) || !SameAxis(piece.to, source.to, axis, tolerance)) {
      return false;
    }
  }
  if (PhysicalKnown(piece.to, 2) && Near(piece.to.physical[2], piece.from.physical[2], tolerance)) {
    // Kept at its height: the program's stays at the top of travel.
    return (source.to.flags[2] & kAtReference) != 0 && !PhysicalKnown(source.to, 2);
  }
  const bool vertical = SameAxis(piece.from, piece.to, 0, tolerance) && SameAxis(piece.from, piece.to, 1, tolerance);
  return vertical && SameAxis(piece.to, source.to, 2, tolerance);
}

}  // namespace

// Two straight moves whose ends are within the tolerance go the same way too: a move one step of
// the resolution long is within the tolerance of its neighbours at both ends, and of itself run
// backwards. Each end is rounded by at most half a step, so the travel along an axis known at both
// ends of both moves differs by at most a step.
static bool SameTravel(const CheckEvent& piece, const CheckEvent& source, double tolerance) {
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (!PhysicalKnown(piece.from, axis) || !PhysicalKnown(piece.to, axis) || !PhysicalKnown(source.from, axis) ||
        !PhysicalKnown(source.to, axis)) {
      continue;
    }
    const double travel = piece.to.physical[axis] - piece.from.physical[axis];
    if (!Near(travel, source.to.physical[axis] - source.from.physical[axis], tolerance)) return false;
  }
  return true;
}

int CompareMoves(const CheckEvent& piece, const CheckEvent& source, double tolerance, double startZ,
                 bool raised) {
  if (piece.kind != source.kind || piece.code != source.code || piece.named != source.named) return kDiffKind;
  if (piece.kind == kEventHole) return CompareHoles(piece, source, tolerance, startZ);
  if (FromTheTopOfTravel(piece, source, tolerance, startZ)) return kSameMove;
  bool lifted = false;
  if (!SamePoint(piece.from, source.from, tolerance)) {
    // A rapid after a hole that returned higher: the same vertical line, from higher up.
    lifted = raised && piece.kind == kEventRapid && SameAxis(piece.from, source.from, 0, tolerance) &&
             SameAxis(piece.from, source.from, 1, tolerance) && PhysicalKnown(source.from, 2) &&
             AtOrAbove(piece.from, source.from.physical[2], tolerance);
    if (!lifted) return kDiffFrom;
  }
  if (!SamePoint(piece.to, source.to, tolerance)) return kDiffTo;
  if (!lifted && (piece.kind == kEventRapid || piece.kind == kEventLinear) && !SameTravel(piece, source, tolerance)) {
    return kDiffTo;
  }
  if (piece.kind == kEventArc) return CompareArcs(piece, source, tolerance);
  if (piece.kind == kEventReference && !SamePoint(piece.via, source.via, tolerance)) return kDiffVia;
  if (piece.kind == kEventMachine) {
    for (int axis = 0; axis < kCheckAxes; ++axis) {
      if ((piece.named & (1 << axis)) != 0 && !Near(piece.via.program[axis], source.via.program[axis], tolerance)) {
        return kDiffVia;
      }
    }
  }
  return kSameMove;
}

int CompareStates(const CheckMachineState& piece, const CheckMachineState& source) {
  // Nearly always the very same state: the record has no padding, and every field is set.
  static_assert(sizeof(CheckMachineState) == 16 * sizeof(uint64_t));
  uint64_t difference = 0;
  for (size_t i = 0; i < sizeof piece; i += sizeof(uint64_t)) {
    uint64_t p = 0;
    uint64_t s = 0;
    std::memcpy(&p, reinterpret_cast<const char*>(&piece) + i, sizeof p);
    std::memcpy(&s, reinterpret_cast<const char*>(&source) + i, sizeof s);
    difference |= p ^ s;
  }
  if (difference == 0) return kSameState;
  if (piece.spindle != source.spindle) return kDiffSpindle;
  if (!Near(piece.speed, source.speed, kValueTolerance)) return kDiffSpeed;
  if (piece.tool != source.tool) return kDiffTool;
  if (piece.lengthOffset != source.lengthOffset ||
      (piece.lengthOffset != 49 && piece.lengthRegister != source.lengthRegister)) {
    return kDiffLength;
  }
  if (piece.compensation != source.compensation ||
      (piece.compensation != 40 && piece.radiusRegister != source.radiusRegister)) {
    return kDiffCompensation;
  }
  if (piece.workOffset != source.workOffset) return kDiffWorkOffset;
  if (!Near(piece.feed, source.feed, kValueTolerance)) return kDiffFeed;
  if (piece.feedMode != source.feedMode) return kDiffFeedMode;
  if (piece.coolant != source.coolant) return kDiffCoolant;
  if (piece.units != source.units) return kDiffUnits;
  if (piece.rotaryGiven != source.rotaryGiven) return kDiffRotary;
  for (int r = 0; r < 3; ++r) {
    if ((piece.rotaryGiven & (1 << r)) != 0 && !Near(piece.rotary[r], source.rotary[r], kValueTolerance)) {
      return kDiffRotary;
    }
  }
  if (piece.offsetWrites != source.offsetWrites || piece.offsetWriteCount != source.offsetWriteCount) {
    return kDiffOffsetWrites;
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (!Near(piece.localShift[axis], source.localShift[axis], kValueTolerance)) return kDiffLocalSystem;
  }
  return kSameState;
}

int ComparePlacement(const CheckMachineState& piece, const CheckMachineState& source) {
  if (piece.tool != source.tool) return kDiffTool;
  if (piece.lengthOffset != source.lengthOffset ||
      (piece.lengthOffset != 49 && piece.lengthRegister != source.lengthRegister)) {
    return kDiffLength;
  }
  if (piece.compensation != source.compensation || piece.compensationBefore != source.compensationBefore ||
      (piece.compensation != 40 && piece.radiusRegister != source.radiusRegister)) {
    return kDiffCompensation;
  }
  if (piece.workOffset != source.workOffset) return kDiffWorkOffset;
  if (piece.offsetWrites != source.offsetWrites) return kDiffOffsetWrites;
  for (int axis = 0; axis < 3; ++axis) {
    if (!Near(piece.localShift[axis], source.localShift[axis], kValueTolerance)) return kDiffLocalSystem;
  }
  return kSameState;
}

bool IsSubResolution(const CheckEvent& move, double tolerance) {
  if (move.kind != kEventRapid && move.kind != kEventLinear && move.kind != kEventArc) return false;
  if (!AllPhysicalKnown(move.from) || !AllPhysicalKnown(move.to)) return false;
  if (!SamePoint(move.from, move.to, tolerance)) return false;
  if (move.kind != kEventArc) return true;
  return move.arc.length <= tolerance;
}

bool DescendsToWhereThePieceIs(const CheckEvent& move, const CheckPoint& at, double tolerance) {
  if (move.kind != kEventRapid && move.kind != kEventLinear) return false;
  if (!AtTopOfTravel(move.from)) return false;
  return SameAxis(move.from, move.to, 0, tolerance) && SameAxis(move.from, move.to, 1, tolerance) &&
         AllPhysicalKnown(at) && SamePoint(move.to, at, tolerance);
}

int DescribePoint(const CheckPoint& point, bool inch, std::span<char> out) {
  Text text(out);
  AddPoint(&text, point, 7, inch);
  return text.length();
}

int DescribeMove(const CheckEvent& move, std::span<char> out) {
  Text text(out);
  const bool inch = move.state.units == 20;
  switch (move.kind) {
    case kEventRapid:
    case kEventLinear:
      AddCode(&text, move.kind == kEventRapid ? 0 : 1);
      text.Add(" ");
      AddPoint(&text, move.to, 7, inch);
      break;
    case kEventArc: {
      AddCode(&text, move.arc.direction);
      if (move.arc.plane != 17) {
        text.Add(" ");
        AddCode(&text, move.arc.plane);
      }
      text.Add(" ");
      AddPoint(&text, move.to, 7, inch);
      if (move.arc.rForm) {
        text.Add(" ");
        text.AddWord('R', move.arc.r, inch);
      } else {
        constexpr char kCentreNames[kCheckAxes] = {'I', 'J', 'K'};
        for (int axis = 0; axis < kCheckAxes; ++axis) {
          const int normal = move.arc.plane == 17 ? 2 : (move.arc.plane == 18 ? 1 : 0);
          if (axis == normal) continue;
          text.Add(" ");
          text.AddWord(kCentreNames[axis], move.arc.offset[axis], inch);
        }
      }
      break;
    }
    case kEventReference:
    case kEventMachine:
      AddCode(&text, move.code);
      for (int axis = 0; axis < kCheckAxes; ++axis) {
        if ((move.named & (1 << axis)) == 0) continue;
        text.Add(" ");
        text.AddChar(kAxisNames[axis]);
      }
      break;
    case kEventHole:
      AddCode(&text, move.hole.code);
      text.Add(" ");
      AddPoint(&text, move.to, 3, inch);
      text.Add(" ");
      text.AddWord('Z', move.hole.bottom, inch);
      text.Add(" ");
      text.AddWord('R', move.hole.rLevel, inch);
      if (move.hole.q != 0.0) {
        text.Add(" ");
        text.AddWord('Q', move.hole.q, inch);
      }
      if (move.hole.p != 0.0) {
        text.Add(" ");
        text.AddWord('P', move.hole.p);
      }
      text.Add(" ");
      AddCode(&text, move.hole.returnMode);
      break;
    default:
      break;
  }
  return text.length();
}

int DescribeSweep(const CheckEvent& arc, std::span<char> out) {
  Text text(out);
  char number[64];
  FormatRounded(std::fabs(arc.arc.sweep) * 180.0 / std::numbers::pi, number, 3);
  text.Add(number);
  text.Add(kDegrees);
  return text.length();
}

int DescribeStateAspect(const CheckMachineState& state, int aspect, std::span<char> out) {
  Text text(out);
  switch (aspect) {
    case kDiffSpindle:
      text.Add("M0");
      text.AddInteger(state.spindle);
      break;
    case kDiffSpeed:
      text.AddWord('S', state.speed);
      break;
    case kDiffTool:
      text.AddChar('T');
      text.AddInteger(state.tool);
      break;
    case kDiffLength:
      AddCode(&text, state.lengthOffset);
      if (state.lengthOffset != 49) {
        text.Add(" H");
        text.AddInteger(state.lengthRegister);
      }
      break;
    case kDiffCompensation:
      AddCode(&text, state.compensation);
      if (state.compensation != 40) {
        text.Add(" D");
        text.AddInteger(state.radiusRegister);
      }
      break;
    case kDiffWorkOffset:
      AddCode(&text, state.workOffset);
      break;
    case kDiffFeed:
      text.AddWord('F', state.feed);
      break;
    case kDiffFeedMode:
      AddCode(&text, state.feedMode);
      break;
    case kDiffCoolant:
      if (state.coolant == 0) text.Add(kCoolantOff);
      if ((state.coolant & 1) != 0) text.Add("M07");
      if (state.coolant == 3) text.Add(" ");
      if ((state.coolant & 2) != 0) text.Add("M08");
      break;
    case kDiffUnits:
      AddCode(&text, state.units);
      break;
    case kDiffRotary: {
      constexpr char kRotaryNames[3] = {'A', 'B', 'C'};
      bool first = true;
      for (int r = 0; r < 3; ++r) {
        if ((state.rotaryGiven & (1 << r)) == 0) continue;
        if (!first) text.Add(" ");
        first = false;
        text.AddWord(kRotaryNames[r], state.rotary[r]);
      }
      if (first) text.Add(kCoolantOff);
      break;
    }
    case kDiffLocalSystem:
      text.Add("G52");
      text.AddWord('X', state.localShift[0]);
      text.AddWord('Y', state.localShift[1]);
      text.AddWord('Z', state.localShift[2]);
      break;
    case kDiffOffsetWrites:
      text.Add("G10 ");
      text.AddInteger(state.offsetWriteCount);
      text.Add(kOffsetWriteBlocks);
      break;
    default:
      break;
  }
  return text.length();
}
