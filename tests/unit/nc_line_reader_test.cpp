// The line reader (Windows text-mode line ends, Ctrl-Z, whole lines, the length limit) and the
// CRLF text writer.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "nc/line_reader.h"
#include "platform/platform.h"
#include "support/line_count_limit.h"
#include "support/temp_dir.h"
#include "text/crlf_text.h"

namespace {

using Lines = std::vector<std::string>;

// Reads `bytes` as a file; returns the lines (NUL bytes kept), the final result and line number.
// With `skipped`, the first `skip` lines are read over with Skip first, and `*skipped` is its
// result.
Lines ReadAll(const std::string& bytes, int* last = nullptr, int* lineNumber = nullptr, int skip = 0,
              int* skipped = nullptr) {
  TempDir dir;
  dir.Write("in.nc", bytes);
  platform::FileHandle file(dir.Path("in.nc").c_str(), "rb");
  LineReader reader(file.get());
  if (skipped != nullptr) *skipped = reader.Skip(skip);
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

// An empty line and lines of 4094 bytes and "\r\n", so that the last "\r\n" is split across
// the reader's first two chunks.
std::string ChunkSplitLines() {
  std::string bytes = "\n";
  for (size_t i = 0; i < LineReader::kChunkSize / 4096; ++i) bytes += std::string(4094, 'Y') + "\r\n";
  return bytes;
}

// Skipping k lines leaves the reader where k calls of Next would: the same lines after it, the
// same end, the same line number; a skip past the end or a fault returns what Next returned.
void ExpectSkipAgreesWithNext(const std::string& bytes, int count, const std::string& name) {
  int last = 0, number = 0;
  Lines all = ReadAll(bytes, &last, &number);
  int skipped = 0, afterLast = 0, afterNumber = 0;
  Lines after = ReadAll(bytes, &afterLast, &afterNumber, count, &skipped);
  const size_t k = static_cast<size_t>(count);
  EXPECT_EQ(skipped, k <= all.size() ? kLineRead : last) << name << " skip " << count;
  EXPECT_EQ(after, k <= all.size() ? Lines(all.begin() + static_cast<ptrdiff_t>(k), all.end()) : Lines{})
      << name << " skip " << count;
  EXPECT_EQ(afterLast, last) << name << " skip " << count;
  EXPECT_EQ(afterNumber, number) << name << " skip " << count;
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
      // A UTF-8 byte-order mark at the file's start is skipped, and only there.
      {"\xEF\xBB\xBFG00X1.\r\nB\r\n", {"G00X1.\n", "B\n"}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF\r\nA", {"\n", "A"}},
      {"\xEF\xBBX\n", {"\xEF\xBBX\n"}},
      {"A\n\xEF\xBB\xBF" "B\n", {"A\n", "\xEF\xBB\xBF" "B\n"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.bytes), c.lines) << c.bytes;
}

TEST(LineReader, CrLfSplitAcrossTheReadChunk) {
  // The reader fills kChunkSize bytes at a time: the "\r" of the last long line is the last byte
  // of the first chunk and its "\n" the first of the second.
  const std::string bytes = ChunkSplitLines();
  ASSERT_EQ(bytes[LineReader::kChunkSize - 1], '\r');
  Lines lines = ReadAll(bytes + "Z");
  const size_t longLines = LineReader::kChunkSize / 4096;
  ASSERT_EQ(lines.size(), longLines + 2);
  EXPECT_EQ(lines[longLines], std::string(4094, 'Y') + "\n");
  EXPECT_EQ(lines[longLines + 1], "Z");
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

// Line numbers are ints everywhere; the reader stops before they could pass what an int holds
// (with room for a line number plus one). The limit is lowered here to be reached.
TEST(LineReader, MoreLinesThanTheLimitAreRefused) {
  static_assert(kMaxLineCount < INT_MAX - 1);
  LineCountLimit limit(3);
  int last = 0, number = 0;
  EXPECT_EQ(ReadAll("A\nB\nC\n", &last, &number), (Lines{"A\n", "B\n", "C\n"}));
  EXPECT_EQ(last, kLineEnd);
  EXPECT_EQ(ReadAll("A\nB\nC", &last), (Lines{"A\n", "B\n", "C"}));
  EXPECT_EQ(last, kLineEnd);
  for (const char* bytes : {"A\nB\nC\nD", "A\nB\nC\n\n", "A\r\nB\r\nC\r\nD\r\nE\r\n"}) {
    EXPECT_EQ(ReadAll(bytes, &last, &number), (Lines{"A\n", "B\n", "C\n"})) << bytes;
    EXPECT_EQ(last, kLineTooMany) << bytes;
    EXPECT_EQ(number, 3) << bytes;
  }
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

// The reader's contract written the plain way: cut at the first Ctrl-Z, "\r\n" to "\n", split
// after each "\n", and stop at the first line with more than kMaxLineLength content bytes.
Lines ReferenceLines(const std::string& bytes, int* last, int* lineNumber) {
  std::string text = bytes.substr(0, bytes.find('\x1A'));
  std::string converted;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    converted += text[i];
  }
  Lines lines;
  *last = kLineEnd;
  for (size_t start = 0; start < converted.size();) {
    size_t end = converted.find('\n', start);
    size_t stop = end == std::string::npos ? converted.size() : end + 1;
    size_t content = (end == std::string::npos ? converted.size() : end) - start;
    if (content > kMaxLineLength) {
      *last = kLineTooLong;
      *lineNumber = static_cast<int>(lines.size()) + 1;
      return lines;
    }
    lines.push_back(converted.substr(start, stop - start));
    start = stop;
  }
  *lineNumber = static_cast<int>(lines.size());
  return lines;
}

// Random files of short and near-limit lines, CR LF and lone CR and LF ends, NUL and Shift-JIS
// bytes, sometimes a Ctrl-Z, long enough to cross several read chunks: the reader delivers what
// the plain model does.
TEST(LineReader, AgreesWithThePlainModelOnRandomFiles) {
  std::mt19937_64 engine(4242);
  for (int file = 0; file < 60; ++file) {
    std::string bytes;
    size_t size = LineReader::kChunkSize / 2 + engine() % (2 * LineReader::kChunkSize);
    while (bytes.size() < size) {
      uint64_t r = engine();
      if (r % 97 == 0) {
        bytes.append(kMaxLineLength - 3 + (r >> 8) % 7, 'Y');  // around the length limit
      } else if (r % 5 == 0) {
        const char special[] = {'\r', '\n', '\r', '\n', '\0', '\x83', '\x1A'};
        size_t pick = (r >> 8) % sizeof special;
        if (special[pick] == '\x1A' && (r >> 16) % 8 != 0) continue;  // Ctrl-Z stays rare
        bytes += special[pick];
      } else if (r % 3 == 0) {
        bytes += "\r\n";
      } else {
        bytes.append(1 + (r >> 8) % 12, static_cast<char>('A' + (r >> 16) % 26));
      }
    }
    int last = 0, number = 0, referenceLast = 0, referenceNumber = 0;
    Lines lines = ReadAll(bytes, &last, &number);
    Lines expected = ReferenceLines(bytes, &referenceLast, &referenceNumber);
    EXPECT_EQ(lines, expected) << "file " << file;
    EXPECT_EQ(last, referenceLast) << "file " << file;
    EXPECT_EQ(number, referenceNumber) << "file " << file;
    const int n = static_cast<int>(lines.size());
    for (int count : {0, 1, n / 2, n - 1, n, n + 1, static_cast<int>(engine() % (n + 2))}) {
      if (count >= 0) ExpectSkipAgreesWithNext(bytes, count, "file " + std::to_string(file));
    }
  }
}

TEST(LineReader, SkipAgreesWithNextAtTheEdges) {
  const std::string longest(kMaxLineLength, '1');
  const std::string chunkSplit = ChunkSplitLines();
  const std::string files[] = {
      "A\r\nB\x1A\r\nC\r\n",  "\x1A\nA\n",     "A\r\x1A",      "A\rB\r\nC",
      longest + "\r\n" + longest + "\nZ\n", "A\r\nB\r\n" + longest + "\r\r\nC\r\n",
      "A\n" + longest + "Y\nB\n", chunkSplit + "Z\r\nW", "",
      "\xEF\xBB\xBF" + longest + "\r\nB\n",  // the byte-order mark is no part of the line
  };
  const int chunkLines = static_cast<int>(LineReader::kChunkSize / 4096);
  for (const std::string& bytes : files) {
    for (int count : {0, 1, 2, 3, 4, 5, 6, 7, chunkLines, chunkLines + 1, chunkLines + 2, chunkLines + 3}) {
      ExpectSkipAgreesWithNext(bytes, count, bytes.substr(0, 12));
    }
  }
  LineCountLimit limit(3);
  for (int count = 0; count <= 5; ++count) {
    ExpectSkipAgreesWithNext("A\nB\nC\nD\nE\n", count, "over the line limit");
  }
}

TEST(WriteCrlfText, EveryLineEndBecomesCrLf) {
  const std::string longPiece(3000, 'X');  // longer than the writer's own buffer
  const std::string cases[] = {"", "G00X1.", "G00X1.\n", "\n\n", "A\nB\nC", "A\r\n",
                               longPiece + "\n" + longPiece, "B\n" + longPiece + "\n"};
  for (const std::string& text : cases) {
    TempDir dir;
    {
      platform::FileHandle out(dir.Path("out.nc").c_str(), "wb");
      ASSERT_EQ(WriteCrlfText(out.get(), text), 0);
    }
    std::string expected;
    for (char c : text) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(dir.Read("out.nc"), expected) << text.size();
  }
}

}  // namespace
