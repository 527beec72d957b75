// NC text scanning: token search at character boundaries, comment cut, word readers, probes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "nc/scan.h"

namespace {

TEST(ReadWordValue, ThousandthsRule) {
  struct Case {
    const char* text;
    double value;
    int hasPoint;
  } cases[] = {
      {"X100", 0.1, 0},   {"X100.", 100.0, 1}, {"X1.5", 1.5, 1},    {"X.5", 0.5, 1},
      {"X-5", -0.005, 0}, {"X-12.", -12.0, 1}, {"X1-2", 0.001, 0},  {"XY1.", 0.0, 0},
      {"X", 0.0, 0},      {"X1.2.3", 1.2, 1},  {"X-", 0.0, 0},      {"X-.5", -0.5, 1},
      {"X+5", 0.0, 0},    {"X12 Y3", 0.012, 0}, {"X1-2.", 1.0, 1},
  };
  for (const Case& c : cases) {
    double value = -99;
    int hasPoint = -99;
    ReadWordValue(c.text, &value, &hasPoint);
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(hasPoint, c.hasPoint) << c.text;
  }
}

TEST(ReadWordValue, NumberTextsLongerThanThirtyTwoCharacters) {
  // The whole run is the word's number: nothing spills over, the value is exact.
  std::string text = "X1." + std::string(60, '0') + "1Y2.";
  double value = 0;
  int hasPoint = 0;
  ReadWordValue(text.c_str(), &value, &hasPoint);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(hasPoint, 1);
  text = "X" + std::string(500, '9');
  ReadWordValue(text.c_str(), &value, &hasPoint);
  EXPECT_EQ(value, 0.0);  // beyond the double range: refused
  EXPECT_EQ(hasPoint, 0);
}

TEST(ReadWordInteger, Table) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {"G01", 1}, {"M3", 3}, {"S1200.", 1200}, {"D07", 7}, {"G04", 4}, {"G--3", 0}, {"G", 0},
      {"S99999999999999", 2147483647},
  };
  for (const Case& c : cases) {
    int value = -99;
    EXPECT_EQ(ReadWordInteger(c.text, &value), c.value) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(FindText, SubstringsAtCharacterBoundaries) {
  struct Case {
    const char* text;
    const char* token;
    int index;
  } cases[] = {
      {"G01X1.", "G0", 0},
      {"G91G28Z0", "G0", -1},
      {"G17G1X5.", "G1", 0},
      {"N10", "", 0},
      {"x10.", "X", -1},
      // ス (83 58) and エ (83 47) hold "X" and "G" as second bytes: never matched.
      {"（スタート）", "X", -1},
      {"エ01", "G0", -1},
      {"（スタート）X5.", "X", 12},
      // A lead byte without a valid second byte stands alone: what follows is still seen.
      {"\x83(X1.", "(", 1},
      {"\x83" "X1.", "X", -1},  // 83 58 is one character, ス
      {"\x81\x7F" "X1.", "X", 2},  // 7F is no second byte: 81 and 7F stand alone
      {"\xFD" "X1.", "X", 1},      // FD is no lead byte
      {"\x83", "X", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.text, c.token), c.index) << c.text << " / " << c.token;
  }
}

// The plain definition: walk the characters, compare at each one.
int FindTextByWalking(const char* text, const char* token) {
  for (const char* p = text; *p != '\0'; p += CharacterWidth(p)) {
    size_t i = 0;
    while (token[i] != '\0' && p[i] == token[i]) ++i;
    if (token[i] == '\0') return static_cast<int>(p - text);
  }
  return -1;
}

TEST(FindText, AgreesWithTheCharacterWalkOnMixedText) {
  // Lead bytes, second bytes that are letters, lone lead bytes before digits and parentheses.
  const char alphabet[] = {'\x83', '\x81', '\xE0', '\x7F', 'G', 'X', '0', '1', '(', '.', ' '};
  const char* tokens[] = {"G0", "G01", "X", "(", "G", "1G", "XG0"};
  std::mt19937 random(12345);
  for (int round = 0; round < 20000; ++round) {
    char text[24];
    int length = static_cast<int>(random() % 23);
    for (int i = 0; i < length; ++i) text[i] = alphabet[random() % sizeof alphabet];
    text[length] = '\0';
    for (const char* token : tokens) {
      ASSERT_EQ(FindText(text, token), FindTextByWalking(text, token)) << round << " " << token;
    }
  }
}

