// The split check's file stream: which physical lines it reads as the text-mode reader of every
// other pass does ("\r\n" and "\n" end a line, a lone "\r" stays in it, Ctrl-Z ends the file, a
// last line needs no line end, lines longer than the limit stop it), with the events of each.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "check/event_stream.h"
#include "nc/line_reader.h"
#include "support/call_refusals.h"
#include "support/line_count_limit.h"
#include "support/temp_dir.h"

namespace {

struct Read {
  std::vector<int> moves;  // line of each move event
  int blocks = 0;
  int result = 0;          // kStreamEnd or kStreamFault
  int endLine = 0;         // the end event's line (kStreamEnd)
  int faultKind = -1;
  int faultLine = 0;
  int callFault = 0;
  int callNumber = 0;
};

Read ReadAll(const std::string& bytes, bool followCalls = false) {
  TempDir dir;
  dir.Write("P.NC", bytes);
  auto stream = std::make_unique<EventStream>();
  const double start[3] = {0, 0, 50};
  EXPECT_EQ(stream->Open(dir.Path("P.NC").c_str(), start, true, followCalls), kStreamEvent);
  Read read;
  for (;;) {
    const CheckEvent* event = nullptr;
    const int peeked = stream->Peek(0, &event);
    if (peeked != kStreamEvent) {
      read.result = peeked;
      if (peeked == kStreamEnd) read.endLine = event->line;
      if (peeked == kStreamFault) {
        read.faultKind = stream->faultKind();
        read.faultLine = stream->faultLine();
        read.callFault = stream->callFault();
        read.callNumber = stream->callNumber();
      }
      return read;
    }
    if (event->kind == kEventBlock) {
      ++read.blocks;
    } else {
      read.moves.push_back(event->line);
    }
    stream->Take();
  }
}

TEST(CheckEventStream, LinesAsTheTextModeReaderSeesThem) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<int> moves;
    int endLine;
  } cases[] = {
      {"line ends of both kinds", "G00 X1.\r\nX2.\nX3.\r\n", {1, 2, 3}, 3},
      {"a lone carriage return stays in its line", "X1.\rY4.\nX2.\n", {1, 2}, 2},
      {"a last line without its end", "X1.\nX2.", {1, 2}, 2},
      {"Ctrl-Z ends the file", std::string("X1.\nX2.\x1aX3.\nX4.\n"), {1, 2}, 2},
      {"Ctrl-Z at a line's start", std::string("X1.\n\x1aX3.\n"), {1}, 1},
      {"an empty file", "", {}, 0},
      {"empty lines count", "\n\r\nX1.\n\n", {3}, 4},
      {"a line of the longest length", "X1." + std::string(kMaxLineLength - 3, ' ') + "\r\nX2.\n", {1, 2}, 2},
      {"the program's end", "X1.\nM30\nX2.\n", {1}, 2},
      {"a byte-order mark before the first line", "\xEF\xBB\xBFX1.\nX2.\n", {1, 2}, 2},
      {"a byte-order mark alone", "\xEF\xBB\xBF", {}, 0},
      {"a byte-order mark does not count in the line's length",
       "\xEF\xBB\xBFX1." + std::string(kMaxLineLength - 3, ' ') + "\r\nX2.\n", {1, 2}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = ReadAll(c.bytes);
    EXPECT_EQ(read.result, kStreamEnd);
    EXPECT_EQ(read.moves, c.moves);
    EXPECT_EQ(read.endLine, c.endLine);
  }
}

TEST(CheckEventStream, LongFilesAndLinesAcrossItsBuffers) {
  // Lines of every length around the buffer sizes a reader may use.
  std::string bytes;
  std::vector<int> expected;
  int line = 0;
  for (int i = 0; i < 30000; ++i) {
    const int x = i % 2 == 0 ? 1 : 2;
    std::string text = "X" + std::to_string(x) + "." + std::string(static_cast<size_t>(i % 37), ' ');
    if (i % 1000 == 999) text += std::string(3000, ' ');
    bytes += text + (i % 3 == 0 ? "\r\n" : "\n");
    expected.push_back(++line);
  }
  const Read read = ReadAll(bytes);
  EXPECT_EQ(read.result, kStreamEnd);
  EXPECT_EQ(read.moves, expected);
  EXPECT_EQ(read.endLine, line);
}

