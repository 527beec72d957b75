// The split check's checker: the state of one CheckSplit call and its steps, shared by the check's
// own files only: split_check.cpp (the program's and the pieces' moves, the piece's phases, the
// end), split_check_blocks.cpp (the blocks the pieces carry) and
// split_check_failures.cpp (what a failure says). The rules are in check/split_check.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "check/check_events.h"
#include "check/event_stream.h"
#include "check/split_check.h"

namespace checker {

inline constexpr double kSlack = 1e-9;
inline constexpr size_t kPathSize = 512;
// Most program moves a piece's tail may have made after its last cut that the next piece may make
// again; more are never needed (a lift, a retract and a return).
inline constexpr int kRematchSize = 8;
// Most restore blocks of one piece that may turn out to have been restores rather than the
// program's blocks (see SplitChecker::provisional_).
inline constexpr int kProvisionalSize = 8;

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

inline double Tolerance(const CheckEvent& event) { return (event.state.units == 20 ? 0.0001 : 0.001) + kSlack; }

inline bool Near(double a, double b, double tolerance) { return a - b <= tolerance && b - a <= tolerance; }

inline bool AtOrAboveZ(const CheckPoint& point, double level, double tolerance) {
  if ((point.flags[2] & kAtReference) != 0) return true;
  return PhysicalKnown(point, 2) && point.physical[2] >= level - tolerance;
}

// A straight move along Z alone, between known heights or down from the top of travel (Z lost to
// G28 or G53 and not given since: above every height a program names).
inline bool Vertical(const CheckEvent& move, double tolerance) {
  for (int axis = 0; axis < 2; ++axis) {
    if (!PhysicalKnown(move.from, axis) || !PhysicalKnown(move.to, axis)) return false;
    if (!Near(move.from.physical[axis], move.to.physical[axis], tolerance)) return false;
  }
  return (PhysicalKnown(move.from, 2) || AtTopOfTravel(move.from)) && PhysicalKnown(move.to, 2);
}

inline bool AboveXY(const CheckPoint& point, double x, double y, double tolerance) {
  return PhysicalKnown(point, 0) && PhysicalKnown(point, 1) && Near(point.physical[0], x, tolerance) &&
         Near(point.physical[1], y, tolerance);
}

// The same tool with the same length offset: a move's program coordinates put the tool's tip in the
// same place only then.
inline bool SameToolLength(const CheckMachineState& a, const CheckMachineState& b) {
  return a.tool == b.tool && a.lengthOffset == b.lengthOffset &&
         (a.lengthOffset == 49 || a.lengthRegister == b.lengthRegister);
}

// The lower end of a vertical move.
inline double LowerZ(const CheckEvent& move) {
  if (!PhysicalKnown(move.from, 2)) return move.to.physical[2];  // down from the top of travel
  return move.from.physical[2] < move.to.physical[2] ? move.from.physical[2] : move.to.physical[2];
}

// One CheckSplit call: the program's stream, its opening again for each piece, the piece in hand,
// and what the rules need to remember between events. About 230 KB (the streams' buffers and
// look-ahead): CheckSplit keeps it on the heap.
class SplitChecker {
 public:
  SplitChecker(const SplitCheckJob& job, SplitCheckReport* report) : job_(job), report_(report) {}
  int Run();

