// Rules that every pass over an NC program follows, so that all of them read the program the way
// the machine runs it: the measurement pass, the header and footer cuts and both start-point
// operations hand each line to PassRecords::Step and classify its block with the functions here.
//
//  * A line is taken apart once (ReadBlock, nc/block.h): comments, case, blanks inside words and
//    "+" signs are settled there, and every rule below looks the words up.
//  * G90 and G91 take effect on every line that holds them, lines left uninterpreted included: a
//    reference return written "G91 G28 Z0." leaves the control in incremental mode, and the
//    blocks after it are read so.
//  * Until a program states G90 or G91 it is read as absolute, the power-on state of the
//    controls this system serves (kPowerOnDistanceMode, the passes' initial `distanceMode`).
//  * A G92 block states where the tool stands; it does not move it. It sets the axes it names
//    to its values under G90 and G91 alike (AdvanceAsMachine), and no pass measures it as a move.
//  * A dwell (G04) holds the tool where it is: its X or P is a time, so no pass interprets it.
//  * Canned cycles (FindCannedCycle) drill at positions that a pass following only the tool's
//    path cannot reproduce; the measurement pass refuses them, the other passes leave their lines
//    uninterpreted.
//  * Reference returns, tool length offsets, work coordinate systems, cutting modes and macro
//    calls (the skip codes of kSkipCodes) are left uninterpreted by every pass.
#pragma once

#include <cstddef>
#include <span>

#include "nc/block.h"
#include "nc/interpreter.h"

// The distance mode a program starts in when it states none.
inline constexpr int kPowerOnDistanceMode = 90;

// The G codes whose blocks no pass interprets: reference returns (G28, G30), tool length offsets
// (G43, G44), work coordinate systems (G54..G59), cutting mode (G64) and macro calls (G65); a
// G05 with a P word (high-speed machining) too. A G code counts by its whole number, so G54.1 is
// a work coordinate system as well.
inline constexpr int kSkipCodes[] = {28, 30, 43, 44, 54, 55, 56, 57, 58, 59, 64, 65};
// The measurement pass also leaves the canned-cycle return levels G98 and G99 alone.
inline constexpr int kMeasureSkipCodes[] = {28, 30, 43, 44, 54, 55, 56, 57, 58, 59, 64, 65, 98, 99};
// The start-point pass that replays moves also leaves G98 alone.
inline constexpr int kStartPointSkipCodes[] = {28, 30, 43, 44, 54, 55, 56, 57, 58, 59, 64, 65, 98};

// True when the block holds a G word of `codes` (by its whole number) or a G05 with a P word.
bool HasSkipCode(const Block& block, std::span<const int> codes);

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

// The position after an interpreted block, by the machine's rules: a G92 block (`setPosition`)
// takes the values of the axes it names and keeps the others; any other block advances from
// `oldPosition` under `modal.distanceMode` (AdvancePosition). I, J, R, Q, K are the block's and
// every slot gets the zero window of AdvancePosition.
void AdvanceAsMachine(bool setPosition, const ModalState& modal, const WordGiven& given,
                      Position* newPosition, const Position& oldPosition, const BlockWords& words);

// Which lines a pass leaves uninterpreted (their distance mode still applies).
using UninterpretedRule = bool (*)(const Block& block);
// The header and footer cuts': dwells and the lines of kSkipCodes.
bool IsUninterpretedByCuts(const Block& block);
// The measurement pass's: dwells and the lines of kMeasureSkipCodes.
bool IsUninterpretedByMeasurement(const Block& block);
// The start-point extraction's: the lines of kSkipCodes, dwells and canned cycles.
bool IsUninterpretedByExtraction(const Block& block);
// The start-point replay's: the lines of kStartPointSkipCodes, dwells and canned cycles.
bool IsUninterpretedByReplay(const Block& block);

// Results of ScanStart.
enum ScanResult {
  kScanDone = 1,          // the program was read
  kScanUnreadable = -1,   // the file could not be opened; no record was changed
  kScanLineTooLong = -2,  // a line is too long to be read; `*failedLine` holds its number
  kScanReadError = -3,    // the file could not be read to its end
};

// The records of one pass over a program with its per-line step, in the state every pass starts
// from: nothing known but the power-on distance mode.
struct PassRecords : InterpreterRecords {
  Block block;          // the line just read
  Position current{};   // where the block takes the tool
  Position previous{};  // where the tool stood before it

  PassRecords();

  // The per-line step of every pass: reads the first `length` bytes of `line` into `block`,
  // clears the block's words, applies its distance mode and then, unless the block is unreadable
  // or `uninterpreted` says so, interprets it. True when InterpretBlock recognised something.
  bool Step(const char* line, size_t length, UninterpretedRule uninterpreted);

  // Finds the state in force at the start of the program at `path`: reads it with Step (the
  // rule of IsUninterpretedByExtraction) and AdvanceAsMachine from `previous` to `current` up to
  // the first G92 block that names X, Y and Z, whose values are the start point; without one, the
  // position at the end of the program is. Then `motion`, `previousMotion`, `olderMotion`,
  // `feedGiven`, `cutterOffset`, `spindleSpeed`, `spare`, `blockMotion` and all of `mCodes`
  // become -1 (`distanceMode`, `plane` and `units` keep what the program left); `initialFeed`
  // takes `feed`, then `feed` and `previousFeed` become 0.
  // Returns kScanDone, kScanUnreadable (nothing changed), kScanLineTooLong or kScanReadError
  // (`*failedLine`, may be nullptr, gets the line's number; the final reset is not made).
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
