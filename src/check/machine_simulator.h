// The split check's machine: executes the blocks of one file as a three-axis mill control does and
// yields an event for every move (and, when asked, for every block that moves nothing but does
// something). One simulator runs the source program, another each piece; both start with the
// tool at the run's start point in the control's power-on state (G00 G17 G90 G21 G40 G49 G80
// G94 G54, spindle stopped, coolant off).
//
// What it models, and why:
//  - Positions per axis in program coordinates and in physical ones (program plus G92 shift), each
//    with a "known" flag. G92 declares the place the tool stands at to have the given coordinates;
//    it changes the shift, never moves. The start point is in the coordinates the program works
//    in, so a work offset (G54..G59) chosen before the first move only selects that frame; a
//    change of work offset after it leaves every axis unknown until an absolute move names it:
//    the offsets' values are not in the program.
//    G28/G30 end at the reference point and G53 in machine coordinates: those axes are unknown
//    afterwards (at the reference, the top of travel for Z); under G91 an unknown axis stays
//    unknown, but the distance it moves from where it was lost is kept, so that two files that
//    move it differently never look alike.
//  - Numbers without "." in X Y Z I J K R Q count least increments: 0.001 mm under G21, 0.0001
//    inch under G20. A change of units after the first move cannot be simulated (positions would
//    change meaning) and is refused.
//  - Arcs in G17/G18/G19 from I/J/K (always incremental) or R (R > 0 the short arc, R < 0 the
//    long one), helical with the third axis. An arc whose end is its start in the file's numbers
//    is a full circle; an arc with no centre word, or an R arc whose chord is longer than 2|R| by
//    more than a half circle's rounded numbers make it (kHalfCircleSlack steps, judged on the
//    grid of the least increment), is a control alarm; within that it is the half circle.
//  - Canned cycles G73 G74 G76 G81..G89 with R, Z, Q, P, K/L repeats, G98/G99, in G90 and G91 (R
//    from the initial level, Z from the R level): one event per hole. G80 or G00..G03 ends them.
//  - M02/M30 end the program: one end event, nothing after it.
//  - Offset writes (G10 L2/L20 work offsets, L1/L10..L13 tool offsets, absolute only) store
//    values the model does not know: the state keeps the chain of writes, which every cut must
//    share with the program's, and a write after the first move leaves every axis unknown until
//    named.
//  - G52 X Y Z (absolute) sets a local coordinate system: its shift is known, joins the G92 shift
//    between program and physical coordinates (no axis is lost), and is part of the state.
//  - What a control could not read, and what this model cannot follow (M98/M99, macro calls
//    G65/G66, incremental or other G10 writes, incremental G52, G92 under a G52 shift, rotation G68, scaling G51, polar G16, other codes it does not
//    know, "#" variables, "[" expressions, full-width characters), stops the simulation with a
//    fault naming the line and what was found.
// Fixed memory, no allocation; each line is read once. Block events (asked for by the carried-
// blocks rule) carry a signature of the block's words; a move carries the words riding on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "check/check_block.h"
#include "check/check_events.h"
#include "check/tool_frames.h"

// Results of MachineSimulator::Execute.
enum SimulationResult {
  kSimulationOk = 0,
  kSimulationUnreadable = -1,   // the block cannot be read (`fault.blockResult`)
  kSimulationUnsupported = -2,  // a word the model cannot follow (`fault.letter`, `fault.code`)
  kSimulationAlarm = -3,        // a block the control alarms on or the model cannot place (`fault.alarm`)
};

// Why a block is refused as kSimulationAlarm.
enum SimulationAlarm {
  kAlarmNone = 0,
  kAlarmArcChord = 1,         // R arc: end farther than 2|R| from the start, past a rounded half circle
  kAlarmArcNoCentre = 2,      // arc without I/J/K or R
  kAlarmArcNoChord = 3,       // R arc whose end is its start, with a helix move
  kAlarmArcUnknownStart = 4,  // arc from a position the program has not given
  kAlarmUnitsChanged = 5,     // G20/G21 switched after the first move
  kAlarmCycleNoDepth = 6,     // canned cycle hole with no Z given yet
  kAlarmCycleUnknownLevel = 7,  // canned cycle from a Z the program has not given
  kAlarmBadRepeat = 8,        // K/L repeat count that is not a whole number 0..9999
  kAlarmBadRegister = 9,      // T, H or D number beyond eight digits (no control holds it)
};

