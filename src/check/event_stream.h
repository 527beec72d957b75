// One file run through the split check's machine: the events of its blocks, in order, read as they
// are asked for, with a look-ahead of a few events.
//
// The file's physical lines are those the line reader of every other pass delivers (nc/line_reader.h:
// "\r\n" and "\n" end a line, a lone "\r" stays in it, Ctrl-Z ends the file, lines are limited to
// kMaxLineLength bytes), but they are read where they stand in a large buffer, never copied: the
// check reads every line of the program and of all pieces, and copying them would be a large share
// of its time. The "\r" of a "\r\n" stays at the line's end, where the block reader takes it for a
// blank. A UTF-8 byte-order mark at the start of the file is read over, as that reader does.
#pragma once

#include <cstddef>

#include "check/check_events.h"
#include "check/machine_simulator.h"
#include "nc/line_reader.h"
#include "nc/subprograms.h"
#include "platform/platform.h"

// Results of EventStream::Open and Peek.
enum StreamResult {
  kStreamEvent = 1,         // an event is there
  kStreamEnd = 0,           // the file (or the program, at M02/M30) has ended; Peek gives the end
                            // event (its line is the M02/M30 block, or the last line read)
  kStreamUnopened = -1,     // Open: the file cannot be opened
  kStreamFault = -2,        // a line that is too long, a read error, or a simulation fault
};

// Why a stream stopped with kStreamFault.
enum StreamFault {
  kStreamFaultSimulation = 0,  // see simulator().fault()
  kStreamFaultLineTooLong = 1,
  kStreamFaultReadError = 2,
  kStreamFaultCall = 3,        // a call the stream cannot follow: callFault() (a CallFaultReason)
};

class EventStream {
 public:
  // Number of events Peek can see ahead.
  static constexpr int kLookAhead = 30;

  EventStream() = default;
  EventStream(const EventStream&) = delete;
  EventStream& operator=(const EventStream&) = delete;

  // Opens `path` (CP932) and starts the machine at `start`. `blockEvents`: yield kEventBlock events
  // too. Returns kStreamEvent when the file is open, kStreamUnopened otherwise.
  // `followCalls` (the source program): a file that holds M98 is run as the machine runs it, the
  // subprogram of each call (found through SubprogramIndex, nc/subprograms.h) in place of the
  // call, as often as the call says, and back after its M99; the lines of M98, of the O number
  // and of M99 make no event, and each line keeps its own number in the file. What this reading
  // of the calls cannot follow stops the stream with kStreamFaultCall. Without it (a piece) M98
  // and M99 are words the machine cannot run, as in a file without calls.
  int Open(const char* path, const double start[3], bool blockEvents, bool followCalls = false);

  // Makes the `ahead`-th coming event (0: the next one, below kLookAhead) available through
  // `*event` without taking it. Returns kStreamEvent, kStreamEnd (then `*event` is the end
  // event) or kStreamFault (then `*event` is nullptr).
  int Peek(int ahead, const CheckEvent** event);
  // Takes the next event (after a Peek that returned kStreamEvent).
  void Take();
  // Peek(0), after taking the block events before the next move (or the end).
  int PeekMove(const CheckEvent** event);
  // Peek(0), after taking the moves before the next block event (or the end).
  int PeekBlock(const CheckEvent** event);

  // The fault after kStreamFault: a StreamFault and the line.
  int faultKind() const { return faultKind_; }
  int faultLine() const { return faultLine_; }
  // After kStreamFaultCall: the CallFaultReason and the O number concerned (0: none).
  int callFault() const { return callFault_; }
  int callNumber() const { return callNumber_; }
  const MachineSimulator& simulator() const { return simulator_; }
  // MachineSimulator::WatchFrames, after Open.
  void WatchFrames(ToolFrames* frames, bool collect) { simulator_.WatchFrames(frames, collect); }
  // MachineSimulator::ReportPositionings, after Open.
  void ReportPositionings() { simulator_.ReportPositionings(); }
  // Number of the last line read.
  int lineNumber() const { return lineNumber_; }
  // The blocks read since the latest move other than a reference return or G53 (interpretation-only
  // blocks left out), as a ChainSignature chain, their number and the first one's line: once the
  // stream has ended, the file's closing blocks (those returns are among its closing lines).
  uint64_t closingChain() const { return closingChain_; }
  int closingCount() const { return closingCount_; }
  int closingLine() const { return closingLine_; }

 private:
  // Reads lines until one more event is buffered. Returns kStreamEvent, kStreamEnd or kStreamFault.
  int Fill();
  // The next physical line: `*line` points into the buffer, `*length` counts its bytes with its
  // line end. Returns a LineResult (kLineRead, kLineEnd, kLineTooLong, kLineReadError).
  int NextLine(const char** line, size_t* length);
  // With calls followed: takes up the line just read when it calls, returns or opens a
  // subprogram. Returns 1 when the line is the machine's to run, 0 when it was taken up here
  // (read the next one), -1 on a fault (faultKind_ and the rest are set).
  int FollowCall(const char* line, size_t length);
  // Goes on reading at byte `offset` of the file, where line `lineNumber` + 1 begins.
  bool SeekLine(int64_t offset, int lineNumber);
  // Reads the O line of subprogram `number` after a seek there: 1 when it is that number's.
  int EnterSubprogram(int number, int64_t offset, int line);
  int CallFails(int reason, int line, int number);

  // Bytes read per call; a line (at most kMaxLineLength bytes and "\r\n") always fits besides.
  static constexpr size_t kBufferSize = 65536;

  platform::FileHandle file_;
  MachineSimulator simulator_;
  // The look-ahead and room for the two events one line can make; a power of two.
  static constexpr int kRingSize = kLookAhead + 2;
  static_assert((kRingSize & (kRingSize - 1)) == 0);
  static constexpr int Slot(int index) { return index & (kRingSize - 1); }
  CheckEvent ring_[kRingSize];
  int first_ = 0;   // ring index of the next event
  int count_ = 0;   // events buffered
  int state_ = kStreamEvent;  // kStreamEnd / kStreamFault once reached (after the buffered events)
  CheckEvent end_{};
  uint64_t closingChain_ = 0;
  int closingCount_ = 0;
  int closingLine_ = 0;
  int faultKind_ = 0;
  int faultLine_ = 0;
  // The buffer: bytes [unread_, filled_) are read and not yet delivered; `eof_` once the file (or a
  // Ctrl-Z) has ended, `readError_` once a read failed.
  char buffer_[kBufferSize + 1];  // and room for a "\n" after a last line without one
  size_t unread_ = 0;
  size_t filled_ = 0;
  bool eof_ = false;
  bool markPending_ = false;  // the file's first bytes are still to be looked at for a byte-order mark
  bool readError_ = false;
  int lineNumber_ = 0;
  int64_t bufferStart_ = 0;  // the file offset of buffer_[0]
  // The calls in force while following them.
  struct CallFrame {
    int number;            // the O number
    int callLine;          // the line of the M98
    int64_t returnOffset;  // where the line after it begins
    int repeatsLeft;       // runs still to come
    int64_t entryOffset;   // where its O line begins
    int entryLine;         // and its number
  };
  bool follow_ = false;
  SubprogramIndex index_;
  CallFrame frames_[kMaxCallDepth] = {};
  int depth_ = 0;
  int64_t followedLines_ = 0;  // lines read while following calls, O lines included
  int callFault_ = 0;
  int callNumber_ = 0;
};
