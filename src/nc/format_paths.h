// The number formatter's two paths, for format.cpp and for the tests that hold them against each
// other. Everything else uses format.h.
//
// The slow path carries out the 17-digit rule of format.h literally: it expands the value with
// std::to_chars to 17 significant digits and rounds or cuts those digits. It takes any double.
// The fast path (ScaledInteger) finds the same whole number with integer arithmetic on the
// double's bits for the values of an NC program and hands every value it cannot prove to the
// slow path. The public functions of format.h try the fast path first.
#pragma once

#include <cstdint>
#include <span>

// The functions of format.h, computed from the 17-digit expansion only (same contracts).
int FormatCoordinateSlow(double value, std::span<char> out);
int FormatFixedSlow(double value, std::span<char> out, int decimals);
int FormatRoundedSlow(double value, std::span<char> out, int decimals, int width);
int FormatThousandthsSlow(char letter, double value, std::span<char> out);

// How ScaledInteger turns the scaled expansion into a whole number.
enum class ScaleCut {
  kRoundHalfAway,  // the rounded forms: a first dropped digit of 5 or more rounds up
  kTruncate,       // the cut form: dropped digits are dropped
};

// The whole number that the 17-digit rule makes of `magnitude` x 10^`decimals`: the expansion of
// `magnitude` rounded to 17 significant digits, shifted by `decimals` places, then rounded half
// away from zero or cut to an integer as `cut` says. Returns true and writes it to `*whole` when
// integer arithmetic proves the result; returns false (and leaves `*whole` alone) when the slow
// path has to decide: `decimals` outside 0..3, a negative, infinite or NaN `magnitude`, a result
// of 2^30 or more, and scaled values within 2^-23 of the point where the result changes (the
// ties of rounding, the integers of cutting). Exact ties and exact integers are decided here.
bool ScaledInteger(double magnitude, int decimals, ScaleCut cut, uint32_t* whole);
