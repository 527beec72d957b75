#include "check/check_block.h"

#include <cstring>
#include <string_view>

#include "nc/number_text.h"
#include "platform/text_encoding.h"

namespace {

// Longest digit text a number may have; a control reads far fewer.
constexpr int kMaxNumberDigits = 60;

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The digits of one number as the reader met them.
struct NumberText {
  bool negative;
  bool point;
  bool exact;               // false once the mantissa passed 2^53
  int digits;               // all digits read
  int fractionDigits;       // digits after the "."
  uint64_t mantissa;        // the digits as an integer while it stays exact
  size_t first;             // where the digits (and points and blanks) begin in the line
  size_t last;              // and end
};

// A number of the form nearly every word has: a sign, digits and at most one point, no blank
// inside, at most 15 digits (exact in a double), and no digit or point after blanks behind it
// (those would belong to it). The digits end at the line's "\n" or at the terminator after it at
// the latest. `*at` moves past the number and the blanks after it. False (nothing changed) for
// any other form: ReadNumber reads those.
struct ShortNumber {
  uint64_t mantissa;
  unsigned fraction;  // digits after the point
  bool negative;
  bool point;
};
inline bool ReadShortNumber(const char* line, size_t length, size_t* at, ShortNumber* number) {
  size_t j = *at;
  auto c = static_cast<unsigned char>(j < length ? line[j] : '\n');
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = static_cast<unsigned char>(line[++j]);
  const size_t first = j;
  uint64_t mantissa = 0;
  unsigned digit;
  while ((digit = c - static_cast<unsigned>('0')) < 10) {
    mantissa = mantissa * 10 + digit;
    c = static_cast<unsigned char>(line[++j]);
  }
  size_t digits = j - first;
  bool point = false;
  unsigned fraction = 0;
  if (c == '.') {
    point = true;
    const size_t afterPoint = ++j;
    c = static_cast<unsigned char>(line[j]);
    while ((digit = c - static_cast<unsigned>('0')) < 10) {
      mantissa = mantissa * 10 + digit;
      c = static_cast<unsigned char>(line[++j]);
    }
    fraction = static_cast<unsigned>(j - afterPoint);
    digits += fraction;
    if (c == '.') return false;
  }
  if (digits == 0 || digits > 15 || j > length) return false;
  if (IsBlank(c)) {
    // The blanks after the number belong to no word: the reader goes on after them.
    while (j < length && IsBlank(static_cast<unsigned char>(line[j]))) ++j;
    if (j < length && (IsDigit(static_cast<unsigned char>(line[j])) || line[j] == '.')) return false;
  }
  number->mantissa = mantissa;
  number->fraction = fraction;
  number->negative = negative;
  number->point = point;
  *at = j;
  return true;
}

// Reads the number that starts at `line[*at]` (after the address letter). Blanks between the
// letter, the sign and the digits are read over like the control does. Returns kBlockRead, or
// kBlockNoNumber when there is no digit, or kBlockBadNumber.
int ReadNumber(const char* line, size_t length, size_t* at, NumberText* number) {
  // Locals, not the record's fields: the compiler may keep them in registers while it reads the
  // line's bytes.
  size_t i = *at;
  while (i < length && IsBlank(static_cast<unsigned char>(line[i]))) ++i;
  bool negative = false;
  if (i < length && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  const size_t first = i;
  size_t end = i;  // after the last digit or point: trailing blanks belong to no word
  bool point = false;
  int digits = 0;
  int fractionDigits = 0;
  uint64_t mantissa = 0;
  bool exact = true;
  while (i < length) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (IsDigit(c)) {
      if (digits == kMaxNumberDigits) return kBlockBadNumber;
      ++digits;
      if (point) ++fractionDigits;
      if (mantissa >= (uint64_t{1} << 53) / 10) exact = false;
      mantissa = mantissa * 10 + (c - '0');
      end = i + 1;
    } else if (c == '.') {
      if (point) return kBlockBadNumber;
      point = true;
      end = i + 1;
    } else if (!IsBlank(c)) {
      break;
    }
    ++i;
  }
  number->negative = negative;
  number->point = point;
  number->exact = exact;
  number->digits = digits;
  number->fractionDigits = fractionDigits;
  number->mantissa = mantissa;
  number->first = first;
  number->last = end;
  *at = end;
  return digits == 0 ? kBlockNoNumber : kBlockRead;
}

// A number too long for the quick conversion, through the system's converter.
[[gnu::noinline]] double LongNumberValue(const char* line, const NumberText& number) {
  char text[kMaxNumberDigits + 2];
  size_t used = 0;
  for (size_t i = number.first; i < number.last; ++i) {
    if (!IsBlank(static_cast<unsigned char>(line[i]))) text[used++] = line[i];
  }
  return ParseNcReal(std::string_view(text, used));
}

// The value of the number, correctly rounded: a mantissa below 2^53 divided by an exact power of
// ten is one correctly rounded operation (none for a whole number); anything longer goes through
// the system's converter.
double NumberValue(const char* line, const NumberText& number) {
  double value;
  if (number.exact && number.fractionDigits == 0) {
    value = static_cast<double>(number.mantissa);
  } else if (number.exact && number.fractionDigits <= 22) {
    value = static_cast<double>(number.mantissa) / kExactPowers[number.fractionDigits];
  } else {
    value = LongNumberValue(line, number);
  }
  if (value == 0.0) return 0.0;  // no negative zero
  return number.negative ? -value : value;
}

// A G code (`allowTenth`: at most one decimal) or an M code (none), no sign. -1 when the number
// is no code.
int32_t CodeValue(bool negative, bool exact, uint64_t digits, int fractionDigits, bool allowTenth) {
  if (negative || !exact || digits > 99999) return -1;
  const auto mantissa = static_cast<int32_t>(digits);
  if (fractionDigits == 0) return allowTenth ? mantissa * 10 : mantissa;
  if (fractionDigits == 1 && allowTenth) return mantissa;
  return -1;
}

// Adds G or M code `code` (below 0: the number was no code) to `block`. Returns kBlockRead or the
// fault.
int AddCode(CheckBlock* block, char letter, int32_t code) {
  if (code < 0) return kBlockBadNumber;
  if (letter == 'G') {
    if (block->gCount == kMaxBlockGCodes) return kBlockTooManyCodes;
    block->gCodes[block->gCount++] = code;
  } else {
    if (block->mCount == kMaxBlockMCodes) return kBlockTooManyCodes;
    block->mCodes[block->mCount++] = code;
  }
  return kBlockRead;
}

// One word's share of the block signature (a 64-bit mix of letter, value and whether the number
// had a decimal point: "G04 X1" and "G04 X1." are different blocks).
uint64_t WordSignature(char letter, double value, bool point = false) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  uint64_t h = bits ^ (static_cast<uint64_t>(letter + (point ? 32 : 0)) * 0x9E3779B97F4A7C15ull);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
}

