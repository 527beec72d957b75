// The header cut: which lines stay, where the body begins, the positioning line, bytes kept as
// they are.
#include <gtest/gtest.h>

#include <string>

#include "header_footer/header_cut.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

struct Cut {
  int result = -99;
  std::string header;
  int bodyLine = 0;
  std::string positioning;  // the positioning line to the start point (0, 0, 100)
};

Cut CutOf(const TempDir& dir, const std::string& program) {
  dir.Write("PART.NC", program);
  Cut cut;
  std::string nc = dir.Path("PART.NC");
  std::string header = dir.Path("PART_header.NC");
  PositioningRecipe recipe{};
  cut.result = CutHeader(nc.c_str(), header.c_str(), &recipe);
  cut.bodyLine = recipe.bodyLine;
  cut.header = dir.Read("PART_header.NC");
  char line[128];
  const double start[3] = {0, 0, 100};
  FormatPositioningLine(recipe, start, line);
  cut.positioning = line;
  return cut;
}

constexpr char kExample[] =
    "%\n"
    "O1000\n"
    "G92 X0 Y0 Z100.\n"
    "G90 G54 G17 G40 G80\n"
    "T1 M06\n"
    "G00 G90 X10. Y20. S1000 M03\n"
    "G43 H1 Z50.\n"
    "G01 Z-5. F100\n"
    "X50.\n"
    "M30\n";

TEST(CutHeader, ExampleProgramAndItsPositioningLine) {
  TempDir dir;
  Cut cut = CutOf(dir, kExample);
  ASSERT_EQ(cut.result, kHeaderCutOk);
  EXPECT_EQ(cut.header, "%\r\nO1000\r\nG92 X0 Y0 Z100.\r\nG90 G54 G17 G40 G80\r\nT1 M06\r\n");
  EXPECT_EQ(cut.positioning, "G90G0X0.Y0.Z100.");
  std::string nc = dir.Path("PART.NC");
  std::string header = dir.Path("PART_header.NC");
  EXPECT_EQ(CutHeader(nc.c_str(), header.c_str()), kHeaderCutOk);
  EXPECT_EQ(dir.Read("PART_header.NC"), cut.header);
  // The recipe alone, without a file: the same line, to whatever start point the run has.
  PositioningRecipe recipe{};
  EXPECT_EQ(CutHeader(nc.c_str(), nullptr, &recipe), kHeaderCutOk);
  char line[128];
  const double start[3] = {-12.5, 0.0005, 250};
  FormatPositioningLine(recipe, start, line);
  EXPECT_STREQ(line, "G90G0X-12.5Y0.001Z250.");
}

TEST(CutHeader, WhichLinesStay) {
  struct Case {
    const char* name;
    const char* program;
    const char* header;
    const char* positioning;  // to the start point (0, 0, 100)
  };
  const Case cases[] = {
      {"a G43 line with Z before the first rapid stays",
       "G92 X0 Y0 Z100.\nG43 H1 Z50.\nG00 X5.\n", "G92 X0 Y0 Z100.\r\nG43 H1 Z50.\r\n",
       "G90G0X0.Y0Z100."},
      {"a feed move that stays at the start point is copied, one that leaves ends the header",
       "G92 X0 Y0 Z100.\nG90\nG01 Z100. F1000\nG01 Z5. F1000\nM30\n",
       "G92 X0 Y0 Z100.\r\nG90\r\nG01 Z100. F1000\r\n", "G90G00X0.Y0.Z100."},
      {"without G90 the program is read as absolute from power-on",
       "G92 X0 Y0 Z100.\nG01 Z100. F1000\nG01 Z5. F1000\n", "G92 X0 Y0 Z100.\r\nG01 Z100. F1000\r\n",
       "G90G00X0.Y0.Z100."},
      {"G91 on a skipped line takes effect: Z0. under G91 stays",
       "G92 X0 Y0 Z100.\nG91 G28 Z0.\nG01 Z0. F100\nG01 Z-5.\n",
       "G92 X0 Y0 Z100.\r\nG91 G28 Z0.\r\nG01 Z0. F100\r\n", "G90G00X0.Y0.Z100."},
      {"thousandths style gives the thousandths positioning line",
       "G92 X0 Y0 Z100000\nG90 G00 X10000 Y20000\n", "G92 X0 Y0 Z100000\r\n", "G90G0X0Y0Z100000"},
      {"an incremental positioning block gives an absolute positioning line",
       "G92 X0 Y0 Z100.\nG91 G00 X10.\n", "G92 X0 Y0 Z100.\r\n", "G90G0X0.Y0Z100."},
      {"a G92 after a reference return keeps the header going",
       "G91 G28 Z0.\nG92 X0 Y0 Z100.\nG90 G00 X1.\n", "G91 G28 Z0.\r\nG92 X0 Y0 Z100.\r\n",
       "G90G0X0.Y0Z100."},
      {"a dwell never ends the header", "G92 X0 Y0 Z100.\nG90 G04 X2.\nG01 X1. F9\n",
       "G92 X0 Y0 Z100.\r\nG90 G04 X2.\r\n", "G90G00X0.Y0.Z100."},
      {"a full circle at the start point cuts: it ends the header",
       "G92 X0 Y0 Z100.\nG90\nG02 I5. F300\nG00 X1.\n", "G92 X0 Y0 Z100.\r\nG90\r\n", "G90G00X0.Y0.Z100."},
      {"no line leaves the start point: the whole program", "%\nO1\nM30\n%", "%\r\nO1\r\nM30\r\n%",
       "G90G00X0.Y0.Z100."},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Cut cut = CutOf(dir, c.program);
    EXPECT_EQ(cut.result, kHeaderCutOk) << c.name;
    EXPECT_EQ(cut.header, c.header) << c.name;
    EXPECT_EQ(cut.positioning, c.positioning) << c.name;
  }
}