struct SimulationFault {
  int32_t result;       // SimulationResult
  int32_t line;         // 1-based line
  int32_t blockResult;  // kSimulationUnreadable: the CheckBlockResult
  int32_t column;       // kSimulationUnreadable: 1-based byte of the fault
  char text[4];         // kSimulationUnreadable: the character at fault
  char letter;          // kSimulationUnsupported: 'G', 'M' or the address letter
  int32_t code;         // kSimulationUnsupported: G code (GCode() value) or M code
  int32_t alarm;        // kSimulationAlarm: SimulationAlarm
};

// Where Execute and NextHole put their events: slot (start + count) % size of the caller's ring,
// `count` counting up. A line makes at most two events (a move or a block, then the end).
struct EventSlots {
  CheckEvent* ring;
  int size;
  int start;
  int count;
  CheckEvent& Next() {
    int index = start + count++;  // start < size, and count stays below size
    if (index >= size) index -= size;
    return ring[index];
  }
};

class MachineSimulator {
 public:
  // Power-on state, the tool at `start` (X, Y, Z in the program's units) with every axis known and
  // no shift. `blockEvents`: also yield kEventBlock events.
  void Reset(const double start[3], bool blockEvents);

  // Executes one physical line (`length` bytes, see ReadCheckBlock) numbered `lineNumber` and puts
  // its events into `slots` (at most two; the holes of a canned-cycle block come from NextHole).
  // Returns kSimulationOk or a fault (see fault()); after a fault or after the program's end the
  // simulator executes nothing more.
  int Execute(const char* line, size_t length, int lineNumber, EventSlots* slots);

  // True while holes of the latest line are still to come.
  bool HolesPending() const { return holesLeft_ > 0; }
  // Puts the next hole of the latest line into `slots`, and the program's end after the last hole
  // when the block ended it.
  void NextHole(EventSlots* slots);

  // Learns the frames the file gives Z words in into `frames` (`collect`), or holds the file to
  // those `frames` holds (see check/tool_frames.h); nullptr: neither. Set after Reset, which
  // forgets it.
  void WatchFrames(ToolFrames* frames, bool collect) {
    frames_ = frames;
    collect_ = collect;
  }
  // Also yield a block event (signature 0, `positioning` 1) for a positioning whose axis words go
  // nowhere and which carries no other words (set after Reset, which forgets it).
  void ReportPositionings() { positionings_ = true; }
  // Held to a table: the first line that gave Z in a frame the table lacks (0: none), and that frame.
  int frameFaultLine() const { return frameFaultLine_; }
  const ToolFrame& frameFault() const { return frameFault_; }
  // The first M06 that followed another with no cut between (0: none), and the line and tool of
  // that other one.
  int doubleChangeLine() const { return doubleChangeLine_; }
  int uncutChangeLine() const { return uncutChangeLine_; }
  int uncutTool() const { return uncutTool_; }
  // The machine state in force.
  const CheckMachineState& state() const { return state_; }
  // The tool in the spindle.
  int tool() const { return state_.tool; }
  // Tool changes since the latest cut (or since power-on).
  int changesSinceCut() const { return changesSinceCut_; }
  // The line of the latest M06 (0: none).
  int lastChangeLine() const { return lastChangeLine_; }
  // G92 blocks executed.
  int setPositions() const { return setPositions_; }
  // The work offset in force at the file's first move (0 before one): the frame the run's start
  // point is given in.
  int firstMoveOffset() const { return firstMoveOffset_; }
  // The work offsets (bit n for G5n, 54..59) in force at the positionings before the file's first
  // move that went nowhere in them, and the line of the first: each is taken for the start point's
  // frame, where the tool already stands.
  uint32_t stillPositioningOffsets() const {
    uint32_t offsets = 0;
    for (int n = 0; n < 6; ++n) offsets |= stillLines_[n] != 0 ? 1u << n : 0u;
    return offsets;
  }
  int stillPositioningLine(int offset) const { return stillLines_[offset - 54]; }
  // The modal groups (OpeningGroup bits) the file set, by a code of its own, up to its first move
  // (its opening); valid once that move came (openingEnded()).
  uint32_t openingGroups() const { return openingGroups_; }
  bool openingEnded() const { return openingEnded_; }
  // Bit per work offset G54..G59 (bit 0: G54) the file moved in.
  uint32_t workOffsetsMovedIn() const { return offsetsMovedIn_; }

