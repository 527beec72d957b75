// The intermediate file: what the measurement pass found in the NC program, record by record, for
// the split loop to read back. The split loop never reads the NC program again.
//
// A text file of our own layout, "\r\n" line ends, one record per line, numbers as whole counts
// of the program's resolution so that nothing is ever re-parsed as a general decimal:
//   U <units>                                   first line: 21 millimetres or 20 inches; every
//                                               coordinate below counts 0.001 mm or 0.0001 inch
//   M <motion> <plane> <flags> <x> <y> <z>[ <i> <j> <k> <r>] <feed> <line>[ <words>]
//                                               a move: motion 0 rapid, 1 linear, 2 clockwise,
//                                               3 counter-clockwise; plane 17, 18, 19; flags
//                                               (MoveFlag); the absolute end point; for an arc
//                                               (motion 2, 3) only, its centre offsets and
//                                               radius; the feed in 0.001 per minute; the NC line;
//                                               x, y, z and the feed are "=" when they are those
//                                               of the move record before (most moves change one
//                                               or two axes), and the line is "+" when it is the
//                                               one after that record's;
//                                               then the block's other words that ride on the move
//                                               (S2000, M08, G43H2, ...), written compactly
//   C <code> <return> <flags> <x> <y> <z> <r> <feed> <initial> <line> <params>[ <words>]
//                                               a hole of a canned cycle: its code (73, 74, 76,
//                                               81..89), return level (98 or 99), flags (as a
//                                               move's), the hole, the bottom and the R level
//                                               (absolute), the feed, the initial level the cycle
//                                               began at, the NC line, the cycle's own words (the
//                                               peck Q, the dwell P; "-" for none) and the words
//                                               riding on the hole's block (M08, ...)
//   B <line> <distance> <text>                  a block without a move of the program's own,
//                                               carried as written (in its canonical form), with
//                                               the distance mode (90, 91) the program is in
//                                               before it
// A file written for the machine-time estimate (TIMEMODEL=1) begins "U <units> T" instead, and
// every record then carries the whole program's estimated machine time after it, in whole
// nanoseconds, as the difference from the record before (the units line counts 0): a move's and a
// hole's after their NC line, a block's after its distance mode:
//   M ... <line> <time>[ <words>]    C ... <line> <time> <params>[ <words>]    B <line> <d> <time> <text>
// The first move record is the start record: a rapid to the start point, line 0. Coordinates are
// rounded to the resolution as they are written (half away from zero), so the split loop measures
// and writes exactly what the pieces will hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "nc/records.h"

// Flags of a move or hole record.
enum MoveFlag {
  kFullCircle = 1,    // an arc whose end point is its start point: a whole circle
  kRadiusForm = 2,    // an arc given by R rather than by its centre offsets
  kCompensated = 4,   // cutter radius compensation (G41/G42) is in force on the move, or the
                      // move starts or cancels it: no piece may begin or end here
  kFromUnknown = 8,   // the move starts where the program reader cannot know the tool (after a
                      // reference return, a machine-coordinate move or a new work offset)
  kUnknownX = 16,     // after the move the tool's X is still not known (the record's X is
  kUnknownY = 32,     // where it was last known); likewise Y and Z. Such an axis is never
  kUnknownZ = 64,     // written: the block does not name it and the machine leaves it be
  kNamedX = 128,      // the block names X where its place was unknown: the word is written
  kNamedY = 256,      // even where the numbers do not change (the machine does move); likewise
  kNamedZ = 512,      // Y and Z
};
inline constexpr int kUnknownAxes = kUnknownX | kUnknownY | kUnknownZ;
inline constexpr int kAllMoveFlags = 1023;
// The flag of axis `axis` (kX, kY, kZ) among kNamedX..kNamedZ.
inline constexpr int NamedFlag(int axis) { return kNamedX << axis; }
// The flag of axis `axis` (kX, kY, kZ) among kUnknownX..kUnknownZ.
inline constexpr int UnknownFlag(int axis) { return kUnknownX << axis; }

// Longest words text that rides on a move; a block with more is refused by the measurement pass.
inline constexpr size_t kRidingWordsSize = 256;
// Longest text of a carried block (the longest NC line).
inline constexpr size_t kCarriedTextSize = 4096;

// The offset writes (G10) of the program's body that a piece replays in its head, in order: at
// most kOffsetWriteLimit of them (the measurement pass refuses a program with more), each at most
// kOffsetWriteTextSize - 1 bytes (a line is shorter than that).
inline constexpr int kOffsetWriteLimit = 32;
inline constexpr size_t kOffsetWriteTextSize = 96;

