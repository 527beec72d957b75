#include "check/machine_simulator.h"

#include <cmath>

#include "check/arc_geometry.h"
#include "nc/number_text.h"

namespace {

constexpr char kAxisLetters[kCheckAxes] = {'X', 'Y', 'Z'};
constexpr char kCentreLetters[kCheckAxes] = {'I', 'J', 'K'};
constexpr char kRotaryLetters[3] = {'A', 'B', 'C'};

// Addresses the model reads; any other letter (E, U, V, W) is a word it cannot follow.
constexpr uint32_t kKnownLetters =
    LetterBit('A') | LetterBit('B') | LetterBit('C') | LetterBit('D') | LetterBit('F') |
    LetterBit('G') | LetterBit('H') | LetterBit('I') | LetterBit('J') | LetterBit('K') |
    LetterBit('L') | LetterBit('M') | LetterBit('N') | LetterBit('O') | LetterBit('P') |
    LetterBit('Q') | LetterBit('R') | LetterBit('S') | LetterBit('T') | LetterBit('X') |
    LetterBit('Y') | LetterBit('Z');
constexpr uint32_t kAxisWords = LetterBit('X') | LetterBit('Y') | LetterBit('Z');
// Words a restore block may hold besides its codes.
constexpr uint32_t kRestoreWords = LetterBit('G') | LetterBit('M') | LetterBit('N') | LetterBit('T') |
                                   LetterBit('H') | LetterBit('D') | LetterBit('S') | LetterBit('A') |
                                   LetterBit('B') | LetterBit('C');

// The plane's axes: first and second coordinate and the normal, so that (a, b, normal) is
// right-handed and a clockwise arc seen from the normal's positive end has a negative sweep.
struct PlaneAxes {
  int a;
  int b;
  int normal;
};
PlaneAxes AxesOf(int plane) {
  if (plane == 18) return {2, 0, 1};
  if (plane == 19) return {1, 2, 0};
  return {0, 1, 2};
}

bool IsCycleCode(int32_t whole) {
  return whole == 73 || whole == 74 || whole == 76 || (whole >= 81 && whole <= 89);
}

// Codes a restore block may set: planes, units, length offsets, work offsets, distance and feed
// modes, and the rapid mode of a positioning to where the tool stands.
bool IsRestoreCode(int32_t code) {
  if (code % 10 != 0) return false;
  const int32_t whole = code / 10;
  return whole == 0 || (whole >= 17 && whole <= 21) || whole == 40 || whole == 43 || whole == 44 || whole == 49 ||
         (whole >= 54 && whole <= 59) || whole == 90 || whole == 91 || whole == 94 || whole == 95;
}

// Codes that only change how later words are read: planes, distance mode, the cycle cancel, and
// G00 on a block that moves nothing (a positioning to where the tool stands: the rapid mode it
// leaves shows in the moves that follow).
bool IsInterpretationCode(int32_t code) {
  return code == GCode(0) || code == GCode(17) || code == GCode(18) || code == GCode(19) || code == GCode(80) || code == GCode(90) ||
         code == GCode(91);
}

// Codes that change nothing the model follows: exact stop and cutting modes, look-ahead modes,
// the cancels of what the model refuses (G15 polar, G50 scaling, G67 modal macro, G69
// rotation), and G91.1, incremental arc centres: the one way the model reads I, J, K (its
// opposite, G90.1, is refused).
bool IsIgnoredCode(int32_t code) {
  switch (code) {
    case GCode(5, 1): case GCode(8): case GCode(9): case GCode(15): case GCode(50):
    case GCode(61): case GCode(61, 1): case GCode(62): case GCode(63): case GCode(64):
    case GCode(67): case GCode(69): case GCode(91, 1):
      return true;
    default:
      return false;
  }
}

}  // namespace

void MachineSimulator::Reset(const double start[3], bool blockEvents) {
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    position_.program[axis] = start[axis];
    position_.physical[axis] = start[axis];
    position_.flags[axis] = kProgramKnown | kPhysicalKnown;
    shift_[axis] = 0.0;
    shiftKnown_[axis] = 1;
  }
  state_ = CheckMachineState{};
  state_.spindle = 5;
  state_.lengthOffset = 49;
  state_.compensation = 40;
  state_.compensationBefore = 40;
  state_.workOffset = 54;
  state_.feedMode = 94;
  state_.units = 21;
  motion_ = 0;
  cycle_ = 0;
  plane_ = 17;
  distance_ = 90;
  returnMode_ = 98;
  cycleZ_ = cycleR_ = cycleQ_ = cycleP_ = initialZ_ = 0.0;
  cycleHasZ_ = cycleHasR_ = 0;
  holesLeft_ = 0;
  endAfterHoles_ = false;
  blockEvents_ = blockEvents;
  ended_ = false;
  stateAtEnd_ = CheckMachineState{};
  moved_ = false;
  line_ = 0;
  fault_ = SimulationFault{};
  frames_ = nullptr;
  collect_ = false;
  positionings_ = false;
  checkedValid_ = false;
  frameFaultLine_ = doubleChangeLine_ = uncutChangeLine_ = uncutTool_ = 0;
  changesSinceCut_ = lastChangeLine_ = setPositions_ = 0;
  frameFault_ = ToolFrame{};
  firstMoveOffset_ = 0;
  for (int32_t& line : stillLines_) line = 0;
  groupsSet_ = openingGroups_ = 0;
  openingEnded_ = false;
  offsetsMovedIn_ = 0;
}

