// Fuzz target for the reading of an NC program: arbitrary bytes are the program, read through the
// line reader; every line is taken apart into its words and goes through the passes' per-line
// step and line rules; then the measurement pass runs over the same bytes as a split would run
// it, and its intermediate file is read back record by record.
// Checks besides memory safety:
//  - the lines are the bytes up to the first Ctrl-Z with each "\r\n" turned into "\n", each
//    line within kMaxLineLength, and the reader keeps its final result;
//  - the CRLF writer and the reader give every line back byte for byte;
//  - the words of a block lie inside the line, in order, their letters upper case; an unreadable
//    block names a place inside the line;
//  - a measurement that succeeds wrote only records that read back, as many moves and holes as
//    it reported, and finite totals; a refusal has its message.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "nc/format.h"
#include "nc/line_reader.h"
#include "nc/machine_state.h"
#include "nc/pass_rules.h"
#include "split/intermediate.h"
#include "split/measure_pass.h"
#include "text/crlf_text.h"

namespace {

constexpr char kIntermediatePath[] = "fuzz_ascii.txt";
constexpr char kCopyPath[] = "fuzz-copy.NC";

// What the reader must deliver: the bytes before the first Ctrl-Z, "\r\n" as "\n".
std::string ExpectedText(const uint8_t* data, size_t size) {
  std::string text;
  // A UTF-8 byte-order mark at the very start is read over.
  const size_t first = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
  for (size_t i = first; i < size && data[i] != 0x1A; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text.push_back(static_cast<char>(data[i]));
  }
  return text;
}

// The block reader and the passes' line rules on one line.
void Probe(const char* line, size_t length, PassRecords* records) {
  static Block block;
  ReadBlock(line, length, &block);
  fuzz::Check(block.wordCount >= 0 && block.wordCount <= kMaxBlockWords, "word count");
  size_t previousEnd = 0;
  for (int i = 0; i < block.wordCount; ++i) {
    const BlockWord& word = block.words[i];
    fuzz::Check(word.letter >= 'A' && word.letter <= 'Z', "an upper-case letter");
    fuzz::Check(word.at >= previousEnd && word.at < word.end && word.end <= length, "words in order");
    fuzz::Check(block.Has(word.letter) && block.Find(word.letter) != nullptr, "letters indexed");
    previousEnd = word.end;
  }
  if (block.result != kBlockReadable) {
    fuzz::Check(block.problemAt >= 0 && static_cast<size_t>(block.problemAt) < length, "the problem lies in the line");
  }
  FindCannedCycle(block);
  IsDwellBlock(block);
  IsSetPositionBlock(block);
  IsToolChange(block);
  IsProgramEnd(block);
  UpdateCompensation(block, 0);
  char riding[kRidingWordsSize];
  RidingWords(line, block, false, riding, sizeof riding);
  static MachineState state = UnstatedMachine();
  UpdateMachineState(block, kWholeBlock, &state, line);
  records->Step(line, length, IsUnfollowedMove);
  AdvancePosition(records->modal, records->given, &records->current, records->previous, records->words);
  records->previous = records->current;
}

void ReadBackRecords(const std::string& bytes, int expected) {
  FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
  fuzz::Check(file != nullptr, "intermediate file opens");
  static IntermediateReader* reader = nullptr;
  reader = new IntermediateReader(file);
  int count = 0;
  int read;
  while ((read = reader->Next()) == kRecordMove || read == kRecordBlock || read == kRecordHole) {
    if (read != kRecordBlock) ++count;
  }
  delete reader;
  std::fclose(file);
  fuzz::Check(read == kRecordEnd, "every record of the measurement reads back");
  fuzz::Check(count == expected, "as many records as reported");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles files(data, size);

  // 1. The line reader against the plain rule, and the writer that gives the lines back.
  std::vector<std::string> lines;
  std::string delivered;
  int status;
  {
    platform::FileHandle input(fuzz::kInputPath, "rb");
    platform::FileHandle copy(kCopyPath, "wb");
    LineReader reader(input.get());
    static char line[kLineBufferSize];
    size_t length = 0;
    static PassRecords records;
    records = PassRecords();
    while ((status = reader.Next(line, &length)) == kLineRead) {
      fuzz::Check(length > 0 && length <= kMaxLineLength + 1 && line[length] == '\0', "line length");
      fuzz::Check(reader.lineNumber() == static_cast<int>(lines.size()) + 1, "line numbers count up");
      lines.emplace_back(line, length);
      delivered.append(line, length);
      fuzz::Check(WriteCrlfText(copy.get(), lines.back()) == 0, "the copy is written");
      Probe(line, length, &records);
    }
    fuzz::Check(status == kLineEnd || status == kLineTooLong, "end or a long line, never a read error");
    fuzz::Check(reader.Next(line, &length) == status && line[0] == '\0', "the reader keeps its result");
    fuzz::Check(copy.Close(), "the copy closes");
  }
  const std::string expected = ExpectedText(data, size);
  if (status == kLineEnd) {
    fuzz::Check(delivered == expected, "the lines are the text");
  } else {
    fuzz::Check(expected.compare(0, delivered.size(), delivered) == 0, "the lines begin the text");
  }
  {
    platform::FileHandle copy(kCopyPath, "rb");
    LineReader reader(copy.get());
    static char line[kLineBufferSize];
    size_t length = 0;
    for (const std::string& written : lines) {
      fuzz::Check(reader.Next(line, &length) == kLineRead && std::string(line, length) == written,
                  "a written line reads back as it was");
    }
    fuzz::Check(reader.Next(line, &length) == kLineEnd, "nothing after the written lines");
  }

  // 2. The measurement pass over the same bytes.
  const double start[3] = {0.0, 0.0, 100.0};
  SplitMeter distance{};
  SplitMeter time{};
  Extents minimum{0, 0, 0, 0};
  Extents maximum{0, 0, 0, 0};
  MeasureReport report{};
  const int result = MeasureProgram({fuzz::kInputPath, kIntermediatePath, start},
                                    {&distance, &time, &minimum, &maximum, &report});
  if (result == kMeasureOk) {
    ReadBackRecords(files.Written(kIntermediatePath), report.records);
    fuzz::Check(std::isfinite(distance.running) && std::isfinite(distance.rapid) && std::isfinite(time.running),
                "finite totals");
  } else {
    char message[1024];
    fuzz::Check(DescribeMeasureFailure(result, report, fuzz::kInputPath, kIntermediatePath, message) > 0,
                "a refusal has its message");
  }
  return 0;
}
