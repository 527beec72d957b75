// Text-to-number conversions: the NC word conversions and the standard conversions for typed
// numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "nc/number_text.h"

namespace {

TEST(NcConversion, RealIsTheLongestDecimalPrefix) {
  struct Case {
    const char* run;
    double value;
  } cases[] = {
      {"1-2", 1.0},      {"1.2.3", 1.2},  {"-", 0.0},     {"", 0.0},      {"-.5", -0.5},
      {".", 0.0},        {"-.", 0.0},     {"5.", 5.0},    {".5", 0.5},    {"--3", 0.0},
      {"007.50", 7.5},   {"-12.", -12.0}, {"0.3", 0.3},   {"12-", 12.0},  {"1..2", 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseNcReal(c.run), c.value) << c.run;
  }
}

TEST(NcConversion, LongRunsAreReadWholeAndOverflowIsRefused) {
  // 40 digits after the point: exact, not cut at a working-buffer size.
  std::string tiny = "0." + std::string(39, '0') + "1";
  EXPECT_EQ(ParseNcReal(tiny), 1e-40);
  std::string longInteger = "1" + std::string(39, '0') + ".";
  EXPECT_EQ(ParseNcReal(longInteger), 1e39);
  // Beyond the double range the value is refused rather than infinite.
  EXPECT_EQ(ParseNcReal(std::string(400, '9')), 0.0);
  EXPECT_EQ(ParseNcReal("-" + std::string(400, '9') + ".5"), 0.0);
  // Below it the value is a zero.
  EXPECT_EQ(ParseNcReal("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(NcConversion, IntegerStopsAtThePointAndSaturates) {
  struct Case {
    const char* run;
    int value;
  } cases[] = {
      {"01", 1}, {"--3", 0}, {"", 0}, {"-", 0}, {"-7", -7}, {"12-3", 12},
      {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"2147483648", INT_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseNcInteger(c.run), c.value) << c.run;
  }
}

TEST(NcConversion, RunLengths) {
  EXPECT_EQ(NcRealRunLength("-1.5X2"), 4u);
  EXPECT_EQ(NcRealRunLength("1-2.3 "), 5u);
  EXPECT_EQ(NcRealRunLength("+1"), 0u);
  EXPECT_EQ(NcIntegerRunLength("1200.5"), 4u);
  EXPECT_EQ(NcIntegerRunLength("-3-"), 3u);
}

TEST(StandardConversion, Decimal) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"  12.5", 12.5},   {"\t-3", -3.0},    {"+4.25mm", 4.25},  {"1e3", 1000.0},
      {"1.5E-2", 0.015},  {"2e", 2.0},       {"2e+", 2.0},       {"abc", 0.0},
      {"", 0.0},          {".5", 0.5},       {"-.", 0.0},        {"+-1", 0.0},
      {"3,5", 3.0},       {"inf", 0.0},      {"nan", 0.0},       {"0x10", 0.0},
      {"\r\n 7", 7.0},    {"1.2.3", 1.2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseStandardDecimal(c.text), c.value) << c.text;
  }
  EXPECT_EQ(ParseStandardDecimal("1e999"), HUGE_VAL);
  EXPECT_EQ(ParseStandardDecimal("-1e999"), -HUGE_VAL);
  EXPECT_EQ(ParseStandardDecimal("1e-999"), 0.0);
  EXPECT_TRUE(std::signbit(ParseStandardDecimal("-1e-999")));
}

TEST(StandardConversion, Integer) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {" 42", 42}, {"-7x", -7}, {"+3", 3}, {"x1", 0}, {"", 0}, {"1.9", 1},
      {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseStandardInteger(c.text), c.value) << c.text;
  }
}

}  // namespace
