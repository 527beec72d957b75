// Text-to-number conversions: the NC word conversions and the standard conversions for typed
// numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "nc/number_text.h"

namespace {

TEST(NcConversion, LongestValidPrefix) {
  struct Case {
    const char* run;
    double value;
  } cases[] = {
      {"1-2", 1.0}, {"1.2.3", 1.2}, {"-", 0.0}, {"", 0.0}, {"-.5", -0.5}, {".", 0.0},
      {"5.", 5.0},  {"--3", 0.0},   {"12-", 12.0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNcReal(c.run), c.value) << c.run;
  EXPECT_EQ(ParseNcInteger("01"), 1);
  EXPECT_EQ(ParseNcInteger("--3"), 0);
  EXPECT_EQ(ParseNcInteger("99999999999"), INT_MAX);
  EXPECT_EQ(ParseNcInteger("-99999999999"), INT_MIN);
}

TEST(NcConversion, LongRunsAreReadWholeAndOverflowIsRefused) {
  EXPECT_EQ(ParseNcReal("0." + std::string(39, '0') + "1"), 1e-40);  // no 32-character cut
  EXPECT_EQ(ParseNcReal(std::string(400, '9')), 0.0);                // beyond double: refused
  EXPECT_EQ(ParseNcReal("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(StandardConversion, DecimalAndInteger) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"  12.5", 12.5}, {"+4.25mm", 4.25}, {"1.5E-2", 0.015}, {"2e+", 2.0}, {"abc", 0.0},
      {"+-1", 0.0},     {"3,5", 3.0},      {"inf", 0.0},      {"0x10", 0.0}, {"\r\n 7", 7.0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStandardDecimal(c.text), c.value) << c.text;
  EXPECT_EQ(ParseStandardDecimal("-1e999"), -HUGE_VAL);
  EXPECT_TRUE(std::signbit(ParseStandardDecimal("-1e-999")));
  EXPECT_EQ(ParseStandardInteger(" -7x"), -7);
  EXPECT_EQ(ParseStandardInteger("1.9"), 1);
  EXPECT_EQ(ParseStandardInteger("99999999999"), INT_MAX);
}

}  // namespace
