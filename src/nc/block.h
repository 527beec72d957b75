// One NC line taken apart into its words, once. Every pass over a program and the piece writer
// look a line's words up here instead of searching its text again.
//
// How a line is read, as the controls this system serves read a block:
//  * A comment runs from "(" to its matching ")"; comments may nest, so "(T1 | FACE (SFM 600) )"
//    is one comment. Words after a closed comment count ("G01 X1. (CUT) Y2." moves Y as well).
//    An unclosed comment runs to the end of the line. ";" starts a comment to the end of the line.
//  * Shift-JIS text is allowed only inside comments: a double-byte character anywhere else (a
//    full-width "Ｇ" or "（" typed for an ASCII one) makes the block unreadable.
//  * A word is an address letter and its number. Letters are read without regard to case
//    ("g1 x10." is G1 X10.); blanks and tabs between the letter and the number are ignored
//    ("Y -0.25", "F 300"); the number is an optional "+" or "-", digits, and at most one decimal
//    point ("5", "5.", ".5", "-.5"). A letter without a number ("GOO" for "G00", a lone "X") and a
//    number text that goes on in a way no number does ("1.2.3", "1-2") make the block unreadable.
//  * ":" is the letter O of a program number (":0097" is O0097). "%" (the tape frame), "/"
//    (block delete, also numbered "/1" .. "/9"; blocks run with the switches off, as on the
//    machine), blanks, tabs and the line end are not words. "%" is the first character of its
//    line that is not a blank, and only a program number and comments may share its line
//    ("%O0003(PART NAME)"). "#" variables and "[" expressions are macro statements; any other
//    character makes the block unreadable too.
// Values are kept as written: the thousandths rule for numbers without a decimal point is the
// interpreter's business, because it depends on the letter and on the units in force.
#pragma once

#include <cstddef>
#include <cstdint>

// Results of ReadBlock. A block that is not kBlockReadable holds the words read before the
// problem, and `problemAt` tells where it lies.
enum BlockReadResult {
  kBlockReadable = 0,
  kBlockNoNumber = 1,      // a letter without a number, or a number that goes on wrongly
  kBlockFullWidth = 2,     // a double-byte character outside a comment
  kBlockMacro = 3,         // "#" or "[": a macro statement
  kBlockBadCharacter = 4,  // any other character that belongs to no word
  kBlockTooManyWords = 5,  // more than kMaxBlockWords words
  kBlockRepeatedWord = 6,  // an address other than G and M given twice ("Z110. Z-20.")
};

inline constexpr int kMaxBlockWords = 64;

struct BlockWord {
  char letter;        // 'A'..'Z' (upper case whatever the line wrote)
  bool hasPoint;      // the number had a decimal point
  bool integral;      // the number had no decimal point, or only zeros after it ("G01.", "M3.0")
  uint16_t at;        // index of the letter in the line
  uint16_t end;       // index just past the number
  int32_t code;       // the integral part, saturated at +-999999 (G, M, T, H, D, S, N, O codes)
  double value;       // the number's value as written
};

struct Block {
  int result;         // BlockReadResult
  int problemAt;      // index of the character that made the block unreadable (-1: none)
  int wordCount;
  bool hasComment;    // the line holds a comment
  bool blockDelete;   // the line starts (after blanks) with "/"
  bool tapeMark;      // the line holds "%" (and no word but a program number O: "%" among
                      // other words is a bad character)
  uint32_t letters;   // bit (letter - 'A') set for every letter present
  uint8_t first[26];  // 1 + index of the first word of each letter, 0 when absent
  BlockWord words[kMaxBlockWords];

  bool Has(char letter) const { return (letters >> (letter - 'A')) & 1u; }
  // The first word of `letter`, or nullptr.
  const BlockWord* Find(char letter) const {
    int i = first[letter - 'A'];
    return i == 0 ? nullptr : &words[i - 1];
  }
  // True when the block holds the whole word `letter` `code` with an integral number (G43, G043,
  // G43.0; not G430, not G43.4).
  bool HasCode(char letter, int code) const;
  // True when the block holds no word at all (blank, comment-only or "%" lines).
  bool Empty() const { return wordCount == 0; }
  // True when every word of the block is one of `letters` (a string of address letters).
  bool OnlyLetters(const char* letters) const {
    for (int w = 0; w < wordCount; ++w) {
      bool listed = false;
      for (const char* l = letters; *l != '\0'; ++l) listed = listed || words[w].letter == *l;
      if (!listed) return false;
    }
    return true;
  }
};

// Reads `line` (its first `length` bytes; the line end may be among them) into `block`.
// Returns block->result.
int ReadBlock(const char* line, size_t length, Block* block);

// Writes the canonical form of a readable block's line (its first `length` bytes) into `out`: every word as its upper-case
// letter and its number text without a "+" sign or blanks after the letter (":" becomes "O");
// everything else (comments, the blanks between words) as written; no line end. A line already
// canonical comes out byte for byte. Returns the length, or -1 when it does not fit `size` - 1.
int CanonicalBlockText(const char* line, size_t length, const Block& block, char* out, size_t size);

// Appends the canonical text of word `word` (read from `line`) to `out` at `*used`, within `size`
// (terminated). False when it does not fit.
bool AppendCanonicalWord(const char* line, const BlockWord& word, char* out, size_t size, size_t* used);

// The words of a readable block that ride on its move, in the canonical form, G words first, into
// `out` (`size` bytes, terminated): every word but the move's own (X, Y, Z, the arc's I, J, K, R,
// the feed F, the motion codes G00..G03, the plane G17..G19, the distance mode G90/G91) and the
// block's N and O. With `cycle` (a canned-cycle block) the cycle's own words are left out as well:
// its code, G98/G99, Q, P and the repeats L. False when they do not fit.
bool RidingWords(const char* line, const Block& block, bool cycle, char* out, size_t size);
