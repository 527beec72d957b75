#include "check/split_check.h"

#include <cstdio>
#include <memory>
#include <new>

#include "check/check_messages.h"
#include "check/move_compare.h"
#include "check/split_checker.h"
#include "config/file_naming.h"
#include "nc/format.h"
#include "nc/records.h"

namespace checker {

int SplitChecker::Run() {
  startZ_ = job_.start[2];
  if (source_.Open(job_.ncFile, job_.start, true, true) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  if (job_.pieceCount < 1) {
    PiecePath(job_.ncFile, 1, piecePath_, sizeof piecePath_);
    pieceNumber_ = 1;
    return FailFile(kCheckUnreadable, kDetailFileUnopened, piecePath_);
  }
  if (LearnFrames() != kCheckPassed) return report_->result;
  report_->usersFiles = job_.headerFile != nullptr || job_.footerFile != nullptr ? 1 : 0;
  if (job_.headerFile != nullptr && SkipOpening() != kCheckPassed) return report_->result;
  if (job_.footerFile != nullptr && LearnFooter() != kCheckPassed) return report_->result;
  for (int number = 1; number <= job_.pieceCount; ++number) {
    if (CheckPiece(number) != kCheckPassed) return report_->result;
    report_->piecesChecked = number;
  }
  return DrainSource();
}

// One run of the whole program before the pieces: the frames it gives Z words in and how it
// changes tools (check/tool_frames.h). A program the machine cannot run fails the check here.
int SplitChecker::LearnFrames() {
  frames_ = ToolFrames{};
  // The program's subprograms stand where the source stream found them.
  if (replay_.Open(job_.ncFile, job_.start, false, true, &source_) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.ncFile);
  }
  replay_.WatchFrames(&frames_, true);
  const CheckEvent* event = nullptr;
  int peeked = kStreamEvent;
  while ((peeked = replay_.Peek(0, &event)) == kStreamEvent) replay_.Take();
  if (peeked == kStreamFault) return FailStream(replay_, 0);
  const MachineSimulator& machine = replay_.simulator();
  frames_.changeWithoutCut = machine.doubleChangeLine() != 0 || machine.changesSinceCut() > 0;
  frames_.setsPosition = machine.setPositions() > 0;
  startOffset_ = machine.firstMoveOffset();
  programEnds_ = machine.ended();
  endState_ = programEnds_ ? machine.stateAtEnd() : machine.state();
  programGroups_ = machine.openingEnded() ? machine.openingGroups() & ~uint32_t{kGroupLength} : 0;
  programOffsets_ = machine.workOffsetsMovedIn();
  programStillOffsets_ = machine.stillPositioningOffsets();
  if (frames_.overflow) {
    Detail(kDetailTooManyFrames, ToolFrames::kMaxFrames);
    return Fail(kRuleSameState, 0, 0);
  }
  return kCheckPassed;
}

// Behind a header file of the user's: the program's opening, which that file takes the place of in
// every piece, is not looked for in the first. It is what the program does before its first move
// that leaves the start point in X or Y, cuts or drills: its blocks, its reference returns and G53
// moves, and its moves along Z at the start point that take up or cancel a length offset. What the
// header sets instead is judged by the state at the moves after it.
int SplitChecker::SkipOpening() {
  int lengthOffset = 49;
  int lengthRegister = 0;
  for (;;) {
    const CheckEvent* next = nullptr;
    const int peeked = source_.Peek(0, &next);
    if (peeked == kStreamFault) return FailStream(source_, 0);
    if (peeked == kStreamEnd) return kCheckPassed;
    if (next->kind == kEventRapid) {
      const bool lengthChange =
          next->state.lengthOffset != lengthOffset || next->state.lengthRegister != lengthRegister;
      if (!lengthChange || !Vertical(*next, Tolerance(*next)) ||
          !AboveXY(next->from, job_.start[0], job_.start[1], Tolerance(*next))) {
        return kCheckPassed;
      }
    } else if (next->kind != kEventBlock && next->kind != kEventReference && next->kind != kEventMachine) {
      return kCheckPassed;
    }
    lengthOffset = next->state.lengthOffset;
    lengthRegister = next->state.lengthRegister;
    source_.Take();
  }
}

// Behind a footer file of the user's: its blocks, as one chain (interpretation-only blocks left
// out), are the closing blocks of every piece.
int SplitChecker::LearnFooter() {
  if (replay_.Open(job_.footerFile, job_.start, true) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, job_.footerFile);
  }
  BlockChain footer{};
  const CheckEvent* event = nullptr;
  int peeked = kStreamEvent;
  while ((peeked = replay_.Peek(0, &event)) == kStreamEvent) {
    if (event->kind == kEventBlock && event->blockClass != kBlockInterpretation &&
        !(event->positioning == 1 && event->signature == 0)) {
      footer.Add(*event);
    }
    replay_.Take();
  }
  if (peeked == kStreamFault) return FailStream(replay_, 0);
  if (footer.count == 0) footer.line = 0;
  haveClosing_ = true;
  firstClosing_ = footer;
  firstClosingPiece_ = 0;
  return kCheckPassed;
}

