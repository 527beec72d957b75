// The number formatter: coordinate texts, cut fixed texts, rounded fixed texts and the integer
// form, checked on ties that the C runtimes round differently.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include <limits>
#include <string>

#include "nc/format.h"

namespace {

TEST(FormatCoordinate, Table) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0."},       {0.0004, "0."},     {-0.0004, "0."},     {0.0005, "0.001"},
      {-0.0005, "-0.001"}, {12.5, "12.5"}, {12.3456, "12.346"}, {100, "100."},
      {0.9996, "1."},  {0.05, "0.05"},     {0.012, "0.012"},    {-2.5, "-2.5"},
      {1.0004, "1."},  {-0.0, "0."},       {0.0115, "0.012"},   {2.6745, "2.675"},
      {-9999999999.999, "-9999999999.999"},
  };
  for (const Case& c : cases) {
    char out[kCoordinateTextSize];
    EXPECT_EQ(FormatCoordinate(c.value, out), static_cast<int>(std::string(c.text).size()));
    EXPECT_EQ(std::string(out), c.text) << c.value;
  }
}

TEST(FormatFixed, CutNotRounded) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {12.3456, 3, "12.345"}, {12.3456, 0, "12"},   {0.5, 3, "0.500"},     {0.05, 3, "0.050"},
      {0.3, 3, "0.299"},      {2.675, 3, "2.674"},  {0.1, 3, "0.100"},     {-1.5, 3, "-1.500"},
      {-0.0004, 3, "-0.000"}, {0, 3, "0.000"},      {0.9999, 3, "0.999"},  {0.0042, 3, "0.004"},
      {0.00042, 3, "0.000"},  {-0.0, 3, "0.000"},   {1e20, 1, "100000000000000000000.0"},
  };
  for (const Case& c : cases) {
    char out[64];
    FormatFixed(c.value, out, c.decimals);
    EXPECT_EQ(std::string(out), c.text) << c.value << " " << c.decimals;
  }
}

TEST(FormatRounded, HalfAwayFromZeroOnTheSeventeenDigitExpansion) {
  struct Case {
    double value;
    int decimals;
    int width;
    const char* text;
  } cases[] = {
      // Just below the tie in binary, but the 17-digit expansion ends in an exact 5
      // (1.0065000000000000, 0.011500000000000000): up, where an exact conversion goes down.
      {1.0065, 3, 0, "1.007"}, {0.0115, 3, 0, "0.012"}, {1000.0005, 3, 0, "1000.001"},
      // The expansions of 2.675 and 0.15 are 2.6749999999999998 and 0.14999999999999999.
      {2.675, 2, 0, "2.67"},   {0.15, 1, 0, "0.1"},     {-0.0004, 3, 0, "-0.000"},
      {-0.0, 3, 0, "0.000"},   {-2.5, 0, 0, "-3"},      {999.99999, 3, 0, "1000.000"},
      {9999999999.9995, 3, 0, "10000000000.000"},       {-3.25, 1, 8, "    -3.3"},
      {12.5, 3, 12, "      12.500"},                    {123456789012.345, 3, 12, "123456789012.345"},
  };
  for (const Case& c : cases) {
    char out[64];
    FormatRounded(c.value, out, c.decimals, c.width);
    EXPECT_EQ(std::string(out), c.text) << c.value << " " << c.decimals;
  }
}

TEST(FormatThousandths, IntegerFormOfAxisWords) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{12.5, "X12500"}, {-0.0004, "X-0"}, {0.0005, "X1"}, {-0.0025, "X-3"}, {0, "X0"}};
  for (const Case& c : cases) {
    char out[32];
    FormatThousandths('X', c.value, out);
    EXPECT_EQ(std::string(out), c.text) << c.value;
  }
}

TEST(FormatInchAxisWord, TenThousandthsOfAnInch) {
  struct Case {
    double value;
    int decimal;
    const char* text;
  } cases[] = {
      {0.0038, 3, "X0.0038"}, {12.5, 3, "X12.5"},    {100, 3, "X100."},     {-0.00004, 3, "X0."},
      {0.00005, 3, "X0.0001"}, {-1.23456, 3, "X-1.2346"}, {0.0038, 0, "X38"}, {-2.5, 0, "X-25000"},
  };
  for (const Case& c : cases) {
    char text[32];
    FormatInchAxisWord('X', c.value, c.decimal, text);
    EXPECT_STREQ(text, c.text) << c.value;
  }
}

TEST(RoundToWhole, TheNumberFormatRoundedWrites) {
  // Fast and slow paths alike give FormatRounded's digits.
  const double values[] = {12.3456, -0.0004, 1.0005, 0.0625, -2.5, 999999.9995, 1e12 + 0.25,
                           123456789.0125, 0x1p-30, 0.3};
  for (double value : values) {
    for (int decimals : {0, 1, 3, 4}) {
      int64_t count = 0;
      ASSERT_TRUE(RoundToWhole(value, decimals, &count)) << value;
      char text[64];
      FormatRounded(value, text, decimals);
      std::string digits;
      for (const char* c = text; *c != '\0'; ++c) {
        if (*c != '.') digits += *c;
      }
      EXPECT_EQ(count, std::stoll(digits)) << value << " " << decimals;
    }
  }
  int64_t count = 7;
  EXPECT_FALSE(RoundToWhole(1e300, 3, &count));
  EXPECT_FALSE(RoundToWhole(std::nan(""), 3, &count));
  EXPECT_EQ(count, 7);
}

TEST(Formatters, NeverWritePastTheBuffer) {
  char out[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(FormatRounded(-123456.0, std::span<char>(out, 4), 3, 12), 12);
  EXPECT_EQ(std::string(out), " -1");
  EXPECT_EQ(FormatCoordinate(-12345678901.125, std::span<char>(out, 4)), 16);
  EXPECT_EQ(FormatFixed(1e300, std::span<char>(out, 4), 3), 305);
  EXPECT_EQ(out[4], '#');
  char big[400];
  EXPECT_EQ(FormatRounded(-std::numeric_limits<double>::max(), big, 20), 331);
  EXPECT_EQ(FormatFixed(1.0, big, 21), -1);
}

}  // namespace
