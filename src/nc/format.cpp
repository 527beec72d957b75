// The number formatter's public functions: the fast path for the values of an NC program, the
// slow path (format_slow.cpp) for everything the fast path cannot prove.
#include "nc/format.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>

#include "nc/digits.h"
#include "nc/format_paths.h"

// Why the fast path writes the same whole number as the 17-digit rule
// ---------------------------------------------------------------------
// Let w >= 0 be the double to scale, d the decimals (0..3), t = w x 10^d the exact real number,
// and y = D17(w) x 10^d, where D17(w) is w's decimal expansion rounded to 17 significant digits.
// The slow path writes floor(y + 1/2) when it rounds (its test "the first dropped digit is 5 or
// more" is "the fraction of y is 1/2 or more") and floor(y) when it cuts.
//
// 1. Tiny values. w < 2^-11 gives t < 2^-11 x 1000 = 0.48828125, and D17 moves w by less than a
//    part in 10^16, so y < 1/2: both results are 0.
// 2. Error bound. With 10^E <= w < 10^(E+1) the 17th significant digit weighs 10^(E-16), and a
//    correct rounding to 17 digits (std::to_chars rounds correctly, as printf must up to 17
//    digits) moves w by at most half of that, also when it carries into the next power of ten
//    and whatever its tie rule: |y - t| <= 0.5 x 10^(E+d-16). The fast path takes only
//    t < 2^30 < 10^10, where E + d <= 9, so |y - t| <= 5 x 10^-8 < 2^-23 (about 1.19 x 10^-7).
// 3. Exact arithmetic. A normal double w (every w >= 2^-11 is one) is m x 2^-s with the
//    integer 2^52 <= m < 2^53 and s = 1075 minus its exponent field. Then
//    m x 10^d < 2^53 x 2^10 = 2^63 fits in 64 bits, q = floor(t) is (m x 10^d) >> s and the
//    fraction of t is r / 2^s with r the low s bits. For 2^-11 <= w < 2^30, 23 <= s <= 63, so
//    every shift below stays inside 64 bits and 2^(s-23) is at least 1.
// 4. Rounding. If the fraction of t is below 1/2 - 2^-23, y lies in (q - 2^-23, q + 1/2) by 2.,
//    and floor(y + 1/2) = q. If it is above 1/2 + 2^-23, y lies in (q + 1/2, q + 1 + 2^-23) and
//    floor(y + 1/2) = q + 1. If it is exactly 1/2, w = (2q + 1) / (2 x 10^d) is a decimal of at
//    most 11 significant digits (2q + 1 < 2^31), so D17(w) = w, y = t, and the tie goes up to
//    q + 1. Anything else lies within 2^-23 of the tie and goes to the slow path.
// 5. Cutting. If the fraction of t lies strictly between 2^-23 and 1 - 2^-23, y lies in
//    (q, q + 1) and floor(y) = q. If it is 0, w = q / 10^d has at most 10 significant digits,
//    so y = t = q. Anything else lies within 2^-23 of an integer and goes to the slow path.
// 6. The coordinate and thousandths forms expand the double product |value x 1000| (not the
//    exact product) and round it to a whole number: that is d = 0 applied to the same product,
//    computed here by the same expression, and plain IEEE double arithmetic on every target.
//
// The words of a program have at most a few decimals, so their t lies within 10^-6 of a whole
// number of thousandths and far from every tie: the slow path is left to computed values that
// happen to fall next to a tie, to values of 2^30 thousandths and more, and to cuts of values
// whose binary form lies just below a whole number of thousandths (0.3 is 0.29999999999999999).

