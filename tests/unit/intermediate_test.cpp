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
    ASSERT_EQ(writer.WriteBlock(9, 91, block, std::strlen(block)), 0);
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
    for (int slot : {kX, kY, kZ}) EXPECT_NEAR(back.at[slot], m.at[slot], 0.0005 + 1e-12);
    // Only an arc keeps its centre offsets.
    const bool arc = m.motion == 2 || m.motion == 3;
    for (int slot : {kI, kJ}) EXPECT_NEAR(back.at[slot], arc ? m.at[slot] : 0.0, 0.0005 + 1e-12);
    EXPECT_NEAR(back.feed, m.feed, 0.0005 + 1e-12);
  }
  ASSERT_EQ(reader.Next(), kRecordBlock);
  EXPECT_EQ(reader.block().line, 9);
  EXPECT_EQ(reader.block().distanceMode, 91);
  EXPECT_EQ(std::string(reader.block().text, reader.block().length), block);
  EXPECT_EQ(reader.Next(), kRecordEnd);
}

TEST(Intermediate, HoleRecordsWithTheCyclesWordsAndTheirOwn) {
  TempDir dir;
  const std::string path = dir.Path("I.txt");
  HoleRecord holes[2]{};
  holes[0] = HoleRecord{83, 98, kFromUnknown, 10, -20.5, -30, 3, 80, 50, 17, "Q4.P500", "M08"};
  holes[1] = HoleRecord{81, 99, 0, 1.2345, 0, -2, 3, 100, 50, 18, "", ""};
  {
    platform::FileHandle file(path.c_str(), "wb");
    IntermediateWriter writer(file.get(), kInches);
    for (const HoleRecord& hole : holes) ASSERT_EQ(writer.WriteHole(hole), 0);
  }
  EXPECT_EQ(dir.Read("I.txt"), "U 20\r\nC 83 98 8 100000 -205000 -300000 30000 80000 500000 17 Q4.P500 M08\r\n"
                               "C 81 99 0 12345 0 -20000 30000 100000 500000 18 -\r\n");
  platform::FileHandle file(path.c_str(), "rb");
  IntermediateReader reader(file.get());
  for (const HoleRecord& hole : holes) {
    ASSERT_EQ(reader.Next(), kRecordHole);
    const HoleRecord& back = reader.hole();
    EXPECT_EQ(back.code, hole.code);
    EXPECT_EQ(back.returnLevel, hole.returnLevel);
    EXPECT_EQ(back.flags, hole.flags);
    EXPECT_EQ(back.x, hole.x);
    EXPECT_EQ(back.y, hole.y);
    EXPECT_EQ(back.initial, hole.initial);
    EXPECT_STREQ(back.params, hole.params);
    EXPECT_STREQ(back.words, hole.words);
  }
  EXPECT_EQ(reader.Next(), kRecordEnd);
  // A cycle the system does not split, a return level that is none, flags beyond the known ones.
  for (const char* bad : {"C 80 98 0 0 0 0 0 0 0 1 -", "C 81 97 0 0 0 0 0 0 0 1 -",
                          "C 81 98 1024 0 0 0 0 0 0 1 -", "C 81 98 0 0 0 0 0 0 0 1"}) {
    MoveRecord move{};
    HoleRecord hole{};
    BlockRecord block{};
    EXPECT_EQ(ParseRecord(bad, std::strlen(bad), kMillimetres, &move, &hole, &block), kRecordBad) << bad;
  }
}