// The file's first move (made, or going nowhere) ends its opening: the groups set so far are kept.
void MachineSimulator::EndOpening() {
  if (openingEnded_) return;
  openingGroups_ = groupsSet_;
  openingEnded_ = true;
}

void MachineSimulator::NoteZWord() {
  if (frames_ == nullptr) return;
  const ToolFrame frame = FrameOf(state_.tool, state_.lengthOffset, state_.lengthRegister);
  if (checkedValid_ && SameFrame(frame, checkedFrame_)) return;
  if (collect_) {
    frames_->Add(frame);
  } else if (!frames_->Has(frame)) {
    if (frameFaultLine_ == 0) {
      frameFaultLine_ = line_;
      frameFault_ = frame;
    }
    return;
  }
  checkedFrame_ = frame;
  checkedValid_ = true;
}

int MachineSimulator::Fail(int result) {
  fault_.result = result;
  fault_.line = line_;
  ended_ = true;
  holesLeft_ = 0;
  endAfterHoles_ = false;
  return result;
}

int MachineSimulator::Unsupported(char letter, int32_t code) {
  fault_.letter = letter;
  fault_.code = code;
  return Fail(kSimulationUnsupported);
}

int MachineSimulator::Alarm(int alarm) {
  fault_.alarm = alarm;
  return Fail(kSimulationAlarm);
}

double MachineSimulator::Length(const CheckBlock& block, char letter) const {
  const double value = WordValue(block, letter);
  if ((block.hasPoint & LetterBit(letter)) != 0) return value;
  return value * Resolution();
}

// The program coordinate the block gives `axis` (absolute, or incremental under G91); false when
// the block does not name the axis or the result is not known.
bool MachineSimulator::Target(const CheckBlock& block, int axis, double* value) const {
  if (!HasWord(block, kAxisLetters[axis])) return false;
  const double length = Length(block, kAxisLetters[axis]);
  if (distance_ == 90) {
    *value = length;
    return true;
  }
  *value = position_.program[axis] + length;
  return ProgramKnown(axis);
}

// Moves `axis` to program coordinate `value`; when not `known` (G91 on an axis the program has
// lost) `value` is the distance from the axis's anchor, which it keeps. A move leaves the reference.
void MachineSimulator::SetProgram(int axis, double value, bool known) {
  const uint8_t old = position_.flags[axis];
  uint8_t flags;
  if (known) {
    flags = shiftKnown_[axis] ? (kProgramKnown | kPhysicalKnown) : kProgramKnown;
  } else {
    flags = old & kAnchorMask;
    if ((old & kProgramKnown) == 0 && value == position_.program[axis]) flags |= old & kAtReference;
  }
  position_.program[axis] = value;
  position_.physical[axis] = value + shift_[axis];
  position_.flags[axis] = flags;
}

// The axis is lost: from now on it is measured from `anchor` (at `value` from it).
// Where an axis lost to a new frame was lost: its coordinate in the file's starting frame, so that
// two files that lose it at different places never agree on it afterwards (0 when it was not known).
double MachineSimulator::LostAt(int axis) const {
  return PhysicalKnown(position_, axis) ? position_.physical[axis] : 0.0;
}

void MachineSimulator::Forget(int axis, int anchor, double value, bool atReference) {
  position_.program[axis] = value;
  position_.flags[axis] = static_cast<uint8_t>((anchor << kAnchorShift) | (atReference ? kAtReference : 0));
}

CheckEvent& MachineSimulator::Push(EventSlots* slots, int kind) {
  CheckEvent& event = slots->Next();
  event.kind = kind;
  event.line = line_;
  event.code = 0;
  event.named = 0;
  event.from = position_;
  event.state = state_;
  event.signature = 0;
  event.blockClass = kBlockOther;
  event.positioning = 0;
  if (IsCuttingEvent(kind)) changesSinceCut_ = 0;
  if (kind != kEventBlock && kind != kEventEnd) {
    EndOpening();
    if (firstMoveOffset_ == 0) firstMoveOffset_ = state_.workOffset;
    if (state_.workOffset >= 54 && state_.workOffset <= 59) offsetsMovedIn_ |= 1u << (state_.workOffset - 54);
  }
  return event;
}

void MachineSimulator::PushEnd(EventSlots* slots) {
  CheckEvent& event = Push(slots, kEventEnd);
  event.to = event.from;
  ended_ = true;
  stateAtEnd_ = state_;
  // The end resets the control: the spindle and the coolant stop.
  state_.spindle = 5;
  state_.coolant = 0;
}

