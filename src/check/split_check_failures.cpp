// What a failed split check says: the report's fields and the detail texts that name what a
// piece does and what the program does there.
#include <cstdarg>
#include <cstdio>

#include "check/check_messages.h"
#include "check/check_report.h"
#include "check/move_compare.h"
#include "check/split_checker.h"
#include "nc/format.h"

namespace checker {

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
    const int asProgramMove = FailAsProgramMove(move, *next, found);
    if (asProgramMove != kCheckPassed) return asProgramMove;
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

// FailAdded's diagnosis of `move` (described in `found`) as the program's next move `next` left out
// or changed; kCheckPassed, reporting nothing, when it is neither.
int SplitChecker::FailAsProgramMove(const CheckEvent& move, const CheckEvent& next, char (&found)[96]) {
  char expected[96];
  // The program's next move left out: the piece goes from its start to the end of the one after.
  const CheckEvent* after = nullptr;
  if (PeekSourceMove(1, &after) == kStreamEvent) {
    CheckEvent shifted = *after;
    shifted.from = move.from;
    if (CompareMoves(move, shifted, Tolerance(*after), startZ_, false) == kSameMove &&
        SamePoint(move.from, next.from, Tolerance(next))) {
      DescribeMove(next, expected);
      Detail(kDetailMoveMissing, next.line, expected);
      return Fail(kRuleSameCut, move.line, next.line);
    }
  }
  // The program's next move changed: a cut for the program's next cut (past the rapids that
  // lead to it), or a move of the same kind.
  const CheckEvent* target = &next;
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
  return kCheckPassed;
}

}  // namespace checker
