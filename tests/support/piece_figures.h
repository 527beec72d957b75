// What a split tells its piece observer about each piece, gathered for the tests: the pieces'
// programmed times and how they end, the seam planner's figures of how finely the program can be
// cut, and under TIMEMODEL=1 each piece's machine time as measured and as planned.
#pragma once

#include <vector>

#include "split/piece_observer.h"

class PieceFigures : public PieceObserver {
 public:
  void PieceOpened(int, const Position&) override {}
  void MoveWritten(const WrittenMove&) override {}
  void PieceClosed(int, double time, double) override { times.push_back(time); }
  void PieceFacts(int, bool clean, long long) override { cleanEnds.push_back(clean); }
  void SeamsPlanned(double longestStretch, double longestCut, double longestCarry) override {
    stretch = longestStretch;
    cut = longestCut;
    carry = longestCarry;
  }
  void PieceMachineTime(int number, double measuredMinutes, double plannedMinutes) override {
    numbers.push_back(number);
    measured.push_back(measuredMinutes);
    planned.push_back(plannedMinutes);
  }
  std::vector<double> times;    // programmed minutes, piece by piece
  std::vector<bool> cleanEnds;  // the piece ends where the next cuts nothing again (a break, not
                                // as under cut)
  double stretch = -1.0;        // how finely the program can be cut (SeamPlan); -1: never told
  double cut = -1.0;
  double carry = -1.0;
  // TIMEMODEL=1 with planned seams: each closed piece's number, its machine time as the split
  // loop measured it and as the seam planner planned it (minutes).
  std::vector<int> numbers;
  std::vector<double> measured;
  std::vector<double> planned;
};
