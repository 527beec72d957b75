// Fuzz target for the NC interpretation layer: arbitrary bytes are read as a program through the
// line reader, and every line goes through the per-line work of a pass (comment cut, skip test,
// InterpretBlock, AdvancePosition, MeasureMove) and the formatters. Checks that nothing reads or
// writes out of bounds (run under AddressSanitizer) and that no infinity or NaN reaches a total.
//
// Build and run (clang; the NC sources hold no Japanese literal, so the CP932 execution
// character set that clang lacks does not matter here):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -ffp-contract=off -Isrc \
//     tests/fuzz/nc_fuzz.cpp src/nc/*.cpp src/platform/common/*.cpp src/platform/posix/*.cpp \
//     -o nc_fuzz
//   ./nc_fuzz -max_len=20000 -max_total_time=300 corpus_dir/
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/measure.h"
#include "nc/scan.h"
#include "nc/skip_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A read-only stream over the input (POSIX; libFuzzer runs there).
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;

  GCodeTable g;
  MCodeTable m;
  ClearCodeTables(&g, &m);
  ModalState modal{90, -1, -1, -1, -1, -1, -1, 17, -1, -1};
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{0, 0, 0};
  int modeCopy = 90;
  Position oldPosition{};
  Position newPosition{};
  DistanceTotals distance{};
  TimeTotals time{};
  Extents minimum{1e300, 1e300, 1e300, 1e300};
  Extents maximum{-1e300, -1e300, -1e300, -1e300};
  MoveCounters counters{};

  LineReader reader(file);
  char line[kLineBufferSize];
  size_t length = 0;
  char text[400];
  while (reader.Next(line, &length) == kLineRead) {
    FindMCode(line);
    FindProgramNumber(line);
    FindSpindleDirection(line);
    FindCoolant(line);
    CutComment(line);
    ClearBlock(&words, &given);
    if (LineHasSkipToken(line, kMeasureSkipTokens)) continue;
    if (InterpretBlock(line, &g, &m, &modal, &words, &given, &hasPoint, &feed, &modeCopy) != 1) {
      continue;
    }
    AdvancePosition(modal, given, &newPosition, oldPosition, words);
    MeasureMove(modal, newPosition, oldPosition, feed, &distance, &time, &minimum, &maximum,
                &counters);
    Position move;
    RelativeMove(newPosition, oldPosition, &move);
    for (double v : move) {
      FormatCoordinate(v, std::span<char>(text, kCoordinateTextSize));
      FormatThousandths('X', v, text);
      FormatRounded(v, text, 3, 12);
      FormatFixed(v, text, 3);
    }
    oldPosition = newPosition;
  }
  std::fclose(file);
  for (double total : {distance[kRapid], distance[kCutting], time[kCutting]}) {
    if (!std::isfinite(total)) std::abort();
  }
  return 0;
}
