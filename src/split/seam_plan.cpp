#include "split/seam_plan.h"

#include <cstring>
#include <memory>
#include <optional>

#include "config/settings.h"
#include "nc/line_reader.h"
#include "platform/platform.h"
#include "split/intermediate.h"
#include "split/piece_writer.h"
#include "split/seam_rules.h"

namespace {

// The last break of the piece being planned: where it may end.
struct Break {
  bool valid = false;
  int64_t ordinal = 0;
  int kind = kPlannedBreak;
  int line = 0;
  double time = 0.0;      // the piece's meters before the break
  double distance = 0.0;
  unsigned long long bytes = 0;  // the bytes of the piece's body before it
  double cumulative = 0.0;       // the program's cutting time before it (--pieces)
  // TIMEMODEL=1: the clock of a piece that begins here (Planner::clocks_; -1: none), and the
  // machine time of the piece being planned before it: what that piece measures if it ends here.
  int clock = -1;
  double machine = 0.0;
};

// TIMEMODEL=1: the machine time of a piece that begins at a given record, fed the records from
// there exactly as the split loop feeds the meters of a piece it begins there (PieceMeters).
struct Clock {
  Clock(const MachineLimits& limits, int units, bool carried)
      : meter(limits, units), meters{nullptr, nullptr, Extents{}, Extents{}, 1.0, &minutes, &meter} {
    meters.carried = carried;
  }
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;
  // A piece beginning at the record about to be fed (`first`: the program's first piece, which
  // runs as the whole program does).
  void Start(bool first) {
    meters.ResetTime();
    meters.joined = first && meters.carried;
    before = 0.0;
  }
  SplitMeter minutes{};
  MachineMeter meter;
  PieceMeters meters;
  double before = 0.0;  // minutes.running before the record fed last
};

// Minutes of a span of the machine time the records carry (ns).
double CarriedMinutes(int64_t ns) { return static_cast<double>(ns) * 1e-9 / 60.0; }

// Clocks in use at once: the piece's, one for each kind of place a piece may begin at that the
// planner keeps (last break, before a cut, tool change, an equal share's break and landing, the
// last cut, a tool change after it) and the one being started.
inline constexpr int kClocks = 12;

// Walks the records as the split loop does, with the same meters and the same rules for where a
// piece may begin, and keeps the seams.
class Planner {
 public:
  // `clocks`: room for kClocks clocks (TIMEMODEL=1, job.machine given), made here for the
  // program's `units`; `carried`: the records carry the program's machine time.
  Planner(const SeamPlanJob& job, SeamPlan* plan, PieceWriter* shadow, std::optional<Clock>* clocks, int units,
          bool carried)
      : job_(job),
        plan_(plan),
        shadow_(shadow),
        meters_{&distance_, &time_, Extents{}, Extents{}, job.toMillimetres},
        timed_(job.machine != nullptr),
        clocks_(clocks) {
    distance_.limit = job.distanceLimit;
    time_.limit = job.timeLimit;
    if (timed_) {
      for (int i = 0; i < kClocks; ++i) clocks_[i].emplace(*job.machine, units, carried);
      pieceClock_ = 0;
      clocks_[0]->Start(true);
    }
    plan_->count = 0;
    plan_->timedPieces = 0;
    plan_->lastCutPassedLine = 0;
    plan_->longestStretch = 0.0;
    plan_->longestCut = 0.0;
    plan_->longestCarry = 0.0;
  }

  // The program has been read to its end: its last stretch ends there, and so does a carry over
  // cuts where no piece may begin.
  void Finish() {
    if (timed_) Predict(clocks_[pieceClock_]->minutes.running);  // the last piece
    Stretch(cumulative_);
    if (carrying_ && cumulative_ - carryFrom_ > plan_->longestCarry) plan_->longestCarry = cumulative_ - carryFrom_;
  }

  bool TakeBlock(const BlockRecord& block, int64_t ordinal);
  bool TakePath(const PathRecord& record, int64_t ordinal);

