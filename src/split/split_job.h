// One split job: what a front end hands to the split driver.
#pragma once

#include <cstddef>

#include "config/settings.h"

class PieceObserver;

// Size of every path field of the split engine: at most 511 bytes of path plus the terminator.
inline constexpr size_t kPathField = 512;

// One meter of a split: the split distance or the split time with its running totals. The first
// two slots are the totals that motion measurement adds to (rapid, cutting), so a meter can be
// measured into directly.
struct SplitMeter {
  double rapid;     // distance meter: rapid-traverse distance, mm; time meter: unused
  double running;   // cutting distance (mm; whole program in metres after the measurement pass)
                    // or cutting time (minutes) of the current piece
  double limit;     // split distance (metres as given; mm once the split loop starts) or split time (minutes)
  double previous;  // `running` as it stood after the record before the current one
};

struct SplitJob {
  const char* ncFile;  // the NC program to split (CP932 path; the front end keeps it alive)
  double distance;     // split distance, metres
  double time;         // split time, minutes
  double start[3];     // start point X, Y, Z: where the machine stands before and after every piece
  PieceObserver* observer = nullptr;  // told of every piece and block written (the picture of the
                                      // split); nullptr: none
  const char* seam = nullptr;  // the seam policy ("cut", "break", "tool"; a batch parameter);
                               // nullptr or "": `settings.seam`
  const char* maxSize = nullptr;  // the largest piece file, KB ("0": no limit; a batch parameter);
                                  // nullptr or "": `settings.sizeKb`
  const char* pieces = nullptr;  // split into this many pieces of nearly equal cutting time (under
                                 // TIMEMODEL=1 machine time; a batch parameter); nullptr or "":
                                 // `settings.piecesText`, or none
  // The [COMMAND] settings of this run as the front end holds them (read at start-up, then the
  // batch switch and the console's options): DEBUG, MODE, DELETE, PRINT, VERIFY, TIMEMODEL,
  // SEAM, SIZE and --pieces. The split reads no other copy.
  CommandSettings settings{0, 0, 1, 0, 1};
};