  bool ended() const { return ended_; }
  // The state in force at the program's end (M02/M30), before the end resets the spindle and the
  // coolant; valid once ended() by an end.
  const CheckMachineState& stateAtEnd() const { return stateAtEnd_; }
  const SimulationFault& fault() const { return fault_; }
  // Where the tool stands now.
  const CheckPoint& Position() const { return position_; }
  // The output resolution of the units in force: 0.001 mm or 0.0001 inch.
  double Resolution() const { return state_.units == 20 ? 0.0001 : 0.001; }

 private:
  int Fail(int result);
  int Unsupported(char letter, int32_t code);
  int Alarm(int alarm);
  int ApplyCodes(const CheckBlock& block);
  int OffsetWrite(const CheckBlock& block, EventSlots* slots);
  int LocalSystem(const CheckBlock& block, EventSlots* slots);
  // A block of G code `code` that this model follows only in its absolute form: true when it is
  // absolute (G90 in force or on the block) and holds no other G code than G90 and `code`.
  bool AbsoluteSetting(const CheckBlock& block, int32_t code) const;
  // The block event of a setting block (with block events asked for): it only sets state.
  void PushSetting(const CheckBlock& block, EventSlots* slots);
  bool LocalShiftInForce() const;
  int ApplyStateBefore(const CheckBlock& block);
  void ApplyStateAfter(const CheckBlock& block);
  double Length(const CheckBlock& block, char letter) const;
  bool Target(const CheckBlock& block, int axis, double* value) const;
  bool ProgramKnown(int axis) const { return (position_.flags[axis] & kProgramKnown) != 0; }
  void SetProgram(int axis, double value, bool known);
  void Forget(int axis, int anchor, double value, bool atReference);
  double LostAt(int axis) const;
  CheckEvent& Push(EventSlots* slots, int kind);
  void PushEnd(EventSlots* slots);
  // The block's motion group (G00..G03, the cycle codes, G80) into the modal state, its non-modal
  // code (G04, G28, G30, G53, G92, G92.1; 0 for none) into `*nonModalCode`. kSimulationOk, or the
  // alarm of a cycle begun where the tool's height is unknown.
  int TakeMotionGroup(const CheckBlock& block, int32_t* nonModalCode);
  // What RunMotion did.
  enum MotionRun {
    kMotionFault = -1,  // the simulation failed (fault_ tells why)
    kMotionNone = 0,    // no move: a setting, a dwell, a move to where the tool stands
    kMotionMoved = 1,   // the tool moved
    kMotionHoles = 2,   // a canned cycle's holes begin (NextHole makes them)
  };
  // The block's move after its codes are taken: the non-modal one (reference return, machine
  // positioning, G92), the holes of a cycle, an arc or a straight move. A MotionRun.
  int RunMotion(const CheckBlock& block, int32_t nonModalCode, EventSlots* slots);
  // The event of a block that moves nothing but does something (or of the words riding on a
  // positioning that goes nowhere).
  void PushBlockEvent(const CheckBlock& block, int32_t nonModalCode, EventSlots* slots);
  bool MoveTo(const CheckBlock& block, int kind, EventSlots* slots);
  int Arc(const CheckBlock& block, EventSlots* slots);
  void ReferenceReturn(const CheckBlock& block, int code, EventSlots* slots);
  void MachinePositioning(const CheckBlock& block, EventSlots* slots);
  void SetOrigin(const CheckBlock& block);
  int StartHoles(const CheckBlock& block);
  int ClassOf(const CheckBlock& block) const;  // a BlockClass
  // A Z word of a straight move or an arc in work coordinates: its frame is learnt or held.
  void NoteZWord();
  void EndOpening();

