#include "check/split_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "check/check_messages.h"
#include "check/check_report.h"
#include "check/event_stream.h"
#include "check/move_compare.h"
#include "config/file_naming.h"
#include "nc/format.h"

namespace {

constexpr double kSlack = 1e-9;
constexpr size_t kPathSize = 512;
// Most program moves a piece's tail may have made after its last cut that the next piece may make
// again; more are never needed (a lift, a retract and a return).
constexpr int kRematchSize = 8;
// Most restore blocks of one piece that may turn out to have been restores rather than the
// program's blocks (see SplitChecker::provisional_).
constexpr int kProvisionalSize = 8;

// Where a piece stands between its opening and its end.
enum Phase {
  kPhaseHead,  // before its first program move: the opening, the restore, the approach
  kPhaseBody,  // from its first program move on
  kPhaseTail,  // after an added move that followed its body: the lift, retract, return, footer
};

// How a program move was met in a piece (SplitChecker::AcceptProgramMove).
enum MatchKind {
  kMatchHead,     // a rapid or return of the program before the piece's first cut
  kMatchNext,     // the program's next move
  kMatchRepeat,   // the repeat of the move the seam interrupted
  kMatchRematch,  // a program move the previous piece's tail made, made again
};

// A sequence of blocks as one chain of their signatures (ChainSignature), their number and the
// first one's line.
struct BlockChain {
  uint64_t chain;
  int count;
  int line;

  void Add(const CheckEvent& block) {
    chain = ChainSignature(chain, block.signature);
    if (count++ == 0) line = block.line;
  }
  bool Same(const BlockChain& other) const { return chain == other.chain && count == other.count; }
};

double Tolerance(const CheckEvent& event) { return (event.state.units == 20 ? 0.0001 : 0.001) + kSlack; }

bool Near(double a, double b, double tolerance) { return a - b <= tolerance && b - a <= tolerance; }

bool AtOrAboveZ(const CheckPoint& point, double level, double tolerance) {
  if ((point.flags[2] & kAtReference) != 0) return true;
  return PhysicalKnown(point, 2) && point.physical[2] >= level - tolerance;
}

bool Vertical(const CheckEvent& move, double tolerance) {
  for (int axis = 0; axis < 2; ++axis) {
    if (!PhysicalKnown(move.from, axis) || !PhysicalKnown(move.to, axis)) return false;
    if (!Near(move.from.physical[axis], move.to.physical[axis], tolerance)) return false;
  }
  return PhysicalKnown(move.from, 2) && PhysicalKnown(move.to, 2);
}

bool AboveXY(const CheckPoint& point, double x, double y, double tolerance) {
  return PhysicalKnown(point, 0) && PhysicalKnown(point, 1) && Near(point.physical[0], x, tolerance) &&
         Near(point.physical[1], y, tolerance);
}

double LowerZ(const CheckEvent& move) {
  return move.from.physical[2] < move.to.physical[2] ? move.from.physical[2] : move.to.physical[2];
}

class SplitChecker {
 public:
  SplitChecker(const SplitCheckJob& job, SplitCheckReport* report) : job_(job), report_(report) {}
  int Run();

 private:
  int CheckPiece(int number);
  int HandleMove(const CheckEvent& move);
  int HandleBlock(const CheckEvent& block);
  int MatchReplayBlock(const CheckEvent& block, bool* matched);
  int PeekSourceMoveAt(const CheckEvent& move, int at, const CheckEvent** next);
  int MatchSource(const CheckEvent& move, int* index, const CheckEvent** matched);
  int MatchPastApproach(const CheckEvent& move, int* index, const CheckEvent** matched);
  void NoteBlocked(const CheckEvent& move, int from, int blockAt);
  int AcceptProgramMove(const CheckEvent& move, const CheckEvent& source, int kind);
  int CheckAdded(const CheckEvent& move);
  int FailAdded(const CheckEvent& move, const char* pointName, const CheckPoint* point);
  int FailBlocked(const CheckEvent& move);
  int FinishPiece(const CheckEvent& end);
  int FinishClosing(const CheckEvent& end);
  int DrainSource();
  void NoteReturn(const CheckEvent& move);
  void NoteHeadMove(const CheckEvent& move);
  bool IsLift(const CheckEvent& move, double tolerance) const;
  bool AtStart(const CheckPoint& point, double tolerance) const;

  // The program stream. Events the piece has matched tentatively (`tentative_` blocks at the front,
  // see HandleBlock) are still in the ring; every index below counts from after them.
  int PeekSource(int index, const CheckEvent** event);
  int PeekSourceMove(int nth, const CheckEvent** event);
  void KeepLastCutting();
  void TakeSource(int count);
  void CommitTentative();

