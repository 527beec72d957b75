// The seam plan: where the pieces of a split under the policies "break" and "tool" end, found in a
// pass over the intermediate file before any piece is written.
//
// A break is a place between two cuts where the program itself has the tool out of the stock:
//   - before a move or hole that starts where the program's own rapid left the tool at or above
//     the start height (Z known);
//   - between two holes of canned cycles (the cycle has returned the tool to its R level or its
//     initial level);
//   - before a tool change (M06) with cuts after it, where the program has returned Z to the
//     reference point before it and the piece's head leaves Z there too.
// Each piece of a plan ends at the last break before it would pass a limit. Where one stretch
// without a break passes a limit, that seam is forced: it falls as under "cut", at the cutting
// move that passes the limit (the next piece cuts that move again). Under "tool" every tool
// change with cuts before it in the piece and after it in the program is a seam as well.
// A break is only taken where a piece may begin (SeamBlocked): outside cutter compensation, with
// the tool's place known, in the header's work offset.
//
// Under TIMEMODEL=1 a piece's time is its machine time, which is no sum of its records' times: a
// piece begins from a stop and ends at one, and its rapids, tool changes and dwells take time
// between its cuts. The planner keeps the machine time of the piece being planned and, for each
// place a piece may still begin at (the last break, the last place before a cut, a tool change,
// ...), the machine time of a piece begun there, each fed the records as the split loop feeds the
// piece it writes them into; a seam at such a place hands its clock to the new piece. Since the
// time grows between cuts too, a piece that passes the time limit after its last cut ends at its
// last break, or else (no break since it began) as under "cut" at that last cut. The times the
// split loop will measure for the pieces are kept with the plan.
//
// The plan keeps only the seams, at most kMaxPlannedSeams of them: memory does not grow with the
// program. The split loop follows the plan record by record (its ordinal in the file).
#pragma once

#include <array>
#include <cstdint>

#include "nc/machine_state.h"

struct MachineLimits;
struct PieceSettings;

// What happens at a planned seam.
enum PlannedSeamKind {
  kPlannedBreak = 0,       // the piece ends before the path record `ordinal`; the next begins with it
  kPlannedToolChange = 1,  // the piece ends before the tool change block `ordinal`
  kPlannedForced = 2,      // the limit is passed at the cutting record `ordinal`: from there the seam
                           // falls as under "cut"
  kPlannedBefore = 4,      // SIZE: the piece ends before the cutting record `ordinal`, where a piece
                           // may begin; the next approaches its start (nothing is cut twice)
  kPlannedToolChangeRefused = 3,  // "tool": no seam at the tool change block `ordinal` (a piece
                                  // could not begin there), said in the log
};

struct PlannedSeam {
  int64_t ordinal = 0;     // the record, counted from 0 over every record of the intermediate file
  int kind = 0;            // PlannedSeamKind
  bool byTime = false;     // the time limit would be passed (else the distance limit)
  bool everyTool = false;  // a tool change seam of the "tool" policy (no limit would be passed)
  bool hole = false;       // kPlannedForced: the record is a hole (the piece ends after it)
  int fromLine = 0;        // kPlannedForced: the first NC line of the stretch without a break
  int line = 0;            // the NC line of the record `ordinal`
  bool bySize = false;     // the piece would pass SIZE
  bool announce = false;   // kPlannedForced under "break" and "tool": the log warns of it (under
                           // "cut" every seam falls so)
};

// Room for the seams of the highest piece number a split can name.
inline constexpr int kMaxPlannedSeams = 998;

