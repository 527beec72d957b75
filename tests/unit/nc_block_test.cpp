// Taking a line apart into its words: what the controls read as a word, and what they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "nc/block.h"
#include "nc/number_text.h"

namespace {

// The words of `line` as "<letter><value>" separated by blanks, or "!<result>@<index>" when the
// block is unreadable.
std::string Words(const std::string& line) {
  Block block;
  ReadBlock(line.data(), line.size(), &block);
  std::string out;
  for (int i = 0; i < block.wordCount; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%c%.17g%s", out.empty() ? "" : " ", block.words[i].letter,
                  block.words[i].value, block.words[i].hasPoint ? "." : "");
    out += text;
  }
  if (block.result != kBlockReadable) {
    out += "!" + std::to_string(block.result) + "@" + std::to_string(block.problemAt);
  }
  return out;
}

TEST(ReadBlock, WordsAsTheControlsReadThem) {
  struct Case {
    const char* line;
    const char* words;
  } cases[] = {
      {"G01X-12.5Y.5F300\n", "G1 X-12.5. Y0.5. F300"},
      {"g1 x10. f200", "G1 X10. F200"},                       // lower case
      {"G01 X2.5 Y -0.25", "G1 X2.5. Y-0.25."},               // blank between letter and number
      {"F 300", "F300"},
      {"X+4.0 Z+0035000", "X4. Z35000"},                      // "+" signs
      {"N10 G01 X1. (CUT) Y2.", "N10 G1 X1. Y2."},            // words after a closed comment
      {"( T1 | 2\"  FACE (SFM 600.0) | H1 )", ""},            // a nested comment
      {"G00 (OPEN X9.", "G0"},                                // an unclosed comment
      {"G00 X1. ; Y9.", "G0 X1."},                            // ";" comments to the end
      {"/G01X1.", "G1 X1."},                                  // block delete runs
      {"%", ""},
      {":0097", "O97"},
      {"O1000(スタート)", "O1000"},                           // Shift-JIS inside a comment
      {"X12345678901234567890.5", "X1.2345678901234567e+19."},
      {"X.000000000000000000000000001", "X1e-27."},
      {"G43.4", "G43.399999999999999."},
      {"GOOZ.500", "!1@0"},                                   // letter O typed for a zero
      {"X", "!1@0"},
      {"X-", "!1@0"},
      {"G01X1.2.3", "G1!1@3"},
      {"X1-2", "!1@0"},
      {"Ｇ91", "!2@0"},                                       // full-width letter
      {"G00（X1.）", "G0!2@3"},                               // full-width parenthesis
      {"#1=5", "!3@0"},
      {"G0 X[1+2]", "G0!3@4"},
      {"G0 X1. *", "G0 X1.!4@7"},
      {"% (START)", ""},                                      // the tape mark and a comment
      {"%G00Z110.", "!4@0"},                                  // words beside the tape mark
      {"G01 X1. %", "G1 X1.!4@8"},
      {"G00Z110.0Z-20.0", "G0 Z110.!6@9"},                    // an address given twice
      {"G90 G00 M03 M08 X1.", "G90 G0 M3 M8 X1."},           // G and M may come more than once
      // Dialects: ";" ends the words of a line (a comment or the end of block); numbered block
      // delete; the tape start, the program number and a comment on one line.
      {"G01 X1. ; Y9. (Z1.", "G1 X1."},
      {";Ｇ91 [#1]", ""},                                    // nothing after ";" is read
      {"(A;B) X1.", "X1."},                                  // inside a comment ";" is text
      {"/1M68", "M68"},
      {"/9 G01 X1.", "G1 X1."},
      {"/0M68", "!4@1"},                                     // no such switch
      {"/10M68", "!4@2"},
      {"%O0003(PART NAME)", "O3"},
      {"% :0003", "O3"},
      {"%O0003 G90", "O3!4@0"},                              // nothing but the number beside "%"
      {"%O0003 O4", "O3!4@0"},
      {"%N10", "!4@0"},
      {" %", ""},                                            // "%" begins its line (after blanks)
      {"/%", "!4@1"},
      {"(START) %", "!4@8"},
      {"%/1", "!4@1"},
      {"%%", "!4@1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Words(c.line), c.words) << c.line;
}

TEST(ReadBlock, CodesAreWholeWords) {
  Block block;
  const char line[] = "G043 G430 G43.4 M3.0 G0 G17";
  ReadBlock(line, std::strlen(line), &block);
  EXPECT_TRUE(block.HasCode('G', 43));
  EXPECT_FALSE(block.HasCode('G', 430 / 10 * 10 + 4));
  EXPECT_TRUE(block.HasCode('M', 3));
  EXPECT_TRUE(block.HasCode('G', 0));
  EXPECT_TRUE(block.HasCode('G', 17));
  EXPECT_FALSE(block.HasCode('G', 1));
  EXPECT_EQ(block.Find('G')->code, 43);
  EXPECT_EQ(block.Find('X'), nullptr);
}

// Random numbers of every length (the usual ones of up to 15 digits and the longer ones take
// different ways through the reader), with signs, leading zeros, points and what may follow: each
// word holds the value the system's converter reads from the same text, the code of its whole
// part (held at 999999), whether its decimals are all zero, and ends where the number does.
TEST(ReadBlock, NumbersOfEveryLengthReadAlike) {
  std::mt19937_64 engine(1313);
  for (int round = 0; round < 200000; ++round) {
    const uint64_t r = engine();
    std::string digits;
    const int wholeDigits = static_cast<int>(r % 12);
    const int decimals = static_cast<int>((r >> 8) % 10);
    const bool point = (r >> 16) % 4 != 0 || wholeDigits + decimals == 0;
    bool fractionNonZero = false;
    for (int i = 0; i < wholeDigits; ++i) digits += static_cast<char>('0' + engine() % ((r >> 20) % 3 == 0 ? 2 : 10));
    std::string fraction;
    for (int i = 0; point && i < decimals; ++i) {
      const char d = static_cast<char>('0' + engine() % ((r >> 24) % 3 == 0 ? 2 : 10));
      fractionNonZero = fractionNonZero || d != '0';
      fraction += d;
    }
    const char sign = "  -+"[(r >> 28) % 4];
    const std::string number = digits + (point ? "." : "") + fraction;
    const std::string text = (sign == ' ' ? "" : std::string(1, sign)) + number;
    const char* after[] = {"", " Y1.", "Z2", "\r\n", "(C)"};
    const std::string line = "X" + text + after[(r >> 32) % 5];
    Block block;
    const int result = ReadBlock(line.data(), line.size(), &block);
    if (digits.empty() && fraction.empty()) {
      EXPECT_EQ(result, kBlockNoNumber) << line;
      continue;
    }
    ASSERT_EQ(result, kBlockReadable) << line;
    const BlockWord& word = block.words[0];
    double value = ParseNcReal(number);
    if (sign == '-') value = -value;
    EXPECT_EQ(word.value, value) << line;
    EXPECT_EQ(std::signbit(word.value), sign == '-') << line;
    EXPECT_EQ(word.hasPoint, point) << line;
    EXPECT_EQ(word.integral, !fractionNonZero) << line;
    int64_t whole = 0;
    for (char c : digits) whole = whole < 1000000 ? whole * 10 + (c - '0') : whole;
    const auto code = static_cast<int32_t>(whole > 999999 ? 999999 : whole);
    EXPECT_EQ(word.code, sign == '-' ? -code : code) << line;
    EXPECT_EQ(word.end, 1 + text.size()) << line;
  }
  // A number that goes on in a way no number does, whatever its length.
  for (const char* line : {"X1.2.3", "X123456789012345678.5.1", "X1.5-2", "X00000000000000000001+2"}) {
    Block block;
    EXPECT_EQ(ReadBlock(line, std::strlen(line), &block), kBlockNoNumber) << line;
  }
}

TEST(ReadBlock, TooManyWords) {
  std::string line;
  for (int i = 0; i < kMaxBlockWords + 1; ++i) line += "M1";
  Block block;
  EXPECT_EQ(ReadBlock(line.data(), line.size(), &block), kBlockTooManyWords);
  EXPECT_EQ(block.wordCount, kMaxBlockWords);
}

}  // namespace
