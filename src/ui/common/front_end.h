// The front ends' way into a split: the start-up step, the run-mode switch, the dispatch of the
// start arguments, the command-line run and the batch run. Shared by the Windows program (the
// runs are called from the main window's creation, after the start banner) and the console
// program.
//
// Every function reports its progress and errors in the run log; an error is emitted at level -1,
// so it also shows in an error box owned by `owner`. The Windows program ignores the results (its
// window stays open either way); the console turns them into its exit code.
#pragma once

#include <cstddef>

#include "config/settings.h"
#include "platform/platform.h"

// The [COMMAND] settings of this process, the front ends' own: read by StartUp, then changed by
// BatchModeSwitch and the console's options. Every split job is handed a copy of them
// (SplitJob::settings); nothing below the front ends reads this record.
extern CommandSettings gCommandSettings;

enum FrontEndResult {
  kRunSplitDone = 0,  // the split driver wrote its pieces
  kRunFailed = -1,    // an error was reported, or the driver wrote nothing (no split needed too)
  kRunNothing = 1,    // there was nothing to run (no arguments)
};

// The NC program a run handed to the split driver, for a caller that reports where the pieces
// went (they lie next to it): the path as the driver got it, CP932, relative to the working
// directory when it is not absolute. "" when the run did not reach the driver. The driver refuses
// a path of more than 511 bytes, so the path of every split that wrote pieces fits.
inline constexpr size_t kSplitTargetField = 512;
struct SplitTarget {
  char ncFile[kSplitTargetField];  // set by RunCommandLine and RunBatch just before SplitProgram
};

// Every run below takes an optional `target`: when given, it is cleared first and filled as
// SplitTarget says (a path that does not fit is left out, as the driver refuses it anyway).

// True when `word` is the batch-run switch "-CTRL" or "-CONTROL", in any ASCII letter case.
bool IsBatchSwitch(const char* word);

// The start-up step of both programs, before any window and before the arguments are looked at:
// StartSettings, each of its reports shown in a box titled "Quendrix" without an owner (in the
// order they arose; none reaches the run log), then ReadCommandSettings into gCommandSettings.
// Returns 0.
int StartUp();

// When `word` is "BATCH" (any letter case), switches this run to batch behaviour: MODE 1 and
// OVERWRITE 0 in gCommandSettings (never in the file), and emits the four banner lines.
// Any other word, nullptr included, does nothing. Returns 0.
int BatchModeSwitch(platform::WindowHandle owner, const char* word);

// The start arguments (CP932, `arguments[0]` the program path, `count` including it):
//   count 1 or less        -> nothing, kRunNothing;
//   "-CTRL" / "-CONTROL"   -> RunBatch with arguments[2] (absent when not given), any letter case;
//   anything else          -> RunCommandLine with the whole vector.
int DispatchFrontEnd(platform::WindowHandle owner, int count, const char* const* arguments,
                     SplitTarget* target = nullptr);

// The command-line run: arguments[1] NC program, [2] split distance (metres), [3] split time
// (minutes), [4..6] start X, Y, Z (mm), [7] run-mode word ("BATCH" turns on batch mode); later
// arguments are ignored. In order:
//   - an eighth argument goes to BatchModeSwitch;
//   - with DEBUG 999 the arguments are echoed ("引数 = %d", "[%d] %s" each, an empty line);
//   - missing NC argument, nothing at its path (existence only), missing distance, missing time:
//     each its error, and the run stops;
//   - with fewer than three coordinates, two notice lines and the start point taken from the
//     program; a coordinate given on the command line wins, position by position;
//   - SplitProgram with the NC path as typed (through SplitWithPicture, split_preview.h, which
//     keeps or writes the split's picture).
// Numbers use the standard decimal conversion with no range test (text without a leading number
// reads 0 and reaches the driver as such). Returns kRunSplitDone when the driver wrote its pieces,
// kRunFailed otherwise.
int RunCommandLine(platform::WindowHandle owner, int count, const char* const* arguments,
                   SplitTarget* target = nullptr);

// The batch run: the parameters from `parameterFile` (nullptr when the start gave none; see
// batch_parameters.h), the run-mode word to BatchModeSwitch when there is one, then SplitProgram
// (through SplitWithPicture).
// Never takes start coordinates from the program and never echoes. Returns kRunSplitDone when the
// driver wrote its pieces, kRunFailed otherwise.
int RunBatch(platform::WindowHandle owner, const char* parameterFile, SplitTarget* target = nullptr);
