// A whole program through the per-line work of a measurement pass: the totals must come out to
// the same bits on every build (Linux, Windows), since the split points depend on them.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/measure.h"
#include "nc/pass_rules.h"
#include "platform/platform.h"

namespace {

TEST(MeasurementOfAProgram, SameBitsOnEveryBuild) {
  // Arcs in three planes, incremental moves in thousandths, a Japanese comment, skipped lines.
  std::string path = std::string(QX_SOURCE_DIR) + "/tests/data/nc/arcs_and_increments.nc";
  platform::FileHandle file(path.c_str(), "rb");
  ASSERT_TRUE(file) << path;
  PassRecords r;
  r.modal = ModalState{0, -1, -1, -1, -1, -1, -1, 17, -1, -1};
  DistanceTotals distance{};
  TimeTotals time{};
  Extents minimum{1e9, 1e9, 1e9, 1e9}, maximum{-1e9, -1e9, -1e9, -1e9};
  MoveCounters counters{};
  int measured = 0;
  LineReader reader(file.get());
  char line[kLineBufferSize];
  size_t length = 0;
  while (reader.Next(line, &length) == kLineRead) {
    if (!r.Step(line, length, IsUnfollowedMove)) continue;
    AdvancePosition(r.modal, r.given, &r.current, r.previous, r.words);
    MeasureMove(r.modal, r.current, r.previous, r.feed, kArcByPositions,
                MoveSums{&distance, &time, &minimum, &maximum, &counters});
    ++measured;
    r.previous = r.current;
  }
  EXPECT_EQ(reader.lineNumber(), 156);
  EXPECT_EQ(measured, 151);
  EXPECT_EQ(std::bit_cast<uint64_t>(distance[kRapid]), 0x407b6cb7dd2cf776u);    // 438.79...
  EXPECT_EQ(std::bit_cast<uint64_t>(distance[kCutting]), 0x40ab1ba6ce8203ffu);  // 3469.825...
  EXPECT_EQ(std::bit_cast<uint64_t>(time[kCutting]), 0x402cf802b7877606u);      // 14.484...
  EXPECT_EQ(counters.zeroFeedMoves, 0);
}

}  // namespace
