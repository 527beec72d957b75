// What the piece writer tells whoever watches a split: each piece as it is opened and closed and
// each motion block it writes, in the order they reach the files. The picture of a split is drawn
// from this, so it shows the pieces exactly as written, seam moves included, without reading
// them back.
//
// An observer is told only; it cannot change or stop what is written. It is called on the
// writer's thread, inside the split loop, once per block: it should do little per call and keep
// its memory bounded however long the program is.
#pragma once

#include "nc/records.h"

// Where a written move comes from.
enum MoveOrigin {
  kProgramMove = 0,  // one of the program's own moves (the move a piece re-cuts first included)
  kSeamMove = 1,     // a move the split added: the approach, the plunge, the lift, the retract and
                     // the return to the start point
};

// One motion block as written. The positions are the unrounded ones the writer works with.
struct WrittenMove {
  Position from;  // where the tool stood (X, Y, Z; the other slots are of no meaning)
  Position to;    // the end point X, Y, Z, then the arc's I, J, R, Q, K as the record held them
  int motion;     // 0 rapid, 1 linear, 2 clockwise arc, 3 counter-clockwise arc
  int plane;      // 17, 18, 19: the plane of an arc (of no meaning for a straight move)
  int flags;      // MoveFlag bits of an arc: 1 a full circle, 2 given by its radius R (to[kR])
  int origin;     // MoveOrigin
};

class PieceObserver {
 public:
  virtual ~PieceObserver() = default;

  // Piece `number` (1, 2, ...) was created and its header written. From piece 2 on, `entry` is the
  // seam: where the previous piece stopped cutting and this one resumes (the plunge ends there).
  virtual void PieceOpened(int number, const Position& entry) = 0;

  // One block was written into the open piece. Moves that write no block (a move within the
  // rounding of every axis) are not reported; the next reported move starts where it ended.
  virtual void MoveWritten(const WrittenMove& move) = 0;

  // Piece `number` was finished with its cutting `time` (minutes) and `distance` (mm): the totals
  // the run log reports for it. Told also when the file could not be written to its end (the split
  // then fails).
  virtual void PieceClosed(int number, double time, double distance) = 0;

  // Under SEAM=break and tool, SIZE and --pieces, after PieceClosed: piece `number` ended at a
  // break of the program's, or before a cut, so the next cuts nothing again (`clean`; else the
  // next begins by cutting the piece's last move again), and its file holds `bytes`. Not told
  // otherwise.
  virtual void PieceFacts(int number, bool clean, long long bytes) {
    (void)number;
    (void)clean;
    (void)bytes;
  }

  // Under SEAM=break and tool, SIZE and --pieces, once the seams are planned and before piece 1
  // is opened: how finely the program can be cut, in programmed cutting time (minutes; under
  // TIMEMODEL=1 in machine time, the measure of the shares of --pieces): the
  // longest stretch between two of its breaks (its start and end count as breaks; under SEAM=cut
  // the whole program), its longest single cutting move or hole, and the longest a seam is
  // carried over cuts where no piece may begin (SeamPlan).
  virtual void SeamsPlanned(double longestStretch, double longestCut, double longestCarry) {
    (void)longestStretch;
    (void)longestCut;
    (void)longestCarry;
  }

  // Under TIMEMODEL=1 with planned seams (SEAM=break and tool, SIZE, --pieces), after
  // PieceClosed: the machine time (minutes) measured for piece `number`, and the one the seams
  // were planned by (-1: the plan holds none for it). The two are the same.
  virtual void PieceMachineTime(int number, double measured, double planned) {
    (void)number;
    (void)measured;
    (void)planned;
  }
};
