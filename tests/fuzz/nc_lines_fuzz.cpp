// Fuzz target for the reading of an NC program: arbitrary bytes are the program, read through the
// line reader; every line goes through the scanner's probes and word readers and the passes'
// line rules; then the measurement pass runs over the same bytes as a split would run it, and its
// intermediate file is read back record by record.
// Checks besides memory safety:
//  - the lines are the bytes up to the first Ctrl-Z with each "\r\n" turned into "\n", each
//    line within kMaxLineLength, and the reader keeps its final result;
//  - WriteText and the reader give every line back byte for byte;
//  - CutComment ends the line at its first "(";
//  - a measurement that succeeds wrote only records that read back, as many as it reported,
//    and finite totals; a refusal has its message.
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
#include "nc/pass_rules.h"
#include "nc/scan.h"
#include "split/measure_pass.h"

namespace {

constexpr char kIntermediatePath[] = "fuzz_ascii.txt";
constexpr char kCopyPath[] = "fuzz-copy.NC";

// What the reader must deliver: the bytes before the first Ctrl-Z, "\r\n" as "\n".
std::string ExpectedText(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 0; i < size && data[i] != 0x1A; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text.push_back(static_cast<char>(data[i]));
  }
  return text;
}

// Every probe and word reader of the scanner and the line rules of the passes, on one line.
void Probe(char* line) {
  for (const char* p = line; *p != '\0'; p += CharacterWidth(p)) {
  }
  FindMotionWord(line);
  FindMCode(line);
  FindProgramNumber(line);
  FindSpindleSpeed(line);
  FindSpindleDirection(line);
  FindCoolant(line);
  FindCannedCycle(line);
  IsDwellBlock(line);
  IsSetPositionBlock(line);
  IsToolChange(line);
  UpdateCompensation(line, 0);
  HasCodeWord(line, 'G', 92);
  FindText(line, "G18");
  FindText(line, "");

  char number[8];
  char tail[16];
  for (const char* p = line; *p != '\0'; p += CharacterWidth(p)) {
    if (*p < 'A' || *p > 'Z') continue;
    double value = 0;
    int hasPoint = 0;
    int integer = 0;
    ReadWordValue(p, &value, &hasPoint);
    ReadWordInteger(p, &integer);
    ReadWordReal(p);
    CopyWordNumber(p, number);
    char text[kCoordinateTextSize];
    FormatCoordinate(value, text);
  }
  CopyTail(line, 2, 40, tail);

  const char* open = std::strchr(line, '(');
  const size_t before = open != nullptr ? static_cast<size_t>(open - line) : std::strlen(line);
  CutComment(line);
  fuzz::Check(std::strlen(line) == before, "CutComment ends the line at its first (");
}

void ReadBackRecords(const std::string& bytes, int expected) {
  FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
  fuzz::Check(file != nullptr, "intermediate file opens");
  LineReader reader(file);
  MotionRecord record;
  int count = 0;
  int read;
  while ((read = ReadMotionRecord(&reader, &record)) == kRecordRead) ++count;
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
    while ((status = reader.Next(line, &length)) == kLineRead) {
      fuzz::Check(length > 0 && length <= kMaxLineLength + 1 && line[length] == '\0', "line length");
      fuzz::Check(reader.lineNumber() == static_cast<int>(lines.size()) + 1, "line numbers count up");
      lines.emplace_back(line, length);
      delivered.append(line, length);
      fuzz::Check(WriteText(copy.get(), lines.back()) == 0, "the copy is written");
      Probe(line);
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
  const int result = MeasureProgram(fuzz::kInputPath, kIntermediatePath, start, &distance, &time,
                                    &minimum, &maximum, &report);
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