// What a byte outside a comment starts.
enum ByteKind : uint8_t {
  kOtherByte = 0,  // belongs to no word
  kBlankByte,      // blank, tab, carriage return: ignored
  kLineEnd,        // "\n": the block ends
  kCommentOpen,    // "("
  kLetterByte,     // an address letter, either case, or ":" (the letter O)
};

struct ByteKindTable {
  ByteKind kind[256];
  char letter[256];  // the address letter a kLetterByte stands for
  constexpr ByteKindTable() : kind(), letter() {
    for (int c = 0; c < 256; ++c) {
      kind[c] = kOtherByte;
      letter[c] = '\0';
    }
    kind[static_cast<unsigned char>(' ')] = kBlankByte;
    kind[static_cast<unsigned char>('\t')] = kBlankByte;
    kind[static_cast<unsigned char>('\r')] = kBlankByte;
    kind[static_cast<unsigned char>('\n')] = kLineEnd;
    // ";" ends the block: a comment to the end of the line for PC-based controls, the end of block
    // in tape listings. Either way nothing after it is a word.
    kind[static_cast<unsigned char>(';')] = kLineEnd;
    kind[static_cast<unsigned char>('(')] = kCommentOpen;
    for (int c = 'A'; c <= 'Z'; ++c) {
      kind[c] = kLetterByte;
      letter[c] = static_cast<char>(c);
      kind[c - 'A' + 'a'] = kLetterByte;
      letter[c - 'A' + 'a'] = static_cast<char>(c);
    }
    kind[static_cast<unsigned char>(':')] = kLetterByte;
    letter[static_cast<unsigned char>(':')] = 'O';
  }
};
constexpr ByteKindTable kBytes;

