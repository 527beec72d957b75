// The block interpreter: folds one NC line into the caller's records, turns the block into a new
// absolute tool position, and scans a whole program for its starting state.
//
// Calling order in a pass, per line: CutComment; ClearBlock; skip the line when it holds a token
// of the pass's skip list (nc/skip_lists.h); InterpretBlock; when it returns 1, AdvancePosition
// from the old to the new position, then whatever the pass does with the move (MeasureMove), then
// the old position takes the new one's values.
#pragma once

#include "nc/records.h"

// Interprets one line (comment already cut). The first occurrence of a letter or code in the
// line is the one that counts, and codes are found as substrings (G900 counts as G90), except the
// motion codes, which must be whole words (FindMotionWord). In this order:
//  1. `feedGiven` and `blockMotion` become -1.
//  2. X, Y, Z, I, J, R, Q, K present: `words`, `hasPoint` and `given` of the slot written.
//  3. F: `previousFeed` takes `feed`, `feed` takes the F number as a plain real (F100 is 100),
//     `feedGiven` becomes 1. F alone does not count as something recognised.
//  4. S: `spindleSpeed`.
//  5. G90 (winning over G91) or G91: table entry, `distanceMode` and `*distanceModeCopy`
//     (may be nullptr).
//  6. G92: table entry.
//  7. The first of G17, G18, G19: table entry and `plane`.
//  8. Motion: `blockMotion` and its table entry; then `olderMotion` takes `previousMotion`,
//     `previousMotion` takes `motion` and `motion` takes the code (on every motion word, also
//     when it repeats the current one).
//  9. The first of G40, G41, G42: table entry; then, once table entry 41 or 42 is set (by this
//     or any earlier block the table remembers), a D word is read into `cutterOffset`.
//     D alone does not count as something recognised.
// 10. The first of G73, G80, G81, G83, G84: table entry.
// 11. Each of G30, G43, G44, G49, G64, G98, G99: table entry.
// 12. The first of M00, M01, M02, M03, M04, M05, M07, M08, M09: its M table entry.
// Returns 1 when the block held anything of steps 2 and 4 to 12, 0 otherwise. Words it does not
// know (N, O, P, H, T, L, "%", other G and M codes) are ignored; it cannot fail.
int InterpretBlock(const char* line, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
                   BlockWords* words, WordGiven* given, WordHasPoint* hasPoint, FeedState* feed,
                   int* distanceModeCopy);

// The position after the block. Reads `modal.distanceMode`, `given`, `oldPosition` and
// `words`; writes `newPosition`:
//  - under 91, new X, Y, Z = old plus the block's values (absent words are 0);
//  - under 90, each of new X, Y, Z = the block's value when given, else the old one;
//  - any other mode leaves new X, Y, Z as they are;
//  - any non-zero mode copies the block's I, J, R, Q, K into the new position;
//  - always: every new slot strictly between -0.0004 and +0.0005 becomes exactly 0 (the window
//    is open at both ends, so -0.0004 and 0.0005 stay).
void AdvancePosition(const ModalState& modal, const WordGiven& given, Position* newPosition,
                     const Position& oldPosition, const BlockWords& words);

// The last step of a scan for the state at the program's start (ScanInitialState and the passes'
// own scans): the motion, feed, offset, speed and M-code states become -1 (unknown) and the feed
// read becomes the initial feed, so that the pass starts from distance mode and plane only.
void FinishStartScan(ModalState* modal, MCodeTable* mCodes, FeedState* feed);

// Results of ScanInitialState.
enum ScanResult {
  kScanDone = 1,          // the program was read
  kScanUnreadable = -1,   // the file could not be opened; no record was changed
  kScanLineTooLong = -2,  // a line is too long to be read; `*failedLine` holds its number
  kScanReadError = -3,    // the file could not be read to its end
};

// Runs the interpreter over the program at `path` (CP932) up to the first block that sets the
// origin with G92 and gives X, Y and Z, to find the state in force at the start of the program.
// The caller sets `current`, `previous` (normally to 0) and `modal.distanceMode` before the call;
// moves read before the first G90/G91 do not move the position. Per line: comment cut, block
// cleared, code table filled with -1, lines with a token of kSkipTokens skipped, InterpretBlock;
// when it returns 1, the R-level line of a canned cycle (a table entry 81..89 set and R given) is
// skipped, else AdvancePosition from `previous` to `current`. A G92 block with X, Y and Z copies
// its eight words into `current` and `previous` and ends the reading; otherwise `previous` takes
// `current`.
// At the end: `motion`, `previousMotion`, `olderMotion`, `feedGiven`, `cutterOffset`,
// `spindleSpeed`, `spare`, `blockMotion` and all of `mCodes` become -1 (`distanceMode` and
// `plane` keep what the program left); `initialFeed` takes `feed`, then `feed` and
// `previousFeed` become 0. Returns kScanDone. On kScanLineTooLong and kScanReadError the reading
// stops where it failed and the final step is not made; `failedLine` (may be nullptr) receives
// the 1-based number of the line that could not be read.
int ScanInitialState(const char* path, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
                     Position* current, Position* previous, BlockWords* words, WordGiven* given,
                     WordHasPoint* hasPoint, FeedState* feed, int* distanceModeCopy,
                     int* failedLine = nullptr);

// The asymmetric zero window of positions and moves: `value` strictly between -0.0004 and
// +0.0005 gives exactly 0, every other value itself.
inline double SnapToZero(double value) { return value > -0.0004 && value < 0.0005 ? 0.0 : value; }