  int Fail(int rule, int pieceLine, int sourceLine);
  int FailFile(int result, const char* format, const char* path);
  int FailStream(const EventStream& stream, int piece);
  void Detail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const SplitCheckJob& job_;
  SplitCheckReport* report_;
  bool carried_ = false;  // rule 7: the streams hold block events too
  EventStream source_;  // the program's moves and blocks, consumed by the pieces in order
  EventStream replay_;  // the program from its first line again, for the opening of each piece
  EventStream piece_;
  char piecePath_[kPathSize];
  int pieceNumber_ = 0;
  bool lastPiece_ = false;
  double startZ_ = 0.0;
  int tentative_ = 0;
  unsigned serial_ = 0;       // counts the program events taken
  CheckEvent lastCutting_{};  // the program's last cutting move consumed: what a piece may repeat
  bool haveLastCutting_ = false;
  // The same while it still stands in the program stream's ring, copied into lastCutting_ only
  // when the stream moves on (most cuts are followed by another cut: no copy for them). The ring
  // never overwrites the event taken last.
  const CheckEvent* lastCuttingSlot_ = nullptr;
  // The piece in hand.
  int phase_ = kPhaseHead;
  bool replaying_ = false;
  bool repeatAvailable_ = false;
  bool programMoveSeen_ = false;  // a program move of this piece was met
  bool raised_ = false;     // after a hole that returned higher than the program's
  bool pending_ = false;    // vertical added moves before the first program move, not yet placed
  double pendingX_ = 0.0;
  double pendingY_ = 0.0;
  double pendingLow_ = 0.0;
  CheckEvent pendingMove_{};  // the lowest of them
  CheckPoint stop_{};         // where the piece's last program move ended
  int stopCompensation_ = 40;  // the compensation its last program move ran with
  int stopRegister_ = 0;
  int stopLine_ = 0;
  bool captured_ = false;     // a return after the last program move was met
  CheckPoint tailEnd_{};      // where the tool stood before it
  int tailEndLine_ = 0;
  int tailLine_ = 0;          // the first added move after the body
  // Before the piece's first cut: where the latest program move of its head left the tool, while
  // the added moves since only rose straight up from there (see IsLift).
  bool liftOpen_ = false;
  double liftX_ = 0.0;
  double liftY_ = 0.0;
  double liftZ_ = 0.0;
  // The program's moves (rapids, returns) this piece made after its latest cut: a tail that
  // coincides with the program's own closing moves makes them, and the next piece, which resumes
  // at that cut, may make them again in order before any other program move.
  bool cutInPiece_ = false;
  CheckEvent afterCut_[kRematchSize]{};
  int afterCutCount_ = 0;
  CheckEvent rematch_[kRematchSize]{};  // the previous piece's afterCut_
  int rematchCount_ = 0;
  int rematchAt_ = 0;         // the next one this piece may make; rematchCount_ once closed
  // Rule 7. Restore blocks of the head that were taken for the program's next blocks (the same
  // words): when the piece carries those blocks again before the program stream moves on, the
  // first ones were restores.
  uint64_t provisional_[kProvisionalSize]{};
  int provisionalCount_ = 0;
  int provisionalAt_ = 0;
  unsigned provisionalSerial_ = 0;
  // The blocks after the piece's latest program move (its closing blocks, see FinishClosing): all
  // of them, and those not matched tentatively; and the first that is not the program's next
  // block: no program move may follow it.
  BlockChain closing_{};
  BlockChain closingUntaken_{};
  int extraLine_ = 0;
  int extraSourceLine_ = 0;
  // The closing blocks of the first piece before the last, which every other must repeat and the
  // program must end with.
  bool haveClosing_ = false;
  BlockChain firstClosing_{};
  int firstClosingPiece_ = 0;
  // A move of the piece that is the program's next move but for program blocks before it that the
  // piece has not carried: named when the piece fails.
  int blockedLine_ = 0;
  int blockedPieceLine_ = 0;
};

void SplitChecker::Detail(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(report_->detail, sizeof report_->detail, format, arguments);
  va_end(arguments);
}

int SplitChecker::Fail(int rule, int pieceLine, int sourceLine) {
  report_->result = kCheckFailed;
  report_->piece = pieceNumber_;
  report_->pieceLine = pieceLine;
  report_->sourceLine = sourceLine;
  report_->rule = rule;
  return kCheckFailed;
}

int SplitChecker::FailFile(int result, const char* format, const char* path) {
  DescribeFileFault(format, path, report_);
  report_->result = result;
  report_->piece = pieceNumber_;
  report_->rule = kRuleNone;
  return result;
}

int SplitChecker::FailStream(const EventStream& stream, int piece) {
  const char* path = piece == 0 ? job_.ncFile : piecePath_;
  pieceNumber_ = piece;
  if (stream.faultKind() == kStreamFaultReadError) {
    FailFile(kCheckUnreadable, kDetailFileReadError, path);
    report_->pieceLine = stream.faultLine();
    return kCheckUnreadable;
  }
  DescribeStreamFault(stream, path, report_);
  return Fail(kRuleUnreadableBlock, stream.faultLine(), 0);
}

int SplitChecker::Run() {
  startZ_ = job_.start[2];
  carried_ = job_.carriedBlocks == 1;
  if (source_.Open(job_.ncFile, job_.start, carried_) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  if (job_.pieceCount < 1) {
    PiecePath(job_.ncFile, 1, piecePath_, sizeof piecePath_);
    pieceNumber_ = 1;
    return FailFile(kCheckUnreadable, kDetailFileUnopened, piecePath_);
  }
  for (int number = 1; number <= job_.pieceCount; ++number) {
    if (CheckPiece(number) != kCheckPassed) return report_->result;
    report_->piecesChecked = number;
  }
  return DrainSource();
}

// --- The program stream ------------------------------------------------------------------------

int SplitChecker::PeekSource(int index, const CheckEvent** event) {
  if (tentative_ + index >= EventStream::kLookAhead) {
    // Beyond what the ring holds: as if the program ended there (nothing is matched past it).
    *event = nullptr;
    return kStreamEnd;
  }
  const int peeked = source_.Peek(tentative_ + index, event);
  if (peeked == kStreamFault) FailStream(source_, 0);
  return peeked;
}

// The `nth` program move from the next one (0: the next), past the blocks; for the texts of a
// failure.
int SplitChecker::PeekSourceMove(int nth, const CheckEvent** event) {
  for (int index = 0;; ++index) {
    const int peeked = PeekSource(index, event);
    if (peeked != kStreamEvent) return peeked;
    if ((*event)->kind != kEventBlock && nth-- == 0) return kStreamEvent;
  }
}

void SplitChecker::KeepLastCutting() {
  if (lastCuttingSlot_ == nullptr) return;
  lastCutting_ = *lastCuttingSlot_;
  lastCuttingSlot_ = nullptr;
}

// Takes the events tentatively matched and `count` more.
void SplitChecker::TakeSource(int count) {
  KeepLastCutting();
  for (int i = tentative_ + count; i > 0; --i) source_.Take();
  tentative_ = 0;
  ++serial_;
}

void SplitChecker::CommitTentative() {
  if (tentative_ > 0) TakeSource(0);
}

// --- One piece ---------------------------------------------------------------------------------

int SplitChecker::CheckPiece(int number) {
  KeepLastCutting();
  pieceNumber_ = number;
  lastPiece_ = number == job_.pieceCount;
  if (PiecePath(job_.ncFile, number, piecePath_, sizeof piecePath_) != kNamingOk ||
      piece_.Open(piecePath_, job_.start, carried_) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, piecePath_);
  }
  replaying_ = number > 1;
  if (replaying_ && replay_.Open(job_.ncFile, job_.start, carried_) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  phase_ = kPhaseHead;
  // A hole is never drilled twice: the piece after one begins with the program's next cut.
  repeatAvailable_ = number > 1 && haveLastCutting_ && lastCutting_.kind != kEventHole;
  programMoveSeen_ = false;
  raised_ = false;
  pending_ = false;
  captured_ = false;
  tailLine_ = 0;
  liftOpen_ = false;
  for (int i = 0; i < afterCutCount_; ++i) rematch_[i] = afterCut_[i];
  rematchCount_ = afterCutCount_;
  rematchAt_ = 0;
  afterCutCount_ = 0;
  cutInPiece_ = false;
  provisionalCount_ = provisionalAt_ = 0;
  closing_ = closingUntaken_ = BlockChain{};
  extraLine_ = extraSourceLine_ = 0;
  blockedLine_ = blockedPieceLine_ = 0;
  for (;;) {
    const CheckEvent* event = nullptr;
    const int peeked = piece_.Peek(0, &event);
    if (peeked == kStreamFault) return FailStream(piece_, number);
    if (peeked == kStreamEnd) return FinishPiece(*event);
    const int handled = event->kind == kEventBlock ? HandleBlock(*event) : HandleMove(*event);
    if (handled != kCheckPassed) return handled;
    piece_.Take();
  }
}

// A move of the piece: the program's opening again, the program's next move, the repeat of the
// move the seam interrupted, a program move the previous piece's tail made, or one of the split's
// own.
//
// Before a piece's first cut (its head) the program's rapids and returns it meets keep it in its
// head, and a cut that is not the program's next move is looked for past the program's moves that
// do not cut: those only bring the tool to the cut, and the piece's own approach (checked by the
// rules for added moves) may take their place. This is what lets the first piece move to the start
// point after an opening that leaves the tool at the top of travel.
int SplitChecker::HandleMove(const CheckEvent& move) {
  if (replaying_ && !IsCuttingEvent(move.kind)) {
    const CheckEvent* next = nullptr;
    const int peeked = replay_.PeekMove(&next);
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEvent && CompareMoves(move, *next, Tolerance(*next), startZ_, false) == kSameMove &&
        CompareStates(move.state, next->state) == kSameState) {
      replay_.Take();
      NoteReturn(move);
      NoteHeadMove(move);
      return kCheckPassed;
    }
  }
  replaying_ = false;
  if (rematchAt_ < rematchCount_ && phase_ != kPhaseTail) {
    const CheckEvent& again = rematch_[rematchAt_];
    if (CompareMoves(move, again, Tolerance(again), startZ_, false) == kSameMove) {
      ++rematchAt_;
      return AcceptProgramMove(move, again, kMatchRematch);
    }
  }
  int index = 0;
  const CheckEvent* source = nullptr;
  int matched = MatchSource(move, &index, &source);
  if (matched < 0) return report_->result;
  if (matched == 0 && phase_ == kPhaseHead && IsCuttingEvent(move.kind)) {
    if (repeatAvailable_ && CompareMoves(move, lastCutting_, Tolerance(lastCutting_), startZ_, false) == kSameMove) {
      return AcceptProgramMove(move, lastCutting_, kMatchRepeat);
    }
    matched = MatchPastApproach(move, &index, &source);
    if (matched < 0) return report_->result;
  }
  if (matched == 0) return CheckAdded(move);
  const int kind = phase_ == kPhaseHead && !IsCuttingEvent(source->kind) ? kMatchHead : kMatchNext;
  const int accepted = AcceptProgramMove(move, *source, kind);
  if (accepted != kCheckPassed) return accepted;
  // Takes the moves passed over and the matched one, which stays in the ring for
  // lastCuttingSlot_ when it is a cut.
  if (lastCuttingSlot_ != source) KeepLastCutting();
  for (int i = tentative_ + index + 1; i > 0; --i) source_.Take();
  tentative_ = 0;
  ++serial_;
  return kCheckPassed;
}

// Records that `move` would be the program's next move (at or after `from`) but for the program
// block at `blockAt` that the piece has not carried before it.
void SplitChecker::NoteBlocked(const CheckEvent& move, int from, int blockAt) {
  if (blockedLine_ != 0) return;
  for (int index = from; index < EventStream::kLookAhead; ++index) {
    const CheckEvent* next = nullptr;
    if (PeekSource(index, &next) != kStreamEvent) return;
    if (next->kind == kEventBlock) continue;
    if (CompareMoves(move, *next, Tolerance(*next), startZ_, raised_) != kSameMove) return;
    const CheckEvent* block = nullptr;
    PeekSource(blockAt, &block);
    blockedLine_ = block->line;
    blockedPieceLine_ = move.line;
    return;
  }
}

// The program's event at `at` for matching `move`: 1 when it is a move, 0 at the end or at a block
// the piece has not carried yet (noted for the failure text when `move` would come after it), -1
// on a failure.
int SplitChecker::PeekSourceMoveAt(const CheckEvent& move, int at, const CheckEvent** next) {
  const int peeked = PeekSource(at, next);
  if (peeked == kStreamFault) return -1;
  if (peeked == kStreamEnd) return 0;
  if ((*next)->kind == kEventBlock) {
    NoteBlocked(move, at + 1, at);
    return 0;
  }
  return 1;
}

// 1 when the program's next move is `move` (moves shorter than the resolution before it are passed
// over; `*index` counts them), 0 when it is not, or a failure below 0. A program block not yet
// carried before it makes it no match.
int SplitChecker::MatchSource(const CheckEvent& move, int* index, const CheckEvent** matched) {
  for (int at = 0;; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSourceMoveAt(move, at, &next);
    if (peeked <= 0) return peeked;
    const double tolerance = Tolerance(*next);
    const int aspect = CompareMoves(move, *next, tolerance, startZ_, raised_);
    if (aspect == kSameMove) {
      *index = at;
      *matched = next;
      return 1;
    }
    // A move with the same ends but another arc or hole is a version of this one, not a move
    // after it: never pass over it then (a full circle for a tiny arc is reported as such).
    if (aspect > kDiffTo || !IsSubResolution(*next, tolerance)) return 0;
  }
}

// The program's next cutting move past its rapids and returns (as far as the look-ahead sees), for
// a cut in a piece's head: 1 when it is `move`, 0 when it is not, or a failure below 0.
int SplitChecker::MatchPastApproach(const CheckEvent& move, int* index, const CheckEvent** matched) {
  for (int at = 0; tentative_ + at < EventStream::kLookAhead; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSourceMoveAt(move, at, &next);
    if (peeked <= 0) return peeked;
    if (!IsCuttingEvent(next->kind)) continue;
    if (CompareMoves(move, *next, Tolerance(*next), startZ_, raised_) != kSameMove) return 0;
    *index = at;
    *matched = next;
    return 1;
  }
  return 0;
}

int SplitChecker::AcceptProgramMove(const CheckEvent& move, const CheckEvent& source, int kind) {
  if (phase_ == kPhaseTail) {
    if (blockedLine_ != 0) return FailBlocked(move);
    Detail(kDetailAddedInBody, tailLine_);
    return Fail(kRuleSafeMove, tailLine_, source.line);
  }
  if (pieceNumber_ > 1 && !programMoveSeen_ && source.state.compensationBefore != 40) {
    // A piece never resumes on a path offset by cutter compensation: the offset is built from the
    // moves before it.
    CheckMachineState state = source.state;
    state.compensation = source.state.compensationBefore;
    char text[64];
    DescribeStateAspect(state, kDiffCompensation, text);
    Detail(kDetailResumesInCompensation, text);
    return Fail(kRuleSameState, move.line, source.line);
  }
  programMoveSeen_ = true;
  if (kind == kMatchHead) {
    NoteReturn(move);
    NoteHeadMove(move);
    return kCheckPassed;
  }
  const double tolerance = Tolerance(source);
  if (phase_ == kPhaseHead && pending_) {
    // The approach so far must lie on the vertical line above where the piece resumes.
    const bool above = AboveXY(move.from, pendingX_, pendingY_, tolerance) && PhysicalKnown(move.from, 2) &&
                       pendingLow_ >= move.from.physical[2] - tolerance;
    if (!above) return FailAdded(pendingMove_, kPointResume, &move.from);
  }
  if (IsCuttingEvent(source.kind)) {
    const int aspect = CompareStates(move.state, source.state);
    if (aspect != kSameState) {
      char found[64];
      char expected[64];
      DescribeStateAspect(move.state, aspect, found);
      DescribeStateAspect(source.state, aspect, expected);
      Detail(kDetailDiffers, StateAspectName(aspect), found, expected);
      return Fail(kRuleSameState, move.line, source.line);
    }
  }
  if (extraLine_ != 0) {
    // A block that is not the program's came between two program moves.
    Detail("%s", kDetailBlockExtra);
    return Fail(kRuleCarriedBlock, extraLine_, extraSourceLine_);
  }
  if (kind == kMatchNext) {
    CommitTentative();
  } else if (tentative_ > 0) {
    // Blocks before a repeat or a program move made again are never the program's next ones.
    Detail("%s", kDetailBlockExtra);
    return Fail(kRuleCarriedBlock, closing_.line, 0);
  }
  closing_ = closingUntaken_ = BlockChain{};
  phase_ = kPhaseBody;
  pending_ = false;
  repeatAvailable_ = false;
  liftOpen_ = false;
  captured_ = false;
  stop_ = move.to;
  stopCompensation_ = source.state.compensation;
  stopRegister_ = source.state.radiusRegister;
  stopLine_ = move.line;
  raised_ = move.kind == kEventHole && !SameAxis(move.to, source.to, 2, tolerance);
  if (kind == kMatchRematch) {
    NoteReturn(move);
  } else if (kind == kMatchNext) {
    rematchAt_ = rematchCount_;
  }
  if (IsCuttingEvent(source.kind)) {
    cutInPiece_ = true;
    afterCutCount_ = 0;
    if (kind == kMatchNext) {
      lastCuttingSlot_ = &source;  // the cut it held before is no longer the last
      haveLastCutting_ = true;
    }
  } else if (kind == kMatchNext && cutInPiece_ && afterCutCount_ < kRematchSize) {
    afterCut_[afterCutCount_++] = source;
  }
  return kCheckPassed;
}

// The first reference return after the piece's last program move marks where its tail ended.
void SplitChecker::NoteReturn(const CheckEvent& move) {
  if ((move.kind != kEventReference && move.kind != kEventMachine) || captured_) return;
  captured_ = true;
  tailEnd_ = move.from;
  tailEndLine_ = move.line;
}

// A program move of the piece's head (its opening again, or a rapid of the program before its
// first cut): the tool stands where the program has it, and may rise straight up from there.
void SplitChecker::NoteHeadMove(const CheckEvent& move) {
  liftOpen_ = AllPhysicalKnown(move.to);
  liftX_ = move.to.physical[0];
  liftY_ = move.to.physical[1];
  liftZ_ = move.to.physical[2];
}

// An added move of the head that only rises from where the latest program move left the tool (the
// positioning line after an opening that went down, at the start point, to a lower level): it
// stays on the vertical line above a place the program's own moves took the tool to.
bool SplitChecker::IsLift(const CheckEvent& move, double tolerance) const {
  return liftOpen_ && phase_ == kPhaseHead && Vertical(move, tolerance) &&
         AboveXY(move.from, liftX_, liftY_, tolerance) && LowerZ(move) >= liftZ_ - tolerance;
}

bool SplitChecker::AtStart(const CheckPoint& point, double tolerance) const {
  if (!AllPhysicalKnown(point)) return false;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (!Near(point.physical[axis], job_.start[axis], tolerance)) return false;
  }
  return true;
}