// Checks every code of the block and takes the modal ones; the motion and non-modal codes are
// left to Execute. Returns kSimulationOk or a fault.
int MachineSimulator::ApplyCodes(const CheckBlock& block) {
  for (int i = 0; i < block.gCount; ++i) {
    const int32_t code = block.gCodes[i];
    const int32_t whole = code / 10;
    if (code % 10 != 0) {
      if (code != GCode(92, 1) && !IsIgnoredCode(code)) return Unsupported('G', code);
      continue;
    }
    if (whole == 80) groupsSet_ |= kGroupCycle;
    if (whole == 92) groupsSet_ |= kGroupPosition;
    if (whole <= 4 || whole == 28 || whole == 30 || whole == 53 || whole == 80 || whole == 92 ||
        IsCycleCode(whole) || IsIgnoredCode(code)) {
      continue;
    }
    if (whole >= 17 && whole <= 19) {
      groupsSet_ |= kGroupPlane;
      plane_ = whole;
    } else if (whole == 20 || whole == 21) {
      groupsSet_ |= kGroupUnits;
      if (whole != state_.units && moved_) return Alarm(kAlarmUnitsChanged);
      state_.units = whole;
    } else if (whole >= 40 && whole <= 42) {
      groupsSet_ |= kGroupCompensation;
      state_.compensation = whole;
    } else if (whole == 43 || whole == 44 || whole == 49) {
      groupsSet_ |= kGroupLength;
      state_.lengthOffset = whole;
    } else if (whole >= 54 && whole <= 59) {
      // The start point is in the coordinates the program works in: a work offset chosen before
      // the first move is that frame. A change after it leaves every axis unknown until named:
      // the offsets' values are not in the program.
      if (whole != state_.workOffset && moved_) {
        // An axis lost already keeps its anchor: the tool does not move.
        for (int axis = 0; axis < kCheckAxes; ++axis) {
          if (ProgramKnown(axis)) Forget(axis, kAnchorNewFrame, LostAt(axis), false);
        }
      }
      state_.workOffset = whole;
      groupsSet_ |= kGroupWorkOffset;
    } else if (whole == 90 || whole == 91) {
      groupsSet_ |= kGroupDistance;
      distance_ = whole;
    } else if (whole == 93 || whole == 94 || whole == 95) {
      groupsSet_ |= kGroupFeedMode;
      state_.feedMode = whole;
    } else if (whole == 98 || whole == 99) {
      returnMode_ = whole;
    } else {
      return Unsupported('G', code);
    }
  }
  for (int i = 0; i < block.mCount; ++i) {
    const int32_t code = block.mCodes[i];
    if (code == 97 || code == 98 || code == 99) return Unsupported('M', code);
  }
  return kSimulationOk;
}

// The state words that act before the block's move: F, S, T, H, D, A/B/C, M03, M04, M06, M07, M08.
// Returns kSimulationOk, or the alarm of a T, H or D number that no control holds.
int MachineSimulator::ApplyStateBefore(const CheckBlock& block) {
  if (HasWord(block, 'F')) state_.feed = WordValue(block, 'F');
  if (HasWord(block, 'S')) state_.speed = WordValue(block, 'S');
  const char registers[] = {'T', 'H', 'D'};
  int32_t* targets[] = {&state_.selectedTool, &state_.lengthRegister, &state_.radiusRegister};
  for (int r = 0; r < 3; ++r) {
    if (!HasWord(block, registers[r])) continue;
    const double number = WordValue(block, registers[r]);
    if (!(std::fabs(number) <= 99999999.0)) return Alarm(kAlarmBadRegister);
    *targets[r] = static_cast<int32_t>(number);
  }
  for (int r = 0; r < 3; ++r) {
    if (!HasWord(block, kRotaryLetters[r])) continue;
    const double value = WordValue(block, kRotaryLetters[r]);
    state_.rotary[r] = distance_ == 91 ? state_.rotary[r] + value : value;
    state_.rotaryGiven |= 1 << r;
  }
  // A tool change stops the spindle (a machining centre starts the new tool only on its M03 or
  // M04): it comes first, whatever the order of the block's words.
  for (int i = 0; i < block.mCount; ++i) {
    if (block.mCodes[i] == 6) state_.spindle = 5;
  }
  for (int i = 0; i < block.mCount; ++i) {
    switch (block.mCodes[i]) {
      case 3: case 4: state_.spindle = block.mCodes[i]; break;
      case 6:
        if (changesSinceCut_ > 0 && doubleChangeLine_ == 0) {
          doubleChangeLine_ = line_;
          uncutChangeLine_ = lastChangeLine_;
          uncutTool_ = state_.tool;
        }
        state_.tool = state_.selectedTool;
        ++changesSinceCut_;
        lastChangeLine_ = line_;
        break;
      case 7: state_.coolant |= 1; break;
      case 8: state_.coolant |= 2; break;
      default: break;
    }
  }
  return kSimulationOk;
}

