// The formatter's fast path against its slow path: every public function must return the same
// length and write the same bytes as the 17-digit expansion, on the edges where integer
// arithmetic and the expansion could part, and on many random doubles.
//
// The default run compares about a million random doubles. The long run compares hundreds of
// millions more (about 5 minutes of CPU for the default count):
//   QX_LONG_TESTS=1 build/native/tests/unit_tests --gtest_filter='FormatPaths.LongRandom*'
// QX_LONG_TEST_VALUES=<count> sets how many (default 300000000).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "nc/format.h"
#include "nc/format_paths.h"

namespace {

constexpr int kMaxReportedMismatches = 20;

std::string Describe(double value) {
  std::ostringstream s;
  s.precision(17);
  s << value << " (" << std::hexfloat << value << ")";
  return s.str();
}

// One value's texts on both paths: each form is written into `fast` and `slow`, then checked.
struct Comparison {
  double value;
  int decimals;     // of the rounded and cut forms
  int* mismatches;  // counted here; the first few are reported
  char fast[400];
  char slow[400];

  void Check(const char* form, int fastLength, int slowLength) {
    if (fastLength == slowLength && std::strcmp(fast, slow) == 0) return;
    if (++*mismatches <= kMaxReportedMismatches) {
      ADD_FAILURE() << form << " of " << Describe(value) << " (" << decimals << " decimals): fast \"" << fast << "\" (" << fastLength
                    << "), slow \"" << slow << "\" (" << slowLength << ")";
    }
  }
};

// Compares the coordinate and the integer form of `value`, and its rounded and cut forms with
// `decimals`.
void CompareForms(double value, int decimals, int* mismatches) {
  Comparison c{value, decimals, mismatches, {}, {}};
  c.Check("FormatCoordinate", FormatCoordinate(value, c.fast), FormatCoordinateSlow(value, c.slow));
  c.Check("FormatThousandths", FormatThousandths('X', value, c.fast), FormatThousandthsSlow('X', value, c.slow));
  c.Check("FormatRounded", FormatRounded(value, c.fast, decimals), FormatRoundedSlow(value, c.slow, decimals, 0));
  c.Check("FormatFixed", FormatFixed(value, c.fast, decimals), FormatFixedSlow(value, c.slow, decimals));
}

// Every form of `value`: all decimal counts the fast path covers and one beyond, the padded
// record fields and the axis word.
void CompareAllForms(double value, int* mismatches) {
  for (int decimals = 0; decimals <= 4; ++decimals) CompareForms(value, decimals, mismatches);
  Comparison c{value, 3, mismatches, {}, {}};
  c.Check("FormatRounded %12.3f", FormatRounded(value, c.fast, 3, 12), FormatRoundedSlow(value, c.slow, 3, 12));
  c.decimals = 1;
  c.Check("FormatRounded %8.1f", FormatRounded(value, c.fast, 1, 8), FormatRoundedSlow(value, c.slow, 1, 8));
  c.slow[0] = 'Y';
  int slowLength = FormatCoordinateSlow(value, std::span<char>(c.slow + 1, sizeof c.slow - 1)) + 1;
  c.Check("FormatAxisWord", FormatAxisWord('Y', value, 1, c.fast), slowLength);
}

// `value` and its neighbours up to `ulps` steps away on both sides, with both signs.
void AddWithNeighbours(double value, int ulps, std::vector<double>* out) {
  for (double start : {value, -value}) {
    out->push_back(start);
    double up = start;
    double down = start;
    for (int i = 0; i < ulps; ++i) {
      up = std::nextafter(up, std::numeric_limits<double>::infinity());
      down = std::nextafter(down, -std::numeric_limits<double>::infinity());
      out->push_back(up);
      out->push_back(down);
    }
  }
}

std::vector<double> EdgeValues() {
  std::vector<double> values;
  const double scale[] = {1, 10, 100, 1000};
  // Ties and whole numbers of each decimal count, across the magnitudes; the largest ones lie
  // where the fast path hands over (t near 2^30).
  const double wholes[] = {0, 1, 2, 5, 9, 10, 11, 99, 100, 255, 999, 1000, 1234, 65535, 99999, 999999,
                           1000000, 8388607, 8388608, 16777215, 99999999, 999999999, 1073741822,
                           1073741823, 1073741824, 1073741825, 9999999999.0};
  for (int d = 0; d <= 3; ++d) {
    for (double whole : wholes) {
      AddWithNeighbours(whole / scale[d], 4, &values);
      AddWithNeighbours((whole + 0.5) / scale[d], 4, &values);
    }
  }
  // Values of the docs and the runtimes' disagreements.
  for (double v : {0.0005, 0.0004, 0.0115, 1.0005, 1.0065, 2.675, 2.6745, 0.15, 0.3, 0.05, 12.3456,
                   999999.9995, 999999.999, 999999.9994999, 999.99999, 1000.0005, 0.9996, 1.0004}) {
    AddWithNeighbours(v, 4, &values);
  }
  // Powers of ten and the fast path's own limits (2^-11, 2^30).
  for (int e = -12; e <= 12; ++e) AddWithNeighbours(std::pow(10.0, e), 3, &values);
  AddWithNeighbours(0x1p-11, 3, &values);
  AddWithNeighbours(0x1p30, 3, &values);
  AddWithNeighbours(0x1p30 / 1000, 3, &values);
  // Zero, tiny and subnormal values, the largest doubles, infinities and NaN.
  AddWithNeighbours(0.0, 3, &values);
  AddWithNeighbours(std::numeric_limits<double>::min(), 2, &values);
  AddWithNeighbours(std::numeric_limits<double>::denorm_min(), 2, &values);
  AddWithNeighbours(1e-300, 1, &values);
  AddWithNeighbours(std::numeric_limits<double>::max(), 2, &values);
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(-std::numeric_limits<double>::infinity());
  values.push_back(std::numeric_limits<double>::quiet_NaN());
  values.push_back(-std::numeric_limits<double>::quiet_NaN());
  return values;
}

// Random doubles of five kinds, reproducible on every platform (only the 64-bit engine, whose
// output the language fixes, and bit operations): coordinates of three and four decimals, values
// next to a tie or a whole number of 0..3 decimals, any bits within 2^-14..2^31, and any bits.
class RandomValues {
 public:
  explicit RandomValues(uint64_t seed) : engine_(seed) {}

