// The formatter's slow path: the 17-digit rule carried out digit by digit on the expansion that
// std::to_chars gives. It handles every double and is the reference that the fast path in
// format.cpp must match byte for byte.
#include "nc/format_paths.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

constexpr int kSignificantDigits = 17;
constexpr int kMaxDecimals = 20;
// Integer digits of the largest double in thousandths (309 + 3) plus the decimals and a carry.
constexpr int kDigitCapacity = 312 + kMaxDecimals + 2;

// A finite value's magnitude as its decimal expansion rounded to 17 significant digits:
// magnitude = 0.d1 d2 ... d17 x 10^pointPosition. Zero has all digits 0 and pointPosition 1.
struct Expansion {
  char digits[kSignificantDigits];  // '0'..'9'
  int pointPosition;                // digits before the decimal point (may be 0 or negative)
};

Expansion Expand(double magnitude) {
  // std::to_chars with scientific precision 16 yields exactly 17 significant digits, correctly
  // rounded: "d.dddddddddddddddde+XX".
  char text[40];
  std::to_chars_result r =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 16);
  Expansion e{};
  const char* p = text;
  int count = 0;
  while (p < r.ptr && *p != 'e') {
    if (*p >= '0' && *p <= '9' && count < kSignificantDigits) e.digits[count++] = *p;
    ++p;
  }
  while (count < kSignificantDigits) e.digits[count++] = '0';
  int exponent = 0;
  if (p < r.ptr) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, exponent);
  e.pointPosition = magnitude == 0.0 ? 1 : exponent + 1;
  return e;
}

// The expansion of |value| x 1000, the thousandths that the coordinate forms round. For the few
// doubles whose product overflows, the value's own digits shifted by three places.
Expansion ExpandThousandths(double value) {
  double product = std::fabs(value * 1000.0);
  if (std::isfinite(product)) return Expand(product);
  Expansion e = Expand(std::fabs(value));
  e.pointPosition += 3;
  return e;
}

// Digit of the expansion at decimal place `place` (1 = first decimal, 0 = ones, -1 = tens, ...).
char DigitAt(const Expansion& e, int place) {
  int index = e.pointPosition + place - 1;
  return index >= 0 && index < kSignificantDigits ? e.digits[index] : '0';
}

// Writes the unsigned fixed text of `e` with `decimals` decimals ("123.450", "0.05", "7") into
// `text`, rounding half away from zero on the expansion when `round`, cutting otherwise.
// Returns its length.
int FixedDigits(const Expansion& e, int decimals, bool round, char (&text)[kDigitCapacity + 2]) {
  int integerCount = e.pointPosition > 1 ? e.pointPosition : 1;
  int total = integerCount + decimals;
  char digits[kDigitCapacity];  // digits[0] takes a carry out of the first digit
  digits[0] = '0';
  for (int i = 0; i < total; ++i) digits[i + 1] = DigitAt(e, i - integerCount + 1);
  if (round && DigitAt(e, decimals + 1) >= '5') {
    int i = total;
    while (digits[i] == '9') digits[i--] = '0';
    ++digits[i];
  }
  int length = 0;
  int first = digits[0] == '0' ? 1 : 0;
  for (int i = first; i <= integerCount; ++i) text[length++] = digits[i];
  if (decimals > 0) {
    text[length++] = '.';
    for (int i = integerCount + 1; i <= total; ++i) text[length++] = digits[i];
  }
  text[length] = '\0';
  return length;
}

// Size-bound writer: keeps what fits, counts everything, terminates.
class BoundedText {
 public:
  explicit BoundedText(std::span<char> out) : out_(out) {}
  void Put(char c) {
    if (length_ + 1 < out_.size()) out_[length_] = c;
    ++length_;
  }
  void Put(std::string_view s) {
    for (char c : s) Put(c);
  }
  void Pad(size_t width, size_t textLength) {
    for (size_t i = textLength; i < width; ++i) Put(' ');
  }
  int Finish() {
    if (!out_.empty()) out_[length_ < out_.size() ? length_ : out_.size() - 1] = '\0';
    return static_cast<int>(length_);
  }

 private:
  std::span<char> out_;
  size_t length_ = 0;
};

std::string_view NonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return value < 0 ? "-inf" : "inf";
}

int Refuse(std::span<char> out) {
  if (!out.empty()) out[0] = '\0';
  return -1;
}

}  // namespace

int FormatCoordinateSlow(double value, std::span<char> out) {
  BoundedText text(out);
  if (!std::isfinite(value)) {
    text.Put(NonFiniteText(value));
    return text.Finish();
  }
  if (value > -0.0005 && value < 0.0005) {
    text.Put("0.");
    return text.Finish();
  }
  // Thousandths as a whole number, rounded half away from zero on the product's expansion.
  char digits[kDigitCapacity + 2];
  int length = FixedDigits(ExpandThousandths(value), 0, true, digits);
  std::string_view thousandths(digits, length);
  if (thousandths == "0") {  // cannot happen outside the zero window; keeps "-0." out
    text.Put("0.");
    return text.Finish();
  }
  if (value < 0) text.Put('-');
  char decimals[3] = {'0', '0', '0'};
  size_t fraction = thousandths.size() < 3 ? thousandths.size() : 3;
  for (size_t i = 0; i < fraction; ++i) decimals[3 - fraction + i] = thousandths[thousandths.size() - fraction + i];
  if (thousandths.size() > 3) {
    text.Put(thousandths.substr(0, thousandths.size() - 3));
  } else {
    text.Put('0');
  }
  text.Put('.');
  int kept = 3;
  while (kept > 0 && decimals[kept - 1] == '0') --kept;
  text.Put(std::string_view(decimals, kept));
  return text.Finish();
}

int FormatFixedSlow(double value, std::span<char> out, int decimals) {
  if (decimals < 0 || decimals > kMaxDecimals) return Refuse(out);
  BoundedText text(out);
  if (!std::isfinite(value)) {
    text.Put(NonFiniteText(value));
    return text.Finish();
  }
  char digits[kDigitCapacity + 2];
  int length = FixedDigits(Expand(std::fabs(value)), decimals, false, digits);
  if (value < 0) text.Put('-');
  text.Put(std::string_view(digits, length));
  return text.Finish();
}

int FormatRoundedSlow(double value, std::span<char> out, int decimals, int width) {
  if (decimals < 0 || decimals > kMaxDecimals) return Refuse(out);
  BoundedText text(out);
  size_t padWidth = width > 0 ? static_cast<size_t>(width) : 0;
  if (!std::isfinite(value)) {
    std::string_view s = NonFiniteText(value);
    text.Pad(padWidth, s.size());
    text.Put(s);
    return text.Finish();
  }
  char digits[kDigitCapacity + 2];
  int length = FixedDigits(Expand(std::fabs(value)), decimals, true, digits);
  bool negative = value < 0;
  text.Pad(padWidth, static_cast<size_t>(length) + (negative ? 1 : 0));
  if (negative) text.Put('-');
  text.Put(std::string_view(digits, length));
  return text.Finish();
}

int FormatThousandthsSlow(char letter, double value, std::span<char> out) {
  BoundedText text(out);
  text.Put(letter);
  if (!std::isfinite(value)) {
    text.Put(NonFiniteText(value));
    return text.Finish();
  }
  char digits[kDigitCapacity + 2];
  int length = FixedDigits(ExpandThousandths(value), 0, true, digits);
  if (value < 0) text.Put('-');
  text.Put(std::string_view(digits, length));
  return text.Finish();
}

