// The motion block writer: every motion line of a piece, copied from the program or made for the
// seams between pieces, is written here, in the compact form the controls read (no blanks between
// words, a G word only when the motion in force changes, axis words only for the axes that move,
// arc words only on arcs, an F word only when the feed changed on a feed move).
#pragma once

#include <cstdio>

#include "config/settings.h"
#include "nc/records.h"

// The feed of the piece being written. `feed` and `writtenFeed` start at 0 in every run.
struct OutputFeed {
  double feed;              // F of the block being written, mm/min (the record's F)
  double writtenFeed;       // the F last written into the piece; 0 forces the next F word
  double savedFeed;         // OpenPiece / ClosePiece: `feed` kept across a seam move
  double savedWrittenFeed;  // OpenPiece: `writtenFeed` as it stood before the approach plunge
};

// Writes the move from `from` to `target` as one block into `piece` and returns the number of
// words written (G, axis, arc and F words); 0 means nothing at all was written, not even a line end.
//
// Reads `modal->motion` (0 rapid, 1 linear, 2 clockwise, 3 counter-clockwise arc: the motion of
// this block) and `modal->previousMotion` (the motion in force in the piece). When they differ the
// block starts with "G00".."G03"; then `olderMotion` takes `previousMotion` and `previousMotion`
// takes `motion`. A block that writes nothing leaves the modal state alone, so `previousMotion`
// always names the motion really in force on the machine.
//
// Axis words X, Y, Z are written for each axis whose difference (target minus from) lies outside
// the window -0.0004 .. +0.0005 (open at both ends), with the target's absolute value: the pieces
// always run under G90. I, J and R are written only for an arc (motion 2 or 3), when non-zero in
// that window: a seam move or a straight move never carries arc words. Numbers take the form of
// `format.decimal`: 0 the integer form (thousandths without a point, X12500), anything else the
// decimal form (X12.5).
//
// Nothing is written when X, Y and Z do not change, except for an arc with a non-zero I or J: a
// full circle given in one block, written as its G word (as needed), I, J and F (as needed).
//
// On a feed move (motion above 0) whose `feed->feed` differs from `feed->writtenFeed`, "F" and the
// feed rounded to a whole number follow, and `writtenFeed` takes `feed`. A rapid never writes F.
//
// When the command settings' DEBUG is 2, a block that is written is also reported in the run log
// ("G%02d X%-10s Y%-10s Z%s"). Write errors on the piece are not detected here; the caller checks
// the file when it closes it.
int WriteMotionBlock(FILE* piece, ModalState* modal, const Position& target, const Position& from,
                     OutputFeed* feed, const FormatSettings& format);
