// Taking the start point from an NC program when the user gives none: the X, Y, Z (mm, in the
// program's own coordinates) where the tool stands before each piece begins.
#pragma once

#include <cstddef>
#include <span>


// Results of ProgramStartPoint (and of MeasureStartAndTotals, split/program_totals.h).
enum StartPointResult {
  kStartPointDone = 1,
  kStartPointFailed = -1,
};

// The start point a program declares, the one rule of every front end: the values of its first
// G92 block that names X, Y and Z, or else the position where the program ends (PassRecords::
// ScanStart). Written into `start` only on success. Returns kStartPointDone, or kStartPointFailed
// when the program cannot be read (not opened, a line too long, a read error).
int ProgramStartPoint(const char* ncFile, double start[3]);
