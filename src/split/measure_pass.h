// The measurement pass: one reading of the whole NC program that measures every move, totals the
// cutting distance and time, finds the extents, and writes one record per move into the
// intermediate file (split/intermediate.h). The split loop reads that file back and never reads the
// NC program again.
//
// Records, in order:
//   1. the start record: a rapid to the start point, line 0;
//   2. one record per measured move, in program order;
//   3. the closing record, only when the program ends away from the start point (exact
//      comparison): the return to the start point, a straight move without I and J (motion 0
//      when rapid is in force at the end, else 1), at the feed in force. It is not measured here.
// Coordinates must lie within +-999999.999 and feeds below 99999.95; a program that needs more is
// refused.
#pragma once

#include <cstddef>
#include <span>

#include "nc/measure.h"
#include "split/intermediate.h"
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

// True when every value of `record` lies within the ranges the system accepts (coordinates and
// offsets within +-999999.999, feeds below 99999.95); otherwise `*badValue` (may be nullptr)
// receives the first value that does not and `*badIsFeed` (may be nullptr) whether it is the feed.
bool MoveRecordFits(const MoveRecord& record, double* badValue, int* badIsFeed);
