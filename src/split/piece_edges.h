// The head and the tail of a piece: what makes each piece run on the machine by itself.
//
// A piece begins with the program's header (its opening lines, ending in a rapid positioning line
// to the start point), a comment naming the source program and, from the second piece on, the
// approach: rapid to above the point where the previous piece stopped, rapid down to `approach`
// above it, plunge at a reduced feed, then the move of the record that opens the piece, re-cut
// along its own path. A piece ends with the record that ended it, a lift at feed (after a straight
// feed move), a rapid retract to the start height, a rapid return to the start point, comments
// with the piece's cutting time and distance, and the program's footer.
//
// The seam moves carry no arc words; the G word of every move follows the motion really in force.
#pragma once

#include <cstdio>

#include "config/settings.h"
#include "nc/records.h"
#include "split/motion_writer.h"
#include "split/split_job.h"

// Size of the split engine's path fields: at most 511 bytes of path.
inline constexpr size_t kSplitPathSize = sizeof(SplitJob::ncFile);

// The seam tuning of [QUENDRA], read at every run.
struct SeamSettings {
  double approach;           // APPROACH: height above the entry point where the approach turns
                             // from rapid to feed, mm (default 10)
  double lift;               // LIFT: height of the lift at feed that ends a piece, mm (default 1)
  double approachFeedRatio;  // AFEED: factor on the feed for the approach plunge (default 0.5)
  double liftFeedRatio;      // LFEED: factor on the feed for the lift (default 1.0)
};

enum PieceEdgeResult {
  kPieceEdgeOk = 0,
  kHeaderUnreadable = -1,  // OpenPiece: the header file cannot be opened (nothing was written)
                           // or read to its end (part of it was written)
  kFooterUnreadable = -1,  // ClosePiece: the footer file cannot be opened or read to its end; the
                           // moves and comments are written already
};

// Writes the head of piece `pieceNumber` into `piece`: the header file copied unchanged, the
// comment "(<ncFile>)" when `format.comment` is 1 and, for piece 2 on, the approach:
//   rapid from `start` to (entry X, entry Y, start Z), rapid down to entry Z + `approach` (both
//   in the rapid mode that the header's positioning line leaves in force, so without a G word),
//   G01 plunge to entry Z at `approachFeedRatio` x feed (F always written), then the move of the
//   record from `entry` to `record` with the record's own motion `modal->motion` and, on an arc,
//   its own I and J (its G word whenever it is not G01; F whenever the feed differs from the
//   plunge's).
// `feed->feed` is the record's feed and stays so; `feed->writtenFeed` ends as the last F written.
// Sets `modal->previousMotion` (and `olderMotion`) to the motion in force after the head: rapid
// after the header of the first piece, the record's motion after an approach. Reads only
// `modal->motion` otherwise.
// Returns kPieceEdgeOk, or kHeaderUnreadable when the header file cannot be opened for reading
// (nothing written then) or breaks off with a read error.
// Writes into `piece` are not checked here: a failed one makes the piece's close fail
// (platform::FileServices), which the caller checks.
int OpenPiece(FILE* piece, const char* headerPath, int pieceNumber, const char* ncFile,
              const Position& entry, const Position& record, const double start[3],
              const SeamSettings& seam, ModalState* modal, OutputFeed* feed,
              const FormatSettings& format);

// Writes the tail of a piece into `piece`:
//  1. the record that ends the piece, from `from` to `*lastRecord`, in the motion `modal->motion`
//     (nullptr: the last record is written already, as at the end of the program);
//  2. when `modal->motion` is 1 (a straight feed move ended the piece), a lift of `seam.lift` at
//     `liftFeedRatio` x feed (F when that differs from the F in force); `feed->feed` is kept;
//  3. the retract to the start Z with G00, and the return to the start X and Y (G00 written on the
//     return when the retract had nothing to write and another motion was in force);
//  4. when `format.comment` is 1, "(TIME = %.3fmin)" and "(DIST = %.3fmm)" with the `previous`
//     slots of `time` and `distance`: the piece's totals up to the record before the one that
//     ended it (at the end of the program the piece's full totals);
//  5. the footer file copied unchanged.
// The tool position starts at `from` (nullptr `lastRecord`) or `*lastRecord`. Updates
// `modal->previousMotion` and `olderMotion` as the moves put motions in force.
// Returns kPieceEdgeOk, or kFooterUnreadable when the footer file cannot be opened for reading
// or breaks off with a read error.
int ClosePiece(FILE* piece, const char* footerPath, const Position* lastRecord, const Position& from,
               const double start[3], const SeamSettings& seam, ModalState* modal, OutputFeed* feed,
               const SplitMeter& time, const SplitMeter& distance, const FormatSettings& format);