  double Next() {
    uint64_t r = engine_();
    const double scale[] = {1, 10, 100, 1000, 10000};
    switch (r % 5) {
      case 0: {  // a program word: whole thousandths (or ten-thousandths) up to about +-10^6
        int64_t k = static_cast<int64_t>(engine_() % 2000000001) - 1000000000;
        return static_cast<double>(k) / scale[3 + (r >> 8) % 2];
      }
      case 1:
      case 2: {  // next to a tie (1) or a whole number (2) of 0..3 decimals
        int decimals = static_cast<int>((r >> 8) % 4);
        double k = static_cast<double>(engine_() % (uint64_t{1} << 30)) / std::pow(10.0, (r >> 10) % 4);
        double value = (std::floor(k) + (r % 5 == 1 ? 0.5 : 0.0)) / scale[decimals];
        for (int step = static_cast<int>((r >> 12) % 17) - 8; step != 0; step += step > 0 ? -1 : 1) {
          value = std::nextafter(value, step > 0 ? 1e300 : -1e300);
        }
        return (r >> 20) & 1 ? -value : value;
      }
      case 3: {  // any mantissa, exponents 2^-14..2^31, either sign
        uint64_t exponent = 1023 - 14 + (r >> 8) % 46;
        uint64_t bits = (engine_() & ((uint64_t{1} << 52) - 1)) | (exponent << 52) | ((r >> 20 & 1) << 63);
        return std::bit_cast<double>(bits);
      }
      default:  // any bits at all: NaN, infinities, subnormals, huge values
        return std::bit_cast<double>(engine_());
    }
  }

