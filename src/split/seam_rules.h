// The rules the split loop and the seam planner share: how a record counts into a piece's meters,
// where no piece may begin, which block changes tools, and one path record as both take it.
#pragma once

#include <cstring>

#include "nc/block.h"
#include "nc/machine_state.h"
#include "nc/measure.h"
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

  // Measures the move of `record` from `from` into the meters' first two slots, and with
  // `running` (any move but the start record, which the positioning line makes) into the machine
  // time.
  void Measure(const MoveRecord& record, const Position& from, bool running = true) {
    if (machine != nullptr && running) {
      machine->Move(record, from);
      machineTime->running = machine->Minutes();
    }
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
    if (machine != nullptr) {
      machine->Hole(hole, from);
      machineTime->running = machine->Minutes();
    }
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
    if (machine == nullptr) return;
    machine->Block(block);
    machineTime->running = machineTime->previous = machine->Minutes();
  }
  void Reset() {
    distance->rapid = distance->running = 0.0;
    time->rapid = time->running = 0.0;
    if (machine != nullptr) machine->Reset();
    if (machineTime != nullptr) machineTime->running = 0.0;
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

// The program's last cut (a move on the line `lastCutLine` or after, not a hole): it ends the
// piece it passes a limit in, since a piece after it would only cut it again.
inline bool IsLastCut(const PathRecord& record, int lastCutLine) {
  return !record.hole && record.line() >= lastCutLine;
}

// True for a block that changes tools (M06); `*namesTool` tells whether it names the tool (T).
inline bool IsToolChange(const BlockRecord& block, bool* namesTool) {
  Block words;
  if (ReadBlock(block.text, block.length, &words) != kBlockReadable || !words.HasCode('M', 6)) return false;
  *namesTool = words.Has('T');
  return true;
}

