// Rules that every pass over an NC program follows, so that all of them read the program the way
// the machine runs it: the measurement pass, the header and footer cuts and the start-point scan
// hand each line to PassRecords::Step (or read the block first and then PassRecords::Interpret)
// and classify its block with the functions here.
//
//  * A line is taken apart once (ReadBlock, nc/block.h): comments, case, blanks inside words and
//    "+" signs are settled there, and every rule below looks the words up.
//  * G90 and G91 take effect on every line that holds them, and so do the other modal codes and
//    the feed, also on lines whose axis words a pass does not follow (below): a reference return
//    written "G91 G28 Z0." leaves the control in incremental mode, and the blocks after it are
//    read so.
//  * Until a program states G90 or G91 it is read as absolute, the power-on state of the
//    controls this system serves (kPowerOnDistanceMode, the passes' initial `distanceMode`).
//  * A G92 block states where the tool stands; it does not move it. It sets the axes it names
//    to its values under G90 and G91 alike (AdvanceAsMachine), and no pass measures it as a move.
//  * Reference returns (G27, G28, G30) and moves in machine coordinates (G53) go to places a
//    program reader cannot know, a dwell (G04) holds the tool where it is (its X or P is a
//    time), an offset write (G10) stores its X, Y, Z, R, and a local coordinate system (G52)
//    shifts the frame by its X, Y, Z without moving the tool: no pass follows their axis words
//    as a move (IsUnfollowedMove).
#pragma once

#include <cstddef>
#include <span>

#include "nc/block.h"
#include "nc/interpreter.h"

// The distance mode a program starts in when it states none.
inline constexpr int kPowerOnDistanceMode = 90;

// Applies a G90 or G91 of the block to `records->modal.distanceMode` and `modeCopy`; G90 wins
// when both are written. Returns the mode set, or 0 when the block holds neither.
int ApplyDistanceMode(const Block& block, InterpreterRecords* records);

// True when the block is a dwell (G04).
inline bool IsDwellBlock(const Block& block) { return block.HasCode('G', 4); }

// True when the block sets the position (G92).
inline bool IsSetPositionBlock(const Block& block) { return block.HasCode('G', 92); }

// The canned-cycle code of the block (73, 74, 76, 81..89), or -1 when none.
int FindCannedCycle(const Block& block);

// Cutter radius compensation state after the block: 41 or 42 when it starts it, 0 when G40
// cancels it, else `state` unchanged.
int UpdateCompensation(const Block& block, int state);

// True when the block ends the program (M02 or M30): a control runs nothing after it.
inline bool IsProgramEnd(const Block& block) {
  return block.Has('M') && (block.HasCode('M', 2) || block.HasCode('M', 30));
}

// True when the block changes tool (M06).
inline bool IsToolChange(const Block& block) { return block.HasCode('M', 6); }

// The position after the block interpreted into `block` (its modal state, words and the words
// given; its own `units` are not read), by the machine's rules, into `newPosition`: a G92 block
// (`setPosition`) takes the values of the axes it names and keeps the others; any other block
// advances from `oldPosition` under `modal.distanceMode` (AdvancePosition). I, J, R, Q, K are the
// block's and every slot gets the zero window of AdvancePosition for `units`.
void AdvanceAsMachine(bool setPosition, const InterpreterRecords& block, const Position& oldPosition, int units,
                      Position* newPosition);

