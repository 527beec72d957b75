// Fuzz target for the intermediate file's record reader: arbitrary bytes are an intermediate
// file (one a user edited, or one cut short), read record by record as the split loop reads it,
// and every line is also handed to the record parser on its own.
// Checks besides memory safety: a move read has a motion code 0..3, a plane 17..19, finite
// values; written again it reads back to the same values exactly (the file holds whole counts of
// the resolution); a hole read has a known cycle code, G98 or G99 and finite values; a block read
// is the line's text. A file that carries the machine time (units line "U 21 T") gives each
// record a time within 0..kLargestMachineNs, and every line is also parsed as such a record.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_support.h"
#include "nc/line_reader.h"
#include "split/intermediate.h"

namespace {

constexpr char kCopyPath[] = "fuzz-records.txt";

void CheckMove(const MoveRecord& move, int units) {
  fuzz::Check(move.motion >= 0 && move.motion <= 3, "motion code 0..3");
  fuzz::Check(move.plane >= 17 && move.plane <= 19, "plane 17..19");
  for (double value : move.at) fuzz::Check(std::isfinite(value), "finite coordinates");
  fuzz::Check(std::isfinite(move.feed), "finite feed");
  {
    platform::FileHandle copy(kCopyPath, "wb");
    IntermediateWriter writer(copy.get(), units);
    fuzz::Check(writer.WriteMove(move) == 0, "a record read is written again");
  }
  platform::FileHandle copy(kCopyPath, "rb");
  IntermediateReader reader(copy.get());
  fuzz::Check(reader.units() == units, "the units line reads back");
  fuzz::Check(reader.Next() == kRecordMove, "the record reads back");
  const MoveRecord& again = reader.move();
  fuzz::Check(again.motion == move.motion && again.plane == move.plane && again.flags == move.flags &&
                  again.line == move.line && std::strcmp(again.words, move.words) == 0,
              "the same fields");
  for (int slot : {kX, kY, kZ, kI, kJ, kK, kR}) {
    fuzz::Check(again.at[slot] == move.at[slot], "the same coordinates");
  }
  fuzz::Check(again.feed == move.feed, "the same feed");
}

void CheckHole(const HoleRecord& hole) {
  const int code = hole.code;
  fuzz::Check(code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89), "a known cycle");
  fuzz::Check(hole.returnLevel == 98 || hole.returnLevel == 99, "G98 or G99");
  for (double value : {hole.x, hole.y, hole.z, hole.r, hole.feed, hole.initial}) {
    fuzz::Check(std::isfinite(value), "finite hole values");
  }
  fuzz::Check(std::memchr(hole.params, '\0', sizeof hole.params) != nullptr, "cycle words end in their field");
  fuzz::Check(std::memchr(hole.words, '\0', sizeof hole.words) != nullptr, "riding words end in their field");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles files(data, size);
  int units = 0;
  {
    platform::FileHandle input(fuzz::kInputPath, "rb");
    IntermediateReader reader(input.get());
    units = reader.units();
    int kind;
    while ((kind = reader.Next()) == kRecordMove || kind == kRecordHole || kind == kRecordBlock) {
      if (reader.carriesTime()) {
        const int64_t time = kind == kRecordMove   ? reader.move().machineNs
                             : kind == kRecordHole ? reader.hole().machineNs
                                                   : reader.block().machineNs;
        fuzz::Check(time >= 0 && time <= kLargestMachineNs, "a carried time within its range");
      }
      if (kind == kRecordMove) CheckMove(reader.move(), units);
      if (kind == kRecordHole) CheckHole(reader.hole());
      if (kind == kRecordBlock) fuzz::Check(reader.block().length < kCarriedTextSize, "a block fits its field");
    }
    fuzz::Check(kind == kRecordEnd || kind == kRecordBad, "record, end or a bad line");
  }
  {
    platform::FileHandle input(fuzz::kInputPath, "rb");
    LineReader reader(input.get());
    static char line[kLineBufferSize];
    size_t length = 0;
    static MoveRecord move;
    static HoleRecord hole;
    static BlockRecord block;
    while (reader.Next(line, &length) == kLineRead) {
      if (length > 0 && line[length - 1] == '\n') --length;
      const int kind = ParseRecord(line, length, kMillimetres, &move, &hole, &block);
      if (kind == kRecordMove) CheckMove(move, kMillimetres);
      if (kind == kRecordHole) CheckHole(hole);
      static int64_t time = 0;
      const int timed = ParseRecord(line, length, kMillimetres, &move, &hole, &block, &time);
      fuzz::Check(time >= 0 && time <= kLargestMachineNs, "a carried time within its range");
      if (timed == kRecordMove) CheckMove(move, kMillimetres);
      if (timed == kRecordHole) CheckHole(hole);
    }
  }
  return 0;
}
