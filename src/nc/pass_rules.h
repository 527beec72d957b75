// Rules that every pass over an NC program follows, so that all of them read the program the way
// the machine runs it: the measurement pass, the header and footer cuts and both start-point
// operations call these small functions in the same places.
//
//  * G90 and G91 take effect on every line that holds them, lines of the skip list included: a
//    reference return written "G91 G28 Z0." leaves the control in incremental mode, and the
//    blocks after it are read so (ApplyDistanceMode, called before the skip test).
//  * Until a program states G90 or G91 it is read as absolute, the power-on state of the
//    controls this system serves (kPowerOnDistanceMode, the passes' initial `distanceMode`).
//  * A G92 block states where the tool stands; it does not move it. It sets the axes it names
//    to its values under G90 and G91 alike (AdvanceAsMachine), and no pass measures it as a move.
//  * A dwell (G04, G4) holds the tool where it is: its X or P is a time, so no pass interprets it.
//  * Canned cycles (FindCannedCycle) drill at positions that a pass following only the tool's
//    path cannot reproduce; the measurement pass refuses them, the other passes leave their lines
//    uninterpreted.
//
// Words are recognised as whole words here: the address letter at a character boundary followed
// by its digits, so "G4" is found in "G4P500" but not in "G43", and "M6" in "T1M6" but not in
// "M60". Matching is case-sensitive, like the rest of the scanner.
#pragma once

#include "nc/records.h"

// The distance mode a program starts in when it states none.
inline constexpr int kPowerOnDistanceMode = 90;

// True when `line` holds the whole word `letter` `code` (G43, G043; not G430, not G43.4).
bool HasCodeWord(const char* line, char letter, int code);

// Applies a G90 or G91 of `line` (comment cut) to `modal->distanceMode` and `*distanceModeCopy`
// (may be nullptr); G90 wins when both are written, as in the interpreter. Returns the mode set,
// or 0 when the line holds neither.
int ApplyDistanceMode(const char* line, ModalState* modal, int* distanceModeCopy);

// True when `line` is a dwell block (a whole G4 word).
bool IsDwellBlock(const char* line);

// True when `line` sets the position with a whole G92 word.
bool IsSetPositionBlock(const char* line);

// The canned-cycle code of `line` (73, 74, 76, 81..89 as a whole G word), or -1 when none.
int FindCannedCycle(const char* line);

// True when the line must not be interpreted by a pass other than the measurement pass: a token
// of `skipTokens`, a dwell or a canned cycle. (The measurement pass refuses cycles first.)
bool IsUninterpretedLine(const char* line, const char* const* skipTokens, int tokenCount);

// Cutter radius compensation state after `line`: 41 or 42 when the line starts it, 0 when G40
// cancels it, else `state` unchanged.
int UpdateCompensation(const char* line, int state);

// True when `line` changes tool (a whole M6 word).
bool IsToolChange(const char* line);

// The position after an interpreted block, by the machine's rules: a G92 block (`setPosition`)
// takes the values of the axes it names and keeps the others; any other block advances from
// `oldPosition` under `modal.distanceMode` (AdvancePosition). I, J, R, Q, K are the block's and
// every slot gets the zero window of AdvancePosition.
void AdvanceAsMachine(bool setPosition, const ModalState& modal, const WordGiven& given,
                      Position* newPosition, const Position& oldPosition, const BlockWords& words);

// ScanInitialState by the rules above: finds the state in force at the start of the program
// (the values of the first G92 block that names X, Y and Z, or else the position at the end of
// the program). The records and the final reset are those of ScanInitialState; `modal` should
// come in with kPowerOnDistanceMode. Per line: comment cut, block cleared, `gCodes` filled with
// -1, ApplyDistanceMode, lines of kSkipTokens, dwells and canned cycles not interpreted,
// InterpretBlock, then AdvanceAsMachine from `previous` to `current`.
// Returns kScanDone, kScanUnreadable (nothing changed), kScanLineTooLong or kScanReadError
// (`*failedLine`, may be nullptr, gets the line's number).
int ScanStartState(const char* path, GCodeTable* gCodes, MCodeTable* mCodes, ModalState* modal,
                   Position* current, Position* previous, BlockWords* words, WordGiven* given,
                   WordHasPoint* hasPoint, FeedState* feed, int* distanceModeCopy,
                   int* failedLine = nullptr);

// A line that a pass leaves uninterpreted (its comment already cut).
using UninterpretedRule = bool (*)(const char* line);

// The header and footer cuts' rule: dwells and the lines of kSkipTokens.
bool IsUninterpretedByCuts(const char* line);

// The interpreter's records of one pass over a program, in the state every pass starts from:
// nothing known but the power-on distance mode.
struct PassRecords {
  ModalState modal{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  GCodeTable gCodes;
  MCodeTable mCodes;
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{0.0, 0.0, 0.0};
  Position current{};
  Position previous{};
  int modeCopy = 0;

  PassRecords();

  // Cuts the comment of `line`, clears the block and applies the line's distance mode; then,
  // unless `uninterpreted` says so, interprets it. True when InterpretBlock recognised something.
  bool Interpret(char* line, UninterpretedRule uninterpreted);

  // ScanStartState into these records.
  int ScanStart(const char* path, int* failedLine = nullptr);

  // True when the block just interpreted names X, Y or Z.
  bool AxisGiven() const { return given[kX] || given[kY] || given[kZ]; }
};

