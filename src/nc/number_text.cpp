#include "nc/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The shape of a decimal number found at the start of a text: where it ends, and enough about
// its digits to tell an overflow from an underflow when the conversion reports "out of range".
struct DecimalShape {
  size_t length = 0;         // 0: no number
  long significantExponent;  // decimal exponent of the first non-zero digit (LONG_MIN: all zero)
};

// Scans optional "-", digits, optional "." and digits, and (when `withExponent`) an exponent.
// `text` starts at the sign (a "+" has already been skipped by the caller).
DecimalShape ScanDecimal(std::string_view text, bool withExponent) {
  DecimalShape shape;
  size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  size_t digits = 0;
  long integerDigits = 0;     // integer digits from the first non-zero one
  long leadingFraction = 0;   // zeros after the point before the first non-zero digit
  bool seenNonZero = false;
  while (i < text.size() && IsDigit(text[i])) {
    if (text[i] != '0') seenNonZero = true;
    if (seenNonZero) ++integerDigits;
    ++digits;
    ++i;
  }
  bool fractionNonZero = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      if (!seenNonZero && !fractionNonZero) {
        if (text[i] == '0') {
          ++leadingFraction;
        } else {
          fractionNonZero = true;
        }
      }
      ++digits;
      ++i;
    }
  }
  if (digits == 0) return shape;
  shape.length = i;
  long exponent = 0;
  if (withExponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool negative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negative = text[j] == '-';
      ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) {
        if (exponent < 100000000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
      }
      if (negative) exponent = -exponent;
      shape.length = j;
    }
  }
  if (seenNonZero) {
    shape.significantExponent = integerDigits - 1 + exponent;
  } else if (fractionNonZero) {
    shape.significantExponent = -(leadingFraction + 1) + exponent;
  } else {
    shape.significantExponent = LONG_MIN;
  }
  return shape;
}

// Converts exactly the characters of `shape` (std::from_chars rounds correctly and ignores the
// locale). Out of range: `overflow` tells the caller which way.
double ConvertShape(std::string_view text, const DecimalShape& shape, bool withExponent,
                    bool* overflow) {
  *overflow = false;
  double value = 0.0;
  const char* first = text.data();
  const char* last = first + shape.length;
  std::chars_format format = withExponent ? std::chars_format::general : std::chars_format::fixed;
  std::from_chars_result r = std::from_chars(first, last, value, format);
  if (r.ec == std::errc::result_out_of_range) {
    *overflow = shape.significantExponent != LONG_MIN && shape.significantExponent > 0;
    bool negative = text[0] == '-';
    return negative ? -0.0 : 0.0;
  }
  if (r.ec != std::errc()) return 0.0;
  return value;
}

int SaturatedDigits(std::string_view text, size_t i, bool negative) {
  long long value = 0;
  bool saturated = false;
  while (i < text.size() && IsDigit(text[i])) {
    if (!saturated) {
      value = value * 10 + (text[i] - '0');
      if (value > static_cast<long long>(INT_MAX) + 1) saturated = true;
    }
    ++i;
  }
  if (negative) {
    value = -value;
    return saturated || value < INT_MIN ? INT_MIN : static_cast<int>(value);
  }
  return saturated || value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

double ParseStandardDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool plus = false;
  if (i < text.size() && text[i] == '+') {
    plus = true;
    ++i;
  }
  std::string_view rest = text.substr(i);
  if (plus && !rest.empty() && rest[0] == '-') return 0.0;  // "+-1" is no number
  DecimalShape shape = ScanDecimal(rest, true);
  if (shape.length == 0) return 0.0;
  bool overflow = false;
  double value = ConvertShape(rest, shape, true, &overflow);
  if (overflow) return rest[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  return value;
}

bool IsBlankText(std::string_view text) {
  for (char c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

bool ParseWholeNumber(std::string_view text, double* value) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  std::string_view number = text.substr(begin, end - begin);
  if (number.empty()) return false;
  size_t i = 0;
  bool plus = number[0] == '+';
  if (plus) ++i;
  std::string_view rest = number.substr(i);
  if (!rest.empty() && (rest[0] == '+' || (plus && rest[0] == '-'))) return false;
  DecimalShape shape = ScanDecimal(rest, true);
  if (shape.length == 0 || shape.length != rest.size()) return false;
  bool overflow = false;
  double v = ConvertShape(rest, shape, true, &overflow);
  if (overflow || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

int ParseStandardInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return SaturatedDigits(text, i, negative);
}

size_t NcRealRunLength(const char* text) {
  size_t n = 0;
  while (IsDigit(text[n]) || text[n] == '.' || text[n] == '-') ++n;
  return n;
}

size_t NcIntegerRunLength(const char* text) {
  size_t n = 0;
  while (IsDigit(text[n]) || text[n] == '-') ++n;
  return n;
}

double ParseNcReal(std::string_view run) {
  DecimalShape shape = ScanDecimal(run, false);
  if (shape.length == 0) return 0.0;
  bool overflow = false;
  double value = ConvertShape(run, shape, false, &overflow);
  if (overflow) return 0.0;
  return value;
}

int ParseNcInteger(std::string_view run) {
  bool negative = !run.empty() && run[0] == '-';
  return SaturatedDigits(run, negative ? 1 : 0, negative);
}
