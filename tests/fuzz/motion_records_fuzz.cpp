// Fuzz target for the intermediate file's record reader: arbitrary bytes are an intermediate
// file (one the user edited, or one cut short), read record by record as the split loop reads it,
// and every line is also handed to the record parser on its own.
// Checks besides memory safety: a record read has a motion code 0..3, and one whose values fit
// the record's widths is written and read back within the rounding of its fields (3 decimals for
// coordinates, 1 for the feed), still fitting.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"
#include "nc/line_reader.h"
#include "split/measure_pass.h"

namespace {

// Half a unit of the last decimal, and a little for the binary neighbours of decimal values.
bool WithinRounding(double written, double read, double half) {
  return std::fabs(written - read) <= half * (1.0 + 1e-9) + std::fabs(written) * 1e-15;
}

void CheckRecord(const MotionRecord& record) {
  fuzz::Check(record.motion >= 0 && record.motion <= 3, "motion code 0..3");
  if (!MotionRecordFits(record, nullptr, nullptr)) return;
  char text[kMotionRecordSize];
  const int length = FormatMotionRecord(record, text);
  fuzz::Check(length > 0 && static_cast<size_t>(length) < sizeof text, "a fitting record fits its line");
  MotionRecord reread{};
  fuzz::Check(ParseMotionRecord(text, &reread) == kRecordRead, "a written record reads back");
  fuzz::Check(reread.motion == record.motion && MotionRecordFits(reread, nullptr, nullptr), "read back whole");
  const double written[] = {record.x, record.y, record.z, record.i, record.j};
  const double read[] = {reread.x, reread.y, reread.z, reread.i, reread.j};
  for (int k = 0; k < 5; ++k) {
    fuzz::Check(WithinRounding(written[k], read[k], 0.0005), "a coordinate reads back within its rounding");
  }
  fuzz::Check(WithinRounding(record.feed, reread.feed, 0.05), "the feed reads back within its rounding");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles files(data, size);
  {
    platform::FileHandle input(fuzz::kInputPath, "rb");
    LineReader reader(input.get());
    MotionRecord record{};
    int read;
    while ((read = ReadMotionRecord(&reader, &record)) == kRecordRead) CheckRecord(record);
    fuzz::Check(read == kRecordEnd || read == kRecordBad, "record, end or a bad line");
  }
  {
    platform::FileHandle input(fuzz::kInputPath, "rb");
    LineReader reader(input.get());
    static char line[kLineBufferSize];
    while (reader.Next(line) == kLineRead) {
      MotionRecord record{};
      if (ParseMotionRecord(line, &record) == kRecordRead) CheckRecord(record);
    }
  }
  return 0;
}
