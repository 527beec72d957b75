// The split check on its own: a program and pieces that exist already (written by an earlier
// split, edited by hand, or written by another tool) are checked as a split checks the pieces it
// has just written, and the check's log line says whether running them does what the program
// does. Shared by the console's --check and the Windows program's menu command.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct CheckCommand {
  const char* ncFile;             // the program (CP932 path)
  int pieceCount;                 // how many pieces
  const char* const* piecePaths;  // the pieces in the order they run (CP932 paths)
  const char* start[3];           // start X, Y, Z as typed; nullptr or blank: from the program
};

enum CheckCommandResult {
  kCheckCommandPassed = 0,    // the check proved the pieces
  kCheckCommandFailed = 1,    // the check's error line names the first place that differs, or
                              // the piece that cannot be read
  kCheckCommandRefused = -1,  // nothing was checked; an error line says why
};

// In order: refuses a program that is not there (or is a folder) and a command without pieces;
// names the program and each piece with its number (the number the check's line gives a piece
// by); reads the start point as every front end does (ReadStartPoint, job_input.h: a coordinate
// not given comes from the program, after the two notice lines); reads APPROACH of [QUENDRA] as a
// split does (below 0 is refused); runs the check as after a split whose header and footer were
// the program's own, and emits its line (plain on success, an error line otherwise). Every error
// is emitted at level -1, so it also shows in a box owned by `owner`. Nothing is written.
int RunCheckCommand(platform::WindowHandle owner, const CheckCommand& command);

// The order pieces chosen as a set of files run in: by name, a run of digits against a run of
// digits by its value ("P_9.NC" before "P_10.NC"; of two runs of the same value, "2" and "002",
// the shorter first), every other byte by its code. True when `a` comes before `b`.
bool PieceNameBefore(const std::string& a, const std::string& b);
void SortPieceNames(std::vector<std::string>* paths);