TEST(CutHeader, WhereTheBodyBeginsAndWhatThePositioningLineTakes) {
  struct Case {
    const char* name;
    const char* program;
    int bodyLine;
    const char* positioning;  // to the start point (0, 0, 100)
  };
  const Case cases[] = {
      {"the first rapid", kExample, 6, "G90G0X0.Y0.Z100."},
      {"compensation, length offset and a return level stay with the program's own move",
       "G92 X0 Y0 Z100.\nG00 G41 D1 G43 H1 G99 G54 X5. Z50.\nG01 Z-1. F9\n", 2, "G90G0G54X0.Y0Z100."},
      {"a canned cycle ends the header and gives no recipe",
       "G92 X0 Y0 Z100.\nG81 G99 X5. Y5. Z-3. R2. F100\nG80\n", 2, "G90G00X0.Y0.Z100."},
      {"a program that never leaves its start point has no body", "%\nO1\nM30\n%", 0,
       "G90G00X0.Y0.Z100."},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Cut cut = CutOf(dir, c.program);
    EXPECT_EQ(cut.result, kHeaderCutOk) << c.name;
    EXPECT_EQ(cut.bodyLine, c.bodyLine) << c.name;
    EXPECT_EQ(cut.positioning, c.positioning) << c.name;
  }
}

TEST(CutHeader, RawBytesAreCopiedAsTheyAre) {
  TempDir dir;
  // CR LF and LF ends, a lone CR inside a line, Shift-JIS comments whose second bytes look like
  // letters and parentheses ("ス" is 0x83 0x58), a NUL byte.
  std::string program =
      "%\r\nO1000(\x83\x58\x83\x5e\x81\x5b\x83\x67)\r\nG92 X0 Y0 Z100.\n(A\rB)\r\n"
      "M08(\x8a\xdb)\n";
  program += std::string("(N\0UL)\r\n", 8);
  program += "G00 X5.\n";
  Cut cut = CutOf(dir, program);
  ASSERT_EQ(cut.result, kHeaderCutOk);
  std::string expected =
      "%\r\nO1000(\x83\x58\x83\x5e\x81\x5b\x83\x67)\r\nG92 X0 Y0 Z100.\r\n(A\rB)\r\n"
      "M08(\x8a\xdb)\r\n";
  expected += std::string("(N\0UL)\r\n", 8);
  EXPECT_EQ(cut.header, expected);
  EXPECT_EQ(cut.positioning, "G90G0X0.Y0Z100.");  // X as in its block, Y and Z as in the G92
}

TEST(CutHeader, Failures) {
  TempDir dir;
  std::string missing = dir.Path("NONE.NC");
  std::string header = dir.Path("H.NC");
  EXPECT_EQ(CutHeader(missing.c_str(), header.c_str()), kHeaderCutFailed);
  dir.Write("P.NC", "G00 X1.\n");
  std::string nc = dir.Path("P.NC");
  std::string badHeader = dir.Path("no/dir/H.NC");
  EXPECT_EQ(CutHeader(nc.c_str(), badHeader.c_str()), kHeaderCutFailed);
  dir.Write("L.NC", "G00 X1.\n(" + std::string(5000, 'A') + ")\n");
  std::string longLines = dir.Path("L.NC");
  EXPECT_EQ(CutHeader(longLines.c_str(), header.c_str()), kHeaderCutFailed);
}

}  // namespace