// A move of the split's own: safe only as a rapid at or above the start Z, a return from there,
// a rise from where the head's program moves left the tool, or a move on the vertical line above
// where the piece resumes or stops.
int SplitChecker::CheckAdded(const CheckEvent& move) {
  const double tolerance = Tolerance(move);
  bool safe = false;
  if (move.kind == kEventRapid) {
    safe = AtOrAboveZ(move.from, startZ_, tolerance) && AtOrAboveZ(move.to, startZ_, tolerance);
  } else if (move.kind == kEventReference) {
    safe = AtOrAboveZ(move.from, startZ_, tolerance) &&
           ((move.named & 4) == 0 || AtOrAboveZ(move.via, startZ_, tolerance));
  } else if (move.kind == kEventMachine) {
    safe = AtOrAboveZ(move.from, startZ_, tolerance) && ((move.named & 4) == 0 || (move.to.flags[2] & kAtReference) != 0);
  }
  const bool straight = move.kind == kEventRapid || move.kind == kEventLinear;
  if (!safe && straight && IsLift(move, tolerance)) {
    NoteReturn(move);
    return kCheckPassed;
  }
  liftOpen_ = false;
  if (!safe && straight && Vertical(move, tolerance)) {
    if (phase_ == kPhaseHead) {
      // Placed when the piece's first program move shows where it resumes.
      if (pending_ && !AboveXY(move.from, pendingX_, pendingY_, tolerance)) return FailAdded(move, kPointResume, nullptr);
      if (!pending_ || LowerZ(move) < pendingLow_) {
        pendingLow_ = LowerZ(move);
        pendingMove_ = move;
      }
      pendingX_ = move.from.physical[0];
      pendingY_ = move.from.physical[1];
      pending_ = true;
      safe = true;
    } else {
      safe = AllPhysicalKnown(stop_) && AboveXY(move.from, stop_.physical[0], stop_.physical[1], tolerance) &&
             LowerZ(move) >= stop_.physical[2] - tolerance;
      if (!safe) return FailAdded(move, kPointStop, &stop_);
    }
  }
  if (!safe) return FailAdded(move, nullptr, nullptr);
  if (phase_ == kPhaseBody) {
    phase_ = kPhaseTail;
    tailLine_ = move.line;
  }
  NoteReturn(move);
  return kCheckPassed;
}

