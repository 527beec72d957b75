// Taking the start point from an NC program when the user gives none: the X, Y, Z (mm, in the
// program's own coordinates) where the tool stands before each piece begins.
#pragma once

#include <cstddef>
#include <span>

#include "nc/measure.h"
#include "platform/platform.h"

// Results of ProgramStartPoint and MeasureStartAndTotals.
enum StartPointResult {
  kStartPointDone = 1,
  kStartPointFailed = -1,
};

// The start point a program declares, the one rule of every front end: the values of its first
// G92 block that names X, Y and Z, or else the position where the program ends (PassRecords::
// ScanStart). Written into `start` only on success. Returns kStartPointDone, or kStartPointFailed
// when the program cannot be read (not opened, a line too long, a read error).
int ProgramStartPoint(const char* ncFile, double start[3]);

// For the main window: the start point of PassRecords::ScanStart (the first G92 block with X, Y and Z,
// else the position at the end of the program) into `start`, then a replay of the program from
// there that adds its totals: `distanceTotals` slot kRapid += rapid distance in mm, slot kCutting
// += cutting distance in metres, `timeTotals` slot kCutting += cutting time in minutes (slot
// kRapid untouched). A move counts when its end point differs from the previous one, or when it
// is an arc with its own non-zero I or J (a full circle in one block); G92 blocks set the position
// without a move; lines of the skip list, "G98", dwells and canned cycles are not interpreted.
// `counters` (may be nullptr) receives the moves measured without a feed or without a finite size.
// Returns kStartPointDone; kStartPointFailed after the error line "エラー：スタート座標の取り出し
// に失敗しました。" (level -1, owned by `owner`) when the program cannot be read, or without a
// message when only its second opening fails. On failure `start` and the totals are untouched.
int MeasureStartAndTotals(platform::WindowHandle owner, const char* ncFile, double start[3],
                          DistanceTotals* distanceTotals, TimeTotals* timeTotals,
                          MoveCounters* counters = nullptr);
