// The main window's "measure" command: the start point of a program and its totals, measured the
// way a split measures them.
#pragma once

#include <span>

#include "header_footer/footer_cut.h"
#include "header_footer/start_point.h"
#include "nc/measure.h"
#include "platform/platform.h"

// The start point of ProgramStartPoint into `start`, then the measurement pass of a split from
// there (MeasureProgram, without an intermediate file): `distanceTotals` slot kRapid += rapid
// distance in mm, slot kCutting += cutting distance in metres, `timeTotals` slot kCutting +=
// cutting time in minutes, the time the split weighs (the machine time estimate when `timeModel`,
// TIMEMODEL of [COMMAND], is 1, with the [MACHINE] settings; slot kRapid untouched). `counters` (may be nullptr) receives the moves
// measured without a feed or without a finite size. A program without a cutting move gives its
// start point and totals of zero.
// Returns kStartPointDone; kStartPointFailed after an error line (level -1, owned by `owner`):
// "エラー：スタート座標の取り出しに失敗しました。" when the program cannot be read, or the
// measurement's own reason when a split would refuse the program. On failure `start` and the
// totals are untouched.
int MeasureStartAndTotals(platform::WindowHandle owner, const char* ncFile, int timeModel, double start[3],
                          DistanceTotals* distanceTotals, TimeTotals* timeTotals,
                          MoveCounters* counters = nullptr);

// Results of CutProgramFooter besides those of CutFooter.
inline constexpr int kFooterProgramRefused = -2;

// The footer file of the header and footer command: the measurement pass finds the program's last
// move (from the start point of ProgramStartPoint), then CutFooter cuts the lines after it into
// `footerFile`. Returns kFooterCutOk, kFooterCutFailed (the program or the footer file could not
// be read or written), or kFooterProgramRefused when a split would refuse the program: its reason
// is composed into `reason` (a log line, "" otherwise) and no footer file is written.
int CutProgramFooter(const char* ncFile, const char* footerFile, std::span<char> reason);
