// The rules the split loop and the seam planner share: how a record counts into a piece's meters,
// where no piece may begin, which block changes tools, and one path record as both take it.
#pragma once

#include <cstring>

#include "nc/block.h"
#include "nc/machine_state.h"
#include "nc/measure.h"
#include "nc/pass_rules.h"
#include "split/intermediate.h"
#include "split/machine_meter.h"
#include "split/split_job.h"
#include "split/split_messages.h"

// The meters of the piece being written, and how a record counts into them.
struct PieceMeters {
  SplitMeter* distance;
  SplitMeter* time;
  Extents minimum;
  Extents maximum;
  double toMillimetres;  // 25.4 for an inch program: the distance limit is in mm
  SplitMeter* machineTime = nullptr;  // TIMEMODEL=1: the piece's machine time (else unused)
  MachineMeter* machine = nullptr;    // TIMEMODEL=1: the piece's planner (else nullptr)
  // The records carry the whole program's machine time (IntermediateReader::carriesTime). A piece
  // is planned by itself, from a stop, only until its plan rejoins the program's; from there its
  // time runs on by the program's, and the planner rests until the next piece.
  bool carried = false;
  bool joined = false;         // the piece's plan has rejoined the program's
  double joinedSeconds = 0.0;  // the piece's time where it did, s
  int64_t joinedNs = 0;        // and the program's, ns

  // Measures the move of `record` from `from` into the meters' first two slots, and with
  // `running` (any move but the start record, which the positioning line makes) into the machine
  // time.
  void Measure(const MoveRecord& record, const Position& from, bool running = true) {
    if (machine != nullptr && running) TimeMove(record, from);
    ModalState modal{};
    modal.motion = record.motion;
    modal.plane = record.plane;
    FeedState feed{record.feed, 0.0, 0.0};
    DistanceTotals d{0.0, 0.0};
    TimeTotals t{0.0, 0.0};
    const int closure = (record.flags & kFullCircle) != 0 ? kArcFullCircle : kArcOpen;
    MeasureMove(modal, record.at, from, feed, closure, MoveSums{&d, &t, &minimum, &maximum});
    Add(d, t);
  }
  // Measures a hole drilled from `from`; `*end` receives where the tool stands after it.
  void Measure(const HoleRecord& hole, const Position& from, Position* end) {
    if (machine != nullptr) TimeHole(hole, from);
    const HoleShape shape{hole.code, hole.returnLevel, hole.x, hole.y, hole.z, hole.r, hole.initial};
    DistanceTotals d{0.0, 0.0};
    TimeTotals t{0.0, 0.0};
    MeasureHole(shape, from, hole.feed, MoveSums{&d, &t, &minimum, &maximum}, end);
    Add(d, t);
  }
  void Add(const DistanceTotals& d, const TimeTotals& t) {
    distance->rapid += d[kRapid] * toMillimetres;
    distance->running += d[kCutting] * toMillimetres;
    time->running += t[kCutting];
  }
  // A block of the program's body carried into the piece: a dwell, a tool change, an M function
  // take machine time. The piece's time so far includes it whatever record comes next.
  void Measure(const BlockRecord& block) {
    if (machine != nullptr) TimeBlock(block);
  }
  // The machine time alone (TIMEMODEL=1: `machine` and `machineTime` set), as Measure takes it.
  // The seam planner keeps meters of this kind for pieces that may begin at a break it has passed.
  void TimeMove(const MoveRecord& record, const Position& from) {
    if (!joined) machine->Move(record, from);
    Follow(record.machineNs);
  }
  void TimeHole(const HoleRecord& hole, const Position& from) {
    if (!joined) machine->Hole(hole, from);
    Follow(hole.machineNs);
  }
  void TimeBlock(const BlockRecord& block) {
    if (!joined) machine->Block(block);
    Follow(block.machineNs);
    machineTime->previous = machineTime->running;
  }
  // The piece's machine time after a record the program's time after which is `programNs`.
  void Follow(int64_t programNs) {
    if (joined) {
      machineTime->running = (joinedSeconds + static_cast<double>(programNs - joinedNs) * 1e-9) / 60.0;
      return;
    }
    machineTime->running = machine->Minutes();
    if (carried && machine->Rejoined()) {
      joined = true;
      joinedSeconds = machine->Seconds();
      joinedNs = programNs;
    }
  }
  // The meters at the program's start: the first piece runs as the whole program does (the
  // start record, which carries no time, is not measured).
  void Start() {
    Reset();
    joined = machine != nullptr && carried;
  }
  void Reset() {
    distance->rapid = distance->running = 0.0;
    time->rapid = time->running = 0.0;
    ResetTime();
  }
  // The machine time alone back to a piece's start.
  void ResetTime() {
    if (machine != nullptr) machine->Reset();
    if (machineTime != nullptr) machineTime->running = 0.0;
    joined = false;
    joinedSeconds = 0.0;
    joinedNs = 0;
  }
  // The time meter is tested first; both limits are strict. The split's time is the machine time
  // under TIMEMODEL=1.
  bool PassedTime() const {
    return machine != nullptr ? machineTime->running > machineTime->limit : time->running > time->limit;
  }
  bool Passed() const { return PassedTime() || distance->running > distance->limit; }
};