 private:
  int CheckPiece(int number);
  int HandleMove(const CheckEvent& move);
  int HandleBlock(const CheckEvent& block);
  int MatchReplayBlock(const CheckEvent& block, bool* matched);
  int EndReplay(int pieceLine);
  // An event of the opening replayed that a piece may leave out: a block that only sets state or
  // changes how words are read (what it sets shows in the state at the moves), and, in a header
  // file of the user's, a move (a set-up of the header's tool, in a piece that resumes with
  // another). A stop, a dwell, a G92 is never left out.
  bool MayLeaveOut(const CheckEvent& event) const {
    return event.kind == kEventBlock ? event.blockClass != kBlockOther : job_.headerFile != nullptr;
  }
  int PeekSourceMoveAt(const CheckEvent& move, int at, const CheckEvent** next);
  int MatchSource(const CheckEvent& move, int* index, const CheckEvent** matched);
  int RepeatBeforeTheSameCut(const CheckEvent& move, int index);
  int ApproachesTheRepeat(const CheckEvent& move);
  bool DownOntoTheResume(const CheckEvent& move, double tolerance) const;
  bool EndsWhereTheHeadStands(const CheckEvent& next, const CheckPoint& at, double tolerance) const;
  bool AlongTheTopOfTravel(const CheckEvent& next) const;
  bool SameReturnFromBelow(const CheckEvent& move, const CheckEvent& next, double tolerance) const;
  bool BelowTheStartHeight(const CheckEvent& move) const;
  bool InTheClear(const CheckEvent& move, double tolerance) const;
  int FailState(const CheckEvent& move, const CheckEvent& source, int aspect);
  int MatchPastApproach(const CheckEvent& move, int* index, const CheckEvent** matched);
  void NoteBlocked(const CheckEvent& move, int from, int blockAt);
  int AcceptProgramMove(const CheckEvent& move, const CheckEvent& source, int kind);
  // What a program move that passed AcceptProgramMove's rules leaves: the body opened again, the
  // place and state the piece stops at, the last cut and the moves after it.
  void TakeProgramMove(const CheckEvent& move, const CheckEvent& source, int kind);
  int CheckAdded(const CheckEvent& move);
  int FailAdded(const CheckEvent& move, const char* pointName, const CheckPoint* point);
  int FailAsProgramMove(const CheckEvent& move, const CheckEvent& next, char (&found)[96]);
  int FailBlocked(const CheckEvent& move);
  int LearnFrames();
  int SkipOpening();
  int LearnFooter();
  int CheckFrames(int upToLine);
  int CheckToolChangeAtEnd();
  int FinishPiece(const CheckEvent& end);
  int FinishClosing(const CheckEvent& end);
  int DrainSource();
  void NoteReturn(const CheckEvent& move);
  void NoteHeadMove(const CheckEvent& move);
  bool IsLift(const CheckEvent& move, double tolerance) const;
  bool PendingAbove(const CheckPoint& at, double tolerance) const;
  bool AtStart(const CheckPoint& point, double tolerance) const;
  // At the top of travel, X and Y at the start point's.
  bool AboveStart(const CheckPoint& point, double tolerance) const;

  // The program stream. Events the piece has matched tentatively (`tentative_` blocks at the front,
  // see HandleBlock) are still in the ring; every index below counts from after them.
  int PeekSource(int index, const CheckEvent** event);
  int PeekSourceMove(int nth, const CheckEvent** event);
  int PeekPiece(int ahead, const CheckEvent** event);
  void KeepLastCutting();
  void TakeSource(int count);
  void CommitTentative();

  int Fail(int rule, int pieceLine, int sourceLine);
  int FailFile(int result, const char* format, const char* path);
  int FailStream(const EventStream& stream, int piece);
  void Detail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const SplitCheckJob& job_;
  SplitCheckReport* report_;
  EventStream source_;  // the program's moves and blocks, consumed by the pieces in order
  // The program from its first line again, for the opening of each piece (or the header file of
  // the user's; before the pieces, the footer file of the user's once).
  EventStream replay_;
  EventStream piece_;
  ToolFrames frames_;  // what the program gives Z words in, and how it changes tools (LearnFrames)
  // Also learnt from the program before the pieces: the work offset of its first move (the start
  // point's frame), the modal groups it sets before its first cut, the work offsets it moves in.
  int startOffset_ = 0;
  bool programEnds_ = false;     // the program ends with M02 or M30
  CheckMachineState endState_{};  // the state it ends in (with an end: in force at the end, before its reset)
  uint32_t programGroups_ = 0;
  uint32_t programOffsets_ = 0;
  uint32_t programStillOffsets_ = 0;  // its positionings before its first move that went nowhere
  bool groupsChecked_ = false;  // the piece's first move was met (its opening compared)
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
  bool pendingRapid_ = false;  // one of them is a rapid down
  double pendingRapidLow_ = 0.0;
  CheckEvent pendingRapidMove_{};  // the lowest such rapid
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
  // program must end with; behind a footer file of the user's, that file's blocks (piece 0), which
  // every piece ends with.
  bool haveClosing_ = false;
  BlockChain firstClosing_{};
  int firstClosingPiece_ = 0;
  // A move of the piece that is the program's next move but for program blocks before it that the
  // piece has not carried: named when the piece fails.
  int blockedLine_ = 0;
  int blockedPieceLine_ = 0;
};

}  // namespace checker