// M05 and M09 act after the block's move.
void MachineSimulator::ApplyStateAfter(const CheckBlock& block) {
  for (int i = 0; i < block.mCount; ++i) {
    if (block.mCodes[i] == 5) state_.spindle = 5;
    if (block.mCodes[i] == 9) state_.coolant = 0;
  }
}

int MachineSimulator::ClassOf(const CheckBlock& block) const {
  if ((block.present & ~(LetterBit('G') | LetterBit('N'))) == 0 && block.gCount > 0) {
    bool interpretation = true;
    for (int i = 0; i < block.gCount; ++i) interpretation = interpretation && IsInterpretationCode(block.gCodes[i]);
    if (interpretation) return kBlockInterpretation;
  }
  if ((block.present & ~kRestoreWords) != 0) return kBlockOther;
  for (int i = 0; i < block.gCount; ++i) {
    if (!IsRestoreCode(block.gCodes[i])) return kBlockOther;
  }
  for (int i = 0; i < block.mCount; ++i) {
    if (block.mCodes[i] < 3 || block.mCodes[i] > 9) return kBlockOther;
  }
  return kBlockRestore;
}

int MachineSimulator::Execute(const char* line, size_t length, int lineNumber, EventSlots* slots) {
  holesLeft_ = 0;
  endAfterHoles_ = false;
  if (ended_) return fault_.result;
  line_ = lineNumber;
  CheckBlock& block = block_;
  const int read = ReadCheckBlock(line, length, &block);
  if (read == kBlockTapeMark) return kSimulationOk;
  if (read != kBlockRead) {
    fault_.blockResult = read;
    fault_.column = block.errorColumn;
    for (int i = 0; i < 4; ++i) fault_.text[i] = block.errorText[i];
    return Fail(kSimulationUnreadable);
  }
  if (block.present == 0) return kSimulationOk;
  const uint32_t unknown = block.present & ~kKnownLetters;
  if (unknown != 0) {
    char letter = 'A';
    while ((unknown & LetterBit(letter)) == 0) ++letter;
    return Unsupported(letter, 0);
  }
  if (HasCode(block, GCode(10))) return OffsetWrite(block, slots);
  if (HasCode(block, GCode(52))) return LocalSystem(block, slots);
  // A block of axis words only (the body of most programs) changes no state.
  const bool plain = (block.present & ~(kAxisWords | LetterBit('N') | LetterBit('F'))) == 0;
  if (plain && (block.present & kAxisWords) != 0 && cycle_ == 0 && motion_ < 2) {
    // The quick way for the lines most programs are made of: a straight move, or nothing.
    if (HasWord(block, 'F')) state_.feed = WordValue(block, 'F');
    if (HasWord(block, 'Z')) NoteZWord();
    if (MoveTo(block, motion_ == 0 ? kEventRapid : kEventLinear, slots)) moved_ = true;
    return kSimulationOk;
  }
  if (!plain) {
    state_.compensationBefore = state_.compensation;
    if (ApplyCodes(block) != kSimulationOk) return fault_.result;
    if (ApplyStateBefore(block) != kSimulationOk) return fault_.result;
  } else if (HasWord(block, 'F')) {
    state_.feed = WordValue(block, 'F');
  }

  bool ends = false;
  for (int i = 0; i < block.mCount; ++i) ends = ends || block.mCodes[i] == 2 || block.mCodes[i] == 30;

  int32_t nonModalCode = 0;
  if (TakeMotionGroup(block, &nonModalCode) != kSimulationOk) return fault_.result;

  const int motion = RunMotion(block, nonModalCode, slots);
  if (motion == kMotionFault) return fault_.result;
  if (motion == kMotionHoles) {
    moved_ = true;
    endAfterHoles_ = ends;
    return kSimulationOk;  // the holes, the state after them and the end come from NextHole
  }
  const bool moved = motion == kMotionMoved;
  if (moved) {
    moved_ = true;
    // The words riding on the move: a piece that comes to the same place another way may find
    // the move going nowhere and carry them as a block of their own.
    if (blockEvents_ && !plain && slots->count > 0 && RidingWords(block, &riding_)) {
      slots->ring[(slots->start + slots->count - 1) % slots->size].signature = BlockSignature(riding_);
    }
  }
  if (!plain) ApplyStateAfter(block);
  // A block that moves nothing but does something; a positioning to where the tool stands is no
  // such block, but the words riding on it are.
  if (!moved && blockEvents_ && (block.present & ~(LetterBit('N') | LetterBit('O'))) != 0) {
    PushBlockEvent(block, nonModalCode, slots);
  }
  state_.compensationBefore = state_.compensation;
  if (ends) PushEnd(slots);
  return kSimulationOk;
}

