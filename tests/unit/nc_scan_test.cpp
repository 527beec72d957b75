// NC text scanning: token search at character boundaries, comment cut, word readers, probes.
#include <gtest/gtest.h>

#include <cstring>
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
      {"X100", 0.1, 0},  {"X100.", 100.0, 1}, {"X1.5", 1.5, 1},   {"X.5", 0.5, 1},
      {"X-5", -0.005, 0}, {"X-12.", -12.0, 1}, {"X1-2", 0.001, 0}, {"XY1.", 0.0, 0},
      {"X1-2.", 1.0, 1},  {"X+5", 0.0, 0},
  };
  for (const Case& c : cases) {
    double value = -99;
    int hasPoint = -99;
    ReadWordValue(c.text, &value, &hasPoint);
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(hasPoint, c.hasPoint) << c.text;
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
      {"x10.", "X", -1},
      // ス (83 58) and エ (83 47) hold "X" and "G" as second bytes: never matched.
      {"（スタート）", "X", -1},
      {"エ01", "G0", -1},
      {"（スタート）X5.", "X", 12},
      // A lead byte without a valid second byte stands alone: what follows is still seen.
      {"\x83(X1.", "(", 1},
      {"\x81\x7F" "X1.", "X", 2},
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
  const char* cases[][2] = {
      {"G01X1.(CUT)Y2.\n", "G01X1."},
      {"G01X1.\n", "G01X1.\n"},
      {"G00X0（スタート）\n", "G00X0（スタート）\n"},  // full-width parentheses are text
  };
  for (const auto& c : cases) {
    char line[64] = {};
    std::snprintf(line, sizeof line, "%s", c[0]);
    CutComment(line);
    EXPECT_STREQ(line, c[1]) << c[0];
    for (size_t i = std::strlen(line); i < std::strlen(c[0]); ++i) EXPECT_EQ(line[i], '\0');
  }
}

TEST(FindMotionWord, WholeWordsOnly) {
  struct Case {
    const char* line;
    int motion;
  } cases[] = {
      {"G0X1.", 0},     {"G01", 1},   {"G17G1X5.", 1}, {"G17G2X10.I5.", 2}, {"G17", -1},
      {"G21", -1},      {"G04X1.", -1}, {"G-1", -1},   {"G3G1G2", 1},       {"G01G00", 0},
      {"g1x1.", -1},    {"エ1", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindMotionWord(c.line), c.motion) << c.line;
}

TEST(Probes, Table) {
  struct Case {
    const char* line;
    int mCode, program, speed, direction, coolant;
  } cases[] = {
      {"M00", -1, -1, -1, -1, -1},        {"G00M30", 30, -1, -1, -1, -1},
      {"O1234", -1, 1234, -1, -1, -1},    {"N1O1234", -1, -1, -1, -1, -1},
      {"O0", -1, -1, -1, -1, -1},         {"M03S1200.", 3, -1, 1200, 3, -1},
      {"S0", -1, -1, -1, -1, -1},         {"M05M03", 5, -1, -1, 3, -1},
      {"M8", 8, -1, -1, -1, 8},           {"M09", 9, -1, -1, -1, -1},
      {"m03s100", -1, -1, -1, -1, -1},
      // ギ, ゴ end in "M", "S": nothing is found in them.
      {"（ギゴ）M", -1, -1, -1, -1, -1},
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
