// The split check's own reader of NC blocks.
//
// The check reads every program and piece with this reader and never with the split passes' word
// finder: a second reader, written to the control's rules rather than to the passes' habits, is
// what lets the check catch the passes' reading mistakes. The rules are the control's:
//  - "%" as the first character that is not a blank makes the line a tape mark: it does nothing.
//    Only a program number and comments may share its line ("%O0003(PART NAME)", as DNC programs
//    write the tape start); any other word beside it makes the block unreadable.
//  - A leading "/" (block delete), also numbered ("/1" .. "/9"), is read over: with the switches
//    off, as on every machine we know of, the block runs.
//  - "(" opens a comment that ends at the next ")" (or at the line's end); the block goes on
//    after it. Comments may hold any bytes, Shift-JIS text included.
//  - ";" ends the block: nothing after it on the line is a word (a comment to the line's end for
//    PC-based controls, the end of block in ISO tape listings).
//  - A word is an address letter (lower case reads as upper case) and a number. Blanks (space,
//    tab, a lone carriage return) are ignored everywhere outside comments, as the control ignores
//    them: "Y -0.25" is Y-0.25, "F 300" is F300, "X1 0" is X10.
//  - A number is an optional "+" or "-", then digits with at most one ".". A letter without
//    digits ("GOO Z.5", where the letter O was typed for a zero), a second "." or a sign after
//    the digits ("1-2") is a block the control cannot read.
//  - ":" at the start of a word is the program number's old form (":0097" is O0097).
//  - Any other character outside a comment ("#", "[", "=", a full-width letter, a control byte)
//    makes the block unreadable: the control alarms on it, and the check cannot run it.
// Every address other than G and M may appear once per block; G and M words may repeat.
//
// The reader keeps every number as written (sign applied, no unit rule): the simulator knows
// which words are lengths (X Y Z I J K R Q, where a number without "." counts least increments)
// and which are read as written (F S T H D P L ...).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kBlockLetterCount = 26;
// Most G and M codes one block may hold; more makes the block unreadable.
inline constexpr int kMaxBlockGCodes = 12;
inline constexpr int kMaxBlockMCodes = 6;

// A G code as the reader stores it: the number times ten, so G1 is 10 and G92.1 is 921.
constexpr int32_t GCode(int32_t whole, int32_t tenth = 0) { return whole * 10 + tenth; }

// Results of ReadCheckBlock.
enum CheckBlockResult {
  kBlockRead = 0,            // the words are in the block (there may be none: an empty line)
  kBlockTapeMark = 1,        // a "%" line: nothing to do (its program number, if any, is read)
  kBlockNoNumber = -1,       // an address letter without a number (`errorColumn` at the letter)
  kBlockBadNumber = -2,      // a number the control cannot read (a second ".", a G or M code that is
                             // no code, more than 60 digits)
  kBlockBadCharacter = -3,   // a character that belongs to no word (see `errorText`)
  kBlockRepeatedWord = -4,   // an address other than G and M given twice
  kBlockTooManyCodes = -5,   // more G or M codes than the limits above
};

struct CheckBlock {
  uint32_t present;                        // bit (letter - 'A') for each address read, G and M included
  uint32_t hasPoint;                       // bit (letter - 'A') when that word's number had a "."
  double value[kBlockLetterCount];         // each present letter's number as written (G, M: unused)
  int32_t gCodes[kMaxBlockGCodes];         // the G codes in order, as GCode() values
  int32_t mCodes[kMaxBlockMCodes];         // the M codes in order
  int32_t gCount;
  int32_t mCount;
  int32_t errorColumn;  // 1-based byte of the fault (results below 0)
  char errorText[4];    // the character at fault (two bytes for a double-byte one), terminated
};

// Bit of `letter` ('A'..'Z') in CheckBlock::present and hasPoint.
constexpr uint32_t LetterBit(char letter) { return uint32_t{1} << (letter - 'A'); }

inline bool HasWord(const CheckBlock& block, char letter) { return (block.present & LetterBit(letter)) != 0; }
inline double WordValue(const CheckBlock& block, char letter) { return block.value[letter - 'A']; }
inline bool HasCode(const CheckBlock& block, int32_t gCode) {
  for (int i = 0; i < block.gCount; ++i) {
    if (block.gCodes[i] == gCode) return true;
  }
  return false;
}

// A number that is the same for two blocks with the same words in any order (N and O left out),
// each with the same value and the same form (with or without a decimal point): how the check
// recognises a block that a piece carries as written, whatever its case, blanks and "+" signs.
// Motion and distance codes (G00..G03, G90, G91) beside other words are left out too: they only
// say how the block's own words are read, and a writer may add or drop them.
uint64_t BlockSignature(const CheckBlock& block);

// The number that stands for what an offset write (G10) stores: its L and P and the values of its
// X, Y, Z and R, each as a length (a number without a decimal point counts `resolution`s), so
// that "X-100." and "X-100000" are the same write and "X-100." and "X-100" are not.
uint64_t OffsetWriteSignature(const CheckBlock& block, double resolution);

// The words of a move line that goes nowhere but does something (`G00 Z50. M09` with the tool at
// Z50.): `block` without its axis, centre and feed words (X Y Z I J K R F), N and O, and its motion,
// distance and plane codes; a writer that drops the move keeps these as a block of their own.
// Writes `*riding`; false when nothing is left.
bool RidingWords(const CheckBlock& block, CheckBlock* riding);

// Reads the `length` bytes of `line` (a physical line; a final "\n" ends it, a NUL byte inside is
// a bad character) into `block`. Returns a CheckBlockResult; on a fault `errorColumn` and
// `errorText` say where and what. Keeps no state between calls. The byte after the line,
// line[length], must be readable and a "\n" or a NUL (a string's terminator): the digits of a
// number are read up to the first byte that is none, without counting; nothing else past
// `length` is read.
int ReadCheckBlock(const char* line, size_t length, CheckBlock* block);
