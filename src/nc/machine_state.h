// The state of the machine that a cut depends on besides the path: the tool, its length offset,
// the spindle, the coolant, the work offset, the plane and the feed mode, the cutter compensation
// and the canned-cycle return level. The split follows it through the program so that a piece
// that begins in the middle can first put the machine into the state the program had there.
#pragma once

#include <cstddef>

#include "nc/block.h"

// "Not stated" for every field below: the program has not set it (yet).
inline constexpr int kNotStated = -1;
// Room for one rotary axis word ("A-359.999" and the terminator, with room to spare).
inline constexpr int kRotaryWordSize = 24;

struct MachineState {
  int tool;                  // T of the last M06: the tool in the spindle
  int selectedTool;          // the last T word: the tool the next M06 puts in
  int lengthOffset;          // G43, G44 or G49 -> 43, 44, 49
  int lengthRegister;        // H of the last G43/G44
  int workOffset;            // G54..G59 -> 54..59 (G54.1 Pn: 5400 + n)
  int spindle;               // M03, M04, M05 -> 3, 4, 5
  int spindleSpeed;          // S
  int coolant;               // M07, M08, M09 -> 7, 8, 9 (M08 and M07 both on: 8)
  int plane;                 // G17, G18, G19 -> 17, 18, 19
  int feedMode;              // G94, G95 -> 94, 95
  int units;                 // G20, G21 -> 20, 21
  int compensation;          // G40, G41, G42 -> 40, 41, 42
  int compensationRegister;  // D (or H) of the last G41/G42
  int cycleReturn;           // G98, G99 -> 98, 99
  // The last A, B and C words as written (canonical, "A0."; "" when not stated): a rotary axis a
  // three-axis split does not follow but puts back where the program had it.
  char rotary[3][kRotaryWordSize];
};

// Every field kNotStated.
MachineState UnstatedMachine();

// Which words of a block act when: on a block that also moves, M03/M04/M07/M08, T, S, H and D
// act before the move, M05 and M09 after it.
enum StateTiming {
  kWholeBlock = 0,   // all the block's words
  kBeforeMove = 1,   // only those that act before the block's move
  kAfterMove = 2,    // only those that act after it
};

// Applies the state words of the readable block read from `line` to `state` (`timing` chooses
// which). `line` is the text the block was read from (its words are copied from it); nullptr
// leaves the rotary axes out.
void UpdateMachineState(const Block& block, int timing, MachineState* state, const char* line = nullptr);

// Reads `text` (its first `length` bytes) as a block and applies its state words to `state`
// (nothing when it cannot be read).
void ApplyStateText(const char* text, size_t length, int timing, MachineState* state);

// True when the cut-relevant fields (tool, length offset and register, work offset, spindle
// direction and speed, coolant, plane, feed mode, rotary axes) of `a` and `b` are the same.
bool SameCuttingState(const MachineState& a, const MachineState& b);
