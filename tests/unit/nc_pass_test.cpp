// A whole program through the per-line work of a measurement pass: the totals must come out to
// the same bits on every build (Linux, Windows), since the split points depend on them.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/measure.h"
#include "nc/scan.h"
#include "nc/skip_lists.h"
#include "platform/platform.h"

namespace {

struct PassTotals {
  DistanceTotals distance{};
  TimeTotals time{};
  Extents minimum{1e9, 1e9, 1e9, 1e9};
  Extents maximum{-1e9, -1e9, -1e9, -1e9};
  MoveCounters counters{};
  int lines = 0;
  int measured = 0;
};

PassTotals MeasureFile(const std::string& path) {
  PassTotals t;
  platform::FileHandle file(path.c_str(), "rb");
  EXPECT_TRUE(file) << path;
  if (!file) return t;
  GCodeTable g;
  MCodeTable m;
  ClearCodeTables(&g, &m);
  ModalState modal{0, -1, -1, -1, -1, -1, -1, 17, -1, -1};
  BlockWords words{};
  WordGiven given{};
  WordHasPoint hasPoint{};
  FeedState feed{0, 0, 0};
  int modeCopy = 0;
  Position oldPosition{};
  Position newPosition{};
  LineReader reader(file.get());
  char line[kLineBufferSize];
  while (reader.Next(line) == kLineRead) {
    ++t.lines;
    CutComment(line);
    ClearBlock(&words, &given);
    if (LineHasSkipToken(line, kMeasureSkipTokens)) continue;
    if (InterpretBlock(line, &g, &m, &modal, &words, &given, &hasPoint, &feed, &modeCopy) != 1) {
      continue;
    }
    AdvancePosition(modal, given, &newPosition, oldPosition, words);
    MeasureMove(modal, newPosition, oldPosition, feed, &t.distance, &t.time, &t.minimum,
                &t.maximum, &t.counters);
    ++t.measured;
    oldPosition = newPosition;
  }
  return t;
}

std::string Bits(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%016llx",
                static_cast<unsigned long long>(std::bit_cast<uint64_t>(v)));
  return text;
}

TEST(MeasurementOfAProgram, SameBitsOnEveryBuild) {
  PassTotals t = MeasureFile(std::string(QX_SOURCE_DIR) + "/tests/data/nc/arcs_and_increments.nc");
  EXPECT_EQ(t.lines, 156);
  EXPECT_EQ(t.measured, 151);
  EXPECT_EQ(Bits(t.distance[kRapid]), "0x407b6cb7dd2cf776");
  EXPECT_EQ(Bits(t.distance[kCutting]), "0x40ab1ba6ce8203ff");
  EXPECT_EQ(Bits(t.time[kCutting]), "0x402cf802b7877606");
  EXPECT_EQ(t.counters.zeroFeedMoves, 0);
  char text[32];
  FormatFixed(t.distance[kCutting], text, 3);
  EXPECT_STREQ(text, "3469.825");
  FormatRounded(t.time[kCutting], text, 3, 12);
  EXPECT_STREQ(text, "      14.484");
  EXPECT_EQ(t.maximum[kExtentFeed], 600);
  EXPECT_EQ(t.minimum[kExtentFeed], 160);
}

}  // namespace