struct SeamPlan {
  int count;
  std::array<PlannedSeam, kMaxPlannedSeams> seams;
  // The line of the program's last cut where it passes a limit with no break since the piece
  // began (0: none): no seam falls there, since a piece after it would only cut it again; the last
  // piece holds it, and the log says so.
  int lastCutPassedLine;
  // How finely the program can be cut into pieces, in programmed cutting time (minutes; under
  // TIMEMODEL=1 in the program's machine time, the measure of the shares of --pieces): the
  // longest stretch between two breaks found (the program's start and end count as breaks; under
  // "cut", where no break is looked for, the whole program), and the longest single cutting move
  // or hole. Pieces of equal shares can come no closer to their share than these. A seam that
  // falls in a cut where no piece may begin (SeamBlocked) is carried to the next cut where one
  // may: `longestCarry` is the longest time from the start of such a cut to the start of that
  // next one (0: none).
  double longestStretch;
  double longestCut;
  double longestCarry;
  // TIMEMODEL=1: the machine time (minutes) the split loop will measure for each piece, in order
  // (`timedPieces` of them, the last piece's included): what the seams were weighed by.
  int timedPieces;
  std::array<double, kMaxPlannedSeams + 1> pieceMachine;
};

// What the planner needs of a run.
struct SeamPlanJob {
  const char* intermediatePath;
  int policy;             // kSeamCut (under SIZE only), kSeamBreak or kSeamTool
  double timeLimit;       // minutes
  double distanceLimit;   // mm
  double toMillimetres;   // 25.4 for an inch program
  double startZ;          // the start height, in the program's units
  int units;              // kMillimetres or kInches: the program's (G52 shifts are in them)
  MachineState header;    // the state every piece's head leaves (SeamBlocked)
  int bodyLine;           // the program's body: its first line,
  int64_t lastMoveRecord; // its last move's record (counted from the start record),
  int64_t lastCutRecord;  // and its last cut's
  // SIZE (0: none): no piece file passes `sizeLimit` bytes. A piece's head is reckoned at
  // `headBytes` at most (the header file, the positioning line, the comment, the restore and the
  // approach), its tail at `tailBytes` (the lift, retract and return, the comments, the footer);
  // its body is measured by writing the program as one piece with `pieceSettings` to
  // `scratchPath` (a file the split writes over later).
  // --pieces (0, 1: none): seams where the program's cutting time (TIMEMODEL=1: its machine time,
  // which the records carry) reaches each of `pieces` equal shares of `totalTime`; under break and tool at the break nearest to each, else (or where no
  // break lies within half a share after it) as under cut.
  int pieces;
  double totalTime;
  unsigned long long sizeLimit;
  unsigned long long headBytes;
  unsigned long long tailBytes;
  const PieceSettings* pieceSettings;
  const char* scratchPath;
  bool headerAtReference;  // the head of a piece that begins at a tool change leaves Z at the
                          // reference point (its header returns Z there, its positioning line
                          // names no Z)
  // TIMEMODEL=1 (nullptr: the programmed time): the machine the pieces' time is weighed on. Each
  // piece's machine time is the one the split loop measures for it (planned from a stop where it
  // begins until it rejoins the program's plan, then the time the records carry); `timeLimit` is
  // of that time, and the shares of --pieces are of the program's machine time (`totalTime`).
  const MachineLimits* machine = nullptr;
};

// Results of PlanSeams.
enum SeamPlanResult {
  kSeamPlanDone = 0,
  kSeamPlanUnreadable = -1,  // the intermediate file cannot be opened
  kSeamPlanBroken = -2,      // a line of it is not a record: `*badLine` names it
  kSeamPlanFull = -3,        // more seams than kMaxPlannedSeams
  kSeamPlanNoScratch = -4,   // SIZE: the scratch file cannot be created
};

// True when a line of the text file at `path` returns Z to the reference point (G28 or G30 with Z,
// G53 Z at machine zero or above).
bool FileReturnsZ(const char* path);

// Reads the intermediate file of `job` once and writes its seams into `plan`, in the order of the
// file. Returns a SeamPlanResult; `*badLine` is the file's line for kSeamPlanBroken.
int PlanSeams(const SeamPlanJob& job, SeamPlan* plan, int* badLine);
