#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "nc/block.h"
#include "nc/call_reader.h"
#include "platform/platform.h"
#include "support/call_refusals.h"
#include "support/line_count_limit.h"
#include "support/temp_dir.h"

namespace {

struct Reading {
  std::vector<int> lines;     // the file's line numbers, in the order delivered
  std::vector<int> calls;     // the innermost call's line for each (0: the main program)
  std::vector<int> mains;     // the main program's line that runs each
  int result = 0;             // what ended the reading
  CallFault fault{};
};

Reading Read(const std::string& program) {
  TempDir dir;
  dir.Write("P.NC", program);
  platform::FileHandle file(dir.Path("P.NC").c_str(), "rb");
  CallReader reader(file.get());
  Reading r;
  char line[kLineBufferSize];
  size_t length = 0;
  while ((r.result = reader.Next(line, &length)) == kLineRead) {
    r.lines.push_back(reader.lineNumber());
    r.calls.push_back(reader.callLine());
    r.mains.push_back(reader.mainLine());
  }
  EXPECT_EQ(reader.Next(line, &length), r.result);  // the end stays the end
  r.fault = reader.fault();
  return r;
}

// A main program that calls O1000 (two blocks) in every form of repeat.
const char kPockets[] =
    "%\n"                 // 1
    "O0001 (MAIN)\n"      // 2
    "G90 G54 G00 X0 Y0\n" // 3
    "M98 P1000 L2\n"      // 4
    "M98 P21000\n"        // 5
    "M98 P1000 K1\n"      // 6
    "M30\n"               // 7
    "(AFTER THE END)\n"   // 8
    "O1000 (POCKET)\n"    // 9
    "G91 G01 X1. F100\n"  // 10
    "G90\n"               // 11
    "M99\n"               // 12
    "%\n";                // 13

TEST(CallReader, DeliversEachSubprogramInPlaceOfItsCallAsOftenAsItRuns) {
  const Reading r = Read(kPockets);
  EXPECT_EQ(r.result, kLineEnd);
  // The lines of M98, O1000 and M99 are read over; the main program ends at the first
  // subprogram, the lines between its M30 and that are delivered (nothing runs them).
  EXPECT_EQ(r.lines, (std::vector<int>{1, 2, 3, 10, 11, 10, 11, 10, 11, 10, 11, 10, 11, 7, 8}));
  EXPECT_EQ(r.calls, (std::vector<int>{0, 0, 0, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 0, 0}));
  EXPECT_EQ(r.mains, (std::vector<int>{1, 2, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 7, 8}));
}

TEST(CallReader, NestedCallsReturnToTheLineAfterEachCall) {
  const Reading r = Read(
      "G00 X0\n"        // 1
      "M98 P10\n"       // 2
      "G00 X9.\n"       // 3
      "M02\n"           // 4
      "O10\n"           // 5
      "G01 X1. F10\n"   // 6
      "M98 P20 L2\n"    // 7
      "G01 X2.\n"       // 8
      "M99\n"           // 9
      "O20\n"           // 10
      "G01 Y1.\n"       // 11
      "M99\n");         // 12
  EXPECT_EQ(r.result, kLineEnd);
  EXPECT_EQ(r.lines, (std::vector<int>{1, 6, 11, 11, 8, 3, 4}));
  EXPECT_EQ(r.calls, (std::vector<int>{0, 2, 7, 7, 2, 0, 0}));
  EXPECT_EQ(r.mains, (std::vector<int>{1, 2, 2, 2, 2, 3, 4}));
}

TEST(CallReader, AFileWithoutCallsIsReadAsItStands) {
  // No M98: the O lines and an M99 are the passes' to judge, and every line comes as written.
  const Reading r = Read("O0001\nG01 X1. F10\nO2000\nM99\nG01 X2.\n");
  EXPECT_EQ(r.result, kLineEnd);
  EXPECT_EQ(r.lines, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(CallReader, RefusesWhatItCannotFollow) {
  // Subprograms nested four deep are followed; a fifth call is one too many.
  std::string deepEnough = "M98 P1\nM30\n";
  for (int n = 1; n <= 3; ++n) deepEnough += "O" + std::to_string(n) + "\nM98 P" + std::to_string(n + 1) + "\nM99\n";
  deepEnough += "O4\nG01 X1. F10\nM99\n";
  for (const CallRefusal& c : CallRefusals()) {
    const Reading r = Read(c.program);
    EXPECT_EQ(r.result, kLineCallFault) << c.name;
    EXPECT_EQ(r.fault.reason, c.reason) << c.name;
    EXPECT_EQ(r.fault.line, c.line) << c.name;
    EXPECT_EQ(r.fault.number, c.number) << c.name;
  }
  // The nearest that pass: four calls deep, and the limit's number of subprograms.
  EXPECT_EQ(Read(deepEnough).result, kLineEnd);
  std::string enough = "M98 P1\nM30\n";
  for (int n = 1; n <= kMaxSubprograms; ++n) enough += "O" + std::to_string(n) + "\nM99\n";
  EXPECT_EQ(Read(enough).result, kLineEnd);
}

TEST(CallReader, AReadingThatRunsPastTheLineLimitStops) {
  // Four calls of 9999 runs within each other, of subprograms that deliver nothing: every line
  // read counts, so the reading stops at the limit instead of running 9999^4 times.
  LineCountLimit limit(100000);
  const Reading r = Read("G01 X1. F10\nM98 P1 L9999\nM30\nO1\nM98 P2 L9999\nM99\nO2\nM98 P3 L9999\nM99\n"
                         "O3\nM98 P4 L9999\nM99\nO4\nM99\n");
  EXPECT_EQ(r.result, kLineTooMany);
  EXPECT_EQ(r.lines, (std::vector<int>{1}));
}

TEST(CallReader, ItsPlaceCountsTheLinesItDelivers) {
  TempDir dir;
  dir.Write("P.NC", "G00 X0\nM98 P1 L2\nM30\nO1\nG01 X1. F10\nM99\n");
  platform::FileHandle file(dir.Path("P.NC").c_str(), "rb");
  CallReader reader(file.get());
  char line[kLineBufferSize];
  std::vector<int64_t> ordinals;
  while (reader.Next(line) == kLineRead) ordinals.push_back(reader.ordinal());
  EXPECT_EQ(ordinals, (std::vector<int64_t>{1, 2, 3, 4}));  // line 1, line 5 twice, line 3
}

TEST(CallReader, ACallFollowsTheLinesWhereverTheReadChunkEnds) {
  // Subprograms far enough from their calls that every call and return reads the file again.
  std::string program = "M98 P1000 L3\nM98 P2000\nM30\n";
  for (int i = 0; i < 3000; ++i) program += "(" + std::string(40, 'C') + ")\n";
  program += "O1000\nG01 X1. F10\nM99\n";
  for (int i = 0; i < 3000; ++i) program += "(" + std::string(40, 'D') + ")\n";
  program += "O2000\nG01 X2.\nM99\n";
  const Reading r = Read(program);
  EXPECT_EQ(r.result, kLineEnd);
  const int first = 3 + 3000 + 2;
  const int second = first + 3003;  // past its M99, the comments and O2000
  std::vector<int> expected = {first, first, first, second, 3};
  for (int i = 4; i <= 3003; ++i) expected.push_back(i);  // the lines after M30 up to O1000
  EXPECT_EQ(r.lines, expected);
}

// The index is built only at the first line that could need it; before that the file is read as
// one without calls. A first call far into the file (past the first chunks read) is followed as
// if the index had been there from the start, and so are the lines before it and after it.
TEST(CallReader, AFirstCallFarIntoTheFileIsFollowedAsFromTheStart) {
  std::string program = "%\nO0001\nG90 G00 X0. Y0.\n";
  for (int i = 0; i < 6000; ++i) program += "G01 X" + std::to_string(i % 50) + ". F100\n";
  const int call = 3 + 6000 + 1;
  program += "M98 P1000 L2\nG01 Y9.\nM30\n";
  constexpr int kComments = 6000;  // after the end, up to the subprogram: read to the next chunks
  for (int i = 0; i < kComments; ++i) program += "(" + std::string(30, 'C') + ")\n";
  program += "O1000\nG01 Z-1.\nM99\n";
  const Reading r = Read(program);
  EXPECT_EQ(r.result, kLineEnd);
  std::vector<int> expected;
  for (int i = 1; i < call; ++i) expected.push_back(i);
  for (int run = 0; run < 2; ++run) expected.push_back(call + 3 + kComments + 1);
  for (int i = call + 1; i < call + 3 + kComments; ++i) expected.push_back(i);
  EXPECT_EQ(r.lines, expected);
  // An O line far into a file that calls nothing has the index built there too: the lines go on
  // from where they were, each once.
  std::string plain = "G90 G00 X0. Y0.\n";
  for (int i = 0; i < 6000; ++i) plain += "G01 X" + std::to_string(i % 50) + ". F100\n";
  plain += "O2000\n";
  for (int i = 0; i < 6000; ++i) plain += "G01 Y" + std::to_string(i % 50) + ".\n";
  const Reading read = Read(plain);
  EXPECT_EQ(read.result, kLineEnd);
  ASSERT_EQ(read.lines.size(), 12002u);
  for (int i = 0; i < 12002; ++i) ASSERT_EQ(read.lines[i], i + 1);
  // A return far into a file that calls nothing is the passes' to judge; one in a file that
  // calls is the main program's M99.
  std::string returns = program;
  returns.replace(returns.find("G01 X7. F100"), 12, "M99");
  EXPECT_EQ(Read(returns).fault.reason, kCallReturnInMain);
}

TEST(SubprogramIndex, FindsTheSubprogramsAndTheMainProgramsEnd) {
  TempDir dir;
  dir.Write("P.NC", "\xEF\xBB\xBF%O0003(PART)\r\n(NOTE)\r\nM98 P7\r\nM30\r\nO7 (SUB)\r\nM99\r\n:8\r\nM99\r\n");
  platform::FileHandle file(dir.Path("P.NC").c_str(), "rb");
  SubprogramIndex index;
  ASSERT_EQ(index.Build(file.get()), kIndexOk);
  EXPECT_TRUE(index.calls);
  EXPECT_EQ(index.mainEndLine, 4);
  EXPECT_EQ(index.firstLine, 5);
  ASSERT_EQ(index.count, 2);  // the program number O0003 on the tape mark's line is the main program's
  EXPECT_EQ(index.entries[0].number, 7);
  EXPECT_EQ(index.entries[0].line, 5);
  EXPECT_EQ(index.entries[0].offset, 3 + 14 + 8 + 8 + 5);  // the mark and the four lines before
  EXPECT_EQ(index.entries[1].number, 8);
  EXPECT_EQ(index.entries[1].line, 7);
  EXPECT_EQ(index.Find(9), nullptr);
  EXPECT_EQ(std::ftell(file.get()), 0);
}

// The index as every pass would find it line by line: the line reader's lines, each taken apart.
SubprogramIndex ModelIndex(FILE* file) {
  SubprogramIndex index{};
  LineReader reader(file);
  char line[kLineBufferSize];
  size_t length = 0;
  Block block;
  bool words = false;
  for (;;) {
    const int64_t offset = reader.Tell();
    if (reader.Next(line, &length) != kLineRead) break;
    if (ReadBlock(line, length, &block) != kBlockReadable) continue;
    if (block.HasCode('M', 98)) index.calls = true;
    bool onlyNumber = true;
    bool onlyO = true;
    for (int w = 0; w < block.wordCount; ++w) {
      onlyNumber = onlyNumber && (block.words[w].letter == 'O' || block.words[w].letter == 'N');
      onlyO = onlyO && block.words[w].letter == 'O';
    }
    if (block.Has('O') && (words || !onlyNumber)) {
      if (index.firstLine == 0) index.firstLine = reader.lineNumber();
      if (index.count < kMaxSubprograms) {
        index.entries[index.count++] = SubprogramEntry{block.Find('O')->code, reader.lineNumber(), offset};
      }
    }
    if (!onlyO) words = true;
    if (index.firstLine == 0 && index.mainEndLine == 0 && (block.HasCode('M', 2) || block.HasCode('M', 30))) {
      index.mainEndLine = reader.lineNumber();
    }
  }
  std::fseek(file, 0, SEEK_SET);
  return index;
}

TEST(SubprogramIndex, AgreesWithTheLineReaderOnRandomFiles) {
  // Lines of every kind that matters, the line ends of both kinds, lone "\r", Ctrl-Z and a
  // byte-order mark, in files long enough to cross the chunks the index reads.
  const char* kinds[] = {"X1.5 Y2.", "G01 Z-1. F100", "O1234", ":77", "o55 (lower)", "M98 P1234 L2", "m30", "M02",
                         "(O IN A COMMENT)", "%", "N10 O99", "M99", "G00 X0 M08", "", "X\rY", "O12 X1.", "%O7(TAPE)"};
  std::mt19937 random(20261209u);
  for (int file = 0; file < 60; ++file) {
    std::string bytes = random() % 5 == 0 ? "\xEF\xBB\xBF" : "";
    const int lines = 10 + static_cast<int>(random() % (file < 50 ? 200 : 20000));
    for (int i = 0; i < lines; ++i) {
      bytes += kinds[random() % (sizeof kinds / sizeof kinds[0])];
      bytes += random() % 3 == 0 ? "\n" : "\r\n";
      if (random() % 5000 == 0) bytes += "\x1A";
    }
    TempDir dir;
    dir.Write("P.NC", bytes);
    platform::FileHandle handle(dir.Path("P.NC").c_str(), "rb");
    SubprogramIndex index{};
    index.Build(handle.get());
    const SubprogramIndex model = ModelIndex(handle.get());
    SCOPED_TRACE("file " + std::to_string(file));
    EXPECT_EQ(index.calls, model.calls);
    EXPECT_EQ(index.mainEndLine, model.mainEndLine);
    EXPECT_EQ(index.firstLine, model.firstLine);
    ASSERT_EQ(index.count, model.count);
    for (int i = 0; i < index.count; ++i) {
      EXPECT_EQ(index.entries[i].number, model.entries[i].number) << i;
      EXPECT_EQ(index.entries[i].line, model.entries[i].line) << i;
      EXPECT_EQ(index.entries[i].offset, model.entries[i].offset) << i;
    }
  }
}

}  // namespace
