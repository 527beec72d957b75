// The main window's "measure" command: the start point of a program and its totals, measured the
// way a split measures them.
#pragma once

#include <span>

#include "header_footer/footer_cut.h"
#include "header_footer/start_point.h"
#include "nc/measure.h"
#include "platform/platform.h"

// What MeasureStartAndTotals finds.
struct StartAndTotals {
  double start[3];          // the start point X, Y, Z
  DistanceTotals distance;  // slot kRapid: rapid distance in mm; kCutting: cutting distance in metres
  TimeTotals time;          // slot kCutting: the time the split weighs, minutes; kRapid: 0
  MoveCounters counters;    // the moves measured without a feed or without a finite size
};

// The start point of ProgramStartPoint, then the measurement pass of a split from there
// (MeasureProgram, without an intermediate file), into `out`: its cutting time is the time the
// split weighs (the machine time estimate when `timeModel`, TIMEMODEL of [COMMAND], is 1, with
// the [MACHINE] settings). A program without a cutting move gives its start point and totals of
// zero.
// Returns kStartPointDone; kStartPointFailed after an error line (level -1, owned by `owner`):
// "エラー：スタート座標の取り出しに失敗しました。" when the program cannot be read, or the
// measurement's own reason when a split would refuse the program. On failure `out` is untouched.
int MeasureStartAndTotals(platform::WindowHandle owner, const char* ncFile, int timeModel, StartAndTotals* out);

// Results of CutProgramFooter besides those of CutFooter.
inline constexpr int kFooterProgramRefused = -2;

// The footer file of the header and footer command: the measurement pass finds the program's last
// move (from the start point of ProgramStartPoint), then CutFooter cuts the lines after it into
// `footerFile`. Returns kFooterCutOk, kFooterCutFailed (the program or the footer file could not
// be read or written), or kFooterProgramRefused when a split would refuse the program: its reason
// is composed into `reason` (a log line, "" otherwise) and no footer file is written.
int CutProgramFooter(const char* ncFile, const char* footerFile, std::span<char> reason);
