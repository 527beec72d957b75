// The numbers of a split job as a person typed them, read the same way by every front end (the
// command line, the batch parameter file, the main window's fields).
//
//  * A number is read whole (ParseWholeNumber): "abc", "1,5" or "12mm" is refused with a message
//    that quotes the text as typed, and nothing is written. No text is ever guessed to be 0.
//  * A start coordinate that is missing or left empty is not given: it comes from the program
//    (ProgramStartPoint: its first G92 with X, Y and Z, else where it ends), after the two notice
//    lines that say so. A coordinate that is given always wins, axis by axis.
#pragma once

#include "platform/platform.h"
#include "split/split_job.h"

// The texts of a job; nullptr stands for a text that was not given at all.
struct JobTexts {
  const char* distance;  // split distance, metres
  const char* time;      // split time, minutes
  const char* start[3];  // start X, Y, Z; nullptr or blank: taken from the program
};

enum JobInputResult {
  kJobReady = 0,     // `job` holds the limits and the start point
  kJobRefused = -1,  // an error line (level -1, box owned by `owner`) says why
};

// True when `text` is nullptr or holds nothing but blanks.
bool IsTextMissing(const char* text);

// Reads `texts` into `job` (its `ncFile` is set by the caller and names the program the missing
// start coordinates come from). The limits must be given (the caller reports a missing one with
// its own message first). Returns kJobReady or kJobRefused.
int ReadJobNumbers(platform::WindowHandle owner, const JobTexts& texts, SplitJob* job);

// The start point alone, by the same rules: each coordinate of `texts` (start X, Y, Z as typed;
// nullptr or blank: not given) that is given is read whole, and when any is missing the two
// notice lines come and the missing ones are taken from `ncFile`. Writes `start` axis by axis
// (a refused run may leave some written). Returns kJobReady or kJobRefused.
int ReadStartPoint(platform::WindowHandle owner, const char* const (&texts)[3], const char* ncFile,
                   double (&start)[3]);