// A move of the piece that is the program's next but for a block the piece has left out.
int SplitChecker::FailBlocked(const CheckEvent& move) {
  Detail(kDetailBlockMissing, blockedLine_);
  return Fail(kRuleCarriedBlock, blockedPieceLine_ != 0 ? blockedPieceLine_ : move.line, blockedLine_);
}

// Reports an added move that is not safe, as what it most likely is: a program move after a
// program block the piece left out, a move not above the point where the piece resumes or stops
// (`point`, named `pointName`; `pointName` alone: a second vertical line before the piece
// resumed), a program move left out, a program move changed, a cut beyond the program's last
// cut, or an unsafe move of the split's own.
int SplitChecker::FailAdded(const CheckEvent& move, const char* pointName, const CheckPoint* point) {
  if (blockedLine_ != 0) return FailBlocked(move);
  char found[96];
  char expected[96];
  DescribeMove(move, found);
  const CheckEvent* next = nullptr;
  int peeked = PeekSourceMove(0, &next);
  if (peeked == kStreamFault) return report_->result;
  if (peeked == kStreamEnd && next == nullptr) {
    // The look-ahead holds only blocks: name the move as added.
    Detail(kDetailAddedCut, found);
    return Fail(kRuleSafeMove, move.line, 0);
  }
  const int sourceLine = peeked == kStreamEvent ? next->line : 0;
  if (peeked == kStreamEnd) {
    // Every move of the program has been made: this one is beyond its end.
    Detail(kDetailAfterEnd, next->line, found);
    return Fail(kRuleAfterEnd, move.line, next->line);
  }
  if (pointName != nullptr) {
    DescribePoint(point != nullptr ? *point : pendingMove_.from, move.state.units == 20, expected);
    Detail(kDetailAddedNotAbove, found, pointName, expected);
    return Fail(kRuleSafeMove, move.line, sourceLine);
  }
  if (phase_ == kPhaseHead && repeatAvailable_ && IsCuttingEvent(move.kind) &&
      SamePoint(move.from, lastCutting_.from, Tolerance(lastCutting_))) {
    // A repeat of the interrupted move that is not the same move.
    const int aspect = CompareMoves(move, lastCutting_, Tolerance(lastCutting_), startZ_, false);
    DescribeMove(lastCutting_, expected);
    Detail(kDetailDiffers, MoveAspectName(aspect), found, expected);
    return Fail(kRuleSameCut, move.line, lastCutting_.line);
  }
  // After the piece's tail has begun no move is the program's: no guessing which one it was.
  if (phase_ != kPhaseTail) {
    // The program's next move left out: the piece goes from its start to the end of the one after.
    const CheckEvent* after = nullptr;
    if (PeekSourceMove(1, &after) == kStreamEvent) {
      CheckEvent shifted = *after;
      shifted.from = move.from;
      if (CompareMoves(move, shifted, Tolerance(*after), startZ_, false) == kSameMove &&
          SamePoint(move.from, next->from, Tolerance(*next))) {
        DescribeMove(*next, expected);
        Detail(kDetailMoveMissing, next->line, expected);
        return Fail(kRuleSameCut, move.line, next->line);
      }
    }
    // The program's next move changed: a cut for the program's next cut (past the rapids that
    // lead to it), or a move of the same kind.
    const CheckEvent* target = next;
    for (int nth = 1; IsCuttingEvent(move.kind) && !IsCuttingEvent(target->kind) && nth < EventStream::kLookAhead;
         ++nth) {
      const CheckEvent* later = nullptr;
      if (PeekSourceMove(nth, &later) != kStreamEvent) break;
      if (IsCuttingEvent(later->kind)) target = later;
    }
    if ((IsCuttingEvent(move.kind) && IsCuttingEvent(target->kind)) || move.kind == target->kind) {
      const int aspect = CompareMoves(move, *target, Tolerance(*target), startZ_, raised_);
      if (aspect == kDiffFrom) {
        DescribePoint(move.from, move.state.units == 20, found);
        DescribePoint(target->from, target->state.units == 20, expected);
      } else if (aspect == kDiffSweep) {
        DescribeSweep(move, found);
        DescribeSweep(*target, expected);
      } else {
        DescribeMove(*target, expected);
      }
      Detail(kDetailDiffers, MoveAspectName(aspect), found, expected);
      return Fail(kRuleSameCut, move.line, target->line);
    }
  }
  if (IsCuttingEvent(move.kind)) {
    // Is any cutting move of the program left? Reading on is harmless: the check ends here.
    bool cutsLeft = false;
    for (;;) {
      peeked = PeekSource(0, &next);
      if (peeked != kStreamEvent || IsCuttingEvent(next->kind)) break;
      TakeSource(1);
    }
    if (peeked == kStreamFault) return report_->result;
    cutsLeft = peeked == kStreamEvent;
    if (!cutsLeft && next != nullptr) {
      Detail(kDetailAfterEnd, next->line, found);
      return Fail(kRuleAfterEnd, move.line, next->line);
    }
    Detail(kDetailAddedCut, found);
    return Fail(kRuleSafeMove, move.line, sourceLine);
  }
  if (!AllPhysicalKnown(move.from) || !AllPhysicalKnown(move.to)) {
    Detail(kDetailAddedUnknown, found);
    return Fail(kRuleSafeMove, move.line, sourceLine);
  }
  char level[kCoordinateTextSize];
  FormatCoordinate(startZ_, level);
  Detail(kDetailAddedBelowStart, found, level);
  return Fail(kRuleSafeMove, move.line, sourceLine);
}