namespace {

constexpr int kFastDecimals = 3;
constexpr uint64_t kPowersOfTen[kFastDecimals + 1] = {1, 10, 100, 1000};
constexpr int kWindowBits = 23;                      // the 2^-23 distance of 4. and 5.
constexpr uint64_t kWholeLimit = uint64_t{1} << 30;  // t < 2^30 of 2.
constexpr double kScaleMaximum = 0x1p30;             // w < 2^30 of 3.
constexpr double kScaleTiny = 0x1p-11;               // w < 2^-11 of 1.
constexpr int kExponentBias = 1075;                  // 1023 + 52: w = m x 2^(field - 1075)
constexpr uint64_t kHiddenBit = uint64_t{1} << 52;

// Buffer for the texts the fast path writes: the sign, ten digits, the point and three decimals.
constexpr size_t kFastTextSize = 24;
// The coordinate text of any finite double ("-", 309 digits, ".", 3 decimals) with room to spare.
constexpr size_t kAnyCoordinateTextSize = 340;

// Writes `whole` as a fixed text with `decimals` (0..3) decimals: 123456 with 3 -> "123.456",
// 5 with 3 -> "0.005", 7 with 0 -> "7". Ends just before `end`; returns where it starts.
char* WriteFixedBackward(uint32_t whole, int decimals, char* end) {
  if (decimals > 0) {
    const uint32_t scale = static_cast<uint32_t>(kPowersOfTen[decimals]);
    uint32_t fraction = whole % scale;
    whole /= scale;
    for (int i = 0; i < decimals; ++i) {
      *--end = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    *--end = '.';
  }
  return WriteDigitsBackward(whole, end);
}

// Writes `pad` spaces and then `text` into `out`, keeping what fits in `out.size() - 1` bytes and
// terminating when `out` is not empty. Returns the length of the whole text, as snprintf does.
int PutBounded(std::span<char> out, size_t pad, std::string_view text) {
  if (!out.empty()) {
    size_t room = out.size() - 1;
    size_t spaces = pad < room ? pad : room;
    std::memset(out.data(), ' ', spaces);
    size_t kept = text.size() < room - spaces ? text.size() : room - spaces;
    std::memcpy(out.data() + spaces, text.data(), kept);
    out[spaces + kept] = '\0';
  }
  return static_cast<int>(pad + text.size());
}

std::string_view TextBetween(const char* start, const char* end) {
  return std::string_view(start, static_cast<size_t>(end - start));
}

}  // namespace

bool ScaledInteger(double magnitude, int decimals, ScaleCut cut, uint32_t* whole) {
  if (decimals < 0 || decimals > kFastDecimals) return false;
  // Written so that NaN fails too.
  if (!(magnitude >= 0.0 && magnitude < kScaleMaximum)) return false;
  if (magnitude < kScaleTiny) {
    *whole = 0;
    return true;
  }
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const int shift = kExponentBias - static_cast<int>(bits >> 52);  // 23..63
  const uint64_t mantissa = (bits & (kHiddenBit - 1)) | kHiddenBit;
  const uint64_t scaled = mantissa * kPowersOfTen[decimals];
  const uint64_t integer = scaled >> shift;
  if (integer >= kWholeLimit) return false;
  const uint64_t fraction = scaled & ((uint64_t{1} << shift) - 1);
  const uint64_t window = uint64_t{1} << (shift - kWindowBits);
  const uint64_t half = uint64_t{1} << (shift - 1);
  uint64_t result = integer;
  if (cut == ScaleCut::kRoundHalfAway) {
    if (fraction == half) {
      result = integer + 1;
    } else if (fraction > half) {
      if (fraction - half <= window) return false;
      result = integer + 1;
    } else if (half - fraction <= window) {
      return false;
    }
  } else if (fraction != 0 && (fraction <= window || fraction >= (uint64_t{1} << shift) - window)) {
    return false;
  }
  *whole = static_cast<uint32_t>(result);
  return true;
}

int FormatCoordinate(double value, std::span<char> out) {
  if (value > -0.0005 && value < 0.0005) return PutBounded(out, 0, "0.");
  uint32_t thousandths = 0;
  if (!ScaledInteger(std::fabs(value * 1000.0), 0, ScaleCut::kRoundHalfAway, &thousandths) ||
      thousandths == 0) {
    return FormatCoordinateSlow(value, out);
  }
  char text[kFastTextSize];
  char* end = text + sizeof text;
  char* start = end;
  uint32_t decimals = thousandths % 1000;
  if (decimals != 0) {
    int kept = 3;
    while (decimals % 10 == 0) {
      decimals /= 10;
      --kept;
    }
    while (kept-- > 0) {
      *--start = static_cast<char>('0' + decimals % 10);
      decimals /= 10;
    }
  }
  *--start = '.';
  start = WriteDigitsBackward(thousandths / 1000, start);
  if (value < 0) *--start = '-';
  return PutBounded(out, 0, TextBetween(start, end));
}

int FormatFixed(double value, std::span<char> out, int decimals) {
  uint32_t whole = 0;
  if (!ScaledInteger(std::fabs(value), decimals, ScaleCut::kTruncate, &whole)) {
    return FormatFixedSlow(value, out, decimals);
  }
  char text[kFastTextSize];
  char* end = text + sizeof text;
  char* start = WriteFixedBackward(whole, decimals, end);
  if (value < 0) *--start = '-';
  return PutBounded(out, 0, TextBetween(start, end));
}

int FormatRounded(double value, std::span<char> out, int decimals, int width) {
  uint32_t whole = 0;
  if (!ScaledInteger(std::fabs(value), decimals, ScaleCut::kRoundHalfAway, &whole)) {
    return FormatRoundedSlow(value, out, decimals, width);
  }
  char text[kFastTextSize];
  char* end = text + sizeof text;
  char* start = WriteFixedBackward(whole, decimals, end);
  if (value < 0) *--start = '-';
  size_t length = static_cast<size_t>(end - start);
  size_t padWidth = width > 0 ? static_cast<size_t>(width) : 0;
  return PutBounded(out, padWidth > length ? padWidth - length : 0, TextBetween(start, end));
}

int FormatThousandths(char letter, double value, std::span<char> out) {
  uint32_t thousandths = 0;
  if (!ScaledInteger(std::fabs(value * 1000.0), 0, ScaleCut::kRoundHalfAway, &thousandths)) {
    return FormatThousandthsSlow(letter, value, out);
  }
  char text[kFastTextSize];
  char* end = text + sizeof text;
  char* start = WriteDigitsBackward(thousandths, end);
  if (value < 0) *--start = '-';
  *--start = letter;
  return PutBounded(out, 0, TextBetween(start, end));
}

int FormatAxisWord(char letter, double value, int decimalSetting, std::span<char> out) {
  if (decimalSetting == 0) return FormatThousandths(letter, value, out);
  char text[kAnyCoordinateTextSize];
  text[0] = letter;
  int length = FormatCoordinate(value, std::span<char>(text + 1, sizeof text - 1));
  return PutBounded(out, 0, std::string_view(text, static_cast<size_t>(length) + 1));
}

int FormatInchAxisWord(char letter, double value, int decimalSetting, std::span<char> out) {
  char text[kAnyCoordinateTextSize + 8];
  text[0] = letter;
  const std::span<char> digits(text + 1, sizeof text - 1);
  if (decimalSetting == 0) {
    const int length = FormatRounded(value * 10000.0, digits, 0);
    if (length < 0 || static_cast<size_t>(length) >= digits.size()) return PutBounded(out, 0, "");
    return PutBounded(out, 0, std::string_view(text, static_cast<size_t>(length) + 1));
  }
  if (value > -0.00005 && value < 0.00005) {
    text[1] = '0';
    text[2] = '.';
    return PutBounded(out, 0, std::string_view(text, 3));
  }
  const int length = FormatRounded(value, digits, 4);
  if (length < 0 || static_cast<size_t>(length) >= digits.size()) return PutBounded(out, 0, "");
  size_t end = static_cast<size_t>(length) + 1;
  while (text[end - 1] == '0') --end;  // "12.5000" -> "12.5", "100.0000" -> "100."
  return PutBounded(out, 0, std::string_view(text, end));
}

bool RoundToWhole(double value, int decimals, int64_t* count) {
  uint32_t whole = 0;
  if (ScaledInteger(std::fabs(value), decimals, ScaleCut::kRoundHalfAway, &whole)) {
    *count = value < 0 ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole);
    return true;
  }
  // The rounded text's digits, read back.
  char text[kAnyCoordinateTextSize];
  const int length = FormatRounded(value, text, decimals);
  if (length <= 0 || length >= static_cast<int>(sizeof text)) return false;
  int64_t v = 0;
  int digits = 0;
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 18) return false;
      v = v * 10 + (c - '0');
    } else if (c != '-' && c != '.') {
      return false;  // "inf", "nan"
    }
  }
  *count = text[0] == '-' ? -v : v;
  return true;
}