 private:
  std::mt19937_64 engine_;
};

int CompareRandom(uint64_t seed, uint64_t count) {
  RandomValues values(seed);
  int mismatches = 0;
  // The decimal count turns with the value: four slow expansions per value instead of ten.
  for (uint64_t i = 0; i < count; ++i) CompareForms(values.Next(), static_cast<int>(i % 4), &mismatches);
  return mismatches;
}

TEST(FormatPaths, EdgesAgree) {
  int mismatches = 0;
  for (double value : EdgeValues()) CompareAllForms(value, &mismatches);
  EXPECT_EQ(mismatches, 0);
}

TEST(FormatPaths, MillionRandomDoublesAgree) {
  EXPECT_EQ(CompareRandom(20210524, 1000000), 0);
}

TEST(FormatPaths, LongRandomDoublesAgree) {
  const char* enabled = std::getenv("QX_LONG_TESTS");
  if (enabled == nullptr || std::strcmp(enabled, "1") != 0) GTEST_SKIP() << "set QX_LONG_TESTS=1";
  const char* countText = std::getenv("QX_LONG_TEST_VALUES");
  uint64_t count = countText != nullptr ? std::strtoull(countText, nullptr, 10) : 300000000;
  EXPECT_EQ(CompareRandom(19790101, count), 0);
  std::printf("compared %llu random doubles\n", static_cast<unsigned long long>(count));
}

// The rounded forms of program words (whole thousandths, whole tenths of a feed) never need the
// slow path; were they to, the formatter would still be right but slow again.
TEST(FormatPaths, ProgramWordsTakeTheFastPath) {
  int declined = 0;
  uint32_t whole = 0;
  for (int64_t k = -1000000000; k <= 1000000000; k += 999983) {
    for (int64_t step : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{5}}) {
      double value = static_cast<double>(k + step) / 1000.0;
      if (!ScaledInteger(std::fabs(value * 1000.0), 0, ScaleCut::kRoundHalfAway, &whole)) ++declined;
      if (!ScaledInteger(std::fabs(value), 3, ScaleCut::kRoundHalfAway, &whole)) ++declined;
      double feed = static_cast<double>((k + step) % 1000000) / 10.0;
      if (!ScaledInteger(std::fabs(feed), 1, ScaleCut::kRoundHalfAway, &whole)) ++declined;
      if (!ScaledInteger(std::fabs(feed), 0, ScaleCut::kRoundHalfAway, &whole)) ++declined;
    }
  }
  EXPECT_EQ(declined, 0);
}

TEST(FormatPaths, ScaledIntegerDecidesOnlyWhatItCanProve) {
  struct Case {
    double magnitude;
    int decimals;
    ScaleCut cut;
    bool decided;
    uint32_t whole;
  } cases[] = {
      {2.5, 0, ScaleCut::kRoundHalfAway, true, 3},            // an exact tie goes up
      {0.125, 2, ScaleCut::kRoundHalfAway, true, 13},
      {1.0005, 3, ScaleCut::kRoundHalfAway, false, 0},        // binary just below the tie
      {2.675, 2, ScaleCut::kRoundHalfAway, false, 0},
      {0.3, 3, ScaleCut::kTruncate, false, 0},                // binary just below a whole number
      {12.0, 3, ScaleCut::kTruncate, true, 12000},            // an exact whole number
      {12.3456, 3, ScaleCut::kTruncate, true, 12345},
      {0x1p-12, 3, ScaleCut::kRoundHalfAway, true, 0},        // tiny
      {1073741.823, 3, ScaleCut::kRoundHalfAway, true, 1073741823},
      {1073741.824, 3, ScaleCut::kRoundHalfAway, false, 0},   // 2^30 thousandths
      {0x1p30, 0, ScaleCut::kRoundHalfAway, false, 0},
      {1.5, 4, ScaleCut::kRoundHalfAway, false, 0},           // more decimals than it covers
      {-1.5, 0, ScaleCut::kRoundHalfAway, false, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0, ScaleCut::kTruncate, false, 0},
      {std::numeric_limits<double>::infinity(), 0, ScaleCut::kTruncate, false, 0},
  };
  for (const Case& c : cases) {
    uint32_t whole = 77;
    EXPECT_EQ(ScaledInteger(c.magnitude, c.decimals, c.cut, &whole), c.decided) << Describe(c.magnitude);
    EXPECT_EQ(whole, c.decided ? c.whole : 77u) << Describe(c.magnitude);
  }
}

// Cut texts: both paths keep the same first bytes, return the same whole length, and never write
// past the buffer.
TEST(FormatPaths, CutTextsAgree) {
  for (double value : {-123456.789, 0.0005, -2.5, 999999.999}) {
    for (size_t size = 0; size <= 16; ++size) {
      char fast[20];
      char slow[20];
      std::memset(fast, '#', sizeof fast);
      std::memset(slow, '#', sizeof slow);
      EXPECT_EQ(FormatRounded(value, std::span<char>(fast, size), 3, 12),
                FormatRoundedSlow(value, std::span<char>(slow, size), 3, 12));
      EXPECT_EQ(std::string(fast, sizeof fast), std::string(slow, sizeof slow)) << value << " " << size;
      char whole[20];
      std::string word = "Z" + std::string(whole, FormatCoordinateSlow(value, whole));
      std::memset(fast, '#', sizeof fast);
      EXPECT_EQ(FormatAxisWord('Z', value, 1, std::span<char>(fast, size)), static_cast<int>(word.size()));
      if (size > 0) {
        EXPECT_EQ(std::string(fast), word.substr(0, size - 1)) << value << " " << size;
      }
      EXPECT_EQ(fast[size], '#');
    }
  }
}

}  // namespace