// The letters whose words are codes and may repeat.
constexpr uint32_t kCodeLetters = LetterBit('G') | LetterBit('M');

[[gnu::noinline]] int Fail(CheckBlock* block, int result, const char* line, size_t length, size_t at) {
  block->errorColumn = static_cast<int32_t>(at + 1);
  block->errorText[0] = at < length ? line[at] : '\0';
  block->errorText[1] = '\0';
  const auto c = static_cast<unsigned char>(block->errorText[0]);
  if (platform::IsLeadByte(c) && at + 1 < length &&
      platform::IsTrailByte(static_cast<unsigned char>(line[at + 1]))) {
    block->errorText[1] = line[at + 1];
    block->errorText[2] = '\0';
  }
  return result;
}

// Reads over what may open a block at line[0]: blanks, the tape mark and block delete. Returns the
// index after them; `*tapeMarkAt` is the tape mark's index, or `length` when the line has none.
size_t ReadBlockOpening(const char* line, size_t length, size_t* tapeMarkAt) {
  size_t i = 0;
  while (i < length && IsBlank(static_cast<unsigned char>(line[i]))) ++i;
  // The tape mark: on its line only a program number and comments may follow it
  // ("%O0003(PART NAME)"); a word of another kind beside it is read one way by one control and
  // another way (or not at all) by the next, so the block cannot be run.
  *tapeMarkAt = length;
  if (i < length && line[i] == '%') *tapeMarkAt = i++;
  // Block delete, also numbered ("/1" .. "/9"): with the switches off the block runs.
  if (*tapeMarkAt == length && i < length && line[i] == '/') {
    ++i;
    if (i < length && line[i] >= '1' && line[i] <= '9') ++i;
  }
  return i;
}

// The index after the comment that opens at line[i] == '(', or `length` when it does not close
// (it runs to the end of the line). It ends at the ")" that closes it: CAM systems write comments
// with parentheses inside ("(T1 | FACE MILL (SFM 600.) | H1)"), which the controls they write for
// read as one. Neither parenthesis can be the second byte of a double-byte character.
size_t SkipCheckComment(const char* line, size_t length, size_t i) {
  int depth = 1;
  size_t j = i + 1;
  for (; j < length && depth > 0; ++j) {
    if (line[j] == '(') ++depth;
    if (line[j] == ')') --depth;
  }
  return depth > 0 ? length : j;
}

}  // namespace

