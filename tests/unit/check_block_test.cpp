// The split check's own block reader: the control's reading rules (blanks, signs, lower case,
// comments, block delete, tape marks) and the blocks a control cannot read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "check/check_block.h"

namespace {

int Read(const std::string& line, CheckBlock* block) { return ReadCheckBlock(line.data(), line.size(), block); }

TEST(CheckBlockReader, WordsAsAControlReadsThem) {
  struct Case {
    const char* line;
    char letter;
    double value;
    bool point;
  } cases[] = {
      {"G01 X2.5 Y -0.25", 'Y', -0.25, true},   // blank between address and number
      {"F 300", 'F', 300.0, false},
      {"X+4.0", 'X', 4.0, true},                // "+" sign
      {"x10. f200", 'X', 10.0, true},           // lower case
      {"x10. f200", 'F', 200.0, false},
      {"X1 0", 'X', 10.0, false},               // blanks inside a number are read over
      {"Z.500", 'Z', 0.5, true},
      {"Z-.5", 'Z', -0.5, true},
      {"X-0", 'X', 0.0, false},                 // no negative zero
      {"X100", 'X', 100.0, false},              // the unit rule is the simulator's
      {"Z+0035000", 'Z', 35000.0, false},
      {"/N10 G1 X3.", 'X', 3.0, true},          // block delete: the block runs
      {"(X9.) X3. (Y9.)", 'X', 3.0, true},      // comments end at ")"
      {"G0 X1.(unclosed Y5.", 'X', 1.0, true},
      {"  :0097", 'O', 97.0, false},            // old form of the program number
      {"X0.1", 'X', 0.1, true},                 // correctly rounded
      {"X123456789.123456789", 'X', 123456789.123456789, true},
      {"X0.30000000000000000000000001", 'X', 0.3, true},
  };
  for (const Case& c : cases) {
    CheckBlock block;
    ASSERT_EQ(Read(c.line, &block), kBlockRead) << c.line;
    ASSERT_TRUE(HasWord(block, c.letter)) << c.line;
    EXPECT_EQ(WordValue(block, c.letter), c.value) << c.line;
    EXPECT_EQ((block.hasPoint & LetterBit(c.letter)) != 0, c.point) << c.line;
    if (c.value == 0.0) {
      EXPECT_FALSE(std::signbit(WordValue(block, c.letter))) << c.line;  // no negative zero
    }
  }
}

TEST(CheckBlockReader, CodesTapeMarksAndEmptyLines) {
  CheckBlock block;
  ASSERT_EQ(Read("G91 G28 z0 m5 M09\r\n", &block), kBlockRead);
  ASSERT_EQ(block.gCount, 2);
  EXPECT_EQ(block.gCodes[0], GCode(91));
  EXPECT_EQ(block.gCodes[1], GCode(28));
  ASSERT_EQ(block.mCount, 2);
  EXPECT_EQ(block.mCodes[0], 5);
  EXPECT_EQ(block.mCodes[1], 9);
  EXPECT_TRUE(HasCode(block, GCode(28)));
  ASSERT_EQ(Read("G92.1 G00", &block), kBlockRead);
  EXPECT_EQ(block.gCodes[0], GCode(92, 1));
  EXPECT_EQ(block.gCodes[1], GCode(0));
  EXPECT_EQ(Read("%", &block), kBlockTapeMark);
  EXPECT_EQ(Read("  % (anything)", &block), kBlockTapeMark);
  ASSERT_EQ(Read("(ＸＹ comment with \x83\x58 inside)\n", &block), kBlockRead);
  EXPECT_EQ(block.present, 0u);
  ASSERT_EQ(Read("", &block), kBlockRead);
  EXPECT_EQ(block.present, 0u);
  // The words after a line end are not the line's.
  ASSERT_EQ(Read(std::string("X1.\nY2.", 7), &block), kBlockRead);
  EXPECT_FALSE(HasWord(block, 'Y'));
}

// The forms programs for other controls write, read as the split's own reader reads them: ";" ends
// the words of the line, "/1".."/9" is block delete, the tape start may carry the program number.
TEST(CheckBlockReader, DialectsOfOtherControls) {
  struct Case {
    std::string line;
    int result;
    uint32_t present;  // the letters read
    int column;        // of a fault
  } cases[] = {
      {"G01 X1. ; Y9. (Z1.", kBlockRead, LetterBit('G') | LetterBit('X'), 0},
      {"; \x82\x66" "91 #1 [", kBlockRead, 0, 0},               // nothing after ";" is read
      {"(A;B) X1.", kBlockRead, LetterBit('X'), 0},             // inside a comment ";" is text
      {"X1.;", kBlockRead, LetterBit('X'), 0},
      {"/1M68", kBlockRead, LetterBit('M'), 0},
      {" /9 G01 X1.", kBlockRead, LetterBit('G') | LetterBit('X'), 0},
      {"/0M68", kBlockBadCharacter, 0, 2},                      // no such switch
      {"/10M68", kBlockBadCharacter, 0, 3},
      {"%O0003(PART NAME)", kBlockTapeMark, LetterBit('O'), 0},
      {"% :0003", kBlockTapeMark, LetterBit('O'), 0},
      {"%;", kBlockTapeMark, 0, 0},
      {"%O0003 G90", kBlockBadCharacter, 0, 1},                 // nothing but the number beside "%"
      {"%O0003 O4", kBlockBadCharacter, 0, 1},
      {"  %G00Z110.", kBlockBadCharacter, 0, 3},
      {"% anything", kBlockBadCharacter, 0, 1},
      {"/%", kBlockBadCharacter, 0, 2},                         // "%" begins its line (after blanks)
      {"(START) %", kBlockBadCharacter, 0, 9},
      {"%/1", kBlockBadCharacter, 0, 2},
      {"%%", kBlockBadCharacter, 0, 2},
  };
  for (const Case& c : cases) {
    CheckBlock block;
    EXPECT_EQ(Read(c.line, &block), c.result) << c.line;
    if (c.result >= 0) {
      EXPECT_EQ(block.present, c.present) << c.line;
    } else {
      EXPECT_EQ(block.errorColumn, c.column) << c.line;
    }
  }
  CheckBlock block;
  ASSERT_EQ(Read("%O0003(PART)", &block), kBlockTapeMark);
  EXPECT_EQ(WordValue(block, 'O'), 3.0);
}

TEST(CheckBlockReader, BlocksAControlCannotRead) {
  struct Case {
    std::string line;
    int result;
    int column;
    const char* text;
  } cases[] = {
      {"GOO Z.500", kBlockNoNumber, 1, "G"},        // the letter O typed for a zero
      {"G01 X", kBlockNoNumber, 5, "X"},
      {"X1.2.3", kBlockBadNumber, 1, "X"},
      {"X1-2", kBlockBadCharacter, 3, "-"},
      {"G1.25", kBlockBadNumber, 1, "G"},
      {"M3.5", kBlockBadNumber, 1, "M"},
      {"G-1", kBlockBadNumber, 1, "G"},
      {"X" + std::string(61, '1'), kBlockBadNumber, 1, "X"},
      {"#100=5.", kBlockBadCharacter, 1, "#"},
      {"G01 X#101", kBlockBadCharacter, 6, "#"},
      {"G01 X[1+2]", kBlockBadCharacter, 6, "["},
      {"\x82\x66" "91", kBlockBadCharacter, 1, "\x82\x66"},  // a full-width G
      {"\x81\x69" "ishii" "\x81\x6A", kBlockBadCharacter, 1, "\x81\x69"},  // full-width "("
      {std::string("X1.\0Y2.", 7), kBlockBadCharacter, 4, ""},
      {"X1. X2.", kBlockRepeatedWord, 5, "X"},
      {"G1 G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 G13", kBlockTooManyCodes, 40, "G"},
  };
  for (const Case& c : cases) {
    CheckBlock block;
    EXPECT_EQ(Read(c.line, &block), c.result) << c.line;
    EXPECT_EQ(block.errorColumn, c.column) << c.line;
    EXPECT_STREQ(block.errorText, c.text) << c.line;
  }
}

TEST(CheckBlockReader, SignatureIgnoresOrderAndSequenceNumbers) {
  CheckBlock a;
  CheckBlock b;
  CheckBlock c;
  ASSERT_EQ(Read("N10 T2 M06", &a), kBlockRead);
  ASSERT_EQ(Read("M6 t2", &b), kBlockRead);
  ASSERT_EQ(Read("T3 M06", &c), kBlockRead);
  EXPECT_EQ(BlockSignature(a), BlockSignature(b));
  EXPECT_NE(BlockSignature(a), BlockSignature(c));
  // The same words in the same form: a number with or without its point is another block; the
  // motion and distance codes beside other words are the writer's; alone they are the block.
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"G04 X1", "G04 X1.", false},   {"G04 P500", "G04 P0500", true}, {"G90 M09", "M09", true},
      {"G00 G43 H2", "G43 H2", true}, {"G90", "G91", false},           {"G17", "G18", false},
      {"g4 p+500", "G04P500", true},  {"M08 (ON)", "M08", true},       {"S2000 M03", "S2000 M04", false},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Read(c.a, &a), kBlockRead) << c.a;
    ASSERT_EQ(Read(c.b, &b), kBlockRead) << c.b;
    EXPECT_EQ(BlockSignature(a) == BlockSignature(b), c.same) << c.a << " / " << c.b;
  }
}

TEST(CheckBlockReader, WordsRidingOnAMove) {
  CheckBlock block;
  CheckBlock riding;
  CheckBlock alone;
  ASSERT_EQ(Read("N60 G0 G90 G43 Z0.2 H10 M08 F300", &block), kBlockRead);
  ASSERT_TRUE(RidingWords(block, &riding));
  ASSERT_EQ(Read("G43 H10 M08", &alone), kBlockRead);
  EXPECT_EQ(BlockSignature(riding), BlockSignature(alone));
  ASSERT_EQ(Read("G18 G02 X10. Z0. I5. K0. F100", &block), kBlockRead);
  EXPECT_FALSE(RidingWords(block, &riding));
  ASSERT_EQ(Read("G01 X10. S2000", &block), kBlockRead);
  ASSERT_TRUE(RidingWords(block, &riding));
  ASSERT_EQ(Read("S2000", &alone), kBlockRead);
  EXPECT_EQ(BlockSignature(riding), BlockSignature(alone));
}

}  // namespace
