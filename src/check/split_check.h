// The split check: after a split has written pieces P_001 .. P_n of program P, proves that running
// the pieces one after another on a three-axis mill does what running P does, or names the first
// place where it does not.
//
// The check runs its own machine (check/machine_simulator.h) over the program and over each piece,
// and shares nothing with the split passes: a check that believed what the writer believes could
// not catch the writer's mistakes.
//
// The model, in short. Each file runs alone from the control's power-on state (G17 G90 G94 G40 G49
// G80 G54, no G92 shift, spindle and coolant off, no tool known), with the tool at the run's start
// point, in the work offset of the program's first move. Then:
//  - the pieces' cuts, joined and less the one repeat a seam allows, are the program's cuts, each
//    run with the program's machine state there;
//  - every block of the program's body that does something (a tool change, a stop, a dwell, the
//    spindle, the coolant ...) comes exactly once, in its place among the cuts; a piece's head and
//    tail add only its own opening (the program's, or the header file), restores of state, and its
//    closing (the program's, or the footer file);
//  - a move that does not cut is the program's own, in the program's state or in the clear above
//    the start height; or the split's own, in the clear, or straight down the column above where
//    the piece resumes (a rapid there stopping the approach height above an interrupted cut) and
//    up from where it stops, never under cutter compensation;
//  - every Z is given under a tool and length offset the program gives Z under, and every piece
//    ends at the start point (or above it at the top of travel) as the program ends.
// In detail, it decides, reading each file once (plus the program's opening once per piece):
//  1. Same cut. The cutting moves (G01, G02, G03, canned-cycle holes) of all pieces, in order, are
//     the program's: same kind, start and end (for straight moves the same travel too), for arcs
//     the same plane, direction, centre and swept angle (for R arcs the same R, and with the
//     program's own ends the same centre: near a half circle R alone does not fix it), for holes the same
//     cycle, levels and words. The program's rapids, reference returns and G53 moves also come, in
//     order. Allowed besides: once at the start of pieces 2..n, the repeat of the last cutting move
//     of the piece before (the move the seam interrupted, cut again from its own start), unless
//     that was a hole (a hole is never drilled twice: the piece after one begins with the program's
//     next cut, and may come to its first hole straight down from above it, from the cycle's
//     initial level or higher); a move of the program shorter than the output resolution may be
//     missing; the program's closing moves (rapids and returns after its last cutting move) may be
//     replaced by the pieces' own. A piece's tail may coincide with the program's own moves after
//     its last cut (its retract, the rapid to the next cut) and make them: the next piece, which
//     resumes at that cut, may make them again, in order, right after its repeat (or its approach)
//     and before any other program move. Every cutting move of the program must come before the
//     last piece ends.
//  2. Safe added moves. Every other move of a piece is the split's own and must be a rapid whose
//     whole path lies at or above the start point's Z; or a move (rapid or feed) on the vertical
//     line above the point where the piece resumes (before its first program move) or stops (after
//     its last one), at or above that point; or, before its first cut, a rise straight up from
//     where the latest program move of its head left the tool (the positioning line after an
//     opening that went down at the start point); or a reference return (G28/G30/G53) that starts
//     at or above the start Z. Before the first cut the piece's own approach may take the place of
//     the program's rapids. Added moves come only before the
//     piece's first program move and after its last one; added arcs and added holes are never safe,
//     and no added move is safe under cutter compensation (the control moves the tool off the
//     programmed path by an offset built from the moves before).
//  3. Same machine state at every cut: spindle direction and speed, tool, length offset (code and
//     H), cutter compensation (code and D), work offset, feed and feed mode, coolant, units,
//     rotary-axis words, the local coordinate system's shift (G52) and the offset writes (G10)
//     executed before, in order and with their values, are those of the program at that move. A piece never ends on a move run
//     under cutter compensation, nor resumes on a move that starts from a compensated path (the
//     offset is built from the moves before): seams stay outside compensation.
//     Besides, before the pieces the program is run once to learn the frames (tool, length offset,
//     H) it gives Z words in (check/tool_frames.h). Every Z word of a piece, in a straight move or
//     an arc in work coordinates, added or the program's, is given in one of those frames: under
//     another length offset the same Z puts the tool's tip somewhere else. A piece changes tools
//     only for a cut: never twice with no cut between, and in a piece before the last never after
//     its last cut (the next tool's set-up belongs to the piece that cuts with it), unless the
//     program itself changes tools so.
//  4. Headers: pieces 2..n begin with the program's opening; their first moves are matched against
//     a fresh run of the program from its first line for as long as they are the same moves from
//     the same state, and are the program's own then.
//  5. Each piece's moves end where they started: the position before its first reference return
//     after its last program move (or at its end when there is none) is the start point, every
//     axis known, or, in a program that states no position with G92, the top of travel above it
//     (after the program's own return of Z to the reference point). The last piece may instead end
//     as the program does, with the program's own last moves and none of its own after them.
//  6. After the program's end (M02/M30) nothing more is cut: a move beyond it that is not a safe
//     added move is reported as such.
//  7. Every block of the
//     program that moves nothing but does something (T M06, S M03, M08, G04, M01 ..., and the
//     words riding on a move line that goes nowhere) comes exactly once, in order and in its
//     place among the program's moves, in the pieces. In the head the program's rapids before the
//     first cut may be left to the piece's approach (a block may come before them; the words
//     riding on one of them may stand alone), and in the last piece's tail its own return may take
//     the place of the program's last rapids. Besides, a piece may hold: the program's opening
//     blocks again (pieces 2..n, up to the piece's first move that is not the opening's, a
//     positioning that goes nowhere included); restore blocks in its head while the tool stands at
//     the start point or at the top of travel (state only: T, M03..M09, S, H, D, G43/G44/G49,
//     G54..G59, G17..G21, G90/G91, G94/G95, G00, and offset writes G10 and local systems G52,
//     which rule 3 judges); blocks that only change how later words are read
//     (G00, G17..G19, G90/G91, G80) anywhere; and, in a piece before the last, after its last
//     program move (in its tail, or with the tool back at the start point or above it at the top of
//     travel), its closing blocks: the same in every such piece, and the program's own closing
//     blocks (those after its last move other than a reference return or G53).
// Besides, on every move:
//  - A move of the program that does not cut (a rapid, a return) is made with the program's tool,
//    length offset (code and H), cutter compensation (code, D, and the compensation it starts
//    from), work offset and offset writes; in another, only in the clear: a rapid or return at or above the start
//    height (or along the top of travel), outside compensation, in a frame the program gives Z
//    words in.
//  - A move of the split's own is made in a work offset the program moves in; a rapid of the
//    approach down onto the interrupted cut stops at least `approach` above its start (the rest is
//    fed).
//  - A piece's first move is in the work offset of the program's first move (the start point's
//    frame), and its opening sets every modal group the
//    program's opening sets up to its first move (G90/G91, plane, units, G40, work offset, G80,
//    feed mode, G92; the length offset is left to the moves): a piece may run after another, or
//    after a power cycle.
//  - M06 stops the spindle: a cut after it runs with the spindle only after M03 or M04.
//  - Every piece ends as the program ends: with M02/M30 when the program has one (the end stops
//    the spindle and the coolant), else with the spindle and the coolant as the program leaves
//    them.
// Behind a header or footer file of the user's (`headerFile`, `footerFile`: there before the run,
// perhaps edited) every rule holds as above, with the file in the place of the program's opening or
// closing: every piece begins with the header file's blocks and moves (it may leave out blocks
// that only set state, and moves: the state and position the header leaves are judged at the
// piece's moves after it, by rules 2 and 3), and the
// program's opening (its events up to its first move that leaves the start point or cuts) is not
// looked for in the first piece; the closing blocks of every piece, the last included, are the
// footer file's, and the program's own closing blocks are not looked for. What the header sets is
// judged by the state and the position it leaves the machine in: rule 3 at every move after it.
// Tolerance: the output resolution, 0.001 mm under G21 and 0.0001 inch under G20 (plus 1e-9);
// feeds and speeds within 0.001.
//
// Nothing is written: the check only reads the files. Its memory is fixed (one allocation per
// call, about 235 KB for the three files' buffers and look-ahead and the program's frames, kept off
// the caller's stack),
// and every line is read once (the program twice: once for its frames, once against the pieces;
// its opening once more per piece).
#pragma once

