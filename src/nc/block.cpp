#include "nc/block.h"

#include <cstring>
#include <string_view>

#include "nc/number_text.h"
#include "platform/text_encoding.h"

namespace {

// What a byte outside a comment can be.
enum CharClass : uint8_t {
  kOther = 0,   // belongs to no word: the block is unreadable
  kSpace,       // blank, tab, line end: separates nothing, is ignored
  kLetter,      // an address letter (either case)
  kIgnored,     // "%", ":", "/": no word, no problem
  kOpen,        // "("
  kSemicolon,   // ";"
  kMacro,       // "#", "["
  kLead,        // a Shift-JIS lead byte
  kNul,         // a NUL byte inside the line: ends it
};

struct ClassTable {
  CharClass at[256];
  constexpr ClassTable() : at() {
    for (int c = 0; c < 256; ++c) at[c] = kOther;
    at[static_cast<unsigned char>(' ')] = kSpace;
    at[static_cast<unsigned char>('\t')] = kSpace;
    at[static_cast<unsigned char>('\r')] = kSpace;
    at[static_cast<unsigned char>('\n')] = kSpace;
    for (int c = 'A'; c <= 'Z'; ++c) at[c] = kLetter;
    for (int c = 'a'; c <= 'z'; ++c) at[c] = kLetter;
    at[static_cast<unsigned char>('%')] = kIgnored;
    at[static_cast<unsigned char>(':')] = kLetter;  // ":0097" is the program number O0097
    at[static_cast<unsigned char>('/')] = kIgnored;
    at[static_cast<unsigned char>('(')] = kOpen;
    at[static_cast<unsigned char>(';')] = kSemicolon;
    at[static_cast<unsigned char>('#')] = kMacro;
    at[static_cast<unsigned char>('[')] = kMacro;
    at[0x1A] = kSpace;  // a Ctrl-Z left in a line by an old editor
    for (int c = 0x81; c <= 0x9F; ++c) at[c] = kLead;
    for (int c = 0xE0; c <= 0xFC; ++c) at[c] = kLead;
    at[0] = kNul;
  }
};
constexpr ClassTable kClass;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Skips a comment that opens at line[at] == '('; returns the index after its matching ")" or the
// length of the line when it does not close. Double-byte characters inside are skipped whole, so
// their second byte is never taken for a parenthesis.
size_t SkipComment(const char* line, size_t length, size_t at) {
  int depth = 0;
  size_t i = at;
  while (i < length) {
    auto c = static_cast<unsigned char>(line[i]);
    if (c == 0) return length;
    if (platform::IsLeadByte(c) && i + 1 < length &&
        platform::IsTrailByte(static_cast<unsigned char>(line[i + 1]))) {
      i += 2;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i + 1;
    ++i;
  }
  return length;
}

// Read over by ReadShortNumber: the number is one for ReadLongNumber.
constexpr size_t kLongNumber = ~size_t{0};

// The usual number at line[i] (after the sign; `negative` when it was "-"): at most 15 digits
// with at most one point, read in one sweep. Its digits (leading zeros included) make an exact
// integer, and its value is that integer divided by the power of ten of its decimals. Writes the
// word's value fields and returns the index after the number; 0 when it goes on in a way no
// number does; kLongNumber, writing nothing, when it has no digit or more than 15.
size_t ReadShortNumber(const char* line, size_t length, size_t i, bool negative, BlockWord* word) {
  uint64_t whole = 0;
  size_t j = i;
  while (j < length && IsDigit(line[j])) whole = whole * 10 + static_cast<uint64_t>(line[j++] - '0');
  const size_t wholeDigits = j - i;
  uint64_t all = whole;
  uint64_t fraction = 0;
  bool hasPoint = false;
  size_t decimals = 0;
  if (j < length && line[j] == '.') {
    hasPoint = true;
    const size_t afterPoint = ++j;
    while (j < length && IsDigit(line[j])) {
      const auto d = static_cast<uint64_t>(line[j++] - '0');
      all = all * 10 + d;
      fraction |= d;
    }
    decimals = j - afterPoint;
  }
  const size_t digits = wholeDigits + decimals;
  if (digits > 0 && digits <= 15) {
    // A number that goes on in a way no number does: "1.2.3", "1-2", "1+2".
    if (j < length && (line[j] == '.' || line[j] == '-' || line[j] == '+')) return 0;
    double value = static_cast<double>(all) / kExactPowers[decimals];
    if (negative) value = -value;
    word->value = value;
    word->hasPoint = hasPoint;
    word->integral = fraction == 0;
    const int32_t code = static_cast<int32_t>(whole > 999999 ? 999999 : whole);
    word->code = negative ? -code : code;
    return j;
  }
  return kLongNumber;
}

// Any other number at line[i] (after the sign; `negative` when it was "-"): up to 18 significant
// digits go into an exact mantissa, longer ones through ParseNcReal. Writes the word's value
// fields and returns the index after the number, or 0 when there is none there. Rare: kept out of
// line, so that the reader's usual path stays as short as it was in one piece.
[[gnu::noinline]] size_t ReadLongNumber(const char* line, size_t length, size_t i, bool negative, BlockWord* word) {
  const size_t digitsStart = i;
  uint64_t mantissa = 0;
  int significant = 0;       // digits taken into the mantissa (leading zeros excluded)
  int fractionDigits = 0;    // digits after the point that went into the mantissa
  bool overflowDigits = false;
  bool point = false;
  bool fractionNonZero = false;
  int64_t integerPart = 0;
  int digits = 0;
  for (; i < length; ++i) {
    char c = line[i];
    if (IsDigit(c)) {
      ++digits;
      int d = c - '0';
      if (!point && integerPart < 1000000) integerPart = integerPart * 10 + d;
      if (point && d != 0) fractionNonZero = true;
      if (mantissa == 0 && d == 0) {
        if (point) ++fractionDigits;
        continue;
      }
      if (significant < 18) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(d);
        ++significant;
        if (point) ++fractionDigits;
      } else {
        overflowDigits = true;
        if (!point) {
          // Digits beyond the mantissa's reach: the slow conversion below handles them.
        }
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return 0;
  // A number that goes on in a way no number does: "1.2.3", "1-2", "1+2".
  if (i < length && (line[i] == '.' || line[i] == '-' || line[i] == '+')) return 0;

  double value;
  if (!overflowDigits && mantissa < (uint64_t{1} << 53) && fractionDigits <= 22) {
    // Both the mantissa and the power of ten are exact doubles, so one division rounds correctly.
    value = static_cast<double>(mantissa) / kExactPowers[fractionDigits];
  } else {
    value = ParseNcReal(std::string_view(line + digitsStart, i - digitsStart));
  }
  if (negative) value = -value;
  word->value = value;
  word->hasPoint = point;
  word->integral = !fractionNonZero;
  int32_t code = static_cast<int32_t>(integerPart > 999999 ? 999999 : integerPart);
  word->code = negative ? -code : code;
  return i;
}

// Reads the number after a letter: line[i] is the first byte after the letter. Writes the word's
// value fields and returns the index after the number, or 0 when there is no number there.
size_t ReadNumber(const char* line, size_t length, size_t i, BlockWord* word) {
  while (i < length && (line[i] == ' ' || line[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  const size_t end = ReadShortNumber(line, length, i, negative, word);
  if (end != kLongNumber) return end;
  return ReadLongNumber(line, length, i, negative, word);
}

}  // namespace

bool Block::HasCode(char letter, int code) const {
  if (!Has(letter)) return false;
  for (int w = first[letter - 'A'] - 1; w < wordCount; ++w) {
    const BlockWord& word = words[w];
    if (word.letter == letter && word.integral && word.code == code) return true;
  }
  return false;
}

int ReadBlock(const char* line, size_t length, Block* block) {
  block->result = kBlockReadable;
  block->problemAt = -1;
  block->wordCount = 0;
  block->hasComment = false;
  block->blockDelete = false;
  block->tapeMark = false;
  block->letters = 0;
  std::memset(block->first, 0, sizeof block->first);

  auto fail = [block](int result, size_t at) {
    block->result = result;
    block->problemAt = static_cast<int>(at);
    return result;
  };

  bool seenWord = false;
  bool seenOther = false;  // anything but blanks before line[i]
  size_t tapeMarkAt = 0;
  size_t i = 0;
  while (i < length) {
    auto c = static_cast<unsigned char>(line[i]);
    const bool first = !seenOther;
    if (kClass.at[c] != kSpace) seenOther = true;
    switch (kClass.at[c]) {
      case kSpace:
        ++i;
        continue;
      case kNul:
        return kBlockReadable;
      case kIgnored:
        if (c == '/' && block->tapeMark) return fail(kBlockBadCharacter, i);
        if (c == '/' && !seenWord) {
          block->blockDelete = true;
          // Numbered block delete ("/1" .. "/9") is block delete too: its number is no word.
          if (i + 1 < length && line[i + 1] >= '1' && line[i + 1] <= '9') ++i;
        }
        if (c == '%') {
          // The tape mark begins a line of its own: a control reads words beside it one way
          // or another (or not at all), and the pieces must not depend on which. Only the
          // program number may share its line.
          if (!first) return fail(kBlockBadCharacter, i);
          block->tapeMark = true;
          tapeMarkAt = i;
        }
        ++i;
        continue;
      case kOpen:
        block->hasComment = true;
        i = SkipComment(line, length, i);
        continue;
      case kSemicolon:
        block->hasComment = true;
        return kBlockReadable;
      case kMacro:
        return fail(kBlockMacro, i);
      case kLead:
        return fail(kBlockFullWidth, i);
      case kOther:
        return fail(kBlockBadCharacter, i);
      case kLetter:
        break;
    }
    // Beside the tape mark only the program number may stand ("%O0003(PART NAME)").
    if (block->tapeMark && (block->wordCount > 0 || (c != 'O' && c != 'o' && c != ':'))) {
      return fail(kBlockBadCharacter, tapeMarkAt);
    }
    if (block->wordCount == kMaxBlockWords) return fail(kBlockTooManyWords, i);
    BlockWord& word = block->words[block->wordCount];
    word.letter = static_cast<char>(c == ':' ? 'O' : c >= 'a' ? c - ('a' - 'A') : c);
    word.at = static_cast<uint16_t>(i);
    size_t end = ReadNumber(line, length, i + 1, &word);
    if (end == 0) {
      // "X[1+2]", "X#5": a macro statement rather than a word without its number.
      size_t next = i + 1;
      while (next < length && (line[next] == ' ' || line[next] == '\t')) ++next;
      if (next < length && kClass.at[static_cast<unsigned char>(line[next])] == kMacro) {
        return fail(kBlockMacro, next);
      }
      return fail(kBlockNoNumber, i);
    }
    word.end = static_cast<uint16_t>(end);
    int slot = word.letter - 'A';
    if (block->first[slot] != 0 && word.letter != 'G' && word.letter != 'M') return fail(kBlockRepeatedWord, i);
    if (block->first[slot] == 0) block->first[slot] = static_cast<uint8_t>(block->wordCount + 1);
    block->letters |= 1u << slot;
    ++block->wordCount;
    seenWord = true;
    i = end;
  }
  return kBlockReadable;
}

bool AppendCanonicalWord(const char* line, const BlockWord& word, char* out, size_t size, size_t* used) {
  auto put = [&](char c) {
    if (*used + 1 >= size) return false;
    out[(*used)++] = c;
    return true;
  };
  if (!put(word.letter)) return false;
  for (size_t i = word.at + 1u; i < word.end; ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '+') continue;
    if (!put(c)) return false;
  }
  out[*used] = '\0';
  return true;
}

int CanonicalBlockText(const char* line, size_t length, const Block& block, char* out, size_t size) {
  if (size == 0) return -1;
  size_t used = 0;
  size_t from = 0;
  out[0] = '\0';
  auto copy = [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      if (used + 1 >= size) return false;
      out[used++] = line[i];
    }
    out[used] = '\0';
    return true;
  };
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (!copy(from, word.at) || !AppendCanonicalWord(line, word, out, size, &used)) return -1;
    from = word.end;
  }
  // The rest of the line: comments and blanks; its line end is not part of the block.
  size_t end = length;
  if (end > from && line[end - 1] == '\n') --end;
  if (!copy(from, end)) return -1;
  return static_cast<int>(used);
}

namespace {

bool IsCycleCode(int code) { return code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89); }

// True for the G codes a move record or a hole record stands for by itself.
bool IsMoveOwnCode(const BlockWord& word, bool cycle) {
  if (!word.integral) return false;
  const int code = word.code;
  if ((code >= 0 && code <= 3) || (code >= 17 && code <= 19) || code == 90 || code == 91) return true;
  return cycle && (IsCycleCode(code) || code == 98 || code == 99);
}

}  // namespace

bool RidingWords(const char* line, const Block& block, bool cycle, char* out, size_t size) {
  size_t used = 0;
  if (size == 0) return false;
  out[0] = '\0';
  // Most lines of a program are a move's own words alone: nothing rides on them.
  constexpr uint32_t kMoveOwn = (1u << ('N' - 'A')) | (1u << ('O' - 'A')) | (1u << ('X' - 'A')) |
                                (1u << ('Y' - 'A')) | (1u << ('Z' - 'A')) | (1u << ('F' - 'A')) |
                                (1u << ('I' - 'A')) | (1u << ('J' - 'A')) | (1u << ('K' - 'A')) |
                                (1u << ('R' - 'A'));
  if ((block.letters & ~kMoveOwn) == 0) return true;
  for (int pass = 0; pass < 2; ++pass) {
    for (int w = 0; w < block.wordCount; ++w) {
      const BlockWord& word = block.words[w];
      if ((word.letter == 'G') != (pass == 0)) continue;
      // The move's own; in a cycle the R level, the shift and the repeats K.
      if ((kMoveOwn >> (word.letter - 'A')) & 1u) continue;
      switch (word.letter) {
        case 'Q': case 'P': case 'L':
          if (cycle) continue;  // the cycle's own words, and its repeats (holes of their own)
          break;
        case 'G':
          if (IsMoveOwnCode(word, cycle)) continue;
          break;
        default:
          break;
      }
      if (!AppendCanonicalWord(line, word, out, size, &used)) return false;
    }
  }
  return true;
}