// Why no piece may begin at a record (0: one may): the log text naming the reason.
inline const char* SeamBlocked(int flags, const MachineState& state, const MachineState& header) {
  if ((flags & kCompensated) != 0) return kSeamAfterCompensation;
  if (state.compensation == 41 || state.compensation == 42) return kSeamAfterCompensation;
  if ((flags & kFromUnknown) != 0) return kSeamAfterUnknownPosition;
  // The restore puts no work offset in force: the start point and the approach are in the
  // header's, and a piece resuming in another would come down somewhere else.
  const int offset = state.workOffset == kNotStated ? 54 : state.workOffset;
  const int headerOffset = header.workOffset == kNotStated ? 54 : header.workOffset;
  if (offset != headerOffset) return kSeamAfterWorkOffset;
  return nullptr;
}

// One record of the program's path, a move or a hole, as the split loop takes it.
struct PathRecord {
  bool hole;
  const MoveRecord& move;
  const HoleRecord& drill;
  const char* riding() const { return hole ? drill.words : move.words; }
  int flags() const { return hole ? drill.flags : move.flags; }
  int line() const { return hole ? drill.line : move.line; }
  bool cutting() const { return hole || (move.motion >= 1 && move.motion <= 3); }
};

// The program's last cut (a move at the record `lastCutRecord` or after, not a hole; `ordinal` is
// the record's, both counted from the start record): it ends the piece it passes a limit in,
// since a piece after it would only cut it again. Records, not lines: a subprogram's lines run
// again with each call.
inline bool IsLastCut(const PathRecord& record, int64_t ordinal, int64_t lastCutRecord) {
  return !record.hole && ordinal >= lastCutRecord;
}

// A local coordinate system (G52) among the program's blocks: the tool stays where it is, and its
// numbers change by the change of the shift. `shift` (X, Y, Z in `units`) is the shift in force
// and is updated; `at`, where the tool stands in the program's numbers, follows it. Any other
// block changes nothing.
inline void FollowLocalSystem(const BlockRecord& block, int units, double shift[3], Position* at) {
  // Nearly every block holds no "52" at all: only the others are read.
  bool maybe = false;
  for (size_t i = 0; i + 1 < block.length && !maybe; ++i) maybe = block.text[i] == '5' && block.text[i + 1] == '2';
  if (!maybe) return;
  Block words;
  if (ReadBlock(block.text, block.length, &words) != kBlockReadable || !IsLocalSystem(words)) return;
  double values[3] = {shift[kX], shift[kY], shift[kZ]};
  LocalSystemValues(words, units, values);
  for (int axis = kX; axis <= kZ; ++axis) {
    (*at)[axis] -= values[axis] - shift[axis];
    shift[axis] = values[axis];
  }
}

// True for a block that changes tools (M06); `*namesTool` tells whether it names the tool (T).
inline bool IsToolChange(const BlockRecord& block, bool* namesTool) {
  Block words;
  if (ReadBlock(block.text, block.length, &words) != kBlockReadable || !words.HasCode('M', 6)) return false;
  *namesTool = words.Has('T');
  return true;
}

