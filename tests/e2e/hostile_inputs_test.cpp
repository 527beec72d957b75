// Hostile names and sizes: program paths with blanks, Japanese characters (among them the ones
// whose second byte is a backslash), dots in folder names and no extension; the longest paths
// that still split and the first ones refused; a line too long to read; more lines than a count
// may hold (the limit lowered to reach it); and, with QX_LONG_TESTS=1, a program of ten million
// lines split in fixed memory. Each either splits (and passes the split check) or is refused with
// its error line, leaving nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ctime>
#include <string>
#include <vector>

#include "config/file_naming.h"
#include "config/settings.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "split/split_driver.h"
#include "support/fake_platform.h"
#include "support/golden_case.h"
#include "support/line_count_limit.h"
#include "support/long_program.h"
#include "support/quiet_settings.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A CP932 path as the file system names it.
fs::path Native(const std::string& cp932) {
#ifdef _WIN32
  std::wstring wide;
  EXPECT_TRUE(platform::Cp932ToWide(cp932, &wide));
  return fs::path(wide);
#else
  std::string utf8;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, &utf8));
  return fs::path(utf8);
#endif
}

// The bytes of a file by its CP932 path, through the system's own file operations ("" when none).
std::string ReadCp932(const std::string& path) {
  platform::FileHandle file(path.c_str(), "rb");
  std::string bytes;
  char chunk[65536];
  ptrdiff_t got = 0;
  while (file && (got = platform::ReadBytes(file.get(), chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(got));
  return bytes;
}

void WriteCp932(const std::string& path, const std::string& bytes) {
  platform::FileHandle file(path.c_str(), "wb");
  ASSERT_TRUE(file) << "cannot write " << path;
  ASSERT_TRUE(platform::WriteBytes(file.get(), bytes.data(), bytes.size()) && file.Close());
}

std::string PieceOf(const std::string& program, int number) {
  char path[kPathField];
  EXPECT_EQ(PiecePath(program.c_str(), number, path, sizeof path), kNamingOk);
  return path;
}

class HostileInputs : public testing::Test {
 protected:

  // Splits `path` with limits of 10 minutes and 100 m from X0 Y0 Z50.
  int Split(const std::string& path) {
    fake.pane.Clear();
    fake.boxes.clear();
    return SplitProgram(nullptr, settings.Job({path.c_str(), 100, 10, {0, 0, 50}}));
  }
  bool Logged(const std::string& line) const {
    return std::find(fake.logLines().begin(), fake.logLines().end(), line) != fake.logLines().end();
  }
  // The names in the test folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : FilesOf(dir.path())) names.push_back(name);
    return names;
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> errors;
    for (const std::string& line : fake.logLines()) {
      if (line.rfind("エラー", 0) == 0) errors.push_back(line);
    }
    return errors;
  }

  FakePlatform fake;
  TempDir dir;
  QuietSettings settings{fake, dir};  // VERIFY=1 by default
};

TEST_F(HostileInputs, NamesWithBlanksJapaneseAndDots) {
  struct Case {
    const char* folder;  // inside the test folder, CP932
    const char* name;
    const char* piece;   // the first piece's bare name
  };
  const Case cases[] = {
      {"my work/", "PART 1.NC", "PART 1_001.NC"},
      {"加工データ/", "部品Ａ.NC", "部品Ａ_001.NC"},
      {"ソ表/", "表面ソ.NC", "表面ソ_001.NC"},  // second bytes 0x5C, a backslash by itself
      {"v1.2/job.old/", "PART.NC", "PART_001.NC"},
      {"a.b/", "PART", "PART_001"},
      {"", "PART.v2.NC", "PART.v2_001.NC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.piece);
    const std::string folder = dir.path() + c.folder;
    fs::create_directories(Native(folder));
    const std::string program = folder + c.name;
    WriteCp932(program, TwentyFiveMinuteProgram());
    const std::vector<fs::path> before = [&] {
      std::vector<fs::path> names;
      for (const auto& entry : fs::directory_iterator(Native(folder))) names.push_back(entry.path().filename());
      return names;
    }();
    ASSERT_EQ(Split(program), kSplitDone) << Errors().size();
    EXPECT_TRUE(Logged(std::string("出力ファイル名 [ 01 ] ") + c.piece));
    EXPECT_TRUE(Logged("情　報：分割ＮＣファイル 3 個を検証しました。元のＮＣファイルと同じ加工です。"));
    for (int number = 1; number <= 3; ++number) EXPECT_TRUE(platform::FileExists(PieceOf(program, number).c_str())) << number;
    EXPECT_EQ(PieceOf(program, 1), folder + c.piece);
    EXPECT_EQ(ReadCp932(program), TwentyFiveMinuteProgram());
    // Only the three pieces were added to the folder.
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Native(folder))) ++count;
    EXPECT_EQ(count, before.size() + 3);
  }
}