int MachineSimulator::RunMotion(const CheckBlock& block, int32_t nonModalCode, EventSlots* slots) {
  if (nonModalCode == 0 && cycle_ == 0 && HasWord(block, 'Z')) NoteZWord();
  if (nonModalCode != 0) {
    if (nonModalCode == GCode(28) || nonModalCode == GCode(30)) {
      ReferenceReturn(block, nonModalCode / 10, slots);
      return kMotionMoved;
    }
    if (nonModalCode == GCode(53)) {
      MachinePositioning(block, slots);
      return kMotionMoved;
    }
    if (nonModalCode == GCode(92) || nonModalCode == GCode(92, 1)) {
      if (LocalShiftInForce()) {
        Unsupported('G', nonModalCode);
        return kMotionFault;
      }
      SetOrigin(block);
    }
    // G04: a dwell; its X or P is a time, never a position.
    return kMotionNone;
  }
  if (cycle_ != 0) {
    const int holes = StartHoles(block);
    if (holes < 0) return kMotionFault;
    return holes > 0 ? kMotionHoles : kMotionNone;
  }
  if (motion_ >= 2) {
    const int arc = Arc(block, slots);
    if (arc < 0) return kMotionFault;
    return arc > 0 ? kMotionMoved : kMotionNone;
  }
  if ((block.present & kAxisWords) != 0) {
    return MoveTo(block, motion_ == 0 ? kEventRapid : kEventLinear, slots) ? kMotionMoved : kMotionNone;
  }
  return kMotionNone;
}

int MachineSimulator::TakeMotionGroup(const CheckBlock& block, int32_t* nonModalCode) {
  // The motion group: G00..G03 end a canned cycle, a cycle code starts one, G80 cancels it.
  int32_t motionCode = -1;
  int32_t cycleCode = -1;
  for (int i = 0; i < block.gCount; ++i) {
    const int32_t code = block.gCodes[i];
    if (code == GCode(92, 1)) *nonModalCode = code;
    if (code % 10 != 0) continue;
    const int32_t whole = code / 10;
    if (whole <= 3) motionCode = whole;
    if (whole == 80) cycleCode = 0;
    if (IsCycleCode(whole)) cycleCode = whole;
    if (whole == 4 || whole == 28 || whole == 30 || whole == 53 || whole == 92) *nonModalCode = code;
  }
  if (motionCode >= 0) {
    motion_ = motionCode;
    cycle_ = 0;
  }
  if (cycleCode == 0) {
    cycle_ = 0;
    cycleHasZ_ = cycleHasR_ = 0;
    cycleQ_ = cycleP_ = 0.0;
  } else if (cycleCode > 0) {
    if (cycle_ == 0) {
      // The initial level is where the tool stands when the cycle mode begins.
      if (!ProgramKnown(2)) return Alarm(kAlarmCycleUnknownLevel);
      initialZ_ = position_.program[2];
    }
    cycle_ = cycleCode;
  }
  return kSimulationOk;
}

void MachineSimulator::PushBlockEvent(const CheckBlock& block, int32_t nonModalCode, EventSlots* slots) {
  const CheckBlock* words = &block;
  if ((block.present & kAxisWords) != 0 && nonModalCode == 0) words = RidingWords(block, &riding_) ? &riding_ : nullptr;
  if (words != nullptr) {
    CheckEvent& event = Push(slots, kEventBlock);
    event.to = event.from;
    event.signature = BlockSignature(*words);
    event.blockClass = ClassOf(*words);
    event.positioning = words == &riding_ ? 1 : 0;
  } else if (positionings_) {
    CheckEvent& event = Push(slots, kEventBlock);
    event.to = event.from;
    event.blockClass = kBlockInterpretation;
    event.positioning = 1;
  }
}

// G10 L.. P.. with X, Y, Z or R: stores a work offset (L2, L20) or a tool offset (L1, L10..L13)
// and moves nothing; its axis words are the values stored. Only the absolute form is followed: an
// incremental write (G91) adds to what the register holds, so that running it again (in a piece
// that replays it) would store something else. A write after the first move may change the frame
// the program's coordinates are in (the work offset or the length in force), so every axis is
// unknown until named, as after a change of work offset; the values are not in the model, only
// the chain of writes, which a cut must share with the program's.
int MachineSimulator::OffsetWrite(const CheckBlock& block, EventSlots* slots) {
  constexpr uint32_t kOffsetWriteWords = LetterBit('G') | LetterBit('L') | LetterBit('P') | LetterBit('X') |
                                         LetterBit('Y') | LetterBit('Z') | LetterBit('R') | LetterBit('N');
  if ((block.present & ~kOffsetWriteWords) != 0 || !HasWord(block, 'L') || !HasWord(block, 'P')) {
    return Unsupported('G', GCode(10));
  }
  const double l = WordValue(block, 'L');
  const bool tool = l == 1 || (l >= 10 && l <= 13 && l == std::floor(l));
  if (!AbsoluteSetting(block, GCode(10)) || !(tool || l == 2 || l == 20)) return Unsupported('G', GCode(10));
  distance_ = 90;
  ++state_.offsetWriteCount;
  state_.offsetWrites = ChainSignature(state_.offsetWrites, OffsetWriteSignature(block, Resolution()));
  // A radius register (L12, L13) changes no position: only cuts under compensation, which carry
  // the chain.
  if (moved_ && l != 12 && l != 13) {
    for (int axis = 0; axis < kCheckAxes; ++axis) {
      if (ProgramKnown(axis)) Forget(axis, kAnchorNewFrame, LostAt(axis), false);
    }
  }
  PushSetting(block, slots);
  return kSimulationOk;
}

