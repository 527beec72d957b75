// The footer cut and the wait between its two readings.
#include <gtest/gtest.h>

#include <string>

#include "header_footer/footer_cut.h"
#include "header_footer/wait.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace {

std::string Numbered(int count, const char* body) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "G01 X" + std::to_string(i) + ". " + body + "\n";
  return text;
}

std::string FooterOf(const TempDir& dir, const std::string& program, int* result = nullptr) {
  dir.Write("PART.NC", program);
  std::string nc = dir.Path("PART.NC");
  std::string footer = dir.Path("PART_footer.NC");
  int r = CutFooter(nc.c_str(), footer.c_str());
  if (result != nullptr) *result = r;
  return dir.Read("PART_footer.NC");
}

TEST(CutFooter, TheClosingLinesOfAProgram) {
  struct Case {
    const char* name;
    std::string program;
    const char* footer;
  };
  const Case cases[] = {
      {"last rapid near the end: the last ten lines without axis moves",
       "%\nO1\nG92 X0 Y0 Z100.\n" + Numbered(10, "F100") +
           "M09\nG00 Z100.\nG91 G28 Z0.\nG28 X0 Y0\nM05\nM30\n%\n",
       "M09\r\nG91 G28 Z0.\r\nG28 X0 Y0\r\nM05\r\nM30\r\n%\r\n"},
      {"last rapid far from the end: from there on",
       "G92 X0 Y0 Z100.\n(A)\nM05\nG00 Z100.\n(B)\nM09\n" + Numbered(8, "") + "M30\n",
       "(B)\r\nM09\r\nM30\r\n"},
      {"no rapid at all: the last ten lines", Numbered(15, "F100") + "M05\nM30\n",
       "M05\r\nM30\r\n"},
      {"a short program: every line without its axis moves",
       "O1\nG00 X1.\nM08\nG04 X2.\nM30\n", "O1\r\nM08\r\nG04 X2.\r\nM30\r\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    int result = 0;
    EXPECT_EQ(FooterOf(dir, c.program, &result), c.footer) << c.name;
    EXPECT_EQ(result, kFooterCutOk) << c.name;
  }
}

TEST(CutFooter, LinesAreCopiedByteForByte) {
  TempDir dir;
  std::string program = "G00 Z100.\nM05 (\x8e\xe5\x8e\xb2)\r\nM09\r(CR)\r\n%";
  EXPECT_EQ(FooterOf(dir, program), "M05 (\x8e\xe5\x8e\xb2)\r\nM09\r(CR)\r\n%");
}

TEST(CutFooter, WaitsOneSecondBetweenItsReadings) {
  TempDir dir;
  FakePlatform fake;
  FooterOf(dir, "G00 X1.\nM30\n");
  EXPECT_GE(fake.sleptMs, 1000u);
  EXPECT_LT(fake.sleptMs, 2000u);
}

TEST(CutFooter, Failures) {
  TempDir dir;
  std::string missing = dir.Path("NONE.NC");
  std::string footer = dir.Path("F.NC");
  EXPECT_EQ(CutFooter(missing.c_str(), footer.c_str()), kFooterCutFailed);
  dir.Write("P.NC", "M30\n");
  std::string nc = dir.Path("P.NC");
  std::string bad = dir.Path("no/dir/F.NC");
  EXPECT_EQ(CutFooter(nc.c_str(), bad.c_str()), kFooterCutFailed);
  dir.Write("L.NC", "M30\n" + std::string(4096, 'Y') + "\n");
  std::string longLines = dir.Path("L.NC");
  EXPECT_EQ(CutFooter(longLines.c_str(), footer.c_str()), kFooterCutFailed);
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
