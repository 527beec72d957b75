// Text-to-number conversions of the whole system.
//
// Two families, both independent of the process locale (a decimal comma locale never changes how
// a number is read) and of the C runtime (the Windows and the Linux builds read the same bits):
//
// * The standard conversions, for numbers typed by people (input fields, command-line arguments,
//   parameter and settings files): leading blanks, a sign, digits with an optional decimal point
//   and an optional exponent; reading stops at the first character that does not fit; text without
//   a leading number reads as 0.
// * The NC conversions, for the number text of an address word in an NC program: no exponent, no
//   plus sign, no blanks. "1-2" reads 1, "1.2.3" reads 1.2, "-" and "" read 0, "-.5" reads -0.5.
//
// All results are correctly rounded to the nearest double.
#pragma once

#include <cstddef>
#include <string_view>

// Standard decimal conversion. Skips leading blanks (space, tab, line feed, vertical tab, form
// feed, carriage return), then reads an optional "+" or "-", digits with at most one decimal point
// (at least one digit in all), and an optional exponent ("e" or "E", optional sign, at least one
// digit; an incomplete exponent is not part of the number). Returns the value of that longest
// prefix, 0 when there is none. A value beyond the double range gives plus or minus HUGE_VAL, one
// below it a zero of the number's sign (as the C conversion does). "inf", "nan" and hexadecimal
// texts are not numbers here.
double ParseStandardDecimal(std::string_view text);

// A number typed by a person, read whole: blanks around it, an optional sign, digits with at most
// one decimal point (at least one digit) and an optional exponent, and nothing else. True with
// `*value` set when the text is such a number; false for "abc", "1,5", "12mm", "1.2.3", "" and
// values beyond the double range. Nothing is guessed: a text that is not wholly a number is
// refused rather than read as its leading part.
bool ParseWholeNumber(std::string_view text, double* value);

// True when `text` holds nothing but blanks.
bool IsBlankText(std::string_view text);

// Standard integer conversion. Skips leading blanks, reads an optional "+" or "-" and digits.
// Returns their value, 0 when there are no digits; values beyond the int range saturate at
// INT_MAX / INT_MIN.
int ParseStandardInteger(std::string_view text);

// Length of the run of real-number characters (the ten digits, "." and "-") at the start of
// `text`; stops at the terminator or at the first other byte.
size_t NcRealRunLength(const char* text);
// Length of the run of integer characters (the ten digits and "-") at the start of `text`.
size_t NcIntegerRunLength(const char* text);

// Value of an NC real number text: the longest prefix of `run` of the form optional "-", digits,
// at most one ".", digits (at least one digit in all); 0 when there is none. The prefix may be of
// any length: it is converted exactly, never through a fixed buffer. A value too large for a
// double (more than 308 integer digits) is refused and reads as 0, so no infinity ever comes out
// of an NC program; a value too small reads as 0 as well.
double ParseNcReal(std::string_view run);

// Value of an NC integer number text: the longest prefix of `run` formed by an optional "-" and
// digits; 0 when there are no digits ("--3" reads 0). Saturates at INT_MAX / INT_MIN.
int ParseNcInteger(std::string_view run);

// The most by which two numbers of a program that name the same place may differ after binary
// sums (a million increments within a metre err by less than 6e-8): far below any resolution. An
// arc whose end lies within it of its start ends where it starts (a whole circle).
inline constexpr double kBinaryHair = 1e-7;

// The most by which the chord of an R arc may be longer than 2|R|, in least increments of the
// program's units (0.001 mm, 0.0001 inch), with both end points and R on that grid: such an arc is
// run as the half circle on its chord. CAM systems work out a half circle exactly and round its
// end points and its R to the last decimal one by one: each end point moves by up to half an
// increment in both of its plane's axes (sqrt(2) / 2 along the chord), R by up to half of one (one
// off 2|R|), so an honest half circle comes out as much as 1 + sqrt(2) = 2.41 increments over,
// never more. Half an increment above that is the limit: no chord between points of the grid lies
// on it (the square of 2|R| + 2.5 increments is never a whole number of squared increments), so
// no binary sum tips an arc across it; an arc 3 increments over (0.003 mm) is no rounded half
// circle but a fault of the program, and is refused.
inline constexpr double kHalfCircleSlack = 2.5;