// A header block of the program again (pieces 2..n): the opening's next blocks, past blocks of
// the opening the piece left out.
int SplitChecker::MatchReplayBlock(const CheckEvent& block, bool* matched) {
  *matched = false;
  for (int at = 0; at < EventStream::kLookAhead; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = replay_.Peek(at, &next);
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEnd || next->kind != kEventBlock) return kCheckPassed;
    if (next->signature == block.signature) {
      for (int k = 0; k <= at; ++k) replay_.Take();
      *matched = true;
      return kCheckPassed;
    }
  }
  return kCheckPassed;
}

// A block of the piece that moves nothing (rule 7 only). It is, in this order of preference:
//  - a block of the program's opening again (pieces 2..n, while the opening is replayed);
//  - the program's next block, in its place: every program move before it made already, except
//    in the head, where the program's rapids before the first cut may be left to the piece's own
//    approach, and in the last piece's tail, where its own return may take the place of the
//    program's last rapids; the words riding on such a rapid (`G43 Z50. H2` when the piece stands
//    at Z50. already) count as a block there. In a piece before the last, blocks after its tail has begun are its
//    closing blocks, never the program's; with the tool back at the start point after its last
//    program move they may be either (a tail that coincides with the program's last moves): the
//    match is tentative then, and settled when the piece ends (FinishClosing);
//  - a restore of the head (tool at the start point, state only) that the piece carries again;
//  - a restore: in the head, with the tool at the start point, a block that only sets state;
//  - a block that only changes how later words are read (G80 before a tail, G90, a plane);
//  - in a piece before the last, after its last program move with the tool back at the start
//    point, or in its tail: its closing blocks (see FinishClosing).
int SplitChecker::HandleBlock(const CheckEvent& block) {
  if (replaying_) {
    bool matched = false;
    if (MatchReplayBlock(block, &matched) != kCheckPassed) return report_->result;
    if (matched) return kCheckPassed;
  }
  const double tolerance = Tolerance(block);
  const bool atStart = AtStart(block.from, tolerance);
  const bool restore = phase_ == kPhaseHead && block.blockClass == kBlockRestore && atStart;
  // In a piece before the last, a block after its last program move may be a closing block.
  const bool closing = !lastPiece_ && (phase_ == kPhaseTail || (phase_ == kPhaseBody && atStart));
  const CheckEvent* candidate = nullptr;
  int at = 0;
  for (;; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSource(at, &next);
    if (peeked == kStreamFault) return report_->result;
    if (peeked == kStreamEnd) break;
    if (next->kind == kEventBlock) {
      candidate = next;
      break;
    }
    const bool passable = phase_ == kPhaseHead ? !IsCuttingEvent(next->kind)
                                               : lastPiece_ && phase_ == kPhaseTail && !IsCuttingEvent(next->kind);
    if (!passable) break;
    if (next->signature != 0 && next->signature == block.signature) {
      // The words riding on a program move that the piece's own moves have taken the place of
      // (it goes nowhere in the piece): they act where the program has them.
      candidate = next;
      break;
    }
  }
  if (candidate != nullptr && candidate->signature == block.signature && phase_ != kPhaseTail) {
    if (closing) {
      ++tentative_;
      closing_.Add(block);
      return kCheckPassed;
    }
    const bool chain = provisionalCount_ > 0 && provisionalAt_ == 0 && provisionalSerial_ == serial_;
    TakeSource(at + 1);  // with the program's rapids passed over: the piece's approach replaces them
    if (restore) {
      if (!chain) provisionalCount_ = 0;
      if (provisionalCount_ < kProvisionalSize) provisional_[provisionalCount_++] = block.signature;
      provisionalSerial_ = serial_;
    }
    return kCheckPassed;
  }
  if (candidate != nullptr && candidate->signature == block.signature && lastPiece_) {
    TakeSource(at + 1);  // the last piece's return has replaced the program's last rapids
    return kCheckPassed;
  }
  if (provisionalAt_ < provisionalCount_ && provisionalSerial_ == serial_ &&
      provisional_[provisionalAt_] == block.signature) {
    ++provisionalAt_;
    return kCheckPassed;
  }
  if (restore || block.blockClass == kBlockInterpretation) return kCheckPassed;
  if (closing) {
    closing_.Add(block);
    closingUntaken_.Add(block);
    if (phase_ == kPhaseBody && extraLine_ == 0) {
      extraLine_ = block.line;
      extraSourceLine_ = candidate != nullptr ? candidate->line : 0;
    }
    return kCheckPassed;
  }
  if (blockedLine_ != 0) return FailBlocked(block);
  Detail("%s", kDetailBlockExtra);
  return Fail(kRuleCarriedBlock, block.line, candidate != nullptr ? candidate->line : 0);
}