// The piece's Z words up to its line `upToLine` were given in frames the program gives them in,
// and it changed tools only for a cut (unless the program does otherwise itself).
int SplitChecker::CheckFrames(int upToLine) {
  const MachineSimulator& machine = piece_.simulator();
  const int frameLine = machine.frameFaultLine();
  if (frameLine != 0 && frameLine <= upToLine) {
    const ToolFrame& frame = machine.frameFault();
    char offset[32];
    if (frame.lengthOffset == 49) {
      std::snprintf(offset, sizeof offset, "G49");
    } else {
      std::snprintf(offset, sizeof offset, "G%d H%d", frame.lengthOffset, frame.lengthRegister);
    }
    Detail(kDetailZOutsideFrame, frame.tool, offset);
    return Fail(kRuleSameState, frameLine, 0);
  }
  const int changeLine = machine.doubleChangeLine();
  if (!frames_.changeWithoutCut && changeLine != 0 && changeLine <= upToLine) {
    Detail(kDetailChangeWithoutCut, machine.uncutChangeLine(), machine.uncutTool());
    return Fail(kRuleSameState, changeLine, 0);
  }
  return kCheckPassed;
}

// A piece before the last ends after its last cut with the tool it cut with: a tool change after
// it is the next tool's set-up, which belongs to the piece that cuts with it.
int SplitChecker::CheckToolChangeAtEnd() {
  const MachineSimulator& machine = piece_.simulator();
  if (lastPiece_ || frames_.changeWithoutCut || machine.changesSinceCut() == 0) return kCheckPassed;
  Detail(kDetailChangeAfterLastCut, machine.lastChangeLine(), machine.tool());
  return Fail(kRuleSameState, machine.lastChangeLine(), 0);
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

// The piece's event `ahead` of the one in hand (0: that one); a fault fails the check.
int SplitChecker::PeekPiece(int ahead, const CheckEvent** event) {
  const int peeked = piece_.Peek(ahead, event);
  if (peeked == kStreamFault) FailStream(piece_, pieceNumber_);
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
  if (job_.piecePaths != nullptr) {
    std::snprintf(piecePath_, sizeof piecePath_, "%s", job_.piecePaths[number - 1]);
  } else if (PiecePath(job_.ncFile, number, piecePath_, sizeof piecePath_) != kNamingOk) {
    piecePath_[0] = '\0';
  }
  if (piecePath_[0] == '\0' ||
      piece_.Open(piecePath_, job_.start, true) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, piecePath_);
  }
  piece_.WatchFrames(&frames_, false);
  piece_.ReportPositionings();
  // Every piece begins with the header file of the user's, pieces 2..n with the program's opening
  // otherwise (the first holds that opening as the program's own).
  const char* opening = job_.headerFile != nullptr ? job_.headerFile : job_.ncFile;
  replaying_ = number > 1 || job_.headerFile != nullptr;
  // The opening is replayed up to its first move, read as it stands: the program's opening holds
  // no call (a call there stops the replay, and the check fails), so the program need not be
  // indexed again for every piece.
  if (replaying_ && replay_.Open(opening, job_.start, true) != kStreamEvent) {
    return FailFile(kCheckUnreadable, kDetailFileUnopened, opening);
  }
  if (replaying_) replay_.ReportPositionings();  // where the opening ends (EndReplay)
  groupsChecked_ = false;
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
    const int peeked = PeekPiece(0, &event);
    if (peeked == kStreamFault) return report_->result;
    if (CheckFrames(peeked == kStreamEnd ? piece_.lineNumber() : event->line) != kCheckPassed) return report_->result;
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
  const bool firstMove = !groupsChecked_;
  groupsChecked_ = true;
  if (firstMove && startOffset_ != 0 && piece_.simulator().firstMoveOffset() != startOffset_) {
    // The run's start point is where every file begins, in the work offset of the program's first
    // move: a piece that first moves in another moves from a place it does not know.
    char found[96];
    DescribeMove(move, found);
    Detail(kDetailFirstMoveOffset, found, piece_.simulator().firstMoveOffset(), startOffset_);
    return Fail(kRuleSameState, move.line, 0);
  }
  const uint32_t still = firstMove && startOffset_ >= 54 && startOffset_ <= 59
                             ? piece_.simulator().stillPositioningOffsets() & ~programStillOffsets_ &
                                   ~(1u << (startOffset_ - 54))
                             : 0;
  if (still != 0) {
    // A positioning before the first move, in another work offset than the start point's, that
    // seemed to go nowhere: the tool stands at the start point in that frame only, and in another
    // one the same coordinates are another place, which the offsets' values (in the control) give.
    int offset = 54;
    while ((still & (1u << (offset - 54))) == 0) ++offset;
    Detail(kDetailPositioningInOtherOffset, offset, startOffset_);
    return Fail(kRuleSameState, piece_.simulator().stillPositioningLine(offset), 0);
  }
  if (firstMove) {
    // A piece may run after another, or after a power cycle: its opening sets every modal group
    // the program's opening sets, whatever the control's power-on state would give.
    const uint32_t missing = programGroups_ & ~piece_.simulator().openingGroups();
    if (missing != 0) {
      static constexpr const char* kNames[] = {"G90/G91", "G17/G18/G19", "G20/G21", "G40/G41/G42", "G43/G44/G49",
                                               "G54..G59", "G80",     "G93/G94/G95", "G92"};
      int bit = 0;
      while ((missing & (1u << bit)) == 0) ++bit;
      Detail(kDetailGroupNotSet, kNames[bit]);
      return Fail(kRuleSameState, move.line, 0);
    }
  }
  if (replaying_ && !IsCuttingEvent(move.kind)) {
    // The opening's next move, past blocks of it that the piece left out (only those that set state).
    const CheckEvent* next = nullptr;
    int at = 0;
    int peeked = kStreamEvent;
    for (; at < EventStream::kLookAhead; ++at) {
      peeked = replay_.Peek(at, &next);
      if (peeked != kStreamEvent || next->kind != kEventBlock || !MayLeaveOut(*next)) break;
    }
    if (peeked == kStreamFault) return FailStream(replay_, 0);
    if (peeked == kStreamEvent && next->kind != kEventBlock &&
        CompareMoves(move, *next, Tolerance(*next), startZ_, false) == kSameMove &&
        CompareStates(move.state, next->state) == kSameState) {
      for (int k = 0; k <= at; ++k) replay_.Take();
      NoteReturn(move);
      NoteHeadMove(move);
      return kCheckPassed;
    }
  }
  if (replaying_ && EndReplay(move.line) != kCheckPassed) return report_->result;
  if (rematchAt_ < rematchCount_ && phase_ != kPhaseTail) {
    const CheckEvent& again = rematch_[rematchAt_];
    if (CompareMoves(move, again, Tolerance(again), startZ_, false) == kSameMove) {
      ++rematchAt_;
      return AcceptProgramMove(move, again, kMatchRematch);
    }
  }
  // Once the tail has begun, a move that does not cut is the split's own, even where it happens to
  // be the program's next rapid (a return to the start point that the program makes too): the rules
  // for added moves judge it, and the program's rapid is left to the pieces after.
  int index = 0;
  const CheckEvent* source = nullptr;
  int matched = 0;
  if (phase_ != kPhaseTail || IsCuttingEvent(move.kind)) {
    matched = MatchSource(move, &index, &source);
  }
  if (matched < 0) return report_->result;
  if (matched == 1 && phase_ == kPhaseHead && IsCuttingEvent(move.kind)) {
    const int repeat = RepeatBeforeTheSameCut(move, index);
    if (repeat < 0) return report_->result;
    if (repeat == 1) return AcceptProgramMove(move, lastCutting_, kMatchRepeat);
  }
  if (matched == 0 && phase_ == kPhaseHead && IsCuttingEvent(move.kind)) {
    if (repeatAvailable_ && CompareMoves(move, lastCutting_, Tolerance(lastCutting_), startZ_, false) == kSameMove) {
      return AcceptProgramMove(move, lastCutting_, kMatchRepeat);
    }
    const int approach = ApproachesTheRepeat(move);
    if (approach < 0) return report_->result;
    if (approach == 1) return CheckAdded(move);
    matched = MatchPastApproach(move, &index, &source);
    if (matched < 0) return report_->result;
  } else if (matched == 0 && phase_ == kPhaseHead && !repeatAvailable_ && BelowTheStartHeight(move)) {
    // A move of the head that no added-move rule allows may be a program move of the opening
    // further on (written again after a return, say): the piece's approach has taken the place
    // of the program's moves before it, none of which cuts.
    matched = MatchPastApproach(move, &index, &source);
    if (matched < 0) return report_->result;
  }
  // A move of the piece that goes nowhere at the output resolution (a block carried as written,
  // with more decimals than the pieces' own moves, after a move they rounded): nothing moves.
  if (matched == 0 && IsSubResolution(move, Tolerance(move))) return kCheckPassed;
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

// A feed move of the head straight down to the start of the interrupted cut, which the piece cuts
// again right after it: the piece's own approach (judged as an added move), even where a later
// cut of the program goes the same way (down from the top of travel there). 1 when it is, 0 when
// it is not, or a failure below 0.
int SplitChecker::ApproachesTheRepeat(const CheckEvent& move) {
  if (!repeatAvailable_ || !AllPhysicalKnown(lastCutting_.from)) return 0;
  const double tolerance = Tolerance(lastCutting_);
  if (!DownOntoTheResume(move, tolerance)) return 0;
  for (int ahead = 1; ahead < EventStream::kLookAhead; ++ahead) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekPiece(ahead, &next);
    if (peeked == kStreamFault) return -1;
    if (peeked != kStreamEvent) return 0;
    if (next->kind == kEventBlock) continue;
    return CompareMoves(*next, lastCutting_, tolerance, startZ_, false) == kSameMove ? 1 : 0;
  }
  return 0;
}

