// The line reader (Windows text-mode line ends, Ctrl-Z, whole lines, the length limit) and the
// CRLF text writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nc/line_reader.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

struct ReadResult {
  std::vector<std::string> lines;  // with their "\n", NUL bytes kept
  int last = 0;                    // the result that ended the reading
  int lineNumber = 0;
};

ReadResult ReadAll(const std::string& bytes) {
  TempDir dir;
  dir.Write("in.nc", bytes);
  platform::FileHandle file(dir.Path("in.nc").c_str(), "rb");
  EXPECT_TRUE(file);
  LineReader reader(file.get());
  ReadResult result;
  char line[kLineBufferSize];
  size_t length = 0;
  while ((result.last = reader.Next(line, &length)) == kLineRead) {
    result.lines.emplace_back(line, length);
  }
  result.lineNumber = reader.lineNumber();
  // Every further call keeps the final result.
  EXPECT_EQ(reader.Next(line, &length), result.last);
  return result;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEndsAndCtrlZ) {
  struct Case {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"crlf", "G00X1.\r\nG01Y2.\r\n", {"G00X1.\n", "G01Y2.\n"}},
      {"lf", "A\nB\n", {"A\n", "B\n"}},
      {"lone cr stays", "A\rB\r\n", {"A\rB\n"}},
      {"cr cr lf", "A\r\r\n", {"A\r\n"}},
      {"cr at the end", "A\r", {"A\r"}},
      {"no final line end", "A\r\nB", {"A\n", "B"}},
      {"empty lines", "\r\n\n", {"\n", "\n"}},
      {"empty file", "", {}},
      {"ctrl-z ends the file", "A\r\nB\x1A\r\nC\r\n", {"A\n", "B"}},
      {"ctrl-z after the last line", "A\r\n\x1A", {"A\n"}},
      {"cr before ctrl-z stays", "A\r\x1A", {"A\r"}},
      {"nul bytes are content", std::string("A\0B\n", 4), {std::string("A\0B\n", 4)}},
      {"shift-jis passes through", "(\x83\x58\x83\x5E)\r\n", {"(\x83\x58\x83\x5E)\n"}},
  };
  for (const Case& c : cases) {
    ReadResult r = ReadAll(c.bytes);
    EXPECT_EQ(r.lines, c.lines) << c.name;
    EXPECT_EQ(r.last, kLineEnd) << c.name;
    EXPECT_EQ(r.lineNumber, static_cast<int>(c.lines.size())) << c.name;
  }
}

TEST(LineReader, CrLfSplitAcrossTheReadChunk) {
  // The reader fills 16384 bytes at a time. After a one-byte empty line, the "\r" of the fourth
  // 4096-byte line is the last byte of the first chunk and its "\n" the first of the second.
  std::string bytes = "\n";
  for (int i = 0; i < 4; ++i) bytes += std::string(4094, 'Y') + "\r\n";
  bytes += "Z\r\nW\r";
  ASSERT_EQ(bytes[16383], '\r');
  ReadResult r = ReadAll(bytes);
  ASSERT_EQ(r.lines.size(), 7u);
  EXPECT_EQ(r.lines[4], std::string(4094, 'Y') + "\n");
  EXPECT_EQ(r.lines[5], "Z\n");
  EXPECT_EQ(r.lines[6], "W\r");

  // A lone "\r" at the end of a chunk stays a "\r".
  bytes = "\n\n";
  for (int i = 0; i < 3; ++i) bytes += std::string(4094, 'Y') + "\r\n";
  bytes += std::string(4093, 'Y') + "\rV\r\n";
  ASSERT_EQ(bytes[16383], '\r');
  r = ReadAll(bytes);
  ASSERT_EQ(r.lines.size(), 6u);
  EXPECT_EQ(r.lines[5], std::string(4093, 'Y') + "\rV\n");
}

TEST(LineReader, LongestLineIsReadWholeAndALongerOneIsRefused) {
  std::string longest(kMaxLineLength, '1');
  ReadResult r = ReadAll("G01X1.\r\n" + longest + "\r\n" + longest);
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[1], longest + "\n");
  EXPECT_EQ(r.lines[2], longest);
  EXPECT_EQ(r.last, kLineEnd);

  r = ReadAll("A\r\nB\r\n" + longest + "2\r\nC\r\n");
  EXPECT_EQ(r.lines, (Lines{"A\n", "B\n"}));
  EXPECT_EQ(r.last, kLineTooLong);
  EXPECT_EQ(r.lineNumber, 3);

  // The "\r" of a CRLF does not count towards the limit; a lone one does.
  r = ReadAll(longest + "\r");
  EXPECT_EQ(r.last, kLineTooLong);
  EXPECT_EQ(r.lineNumber, 1);
}

TEST(WriteText, EveryLineFeedBecomesCrLfAndRawLinesRoundTrip) {
  TempDir dir;
  const std::string original = "%\r\nO1234(\x83\x58)\r\nG00X1.\rY2.\r\n\r\nM30";
  dir.Write("in.nc", original);
  {
    platform::FileHandle in(dir.Path("in.nc").c_str(), "rb");
    platform::FileHandle out(dir.Path("out.nc").c_str(), "wb");
    ASSERT_TRUE(in && out);
    LineReader reader(in.get());
    char line[kLineBufferSize];
    size_t length = 0;
    while (reader.Next(line, &length) == kLineRead) {
      ASSERT_EQ(WriteText(out.get(), std::string_view(line, length)), 0);
    }
  }
  EXPECT_EQ(dir.Read("out.nc"), original);

  {
    platform::FileHandle out(dir.Path("text.txt").c_str(), "wb");
    ASSERT_EQ(WriteText(out.get(), "a\nb\n\nc"), 0);
  }
  EXPECT_EQ(dir.Read("text.txt"), "a\r\nb\r\n\r\nc");
}

}  // namespace
