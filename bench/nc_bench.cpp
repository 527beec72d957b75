// Micro-benchmarks of the NC interpretation layer: the per-line work of a measurement pass
// (the passes' per-line step, AdvancePosition, MeasureMove), the machine-time planner, the line
// reader, the text writer, and the number formatter.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/machine_time.h"
#include "nc/measure.h"
#include "nc/pass_rules.h"
#include "text/crlf_text.h"
#include "platform/platform.h"

namespace {

const char* ProgramPath() {
  const char* path = std::getenv("QX_BENCH_PROGRAM");
  return path != nullptr ? path : QX_BENCH_DEFAULT_PROGRAM;
}

// The program's lines as the line reader delivers them, read once outside the timing.
const std::vector<std::string>& ProgramLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> result;
    platform::FileHandle file(ProgramPath(), "rb");
    if (!file) return result;
    LineReader reader(file.get());
    char line[kLineBufferSize];
    size_t length = 0;
    while (reader.Next(line, &length) == kLineRead) result.emplace_back(line, length);
    return result;
  }();
  return lines;
}

void BM_InterpretAdvanceMeasure(benchmark::State& state) {
  const std::vector<std::string>& lines = ProgramLines();
  if (lines.empty()) {
    state.SkipWithError("program not found; set QX_BENCH_PROGRAM");
    return;
  }
  int64_t bytes = 0;
  for (const std::string& l : lines) bytes += static_cast<int64_t>(l.size());
  for (auto _ : state) {
    PassRecords r;
    DistanceTotals distance{};
    TimeTotals time{};
    Extents minimum{1e300, 1e300, 1e300, 1e300};
    Extents maximum{-1e300, -1e300, -1e300, -1e300};
    MoveCounters counters{};
    const MoveSums sums{&distance, &time, &minimum, &maximum, &counters};
    for (const std::string& text : lines) {
      if (!r.Step(text.data(), text.size(), IsUnfollowedMove)) continue;
      AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words);
      MeasureMove(r.modal, r.current, r.previous, r.feed, kArcByPositions, sums);
      r.previous = r.current;
    }
    benchmark::DoNotOptimize(distance);
    benchmark::DoNotOptimize(time);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetLabel("items = lines");
}
BENCHMARK(BM_InterpretAdvanceMeasure)->Unit(benchmark::kMillisecond);

// The program's straight moves and arcs as the planner takes them, interpreted once outside the
// timing (X, Y, Z of both ends and the centre; an inch program's numbers are planned as mm).
struct PlannedMove {
  double from[3], to[3], centre[3];
  int motion, plane;
  double feed;
};
const std::vector<PlannedMove>& ProgramMoves() {
  static const std::vector<PlannedMove> moves = [] {
    std::vector<PlannedMove> result;
    PassRecords r;
    for (const std::string& text : ProgramLines()) {
      if (!r.Step(text.data(), text.size(), IsUnfollowedMove)) continue;
      AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words);
      if (r.modal.motion >= 0 && r.modal.motion <= 3 && r.current != r.previous) {
        PlannedMove m{};
        const int centreSlot[3] = {kI, kJ, kK};
        for (int axis = 0; axis < 3; ++axis) {
          m.from[axis] = r.previous[axis];
          m.to[axis] = r.current[axis];
          m.centre[axis] = r.previous[axis] + r.current[centreSlot[axis]];
        }
        m.motion = r.modal.motion;
        m.plane = r.modal.plane;
        m.feed = r.feed.feed;
        result.push_back(m);
      }
      r.previous = r.current;
    }
    return result;
  }();
  return moves;
}

// The machine-time planner over the program's moves, with the [MACHINE] defaults' limits.
void BM_MachineTimePlanner(benchmark::State& state) {
  const std::vector<PlannedMove>& moves = ProgramMoves();
  if (moves.empty()) {
    state.SkipWithError("program not found or without moves; set QX_BENCH_PROGRAM");
    return;
  }
  const MachineLimits limits{{36000.0, 36000.0, 30000.0}, {10000.0, 10000.0, 10000.0},
                             {3000.0, 3000.0, 2500.0}, 0.01, 6.0, 0.002, 1.0};
  MachineTimePlanner planner(limits);
  for (auto _ : state) {
    planner.Reset();
    for (const PlannedMove& m : moves) {
      if (m.motion <= 1) {
        planner.Line(m.from, m.to, m.motion == 0, m.feed);
      } else {
        planner.Arc(m.from, m.to, m.centre, m.plane, m.motion == 2, false, m.feed);
      }
    }
    benchmark::DoNotOptimize(planner.Total());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(moves.size()));
  state.SetLabel("items = moves");
}
BENCHMARK(BM_MachineTimePlanner)->Unit(benchmark::kMillisecond);

void BM_LineReader(benchmark::State& state) {
  int64_t bytes = 0;
  int64_t count = 0;
  for (auto _ : state) {
    platform::FileHandle file(ProgramPath(), "rb");
    if (!file) {
      state.SkipWithError("program not found; set QX_BENCH_PROGRAM");
      return;
    }
    LineReader reader(file.get());
    char line[kLineBufferSize];
    size_t length = 0;
    while (reader.Next(line, &length) == kLineRead) {
      bytes += static_cast<int64_t>(length);
      ++count;
    }
  }
  state.SetItemsProcessed(count);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LineReader)->Unit(benchmark::kMillisecond);

// The CRLF text writer's own cost, every line of the program written to the null device (so that
// the file system's share stays out of the figure).
void BM_WriteText(benchmark::State& state) {
  const std::vector<std::string>& lines = ProgramLines();
  platform::FileHandle sink(std::fopen("/dev/null", "wb"));
  if (lines.empty() || !sink) {
    state.SkipWithError("program not found (set QX_BENCH_PROGRAM) or no /dev/null");
    return;
  }
  int64_t bytes = 0;
  for (const std::string& l : lines) bytes += static_cast<int64_t>(l.size());
  for (auto _ : state) {
    for (const std::string& text : lines) benchmark::DoNotOptimize(WriteCrlfText(sink.get(), text));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond);

// Coordinates of the kinds a program holds: whole millimetres, thousandths, negatives, zero.
std::vector<double> SampleCoordinates() {
  std::vector<double> values;
  for (int i = 0; i < 1024; ++i) {
    double v = (i * 7919 % 200000 - 100000) / 1000.0;
    if (i % 5 == 0) v = static_cast<double>(i % 300);
    if (i % 17 == 0) v = 0.0;
    values.push_back(v);
  }
  return values;
}

void BM_FormatCoordinate(benchmark::State& state) {
  const std::vector<double> values = SampleCoordinates();
  char out[kCoordinateTextSize];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatCoordinate(values[i++ & 1023], out));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatCoordinate);

void BM_FormatRecordField(benchmark::State& state) {
  const std::vector<double> values = SampleCoordinates();
  char out[32];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatRounded(values[i++ & 1023], out, 3, 12));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatRecordField);

}  // namespace

BENCHMARK_MAIN();