// A straight move along Z that ends on the vertical line above the start of the interrupted cut
// (known on every axis), at or above it.
bool SplitChecker::DownOntoTheResume(const CheckEvent& move, double tolerance) const {
  const double* resume = lastCutting_.from.physical;
  return Vertical(move, tolerance) && AboveXY(move.to, resume[0], resume[1], tolerance) &&
         move.to.physical[2] >= resume[2] - tolerance;
}

// The piece's first cut is the program's next move, which is the same cut as the interrupted one
// (a contour cut twice over, a spring pass): 1 when it is the repeat of the interrupted cut all
// the same, 0 when it is the program's, or a failure below 0. The piece makes the same cut once
// more than the program has it next, in a row, exactly when its first one is the repeat.
int SplitChecker::RepeatBeforeTheSameCut(const CheckEvent& move, int index) {
  if (!repeatAvailable_ || CompareMoves(move, lastCutting_, Tolerance(lastCutting_), startZ_, false) != kSameMove) {
    return 0;
  }
  // The program's same cut only past moves passed over (shorter than the resolution): the piece's
  // is the repeat, which the program's next moves follow.
  if (index > 0) return 1;
  const double tolerance = Tolerance(move);
  auto same = [&](const CheckEvent& event) {
    return event.kind != kEventBlock && CompareMoves(event, move, tolerance, startZ_, false) == kSameMove;
  };
  int inProgram = 0;
  for (int at = index; inProgram < EventStream::kLookAhead; ++at, ++inProgram) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSource(at, &next);
    if (peeked == kStreamFault) return -1;
    if (peeked != kStreamEvent || !same(*next)) break;
  }
  int inPiece = 0;
  for (; inPiece < EventStream::kLookAhead; ++inPiece) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekPiece(inPiece, &next);
    if (peeked == kStreamFault) return -1;
    if (peeked != kStreamEvent || !same(*next)) break;
  }
  return inPiece > inProgram ? 1 : 0;
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
    if (aspect == kSameMove || (aspect == kDiffFrom && SameReturnFromBelow(move, *next, tolerance))) {
      *index = at;
      *matched = next;
      return 1;
    }
    // A move with the same ends but another arc or hole is a version of this one, not a move
    // after it: never pass over it then (a full circle for a tiny arc is reported as such).
    if (aspect > kDiffTo) return 0;
    // The head of a piece comes before the program's next cut, however short that cut is.
    if (phase_ == kPhaseHead && !IsCuttingEvent(move.kind) && IsCuttingEvent(next->kind)) return 0;
    if (!IsSubResolution(*next, tolerance) && !DescendsToWhereThePieceIs(*next, move.from, tolerance) &&
        !EndsWhereTheHeadStands(*next, move.from, tolerance) && !AlongTheTopOfTravel(*next)) {
      return 0;
    }
  }
}