TEST(Intermediate, AMoveRepeatsTheValuesOfTheMoveBeforeAsEquals) {
  TempDir dir;
  const std::string path = dir.Path("I.txt");
  const MoveRecord moves[] = {
      Move(0, 0, 0, 50, 0, 0, 0, 0),
      Move(1, 10, 0, 50, 0, 0, 300, 5),
      Move(2, 20, 10, 50, 0, 10, 300, 6),   // an arc's offsets are always written
      Move(1, 20, 10, -1, 0, 0, 300, 7),
  };
  {
    platform::FileHandle file(path.c_str(), "wb");
    IntermediateWriter writer(file.get(), kMillimetres);
    for (const MoveRecord& m : moves) ASSERT_EQ(writer.WriteMove(m), 0);
    ASSERT_EQ(writer.WriteBlock(8, 90, "M08", 3), 0);  // a block in between changes nothing
    ASSERT_EQ(writer.WriteMove(Move(1, 20, 10, -1, 0, 0, 300, 9)), 0);
  }
  EXPECT_EQ(dir.Read("I.txt"), "U 21\r\nM 0 17 0 0 0 50000 0 0\r\nM 1 17 0 10000 = = 300000 5\r\n"
                               "M 2 17 0 20000 10000 = 0 10000 0 0 = +\r\nM 1 17 0 = = -1000 = +\r\n"
                               "B 8 90 M08\r\nM 1 17 0 = = = = 9\r\n");
  platform::FileHandle file(path.c_str(), "rb");
  IntermediateReader reader(file.get());
  for (const MoveRecord& m : moves) {
    ASSERT_EQ(reader.Next(), kRecordMove);
    for (int slot : {kX, kY, kZ}) EXPECT_EQ(reader.move().at[slot], m.at[slot]) << m.line;
    EXPECT_EQ(reader.move().feed, m.feed) << m.line;
    EXPECT_EQ(reader.move().line, m.line);
  }
  ASSERT_EQ(reader.Next(), kRecordBlock);
  ASSERT_EQ(reader.Next(), kRecordMove);
  EXPECT_EQ(reader.move().at[kZ], -1.0);
  EXPECT_EQ(reader.move().line, 9);
  // "=" or "+" with no move before, or "=" for an arc's offset, is no record.
  for (const char* bad : {"M 0 17 0 = 0 0 0 0", "M 2 17 0 0 0 0 = 0 0 0 0 1", "M 0 17 0 0 0 0 0 +"}) {
    MoveRecord move{};
    HoleRecord hole{};
    BlockRecord block{};
    EXPECT_EQ(ParseRecord(bad, std::strlen(bad), kMillimetres, &move, &hole, &block), kRecordBad) << bad;
  }
  // "+" after the last line a line number can be is no record either.
  MoveRecord move{};
  HoleRecord hole{};
  BlockRecord block{};
  const char last[] = "M 0 17 0 0 0 0 0 2147483647";
  const char after[] = "M 0 17 0 = = = = +";
  ASSERT_EQ(ParseRecord(last, std::strlen(last), kMillimetres, &move, &hole, &block), kRecordMove);
  EXPECT_EQ(ParseRecord(after, std::strlen(after), kMillimetres, &move, &hole, &block), kRecordBad);
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
      "M 4 17 0 0 0 0 0 0",
      "M 0 16 0 0 0 0 0 0",
      "M 0 17 0 0 0 0 0 x",
      "M 0 17 0 0,0 0 0 0",
      "M 0 17 0 0  0 0 0 0",
      "M 0 17 0 1000000000000000 0 0 0 0",
      "M 2 17 0 0 0 0 0 0",  // an arc without its centre and radius
      "X 0",
      "B x text",
      "B 9 92 text",
  };
  for (const char* line : lines) {
    MoveRecord move{};
    HoleRecord hole{};
    BlockRecord block{};
    EXPECT_EQ(ParseRecord(line, std::strlen(line), kMillimetres, &move, &hole, &block), kRecordBad) << line;
  }
}

// A file for the machine-time estimate: every record carries the program's time (the difference
// from the record before's), and what the writer says it wrote is what the reader reads back,
// bit for bit, in both units.
TEST(Intermediate, RecordsCarryTheMachineTimeAndReadBackAsWritten) {
  for (int units : {kMillimetres, kInches}) {
    SCOPED_TRACE(units);
    TempDir dir;
    const std::string path = dir.Path("T.txt");
    const MoveRecord moves[] = {
        Move(0, 0, 0, 0, 0, 0, 0, 0),
        Move(1, 12.34567, -0.00049, 3, 0, 0, 1234.5678, 7, "S2000M08"),
        Move(2, 1.0 / 3, -2.5, 3, -10.00051, 0.1 + 0.2, 1500, 8),
        Move(1, 1.0 / 3, 7, 3, 0, 0, 1500, 9),
    };
    HoleRecord hole{83, 99, 0, 10.00049, -3.3333, -12.5, 2.0004, 80.5, 50, 10, "Q1.5P500", "M08"};
    const char block[] = "G04 P500";
    const int64_t times[] = {0, 250000000, 250000000, 1999999999, 999999999999999999};
    MoveRecord written[4];
    HoleRecord writtenHole{};
    {
      platform::FileHandle file(path.c_str(), "wb");
      IntermediateWriter writer(file.get(), units, true);
      for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(writer.WriteMove(moves[i]), 0);
        written[i] = writer.writtenMove();
        ASSERT_EQ(writer.EndRecord(times[i]), 0);
      }
      ASSERT_EQ(writer.WriteHole(hole), 0);
      writtenHole = writer.writtenHole();
      ASSERT_EQ(writer.EndRecord(times[4] - 5), 0);
      ASSERT_EQ(writer.WriteBlock(11, 90, block, std::strlen(block), times[4]), 0);
    }
    const std::string text = dir.Read("T.txt");
    EXPECT_EQ(text.substr(0, 8), units == kMillimetres ? "U 21 T\r\n" : "U 20 T\r\n");
    // The times as differences: the same time twice is 0, a time may go back.
    EXPECT_NE(text.find(" + 0\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" + 1749999999\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nB 11 90 5 G04 P500\r\n"), std::string::npos) << text;
    platform::FileHandle file(path.c_str(), "rb");
    IntermediateReader reader(file.get());
    EXPECT_EQ(reader.units(), units);
    EXPECT_TRUE(reader.carriesTime());
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(reader.Next(), kRecordMove);
      const MoveRecord& back = reader.move();
      EXPECT_EQ(back.machineNs, times[i]);
      EXPECT_STREQ(back.words, moves[i].words);
      EXPECT_EQ(back.line, moves[i].line);
      EXPECT_EQ(back.feed, written[i].feed);
      for (int slot : {kX, kY, kZ, kI, kJ, kK, kR}) EXPECT_EQ(back.at[slot], written[i].at[slot]) << slot;
      EXPECT_EQ(back.motion, written[i].motion);
      EXPECT_EQ(back.flags, written[i].flags);
    }
    ASSERT_EQ(reader.Next(), kRecordHole);
    const HoleRecord& back = reader.hole();
    EXPECT_EQ(back.machineNs, times[4] - 5);
    for (auto field : {&HoleRecord::x, &HoleRecord::y, &HoleRecord::z, &HoleRecord::r, &HoleRecord::feed,
                       &HoleRecord::initial}) {
      EXPECT_EQ(back.*field, writtenHole.*field);
    }
    EXPECT_STREQ(back.params, "Q1.5P500");
    EXPECT_STREQ(back.words, "M08");
    ASSERT_EQ(reader.Next(), kRecordBlock);
    EXPECT_EQ(reader.block().machineNs, times[4]);
    EXPECT_EQ(std::string(reader.block().text, reader.block().length), block);
    EXPECT_EQ(reader.Next(), kRecordEnd);
  }
}

