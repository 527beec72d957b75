// The split passes' reader of a program through its calls (see nc/subprograms.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "nc/block.h"
#include "nc/line_reader.h"
#include "nc/subprograms.h"

// LineResult of CallReader::Next beyond those of LineReader::Next.
inline constexpr int kLineCallFault = -10;

// Reads a program as the machine runs it, following its calls (see the top of this file).
class CallReader {
 public:
  // Reads `file`, open "rb" and at its start (the reader neither owns nor closes it). The index is
  // built (the file read through once more) only when a line could need it: the first M98 or M99,
  // or an O word after the program's first block with other words. Up to there a file with calls
  // is read as one without them is, so a program that calls nothing costs no second reading; from
  // there on the line is taken as if the index had been there from the start (see Next).
  explicit CallReader(FILE* file);
  CallReader(const CallReader&) = delete;
  CallReader& operator=(const CallReader&) = delete;

  // Delivers the next line the machine runs, as LineReader::Next does (the same results), or
  // kLineCallFault (see fault()); after anything but kLineRead every further call returns the
  // same. The main program ends, for this reader, at the first subprogram's O line: the lines
  // between its M02/M30 and that are delivered (nothing runs them; the passes count them). A
  // reading that follows calls past gLineCountLimit lines in all returns kLineTooMany.
  int Next(std::span<char, kLineBufferSize> line, size_t* length = nullptr);

  // Reads over the next `count` lines as `count` calls of Next would; returns kLineRead when all
  // were there, else the result of the call that failed.
  int Skip(int count);
  // From here on every line of the file is delivered as it stands, nothing followed: what comes
  // after the main program's end (its closing tape mark among the subprograms).
  void ReadOn() { readOn_ = true; }

  // The line number in the file of the line last delivered.
  int lineNumber() const { return reader_.lineNumber(); }
  // The lines delivered so far: the place of the line last delivered in the program as it runs
  // (in a file without calls, its line number).
  int64_t ordinal() const { return delivered_; }
  // Calls in force for the line last delivered (0: a line of the main program).
  int depth() const { return depth_; }
  // The line of the innermost call in force, and of the outermost (the main program's line that
  // runs the line last delivered); 0 in the main program.
  int callLine() const { return depth_ > 0 ? frames_[depth_ - 1].callLine : 0; }
  int mainLine() const { return depth_ > 0 ? frames_[0].callLine : reader_.lineNumber(); }
  // The O number of the innermost subprogram in force (0: none).
  int subprogram() const { return depth_ > 0 ? frames_[depth_ - 1].number : 0; }
  // The line of the last call the main program made so far (0: none).
  int lastMainCallLine() const { return lastMainCallLine_; }
  const CallFault& fault() const { return fault_; }
  // True once the reading follows calls: the file holds M98 and a line has needed the index.
  // A reading that ends without it read a file that calls nothing, line by line.
  bool followsCalls() const { return indexed_ && index_.calls; }
  // The byte offset in the file of the next line the file holds (see LineReader::Tell).
  int64_t Tell() const { return reader_.Tell(); }
  const SubprogramIndex& index() const { return index_; }

 private:
  struct Frame {
    int number;            // the subprogram's O number
    int callLine;          // the line of the M98
    int64_t returnOffset;  // where the line after the M98 begins
    int repeatsLeft;       // runs still to come after this one
    const SubprogramEntry* entry;
  };
  int Fail(int reason, int line, int number = 0, int code = 0);
  // Takes up the M98 block on the line just read; kLineRead to go on reading.
  int Call(const Block& block, std::span<char, kLineBufferSize> line);
  // Enters the subprogram of `entry` at its O line: reads that line and checks it.
  int Enter(const SubprogramEntry& entry, std::span<char, kLineBufferSize> line);
  int Return(const Block& block, std::span<char, kLineBufferSize> line);

  // A line read before the index is built that could need it (see the constructor).
  bool NeedsIndex(const char* line, size_t length);
  // Builds the index, with the line just read (line `n`) still to be taken; the reading goes on
  // after it. Returns kLineRead, or the result to return for that line where a reader with the
  // index from the start would not have come to it.
  int BuildIndex(int n);
  // Takes the line just read (`own` bytes) as a reader that follows calls does.
  int TakeLine(std::span<char, kLineBufferSize> line, size_t own, size_t* length, bool* deliver);

  FILE* file_;
  LineReader reader_;
  SubprogramIndex index_{};
  int indexResult_ = kIndexOk;
  bool indexed_ = false;   // the index is built (until then no line needed it)
  bool sawWords_ = false;  // a block with words besides O and N has been read
  Frame frames_[kMaxCallDepth] = {};
  int depth_ = 0;
  int state_ = kLineRead;
  int64_t delivered_ = 0;  // lines delivered
  int64_t read_ = 0;       // lines read, those of M98, O and M99 included
  int lastMainCallLine_ = 0;
  bool readOn_ = false;
  CallFault fault_{};
};
