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
  bool negative = false;
  bool point = false;
  int digits = 0;           // all digits read
  int fractionDigits = 0;   // digits after the "."
  uint64_t mantissa = 0;    // the digits as an integer while it stays exact
  bool exact = true;        // false once the mantissa passed 2^53
  char text[kMaxNumberDigits + 3];  // sign, digits and "." without blanks, for the slow path
  int textLength = 0;
};

// Reads the number that starts at `line[*at]` (after the address letter). Blanks between the
// letter, the sign and the digits are read over like the control does. Returns kBlockRead, or
// kBlockNoNumber when there is no digit, or kBlockBadNumber.
int ReadNumber(const char* line, size_t length, size_t* at, NumberText* number) {
  size_t i = *at;
  while (i < length && IsBlank(static_cast<unsigned char>(line[i]))) ++i;
  if (i < length && (line[i] == '+' || line[i] == '-')) {
    number->negative = line[i] == '-';
    if (number->negative) number->text[number->textLength++] = '-';
    ++i;
  }
  while (i < length) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (IsDigit(c)) {
      if (number->digits == kMaxNumberDigits) return kBlockBadNumber;
      ++number->digits;
      if (number->point) ++number->fractionDigits;
      if (number->mantissa >= (uint64_t{1} << 53) / 10) number->exact = false;
      number->mantissa = number->mantissa * 10 + (c - '0');
      number->text[number->textLength++] = static_cast<char>(c);
    } else if (c == '.') {
      if (number->point) return kBlockBadNumber;
      number->point = true;
      number->text[number->textLength++] = '.';
    } else if (!IsBlank(c)) {
      break;
    }
    ++i;
  }
  // Trailing blanks belong to no word; leave them for the caller.
  while (i > *at && IsBlank(static_cast<unsigned char>(line[i - 1]))) --i;
  *at = i;
  return number->digits == 0 ? kBlockNoNumber : kBlockRead;
}

// The value of the number, correctly rounded: a mantissa below 2^53 divided by an exact power of
// ten is one correctly rounded operation; anything longer goes through the system's converter.
double NumberValue(const NumberText& number) {
  double value;
  if (number.exact && number.fractionDigits <= 22) {
    value = static_cast<double>(number.mantissa) / kExactPowers[number.fractionDigits];
  } else {
    const size_t sign = number.negative ? 1 : 0;
    value = ParseNcReal(std::string_view(number.text + sign, number.textLength - sign));
  }
  if (value == 0.0) return 0.0;  // no negative zero
  return number.negative ? -value : value;
}

// A G code: at most one decimal, no sign. -1 when the number is no code.
int32_t CodeValue(const NumberText& number, bool allowTenth) {
  if (number.negative || !number.exact || number.mantissa > 99999) return -1;
  const auto mantissa = static_cast<int32_t>(number.mantissa);
  if (number.fractionDigits == 0) return allowTenth ? mantissa * 10 : mantissa;
  if (number.fractionDigits == 1 && allowTenth) return mantissa;
  return -1;
}

// One word's share of the block signature (a 64-bit mix of letter and value).
uint64_t WordSignature(char letter, double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  uint64_t h = bits ^ (static_cast<uint64_t>(letter) * 0x9E3779B97F4A7C15ull);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
}

int Fail(CheckBlock* block, int result, const char* line, size_t length, size_t at) {
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

}  // namespace

int ReadCheckBlock(const char* line, size_t length, CheckBlock* block) {
  block->present = 0;
  block->hasPoint = 0;
  block->gCount = 0;
  block->mCount = 0;
  block->signature = 0;
  block->errorColumn = 0;
  block->errorText[0] = '\0';

  size_t i = 0;
  while (i < length && IsBlank(static_cast<unsigned char>(line[i]))) ++i;
  if (i < length && line[i] == '%') return kBlockTapeMark;
  if (i < length && line[i] == '/') ++i;

  while (i < length) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == '\n') break;
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == '(') {
      // Only a ")" ends the comment; it can never be the second byte of a double-byte character.
      const void* close = std::memchr(line + i + 1, ')', length - i - 1);
      if (close == nullptr) break;
      i = static_cast<size_t>(static_cast<const char*>(close) - line) + 1;
      continue;
    }
    char letter;
    if (c >= 'A' && c <= 'Z') {
      letter = static_cast<char>(c);
    } else if (c >= 'a' && c <= 'z') {
      letter = static_cast<char>(c - 'a' + 'A');
    } else if (c == ':') {
      letter = 'O';
    } else {
      return Fail(block, kBlockBadCharacter, line, length, i);
    }
    const size_t letterAt = i;
    ++i;
    NumberText number;
    const int read = ReadNumber(line, length, &i, &number);
    if (read != kBlockRead) return Fail(block, read, line, length, letterAt);
    const uint32_t bit = LetterBit(letter);
    if (letter == 'G' || letter == 'M') {
      const int32_t code = CodeValue(number, letter == 'G');
      if (code < 0) return Fail(block, kBlockBadNumber, line, length, letterAt);
      if (letter == 'G') {
        if (block->gCount == kMaxBlockGCodes) return Fail(block, kBlockTooManyCodes, line, length, letterAt);
        block->gCodes[block->gCount++] = code;
      } else {
        if (block->mCount == kMaxBlockMCodes) return Fail(block, kBlockTooManyCodes, line, length, letterAt);
        block->mCodes[block->mCount++] = code;
      }
      block->present |= bit;
      block->signature += WordSignature(letter, code);
      continue;
    }
    if ((block->present & bit) != 0) return Fail(block, kBlockRepeatedWord, line, length, letterAt);
    const double value = NumberValue(number);
    block->present |= bit;
    if (number.point) block->hasPoint |= bit;
    block->value[letter - 'A'] = value;
    if (letter != 'N' && letter != 'O') block->signature += WordSignature(letter, value);
  }
  return kBlockRead;
}