 private:
  // Notes `seam` (its ordinal, kind, line and what made it; the piece's first line and whether the
  // log announces it are the planner's). False when the plan is full.
  bool Add(PlannedSeam seam) {
    seam.fromLine = pieceLine_;
    seam.announce = job_.policy != kSeamCut;
    const int64_t ordinal = seam.ordinal;
    if (plan_->count >= kMaxPlannedSeams) return false;
    // A seam at a break is found when a later cut passes the limit, after seams noted since the
    // break: the plan is kept in the order of the file (after seams at the same record).
    int at = plan_->count++;
    while (at > 0 && plan_->seams[at - 1].ordinal > ordinal) {
      plan_->seams[at] = plan_->seams[at - 1];
      --at;
    }
    plan_->seams[at] = seam;
    return true;
  }
  // A new piece begins with `time` and `distance` already in it, and `bytes` of its body, at the
  // NC line `line`. TIMEMODEL=1: at the record `start`, its machine time on `clock`; the piece
  // before measures `closing`.
  void Begin(double time, double distance, int line, unsigned long long bytes, int clock = -1,
             double closing = 0.0, int64_t start = 0) {
    time_.running = time;
    distance_.running = distance;
    bytes_ = bytes;
    last_ = Break{};
    before_ = Break{};
    pieceLine_ = line;
    if (timed_) {
      Predict(closing);
      pieceClock_ = clock;
      pieceStart_ = start;
    }
  }
  // A new piece begins at the place `at` the planner kept: it holds what came since.
  void BeginFrom(const Break& at, unsigned long long bytes) {
    Begin(time_.running - at.time, distance_.running - at.distance, at.line, bytes, at.clock, at.machine,
          at.ordinal);
  }
  // The same for a seam of the limits or of the tool changes. --pieces: where the end of a share
  // waits for the break nearest to it and a seam falls at the break before that end, or after it,
  // that seam is the share's (else the share's seam could fall there a second time, or before the
  // piece it would end).
  void BeginAt(const Break& at, unsigned long long bytes) {
    const int64_t start = at.ordinal;  // (`at` may be one of the places Begin clears)
    BeginFrom(at, bytes);
    if (waiting_ && waitBefore_.valid && waitBefore_.ordinal <= start) {
      waiting_ = false;
      waitBefore_ = Break{};
      passed_ = Break{};
      landing_ = Break{};
      ++share_;
    }
  }
  // The machine time the split loop will measure for the next piece it closes.
  void Predict(double minutes) {
    if (plan_->timedPieces < static_cast<int>(plan_->pieceMachine.size())) {
      plan_->pieceMachine[plan_->timedPieces++] = minutes;
    }
  }
  // A place to end the piece at the record `ordinal`, with the piece's figures before it; under
  // TIMEMODEL=1 with a clock started there (the record is fed to it next).
  Break Here(int64_t ordinal, int kind, int line) {
    Break at{true, ordinal, kind, line, time_.running, distance_.running, bytes_, cumulative_};
    if (timed_) {
      at.machine = clocks_[pieceClock_]->minutes.running;
      at.clock = NewClock();
    }
    return at;
  }
  // TIMEMODEL=1: a clock no kept place uses, started at the record about to be fed.
  int NewClock() {
    bool used[kClocks] = {};
    Used(used);
    for (int i = 0; i < kClocks; ++i) {
      if (used[i]) continue;
      clocks_[i]->Start(false);
      return i;
    }
    return pieceClock_;  // (never: more clocks than places in use)
  }
  // Marks the clocks in use: the piece's and those of the places kept (`lastCut`: with the last
  // cut's).
  void Used(bool* used, bool lastCut = true) const {
    used[pieceClock_] = true;
    if (hereClock_ >= 0) used[hereClock_] = true;
    for (const Break* at : {&last_, &before_, &change_, &waitBefore_, &landing_, &passed_, &toolLanding_}) {
      if (at->valid && at->clock >= 0) used[at->clock] = true;
    }
    if (lastCut && lastCut_.valid && lastCut_.clock >= 0) used[lastCut_.clock] = true;
  }
  // Feeds a record to every clock in use (`lastCut`: the last cut's too) by `feed`, as the split
  // loop feeds a piece's meters.
  template <typename Feed>
  void FeedClocks(bool lastCut, Feed feed) {
    bool used[kClocks] = {};
    Used(used, lastCut);
    for (int i = 0; i < kClocks; ++i) {
      if (!used[i]) continue;
      Clock& clock = *clocks_[i];
      clock.before = clock.minutes.running;
      feed(clock.meters);
    }
  }
  // A cut takes the last cut's place before anything can begin a piece there (Overrun follows
  // only the records between cuts): its clock, unless a place kept shares it, is not fed the cut.
  void FeedPath(const PathRecord& record) {
    FeedClocks(!record.cutting(), [&](PieceMeters& meters) {
      if (record.hole) {
        meters.TimeHole(record.drill, previous_);
      } else {
        meters.TimeMove(record.move, previous_);
      }
    });
  }
  void FeedBlock(const BlockRecord& block) {
    FeedClocks(true, [&](PieceMeters& meters) { meters.TimeBlock(block); });
  }
  // The time meter is tested first; both limits are strict (PieceMeters::Passed). Under
  // TIMEMODEL=1 the time is the machine time.
  bool PassedTime() const {
    return timed_ ? clocks_[pieceClock_]->minutes.running > job_.timeLimit : meters_.PassedTime();
  }
  bool Passed() const { return PassedTime() || distance_.running > distance_.limit; }
  // TIMEMODEL=1: the machine time also grows between cuts (rapids, tool changes, dwells). Once
  // the piece has passed the time limit after its last cut, it ends at its last break, or else
  // (no break since it began) as under "cut" at that cut. A tool change since the cut decides
  // first, at the next cut, whether it is a break.
  bool Overrun();
  // Ends the piece being planned at the break `at` for an equal share (--pieces).
  bool ShareSeam(const Break& at) {
    if (!Add({.ordinal = at.ordinal, .kind = at.kind, .byTime = true, .line = at.line})) return false;
    BeginFrom(at, bytes_ - at.bytes);
    waiting_ = false;
    passed_ = Break{};
    landing_ = Break{};
    ++share_;
    return true;
  }
  // A break found where the program has cut `at` minutes: the stretch since the last one.
  void Stretch(double at) {
    if (at - stretchFrom_ > plan_->longestStretch) plan_->longestStretch = at - stretchFrom_;
    stretchFrom_ = at;
  }
  // The program's cutting time where share `share_` ends (--pieces).
  double Boundary() const { return job_.totalTime * share_ / job_.pieces; }
  // --pieces: a break found while a share's end waits for the break nearest to it.
  bool NewBreak() {
    if (!waiting_ || !last_.valid) return true;
    const double boundary = Boundary();
    const bool nearer = !waitBefore_.valid ||
                        last_.cumulative - boundary < boundary - waitBefore_.cumulative;
    return ShareSeam(nearer ? last_ : waitBefore_);
  }
  // True when a piece of `bytes` body bytes passes SIZE.
  bool TooLarge(unsigned long long bytes) const {
    return job_.sizeLimit > 0 && job_.headBytes + bytes + job_.tailBytes > job_.sizeLimit;
  }
  // Ends the piece being planned at `at` for its size; the record being taken (`bytes` of it) is
  // in the next piece.
  bool SizeSeam(const Break& at, unsigned long long bytes) {
    if (!Add({.ordinal = at.ordinal, .kind = at.kind, .line = at.line, .bySize = true})) return false;
    const unsigned long long body = bytes_ + bytes - at.bytes;
    BeginAt(at, body - bytes);
    return true;
  }

