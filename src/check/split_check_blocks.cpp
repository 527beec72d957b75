// The split check's rule for the blocks a piece carries (SplitChecker::HandleBlock and the closing
// blocks of a piece).
#include "check/check_messages.h"
#include "check/move_compare.h"
#include "check/split_checker.h"

namespace checker {

// A header block of the program again (pieces 2..n): the opening's next blocks, past blocks of
// the opening the piece left out.
int SplitChecker::MatchReplayBlock(const CheckEvent& block, bool* matched) {
  *matched = false;
  for (int at = 0; at < EventStream::kLookAhead; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = replay_.Peek(at, &next);
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEnd) return kCheckPassed;
    if (next->kind == kEventBlock && next->signature == block.signature) {
      for (int k = 0; k <= at; ++k) replay_.Take();
      *matched = true;
      return kCheckPassed;
    }
    if (!MayLeaveOut(*next)) return kCheckPassed;
  }
  return kCheckPassed;
}

// The piece's opening has ended (at its line `pieceLine`): the blocks of the opening it left out
// (up to the opening's next move, or a move line that goes nowhere; in a header file of the
// user's, to its end) only set state,
// which the rules judge at the moves after them. A stop, a dwell, a G92 left out is missing.
int SplitChecker::EndReplay(int pieceLine) {
  replaying_ = false;
  for (;;) {
    const CheckEvent* next = nullptr;
    const int peeked = replay_.Peek(0, &next);
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEnd) return kCheckPassed;
    // The program's opening ends at its next move, one that goes nowhere included.
    if ((next->kind != kEventBlock || next->positioning == 1) && job_.headerFile == nullptr) return kCheckPassed;
    if (!MayLeaveOut(*next)) {
      if (job_.headerFile != nullptr) {
        Detail(kDetailHeaderBlockMissing, next->line);
        return Fail(kRuleCarriedBlock, pieceLine, 0);
      }
      Detail(kDetailBlockMissing, next->line);
      return Fail(kRuleCarriedBlock, pieceLine, next->line);
    }
    replay_.Take();
  }
}

// A block of the piece that moves nothing. It is, in this order of preference:
//  - a block of the program's opening again (pieces 2..n, while the opening is replayed), or of
//    the header file of the user's (every piece);
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
//    point, or in its tail: its closing blocks (see FinishClosing); behind a footer file of the
//    user's, the same in the last piece after its last program move.
int SplitChecker::HandleBlock(const CheckEvent& block) {
  if (replaying_ && block.positioning == 1 && block.signature == 0) {
    // The piece's own positioning that goes nowhere (the tool at the start point already): the
    // opening replayed so far ends before it, and it does nothing (not the opening's own move that
    // goes nowhere, which only looks the same).
    return EndReplay(block.line);
  }
  if (replaying_) {
    bool matched = false;
    if (MatchReplayBlock(block, &matched) != kCheckPassed) return report_->result;
    if (matched) return kCheckPassed;
    // A positioning of the piece's own that goes nowhere (the tool stands at the start point in X
    // and Y) is a move of the piece all the same: the opening, replayed so far, ends before it, as
    // it ends before any other move that is not the opening's.
    if (block.positioning == 1 && EndReplay(block.line) != kCheckPassed) return report_->result;
  }
  // Such a positioning with no words of its own does nothing at all.
  if (block.positioning == 1 && block.signature == 0) return kCheckPassed;
  const double tolerance = Tolerance(block);
  const bool atStart = AtStart(block.from, tolerance);
  // A restore sets state only: with the tool at the start point, or at the top of travel (after
  // the opening's return of Z to the reference point), clear of the work wherever it stands.
  const bool restore = phase_ == kPhaseHead && block.blockClass == kBlockRestore &&
                       (atStart || AtTopOfTravel(block.from));
  // In a piece before the last, a block after its last program move may be a closing block (with
  // the tool back at the start point, or above it at the top of travel where no G92 needs it at
  // the start point).
  const bool back = atStart || (!frames_.setsPosition && AboveStart(block.from, tolerance));
  // Behind a footer file of the user's, the last piece's blocks after its last program move are
  // its closing blocks as well, wherever the program's own last moves left the tool.
  const bool closing = lastPiece_ ? job_.footerFile != nullptr && phase_ != kPhaseHead
                                  : phase_ == kPhaseTail || (phase_ == kPhaseBody && back);
  const CheckEvent* candidate = nullptr;
  int ridingLine = 0;  // a program rapid of the last piece's tail whose riding words are not here
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
    // A restore before the repeat of the interrupted cut stands before every program event still
    // to come (they all follow that cut): it passes over none of them.
    const bool beforeRepeat = restore && repeatAvailable_;
    const bool passable = phase_ == kPhaseHead ? !IsCuttingEvent(next->kind) && !beforeRepeat
                                               : lastPiece_ && phase_ == kPhaseTail && !IsCuttingEvent(next->kind);
    // A program move down from the top of travel to where the piece stands goes nowhere in the
    // piece: only the words riding on it are there.
    if (!passable && !beforeRepeat && DescendsToWhereThePieceIs(*next, block.from, tolerance) &&
        next->signature == block.signature) {
      candidate = next;
      break;
    }
    if (!passable) break;
    if (next->signature != 0 && next->signature == block.signature) {
      // The words riding on a program move that the piece's own moves have taken the place of
      // (it goes nowhere in the piece): they act where the program has them.
      candidate = next;
      break;
    }
    if (next->signature != 0 && phase_ == kPhaseTail && next->kind != kEventReference &&
        next->kind != kEventMachine) {
      // The last piece's return takes the place of the program's last rapids, never of the words
      // riding on them ("G00 Z50. M09"): those come before any later block.
      ridingLine = next->line;
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
  if (candidate != nullptr && candidate->signature == block.signature && lastPiece_ && !closing) {
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
  const CheckEvent* after = nullptr;
  const bool ends = phase_ == kPhaseTail ||
                    (PeekPiece(1, &after) != kStreamFault && after != nullptr && after->line == block.line &&
                     (after->kind == kEventEnd || piece_.simulator().ended()));
  if (lastPiece_ && ends) {
    // The last piece closes (in its tail, or with M02/M30) while the program still has cuts to
    // make: the pieces end too early (too few of them, or the last one cut short), and that is
    // what is wrong.
    for (int ahead = 0;; ++ahead) {
      const CheckEvent* next = nullptr;
      const int peeked = PeekSource(ahead, &next);
      if (peeked == kStreamFault) return report_->result;
      if (peeked != kStreamEvent) break;
      if (!IsCuttingEvent(next->kind)) continue;
      char expected[96];
      DescribeMove(*next, expected);
      Detail(kDetailCutNeverMade, next->line, expected);
      return Fail(kRuleSameCut, block.line, next->line);
    }
  }
  if (ridingLine != 0) {
    Detail(kDetailBlockMissing, ridingLine);
    return Fail(kRuleCarriedBlock, block.line, ridingLine);
  }
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
  if (firstClosingPiece_ == 0) {
    Detail("%s", kDetailClosingNotFooter);
  } else {
    Detail(kDetailClosingDiffers, firstClosingPiece_);
  }
  return Fail(kRuleCarriedBlock, piece.line, 0);
}

}  // namespace checker