// G52 X Y Z: a local coordinate system inside the work offset, shifted by the values given (the
// axes named; the others keep theirs), G52 with zeros cancels it. The tool does not move: its
// coordinates change by the change of the shift, which the model knows, so no axis is lost. The
// shift joins the G92 shift between the program's coordinates and the physical ones, and is part
// of the state a cut must share with the program's. Only the absolute form is followed (under G91
// controls differ on what the values mean), and a G92 or G92.1 under a shift is not (controls
// differ on whether it cancels the local system).
int MachineSimulator::LocalSystem(const CheckBlock& block, EventSlots* slots) {
  constexpr uint32_t kLocalSystemWords = LetterBit('G') | LetterBit('X') | LetterBit('Y') | LetterBit('Z') | LetterBit('N');
  if ((block.present & ~kLocalSystemWords) != 0) return Unsupported('G', GCode(52));
  // In a canned cycle the initial level is held in the program's coordinates.
  if (!AbsoluteSetting(block, GCode(52)) || cycle_ != 0) return Unsupported('G', GCode(52));
  distance_ = 90;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (!HasWord(block, kAxisLetters[axis])) continue;
    const double value = Length(block, kAxisLetters[axis]);
    const double change = value - state_.localShift[axis];
    state_.localShift[axis] = value;
    shift_[axis] += change;
    // Known: the same place has new numbers. Lost: the distance moved since stays what it was.
    if (ProgramKnown(axis)) position_.program[axis] -= change;
  }
  PushSetting(block, slots);
  return kSimulationOk;
}

bool MachineSimulator::AbsoluteSetting(const CheckBlock& block, int32_t code) const {
  bool absolute = distance_ == 90;
  for (int i = 0; i < block.gCount; ++i) {
    if (block.gCodes[i] == GCode(90)) absolute = true;
    else if (block.gCodes[i] != code) return false;
  }
  return absolute;
}

void MachineSimulator::PushSetting(const CheckBlock& block, EventSlots* slots) {
  if (!blockEvents_) return;
  CheckEvent& event = Push(slots, kEventBlock);
  event.to = event.from;
  event.signature = BlockSignature(block);
  event.blockClass = kBlockRestore;
}

bool MachineSimulator::LocalShiftInForce() const {
  return state_.localShift[0] != 0.0 || state_.localShift[1] != 0.0 || state_.localShift[2] != 0.0;
}

void MachineSimulator::NextHole(EventSlots* slots) {
  if (holesLeft_ <= 0) return;
  const CheckBlock& block = block_;
  CheckEvent& event = Push(slots, kEventHole);
  for (int axis = 0; axis < 2; ++axis) {
    double value = 0.0;
    if (!HasWord(block, kAxisLetters[axis])) continue;
    const bool known = Target(block, axis, &value);
    SetProgram(axis, value, known);
  }
  // Under G91 R counts from the initial level and Z from the R level.
  const double rProgram = distance_ == 91 ? initialZ_ + (cycleHasR_ ? cycleR_ : 0.0)
                                          : (cycleHasR_ ? cycleR_ : initialZ_);
  const double bottomProgram = distance_ == 91 ? rProgram + cycleZ_ : cycleZ_;
  HolePath& hole = event.hole;
  hole.code = cycle_;
  hole.returnMode = returnMode_;
  hole.bottom = bottomProgram + shift_[2];
  hole.rLevel = rProgram + shift_[2];
  hole.initialLevel = initialZ_ + shift_[2];
  hole.q = cycleQ_;
  hole.p = cycleP_;
  SetProgram(2, returnMode_ == 98 ? initialZ_ : rProgram, true);
  event.to = position_;
  if (--holesLeft_ == 0) {
    ApplyStateAfter(block);
    state_.compensationBefore = state_.compensation;
    if (endAfterHoles_) PushEnd(slots);
    endAfterHoles_ = false;
  }
}

