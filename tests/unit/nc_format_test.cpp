// The number formatter: coordinate texts, cut fixed texts, rounded fixed texts and the integer
// form, checked on ties that the C runtimes round differently.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "nc/format.h"

namespace {

std::string Coordinate(double value) {
  char out[kCoordinateTextSize];
  FormatCoordinate(value, out);
  return out;
}

std::string Fixed(double value, int decimals) {
  char out[64];
  FormatFixed(value, out, decimals);
  return out;
}

std::string Rounded(double value, int decimals, int width = 0) {
  char out[64];
  FormatRounded(value, out, decimals, width);
  return out;
}

TEST(FormatCoordinate, Table) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0."},          {0.0004, "0."},      {-0.0004, "0."},     {0.0005, "0.001"},
      {-0.0005, "-0.001"}, {12.5, "12.5"},      {12.3456, "12.346"}, {100, "100."},
      {0.9996, "1."},     {0.05, "0.05"},      {0.012, "0.012"},    {-2.5, "-2.5"},
      {1.0004, "1."},     {-0.0, "0."},        {-0.9996, "-1."},    {0.001, "0.001"},
      // Ties of the thousandths decided on the 17-digit expansion of value x 1000.
      {1.0005, "1.001"},  {2.6745, "2.675"},   {-1.0005, "-1.001"}, {0.0015, "0.002"},
      {9999999999.999, "9999999999.999"},      {-9999999999.999, "-9999999999.999"},
      {0.0115, "0.012"},  {10, "10."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Coordinate(c.value), c.text) << c.value;
  }
}

TEST(FormatCoordinate, FullTextFitsSixteenBytesBelowTenToTheTen) {
  char out[kCoordinateTextSize];
  EXPECT_EQ(FormatCoordinate(-9999999999.999, out), 15);
  // Larger values are cut to the buffer, never written past it; the result tells.
  EXPECT_EQ(FormatCoordinate(-12345678901.125, out), 16);
  EXPECT_EQ(std::string(out), "-12345678901.12");
  char small[4];
  EXPECT_EQ(FormatCoordinate(123.25, small), 6);
  EXPECT_EQ(std::string(small), "123");
  EXPECT_EQ(FormatCoordinate(std::numeric_limits<double>::infinity(), out), 3);
  EXPECT_EQ(std::string(out), "inf");
}

TEST(FormatFixed, Table) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {12.3456, 3, "12.345"}, {12.3456, 0, "12"},   {0.5, 3, "0.500"},    {0.05, 3, "0.050"},
      {0.3, 3, "0.299"},      {2.675, 3, "2.674"},  {0.1, 3, "0.100"},    {-1.5, 3, "-1.500"},
      {-0.0004, 3, "-0.000"}, {0, 3, "0.000"},      {0.9999, 3, "0.999"}, {0.0042, 3, "0.004"},
      {0.00042, 3, "0.000"},  {0.05, 1, "0.0"},     {0.05, 2, "0.05"},    {0.5, 0, "0"},
      {-0.0, 3, "0.000"},     {99999999999.5, 3, "99999999999.500"},
      {1e20, 1, "100000000000000000000.0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fixed(c.value, c.decimals), c.text) << c.value << " " << c.decimals;
  }
  char out[8];
  EXPECT_EQ(FormatFixed(1.0, out, 21), -1);
  EXPECT_EQ(std::string(out), "");
}

TEST(FormatRounded, HalfAwayFromZeroOnTheSeventeenDigitExpansion) {
  struct Case {
    double value;
    int decimals;
    int width;
    const char* text;
  } cases[] = {
      // These lie just below the tie in binary, but their 17-digit expansions end in an exact 5
      // (1.0065000000000000, 0.011500000000000000, ...): they round up, where an exact
      // conversion would round down.
      {1.0065, 3, 0, "1.007"},     {0.0115, 3, 0, "0.012"},      {10.0025, 3, 0, "10.003"},
      {100.0055, 3, 0, "100.006"}, {1000.0005, 3, 0, "1000.001"}, {100000.0045, 3, 0, "100000.005"},
      // The expansion of 2.675 is 2.6749999999999998, that of 0.15 0.14999999999999999.
      {2.675, 2, 0, "2.67"},       {2.675, 3, 0, "2.675"},       {0.15, 1, 0, "0.1"},
      {9.9995, 3, 0, "9.999"},
      {0.0005, 3, 0, "0.001"},     {-0.0005, 3, 0, "-0.001"},    {-0.0004, 3, 0, "-0.000"},
      {-0.0, 3, 0, "0.000"},       {2.5, 0, 0, "3"},             {-2.5, 0, 0, "-3"},
      {0.5, 0, 0, "1"},            {0.49999999999999994, 0, 0, "0"},
      {999.99999, 3, 0, "1000.000"},
      {12.5, 3, 12, "      12.500"}, {-3.25, 1, 8, "    -3.3"},  {1500, 1, 8, "  1500.0"},
      {123456789012.345, 3, 12, "123456789012.345"},
      {9999999999.9995, 3, 0, "10000000000.000"},
      {1e-7, 3, 0, "0.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Rounded(c.value, c.decimals, c.width), c.text) << c.value << " " << c.decimals;
  }
}

TEST(FormatThousandths, IntegerFormOfAxisWords) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {12.5, "X12500"}, {-0.0004, "X-0"}, {0.0005, "X1"}, {-0.0025, "X-3"}, {0, "X0"},
      {1.0005, "X1001"}, {-12.3456, "X-12346"},
  };
  for (const Case& c : cases) {
    char out[32];
    FormatThousandths('X', c.value, out);
    EXPECT_EQ(std::string(out), c.text) << c.value;
  }
}

TEST(FormatAxisWord, DecimalSettingChoosesTheForm) {
  char out[32];
  FormatAxisWord('X', 12.5, 0, out);
  EXPECT_EQ(std::string(out), "X12500");
  FormatAxisWord('X', 12.5, 3, out);
  EXPECT_EQ(std::string(out), "X12.5");
  FormatAxisWord('Z', -0.0004, -1, out);
  EXPECT_EQ(std::string(out), "Z0.");
}

TEST(Formatters, NeverWritePastTheBuffer) {
  char out[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(FormatRounded(-123456.0, std::span<char>(out, 4), 3, 12), 12);
  EXPECT_EQ(std::string(out), " -1");
  EXPECT_EQ(out[4], '#');
  EXPECT_EQ(FormatFixed(1e300, std::span<char>(out, 4), 3), 305);
  EXPECT_EQ(out[4], '#');
  char big[400];
  EXPECT_EQ(FormatRounded(-std::numeric_limits<double>::max(), big, 20), 331);
  EXPECT_EQ(std::string(big).substr(0, 18), "-17976931348623157");
}

}  // namespace