// The program's path and every path made from it fit 511 bytes: the intermediate file's name is
// 7 bytes longer than the program's (PART_ascii.txt for PART.NC), so 504 bytes is the longest
// program path that splits.
TEST_F(HostileInputs, LongestPaths) {
  struct Case {
    size_t length;
    int result;
    const char* message;  // the error line's start
  };
  const Case cases[] = {
      {504, kSplitDone, nullptr},
      {505, kSplitFailed, "エラー：ＮＣファイル "},
      {511, kSplitFailed, "エラー：ＮＣファイル "},
      {512, kSplitFailed, "エラー：ＮＣファイル名が長すぎます（511バイトまで）。 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    // Folders of 99 bytes and one that makes up the rest, then PART.NC.
    std::string folder = dir.path() + std::to_string(c.length) + "/";
    while (folder.size() + 100 + 7 < c.length) folder += std::string(99, 'd') + "/";
    folder += std::string(c.length - 7 - folder.size() - 1, 'e') + "/";
    const std::string program = folder + "PART.NC";
    ASSERT_EQ(program.size(), c.length);
    fs::create_directories(folder);
    WriteFileBytes(program, TwentyFiveMinuteProgram());
    EXPECT_EQ(Split(program), c.result);
    if (c.message == nullptr) {
      EXPECT_TRUE(Errors().empty()) << Errors().front();
      EXPECT_TRUE(fs::exists(folder + "PART_003.NC"));
      EXPECT_TRUE(Logged("情　報：分割ＮＣファイル 3 個を検証しました。元のＮＣファイルと同じ加工です。"));
    } else {
      ASSERT_EQ(Errors().size(), 1u);
      EXPECT_EQ(Errors()[0].rfind(c.message, 0), 0u);
      for (const char* made : {"PART_ascii.txt", "PART_header.NC", "PART_footer.NC", "PART_001.NC"}) {
        EXPECT_FALSE(platform::FileExists((folder + made).c_str())) << made;
      }
    }
    EXPECT_EQ(ReadFileBytes(program), TwentyFiveMinuteProgram());
  }
}

// A line longer than the reader takes refuses the program before anything is written; the
// longest one it takes splits.
TEST_F(HostileInputs, ALineTooLongToRead) {
  const std::string program = TwentyFiveMinuteProgram();
  const size_t afterHeader = program.find("G90G17G40\r\n");
  struct Case {
    std::string bytes;
    int line;  // the line refused (0: it splits)
  };
  const Case cases[] = {
      {program.substr(0, afterHeader) + "(" + std::string(4093, 'C') + ")\r\n" + program.substr(afterHeader), 0},
      {program.substr(0, afterHeader) + "(" + std::string(4094, 'C') + ")\r\n" + program.substr(afterHeader), 4},
      {"G01X1.F100(" + std::string(1 << 20, 'X'), 1},  // one line of a megabyte, no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    dir.Write("LONG.NC", c.bytes);
    const std::string path = dir.Path("LONG.NC");
    if (c.line == 0) {
      EXPECT_EQ(Split(path), kSplitDone);
      for (int n = 1; n <= 3; ++n) fs::remove(PieceOf(path, n));
      continue;
    }
    EXPECT_EQ(Split(path), kSplitFailed);
    EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：分割ＮＣファイル " + path + " の " + std::to_string(c.line) +
                                                 " 行目が長すぎます（4095 文字まで）。"});
    EXPECT_EQ(Names(), (std::vector<std::string>{"LONG.NC", "Quendrix.ini"}));
    EXPECT_TRUE(dir.Read("LONG.NC") == c.bytes);
  }
}