// A straight move (G00, G01) to the block's axis words. False when it goes nowhere.
bool MachineSimulator::MoveTo(const CheckBlock& block, int kind, EventSlots* slots) {
  bool moves = false;
  double target[kCheckAxes];
  bool known[kCheckAxes];
  const double resolution = Resolution();
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    const uint32_t bit = LetterBit(kAxisLetters[axis]);
    if ((block.present & bit) == 0) continue;
    double value = block.value[kAxisLetters[axis] - 'A'];
    if ((block.hasPoint & bit) == 0) value *= resolution;
    const bool programKnown = ProgramKnown(axis);
    known[axis] = true;
    if (distance_ != 90) {
      value += position_.program[axis];
      known[axis] = programKnown;
    }
    target[axis] = value;
    if (!known[axis] || !programKnown || value != position_.program[axis]) moves = true;
  }
  if (!moves) {
    // A positioning to where the tool stands ends the opening too.
    EndOpening();
    const int offset = state_.workOffset;
    if (firstMoveOffset_ == 0 && offset >= 54 && offset <= 59 && stillLines_[offset - 54] == 0) {
      stillLines_[offset - 54] = line_;
    }
    return false;
  }
  CheckEvent& event = Push(slots, kind);
  // The end point is written into the event as into the position, field by field: a copy of the
  // whole position after these writes would read them back before they have left the store
  // buffer, and wait for them.
  event.to = event.from;
  bool usual = true;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if ((block.present & LetterBit(kAxisLetters[axis])) == 0) continue;
    if (known[axis] && shiftKnown_[axis]) {
      // SetProgram's usual case.
      const double physical = target[axis] + shift_[axis];
      position_.program[axis] = event.to.program[axis] = target[axis];
      position_.physical[axis] = event.to.physical[axis] = physical;
      position_.flags[axis] = event.to.flags[axis] = kProgramKnown | kPhysicalKnown;
    } else {
      SetProgram(axis, target[axis], known[axis]);
      usual = false;
    }
  }
  if (!usual) event.to = position_;
  return true;
}

// An arc of the plane in force. Returns 1 for a move, 0 when the block goes nowhere, or a fault.
int MachineSimulator::Arc(const CheckBlock& block, EventSlots* slots) {
  const PlaneAxes plane = AxesOf(plane_);
  const bool clockwise = motion_ == 2;
  const bool rForm = HasWord(block, 'R');
  const bool centreWords = HasWord(block, kCentreLetters[plane.a]) || HasWord(block, kCentreLetters[plane.b]);
  if ((block.present & kAxisWords) == 0 && !rForm && !centreWords) return 0;  // e.g. "G02 F300"

  double target[kCheckAxes];
  bool known[kCheckAxes];
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    target[axis] = position_.program[axis];
    known[axis] = ProgramKnown(axis);
    if (HasWord(block, kAxisLetters[axis])) known[axis] = Target(block, axis, &target[axis]);
  }
  if (!known[plane.a] || !known[plane.b] || !ProgramKnown(plane.a) || !ProgramKnown(plane.b)) {
    return Alarm(kAlarmArcUnknownStart);
  }
  const double start[2] = {position_.program[plane.a], position_.program[plane.b]};
  const double end[2] = {target[plane.a], target[plane.b]};
  // An end a hair of binary beside the start (a start reached by increments, a number written in
  // thousandths) is the start: the control holds both on its grid and cuts a whole circle.
  const bool samePoint = std::fabs(start[0] - end[0]) <= kBinaryHair && std::fabs(start[1] - end[1]) <= kBinaryHair;
  const bool normalMoves = !known[plane.normal] || !ProgramKnown(plane.normal) ||
                           target[plane.normal] != position_.program[plane.normal];
  double offset[2] = {0.0, 0.0};
  if (rForm) {
    const int centre = ArcCentreFromRadius(start, end, Length(block, 'R'), clockwise, offset);
    if (centre == kArcNoChord) {
      if (!normalMoves) return 0;
      return Alarm(kAlarmArcNoChord);
    }
    // The control judges the numbers it holds, on its grid: a program's X1.4248 is its X1.425.
    if (!RadiusReachesEnd(start, end, Length(block, 'R'), Resolution())) return Alarm(kAlarmArcChord);
  } else {
    if (!centreWords) {
      if (samePoint && !normalMoves) return 0;
      return Alarm(kAlarmArcNoCentre);
    }
    if (HasWord(block, kCentreLetters[plane.a])) offset[0] = Length(block, kCentreLetters[plane.a]);
    if (HasWord(block, kCentreLetters[plane.b])) offset[1] = Length(block, kCentreLetters[plane.b]);
    if (offset[0] == 0.0 && offset[1] == 0.0) {
      if (samePoint && !normalMoves) return 0;
      return Alarm(kAlarmArcNoCentre);
    }
  }

  CheckEvent& event = Push(slots, kEventArc);
  ArcPath& arc = event.arc;
  arc.plane = plane_;
  arc.direction = motion_;
  arc.rForm = rForm ? 1 : 0;
  arc.onGrid = 0;
  arc.gridValid = 0;
  if (rForm) {
    // The centre as a control that holds every number on its grid of least increments finds it:
    // near a half circle a step more or less moves it far.
    const double step = Resolution();
    double grid[5] = {start[0], start[1], end[0], end[1], Length(block, 'R')};
    arc.onGrid = 1;
    for (double& value : grid) {
      const double rounded = std::round(value / step) * step;
      if (std::fabs(value - rounded) > kBinaryHair) arc.onGrid = 0;
      value = rounded;
    }
    const double gridStart[2] = {grid[0], grid[1]};
    const double gridEnd[2] = {grid[2], grid[3]};
    double gridOffset[2];
    if (ArcCentreFromRadius(gridStart, gridEnd, grid[4], clockwise, gridOffset) == kArcCentreOk) {
      arc.gridValid = 1;
      arc.gridOffset[0] = gridOffset[0] + grid[0] - start[0];
      arc.gridOffset[1] = gridOffset[1] + grid[1] - start[1];
    }
  }
  arc.r = rForm ? Length(block, 'R') : 0.0;
  arc.offset[plane.a] = offset[0];
  arc.offset[plane.b] = offset[1];
  arc.offset[plane.normal] = 0.0;
  const double centre[2] = {start[0] + offset[0], start[1] + offset[1]};
  arc.radius = std::hypot(offset[0], offset[1]);
  arc.sweep = ArcSweep(start, end, centre, clockwise, samePoint && !rForm);
  const double rise = known[plane.normal] && ProgramKnown(plane.normal)
                          ? target[plane.normal] - position_.program[plane.normal]
                          : 0.0;
  arc.length = std::hypot(std::fabs(arc.sweep) * arc.radius, rise);
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (HasWord(block, kAxisLetters[axis])) SetProgram(axis, target[axis], known[axis]);
  }
  event.to = position_;
  return 1;
}