// The end of a piece before the last: the blocks after its last program move are its closing
// blocks, and must be the same in every such piece; the program's own closing blocks are compared
// with them at the end (DrainSource). Program blocks the piece matched tentatively there were the
// piece's own when its closing blocks without them are those of the pieces before; otherwise they
// were copies, and the program's go on to the next piece.
int SplitChecker::FinishClosing(const CheckEvent& end) {
  BlockChain piece = closing_;
  if (tentative_ > 0) {
    if (haveClosing_ && closingUntaken_.Same(firstClosing_) && !closing_.Same(firstClosing_)) {
      CommitTentative();
      piece = closingUntaken_;
    }
    tentative_ = 0;
  }
  if (piece.count == 0) piece.line = end.line;
  if (!haveClosing_) {
    haveClosing_ = true;
    firstClosing_ = piece;
    firstClosingPiece_ = pieceNumber_;
    return kCheckPassed;
  }
  if (piece.Same(firstClosing_)) return kCheckPassed;
  Detail(kDetailClosingDiffers, firstClosingPiece_);
  return Fail(kRuleCarriedBlock, piece.line, 0);
}

int SplitChecker::FinishPiece(const CheckEvent& end) {
  if (pending_) {
    if (blockedLine_ != 0) return FailBlocked(end);
    char found[96];
    DescribeMove(pendingMove_, found);
    Detail(kDetailNeverResumed, found);
    return Fail(kRuleSafeMove, pendingMove_.line, 0);
  }
  const CheckPoint& last = captured_ ? tailEnd_ : end.from;
  const int line = captured_ ? tailEndLine_ : end.line;
  const double tolerance = Tolerance(end);
  // The last piece may end as the program ends: with the program's own last moves (a return to
  // the reference point, say), and no move of its own after them.
  bool endsAsProgram = false;
  if (lastPiece_ && phase_ == kPhaseBody) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSourceMove(0, &next);
    if (peeked == kStreamFault) return report_->result;
    endsAsProgram = peeked == kStreamEnd && next != nullptr;
  }
  if (!endsAsProgram && !AtStart(last, tolerance)) {
    CheckPoint start{};
    for (int axis = 0; axis < kCheckAxes; ++axis) {
      start.physical[axis] = job_.start[axis];
      start.flags[axis] = kPhysicalKnown | kProgramKnown;
    }
    char found[64];
    char expected[64];
    DescribePoint(last, end.state.units == 20, found);
    DescribePoint(start, end.state.units == 20, expected);
    Detail(kDetailNotAtStart, found, expected);
    return Fail(kRulePosition, line, 0);
  }
  if (lastPiece_) {
    CommitTentative();
    return kCheckPassed;
  }
  if (programMoveSeen_ && stopCompensation_ != 40) {
    // A piece never stops on a path offset by cutter compensation: the next one could not build
    // the same offset.
    CheckMachineState state{};
    state.compensation = stopCompensation_;
    state.radiusRegister = stopRegister_;
    char text[64];
    DescribeStateAspect(state, kDiffCompensation, text);
    Detail(kDetailEndsInCompensation, text);
    return Fail(kRuleSameState, stopLine_, 0);
  }
  return carried_ ? FinishClosing(end) : kCheckPassed;
}