  const SeamPlanJob& job_;
  SeamPlan* plan_;
  PieceWriter* shadow_;        // writes the program as one piece, to learn what each record takes
  unsigned long long bytes_ = 0;  // the bytes of the body of the piece being planned
  Break before_;               // the last record since the piece began where a piece may begin
                               // before a cut (for its size; nothing is cut twice)
  SplitMeter distance_{};
  SplitMeter time_{};
  PieceMeters meters_;
  MachineState state_ = UnstatedMachine();
  Position previous_{};
  double localShift_[3] = {0, 0, 0};  // G52: the shift in force (previous_ is in its frame)
  bool opened_ = false;        // the start record has opened piece 1
  bool cutInPiece_ = false;    // the piece being planned has cut since it began
  bool changeSinceCut_ = false;  // a tool change since the last cut: a break after it belongs to it
  bool breakSinceCut_ = false;   // a break since the last cut: the piece ends right after the
                                 // program's lift, before its moves to the next cut
  bool lastWasRapid_ = false;  // the last path record was a rapid of the program's
  bool lastWasHole_ = false;   // ... or a hole
  int lastFlags_ = 0;          // its flags
  bool pending_ = false;       // a forced seam waits for a place where a piece may begin
  int pieceLine_ = 0;          // the first NC line of the piece being planned
  bool zAtReference_ = false;  // a block has returned Z to the reference point, and no move has
                               // named Z since
  Break last_;
  double cumulative_ = 0.0;  // the program's cutting time before the record being taken
  double stretchFrom_ = 0.0;  // ... at the last break found (0: the program's start)
  bool carrying_ = false;     // the last cut was one where no piece may begin
  double carryFrom_ = 0.0;    // the program's cutting time before the first of those cuts
  Break passed_;   // --pieces under break and tool, waiting with no break before the share's end:
                   // the cut that passed it, with the figures before it (`hole`: a hole)
  bool passedHole_ = false;
  bool passedLast_ = false;  // ... the program's last cut (no seam falls there)
  int passedCount_ = 0;  // the seams planned when it passed
  Break landing_;  // the first cut from `passed_` on where a piece may begin (the next piece
                   // begins there, as after a seam of "cut"), with the figures before it
  int share_ = 1;            // --pieces: the share whose end comes next
  bool waiting_ = false;     // its end is passed; the seam waits for the break nearest to it
  Break waitBefore_;         // the last break before that end
  Break change_;  // a tool change since the last cut where a piece may begin, if the moves to the
                  // next cut allow it
  // TIMEMODEL=1.
  bool timed_;
  std::optional<Clock>* clocks_;
  int pieceClock_ = 0;       // the clock of the piece being planned
  int64_t pieceStart_ = 0;   // the record it began at
  int hereClock_ = -1;       // a clock started at the cut being taken
  int64_t lastNs_ = 0;       // the program's machine time before the record being taken, ns
  Break lastCut_;            // the piece's last cut (its figures before it; `machine`: what the
                             // piece measures if it ends with it)
  bool lastCutHole_ = false;
  bool lastCutMayBegin_ = false;  // a piece may begin with it
  bool lastCutIsLast_ = false;    // the program's last cut
  Break toolLanding_;  // the first tool change since the last cut where a seam waiting for a place
                       // falls (the split loop ends the piece before it)
};

// True for a block that returns Z to the reference point (G28, G30 with Z), or moves it to machine
// zero or above (G53).
bool ReturnsZ(const char* text, size_t length) {
  Block words;
  if (ReadBlock(text, length, &words) != kBlockReadable) return false;
  const BlockWord* z = words.Find('Z');
  if (z == nullptr) return false;
  return words.HasCode('G', 28) || words.HasCode('G', 30) || (words.HasCode('G', 53) && z->value >= 0.0);
}

bool Planner::TakeBlock(const BlockRecord& block, int64_t ordinal) {
  const bool body = opened_ && block.line >= job_.bodyLine && ordinal <= job_.lastMoveRecord;
  bool namesTool = false;
  if (ReturnsZ(block.text, block.length)) zAtReference_ = true;
  FollowLocalSystem(block, job_.units, localShift_, &previous_);
  // A piece that begins at the change carries the program's moves after it as they stand: they
  // start where the program's do only where both the program and the piece's head have Z at the
  // reference point there (the split check holds them to that).
  const bool changeFromReference = !(zAtReference_ && job_.headerAtReference);
  if (body && ordinal < job_.lastCutRecord && IsToolChange(block, &namesTool)) {
    // The split loop ends a piece whose seam waits for a place before any tool change where a
    // piece may begin; a break of the plan's needs the moves after the change to allow it too.
    const bool lands = SeamBlocked(0, state_, job_.header) == nullptr;
    const bool allowed = lands && !changeFromReference;
    if (!allowed && cutInPiece_ && !pending_ && job_.policy == kSeamTool) {
      if (!Add({.ordinal = ordinal, .kind = kPlannedToolChangeRefused, .line = block.line})) return false;
    }
    if (pending_ && lands) {
      // The split loop ends the forced seam's piece before this change.
      pending_ = false;
      const int clock = timed_ ? NewClock() : -1;
      Begin(0.0, 0.0, block.line, 0, clock, timed_ ? clocks_[pieceClock_]->minutes.running : 0.0, ordinal);
      cutInPiece_ = false;
    } else if (allowed && cutInPiece_ && job_.policy != kSeamCut) {
      // A break here if the program's moves from the change to its next cut are ones a piece
      // can begin with (TakePath).
      change_ = Here(ordinal, kPlannedToolChange, block.line);
    }
    if (timed_ && lands && cutInPiece_ && !pending_ && !toolLanding_.valid) {
      toolLanding_ = Here(ordinal, kPlannedToolChange, block.line);
    }
    changeSinceCut_ = true;
  }
  ApplyStateText(block.text, block.length, kWholeBlock, &state_);
  if (body && shadow_ != nullptr) {
    const unsigned long long was = shadow_->Written();
    shadow_->WriteBlock(block);
    bytes_ += shadow_->Written() - was;
  }
  if (timed_) {
    if (body) FeedBlock(block);
    // The program's machine time after the block: the shares of --pieces are of it.
    lastNs_ = block.machineNs;
    cumulative_ = CarriedMinutes(lastNs_);
    if (body && !Overrun()) return false;
  }
  return true;
}

bool Planner::TakePath(const PathRecord& record, int64_t ordinal) {
  const char* riding = record.riding();
  const size_t ridingLength = riding[0] == '\0' ? 0 : std::strlen(riding);
  const MachineState before = state_;
  ApplyStateText(riding, ridingLength, kBeforeMove, &state_);

  // A break before this record: the program's own rapid has the tool at or above the start
  // height, or the record is a hole after a hole.
  // (Never after the program's last cut: a piece must cut.)
  if (job_.policy != kSeamCut && opened_ && !pending_ && cutInPiece_ && !changeSinceCut_ && !breakSinceCut_ &&
      ordinal <= job_.lastCutRecord) {
    const bool above = lastWasRapid_ && (lastFlags_ & kUnknownZ) == 0 && previous_[kZ] >= job_.startZ;
    const bool betweenHoles = record.hole && lastWasHole_;
    if ((above || betweenHoles) && SeamBlocked(record.flags(), before, job_.header) == nullptr) {
      last_ = Here(ordinal, kPlannedBreak, record.line());
      Stretch(last_.cumulative);
      breakSinceCut_ = true;
      if (!NewBreak()) return false;
    }
  }

  // A piece that begins at a tool change comes to the program's next cut along the program's own
  // moves after the change, with the tool the change leaves where the piece's head leaves it: those
  // moves must stay at or above the start height, or go straight down (the split check takes no
  // other way there for the program's).
  if (change_.valid && !record.cutting()) {
    const bool below = (record.move.flags & kUnknownZ) == 0 && record.move.at[kZ] < job_.startZ;
    const bool level = record.move.at[kX] == previous_[kX] && record.move.at[kY] == previous_[kY];
    if (below && !level) {
      change_.valid = false;
      if (job_.policy == kSeamTool && !Add({.ordinal = change_.ordinal, .kind = kPlannedToolChangeRefused,
                                            .line = change_.line})) return false;
    }
  }

  // TIMEMODEL=1: a piece may begin with this cut (before it, or as under "cut"); the record is
  // fed to every clock in use, as the split loop feeds the piece it writes it into (the start
  // record, which the positioning line makes, takes no time).
  if (timed_ && opened_ && record.cutting()) hereClock_ = NewClock();
  const double machineBefore = timed_ ? clocks_[pieceClock_]->minutes.running : 0.0;
  if (timed_ && opened_) FeedPath(record);
  const double timeBefore = time_.running;
  const double distanceBefore = distance_.running;
  Position end = previous_;
  if (record.hole) {
    meters_.Measure(record.drill, previous_, &end);
  } else {
    meters_.Measure(record.move, previous_);
    end = record.move.at;
  }
  // What the record adds to a piece (the seams below may move the piece's start).
  const double recordTime = time_.running - timeBefore;
  const double recordDistance = distance_.running - distanceBefore;
  // And to the program, in the measure of the shares of --pieces: its cutting time, or under
  // TIMEMODEL=1 its machine time.
  const int64_t recordNs = record.hole ? record.drill.machineNs : record.move.machineNs;
  const double recordShare = timed_ ? CarriedMinutes(recordNs - lastNs_) : recordTime;
  if (opened_ && record.cutting() && recordShare > plan_->longestCut) plan_->longestCut = recordShare;
  // Where a piece may begin before this cut: for a piece that would pass SIZE, nothing is cut
  // twice there.
  // (Not at the first cut after a tool change: the piece before would change tools and not cut.)
  const bool mayBegin = opened_ && !pending_ && cutInPiece_ && !changeSinceCut_ && record.cutting() &&
                        SeamBlocked(record.flags(), before, job_.header) == nullptr;
  // (Its figures are the piece's before this record, which the next piece holds.)
  if (mayBegin) {
    // (A piece begins there only for SIZE: without it the place keeps no clock.)
    before_ = Break{true, ordinal, kPlannedBefore, record.line(), time_.running - recordTime,
                    distance_.running - recordDistance, bytes_, cumulative_,
                    job_.sizeLimit > 0 ? hereClock_ : -1, machineBefore};
  }
  unsigned long long bytes = 0;
  if (shadow_ != nullptr) {
    const unsigned long long was = shadow_->Written();
    if (!opened_) {
      // The start record: the positioning line has brought the tool there.
    } else if (record.hole) {
      shadow_->WriteHole(record.drill);
    } else {
      shadow_->WriteMove(record.move);
    }
    bytes = shadow_->Written() - was;
  }
  if (opened_ && !pending_ && ordinal <= job_.lastCutRecord && TooLarge(bytes_ + bytes)) {
    // The piece ends before this record: at its last break, else before its last cut where a
    // piece may begin, else (a stretch where none may) it grows past SIZE.
    const Break& at = job_.policy != kSeamCut && last_.valid ? last_ : before_;
    if (at.valid && !SizeSeam(at, bytes)) return false;
    if (TooLarge(bytes_ + bytes) && mayBegin && before_.valid && before_.ordinal == ordinal && at.ordinal != ordinal) {
      if (!SizeSeam(before_, bytes)) return false;
    }
  }
  bytes_ += bytes;
  if (opened_ && pieceLine_ == 0) pieceLine_ = record.line();  // the first piece's first move
  if (!opened_) {
    opened_ = true;
  } else if (record.cutting()) {
    bool passedHere = false;
    const bool mayBeginHere = SeamBlocked(record.flags(), before, job_.header) == nullptr;
    // A seam that falls in a cut where no piece may begin is carried on to the next cut where one
    // may: the longest such carry bounds how far a seam of "cut" lands from where it was due.
    if (!mayBeginHere && !carrying_) {
      carrying_ = true;
      carryFrom_ = cumulative_;
    } else if (mayBeginHere && carrying_) {
      carrying_ = false;
      if (cumulative_ - carryFrom_ > plan_->longestCarry) plan_->longestCarry = cumulative_ - carryFrom_;
    }
    // The figures before this record, for a piece that would begin with it.
    const Break beforeHere{true, ordinal, kPlannedForced, record.line(), time_.running - recordTime,
                           distance_.running - recordDistance, bytes_ - bytes, cumulative_, hereClock_,
                           machineBefore};
    if (passed_.valid && !landing_.valid && ordinal != passed_.ordinal && mayBeginHere) landing_ = beforeHere;
    if (change_.valid && (zAtReference_ || (record.flags() & kFromUnknown) != 0)) {
      // The program's first cut after the change starts from the top of travel (a feed move
      // before any Z is given): a piece's head comes there from elsewhere.
      change_.valid = false;
      if (job_.policy == kSeamTool && !Add({.ordinal = change_.ordinal, .kind = kPlannedToolChangeRefused,
                                            .line = change_.line})) return false;
    }
    if (change_.valid) {
      Stretch(change_.cumulative);
      if (job_.policy == kSeamTool) {
        if (!Add({.ordinal = change_.ordinal, .kind = kPlannedToolChange, .everyTool = true,
                  .line = change_.line})) return false;
        BeginAt(change_, bytes_ - change_.bytes);
      } else {
        last_ = change_;
        change_ = Break{};
        if (!NewBreak()) return false;
      }
      change_ = Break{};
    }
    if (job_.pieces > 1 && share_ < job_.pieces && !pending_) {
      const double boundary = Boundary();
      const double after = cumulative_ + recordShare;
      if (waiting_ && waitBefore_.valid && after - boundary >= boundary - waitBefore_.cumulative) {
        // No break after the end could be nearer than the one before it.
        if (!ShareSeam(waitBefore_)) return false;
      } else if (!waiting_ && after > boundary) {
        if (job_.policy != kSeamCut && last_.valid) {
          waiting_ = true;
          waitBefore_ = last_;
        } else if (job_.policy != kSeamCut) {
          waiting_ = true;
          waitBefore_ = Break{};
          // Where the seam falls if no break comes within half a share: at this cut, as under
          // "cut" (the next piece begins with it, or with the next cut where a piece may begin).
          passed_ = beforeHere;
          passedHole_ = record.hole;
          passedLast_ = IsLastCut(record, ordinal, job_.lastCutRecord);
          passedCount_ = plan_->count;
          landing_ = mayBeginHere && !record.hole ? beforeHere : Break{};
        } else if (!IsLastCut(record, ordinal, job_.lastCutRecord)) {
          // SEAM=cut: at the cut that passes the share's end, cut again by the next piece (never
          // the program's last cut: a piece after it would only cut it again).
          if (!Add({.ordinal = ordinal, .kind = kPlannedForced, .byTime = true, .hole = record.hole,
                    .line = record.line()})) return false;
          pending_ = true;
          passedHere = true;
          ++share_;
        }
      }
      if (waiting_ && !waitBefore_.valid && after > boundary + job_.totalTime / job_.pieces / 2.0) {
        // No break near the end: the seam falls as under "cut", logged as forced, at the cut that
        // passed the share's end. The plan is made before any piece is written, so it can still
        // fall there when no other seam came since; else it falls here.
        waiting_ = false;
        ++share_;
        // Never at the program's last cut: a piece after it would only cut it again.
        if (passed_.valid && plan_->count == passedCount_) {
          if (!passedLast_) {
            if (!Add({.ordinal = passed_.ordinal, .kind = kPlannedForced, .byTime = true, .hole = passedHole_,
                      .line = passed_.line})) return false;
            if (landing_.valid) {
              BeginAt(landing_, bytes_ - landing_.bytes);
            } else {
              pending_ = true;  // it lands at the next cut where a piece may begin, this one perhaps
            }
          }
        } else if (!IsLastCut(record, ordinal, job_.lastCutRecord)) {
          if (!Add({.ordinal = ordinal, .kind = kPlannedForced, .byTime = true, .hole = record.hole,
                    .line = record.line()})) return false;
          pending_ = true;
          passedHere = true;
        }
      }
      if (!waiting_) {
        passed_ = Break{};
        landing_ = Break{};
      }
    }
    if (!pending_ && Passed() && last_.valid) {
      // The piece ends at its last break; the next one holds what came after it.
      const bool byTime = PassedTime();
      if (!Add({.ordinal = last_.ordinal, .kind = last_.kind, .byTime = byTime,
                .line = last_.line})) return false;
      BeginAt(last_, bytes_ - last_.bytes);
    }
    // The program's last cut ends the piece it passes the limit in: a piece after it would only
    // cut that move again.
    const bool lastCut = IsLastCut(record, ordinal, job_.lastCutRecord);
    if (!pending_ && Passed() && lastCut && plan_->lastCutPassedLine == 0) {
      plan_->lastCutPassedLine = record.line();
    }
    if (!pending_ && Passed() && !lastCut) {
      // No break since the piece began: the seam falls at this cut as under "cut".
      if (!Add({.ordinal = ordinal, .kind = kPlannedForced, .byTime = PassedTime(),
                .hole = record.hole, .line = record.line()})) return false;
      pending_ = true;
      passedHere = true;
    }
    if (pending_ && SeamBlocked(record.flags(), before, job_.header) == nullptr &&
        !(record.hole && passedHere)) {
      // Where the split loop lands the seam: this record is the first of the next piece (after a
      // hole passed the limit, this record is not written twice but still begins the piece).
      pending_ = false;
      // (A piece that began with this record holds it alone: it measures the record; else it
      // measures what came before it.)
      double closing = 0.0;
      if (timed_) closing = pieceStart_ == ordinal ? clocks_[pieceClock_]->minutes.running : clocks_[pieceClock_]->before;
      Begin(recordTime, recordDistance, record.line(), bytes, hereClock_, closing, ordinal);
    }
    cutInPiece_ = true;
    changeSinceCut_ = false;
    breakSinceCut_ = false;
    if (timed_) {
      // Where the piece may still end as under "cut" should the time pass before its next cut.
      lastCut_ = Break{true, ordinal, kPlannedForced, record.line(), time_.running - recordTime,
                       distance_.running - recordDistance, bytes_ - bytes, cumulative_, hereClock_,
                       clocks_[pieceClock_]->before};
      lastCutHole_ = record.hole;
      lastCutMayBegin_ = mayBeginHere;
      lastCutIsLast_ = lastCut;
      toolLanding_ = Break{};
    }
  }
  ApplyStateText(riding, ridingLength, kAfterMove, &state_);
  if (!record.hole) state_.plane = record.move.plane;
  previous_ = end;
  lastWasRapid_ = !record.hole && record.move.motion == 0;
  lastWasHole_ = record.hole;
  lastFlags_ = record.flags();
  if ((record.flags() & kUnknownZ) == 0) zAtReference_ = false;
  if (!timed_) {
    cumulative_ += recordTime;
    return true;
  }
  hereClock_ = -1;
  lastNs_ = recordNs;
  cumulative_ = CarriedMinutes(lastNs_);
  return !opened_ || record.cutting() || Overrun();
}

bool Planner::Overrun() {
  if (job_.policy == kSeamCut || pending_ || !cutInPiece_ || change_.valid || !PassedTime()) return true;
  if (last_.valid) {
    if (!Add({.ordinal = last_.ordinal, .kind = last_.kind, .byTime = true, .line = last_.line})) return false;
    BeginAt(last_, bytes_ - last_.bytes);
    if (!PassedTime()) return true;
  }
  // No break since the piece began: it ends as under "cut" at its last cut, unless it began there
  // itself (the next cut ends it so).
  if (!lastCut_.valid || lastCut_.ordinal <= pieceStart_) return true;
  if (lastCutIsLast_) {
    // (A piece after the program's last cut would only cut it again: the last piece holds it.)
    if (plan_->lastCutPassedLine == 0) plan_->lastCutPassedLine = lastCut_.line;
    return true;
  }
  if (!Add({.ordinal = lastCut_.ordinal, .kind = kPlannedForced, .byTime = true, .hole = lastCutHole_,
            .line = lastCut_.line})) return false;
  if (!lastCutHole_ && lastCutMayBegin_) {
    // The next piece begins by cutting it again.
    BeginAt(lastCut_, bytes_ - lastCut_.bytes);
  } else if (toolLanding_.valid) {
    // After a hole, or where no piece may begin, the seam waits: for a tool change since, where
    // the split loop ends the piece before it,
    BeginAt(toolLanding_, bytes_ - toolLanding_.bytes);
    cutInPiece_ = false;
  } else {
    pending_ = true;  // or for the next cut where a piece may begin
  }
  lastCut_ = Break{};
  return true;
}

}  // namespace

