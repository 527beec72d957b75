// The one number formatter of the whole system: every double that becomes text goes through here,
// never through printf.
//
// The rule behind every function: take the value's decimal expansion rounded to 17 significant
// digits, and work on those digits. Rounding (where a function rounds) goes half away from zero
// on that 17-digit expansion, so 1.0005, whose binary value lies just below the tie but whose
// 17-digit expansion is 1.0005000000000000, rounds up to 1.001. The C runtimes round such ties
// differently from each other; doing it here makes the Windows and the Linux builds write the same
// bytes.
//
// (format.cpp finds the digits of the usual values with integer arithmetic and hands the others
// to the literal digit-by-digit rule; format_paths.h has both paths and the argument that they
// agree is written beside the fast one.)
//
// All functions write into a caller-owned buffer and never past its end: like snprintf they
// return the length of the whole text, and when that is `out.size()` or more the text was cut to
// `out.size() - 1` bytes (always terminated when the buffer is not empty). Infinities and NaN,
// which the measurement never produces, are written "inf", "-inf" and "nan".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Buffer size that holds every FormatCoordinate text of a magnitude below 10^10
// ("-9999999999.999" and the terminator).
inline constexpr size_t kCoordinateTextSize = 16;

// The word value of an NC program and most figures shown to the user: the shortest text with a
// decimal point and at most three decimals. Values strictly between -0.0005 and 0.0005 give "0.";
// otherwise value x 1000 is rounded to an integer (half away from zero, on its 17-digit
// expansion) and written with the point three places from the right, trailing decimal zeros
// removed: 100 -> "100.", 12.3456 -> "12.346", -0.0005 -> "-0.001", 0.9996 -> "1.".
int FormatCoordinate(double value, std::span<char> out);

// The fixed-decimal figures of the run log: the value cut (not rounded) to `decimals` decimals,
// trailing zeros kept: 12.3456 -> "12.345", 0.3 -> "0.299" (its expansion is
// 0.29999999999999999), 0.05 -> "0.050". A negative value carries "-" even when every kept digit
// is 0 (-0.0004 -> "-0.000"); negative zero is not negative. `decimals` 0..20; any other count
// writes "" and returns -1.
int FormatFixed(double value, std::span<char> out, int decimals);

// The "%<width>.<decimals>f" of the system's text files and messages ("%12.3f", "%8.1f", "%.3f",
// "%.0f"): the value rounded half away from zero to `decimals` decimals (0..20), "-" for a
// negative value (also when it rounds to zero: -0.0004 -> "-0.000"; negative zero gives "0.000"),
// right-aligned with spaces to `width` characters (0: no padding). Other decimal counts write ""
// and return -1.
int FormatRounded(double value, std::span<char> out, int decimals, int width = 0);

// The integer form of an axis word ("%c%.0f" of value x 1000): the letter followed by the value
// in thousandths rounded half away from zero, no point. X with 12.5 -> "X12500", with -0.0004 ->
// "X-0" (the sign of a negative value is kept, as everywhere).
int FormatThousandths(char letter, double value, std::span<char> out);

// An axis word as the `DECIMAL` setting of [FORMAT] asks: 0 gives the integer form of
// FormatThousandths, any other value the letter followed by the FormatCoordinate text ("X12.5").
int FormatAxisWord(char letter, double value, int decimalSetting, std::span<char> out);

// An axis word of an inch program, whose resolution is 0.0001 inch: `decimalSetting` 0 gives the
// letter and the value in ten-thousandths ("%c%.0f" of value x 10000: "X38" for 0.0038), any other
// value the letter and the shortest text with a point and at most four decimals, rounded half away
// from zero ("X0.0038", "X12.5", "X0." for values strictly between -0.00005 and 0.00005).
int FormatInchAxisWord(char letter, double value, int decimalSetting, std::span<char> out);

// The whole number that FormatRounded(value, out, decimals) writes, without its point: value x
// 10^decimals rounded half away from zero on the value's 17-digit expansion (12.3456 with 3 ->
// 12346, -0.0004 with 3 -> 0). False (and `*count` untouched) for decimals outside 0..20, for
// infinities and NaN, and when the number has more than 18 digits.
bool RoundToWhole(double value, int decimals, int64_t* count);