TEST(CutComment, CutsFromTheFirstParenthesis) {
  struct Case {
    const char* line;
    const char* kept;
  } cases[] = {
      {"G01X1.(CUT)Y2.\n", "G01X1."},
      {"G01X1.\n", "G01X1.\n"},
      {"(ALL)\n", ""},
      {"G00X0（スタート）\n", "G00X0（スタート）\n"},  // full-width parentheses are text
      {"\x83(Y1.\n", "\x83"},
  };
  for (const Case& c : cases) {
    char line[64];
    std::snprintf(line, sizeof line, "%s", c.line);
    CutComment(line);
    EXPECT_STREQ(line, c.kept) << c.line;
    // Every byte after the cut is NUL.
    size_t length = std::string(c.line).size();
    for (size_t i = std::string(line).size(); i < length; ++i) EXPECT_EQ(line[i], '\0');
  }
}

TEST(FindMotionWord, WholeWordsOnly) {
  struct Case {
    const char* line;
    int motion;
  } cases[] = {
      {"G0X1.", 0},     {"G00X1.", 0},   {"G1X1.", 1},       {"G01", 1},        {"G2X1.I1.", 2},
      {"G03", 3},       {"G17G1X5.", 1}, {"G17G2X10.I5.", 2}, {"G17", -1},       {"G21", -1},
      {"G04X1.", -1},   {"G10", -1},     {"G-1", -1},        {"GX1.", -1},      {"G3G1G2", 1},
      {"G01G00", 0},    {"G91G28Z0", -1}, {"g1x1.", -1},     {"エ1", -1},        {"N1G001", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindMotionWord(c.line), c.motion) << c.line;
  }
}

TEST(CopyWordNumberAndTail, SizeBound) {
  char out[8];
  EXPECT_EQ(CopyWordNumber("F1500.5X", out), 7);
  EXPECT_STREQ(out, "1500.5");
  EXPECT_EQ(CopyWordNumber("F123456789", out), 8);  // cut to 7 characters
  EXPECT_STREQ(out, "1234567");
  EXPECT_EQ(CopyWordNumber("F", out), 1);
  EXPECT_STREQ(out, "");

  EXPECT_EQ(CopyTail("G00M30", 3, 6, out), 4);  // "M30" and its terminator
  EXPECT_STREQ(out, "M30");
  EXPECT_EQ(CopyTail("G00M30X1.5", 3, 5, out), 3);
  EXPECT_STREQ(out, "M30");
  EXPECT_EQ(CopyTail("ABCDEFGHIJKL", 0, 11, out), 7);
  EXPECT_STREQ(out, "ABCDEFG");
}

TEST(Probes, Table) {
  struct Case {
    const char* line;
    int mCode, program, speed, direction, coolant;
  } cases[] = {
      {"M00", -1, -1, -1, -1, -1},
      {"G00M30", 30, -1, -1, -1, -1},
      {"O1234", -1, 1234, -1, -1, -1},
      {" O1234", -1, -1, -1, -1, -1},
      {"N1O1234", -1, -1, -1, -1, -1},
      {"O0", -1, -1, -1, -1, -1},
      {"M03S1200", 3, -1, 1200, 3, -1},
      {"S0", -1, -1, -1, -1, -1},
      {"M04", 4, -1, -1, 4, -1},
      {"M05", 5, -1, -1, -1, -1},
      {"M05M03", 5, -1, -1, 3, -1},
      {"M3", 3, -1, -1, 3, -1},
      {"M8", 8, -1, -1, -1, 8},
      {"M09", 9, -1, -1, -1, -1},
      {"M05M08", 5, -1, -1, -1, 8},
      {"m03s100", -1, -1, -1, -1, -1},
      {"（スタート）M03", 3, -1, -1, 3, -1},
      // ギ, ゴ, グ end in "M", "S", "O": nothing is found in them.
      {"（ギゴグ）M", -1, -1, -1, -1, -1},
      {"ギ08", -1, -1, -1, -1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindMCode(c.line), c.mCode) << c.line;
    EXPECT_EQ(FindProgramNumber(c.line), c.program) << c.line;
    EXPECT_EQ(FindSpindleSpeed(c.line), c.speed) << c.line;
    EXPECT_EQ(FindSpindleDirection(c.line), c.direction) << c.line;
    EXPECT_EQ(FindCoolant(c.line), c.coolant) << c.line;
  }
}

}  // namespace