// After the last piece: every cutting move and (rule 7) every block of the program must have been
// made, and the closing blocks of the pieces before the last are the program's.
int SplitChecker::DrainSource() {
  const int lastLine = piece_.lineNumber();
  for (;;) {
    const CheckEvent* next = nullptr;
    const int peeked = source_.Peek(0, &next);
    if (peeked == kStreamFault) return FailStream(source_, 0);
    if (peeked == kStreamEnd) break;
    if (IsCuttingEvent(next->kind)) {
      char expected[96];
      DescribeMove(*next, expected);
      Detail(kDetailCutNeverMade, next->line, expected);
      return Fail(kRuleSameCut, lastLine, next->line);
    }
    if (next->kind == kEventBlock) {
      Detail(kDetailBlockMissing, next->line);
      return Fail(kRuleCarriedBlock, lastLine, next->line);
    }
    TakeSource(1);
  }
  const BlockChain program{source_.closingChain(), source_.closingCount(), source_.closingLine()};
  if (haveClosing_ && !program.Same(firstClosing_)) {
    pieceNumber_ = firstClosingPiece_;
    if (program.count == 0) {
      Detail("%s", kDetailClosingNone);
      return Fail(kRuleCarriedBlock, firstClosing_.line, 0);
    }
    Detail(kDetailClosingNotProgram, program.line);
    return Fail(kRuleCarriedBlock, firstClosing_.line, program.line);
  }
  report_->result = kCheckPassed;
  return kCheckPassed;
}

}  // namespace

int CheckSplit(const SplitCheckJob& job, SplitCheckReport* report) {
  *report = SplitCheckReport{};
  // The three streams' buffers are far too large for a small thread stack (the window thread's):
  // they live on the heap for the call.
  std::unique_ptr<SplitChecker> checker(new (std::nothrow) SplitChecker(job, report));
  if (!checker) {
    report->result = kCheckUnreadable;
    std::snprintf(report->detail, sizeof report->detail, "%s", kDetailNoMemory);
    return report->result;
  }
  return checker->Run();
}