// Lines of a file that carries the time: a record without its time, or one whose time would go
// below 0 or past the longest a file carries, is no record; the same lines without the time are
// records of a file that does not carry it.
TEST(Intermediate, RecordsWithoutTheirTimeOrOutOfItsRangeAreNoRecord) {
  const struct {
    const char* line;
    int64_t before;
    int kind;  // with the time carried
  } cases[] = {
      {"M 1 17 0 1 2 3 100 5 20", 0, kRecordMove},
      {"M 1 17 0 1 2 3 100 5 20 S200", 0, kRecordMove},
      {"M 1 17 0 1 2 3 100 5", 0, kRecordBad},
      {"M 1 17 0 1 2 3 100 5 S200", 0, kRecordBad},
      {"M 1 17 0 1 2 3 100 5 -21", 20, kRecordBad},
      {"M 1 17 0 1 2 3 100 5 -20", 20, kRecordMove},
      {"M 1 17 0 1 2 3 100 5 1", 999999999999999999, kRecordBad},
      {"M 1 17 0 1 2 3 100 5 999999999999999999", 1, kRecordBad},
      {"C 81 98 0 1 2 -3 1 100 5 9 40 -", 0, kRecordHole},
      {"C 81 98 0 1 2 -3 1 100 5 9 -", 0, kRecordBad},
      {"B 9 90 0 G04P1", 0, kRecordBlock},
      {"B 9 90 G04P1", 0, kRecordBad},
      {"B 9 90", 0, kRecordBad},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    MoveRecord move{};
    HoleRecord hole{};
    BlockRecord block{};
    int64_t time = c.before;
    EXPECT_EQ(ParseRecord(c.line, std::strlen(c.line), kMillimetres, &move, &hole, &block, &time), c.kind);
    if (c.kind != kRecordBad) {
      EXPECT_GE(time, 0);
      EXPECT_LE(time, kLargestMachineNs);
    }
  }
  // Without the time a move's time field would be taken for its words, a block's for its text.
  MoveRecord move{};
  HoleRecord hole{};
  BlockRecord block{};
  const char untimed[] = "M 1 17 0 1 2 3 100 5 20";
  ASSERT_EQ(ParseRecord(untimed, std::strlen(untimed), kMillimetres, &move, &hole, &block), kRecordMove);
  EXPECT_STREQ(move.words, "20");
  EXPECT_EQ(move.machineNs, 0);
}

TEST(Intermediate, AFileWithoutItsUnitsLineOrCutShortIsBroken) {
  TempDir dir;
  dir.Write("a.txt", "M 0 17 0 0 0 0 0 0\r\n");
  platform::FileHandle a(dir.Path("a.txt").c_str(), "rb");
  IntermediateReader first(a.get());
  EXPECT_EQ(first.Next(), kRecordBad);
  dir.Write("b.txt", "U 21\r\nM 0 17 0 0 0 0 0 0\r\nM 1 17 0");
  platform::FileHandle b(dir.Path("b.txt").c_str(), "rb");
  IntermediateReader second(b.get());
  EXPECT_EQ(second.Next(), kRecordMove);
  EXPECT_EQ(second.Next(), kRecordBad);
}

}  // namespace
