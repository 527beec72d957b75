// The golden split cases of tests/data/golden/, shared by every front end's test: the library
// call, the console program and the main window must all write the same files and log lines.
//
// Every folder under tests/data/golden/ is one case:
//   job.txt       the job: program (path from the source tree), distance (m), time (min),
//                 start (x,y,z), result (0 or -1) and optional copy=<source file>><name> lines for
//                 files that lie next to the program before the run (an edited header, say)
//   Quendrix.ini  the settings file next to the executable
//   log.txt       the expected run-log lines (code page 932), one per line
//   expected/     every file the working folder holds after the run, the program excepted
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct GoldenJob {
  std::string program;                 // path from the source tree
  std::string distanceText = "0";      // as a user types them on the command line
  std::string timeText = "0";
  std::string startText[3] = {"0", "0", "0"};
  double distance = 0;
  double time = 0;
  double start[3] = {0, 0, 0};
  int result = 0;
  std::vector<std::pair<std::string, std::string>> copies;  // source in the tree, name next to it
};

// The folder of the cases, and the sorted names of the cases in it.
std::filesystem::path GoldenRoot();
std::vector<std::string> GoldenCases();

GoldenJob ReadGoldenJob(const std::filesystem::path& file);

// Names and bytes of the regular files of a folder, `except` left out.
std::map<std::string, std::string> FilesOf(const std::filesystem::path& folder, const std::string& except = "");

// A case laid out for one run: `bin` holds the case's settings file (the executable's folder),
// `work` the program and the job's copies. The run works in `work` with the program's bare name.
struct GoldenRun {
  std::filesystem::path caseDir;
  GoldenJob job;
  std::filesystem::path bin;
  std::filesystem::path work;
  std::string programName;
  std::string programBytes;
};

// Lays the case out under `root` (an empty folder). Fails the test when the program is missing.
GoldenRun PrepareGoldenRun(const std::string& caseName, const std::filesystem::path& root);

// Writes the program of case `caseName` and its expected pieces into `folder`; returns how many
// pieces there are (numbered from 1 without a gap: a file of another number is the user's), 0 when
// the case has no expected files, and the program's path in `folder` in `*program`.
int LayOutGoldenPieces(const std::string& caseName, const std::filesystem::path& folder, std::string* program);

// The case's expected run-log lines (code page 932).
std::vector<std::string> GoldenLog(const GoldenRun& run);

// The last `count` lines of `lines` (all of them when there are fewer).
std::vector<std::string> LastLines(const std::vector<std::string>& lines, size_t count);

// Checks the files of `run.work` against the case's expected files and `logLines` (code page 932)
// against its log.txt. The lines "処理時間は ..." (elapsed time) are compared only where
// `exactElapsed`: a real clock gives other figures than the tests' fake one. With
// QX_UPDATE_GOLDEN set (and `mayUpdate`) the case's log.txt and expected/ are rewritten first.
void ExpectGoldenOutputs(const GoldenRun& run, const std::vector<std::string>& logLines, bool exactElapsed,
                         bool mayUpdate = false);
