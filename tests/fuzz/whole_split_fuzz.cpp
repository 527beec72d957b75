// Fuzz target for a whole split: arbitrary bytes (at most 8 KiB) are an NC program in the memory
// files, split as the command line splits one, split check included (VERIFY=1). The start point
// is the program's own (ProgramStartPoint), its Z raised above the highest cut when it lies
// below; the limits are a share of the program's measured totals (a whole, a half, a third or a
// quarter by the input's length; the time, the distance or both by its first byte), so that
// most programs that split at all split into several pieces.
// Checks besides memory safety:
//  - the run returns kSplitDone or kSplitFailed, and a failure has its error line;
//  - after kSplitDone pieces 1..n exist (n >= 1), the split check passes on them (run again
//    here, every block checked), and nothing else is left but the settings file (the
//    intermediate, header and footer files are deleted: DELETE=1);
//  - after kSplitFailed nothing is left but the settings file: no piece, no intermediate,
//    header or footer file;
//  - the program is never written.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/split_check.h"
#include "config/file_naming.h"
#include "config/settings.h"
#include "fuzz_support.h"
#include "header_footer/start_point.h"
#include "split/measure_pass.h"
#include "split/split_driver.h"

namespace {

constexpr size_t kLargestProgram = 8192;
constexpr char kSettingsPath[] = "Quendrix.ini";
constexpr char kSettings[] = "[COMMAND]\r\nMODE=1\r\nDELETE=1\r\nVERIFY=1\r\n[PAVLOK]\r\nNCVIEWER=\r\n";

// The settings file next to the (imagined) executable; the command settings it holds are the
// job's (Job).
void WriteSettings() {
  std::snprintf(gProgramDirectory, sizeof gProgramDirectory, "%s", "");
  std::snprintf(gSettingsPath, sizeof gSettingsPath, "%s", kSettingsPath);
  platform::FileHandle file(kSettingsPath, "wb");
  fuzz::Check(platform::WriteBytes(file.get(), kSettings, sizeof kSettings - 1) && file.Close(),
              "the settings file is written");
}

std::string Piece(int number) {
  char path[kPathField];
  fuzz::Check(PiecePath(fuzz::kInputPath, number, path, sizeof path) == kNamingOk, "a piece path");
  return path;
}

// The job the command line would make: the program's start point, raised above its cuts; the
// limits from its totals.
SplitJob Job(const uint8_t* data, size_t size) {
  SplitJob job{fuzz::kInputPath, 1.0, 1.0, {0.0, 0.0, 100.0}};
  job.settings = CommandSettings{0, 1, 1, 0, 0, 1, 0};
  double start[3] = {0.0, 0.0, 100.0};
  if (ProgramStartPoint(fuzz::kInputPath, start) == kStartPointDone) {
    for (int axis = 0; axis < 3; ++axis) job.start[axis] = start[axis];
  }
  SplitMeter distance{};
  SplitMeter time{};
  Extents minimum{};
  Extents maximum{};
  MeasureReport report{};
  if (MeasureProgram({fuzz::kInputPath, nullptr, job.start},
                     {&distance, &time, &minimum, &maximum, &report}) !=
      kMeasureOk) {
    return job;  // the split refuses it the same way
  }
  if (report.anyCut && job.start[2] < report.highestCutZ && std::isfinite(report.highestCutZ)) {
    job.start[2] = std::ceil(report.highestCutZ) + 10.0;
  }
  const double parts = static_cast<double>(1 + size % 4);
  const int kind = data[0] % 3;  // 0: both limits, 1: the time alone, 2: the distance alone
  if (time.running > 1e-6 && kind != 2) job.time = time.running / parts;
  else job.time = 1e9;
  if (distance.running > 1e-6 && kind != 1) job.distance = distance.running / parts;
  else job.distance = 1e9;
  return job;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > kLargestProgram) return -1;  // not added to the corpus
  fuzz::MemoryFiles files(data, size);
  WriteSettings();
  const SplitJob job = Job(data, size);
  const int boxesBefore = files.boxes();

  const int result = SplitProgram(nullptr, job);
  fuzz::Check(result == kSplitDone || result == kSplitFailed, "done or failed");

  int pieces = 0;
  while (platform::FileExists(Piece(pieces + 1).c_str())) ++pieces;
  std::vector<std::string> expected{kSettingsPath};
  if (result == kSplitDone) {
    fuzz::Check(pieces >= 1, "a split that succeeds wrote pieces");
    SplitCheckJob check{};
    check.ncFile = fuzz::kInputPath;
    check.pieceCount = pieces;
    for (int axis = 0; axis < 3; ++axis) check.start[axis] = job.start[axis];
    check.approach = 10.0;
    static SplitCheckReport report;
    if (CheckSplit(check, &report) != kCheckPassed) {
      std::fprintf(stderr, "piece %d line %d, program line %d, rule %d: %s\n", report.piece, report.pieceLine,
                   report.sourceLine, report.rule, report.detail);
      std::fprintf(stderr, "job %.17g %.17g start %.17g %.17g %.17g pieces %d\n", job.distance, job.time,
                   job.start[0], job.start[1], job.start[2], pieces);
      fuzz::Fail("the pieces of a success pass the split check");
    }
    for (int number = 1; number <= pieces; ++number) expected.push_back(Piece(number));
  } else {
    fuzz::Check(files.boxes() > boxesBefore, "a failure has its error line");
  }
  std::sort(expected.begin(), expected.end());
  fuzz::Check(files.Paths() == expected, result == kSplitDone ? "nothing but the pieces is left"
                                                               : "nothing of a failed run is left");
  return 0;
}