// In a piece's head, a program rapid to where the piece already stands: the piece's own approach
// (its safe added moves) has taken the tool there, and the rapid would go nowhere. Not while the
// piece may still cut the interrupted move again: every program move still to come follows that cut.
// The same for a rapid of the program along the top of travel (its Z lost to G53 Z0. or G28 and
// never given since) to where the piece stands below it: the piece has come there at its start
// height instead.
bool SplitChecker::EndsWhereTheHeadStands(const CheckEvent& next, const CheckPoint& at, double tolerance) const {
  if (phase_ != kPhaseHead || repeatAvailable_ || next.kind != kEventRapid || !AllPhysicalKnown(at)) return false;
  for (int axis = 0; axis < kCheckAxes; ++axis) {
    if (!(axis == 2 && AtTopOfTravel(next.to)) && !SameAxis(next.to, at, axis, tolerance)) return false;
  }
  return true;
}

// In a head that cannot repeat an interrupted cut: a program rapid from the top of travel to the
// top of travel (its Z lost to G28 or G53 and never given since), which goes above everything the
// piece's approach goes through at its start height. The piece's own approach has taken its place;
// the program move matched after it must start where the piece stands, or above it.
bool SplitChecker::AlongTheTopOfTravel(const CheckEvent& next) const {
  return phase_ == kPhaseHead && !repeatAvailable_ && next.kind == kEventRapid && AtTopOfTravel(next.from) &&
         AtTopOfTravel(next.to);
}

