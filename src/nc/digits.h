// Decimal digits of a whole number, two per division: the one digit writer of the formatter, the
// intermediate file and the piece writer.
#pragma once

#include <concepts>
#include <cstring>

// "00" to "99".
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `value` in decimal digits (no leading zeros, "0" for 0) so that they end just before
// `end`; returns where they start. At most 20 characters.
template <std::unsigned_integral Unsigned>
inline char* WriteDigitsBackward(Unsigned value, char* end) {
  while (value >= 100) {
    const Unsigned pair = value % 100;
    value /= 100;
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * pair, 2);
  }
  if (value >= 10) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * value, 2);
  } else {
    *--end = static_cast<char>('0' + value);
  }
  return end;
}
