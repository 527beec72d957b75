// The line reader (Windows text-mode line ends, Ctrl-Z, whole lines, the length limit) and the
// CRLF text writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nc/line_reader.h"
#include "platform/platform.h"
#include "support/temp_dir.h"
#include "text/crlf_text.h"

namespace {

using Lines = std::vector<std::string>;

// Reads `bytes` as a file; returns the lines (NUL bytes kept), the final result and line number.
Lines ReadAll(const std::string& bytes, int* last = nullptr, int* lineNumber = nullptr) {
  TempDir dir;
  dir.Write("in.nc", bytes);
  platform::FileHandle file(dir.Path("in.nc").c_str(), "rb");
  LineReader reader(file.get());
  Lines lines;
  char line[kLineBufferSize];
  size_t length = 0;
  int result;
  while ((result = reader.Next(line, &length)) == kLineRead) lines.emplace_back(line, length);
  EXPECT_EQ(reader.Next(line, &length), result);  // the end stays the end
  if (last != nullptr) *last = result;
  if (lineNumber != nullptr) *lineNumber = reader.lineNumber();
  return lines;
}

TEST(LineReader, LineEndsAndCtrlZ) {
  struct Case {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"G00X1.\r\nG01Y2.\r\n", {"G00X1.\n", "G01Y2.\n"}},
      {"A\rB\r\n", {"A\rB\n"}},  // a lone "\r" stays
      {"A\r\r\n", {"A\r\n"}},
      {"A\r\nB", {"A\n", "B"}},
      {"A\r\nB\x1A\r\nC\r\n", {"A\n", "B"}},  // Ctrl-Z ends the file
      {"A\r\x1A", {"A\r"}},
      {std::string("A\0B\n", 4), {std::string("A\0B\n", 4)}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.bytes), c.lines) << c.bytes;
}

TEST(LineReader, CrLfSplitAcrossTheReadChunk) {
  // The reader fills 16384 bytes at a time: the "\r" of the fifth line is the last byte of the
  // first chunk and its "\n" the first of the second.
  std::string bytes = "\n";
  for (int i = 0; i < 4; ++i) bytes += std::string(4094, 'Y') + "\r\n";
  ASSERT_EQ(bytes[16383], '\r');
  Lines lines = ReadAll(bytes + "Z");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], std::string(4094, 'Y') + "\n");
  EXPECT_EQ(lines[5], "Z");
}

TEST(LineReader, LongestLineIsReadWholeAndALongerOneIsRefused) {
  std::string longest(kMaxLineLength, '1');
  int last = 0, number = 0;
  EXPECT_EQ(ReadAll(longest + "\r\n" + longest, &last), (Lines{longest + "\n", longest}));
  EXPECT_EQ(last, kLineEnd);
  EXPECT_EQ(ReadAll("A\r\nB\r\n" + longest + "\r\r\nC\r\n", &last, &number), (Lines{"A\n", "B\n"}));
  EXPECT_EQ(last, kLineTooLong);
  EXPECT_EQ(number, 3);
}

TEST(LineReader, RawLinesRoundTripThroughTheCrlfWriter) {
  TempDir dir;
  const std::string original = "%\r\nO1234(\x83\x58)\r\nG00X1.\rY2.\r\n\r\nM30";
  dir.Write("in.nc", original);
  {
    platform::FileHandle in(dir.Path("in.nc").c_str(), "rb");
    platform::FileHandle out(dir.Path("out.nc").c_str(), "wb");
    LineReader reader(in.get());
    char line[kLineBufferSize];
    size_t length = 0;
    while (reader.Next(line, &length) == kLineRead) {
      ASSERT_EQ(WriteCrlfText(out.get(), std::string_view(line, length)), 0);
    }
  }
  EXPECT_EQ(dir.Read("out.nc"), original);
}

}  // namespace
