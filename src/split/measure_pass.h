// The measurement pass: one reading of the whole NC program that measures every move, totals the
// cutting distance and time, finds the extents, and writes one motion record per move into the
// intermediate file. The split loop reads that file back (ReadMotionRecord) and never reads the
// NC program again.
//
// Intermediate file: text, "\r\n" line ends, one record per line, each written
// "%3d%12.3f%12.3f%12.3f%12.3f%12.3f%8.1f": motion code (0 rapid, 1 linear, 2 clockwise arc,
// 3 counter-clockwise arc), absolute end X, Y, Z in mm, the block's arc-centre offsets I and J in
// mm, the feed in mm/min. The fields are told apart only by the blanks that pad them, so every
// coordinate and offset must lie within +-999999.999 and every feed below 99999.95 (it shows as
// at most 99999.9); a program that needs more is refused rather than written ambiguously.
// Records, in order:
//   1. the start record: motion 0, the start point, I 0, J 0, F 0;
//   2. one record per measured move, in program order;
//   3. the closing record, only when the program ends away from the start point (exact
//      comparison): the return to the start point, a straight move without I and J (motion 0
//      when rapid is in force at the end, else 1), at the feed in force. It is not measured here.
#pragma once

#include <cstddef>
#include <span>

#include "nc/line_reader.h"
#include "nc/measure.h"
#include "split/split_job.h"

// Results of MeasureProgram. 1, 2, 18 and 19 keep their historic values.
enum MeasureResult {
  kMeasureOk = 0,
  kMeasureNcUnreadable = 1,            // the NC file cannot be opened for reading
  kMeasureIntermediateUnwritable = 2,  // the intermediate file cannot be created
  kMeasureLineTooLong = 3,             // a line is longer than kMaxLineLength (report.line)
  kMeasureReadError = 4,               // the NC file could not be read to its end (report.line)
  kMeasureWriteError = 5,              // the intermediate file could not be written
  kMeasureCannedCycle = 6,             // a canned cycle (report.line, report.code)
  kMeasureCompensation = 7,            // a cutting move under G41/G42 (report.line, report.code)
  kMeasureToolChange = 8,              // M06 between cutting moves (report.line = the M06 line)
  kMeasureValueTooLarge = 9,           // a value beyond the record's widths (report.line, .value)
  kMeasurePlaneZX = 18,                // a line contains "G18" (report.line)
  kMeasurePlaneYZ = 19,                // a line contains "G19" (report.line)
};

// What the pass found besides the totals. Written on every result; fields that do not apply are 0.
struct MeasureReport {
  int line;               // 1-based NC line of the failure; 0 for the start point (value check)
  int code;               // the G code of a canned-cycle or compensation refusal
  double value;           // the value that did not fit (kMeasureValueTooLarge)
  int valueIsFeed;        // 1 when `value` is a feed, 0 when a coordinate or offset
  int firstCuttingLine;   // NC line of the first cutting record (motion 1..3), 0 when none
  int records;            // records written, start and closing record included
  int zeroFeedMoves;      // cutting moves measured while no feed was in force: no time added
  int unmeasurableMoves;  // moves whose length or time was no finite number: nothing added
};

// One record of the intermediate file.
struct MotionRecord {
  int motion;   // 0 rapid, 1 linear, 2 clockwise arc, 3 counter-clockwise arc
  double x;     // absolute end point, mm
  double y;
  double z;
  double i;     // arc centre offsets of the block, mm
  double j;
  double feed;  // mm/min
};

// Length of one record line: 3 + 5 x 12 + 8 characters, "\n" and the terminator fit in this.
inline constexpr size_t kMotionRecordSize = 80;

// Measures the NC program `ncFile` and writes the intermediate file `intermediateFile` (created
// or emptied). `start` is the job's start point X, Y, Z in mm. Only on kMeasureOk are the
// meters and extents written: `distance->running` += cutting distance in metres,
// `distance->rapid` += rapid distance in mm, `time->running` += cutting time in minutes;
// X, Y, Z of `minimum` / `maximum` become the extremes of the start point and every measured end
// point (their feed slots are widened from the caller's values). `report` is always written.
//
// The program is read as the machine runs it (nc/pass_rules.h). Per line, in this order: a line
// holding "G18" or "G19" (after its comment is cut) stops the pass; a canned cycle refuses the
// program; G90/G91 take effect; cutter compensation and tool changes are followed; dwells and
// lines of kMeasureSkipTokens are not interpreted; a G92 block sets the position without a move.
// A block is recorded when its end point differs from the previous one or when it is an arc
// (G02/G03) with its own non-zero I or J (a full circle in one block). A cutting move while
// G41/G42 is in force, and an M06 with cutting moves before and after it, refuse the program.
// Every file is closed on every path; after a failure the partial intermediate file is left for
// the caller to delete.
int MeasureProgram(const char* ncFile, const char* intermediateFile, const double start[3],
                   SplitMeter* distance, SplitMeter* time, Extents* minimum, Extents* maximum,
                   MeasureReport* report);

// Composes the driver's error line for a failed MeasureProgram result into `out` (size-bound,
// always terminated when not empty): the NC file and intermediate file paths and `report` supply
// the details. Returns the length of the text, or -1 (and "") for kMeasureOk or an unknown result.
int DescribeMeasureFailure(int result, const MeasureReport& report, const char* ncFile,
                           const char* intermediateFile, std::span<char> out);

// Composes the warning line for `zeroFeedMoves` cutting moves without a feed; returns its length,
// or 0 (and "") when the count is 0.
int DescribeZeroFeedWarning(int zeroFeedMoves, std::span<char> out);

// True when every field of `record` fits its fixed width; otherwise `*badValue` (may be nullptr)
// receives the first value that does not and `*badIsFeed` (may be nullptr) whether it is the feed.
bool MotionRecordFits(const MotionRecord& record, double* badValue, int* badIsFeed);

// Writes the record's text (with "\n", no "\r") into `out`; returns its length. The record must
// fit (MotionRecordFits); otherwise the text is still written but cannot be read back reliably.
int FormatMotionRecord(const MotionRecord& record, std::span<char, kMotionRecordSize> out);

// Results of ReadMotionRecord and ParseMotionRecord.
enum RecordReadResult {
  kRecordRead = 1,   // a record was read
  kRecordEnd = 0,    // no more records
  kRecordBad = -1,   // a line is not a record (or could not be read); `reader->lineNumber()`
};

// Parses one record line: seven numbers separated by blanks, the first an integer 0..3, read
// with the locale-independent standard conversions, nothing else on the line but its end.
int ParseMotionRecord(const char* line, MotionRecord* record);

// Reads the next record of an intermediate file through `reader` (the caller opens the file
// "rb" and keeps the reader for the whole file).
int ReadMotionRecord(LineReader* reader, MotionRecord* record);