// In a head that cannot repeat an interrupted cut: a G53 or G28 of the piece that the program
// makes from the top of travel above the same place, while the piece's approach stands below it
// at its start height. The move only rises from there to where the program's goes.
bool SplitChecker::SameReturnFromBelow(const CheckEvent& move, const CheckEvent& next, double tolerance) const {
  if (phase_ != kPhaseHead || repeatAvailable_ || move.kind != next.kind) return false;
  if (move.kind != kEventMachine && move.kind != kEventReference) return false;
  if (!SameAxis(move.from, next.from, 0, tolerance) || !SameAxis(move.from, next.from, 1, tolerance)) return false;
  if (!AtOrAboveZ(move.from, startZ_, tolerance) || !AtTopOfTravel(next.from)) return false;
  CheckEvent fromThere = move;
  fromThere.from = next.from;
  // A G28 or G30 whose intermediate point keeps Z (G91 G28 X10. Z0, or no Z named) passes through
  // it at the piece's start height where the program's passes at the top of travel.
  if (move.kind == kEventReference && SameAxis(move.via, move.from, 2, tolerance) &&
      SameAxis(next.via, next.from, 2, tolerance)) {
    fromThere.via.physical[2] = next.via.physical[2];
    fromThere.via.program[2] = next.via.program[2];
    fromThere.via.flags[2] = next.via.flags[2];
  }
  return CompareMoves(fromThere, next, tolerance, startZ_, raised_) == kSameMove;
}

// A straight move of the piece that goes below the start height off a vertical line: no added move
// may be that.
bool SplitChecker::BelowTheStartHeight(const CheckEvent& move) const {
  if (move.kind != kEventRapid && move.kind != kEventLinear) return false;
  const double tolerance = Tolerance(move);
  if (Vertical(move, tolerance)) return false;
  return !AtOrAboveZ(move.from, startZ_, tolerance) || !AtOrAboveZ(move.to, startZ_, tolerance);
}

// The piece's move runs with another state than the program's, in `aspect` (a StateAspect).
int SplitChecker::FailState(const CheckEvent& move, const CheckEvent& source, int aspect) {
  if (aspect == kDiffOffsetWrites && move.state.offsetWriteCount == source.state.offsetWriteCount) {
    Detail(kDetailOffsetWritesDiffer, source.state.offsetWriteCount);
    return Fail(kRuleSameState, move.line, source.line);
  }
  char found[64];
  char expected[64];
  DescribeStateAspect(move.state, aspect, found);
  DescribeStateAspect(source.state, aspect, expected);
  Detail(kDetailDiffers, StateAspectName(aspect), found, expected);
  return Fail(kRuleSameState, move.line, source.line);
}

