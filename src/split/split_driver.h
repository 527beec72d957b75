// The split driver: one split job from start to end inside a single call.
//
// It reports the job in the run log, reads the tuning settings, measures the program (the
// measurement pass writes the intermediate file), decides whether a split is needed, makes the
// header and footer files when they do not exist yet, then reads the intermediate file back record
// by record and writes the numbered pieces, starting a new piece as soon as the cutting time or the
// cutting distance of the current one passes its limit. It ends with a summary, the clean-up of its
// temporary files, the completion box (MODE 0) and the NC viewer on each piece.
#pragma once

#include "platform/platform.h"
#include "split/split_job.h"

// Results of SplitProgram.
enum SplitResult {
  kSplitDone = 0,     // the pieces were written
  kSplitFailed = -1,  // refused, nothing to split, or failed; the reason is in the run log (and in
                      // an error box owned by `owner`)
};

// The DEBUG value of [COMMAND] that echoes the output parameters at the start of a split.
inline constexpr int kEchoOutputDebug = 100;
// The DEBUG value that logs every block written to a piece.
inline constexpr int kReportBlocksDebug = 2;

// Splits the NC program `job.ncFile` (CP932 path, at most 511 bytes) into pieces named
// <base>_001<ext>, <base>_002<ext>, ... next to it.
//
// `job.distance` is the split distance in metres, `job.time` the split time in minutes; both must
// be above 0 (the run is refused otherwise, before anything is measured). `job.start` is the start
// point X, Y, Z: where the machine stands before and after every piece.
//
// Refused before anything is written: a path that does not fit 511 bytes (the program's own or a
// derived one), and settings that would make a derived file (intermediate, header, footer, a
// piece) fall on the program itself or on another derived file (names compared without regard to
// letter case). The source program is never written.
//
// Reads the settings file at every run ([FORMAT], [QUENDRA], [PAVLOK]); the command settings
// (DEBUG, MODE, DELETE, PRINT, VERIFY, TIMEMODEL, SEAM, SIZE) are the job's own, `job.settings`.
// Every file is closed on every path.
//
// A run that fails once pieces are being made (a piece that cannot be created or written, the
// intermediate file gone or broken, the split check failing, the program changed) leaves no piece
// of its own behind, nor one of an earlier split numbered after them, nor its intermediate file;
// the header and footer files go where a success would delete them (DELETE=1) and where this run
// cut them from a program that changed. The program's size and last write time are taken before
// it is read and compared before the first piece is written, before the split check and after
// it: any difference fails the run.
int SplitProgram(platform::WindowHandle owner, const SplitJob& job);
