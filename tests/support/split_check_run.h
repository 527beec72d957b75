// Test support for the split check: split a program the way the front ends do (start point and
// totals taken from the program, limits giving about three pieces) in a test folder, then run
// CheckSplit on it and its pieces.
#pragma once

#include <string>
#include <vector>

#include "check/split_check.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

struct SplitForCheck {
  int result;          // SplitProgram's
  int pieces;          // pieces on disk: PROGRAM_001 .. PROGRAM_<pieces>
  double start[3];     // the start point the split used
  std::string path;    // the program's path in the folder (CP932, ASCII)
  std::string lastLine;  // the split's last log line (CP932)
  std::string log;       // the same in UTF-8, for printing
};

// Writes `bytes` as `name` into `dir` with a settings file that keeps the run quiet (MODE=1, no
// viewer) plus `extraSettings` (lines of its [COMMAND] section), takes the start point and totals
// from the program as the command line does, and splits it with a third of each total as the
// limits (`parts` other than 3 for other counts). The fake platform `fake` must be installed.
SplitForCheck SplitInFolder(const TempDir& dir, FakePlatform& fake, const std::string& name,
                            const std::string& bytes, int parts = 3, const std::string& extraSettings = "");

// A header and a footer file of the user's that the pieces begin and end with (nullptr: the pieces
// carry the program's own opening and closing).
struct UsersFiles {
  const char* header = nullptr;
  const char* footer = nullptr;
};

// Runs CheckSplit on `path` and its `pieces` from `start`. `*line` (may be nullptr) receives the
// check's log line in UTF-8.
int RunCheck(const std::string& path, int pieces, const double start[3], SplitCheckReport* report,
             std::string* line = nullptr, const UsersFiles& files = {}, double approach = 10.0);

// A program and pieces written by hand, and what the check must say of them.
struct CheckPair {
  const char* name;
  const char* source;                // the program ("\n" line ends)
  std::vector<const char*> pieces;   // PROGRAM_001 ...
  double start[3];
  int result;                        // kCheckPassed or kCheckFailed
  int rule;                          // for kCheckFailed
  const char* detail;                // part of the detail, for kCheckFailed ("" for any)
  int piece = 0;                     // for kCheckFailed: the piece named (0: any)
  const char* header = nullptr;      // a header file of the user's the pieces begin with (P_header.NC)
  const char* footer = nullptr;      // the same for a footer file (P_footer.NC)
};

// Writes each pair into a fresh folder as P.NC and P_001.NC ..., checks it and expects its result
// (and for a failure the rule, the piece and a part of the detail).
void CheckPairs(const std::vector<CheckPair>& pairs);