bool FileReturnsZ(const char* path) {
  platform::FileHandle file(path, "rb");
  if (!file) return false;
  LineReader reader(file.get());
  static char line[kLineBufferSize];
  size_t length = 0;
  bool returned = false;
  while (reader.Next(std::span<char, kLineBufferSize>(line, kLineBufferSize), &length) == kLineRead) {
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    if (ReturnsZ(line, length)) returned = true;
  }
  return returned;
}

int PlanSeams(const SeamPlanJob& job, SeamPlan* plan, int* badLine) {
  *badLine = 0;
  platform::FileHandle file(job.intermediatePath, "rb");
  if (!file) return kSeamPlanUnreadable;
  IntermediateReader reader(file.get());
  // Under SIZE the program is written once as one piece (to the scratch path) to learn the bytes
  // of each record; a piece's head and tail are reckoned at their largest (SeamPlanJob).
  PieceSettings quiet{};
  if (job.sizeLimit > 0 && job.pieceSettings != nullptr) {
    quiet = *job.pieceSettings;
    quiet.observer = nullptr;
  }
  PieceWriter shadow(quiet);
  PieceWriter* sizer = nullptr;
  if (job.sizeLimit > 0 && job.pieceSettings != nullptr) {
    if (shadow.Open(1, job.scratchPath, Position{}) != kPieceWritten) return kSeamPlanNoScratch;
    sizer = &shadow;
  }
  // TIMEMODEL=1: the clocks of the pieces that may begin at places passed (on the heap: each
  // holds a planner's window, too much for the stack of a window's thread together).
  const auto clocks = std::make_unique<std::optional<Clock>[]>(kClocks);
  Planner planner(job, plan, sizer, clocks.get(), reader.units(), reader.carriesTime());
  int kind;
  int64_t ordinal = 0;
  while ((kind = reader.Next()) == kRecordMove || kind == kRecordHole || kind == kRecordBlock) {
    const bool kept = kind == kRecordBlock
                          ? planner.TakeBlock(reader.block(), ordinal)
                          : planner.TakePath(PathRecord{kind == kRecordHole, reader.move(), reader.hole()}, ordinal);
    if (!kept) return kSeamPlanFull;
    ++ordinal;
  }
  planner.Finish();
  if (sizer != nullptr) sizer->Close(0.0, 0.0);
  if (kind != kRecordEnd) {
    *badLine = reader.lineNumber();
    return kSeamPlanBroken;
  }
  return kSeamPlanDone;
}
