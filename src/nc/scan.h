// Character-level operations with which every pass takes an NC line apart: finding a token,
// cutting the comment, reading the number after an address letter, copying texts, and the probes
// for the program number, spindle speed and direction, coolant and first M code.
//
// A line is a NUL-terminated byte string of code page 932 text. Only ASCII characters are ever
// matched, and only at character boundaries: a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC)
// followed by a valid second byte (0x40-0x7E, 0x80-0xFC) is one character whose second byte is
// never taken for a letter, so "（スタート）" (ス is 0x83 0x58, an "X" as second byte) holds no X
// word. A lead byte followed by anything else stands alone, so digits, "(", "." and "-" after it
// are still seen. Matching is case-sensitive: lower-case letters are never address letters.
//
// Number texts. After an address letter, the number text is the longest run of number
// characters: the ten digits, "." and "-" for a real, the digits and "-" for an integer. The whole
// run belongs to the word, however long it is (no fixed working buffer: a run longer than 32
// characters is neither cut into a second word nor written past a buffer), and its value is that
// of the longest prefix that forms a number (see nc/number_text.h): "1-2" reads 1, "1.2.3" reads
// 1.2, "-" reads 0.
//
// None of these functions allocates or keeps state between calls.
#pragma once

#include <cstddef>
#include <span>

// Bytes taken by the character that starts at `p`: 2 for a Shift-JIS lead byte followed by a
// valid second byte, else 1 (also for the terminator).
int CharacterWidth(const char* p);

// Index (0-based) of the first occurrence of `token` in `text` that begins at a character
// boundary; -1 when there is none. An empty token is found at 0.
int FindText(const char* text, const char* token);

// Cuts the comment off `line`: from the first "(" to the end of the line every byte becomes NUL
// (the "\n" with it). A line without "(" is left as it is; full-width parentheses are not
// comment marks.
void CutComment(char* line);

// Reads the real word at `text` (text[0] is the address letter). Writes the value of its number
// text to `*value` and 1 to `*hasPoint` when the run holds a ".", else 0. Without a point the
// number counts thousandths of a millimetre: X100 gives 0.1, X100. gives 100, X-5 gives -0.005,
// X1-2 gives 0.001, an X with no number 0.
void ReadWordValue(const char* text, double* value, int* hasPoint);

// Reads the integer word at `text` (text[0] is the address letter): no thousandths rule, a "."
// ends the number (S1200. gives 1200). Writes the value to `*value` and returns it.
int ReadWordInteger(const char* text, int* value);

// Value of the real number text after the letter at `text[0]` as a plain real, without the
// thousandths rule (the reading of F: F100 is 100).
double ReadWordReal(const char* text);

// The motion code of the line: the lowest of 0, 1, 2, 3 written as a whole G word (G0, G00,
// G1, G01, G2, G02, G3, G03: a "G" followed by digits whose integer value is the code), so the
// "G1" inside G17 and the "G2" inside G21 are no motion. Returns -1 when the line has none;
// G04, G10, G-1 and a bare G are no motion.
int FindMotionWord(const char* line);

// Copies the real number text after the letter at `text[0]` into `out` and terminates it. A run
// longer than `out.size() - 1` is cut to that size. Returns the number of characters copied plus
// one (0 when `out` is empty).
int CopyWordNumber(const char* text, std::span<char> out);

// Copies source[first] through source[last] (inclusive) into `out` and terminates it; the copy
// stops early at the terminator of `source` (copied too) and at `out.size() - 1` bytes. Returns
// the number of bytes copied.
int CopyTail(const char* source, int first, int last, std::span<char> out);

// Number of the first M word of `line`; -1 when there is none or when it is 0 (M00, M).
int FindMCode(const char* line);
// Number of the O word when the line's first "O" stands at index 0; -1 otherwise and for O0.
int FindProgramNumber(const char* line);
// Number of the first S word; -1 when there is none or when it is 0.
int FindSpindleSpeed(const char* line);
// 3 when the line holds "M03", else 4 when it holds "M04", else 3 or 4 when its first M word is
// that number; -1 otherwise.
int FindSpindleDirection(const char* line);
// 8 when the line holds "M08" or its first M word is 8; -1 otherwise.
int FindCoolant(const char* line);
