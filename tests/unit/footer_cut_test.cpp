// The footer cut, and the waits of the split's last steps.
#include <gtest/gtest.h>

#include <string>

#include "header_footer/footer_cut.h"
#include "header_footer/wait.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

std::string FooterOf(const TempDir& dir, const std::string& program, int lastMoveLine,
                     int* result = nullptr) {
  dir.Write("PART.NC", program);
  std::string nc = dir.Path("PART.NC");
  std::string footer = dir.Path("PART_footer.NC");
  int r = CutFooter(nc.c_str(), footer.c_str(), lastMoveLine);
  if (result != nullptr) *result = r;
  return dir.Read("PART_footer.NC");
}

TEST(CutFooter, TheLinesAfterTheLastMove) {
  struct Case {
    const char* name;
    std::string program;
    int lastMoveLine;
    const char* footer;
  };
  const Case cases[] = {
      {"codes, reference returns and the end, as written",
       "G92 X0 Y0 Z100.\nG01 X1. F100\nG00 Z100.\nM09\nG91 G28 Z0.\nG28 X0 Y0\nM05\nM30\n%\n", 3,
       "M09\r\nG91 G28 Z0.\r\nG28 X0 Y0\r\nM05\r\nM30\r\n%\r\n"},
      {"a block that names an axis but moves nothing keeps only its riding words",
       "G00 X1.\nG00 Z100. M05\nG01 x1.0 m09\nZ100.\nM30\n", 1, "M05\r\nM09\r\nM30\r\n"},
      {"dwells and machine-coordinate moves are kept",
       "G00 X1.\nG04 X2.\nG53 Z0.\nM30\n", 1, "G04 X2.\r\nG53 Z0.\r\nM30\r\n"},
      {"after the end only the tape mark", "G00 X1.\nM30\nG00 X5.\nM08\n%\n", 1, "M30\r\n%\r\n"},
      {"M02 ends it too, comments stay", "G01 X1. F9\n(DONE)\nM02\n(AFTER)\n", 1, "(DONE)\r\nM02\r\n"},
      {"no end: every line after the last move", "G01 X1. F9\nM05\n", 1, "M05\r\n"},
      // The program as it runs: the last move is the second line run (line 7, in O1000); the rest
      // of O1000 and the whole of O2000, called after it, are the footer's, without M98 or M99,
      // and the tape mark that closes the file after the subprograms.
      {"through the calls after the last move",
       "G00 X0 Y0\nM98 P1000\nM98 P2000\nM05\nM30\nO1000\nG01 X5. F100\nG90\nM99\nO2000\nM09\nM99\n%\n", 2,
       "G90\r\nM09\r\nM05\r\nM30\r\n%\r\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    int result = 0;
    EXPECT_EQ(FooterOf(dir, c.program, c.lastMoveLine, &result), c.footer) << c.name;
    EXPECT_EQ(result, kFooterCutOk) << c.name;
    if (c.program.find("M98") != std::string::npos) continue;
    // A program that calls nothing: read from where the line after the last move begins (the
    // measurement's offset), the same footer.
    size_t offset = 0;
    for (int line = 0; line < c.lastMoveLine; ++line) offset = c.program.find('\n', offset) + 1;
    const std::string nc = dir.Path("PART.NC");
    const std::string footer = dir.Path("PART_footer.NC");
    EXPECT_EQ(CutFooter(nc.c_str(), footer.c_str(), c.lastMoveLine, static_cast<int64_t>(offset)), kFooterCutOk);
    EXPECT_EQ(dir.Read("PART_footer.NC"), c.footer) << c.name << ", from the offset";
  }
}

TEST(CutFooter, LinesAreCopiedByteForByte) {
  TempDir dir;
  std::string program = "G00 Z100.\nM05 (\x8e\xe5\x8e\xb2)\r\nM09\r(CR)\r\n%";
  EXPECT_EQ(FooterOf(dir, program, 1), "M05 (\x8e\xe5\x8e\xb2)\r\nM09\r(CR)\r\n%");
}

TEST(CutFooter, ACallItCannotFollowFailsIt) {
  TempDir dir;
  int result = 0;
  FooterOf(dir, "G01 X1. F10\nM98 P2000\nM30\nO1000\nM99\n", 1, &result);
  EXPECT_EQ(result, kFooterCutFailed);
}

TEST(CutFooter, Failures) {
  TempDir dir;
  std::string missing = dir.Path("NONE.NC");
  std::string footer = dir.Path("F.NC");
  EXPECT_EQ(CutFooter(missing.c_str(), footer.c_str(), 0), kFooterCutFailed);
  dir.Write("P.NC", "M30\n");
  std::string nc = dir.Path("P.NC");
  std::string bad = dir.Path("no/dir/F.NC");
  EXPECT_EQ(CutFooter(nc.c_str(), bad.c_str(), 0), kFooterCutFailed);
  dir.Write("L.NC", "M30\n" + std::string(4096, 'Y') + "\n");
  std::string longLines = dir.Path("L.NC");
  EXPECT_EQ(CutFooter(longLines.c_str(), footer.c_str(), 0), kFooterCutFailed);
}

TEST(WaitSeconds, SleepsUntilEachSecondHasPassed) {
  struct Case {
    int count;
    uint32_t startTick;
    uint32_t tickStep;  // the clock also runs between reads
  };
  const Case cases[] = {{0, 1000, 0}, {1, 1000, 0}, {3, 5, 0}, {2, 0xFFFFFE00u, 0}, {1, 0, 7}};
  for (const Case& c : cases) {
    FakePlatform fake;
    fake.tick = c.startTick;
    fake.tickStep = c.tickStep;
    EXPECT_EQ(WaitSeconds(c.count), 0);
    uint32_t elapsed = fake.tick - c.startTick;
    EXPECT_GE(elapsed, 1000u * static_cast<uint32_t>(c.count)) << c.count;
    EXPECT_LT(elapsed, 1000u * static_cast<uint32_t>(c.count) + 50) << c.count;
    EXPECT_LE(fake.sleptMs, 1000u * static_cast<uint64_t>(c.count)) << c.count;
  }
}

TEST(WaitSeconds, ReturnsAtOnceWithoutFixedWaits) {
  FakePlatform fake;
  platform::Current().fixedWaits = false;
  EXPECT_EQ(WaitSeconds(3), 0);
  EXPECT_EQ(fake.sleptMs, 0u);
  EXPECT_EQ(fake.tick, 1000u);
}

}  // namespace
