// Subprograms in the same file as the program that calls them, and the reading of a program that
// follows its calls.
//
// A production program calls blocks further down its own file: `M98 P1000` runs the block that
// starts with `O1000` up to its `M99` and then goes on after the call; `M98 P1000 L3` (or K3)
// runs it three times, and so does `M98 P31000` (the four digits of the program number behind a
// repeat count, when neither L nor K is given). The main program ends at its M02/M30; the
// subprograms follow it.
//
// Two pieces live here, so that every pass (and the split check, through its own reading) finds
// the same blocks at the same places without holding the program in memory:
//  * SubprogramIndex: one scan of the file that notes where each subprogram's O line stands
//    (byte offset and line number), at most kMaxSubprograms of them, and where the main program
//    ends. Only where they stand is shared: what a call means is each reader's own business.
//  * CallReader: the split passes' reader of the program as the machine runs it. It delivers the
//    main program's lines and, for a call, the subprogram's lines in place of the call (the lines
//    holding M98, the O line and M99 are read but not delivered), repeated as the call says, up
//    to kMaxCallDepth calls within each other. Each line comes with its own line number in the
//    file (a subprogram's line is known by its place there) and with the line of the call it was
//    reached through.
// A file without any M98 block is read as it is, line by line: its O and M99 words are the
// passes' to judge as before. CallReader lives in nc/call_reader.h; this header holds what the
// split check shares with it (the index, the limits, the names of the faults), and nothing that
// reads a block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "nc/line_reader.h"

// The most subprograms a file may hold, and the most calls running within each other (the main
// program's call is the first): what common controls allow.
inline constexpr int kMaxSubprograms = 200;
inline constexpr int kMaxCallDepth = 4;
// The most times one call may run its subprogram (L, K or the repeat digits of P).
inline constexpr int kMaxCallRepeats = 9999;

struct SubprogramEntry {
  int number;      // the O number
  int line;        // the line of its O block
  int64_t offset;  // the byte offset of that line in the file
};

// Results of SubprogramIndex::Build.
enum IndexResult {
  kIndexOk = 0,
  kIndexTooMany = 1,  // more subprograms than kMaxSubprograms (`tooManyLine`: the first beyond)
  kIndexRead = 2,     // the file could not be read to its end (the passes report it by its line)
};

struct SubprogramIndex {
  int count;             // subprograms found
  SubprogramEntry entries[kMaxSubprograms];
  bool calls;            // a block holds M98: the file's subprograms are called
  int mainEndLine;       // the M02/M30 that ends the main program, before any subprogram (0: none)
  int firstLine;         // the O line of the first subprogram (0: none)
  int tooManyLine;       // kIndexTooMany: the O line of the first subprogram beyond the limit

  // Scans `file` (open "rb") from its start with the line reader's rules and leaves it at its
  // start. A line whose readable block holds an O word is a subprogram's first line, unless it is
  // the main program's number: an O before any block with other words ("%", "O0001 (PART)",
  // "%O0003(NAME)" at the top of the file). Returns an IndexResult; the index holds what was found
  // up to the failure.
  int Build(FILE* file);
  // The entry of subprogram `number`, or nullptr.
  const SubprogramEntry* Find(int number) const;
};

// The index of the first byte among the `n` at `p` that may begin an O or an M word ("O", ":",
// "M", either case), or `n` when there is none: only a line that holds one can open a
// subprogram, call one or end the main program.
size_t FindCallLetter(const unsigned char* p, size_t n);

// Why CallReader stopped (CallReader::fault().reason).
enum CallFaultReason {
  kCallFaultNone = 0,
  kCallMissing = 1,        // M98 calls an O number the file does not hold (`number`)
  kCallReturnInMain = 2,   // M99 in the main program
  kCallRecursive = 3,      // a call of a subprogram that is running already (`number`)
  kCallTooDeep = 4,        // a call beyond kMaxCallDepth
  kCallForm = 5,           // M98 or M99 with words the reader does not follow, a repeat count
                           // out of 1..kMaxCallRepeats, an O line with other words (`code`: 98,
                           // 99, or 0 for the O line)
  kCallBeforeEnd = 6,      // a subprogram the main program reaches, or calls, before its M02/M30
                           // (`number`: its O number)
  kCallNoReturn = 7,       // a subprogram that ends (the file, "%", the next O) without M99
                           // (`number`)
  kCallEndInside = 8,      // M02/M30 inside a subprogram
  kCallTooMany = 9,        // more subprograms than kMaxSubprograms
  kCallTooLong = 10,       // (the split check's reading) more lines run through the calls than
                           // gLineCountLimit
};

struct CallFault {
  int reason;  // CallFaultReason
  int line;    // the line at fault
  int number;  // the O number concerned (0: none)
  int code;    // kCallForm: 98 or 99 for the call or return, 0 for an O line
};