int ReadCheckBlock(const char* line, size_t length, CheckBlock* block) {
  uint32_t present = 0;
  uint32_t hasPoint = 0;
  block->present = 0;
  block->hasPoint = 0;
  block->gCount = 0;
  block->mCount = 0;
  block->errorColumn = 0;
  block->errorText[0] = '\0';

  size_t tapeMarkAt = length;
  size_t i = ReadBlockOpening(line, length, &tapeMarkAt);
  while (i < length) {
    const auto c = static_cast<unsigned char>(line[i]);
    const ByteKind kind = kBytes.kind[c];
    if (kind == kLineEnd) break;
    if (kind == kBlankByte) {
      ++i;
      continue;
    }
    if (kind == kCommentOpen) {
      i = SkipCheckComment(line, length, i);
      continue;
    }
    if (kind != kLetterByte) return Fail(block, kBlockBadCharacter, line, length, i);
    const char letter = kBytes.letter[c];
    if (tapeMarkAt != length && (letter != 'O' || present != 0)) {
      return Fail(block, kBlockBadCharacter, line, length, tapeMarkAt);
    }
    const size_t letterAt = i;
    ++i;
    const uint32_t bit = LetterBit(letter);
    ShortNumber fast;
    if (ReadShortNumber(line, length, &i, &fast)) {
      if ((bit & kCodeLetters) != 0) {
        const int added = AddCode(block, letter,
                                  CodeValue(fast.negative, true, fast.mantissa, static_cast<int>(fast.fraction), letter == 'G'));
        if (added != kBlockRead) return Fail(block, added, line, length, letterAt);
        present |= bit;
        continue;
      }
      if ((present & bit) != 0) return Fail(block, kBlockRepeatedWord, line, length, letterAt);
      present |= bit;
      if (fast.point) hasPoint |= bit;
      // One correctly rounded division (none for a whole number); never a negative zero. The
      // sign is taken before the division (rounding to nearest is symmetric): nothing waits for
      // the quotient but its store.
      double value = static_cast<double>(fast.mantissa);
      if (fast.negative && fast.mantissa != 0) value = -value;
      if (fast.fraction != 0) value /= kExactPowers[fast.fraction];
      block->value[letter - 'A'] = value;
      continue;
    }
    NumberText number;
    const int read = ReadNumber(line, length, &i, &number);
    if (read == kBlockNoNumber && number.first < length && (line[number.first] == '#' || line[number.first] == '[')) {
      // A variable or an expression in place of the number: name what the check cannot read.
      return Fail(block, kBlockBadCharacter, line, length, number.first);
    }
    if (read != kBlockRead) return Fail(block, read, line, length, letterAt);
    if (letter == 'G' || letter == 'M') {
      const int added = AddCode(block, letter,
                                CodeValue(number.negative, number.exact, number.mantissa, number.fractionDigits, letter == 'G'));
      if (added != kBlockRead) return Fail(block, added, line, length, letterAt);
      present |= bit;
      continue;
    }
    if ((present & bit) != 0) return Fail(block, kBlockRepeatedWord, line, length, letterAt);
    present |= bit;
    if (number.point) hasPoint |= bit;
    block->value[letter - 'A'] = NumberValue(line, number);
  }
  block->present = present;
  block->hasPoint = hasPoint;
  return tapeMarkAt != length ? kBlockTapeMark : kBlockRead;
}

namespace {

// Motion and distance codes: how the block's own words are read.
bool IsReadingCode(int32_t code) {
  return code == GCode(0) || code == GCode(1) || code == GCode(2) || code == GCode(3) || code == GCode(90) ||
         code == GCode(91);
}

}  // namespace

uint64_t BlockSignature(const CheckBlock& block) {
  uint64_t signature = 0;
  bool others = block.mCount > 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!HasWord(block, letter) || letter == 'G' || letter == 'M' || letter == 'N' || letter == 'O') continue;
    signature += WordSignature(letter, block.value[letter - 'A'], (block.hasPoint & LetterBit(letter)) != 0);
    others = true;
  }
  for (int i = 0; i < block.gCount; ++i) others = others || !IsReadingCode(block.gCodes[i]);
  for (int i = 0; i < block.gCount; ++i) {
    if (!others || !IsReadingCode(block.gCodes[i])) signature += WordSignature('G', block.gCodes[i]);
  }
  for (int i = 0; i < block.mCount; ++i) signature += WordSignature('M', block.mCodes[i]);
  return signature;
}

uint64_t OffsetWriteSignature(const CheckBlock& block, double resolution) {
  uint64_t signature = WordSignature('G', GCode(10));
  for (char letter : {'L', 'P'}) {
    if (HasWord(block, letter)) signature += WordSignature(letter, WordValue(block, letter));
  }
  for (char letter : {'X', 'Y', 'Z', 'R'}) {
    if (!HasWord(block, letter)) continue;
    double value = WordValue(block, letter);
    if ((block.hasPoint & LetterBit(letter)) == 0) value *= resolution;
    signature += WordSignature(letter, value, true);
  }
  return signature;
}

bool RidingWords(const CheckBlock& block, CheckBlock* riding) {
  *riding = block;
  riding->present &= ~(LetterBit('X') | LetterBit('Y') | LetterBit('Z') | LetterBit('I') | LetterBit('J') |
                       LetterBit('K') | LetterBit('R') | LetterBit('F') | LetterBit('N') | LetterBit('O') |
                       LetterBit('G'));
  riding->gCount = 0;
  for (int i = 0; i < block.gCount; ++i) {
    const int32_t code = block.gCodes[i];
    if (IsReadingCode(code) || code == GCode(17) || code == GCode(18) || code == GCode(19)) continue;
    riding->gCodes[riding->gCount++] = code;
  }
  if (riding->gCount > 0) riding->present |= LetterBit('G');
  return riding->present != 0;
}