// A rapid or return made in the clear: not under compensation, its whole path at or above the start
// height (or at the top of travel), in a frame the program gives Z words in.
bool SplitChecker::InTheClear(const CheckEvent& move, double tolerance) const {
  if (move.state.compensation != 40 || move.state.compensationBefore != 40) return false;
  if (move.kind != kEventRapid && move.kind != kEventReference && move.kind != kEventMachine) return false;
  if (!AtOrAboveZ(move.from, startZ_, tolerance) || !AtOrAboveZ(move.to, startZ_, tolerance)) return false;
  if (move.kind == kEventReference && (move.named & 4) != 0 && !AtOrAboveZ(move.via, startZ_, tolerance)) return false;
  const ToolFrame frame = FrameOf(move.state.tool, move.state.lengthOffset, move.state.lengthRegister);
  return AtTopOfTravel(move.to) || frames_.Has(frame);
}

// The program's next cutting move past its rapids and returns (as far as the look-ahead sees), for
// a cut in a piece's head; for a move that does not cut, the first of those rapids and returns
// that is the same move with the same tool and length offset, before the program's next cut. 1
// when it is `move`, 0 when it is not, or a failure below 0.
int SplitChecker::MatchPastApproach(const CheckEvent& move, int* index, const CheckEvent** matched) {
  for (int at = 0; tentative_ + at < EventStream::kLookAhead; ++at) {
    const CheckEvent* next = nullptr;
    const int peeked = PeekSourceMoveAt(move, at, &next);
    if (peeked <= 0) return peeked;
    const bool nextCuts = IsCuttingEvent(next->kind);
    if (!nextCuts && IsCuttingEvent(move.kind)) continue;
    if (CompareMoves(move, *next, Tolerance(*next), startZ_, raised_) != kSameMove ||
        (!nextCuts && !SameToolLength(move.state, next->state))) {
      if (nextCuts) return 0;  // never past a cut
      continue;
    }
    if (nextCuts != IsCuttingEvent(move.kind)) return 0;
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
  const double tolerance = Tolerance(source);
  if (!IsCuttingEvent(source.kind)) {
    // The program's own move places the tool where the program's does only with the same tool,
    // length offset, compensation and work offset; in another, it is safe only in the clear.
    const int aspect = ComparePlacement(move.state, source.state);
    if (aspect != kSameState && !InTheClear(move, tolerance)) return FailState(move, source, aspect);
  }
  if (kind == kMatchHead) {
    // The approach so far came down above where this program move starts: it is placed.
    if (pending_ && PendingAbove(move.from, tolerance)) pending_ = false;
    NoteReturn(move);
    NoteHeadMove(move);
    return kCheckPassed;
  }
  // The approach so far must lie on the vertical line above where the piece resumes, and a rapid
  // down onto the interrupted cut stops the approach height above its start: the rest is fed (the
  // program's own approach to its next cut may come lower, by its own rapids).
  if (phase_ == kPhaseHead && pending_ && !PendingAbove(move.from, tolerance)) {
    return FailAdded(pendingMove_, kPointResume, &move.from);
  }
  const double approach = source.state.units == 20 ? job_.approach / kMillimetresPerInch : job_.approach;
  if (kind == kMatchRepeat && phase_ == kPhaseHead && pending_ && pendingRapid_ &&
      (source.kind == kEventLinear || source.kind == kEventArc) && PhysicalKnown(move.from, 2) &&
      pendingRapidLow_ < move.from.physical[2] + approach - tolerance) {
    char found[96];
    char height[kCoordinateTextSize + 8];
    DescribeMove(pendingRapidMove_, found);
    FormatCoordinate(job_.approach, height);
    Detail(kDetailRapidIntoApproach, found, height);
    return Fail(kRuleSafeMove, pendingRapidMove_.line, source.line);
  }
  if (IsCuttingEvent(source.kind)) {
    const int aspect = CompareStates(move.state, source.state);
    if (aspect != kSameState) return FailState(move, source, aspect);
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
  TakeProgramMove(move, source, kind);
  return kCheckPassed;
}

void SplitChecker::TakeProgramMove(const CheckEvent& move, const CheckEvent& source, int kind) {
  const double tolerance = Tolerance(source);
  // The blocks after the piece's last program move are its closing blocks; behind a footer file of
  // the user's, a return of the program's (which the footer makes too) does not end them: the
  // footer's blocks are counted across its returns.
  const bool isReturn = move.kind == kEventReference || move.kind == kEventMachine;
  if (!(job_.footerFile != nullptr && isReturn)) closing_ = closingUntaken_ = BlockChain{};
  phase_ = kPhaseBody;
  pending_ = false;
  repeatAvailable_ = false;
  liftOpen_ = false;
  // A return after the tail's end keeps it (G91 G28 Z0. and then G28 X0 Y0); any other program move
  // opens the body again.
  if (!(captured_ && (move.kind == kEventReference || move.kind == kEventMachine))) captured_ = false;
  stop_ = move.to;
  stopCompensation_ = source.state.compensation;
  stopRegister_ = source.state.radiusRegister;
  stopLine_ = move.line;
  raised_ = move.kind == kEventHole && !SameAxis(move.to, source.to, 2, tolerance);
  if (kind == kMatchRematch) {
    NoteReturn(move);
  } else if (kind == kMatchNext) {
    rematchAt_ = rematchCount_;
    // A piece before the last that stands at its start point after its last cut and meets the
    // program's own return there (the program ends where the split's tail ends, and its footer
    // returns to the reference point): its tail ended before that return.
    if (!lastPiece_ && cutInPiece_ && AtStart(move.from, tolerance)) NoteReturn(move);
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
}

// The vertical added moves of the head not yet placed lie on the vertical line above `at`, at or
// above it.
bool SplitChecker::PendingAbove(const CheckPoint& at, double tolerance) const {
  return AboveXY(at, pendingX_, pendingY_, tolerance) && PhysicalKnown(at, 2) &&
         pendingLow_ >= at.physical[2] - tolerance;
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

bool SplitChecker::AboveStart(const CheckPoint& point, double tolerance) const {
  return AtTopOfTravel(point) && PhysicalKnown(point, 0) && PhysicalKnown(point, 1) &&
         Near(point.physical[0], job_.start[0], tolerance) && Near(point.physical[1], job_.start[1], tolerance);
}

// A move of the split's own: safe only as a rapid at or above the start Z, a return from there,
// a rise from where the head's program moves left the tool, or a move on the vertical line above
// where the piece resumes or stops.
int SplitChecker::CheckAdded(const CheckEvent& move) {
  const double tolerance = Tolerance(move);
  if (move.state.compensation != 40 || move.state.compensationBefore != 40) {
    // Under cutter compensation the control moves the tool off the programmed path, by an offset
    // built from the moves before: no added move is safe there.
    char found[96];
    char text[64];
    DescribeMove(move, found);
    CheckMachineState state = move.state;
    if (state.compensation == 40) state.compensation = move.state.compensationBefore;
    DescribeStateAspect(state, kDiffCompensation, text);
    Detail(kDetailAddedInCompensation, found, text);
    return Fail(kRuleSafeMove, move.line, 0);
  }
  if (programOffsets_ != 0 && move.state.workOffset >= 54 && move.state.workOffset <= 59 &&
      (programOffsets_ & (1u << (move.state.workOffset - 54))) == 0) {
    // The offsets' values are in the control, not in the program: the program's own work offsets
    // are the only frames a move of the split's can be placed in.
    char found[96];
    DescribeMove(move, found);
    Detail(kDetailAddedInOtherOffset, found, move.state.workOffset);
    return Fail(kRuleSafeMove, move.line, 0);
  }
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
      if (!pending_) pendingRapid_ = false;
      const bool down = !PhysicalKnown(move.from, 2) || move.to.physical[2] < move.from.physical[2];
      if (move.kind == kEventRapid && down && (!pendingRapid_ || move.to.physical[2] < pendingRapidLow_)) {
        pendingRapid_ = true;
        pendingRapidLow_ = move.to.physical[2];
        pendingRapidMove_ = move;
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

int SplitChecker::FinishPiece(const CheckEvent& end) {
  if (replaying_ && EndReplay(end.line) != kCheckPassed) return report_->result;
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
  // Without a G92 to restate the tool's position, a piece may also end at the top of travel above
  // the start point (after the program's own return of Z to the reference point): the next piece
  // comes down from higher, on the vertical line above the start point.
  const bool atTop = !frames_.setsPosition && AboveStart(last, tolerance);
  if (!endsAsProgram && !atTop && !AtStart(last, tolerance)) {
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
  // Every piece ends as the program does: with its end (M02/M30, which stops the spindle and the
  // coolant) when the program has one, and with the spindle and the coolant as the program leaves
  // them when it has none. The last piece reaches the end with nothing running that the program
  // has stopped by then (a spindle or a coolant the program stops before its end is stopped there
  // too, not only by the end's reset); stopping one earlier than the program is no harm.
  const MachineSimulator& machine = piece_.simulator();
  if (programEnds_ && !machine.ended()) {
    Detail("%s", kDetailNoProgramEnd);
    return Fail(kRulePosition, piece_.lineNumber(), 0);
  }
  for (int aspect : {kDiffSpindle, kDiffCoolant}) {
    if (programEnds_ && !lastPiece_) break;  // the end's reset stops both in every piece
    const CheckMachineState& now = programEnds_ ? machine.stateAtEnd() : machine.state();
    const bool running = now.spindle == 3 || now.spindle == 4;
    const bool differs =
        aspect == kDiffSpindle
            ? now.spindle != endState_.spindle && (!programEnds_ || running)
            : now.coolant != endState_.coolant && (!programEnds_ || (now.coolant & ~endState_.coolant) != 0);
    if (!differs) continue;
    char found[64];
    char expected[64];
    DescribeStateAspect(now, aspect, found);
    DescribeStateAspect(endState_, aspect, expected);
    Detail(kDetailEndStateDiffers, StateAspectName(aspect), found, expected);
    return Fail(kRuleSameState, piece_.lineNumber(), 0);
  }
  if (lastPiece_ && job_.footerFile == nullptr) {
    CommitTentative();
    return kCheckPassed;
  }
  if (lastPiece_) {
    // Behind a footer file of the user's: the last piece ends with that file's blocks, which take
    // the place of the program's own closing blocks (those it matched stay for DrainSource).
    tentative_ = 0;
    if (closing_.Same(firstClosing_)) return kCheckPassed;
    Detail("%s", kDetailClosingNotFooter);
    return Fail(kRuleCarriedBlock, closing_.count > 0 ? closing_.line : end.line, 0);
  }
  if (CheckToolChangeAtEnd() != kCheckPassed) return report_->result;
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
  return FinishClosing(end);
}

// After the last piece: every cutting move and (rule 7) every block of the program must have been
// made, and the closing blocks of the pieces before the last are the program's.
int SplitChecker::DrainSource() {
  const int lastLine = piece_.lineNumber();
  // Behind a footer file of the user's, the program's closing blocks (after its last move other
  // than a reference return or G53) are that file's to replace; a block before a later move is not.
  int closingBlockLine = 0;
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
    const bool isReturn = next->kind == kEventReference || next->kind == kEventMachine;
    // The words riding on a program's last rapid ("G00 Z50. M09"), which the last piece's own
    // return may take the place of, act where the program has them: a block like any other.
    const bool acts = next->kind == kEventBlock || (!isReturn && next->signature != 0);
    if (acts && job_.footerFile != nullptr) {
      if (closingBlockLine == 0) closingBlockLine = next->line;
    } else if (acts || (closingBlockLine != 0 && !isReturn)) {
      const int missing = acts ? next->line : closingBlockLine;
      Detail(kDetailBlockMissing, missing);
      return Fail(kRuleCarriedBlock, lastLine, missing);
    }
    TakeSource(1);
  }
  const BlockChain program{source_.closingChain(), source_.closingCount(), source_.closingLine()};
  if (job_.footerFile == nullptr && haveClosing_ && !program.Same(firstClosing_)) {
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

}  // namespace checker


int CheckSplit(const SplitCheckJob& job, SplitCheckReport* report) {
  *report = SplitCheckReport{};
  // The three streams' buffers are far too large for a small thread stack (the window thread's):
  // they live on the heap for the call.
  std::unique_ptr<checker::SplitChecker> checker(new (std::nothrow) checker::SplitChecker(job, report));
  if (!checker) {
    report->result = kCheckUnreadable;
    std::snprintf(report->detail, sizeof report->detail, "%s", kDetailNoMemory);
    return report->result;
  }
  return checker->Run();
}