// Line numbers and counts are ints: a program with more lines than they may count is refused
// (here the limit is lowered to 40 lines to reach it); one within it splits.
TEST_F(HostileInputs, MoreLinesThanACountHolds) {
  LineCountLimit limit(40);
  dir.Write("PART.NC", TwentyFiveMinuteProgram());  // 35 lines
  EXPECT_EQ(Split(dir.Path("PART.NC")), kSplitDone);
  dir.Write("PART.NC", TwentyFiveMinuteProgram() + std::string(6, '\n'));  // 41 lines
  for (int n = 1; n <= 3; ++n) fs::remove(PieceOf(dir.Path("PART.NC"), n));
  EXPECT_EQ(Split(dir.Path("PART.NC")), kSplitFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"エラー：分割ＮＣファイル " + dir.Path("PART.NC") +
                                               " が大きすぎます（行数と、移動・穴・ブロックの数はそれぞれ 40 まで）。"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"PART.NC", "Quendrix.ini"}));
}

#ifndef _WIN32
// Seconds of a monotonic clock. (<chrono> does not compile with the CP932 execution character set.)
double Seconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The process's peak resident memory in kilobytes (VmHWM), 0 when unknown.
long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

// A program of `moves` straight moves of 100 mm at F10000 (plus a comment every thousand lines),
// written in blocks.
void WriteManyLines(const std::string& path, long moves) {
  std::ofstream out(path, std::ios::binary);
  out << "%\r\nO0001\r\nG92X0.Y0.Z50.\r\nG90G17G40\r\nG00X0.Y0.Z5.\r\nG01Z0.F10000.\r\n";
  std::string block;
  for (long i = 0; i < moves; ++i) {
    block += (i % 2 == 0) ? "X100.\r\n" : "X0.\r\n";
    if (i % 1000 == 999) block += "(CUT)\r\n";
    if (block.size() > (1 << 20)) {
      out << block;
      block.clear();
    }
  }
  out << block << "G00Z50.\r\nX0.Y0.\r\nM30\r\n%\r\n";
}

// Ten million lines split (and checked) in fixed memory: the peak after them is the peak after a
// hundred thousand.
TEST_F(HostileInputs, TenMillionLines) {
  if (std::getenv("QX_LONG_TESTS") == nullptr) GTEST_SKIP() << "set QX_LONG_TESTS=1";
  const long sizes[] = {100000, 10000000};
  long peaks[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    const std::string path = dir.Path("MANY" + std::to_string(i) + ".NC");
    WriteManyLines(path, sizes[i]);
    const double begun = Seconds();
    // About four pieces: each move takes 0.01 minutes.
    fake.pane.Clear();
    const int result = SplitProgram(nullptr, settings.Job({path.c_str(), 1e6, sizes[i] * 0.01 / 4, {0, 0, 50}}));
    const double seconds = Seconds() - begun;
    ASSERT_EQ(result, kSplitDone) << (Errors().empty() ? std::string() : Errors().front());
    EXPECT_TRUE(Logged("情　報：分割ＮＣファイル 5 個を検証しました。元のＮＣファイルと同じ加工です。") ||
                Logged("情　報：分割ＮＣファイル 4 個を検証しました。元のＮＣファイルと同じ加工です。"));
    peaks[i] = PeakKilobytes();
    std::printf("%ld moves: split and checked in %.1f s, peak resident memory %ld kB\n", sizes[i], seconds, peaks[i]);
    fs::remove(path);
    for (int n = 1; n <= 5; ++n) fs::remove(PieceOf(path, n));
  }
  EXPECT_LT(peaks[1] - peaks[0], 8 * 1024) << "memory grows with the program";
}
#endif

}  // namespace