struct MoveRecord {
  int motion;   // 0 rapid, 1 linear, 2 clockwise arc, 3 counter-clockwise arc
  int plane;    // 17, 18, 19
  int flags;    // MoveFlag bits
  Position at;  // X, Y, Z of the end point, then I, J, R, Q, K of the arc (R: radius form)
  double feed;  // per minute, in the program's units
  int line;     // NC line of the block (0: the start record)
  char words[kRidingWordsSize];  // words riding on the move, compact ("S2000M08"), or ""
  // Read back from the file: the whole counts of the resolution that `at` was made from, per slot
  // (X, Y, Z, I, J, R, Q, K; Q unused), so that a writer can name them without rounding again.
  bool counted;
  int64_t count[kWordCount];
  int64_t feedCount;  // the feed in 0.001 per minute
  int64_t machineNs = 0;  // read back from a file that carries it: the program's machine time after
                      // the record, ns (else 0)
};

// Longest text of a cycle's own words (Q, P).
inline constexpr size_t kCycleParamsSize = 64;

struct HoleRecord {
  int code;         // 73, 74, 76, 81..89
  int returnLevel;  // 98: back to the initial level; 99: to the R level
  int flags;        // MoveFlag bits (kCompensated, kFromUnknown)
  double x;         // the hole, absolute
  double y;
  double z;         // the bottom, absolute
  double r;         // the R level, absolute
  double feed;      // per minute
  double initial;   // the Z at which the cycle began: the level G98 returns to
  int line;         // NC line of the block
  char params[kCycleParamsSize];  // the cycle's own words, compact ("Q1.P500"), or ""
  char words[kRidingWordsSize];   // other words of the hole's block (M08, S1200, ...), or ""
  int64_t machineNs = 0;          // as a move record's
};

struct BlockRecord {
  int line;                        // NC line
  int distanceMode;                // 90 or 91: the program's distance mode before the block
  size_t length;                   // bytes of `text` (it may hold NUL bytes of its own)
  char text[kCarriedTextSize];     // the block as written, without its line end
  int64_t machineNs = 0;           // as a move record's
};

// The longest machine time a file carries, ns (just under 32 years): the measurement pass refuses
// a program whose estimate runs longer.
inline constexpr int64_t kLargestMachineNs = 999999999999999999;

// Results of IntermediateReader::Next.
enum RecordKind {
  kRecordEnd = 0,    // no more records
  kRecordMove = 1,   // a move record was read into `move()`
  kRecordBlock = 2,  // a block record was read into `block()`
  kRecordHole = 3,   // a hole record was read into `hole()`
  kRecordBad = -1,   // a line is not a record, or the file could not be read: lineNumber() tells
};

// Rounds `value` to whole counts of 10^-`decimals` the way the number formatter rounds (half away
// from zero on the value's 17-digit decimal expansion). False when the count would not fit 15
// digits (the caller refuses such values before).
bool ToResolutionCount(double value, int decimals, int64_t* count);

// Decimals of the resolution of `units` (3 for millimetres, 4 for inches).
inline int ResolutionDecimals(int units) { return units == kInches ? 4 : 3; }

// Writes the records of one intermediate file. Every write returns 0, or -1 when the file could
// not be written (the error stays: Close() reports it too).
class IntermediateWriter {
 public:
  // Writes the units line. `file` is open "wb" (nullptr: nothing is written, every write
  // succeeds); the writer neither owns nor closes it. Records are gathered in a buffer of the
  // writer's own: Flush() (or the destructor) writes what is left before the file is closed.
  // `carriesTime`: every record carries the program's machine time; WriteMove and WriteHole then
  // leave their record open, for the caller to estimate the record from what it holds
  // (writtenMove(), writtenHole()) and close it with EndRecord.
  IntermediateWriter(FILE* file, int units, bool carriesTime = false);
  IntermediateWriter(const IntermediateWriter&) = delete;
  IntermediateWriter& operator=(const IntermediateWriter&) = delete;
  ~IntermediateWriter() { Flush(); }
  // Writes the buffered records; 0, or -1 when the file could not be written.
  int Flush();
  int WriteMove(const MoveRecord& record);
  int WriteHole(const HoleRecord& record);
  // `machineNs`: the program's machine time after the block (written only when the file carries
  // it; at most kLargestMachineNs).
  int WriteBlock(int line, int distanceMode, const char* text, size_t length, int64_t machineNs = 0);
  // Closes the record WriteMove or WriteHole left open with the program's machine time after it
  // (0 <= machineNs <= kLargestMachineNs). Only when the file carries the time.
  int EndRecord(int64_t machineNs);
  // The move or hole last written as a reader reads it back (its values rounded to the file's
  // resolution; of a move's counts only X, Y and Z are set).
  const MoveRecord& writtenMove() const { return written_; }
  const HoleRecord& writtenHole() const { return writtenHole_; }
  bool failed() const { return failed_; }