TEST(CheckEventStream, FaultsNameTheirLine) {
  struct Case {
    const char* name;
    std::string bytes;
    int faultKind;
    int faultLine;
    size_t moves;
  } cases[] = {
      {"a line one byte too long", "X1.\nX2." + std::string(kMaxLineLength - 2, ' ') + "\r\nX3.\n", kStreamFaultLineTooLong, 2, 1},
      {"a line too long at the end", "X1.\n" + std::string(kMaxLineLength + 1, ' '), kStreamFaultLineTooLong, 2, 1},
      {"a line far too long", std::string(100000, ' ') + "\n", kStreamFaultLineTooLong, 1, 0},
      {"a NUL byte", std::string("X1.\nX2.\0\n", 9), kStreamFaultSimulation, 2, 1},
      {"a byte-order mark after the file's start", "X1.\n\xEF\xBB\xBFX2.\n", kStreamFaultSimulation, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = ReadAll(c.bytes);
    EXPECT_EQ(read.result, kStreamFault);
    EXPECT_EQ(read.faultKind, c.faultKind);
    EXPECT_EQ(read.faultLine, c.faultLine);
    EXPECT_EQ(read.moves.size(), c.moves);
  }
}

// The source program is run through its calls: each subprogram's moves at their own lines, run
// after run, the lines of M98, the O number and M99 making no event; a piece is not (a call there
// is a word the machine cannot run).
TEST(CheckEventStream, TheProgramRunsThroughItsCalls) {
  const std::string program =
      "G00 X1.\n"          // 1
      "M98 P7 L2\n"        // 2
      "M98 P20007\n"       // 3: two runs more
      "G00 X9.\n"          // 4
      "M30\n"              // 5
      "O7\n"               // 6
      "G91 G01 Y1. F100\n" // 7
      "M98 P8\n"           // 8
      "G90\n"              // 9
      "M99\n"              // 10
      ":8\n"               // 11
      "G01 Z-1.\n"         // 12
      "M99\n";             // 13
  const Read followed = ReadAll(program, true);
  EXPECT_EQ(followed.result, kStreamEnd);
  // Four runs of O7, each with its call of O8, then back after line 3.
  EXPECT_EQ(followed.moves, (std::vector<int>{1, 7, 12, 7, 12, 7, 12, 7, 12, 4}));
  EXPECT_EQ(followed.endLine, 5);
  const Read asPiece = ReadAll(program, false);
  EXPECT_EQ(asPiece.result, kStreamFault);
  EXPECT_EQ(asPiece.faultKind, kStreamFaultSimulation);
  EXPECT_EQ(asPiece.faultLine, 2);
}

// The same programs as the split passes' reading refuses, for the same reasons at the same lines.
TEST(CheckEventStream, CallsItsReadingCannotFollowStopIt) {
  for (const CallRefusal& c : CallRefusals()) {
    const Read read = ReadAll(c.program, true);
    EXPECT_EQ(read.result, kStreamFault) << c.name;
    EXPECT_EQ(read.faultKind, kStreamFaultCall) << c.name;
    EXPECT_EQ(read.callFault, c.reason) << c.name;
    EXPECT_EQ(read.faultLine, c.line) << c.name;
    EXPECT_EQ(read.callNumber, c.number) << c.name;
  }
}

TEST(CheckEventStream, ARunThroughCallsPastTheLineLimitStops) {
  LineCountLimit limit(100000);
  const Read read = ReadAll("G01 X1. F10\nM98 P1 L9999\nM30\nO1\nM98 P2 L9999\nM99\nO2\nM98 P3 L9999\nM99\n"
                            "O3\nM98 P4 L9999\nM99\nO4\nM99\n",
                            true);
  EXPECT_EQ(read.result, kStreamFault);
  EXPECT_EQ(read.faultKind, kStreamFaultCall);
  EXPECT_EQ(read.callFault, kCallTooLong);
}

}  // namespace
