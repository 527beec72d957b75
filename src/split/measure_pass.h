// The measurement pass: one reading of the whole NC program that measures every move and hole,
// totals the cutting distance and time, finds the extents, and writes the intermediate file
// (split/intermediate.h) for the split loop, which never reads the NC program again.
//
// Records, in order:
//   1. the start record: a rapid to the start point, line 0;
//   2. in program order up to the program's end (its first M02 or M30; the lines after it are
//      counted, not measured): a move record for every block that moves the tool, a hole record
//      for every hole of a canned cycle, and a block record for every other block (codes only:
//      T2 M06, S3000 M03, M08, G43 H2, G04 P500, a reference return, a comment line; and a block
//      that names axes but moves nothing), carried into the pieces as written.
// The words that ride on a move (S, M, T, H, D, G43, G54 ...) stay on its record. Nothing is
// recorded for the return to the start point: every piece's tail makes it.
// Coordinates must lie within +-999999.999 and feeds below 99999.95; a program that needs more is
// refused, and so is one that a piece could not reproduce (the results below).
#pragma once

#include <cstddef>
#include <span>

#include "nc/machine_time.h"
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
  kMeasureCannedCycle = 6,             // a canned cycle other than G73, G74, G76, G81..G89
                                       // (report.line, report.code)
  kMeasureUnsupportedCode = 7,         // a code the pieces cannot carry (report.line, .letter,
                                       // .value, .reason)
  kMeasureUnitsChange = 8,             // G20/G21 changes the units after the first move
  kMeasureValueTooLarge = 9,           // a value beyond the record's widths (report.line, .value)
  kMeasureUnreadableBlock = 10,        // a block a control could not read (report.line, .code:
                                       // the BlockReadResult, .letter: the character at fault)
  kMeasureArcWithoutCentre = 11,       // an arc with neither I, J nor R (report.line)
  kMeasureArcRadiusTooSmall = 12,      // an R arc whose chord is longer than 2R past a rounded half
                                       // circle (RadiusReachesEnd; report.line, .value)
  kMeasureNoCuttingMove = 13,          // the program holds no cutting move and no hole at all
  kMeasureLateSetPosition = 14,        // a G92 after the first move (report.line)
  kMeasureCycleWithoutDepth = 15,      // a canned cycle without its Z, or with a repeat count
                                       // beyond reason (report.line, report.code)
  kMeasureUnknownPosition = 16,        // an incremental move of an axis whose place is not known
                                       // (after G28, G30, G53 or a new work offset; report.line)
  kMeasureCycleLevelOnly = 17,         // a block in canned-cycle mode with Z or R but no hole
                                       // position X, Y (report.line, report.code)
  kMeasureUnitsCode = 21,              // G70 or G71, inch/metric on some controls and a cycle on
                                       // others (report.line, report.code)
  kMeasureOffsetWriteForm = 22,       // a G10 a piece cannot replay: incremental, without its P, an
                                       // L other than 1, 2, 10..13, 20, or with other words
                                       // (report.line)
  kMeasureTooManyOffsetWrites = 23,    // more G10 blocks in the body than kOffsetWriteLimit
                                       // (report.line: the first beyond, report.code: the limit)
  kMeasureLocalSystemForm = 24,        // a G52 a piece cannot carry: incremental, with a Z shift or
                                       // other words, in a canned cycle or under cutter
                                       // compensation, a shift in the header, or a shift in a
                                       // program that states its position with G92 (report.line)
  kMeasureCall = 25,                   // a call or subprogram the reading cannot follow
                                       // (report.line; .code: the CallFaultReason; .letter: 98,
                                       // 99 or 0 for an O line; .value: the O number)
  kMeasureMachineTimeTooLong = 26,     // the machine-time estimate runs past what a record carries
                                       // (kLargestMachineNs) by line report.line
  kMeasureTooLarge = 20,               // more lines than kMaxLineCount (nc/line_reader.h), or more
                                       // records and blocks than the intermediate file may count
};

