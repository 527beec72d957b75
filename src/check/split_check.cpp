#include "check/split_check.h"

#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstring>

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

// Where a piece stands between its opening and its end.
enum Phase {
  kPhaseHead,  // before its first program move: the opening, the restore, the approach
  kPhaseBody,  // from its first program move on
  kPhaseTail,  // after an added move that followed its body: the lift, retract, return, footer
};

double Tolerance(const CheckEvent& event) { return (event.state.units == 20 ? 0.0001 : 0.001) + kSlack; }

bool AtOrAboveZ(const CheckPoint& point, double level, double tolerance) {
  if ((point.flags[2] & kAtReference) != 0) return true;
  return PhysicalKnown(point, 2) && point.physical[2] >= level - tolerance;
}

bool Vertical(const CheckEvent& move, double tolerance) {
  for (int axis = 0; axis < 2; ++axis) {
    if (!PhysicalKnown(move.from, axis) || !PhysicalKnown(move.to, axis)) return false;
    if (move.from.physical[axis] - move.to.physical[axis] > tolerance ||
        move.to.physical[axis] - move.from.physical[axis] > tolerance) {
      return false;
    }
  }
  return PhysicalKnown(move.from, 2) && PhysicalKnown(move.to, 2);
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
  int MatchSource(const CheckEvent& move, const CheckEvent** matched);
  int MatchPastApproach(const CheckEvent& move, const CheckEvent** matched);
  int AcceptProgramMove(const CheckEvent& move, const CheckEvent& source, bool repeat);
  int CheckAdded(const CheckEvent& move);
  int FailAdded(const CheckEvent& move, const char* pointName, const CheckPoint* point);
  int FinishPiece(const CheckEvent& end);
  int DrainSource();
  void NoteReturn(const CheckEvent& move);
  void NoteHeadMove(const CheckEvent& move);
  bool IsLift(const CheckEvent& move, double tolerance) const;
  void KeepLastCutting();
  void TakeSource();

  int Fail(int rule, int pieceLine, int sourceLine);
  int FailFile(int result, const char* format, const char* path);
  int FailStream(const EventStream& stream, int piece);
  void Detail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const SplitCheckJob& job_;
  SplitCheckReport* report_;
  EventStream source_;  // the program's moves, consumed by the pieces in order
  EventStream replay_;  // the program from its first line again, for the opening of each piece
  EventStream piece_;
  EventStream blocks_;  // rule 7: the program's blocks, consumed by the pieces in order
  char piecePath_[kPathSize];
  int pieceNumber_ = 0;
  double startZ_ = 0.0;
  CheckEvent lastCutting_{};  // the program's last cutting move consumed: what a piece may repeat
  bool haveLastCutting_ = false;
  // The same while it still stands in the program stream's ring, copied into lastCutting_ only
  // when the stream moves on (most cuts are followed by another cut: no copy for them). The ring
  // never overwrites the event taken last.
  const CheckEvent* lastCuttingSlot_ = nullptr;
  int lastCutLine_ = 0;
  // The piece in hand.
  int phase_ = kPhaseHead;
  bool replaying_ = false;
  bool repeatAvailable_ = false;
  bool raised_ = false;     // after a hole that returned higher than the program's
  bool pending_ = false;    // vertical added moves before the first program move, not yet placed
  double pendingX_ = 0.0;
  double pendingY_ = 0.0;
  double pendingLow_ = 0.0;
  CheckEvent pendingMove_{};  // the lowest of them
  CheckPoint stop_{};         // where the piece's last program move ended
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
  const bool carried = job_.carriedBlocks == 1;
  if (source_.Open(job_.ncFile, job_.start, false) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  if (carried && blocks_.Open(job_.ncFile, job_.start, true) != kStreamEvent) {
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

void SplitChecker::KeepLastCutting() {
  if (lastCuttingSlot_ == nullptr) return;
  lastCutting_ = *lastCuttingSlot_;
  lastCuttingSlot_ = nullptr;
}

void SplitChecker::TakeSource() {
  KeepLastCutting();
  source_.Take();
}

int SplitChecker::CheckPiece(int number) {
  KeepLastCutting();
  pieceNumber_ = number;
  if (PiecePath(job_.ncFile, number, piecePath_, sizeof piecePath_) != kNamingOk ||
      piece_.Open(piecePath_, job_.start, job_.carriedBlocks == 1) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, piecePath_);
  }
  replaying_ = number > 1;
  if (replaying_ && replay_.Open(job_.ncFile, job_.start, job_.carriedBlocks == 1) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  phase_ = kPhaseHead;
  repeatAvailable_ = number > 1 && haveLastCutting_;
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
// move the seam interrupted, or one of the split's own.
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
      const int accepted = AcceptProgramMove(move, again, true);
      NoteReturn(move);
      return accepted;
    }
  }
  const CheckEvent* source = nullptr;
  int matched = MatchSource(move, &source);
  if (matched < 0) return report_->result;
  if (matched > 0 && phase_ == kPhaseHead && !IsCuttingEvent(source->kind)) {
    rematchAt_ = rematchCount_;
    TakeSource();
    NoteReturn(move);
    NoteHeadMove(move);
    return kCheckPassed;
  }
  if (matched == 0 && phase_ == kPhaseHead && IsCuttingEvent(move.kind)) {
    if (repeatAvailable_ && CompareMoves(move, lastCutting_, Tolerance(lastCutting_), startZ_, false) == kSameMove) {
      return AcceptProgramMove(move, lastCutting_, true);
    }
    matched = MatchPastApproach(move, &source);
    if (matched < 0) return report_->result;
  }
  if (matched > 0) {
    rematchAt_ = rematchCount_;
    const int accepted = AcceptProgramMove(move, *source, false);
    if (accepted == kCheckPassed && cutInPiece_ && !IsCuttingEvent(source->kind) && afterCutCount_ < kRematchSize) {
      afterCut_[afterCutCount_++] = *source;
    }
    source_.Take();  // the event stays in the ring for lastCuttingSlot_
    return accepted;
  }
  return CheckAdded(move);
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
         liftX_ - move.from.physical[0] <= tolerance && move.from.physical[0] - liftX_ <= tolerance &&
         liftY_ - move.from.physical[1] <= tolerance && move.from.physical[1] - liftY_ <= tolerance &&
         LowerZ(move) >= liftZ_ - tolerance;
}

// The program's next cutting move past its rapids and returns (as far as the look-ahead sees), for
// a cut in a piece's head: 1 when it is `move` (the moves before it are taken), 0 when it is not
// (nothing is taken), or a failure below 0.
int SplitChecker::MatchPastApproach(const CheckEvent& move, const CheckEvent** matched) {
  for (int ahead = 0; ahead < EventStream::kLookAhead; ++ahead) {
    const CheckEvent* next = nullptr;
    const int peeked = source_.Peek(ahead, &next);
    if (peeked == kStreamFault) return -FailStream(source_, 0);
    if (peeked == kStreamEnd) return 0;
    if (!IsCuttingEvent(next->kind)) continue;
    if (CompareMoves(move, *next, Tolerance(*next), startZ_, raised_) != kSameMove) return 0;
    for (int k = 0; k < ahead; ++k) TakeSource();
    source_.Peek(0, matched);
    return 1;
  }
  return 0;
}

// 1 when the program's next move is `move` (a move shorter than the resolution before it is
// passed over), 0 when it is not, or a failure below 0.
int SplitChecker::MatchSource(const CheckEvent& move, const CheckEvent** matched) {
  for (;;) {
    const CheckEvent* next = nullptr;
    const int peeked = source_.PeekMove(&next);
    if (peeked == kStreamFault) return -FailStream(source_, 0);
    if (peeked == kStreamEnd) return 0;
    const double tolerance = Tolerance(*next);
    const int aspect = CompareMoves(move, *next, tolerance, startZ_, raised_);
    if (aspect == kSameMove) {
      *matched = next;
      return 1;
    }
    // A move with the same ends but another arc or hole is a version of this one, not a move
    // after it: never pass over it then (a full circle for a tiny arc is reported as such).
    if (aspect > kDiffTo || !IsSubResolution(*next, tolerance)) return 0;
    TakeSource();
  }
}

int SplitChecker::AcceptProgramMove(const CheckEvent& move, const CheckEvent& source, bool repeat) {
  if (phase_ == kPhaseTail) {
    Detail(kDetailAddedInBody, tailLine_);
    return Fail(kRuleSafeMove, tailLine_, source.line);
  }
  const double tolerance = Tolerance(source);
  if (phase_ == kPhaseHead && pending_) {
    // The approach so far must lie on the vertical line above where the piece resumes.
    const bool above = PhysicalKnown(move.from, 0) && PhysicalKnown(move.from, 1) && PhysicalKnown(move.from, 2) &&
                       pendingX_ - move.from.physical[0] <= tolerance && move.from.physical[0] - pendingX_ <= tolerance &&
                       pendingY_ - move.from.physical[1] <= tolerance && move.from.physical[1] - pendingY_ <= tolerance &&
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
  if (!repeat && job_.carriedBlocks == 1) {
    // Every block of the program before this move must have come already.
    const CheckEvent* block = nullptr;
    const int peeked = blocks_.PeekBlock(&block);
    if (peeked == kStreamFault) return FailStream(blocks_, 0);
    if (peeked == kStreamEvent && block->line < source.line) {
      Detail(kDetailBlockMissing, block->line);
      return Fail(kRuleCarriedBlock, move.line, block->line);
    }
  }
  phase_ = kPhaseBody;
  pending_ = false;
  repeatAvailable_ = false;
  liftOpen_ = false;
  captured_ = false;
  stop_ = move.to;
  if (IsCuttingEvent(source.kind)) {
    cutInPiece_ = true;
    afterCutCount_ = 0;
  }
  raised_ = move.kind == kEventHole && !SameAxis(move.to, source.to, 2, tolerance);
  if (!repeat && IsCuttingEvent(source.kind)) {
    lastCuttingSlot_ = &source;
    haveLastCutting_ = true;
    lastCutLine_ = source.line;
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

// A move of the split's own: safe only as a rapid at or above the start Z, a return from there,
// or a move on the vertical line above where the piece resumes or stops.
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
  if (!safe && (move.kind == kEventRapid || move.kind == kEventLinear) && IsLift(move, tolerance)) {
    NoteReturn(move);
    return kCheckPassed;
  }
  liftOpen_ = false;
  if (!safe && (move.kind == kEventRapid || move.kind == kEventLinear) && Vertical(move, tolerance)) {
    if (phase_ == kPhaseHead) {
      // Placed when the piece's first program move shows where it resumes.
      if (pending_ && (pendingX_ - move.from.physical[0] > tolerance || move.from.physical[0] - pendingX_ > tolerance ||
                       pendingY_ - move.from.physical[1] > tolerance || move.from.physical[1] - pendingY_ > tolerance)) {
        return FailAdded(move, kPointResume, nullptr);
      }
      if (!pending_ || LowerZ(move) < pendingLow_) {
        pendingLow_ = LowerZ(move);
        pendingMove_ = move;
      }
      pendingX_ = move.from.physical[0];
      pendingY_ = move.from.physical[1];
      pending_ = true;
      safe = true;
    } else {
      safe = stop_.physical[0] - move.from.physical[0] <= tolerance &&
             move.from.physical[0] - stop_.physical[0] <= tolerance &&
             stop_.physical[1] - move.from.physical[1] <= tolerance &&
             move.from.physical[1] - stop_.physical[1] <= tolerance && AllPhysicalKnown(stop_) &&
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

// Reports an added move that is not safe, as what it most likely is: a move not above the point
// where the piece resumes or stops (`point`, named `pointName`; `pointName` alone: a second
// vertical line before the piece resumed), a program move left out, a program move changed, a cut
// beyond the program's last cut, or an unsafe move of the split's own.
int SplitChecker::FailAdded(const CheckEvent& move, const char* pointName, const CheckPoint* point) {
  char found[96];
  char expected[96];
  DescribeMove(move, found);
  const CheckEvent* next = nullptr;
  int peeked = source_.PeekMove(&next);
  if (peeked == kStreamFault) return FailStream(source_, 0);
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
  if (peeked == kStreamEvent && phase_ != kPhaseTail) {
    // The program's next move left out: the piece goes from its start to the end of the one after.
    const CheckEvent* after = nullptr;
    if (source_.Peek(1, &after) == kStreamEvent) {
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
    for (int ahead = 1; IsCuttingEvent(move.kind) && !IsCuttingEvent(target->kind) && ahead < EventStream::kLookAhead;
         ++ahead) {
      const CheckEvent* later = nullptr;
      if (source_.Peek(ahead, &later) != kStreamEvent) break;
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
    while (!cutsLeft && peeked == kStreamEvent) {
      cutsLeft = IsCuttingEvent(next->kind);
      TakeSource();
      peeked = source_.PeekMove(&next);
    }
    if (peeked == kStreamFault) return FailStream(source_, 0);
    if (!cutsLeft) {
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

// A block of the piece that moves nothing (rule 7 only).
int SplitChecker::HandleBlock(const CheckEvent& block) {
  if (replaying_) {
    const CheckEvent* next = nullptr;
    const int peeked = replay_.Peek(0, &next);
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEvent && next->kind == kEventBlock && next->signature == block.signature) {
      replay_.Take();
      return kCheckPassed;
    }
  }
  const CheckEvent* expected = nullptr;
  const int peeked = blocks_.PeekBlock(&expected);
  if (peeked == kStreamFault) return FailStream(blocks_, 0);
  const CheckEvent* nextMove = nullptr;
  const int moves = source_.PeekMove(&nextMove);
  if (moves == kStreamFault) return FailStream(source_, 0);
  const int nextMoveLine = moves == kStreamEvent ? nextMove->line : INT_MAX;
  if (peeked == kStreamEvent && expected->signature == block.signature && expected->line < nextMoveLine) {
    blocks_.Take();
    return kCheckPassed;
  }
  if ((phase_ == kPhaseHead && block.stateOnly) || phase_ == kPhaseTail || moves == kStreamEnd) return kCheckPassed;
  Detail("%s", kDetailBlockExtra);
  return Fail(kRuleCarriedBlock, block.line, peeked == kStreamEvent ? expected->line : 0);
}

int SplitChecker::FinishPiece(const CheckEvent& end) {
  if (pending_) {
    char found[96];
    DescribeMove(pendingMove_, found);
    Detail(kDetailNeverResumed, found);
    return Fail(kRuleSafeMove, pendingMove_.line, 0);
  }
  const CheckPoint& last = captured_ ? tailEnd_ : end.from;
  const int line = captured_ ? tailEndLine_ : end.line;
  const double tolerance = Tolerance(end);
  bool home = AllPhysicalKnown(last);
  for (int axis = 0; home && axis < kCheckAxes; ++axis) {
    home = last.physical[axis] - job_.start[axis] <= tolerance && job_.start[axis] - last.physical[axis] <= tolerance;
  }
  if (!home) {
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
  return kCheckPassed;
}

// After the last piece: every cutting move of the program must have been made, and (rule 7) every
// block before the last one.
int SplitChecker::DrainSource() {
  const int lastLine = piece_.lineNumber();
  for (;;) {
    const CheckEvent* next = nullptr;
    const int peeked = source_.PeekMove(&next);
    if (peeked == kStreamFault) return FailStream(source_, 0);
    if (peeked == kStreamEnd) break;
    if (IsCuttingEvent(next->kind)) {
      char expected[96];
      DescribeMove(*next, expected);
      Detail(kDetailCutNeverMade, next->line, expected);
      return Fail(kRuleSameCut, lastLine, next->line);
    }
    TakeSource();
  }
  if (job_.carriedBlocks == 1) {
    const CheckEvent* block = nullptr;
    const int peeked = blocks_.PeekBlock(&block);
    if (peeked == kStreamFault) return FailStream(blocks_, 0);
    if (peeked == kStreamEvent && block->line < lastCutLine_) {
      Detail(kDetailBlockMissing, block->line);
      return Fail(kRuleCarriedBlock, lastLine, block->line);
    }
  }
  report_->result = kCheckPassed;
  return kCheckPassed;
}

}  // namespace

int CheckSplit(const SplitCheckJob& job, SplitCheckReport* report) {
  *report = SplitCheckReport{};
  SplitChecker checker(job, report);
  return checker.Run();
}