#include <cstddef>
#include <span>

struct SplitCheckJob {
  const char* ncFile;  // the program that was split (CP932 path)
  int pieceCount;      // 1 or more
  const char* const* piecePaths;  // the pieces in order (CP932 paths, pieceCount of them); nullptr:
                                  // PiecePath(ncFile, 1 .. pieceCount)
  double start[3];     // the run's start point X, Y, Z in the program's units
  double approach;     // APPROACH: the least height above a point of the cut at which a rapid
                       // down onto it stops
  const char* headerFile;  // the header file the pieces begin with when it is the user's (CP932
                           // path), not the program's opening cut by the run; nullptr otherwise
  const char* footerFile;  // the same for the footer file the pieces end with
};

// Results of CheckSplit.
enum SplitCheckResult {
  kCheckPassed = 0,      // every rule holds
  kCheckFailed = 1,      // a rule does not hold, or a file holds a block the check cannot run
  kCheckUnreadable = 2,  // a file is missing or cannot be read to its end
};

// The rule a failure breaks (SplitCheckReport::rule).
enum SplitCheckRule {
  kRuleNone = 0,
  kRuleSameCut = 1,
  kRuleSafeMove = 2,
  kRuleSameState = 3,
  kRuleOpening = 4,       // not reported today: a header that is not the program's opening is
                          // judged by rules 1 and 2
  kRulePosition = 5,
  kRuleAfterEnd = 6,
  kRuleCarriedBlock = 7,
  kRuleUnreadableBlock = 8,  // a block a control could not read, or that the check cannot run,
                             // or that alarms (an R arc too short for its chord ...)
};

inline constexpr size_t kCheckDetailSize = 256;

struct SplitCheckReport {
  int result;           // SplitCheckResult
  int piecesChecked;    // pieces read to their end
  int piece;            // 1-based piece of the failure; 0: the program itself
  int pieceLine;        // line in that file (0 when none)
  int sourceLine;       // line of the program the piece should have matched there (0 when none)
  int rule;             // SplitCheckRule
  int usersFiles;       // 1 when the pieces were checked behind a header or footer file of the
                        // user's (the log line says so)
  char detail[kCheckDetailSize];  // CP932: what was found and what was expected, ready to be
                                  // embedded in a log line ("" on success)
};

// Checks the pieces of `job`. Always fills `*report`; returns report->result.
int CheckSplit(const SplitCheckJob& job, SplitCheckReport* report);

// The log line for `report` (CP932, no line end): on success an information line naming how many
// pieces were checked, on failure an error line naming the piece, its line, the program's line and
// the detail. Returns the length of the whole text (cut to out.size() - 1 bytes, terminated).
int DescribeSplitCheck(const SplitCheckReport& report, std::span<char> out);
