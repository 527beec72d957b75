// Decimal digits of a whole number, two per division: the one digit writer of the formatter, the
// intermediate file and the piece writer.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
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

// 10^0 to 10^19.
inline constexpr uint64_t kDecimalPowers[20] = {1u,
                                                10u,
                                                100u,
                                                1000u,
                                                10000u,
                                                100000u,
                                                1000000u,
                                                10000000u,
                                                100000000u,
                                                1000000000u,
                                                10000000000u,
                                                100000000000u,
                                                1000000000000u,
                                                10000000000000u,
                                                100000000000000u,
                                                1000000000000000u,
                                                10000000000000000u,
                                                100000000000000000u,
                                                1000000000000000000u,
                                                10000000000000000000u};

// How many decimal digits WriteDigitsBackward writes for `value` (1 for 0): from the bit width
// (1233 / 4096 is just above log10(2)) it is the count or one less, and one comparison tells
// which. (Or-ing in 1 counts 0 as one digit and moves no number across a power of ten, all of
// which but 1 are even.)
inline int DecimalDigits(uint64_t value) {
  const uint64_t probe = value | 1;
  const int digits = (std::bit_width(probe) * 1233) >> 12;
  return probe >= kDecimalPowers[digits] ? digits + 1 : digits;
}