 private:
  // " <time>": the difference of `machineNs` from the record before's.
  int PutTime(char* line, int n, int64_t machineNs);
  // " <params>" of a hole record ("-" for none).
  static int PutParams(char* line, int n, const char* params);
  int Put(const char* text, size_t length);
  // Appends " <words>" (when there are any) and the line end to the `n` bytes of `line`, and
  // writes the line. `line` has room for the longest record (at least kLineCopy bytes).
  int PutLineEnd(char* line, int n, const char* words);
  static constexpr size_t kLineCopy = 64;
  // Where a move record is made: in place at the end of the buffer when the longest record fits
  // there (then nothing is copied: a copy would read the record's bytes back before they have
  // left the store buffer, and wait for them), else `elsewhere`.
  char* MoveLine(char* elsewhere) {
    return file_ != nullptr && !failed_ && sizeof buffer_ - buffered_ >= sizeof open_ ? buffer_ + buffered_
                                                                                      : elsewhere;
  }
  // Appends " <count>" of `value` in the resolution of `decimals`; false when it does not fit.
  // With `repeatSlot` (kX, kY, kZ or kFeedSlot) the count is " =" when it is that of the move
  // record before, and the value is kept for the next.
  // `*count` receives the count written (or repeated).
  bool PutCount(char* line, int* n, double value, int decimals, int repeatSlot = -1,
                int64_t* count = nullptr);
  static constexpr int kFeedSlot = 3;
  FILE* file_;
  int decimals_;
  double scale_;           // counts per unit of the resolution: 1000 or 10000
  bool carriesTime_;
  int64_t lastNs_ = 0;     // the machine time the record before carried
  // The record left open: its bytes so far and its riding words (the caller's, until EndRecord).
  char open_[64 + 12 * 22 + kCycleParamsSize + kRidingWordsSize];
  char* openLine_ = open_;  // where the open record is made: open_, or in place in buffer_
  int openLength_ = 0;
  const char* openWords_ = nullptr;
  bool holeOpen_ = false;  // the open record is a hole's (its params still to come)
  MoveRecord written_{};
  HoleRecord writtenHole_{};
  bool failed_ = false;
  bool anyMove_ = false;        // a move record has been written: "=" may refer to it
  int64_t lastCounts_[4] = {};  // its x, y, z and feed counts
  double lastValues_[4] = {};   // and the values they were rounded from
  int lastLine_ = 0;            // its NC line
  char buffer_[65536];          // records not written yet
  size_t buffered_ = 0;
};

// Reads an intermediate file back, record by record, through its own buffer.
class IntermediateReader {
 public:
  // `file` is open "rb"; the reader neither owns nor closes it. Reads the units line at once:
  // `units()` is 0 when the file does not start with one (then Next returns kRecordBad).
  explicit IntermediateReader(FILE* file);
  IntermediateReader(const IntermediateReader&) = delete;
  IntermediateReader& operator=(const IntermediateReader&) = delete;

  int Next();
  int units() const { return units_; }
  // True when the records carry the program's machine time (machineNs of each record).
  bool carriesTime() const { return carriesTime_; }
  const MoveRecord& move() const { return move_; }
  const BlockRecord& block() const { return block_; }
  const HoleRecord& hole() const { return hole_; }
  // 1-based line of the intermediate file last read.
  int lineNumber() const { return lineNumber_; }

 private:
  // The next line's bytes (without "\r\n") at `text_` (in the chunk, or gathered in `line_` when
  // the line crosses the chunk's end), its length in `lineLength_`. 1, 0 at the end of the file,
  // -1 on a line longer than `line_` or a last line without its line end.
  int ReadLine();
  int ParseMove(const char* text, size_t length);
  int ParseBlock(const char* text, size_t length);

  FILE* file_;
  int units_ = 0;
  bool carriesTime_ = false;
  int64_t machineNs_ = 0;  // the machine time of the record read last
  double scale_ = 1000.0;
  int lineNumber_ = 0;
  unsigned char chunk_[65536];
  size_t position_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  char line_[kCarriedTextSize + 64];
  const char* text_ = line_;
  size_t lineLength_ = 0;
  MoveRecord move_{};
  BlockRecord block_{};
  HoleRecord hole_{};
};

// Parses one record line (without its line end) into `move`, `hole` or `block` with the scale of
// `units`. A "=" field of a move takes the count `move` holds from the move record parsed into it
// before (none: the line is bad), and so does the line "+" (that move's line plus one). With
// `machineNs` the record carries the machine time: `*machineNs` holds that of the record before and
// receives the record's (also its machineNs); a time outside 0..kLargestMachineNs is bad. Returns
// kRecordMove, kRecordHole, kRecordBlock or kRecordBad.
int ParseRecord(const char* text, size_t length, int units, MoveRecord* move, HoleRecord* hole,
                BlockRecord* block, int64_t* machineNs = nullptr);
