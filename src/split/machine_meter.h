// The machine time of the split (TIMEMODEL=1): the records of the intermediate file as the
// machine runs them, through the planner of nc/machine_time.h.
//
// How the look-ahead meets the seams. The planner's running total is at every record the time of
// everything fed so far with the machine stopping after the last move, which is exactly what a
// piece that ends there runs: each piece runs alone, from a stop to a stop. So the split tests its
// time limit on that total, record by record, and a piece's time is the total as it stood when
// the piece closed; nothing a later record could change is ever reported. A move that leaves the
// look-ahead window has its time fixed; the moves still in the window are planned to stop, and the
// piece that ends there does stop. The record that passes the limit begins the next piece (it is
// cut again there) and counts in that piece from a stop, as it counts in its programmed time. The
// sum of the pieces' times is therefore the program's time plus, at each seam, what stopping and
// starting there costs; it never depends on records beyond the seam.
//
// Planned once. The measurement pass plans the whole program and each record of the intermediate
// file carries the program's time after it. A piece begins from a stop, so its plan differs from
// the program's only until the start has been absorbed (MachineTimePlanner::Rejoined: at once
// after a stop or a hole, else when a move leaves the window entering as fast as the moves after
// it allow); the split loop plans the piece itself up to there, and from there on the piece's
// time is its time there plus the program's time since (PieceMeters, split/seam_rules.h): the
// same as planning the piece to its end, within the nanosecond the records count in.
#pragma once

#include <span>

#include "nc/machine_time.h"
#include "split/intermediate.h"

// Results of ReadMachineSettings.
enum MachineSettingsResult {
  kMachineSettingsOk = 0,
  kMachineSettingsBad = -1,  // a value that cannot be used: the error line is composed
};

// Reads [MACHINE] of the settings file into `limits` (rates in mm/min, accelerations in mm/s^2,
// the corner in mm, the tool change in s; BLOCKTIME is given in ms and OVERRIDE in % and stored
// as seconds and as a factor). A key without a value takes its fallback (settings_keys.h). A
// rate, acceleration or override that is not above 0, or a corner, tool change or block time
// below 0 (or any value that is no finite number) composes the error line into `problem` and
// returns kMachineSettingsBad; `limits` is then partly written.
int ReadMachineSettings(MachineLimits* limits, std::span<char> problem);

// The records of one piece (or one program) fed to the planner, in the program's units.
class MachineMeter {
 public:
  // `units`: kMillimetres or kInches (lengths and feeds then converted to mm).
  MachineMeter(const MachineLimits& limits, int units);

  // A new piece: nothing fed, the machine at rest.
  void Reset() { planner_.Reset(); }
  // The move of `record` from `from` (X, Y, Z).
  void Move(const MoveRecord& record, const Position& from);
  // The hole of `hole` drilled from `from`.
  void Hole(const HoleRecord& hole, const Position& from);
  // A block without a move of the program's own: a dwell (G04 P ms or X s), a tool change (M06),
  // any other M function and a reference return or machine-coordinate move (G27, G28, G30, G53,
  // whose travel the program does not tell) stop the motion and take their time, at least the
  // block time; other blocks are read ahead and take nothing.
  void Block(const BlockRecord& block) { Block(block.text, block.length); }
  // The same for the block's text (its first `length` bytes, in the canonical form).
  void Block(const char* text, size_t length);

  // Minutes of everything fed since the last Reset, as if the machine stopped after it.
  double Minutes() const { return planner_.Total() / 60.0; }
  // The same in seconds.
  double Seconds() const { return planner_.Total(); }
  // True once the piece's plan has rejoined the whole program's (MachineTimePlanner::Rejoined):
  // from there on the piece's time runs on as the program's does.
  bool Rejoined() const { return planner_.Rejoined(); }

 private:
  MachineTimePlanner planner_;
  int units_;
  double scale_;  // mm per program unit
};

// Where the tool stands after `hole`: over the hole at its return level.
Position HoleEnd(const HoleRecord& hole);

// Results of EstimateMachineTime.
enum MachineEstimateResult {
  kMachineEstimateOk = 0,
  kMachineEstimateUnreadable = -1,  // the intermediate file cannot be opened or is broken
};

// The machine time of the whole program in minutes into `*minutes`: the records of the
// intermediate file `intermediatePath` as one piece runs them (the start record is the
// positioning line after the header: not counted; the blocks from line `bodyLine` up to the
// record `lastMoveRecord`, the last move's, counted from the start record, are the body's).
// Returns a MachineEstimateResult.
int EstimateMachineTime(const char* intermediatePath, const MachineLimits& limits, int bodyLine,
                        int64_t lastMoveRecord, double* minutes);
