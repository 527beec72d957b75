// The block interpreter: folds one block (a line already taken apart by ReadBlock) into the
// records of a pass and turns it into a new absolute tool position.
#pragma once

#include "nc/block.h"
#include "nc/records.h"

// The interpreter's records of one pass over a program. Every pass owns one and hands each line to
// its per-line step (nc/pass_rules.h), which reads the line into `block` and interprets it here.
struct InterpreterRecords {
  ModalState modal{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  GCodeTable gCodes;
  MCodeTable mCodes;
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{0.0, 0.0, 0.0};
  int modeCopy = 0;            // G90 -> 90, G91 -> 91, set together with modal.distanceMode
  int units = kMillimetres;    // G21 -> kMillimetres, G20 -> kInches
};

// Interprets one readable block (the words ReadBlock found; comments are not words). The first
// word of a letter is the one that counts for X, Y, Z, I, J, R, Q, K, F, S and D; G and M codes
// are whole words (G43, G043 and G43.0 are G43; G430 and G43.4 are other codes). In this order:
//  1. `feedGiven` and `blockMotion` become -1; G20 or G21 sets `units` (before the axis words of
//     the same block are read).
//  2. X, Y, Z, I, J, R, Q, K present: `words`, `hasPoint` and `given` of the slot written; a
//     number without a decimal point counts thousandths of a millimetre (G21) or ten-thousandths
//     of an inch (G20).
//  3. F: `previousFeed` takes `feed`, `feed` takes the F number as written (F100 is 100),
//     `feedGiven` becomes 1. F alone does not count as something recognised.
//  4. S: `spindleSpeed` (the integral part).
//  5. G90 (winning over G91) or G91: table entry, `distanceMode` and `modeCopy`.
//  6. G92: table entry.
//  7. The first of G17, G18, G19: table entry and `plane`.
//  8. Motion, the lowest of G00..G03 in the block: `blockMotion` and its table entry; then
//     `olderMotion` takes `previousMotion`, `previousMotion` takes `motion` and `motion` takes the
//     code (on every motion word, also when it repeats the current one).
//  9. The first of G40, G41, G42: table entry; then, once table entry 41 or 42 is set (by this or
//     any earlier block the table remembers), a D word is read into `cutterOffset`. D alone does
//     not count as something recognised.
// 10. The first of G73, G80, G81, G83, G84: table entry.
// 11. Each of G30, G43, G44, G49, G64, G98, G99: table entry.
// 12. The first of M00, M01, M02, M03, M04, M05, M07, M08, M09: its M table entry.
// Returns 1 when the block held anything of steps 2 and 4 to 12, 0 otherwise. Words it does not
// know (N, O, P, H, T, L, other G and M codes) are ignored; it cannot fail.
int InterpretBlock(const Block& block, InterpreterRecords* records);

// The position after the block. Reads `modal.distanceMode`, `given`, `oldPosition` and
// `words`; writes `newPosition`:
//  - under 91, new X, Y, Z = old plus the block's values (absent words are 0);
//  - under 90, each of new X, Y, Z = the block's value when given, else the old one;
//  - any other mode leaves new X, Y, Z as they are;
//  - any non-zero mode copies the block's I, J, R, Q, K into the new position;
//  - always: every new slot strictly between -0.0004 and +0.0005 becomes exactly 0 (the window
//    is open at both ends, so -0.0004 and 0.0005 stay); in an inch program (`units` kInches),
//    whose resolution is ten times finer, strictly between -0.00004 and +0.00005.
void AdvancePosition(const ModalState& modal, const WordGiven& given, Position* newPosition,
                     const Position& oldPosition, const BlockWords& words, int units = kMillimetres);

// The asymmetric zero window of positions and moves: `value` strictly between -0.0004 and
// +0.0005 gives exactly 0, every other value itself.
inline double SnapToZero(double value) { return value > -0.0004 && value < 0.0005 ? 0.0 : value; }
// The same window for `units`: ten times narrower for inches.
inline double SnapToZero(double value, int units) {
  if (units != kInches) return SnapToZero(value);
  return value > -0.00004 && value < 0.00005 ? 0.0 : value;
}