// What the pass found besides the totals. Written on every result; fields that do not apply are 0.
struct MeasureReport {
  int line;               // 1-based NC line of the failure; 0 for the start point (value check)
  int code;               // the G code of a canned-cycle or compensation refusal; the
                          // BlockReadResult of an unreadable block
  int letter;             // the character at fault in an unreadable block
  double value;           // the value that did not fit (kMeasureValueTooLarge)
  int valueIsFeed;        // 1 when `value` is a feed, 0 when a coordinate or offset
  int firstCuttingLine;   // NC line of the first cutting record (motion 1..3), 0 when none
  int lastCuttingLine;    // NC line of the last cutting record or hole, 0 when none
  int records;            // records written, start and closing record included
  int zeroFeedMoves;      // cutting moves measured while no feed was in force: no time added
  int unmeasurableMoves;  // moves whose length or time was no finite number: nothing added
  int endLine;            // the line of the M02 or M30 that ends the program (0: none)
  int endCode;            // 2 or 30
  int linesAfterEnd;      // lines with words after the program's end (neither measured nor split)
  double highestCutZ;     // the highest Z of any cutting move, its start or its end
  bool anyCut;            // false when no cutting move was measured (highestCutZ means nothing)
  const char* reason;     // why the code of kMeasureUnsupportedCode cannot be carried
  int lastMoveLine;       // the NC line of the program's last move or hole
  int lastMoveMainLine;   // the main program's line that runs it (its own, or the line of the
                          // call it lies in)
  int lastMoveOrdinal;    // its place among the lines the program runs, counted from 1 in the
                          // order they run (CallReader::ordinal; its line number in a program
                          // without calls): the footer follows it
  int64_t footerOffset;   // a program that calls nothing: where the line after its last move
                          // begins in the file, for the footer cut to read from (0: unknown)
  int lastMoveRecord;     // the intermediate file's record of it (0: the start record), counting
                          // every record (moves, holes, blocks) in order
  int lastCutRecord;      // likewise of the last cutting record or hole: the subprogram's lines
                          // of a program repeat, so the split loop knows the program's last
                          // move and cut by their records, not by their lines
  int callLine;           // a refusal inside a subprogram: the line of the call (0: none)
  int callProgram;        // and the subprogram's O number
  int units;              // kMillimetres or kInches: the program's units
  int setPositionLine;    // the line of the G92 before the first move (0: none)
  int setPositionAxes;    // bit 0, 1, 2: X, Y, Z named by that G92
  double setPosition[3];  // the values it names
  bool lengthOffsetUsed;  // a block takes up a tool length offset (G43, G44): the program moves Z
                          // under it, and the pieces' added moves to Z must too
  bool localShiftUsed;    // a G52 block of the body sets a shift: pieces after it state theirs
  double machineMinutes;  // with a machine given: the machine time of the body's records up to
                          // the last move or hole, minutes (split/machine_meter.h)
};

// What the measurement pass reads.
struct MeasureJob {
  const char* ncFile;            // the NC program
  const char* intermediateFile;  // created or emptied and written; nullptr: none, the pass only measures
  const double* start;           // the job's start point X, Y, Z in the program's units (3 values)
  int bodyLine = 1;              // the first line of the program's body (the header is before it)
  const MachineLimits* machine = nullptr;  // the machine whose time is estimated too; nullptr: none
};

// What the measurement pass writes: meters, extents and the report the caller owns.
struct MeasureOutput {
  SplitMeter* distance;
  SplitMeter* time;
  Extents* minimum;
  Extents* maximum;
  MeasureReport* report;
};

// Measures the NC program `job.ncFile` and writes the intermediate file `job.intermediateFile`
// (created or emptied; nullptr: none is written, the pass only measures). `job.start` is the
// job's start point X, Y, Z in the program's units. Only on kMeasureOk are the meters and
// extents of `out` written:
// `distance->running` += cutting distance in metres, `distance->rapid` += rapid distance in mm
// (an inch program's lengths converted), `time->running` += cutting time in minutes; X, Y, Z of
// `minimum` / `maximum` become the extremes of the start point and every measured end point
// (their feed slots are widened from the caller's values). `out.report` is always written.
//
// The lines before `bodyLine` are the program's header (CutHeader's PositioningRecipe::bodyLine;
// 1: none): every piece begins with them and then goes to the start point, so they are read for
// their codes (and refused like any others) but measure no move, and the tool stands at `start`
// when line `bodyLine` begins. The program is read as the machine runs it (nc/pass_rules.h);
// what is recorded, and what refuses a program, is listed at the top of this file and with the
// results above. Every file is closed on every path; after a failure the partial intermediate
// file is left for the caller to delete.
//
// `job.machine` (nullptr: none) has the pass estimate the machine time too, of the records as the
// split loop reads them back (EstimateMachineTime of the file it writes, without reading it
// again: the values rounded as the file holds them): report->machineMinutes. The file then
// carries the time after every record (split/intermediate.h), for the split loop to follow
// instead of planning the program again; a time too long for a record to carry refuses the
// program (kMeasureMachineTimeTooLong).
int MeasureProgram(const MeasureJob& job, const MeasureOutput& out);

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
