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
  // Reads `file`, open "rb" and at its start (the reader neither owns nor closes it). Builds the
  // index at once (the file is read through once); a failure of the index shows at the first Next.
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

  LineReader reader_;
  SubprogramIndex index_;
  int indexResult_;
  Frame frames_[kMaxCallDepth] = {};
  int depth_ = 0;
  int state_ = kLineRead;
  int64_t delivered_ = 0;  // lines delivered
  int64_t read_ = 0;       // lines read, those of M98, O and M99 included
  int lastMainCallLine_ = 0;
  bool readOn_ = false;
  CallFault fault_{};
};