// G28 / G30: through the intermediate point (the named axes, in the distance mode in force) to the
// reference point; the named axes are unknown afterwards.
void MachineSimulator::ReferenceReturn(const CheckBlock& block, int code, EventSlots* slots) {
  CheckEvent& event = Push(slots, kEventReference);
  event.code = code;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    double value = 0.0;
    if (!HasWord(block, kAxisLetters[axis])) continue;
    event.named |= 1 << axis;
    const bool known = Target(block, axis, &value);
    SetProgram(axis, value, known);
  }
  event.via = position_;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if ((event.named & (1 << axis)) != 0) {
      Forget(axis, code == 28 ? kAnchorReference : kAnchorSecondReference, 0.0, true);
    }
  }
  event.to = position_;
}

// G53: a positioning in machine coordinates for this block only. Z at machine zero or above is
// the top of travel; X and Y at machine zero are at their reference.
void MachineSimulator::MachinePositioning(const CheckBlock& block, EventSlots* slots) {
  CheckEvent& event = Push(slots, kEventMachine);
  event.code = 53;
  event.via = event.from;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (!HasWord(block, kAxisLetters[axis])) continue;
    event.named |= 1 << axis;
    const double value = Length(block, kAxisLetters[axis]);
    event.via.program[axis] = value;  // the machine coordinate the block gives
    Forget(axis, kAnchorMachine, value, axis == 2 ? value >= 0.0 : value == 0.0);
  }
  event.to = position_;
}

// G92 declares the place the tool stands at to have the given coordinates; G92.1 drops the shift.
void MachineSimulator::SetOrigin(const CheckBlock& block) {
  const bool cancel = HasCode(block, GCode(92, 1));
  if (!cancel) ++setPositions_;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    const uint8_t flags = position_.flags[axis];
    const bool physicalKnown = (flags & kPhysicalKnown) != 0;
    const double physical = position_.physical[axis];
    if (cancel) {
      shift_[axis] = 0.0;
      shiftKnown_[axis] = 1;
      if (physicalKnown) {
        position_.program[axis] = physical;
      } else if ((flags & kProgramKnown) != 0) {
        Forget(axis, kAnchorNewFrame, 0.0, (flags & kAtReference) != 0);
      }
      continue;
    }
    if (!HasWord(block, kAxisLetters[axis])) continue;
    const double value = Length(block, kAxisLetters[axis]);
    shift_[axis] = physicalKnown ? physical - value : 0.0;
    shiftKnown_[axis] = physicalKnown ? 1 : 0;
    SetProgram(axis, value, true);
    position_.flags[axis] |= flags & kAtReference;  // the tool has not moved
  }
}

// Takes a block of the cycle in force: its Z, R, Q, P and repeat count. Returns the number of holes
// it drills (0 when it names no position or its repeat count is 0), or a fault.
int MachineSimulator::StartHoles(const CheckBlock& block) {
  if (HasWord(block, 'Z')) {
    cycleZ_ = Length(block, 'Z');
    cycleHasZ_ = 1;
  }
  if (HasWord(block, 'R')) {
    cycleR_ = Length(block, 'R');
    cycleHasR_ = 1;
  }
  if (HasWord(block, 'Q')) cycleQ_ = Length(block, 'Q');
  if (HasWord(block, 'P')) cycleP_ = WordValue(block, 'P');
  const uint32_t position = kAxisWords | LetterBit('R');
  if ((block.present & position) == 0) return 0;
  int repeats = 1;
  const char repeatLetter = HasWord(block, 'K') ? 'K' : (HasWord(block, 'L') ? 'L' : '\0');
  if (repeatLetter != '\0') {
    const double count = WordValue(block, repeatLetter);
    if (!(count >= 0.0 && count <= 9999.0) || count != std::floor(count)) return Alarm(kAlarmBadRepeat);
    repeats = static_cast<int>(count);
  }
  if (repeats == 0) return 0;
  if (!cycleHasZ_) return Alarm(kAlarmCycleNoDepth);
  if (!shiftKnown_[2]) return Alarm(kAlarmCycleUnknownLevel);
  holesLeft_ = repeats;
  return repeats;
}

