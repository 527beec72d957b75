// Developer tool: the programmed time and the estimated machine time of NC programs, and what
// the estimate costs.
//
//   build/native/bench/machine_time_bench PROGRAM...
//
// Each program is measured as a split measures it (its start point from the program, its header
// cut off, the measurement pass into an intermediate file in the working directory), then the
// machine time is estimated from that file with the [MACHINE] defaults (or the Quendrix.ini named
// by QX_BENCH_SETTINGS). One line per program: lines, programmed minutes, machine minutes, their
// ratio, the CPU seconds of the measurement pass and of the estimate, and the estimate's lines per
// CPU second. A program a split would refuse gets its measurement result instead.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "config/settings.h"
#include "header_footer/header_cut.h"
#include "header_footer/start_point.h"
#include "nc/line_reader.h"
#include "platform/platform.h"
#include "split/machine_meter.h"
#include "split/measure_pass.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

long long CountLines(const char* path) {
  platform::FileHandle file(path, "rb");
  if (!file) return 0;
  LineReader reader(file.get());
  char line[kLineBufferSize];
  long long lines = 0;
  while (reader.Next(line) == kLineRead) ++lines;
  return lines;
}

// The last part of `path`.
const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash == nullptr ? path : slash + 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: machine_time_bench PROGRAM...\n");
    return 2;
  }
  const char* settings = std::getenv("QX_BENCH_SETTINGS");
  if (settings != nullptr) std::snprintf(gSettingsPath, sizeof gSettingsPath, "%s", settings);
  MachineLimits limits{};
  char problem[1024];
  if (ReadMachineSettings(&limits, problem) != kMachineSettingsOk) {
    std::fprintf(stderr, "[MACHINE] refused\n");
    return 2;
  }
  std::printf("%-48s %9s %12s %12s %7s %10s %10s %14s\n", "program", "lines", "programmed", "machine",
              "ratio", "measure s", "estimate s", "M lines/s est");
  double programmedSum = 0.0;
  double machineSum = 0.0;
  for (int i = 1; i < argc; ++i) {
    const char* path = argv[i];
    const long long lines = CountLines(path);
    double start[3] = {0.0, 0.0, 0.0};
    PositioningRecipe recipe{};
    if (ProgramStartPoint(path, start) != kStartPointDone || CutHeader(path, nullptr, &recipe) != kHeaderCutOk) {
      std::printf("%-48s %9lld   (no start point or header)\n", BaseName(path), lines);
      continue;
    }
    const int bodyLine = recipe.bodyLine == 0 ? INT_MAX : recipe.bodyLine;
    const char* intermediate = "machine_time_bench_ascii.txt";
    SplitMeter distance{}, time{};
    Extents minimum{}, maximum{};
    MeasureReport report{};
    const double t0 = CpuSeconds();
    const int measured = MeasureProgram({path, intermediate, start, bodyLine},
                                        {&distance, &time, &minimum, &maximum, &report});
    const double t1 = CpuSeconds();
    if (measured != kMeasureOk) {
      std::printf("%-48s %9lld   (refused: measurement result %d)\n", BaseName(path), lines, measured);
      platform::RemoveFile(intermediate);
      continue;
    }
    double machine = 0.0;
    const int estimated = EstimateMachineTime(intermediate, limits, bodyLine, report.lastMoveRecord, &machine);
    const double t2 = CpuSeconds();
    platform::RemoveFile(intermediate);
    if (estimated != kMachineEstimateOk) {
      std::printf("%-48s %9lld   (estimate failed)\n", BaseName(path), lines);
      continue;
    }
    programmedSum += time.running;
    machineSum += machine;
    const double cost = t2 - t1;
    std::printf("%-48s %9lld %12.3f %12.3f %7.2f %10.3f %10.3f %14.2f\n", BaseName(path), lines,
                time.running, machine, time.running > 0 ? machine / time.running : 0.0, t1 - t0, cost,
                cost > 0 ? static_cast<double>(lines) / cost / 1e6 : 0.0);
  }
  std::printf("%-48s %9s %12.3f %12.3f %7.2f\n", "all", "", programmedSum, machineSum,
              programmedSum > 0 ? machineSum / programmedSum : 0.0);
  return 0;
}
