// Developer tool: runs the split check on a program and the pieces a split wrote next to it, and
// prints the check's log line with the time it took.
//
//   build/native/bench/check_split PROGRAM.NC PIECES X Y Z [APPROACH]
//
// PIECES is the number of pieces (PROGRAM_001.NC ...), X Y Z the start point of the split, CARRIED
// 1 to check the carried blocks too. Prints the log line (UTF-8), then the lines read (the program
// once, each piece once), the seconds and the lines per second. Exit code 0 when the check passed,
// 1 when it failed, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <time.h>

#include "check/split_check.h"
#include "config/file_naming.h"
#include "log/run_log.h"
#include "nc/line_reader.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace {

// <chrono> cannot be compiled with the code-page-932 execution character set.
double Seconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

long long CountLines(const char* path) {
  platform::FileHandle file(path, "rb");
  if (!file) return 0;
  LineReader reader(file.get());
  char line[kLineBufferSize];
  long long lines = 0;
  while (reader.Next(line) == kLineRead) ++lines;
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s PROGRAM.NC PIECES X Y Z [APPROACH]\n", argv[0]);
    return 2;
  }
  std::string path;
  if (!platform::Utf8ToCp932(argv[1], &path)) return 2;
  SplitCheckJob job{};
  job.ncFile = path.c_str();
  job.pieceCount = std::atoi(argv[2]);
  for (int axis = 0; axis < 3; ++axis) job.start[axis] = std::strtod(argv[3 + axis], nullptr);
  job.approach = argc > 6 ? std::strtod(argv[6], nullptr) : 10.0;

  const double begin = Seconds();
  SplitCheckReport report{};
  const int result = CheckSplit(job, &report);
  const double seconds = Seconds() - begin;

  char line[kLogLineSize];
  DescribeSplitCheck(report, line);
  std::string shown;
  platform::Cp932ToUtf8(line, &shown);
  std::printf("%s\n", shown.c_str());

  long long lines = CountLines(path.c_str());
  for (int piece = 1; piece <= job.pieceCount; ++piece) {
    char piecePath[512];
    if (PiecePath(path.c_str(), piece, piecePath, sizeof piecePath) == kNamingOk) lines += CountLines(piecePath);
  }
  std::printf("lines %lld  seconds %.3f  lines/s %.0f\n", lines, seconds, seconds > 0 ? lines / seconds : 0.0);
  return result == kCheckPassed ? 0 : 1;
}