  // Position: program coordinates, physical ones (program plus shift) and their flags.
  CheckPoint position_;
  double shift_[kCheckAxes];       // G92 shift per axis
  uint8_t shiftKnown_[kCheckAxes];
  // Modal state besides the machine state.
  CheckMachineState state_;
  int32_t motion_;       // G00..G03 -> 0..3; power-on 0
  int32_t cycle_;        // canned cycle in force (73, 81, ...), 0 after G80 / G00..G03; power-on 0
  int32_t plane_;        // 17, 18, 19; power-on 17
  int32_t distance_;     // 90, 91; power-on 90
  int32_t returnMode_;   // 98, 99; power-on 98
  double cycleZ_;        // Z of the cycle in force as given (a length; G91: from the R level)
  double cycleR_;        // R as given (G91: from the initial level)
  double cycleQ_;        // Q as given, 0 until one
  double cycleP_;        // P as written, 0 until one
  double initialZ_;      // program Z when the cycle began
  uint8_t cycleHasZ_;
  uint8_t cycleHasR_;
  // Holes of the latest block still to come (K/L repeats) and whether the block ends the program.
  int32_t holesLeft_;
  bool endAfterHoles_;
  // Flags.
  bool blockEvents_;
  bool ended_;
  CheckMachineState stateAtEnd_;
  bool moved_;          // a move has been made (units and the working frame are fixed from then on)
  int32_t line_;
  SimulationFault fault_;
  CheckBlock block_;    // the latest line's block (the holes are drilled from it)
  CheckBlock riding_;   // the words riding on a move line that goes nowhere
  // The frames of Z words (see WatchFrames) and the tool changes.
  bool positionings_ = false;
  ToolFrames* frames_ = nullptr;
  bool collect_ = false;
  ToolFrame checkedFrame_{};   // the frame last found in the table (checkedValid_)
  bool checkedValid_ = false;
  int32_t frameFaultLine_ = 0;
  ToolFrame frameFault_{};
  int32_t doubleChangeLine_ = 0;
  int32_t uncutChangeLine_ = 0;
  int32_t uncutTool_ = 0;
  int32_t changesSinceCut_ = 0;
  int32_t lastChangeLine_ = 0;
  int32_t setPositions_ = 0;
  int32_t firstMoveOffset_ = 0;
  int32_t stillLines_[6] = {};  // per work offset G54..G59: the line of its first such positioning
  uint32_t groupsSet_ = 0;
  uint32_t openingGroups_ = 0;  // groupsSet_ at the first move
  bool openingEnded_ = false;
  uint32_t offsetsMovedIn_ = 0;
};

// The modal groups a file may set in its opening, up to its first move, by a code of its own
// (MachineSimulator::openingGroups): a piece that runs after another, or after a power cycle,
// sets each of them that the program's opening sets, whatever the power-on state would give. The
// length offset is left to the moves: a piece that resumes with another tool takes it up later.
enum OpeningGroup : uint32_t {
  kGroupDistance = 1,      // G90 / G91
  kGroupPlane = 2,         // G17..G19
  kGroupUnits = 4,         // G20 / G21
  kGroupCompensation = 8,  // G40..G42
  kGroupLength = 16,       // G43 / G44 / G49
  kGroupWorkOffset = 32,   // G54..G59
  kGroupCycle = 64,        // G80
  kGroupFeedMode = 128,    // G93..G95
  kGroupPosition = 256,    // G92: the tool's position declared
};
