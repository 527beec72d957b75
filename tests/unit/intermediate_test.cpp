// The intermediate file: records written and read back exactly, and lines that are no record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "split/intermediate.h"
#include "support/temp_dir.h"

namespace {

MoveRecord Move(int motion, double x, double y, double z, double i, double j, double feed,
                int line, const char* words = "") {
  MoveRecord record{};
  record.motion = motion;
  record.plane = 17;
  record.at[kX] = x;
  record.at[kY] = y;
  record.at[kZ] = z;
  record.at[kI] = i;
  record.at[kJ] = j;
  record.feed = feed;
  record.line = line;
  std::snprintf(record.words, sizeof record.words, "%s", words);
  return record;
}

TEST(Intermediate, RecordsAreWrittenAndReadBack) {
  TempDir dir;
  const std::string path = dir.Path("I.txt");
  const MoveRecord moves[] = {
      Move(0, 0, 0, 0, 0, 0, 0, 0),
      Move(1, -999999.999, 999999.999, 0.0005, -0.0004, 12.3456, 99999.9, 7, "S2000M08"),
      Move(2, 1.5, -2.5, 3.25, -10, 0.001, 1500, 12345678),
  };
  const char block[] = "T2 M06 (\x83X\x83^\x81[\x83g)";
  {
    platform::FileHandle file(path.c_str(), "wb");
    IntermediateWriter writer(file.get(), kMillimetres);
    for (const MoveRecord& m : moves) ASSERT_EQ(writer.WriteMove(m), 0);
    ASSERT_EQ(writer.WriteBlock(9, block, std::strlen(block)), 0);
  }
  EXPECT_EQ(dir.Read("I.txt").substr(0, 6), "U 21\r\n");
  platform::FileHandle file(path.c_str(), "rb");
  IntermediateReader reader(file.get());
  EXPECT_EQ(reader.units(), kMillimetres);
  for (const MoveRecord& m : moves) {
    ASSERT_EQ(reader.Next(), kRecordMove);
    const MoveRecord& back = reader.move();
    EXPECT_EQ(back.motion, m.motion);
    EXPECT_EQ(back.line, m.line);
    EXPECT_STREQ(back.words, m.words);
    for (int slot : {kX, kY, kZ, kI, kJ}) EXPECT_NEAR(back.at[slot], m.at[slot], 0.0005 + 1e-12);
    EXPECT_NEAR(back.feed, m.feed, 0.0005 + 1e-12);
  }
  ASSERT_EQ(reader.Next(), kRecordBlock);
  EXPECT_EQ(reader.block().line, 9);
  EXPECT_EQ(std::string(reader.block().text, reader.block().length), block);
  EXPECT_EQ(reader.Next(), kRecordEnd);
}

TEST(Intermediate, RoundingFollowsTheFormatter) {
  int64_t count = 0;
  ASSERT_TRUE(ToResolutionCount(0.0625, 3, &count));
  EXPECT_EQ(count, 63);  // a tie: half away from zero
  ASSERT_TRUE(ToResolutionCount(-0.0625, 3, &count));
  EXPECT_EQ(count, -63);
  ASSERT_TRUE(ToResolutionCount(1.0005, 3, &count));
  EXPECT_EQ(count, 1000);  // the value's own expansion is 1.0004999999999999
  ASSERT_TRUE(ToResolutionCount(0.00049, 4, &count));
  EXPECT_EQ(count, 5);
  EXPECT_FALSE(ToResolutionCount(1e300, 3, &count));
}

TEST(Intermediate, LinesThatAreNoRecord) {
  const char* lines[] = {
      "",
      "M 0 17 0 0 0",
      "M 4 17 0 0 0 0 0 0 0 0 0 0",
      "M 0 16 0 0 0 0 0 0 0 0 0 0",
      "M 0 17 0 0 0 0 0 0 0 0 0 x",
      "M 0 17 0 0,0 0 0 0 0 0 0 0",
      "M 0 17 0 0  0 0 0 0 0 0 0 0",
      "M 0 17 0 1000000000000000 0 0 0 0 0 0 0 0",
      "X 0",
      "B x text",
  };
  for (const char* line : lines) {
    MoveRecord move{};
    HoleRecord hole{};
    BlockRecord block{};
    EXPECT_EQ(ParseRecord(line, std::strlen(line), kMillimetres, &move, &hole, &block), kRecordBad) << line;
  }
}

TEST(Intermediate, AFileWithoutItsUnitsLineOrCutShortIsBroken) {
  TempDir dir;
  dir.Write("a.txt", "M 0 17 0 0 0 0 0 0 0 0 0 0\r\n");
  platform::FileHandle a(dir.Path("a.txt").c_str(), "rb");
  IntermediateReader first(a.get());
  EXPECT_EQ(first.Next(), kRecordBad);
  dir.Write("b.txt", "U 21\r\nM 0 17 0 0 0 0 0 0 0 0 0 0\r\nM 1 17 0");
  platform::FileHandle b(dir.Path("b.txt").c_str(), "rb");
  IntermediateReader second(b.get());
  EXPECT_EQ(second.Next(), kRecordMove);
  EXPECT_EQ(second.Next(), kRecordBad);
}

}  // namespace