// Which blocks' axis words a pass does not follow (their modal codes and feed still apply).
using UninterpretedRule = bool (*)(const Block& block);
// Reference returns (G27, G28, G30), machine-coordinate moves (G53), dwells (G04), offset
// writes (G10, whose X, Y, Z and R are the values stored) and local coordinate systems (G52,
// whose X, Y, Z are the shift).
bool IsUnfollowedMove(const Block& block);
// A local coordinate system: G52 (its X, Y, Z are the shift of the frame inside the work offset;
// zeros cancel it).
inline bool IsLocalSystem(const Block& block) { return block.Has('G') && block.HasCode('G', 52); }
// The shift values of the G52 block `block` in `units` (a number without a decimal point counts
// the least input increment, as an axis word does) into `values` (X, Y, Z; the axes the block
// does not name are left as they are). Returns the bits (1 << kX ...) of the axes it names.
int LocalSystemValues(const Block& block, int units, double values[3]);
// An offset write: G10 (its words are data, not positions; see IsUnfollowedMove).
inline bool IsOffsetWrite(const Block& block) { return block.Has('G') && block.HasCode('G', 10); }
// The words of the offset write `block` (read from `line`) that a piece replays, in the canonical
// form and without N: G90, then its G10, L, P, X, Y, Z, R, into `out` (`size` bytes, terminated). False
// when they do not fit.
bool OffsetWriteWords(const char* line, const Block& block, char* out, size_t size);
// The start-point scan's: those, and canned cycles (whose holes are no move to a start point).
bool IsUninterpretedByStartScan(const Block& block);

// Results of ScanStart.
enum ScanResult {
  kScanDone = 1,          // the program was read
  kScanUnreadable = -1,   // the file could not be opened; no record was changed
  kScanLineTooLong = -2,  // a line is too long to be read; `*failedLine` holds its number
  kScanReadError = -3,    // the file could not be read to its end
  kScanTooManyLines = -4, // the file has more lines than a reader delivers (kMaxLineCount)
};

// The records of one pass over a program with its per-line step, in the state every pass starts
// from: nothing known but the power-on distance mode.
struct PassRecords : InterpreterRecords {
  Block block;          // the line just read
  Position current{};   // where the block takes the tool
  Position previous{};  // where the tool stood before it

  PassRecords();

  // The per-line step of every pass: reads the first `length` bytes of `line` into `block` and
  // interprets it (Interpret). True when the block is one to follow as a move or a setting.
  bool Step(const char* line, size_t length, UninterpretedRule uninterpreted);

  // Interprets the block read into `block`: clears the block's words; an unreadable block gives
  // false and changes nothing else; otherwise applies its distance mode and InterpretBlock; when
  // `uninterpreted` says so, its axis and arc words are cleared again and the answer is false
  // (its modal codes and feed stay applied). True when InterpretBlock recognised something.
  bool Interpret(UninterpretedRule uninterpreted);

  // Finds the state in force at the start of the program at `path`: reads it with Step (the
  // rule of IsUninterpretedByStartScan) and AdvanceAsMachine from `previous` to `current` up to
  // the first G92 block that names X, Y and Z, whose values are the start point; without one, the
  // position at the end of the program (its first M02 or M30, else its last line) is, in the
  // frame the program starts in (a local coordinate system, G52, is followed as the tool's numbers
  // changing with its shift, and the shift still in force at the end is added back). Then `motion`, `previousMotion`, `olderMotion`,
  // `feedGiven`, `cutterOffset`, `spindleSpeed`, `spare`, `blockMotion` and all of `mCodes`
  // become -1 (`distanceMode`, `plane` and `units` keep what the program left); `initialFeed`
  // takes `feed`, then `feed` and `previousFeed` become 0.
  // Returns kScanDone, kScanUnreadable (nothing changed), kScanLineTooLong or kScanReadError
  // (`*failedLine`, may be nullptr, gets the line's number; the final reset is not made), or
  // kScanTooManyLines (likewise, without a line).
  int ScanStart(const char* path, int* failedLine = nullptr);

  // True when the block just interpreted names X, Y or Z.
  bool AxisGiven() const { return given[kX] || given[kY] || given[kZ]; }
  // True when the block just interpreted is an arc's (G02, G03 in force) with centre or radius
  // words: it cuts, even without an axis word (a full circle).
  bool ArcWordsGiven() const {
    return (modal.motion == 2 || modal.motion == 3) &&
           (given[kI] || given[kJ] || given[kK] || given[kR]);
  }
};
