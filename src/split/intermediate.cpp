#include "split/intermediate.h"

#include <cstring>
#include <span>

#include "nc/digits.h"
#include "nc/format.h"
#include "platform/platform.h"

namespace {

// Every count of a record fits 15 digits: coordinates are refused beyond +-999999.999 mm
// (+-99999.9999 inch... counts of 10^9), feeds beyond 100000.
constexpr int64_t kLargestCount = 999999999999999;

// The head of a move record in the XY plane without flags, by its motion code.
constexpr size_t kPlainHeadSize = 8;
constexpr char kPlainHeads[4][kPlainHeadSize + 1] = {"M 0 17 0", "M 1 17 0", "M 2 17 0", "M 3 17 0"};


// Writes `value` in decimal at `out`; returns the characters written (at most 20).
int PutInteger(int64_t value, char* out) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  int length = value < 0 ? 1 : 0;
  if (value < 0) out[0] = '-';
  const int digits = DecimalDigits(magnitude);
  WriteDigitsBackward(magnitude, out + length + digits);
  return length + digits;
}

// Writes a record's kind letter and its first three fields ("M 1 17 0") at `line`; returns the
// characters written.
int PutHead(char kind, int first, int second, int third, char* line) {
  int n = 0;
  line[n++] = kind;
  for (int field : {first, second, third}) {
    line[n++] = ' ';
    n += PutInteger(field, line + n);
  }
  return n;
}

// Reads a decimal integer field at text[*at] (an optional "-", 1 to 18 digits), then one blank or
// the end. Advances *at past the blank. False when the field is malformed.
inline bool TakeInteger(const char* text, size_t length, size_t* at, int64_t* value) {
  size_t i = *at;
  const bool negative = i < length && text[i] == '-';
  if (negative) ++i;
  const size_t first = i;
  uint64_t v = 0;
  while (i < length) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
    if (digit > 9) break;
    v = v * 10 + digit;
    ++i;
  }
  if (i == first || i - first > 18) return false;
  if (i < length) {
    if (text[i] != ' ') return false;
    ++i;
  }
  *at = i;
  *value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

bool ToResolutionCount(double value, int decimals, int64_t* count) {
  int64_t v = 0;
  if (!RoundToWhole(value, decimals, &v) || v > 999999999999999 || v < -999999999999999) return false;
  *count = v;
  return true;
}

IntermediateWriter::IntermediateWriter(FILE* file, int units, bool carriesTime)
    : file_(file),
      decimals_(ResolutionDecimals(units)),
      scale_(units == kInches ? 10000.0 : 1000.0),
      carriesTime_(carriesTime) {
  char line[16];
  int n = 0;
  line[n++] = 'U';
  line[n++] = ' ';
  n += PutInteger(units, line + n);
  if (carriesTime) {
    line[n++] = ' ';
    line[n++] = 'T';
  }
  line[n++] = '\r';
  line[n++] = '\n';
  Put(line, static_cast<size_t>(n));
}

int IntermediateWriter::Put(const char* text, size_t length) {
  if (file_ == nullptr) return 0;
  if (failed_) return -1;
  if (buffered_ + length > sizeof buffer_ && Flush() != 0) return -1;
  if (length > sizeof buffer_) {
    if (!platform::WriteBytes(file_, text, length)) failed_ = true;
    return failed_ ? -1 : 0;
  }
  std::memcpy(buffer_ + buffered_, text, length);
  buffered_ += length;
  return 0;
}

int IntermediateWriter::Flush() {
  if (file_ == nullptr) return 0;
  if (buffered_ > 0 && !failed_ && !platform::WriteBytes(file_, buffer_, buffered_)) failed_ = true;
  buffered_ = 0;
  return failed_ ? -1 : 0;
}

int IntermediateWriter::WriteMove(const MoveRecord& record) {
  char own[64 + 12 * 22 + kRidingWordsSize];
  // A record left open for its time is made where it waits.
  char* line = MoveLine(carriesTime_ ? open_ : own);
  int n = 0;
  if (record.motion >= 0 && record.motion <= 3 && record.plane == 17 && record.flags == 0) {
    // The head of nearly every record: a move in the XY plane without flags.
    std::memcpy(line, kPlainHeads[record.motion], kPlainHeadSize);
    n = static_cast<int>(kPlainHeadSize);
  } else {
    n = PutHead('M', record.motion, record.plane, record.flags, line);
  }
  // The end point, each axis "=" when it is the previous move's; then an arc's centre offsets and
  // radius (a straight move has none); then the feed, "=" when it is the previous move's. What a
  // reader makes of the counts is kept when the record carries the time, for the estimate of it.
  int64_t count = 0;
  for (int slot = kX; slot <= kZ; ++slot) {
    if (!PutCount(line, &n, record.at[slot], decimals_, slot, &count)) return -1;
    // An axis that keeps its count keeps the value read back (most moves change one or two).
    if (carriesTime_ && (!written_.counted || count != written_.count[slot])) {
      written_.at[slot] = static_cast<double>(count) / scale_;
      written_.count[slot] = count;
    }
  }
  written_.counted = carriesTime_;
  if (record.motion == 2 || record.motion == 3) {
    for (int slot : {kI, kJ, kK, kR}) {
      if (!PutCount(line, &n, record.at[slot], decimals_, -1, &count)) return -1;
      if (carriesTime_) written_.at[slot] = static_cast<double>(count) / scale_;
    }
  } else if (carriesTime_) {
    written_.at[kI] = written_.at[kJ] = written_.at[kK] = written_.at[kR] = 0.0;
  }
  if (!PutCount(line, &n, record.feed, 3, kFeedSlot, &count)) return -1;
  if (carriesTime_) {
    written_.motion = record.motion;
    written_.plane = record.plane;
    written_.flags = record.flags;
    written_.feed = static_cast<double>(count) / 1000.0;
    written_.line = record.line;
  }
  // The line, "+" when it is the one after the move record's before.
  line[n++] = ' ';
  if (anyMove_ && static_cast<int64_t>(record.line) == static_cast<int64_t>(lastLine_) + 1) {
    line[n++] = '+';
  } else {
    n += PutInteger(record.line, line + n);
  }
  lastLine_ = record.line;
  // The first move record names every value: they are the ones the next may repeat.
  anyMove_ = true;
  if (carriesTime_) {
    openLine_ = line;
    openLength_ = n;
    openWords_ = record.words;
    return failed_ ? -1 : 0;
  }
  return PutLineEnd(line, n, record.words);
}

int IntermediateWriter::PutTime(char* line, int n, int64_t machineNs) {
  line[n++] = ' ';
  n += PutInteger(machineNs - lastNs_, line + n);
  lastNs_ = machineNs;
  return n;
}

int IntermediateWriter::EndRecord(int64_t machineNs) {
  if (openWords_ == nullptr) return -1;
  char* line = openLine_;
  openLine_ = open_;
  int n = PutTime(line, openLength_, machineNs);
  if (holeOpen_) n = PutParams(line, n, writtenHole_.params);
  holeOpen_ = false;
  const char* words = openWords_;
  openWords_ = nullptr;
  return PutLineEnd(line, n, words);
}

int IntermediateWriter::PutLineEnd(char* line, int n, const char* words) {
  // Most moves carry no words: no need to measure them.
  const size_t count = words[0] == '\0' ? 0 : strnlen(words, kRidingWordsSize - 1);
  if (count > 0) {
    line[n++] = ' ';
    std::memcpy(line + n, words, count);
    n += static_cast<int>(count);
  }
  line[n++] = '\r';
  line[n++] = '\n';
  const auto length = static_cast<size_t>(n);
  if (line == buffer_ + buffered_) {  // made in place (MoveLine)
    buffered_ += length;
    return 0;
  }
  if (file_ != nullptr && !failed_ && length <= kLineCopy && sizeof buffer_ - buffered_ >= kLineCopy) {
    // A usual record: one copy of a fixed size (the bytes after it are overwritten by the next
    // record or never written out).
    std::memcpy(buffer_ + buffered_, line, kLineCopy);
    buffered_ += length;
    return 0;
  }
  return Put(line, length);
}

bool IntermediateWriter::PutCount(char* line, int* n, double value, int decimals, int repeatSlot,
                                  int64_t* written) {
  line[(*n)++] = ' ';
  // The same value as the move record before has the same count: no need to round it again.
  if (repeatSlot >= 0 && anyMove_ && value == lastValues_[repeatSlot]) {
    line[(*n)++] = '=';
    if (written != nullptr) *written = lastCounts_[repeatSlot];
    return true;
  }
  int64_t count = 0;
  if (!ToResolutionCount(value, decimals, &count) || count > kLargestCount || count < -kLargestCount) {
    failed_ = true;
    return false;
  }
  if (written != nullptr) *written = count;
  if (repeatSlot >= 0) {
    const bool repeated = anyMove_ && lastCounts_[repeatSlot] == count;
    lastCounts_[repeatSlot] = count;
    lastValues_[repeatSlot] = value;
    if (repeated) {
      line[(*n)++] = '=';
      return true;
    }
  }
  *n += PutInteger(count, line + *n);
  return true;
}

int IntermediateWriter::WriteHole(const HoleRecord& record) {
  char own[64 + 12 * 22 + kCycleParamsSize + kRidingWordsSize];
  char* line = carriesTime_ ? open_ : own;
  int n = PutHead('C', record.code, record.returnLevel, record.flags, line);
  const double values[] = {record.x, record.y, record.z, record.r};
  int64_t counts[6] = {};
  for (int i = 0; i < 4; ++i) {
    if (!PutCount(line, &n, values[i], decimals_, -1, &counts[i])) return -1;
  }
  if (!PutCount(line, &n, record.feed, 3, -1, &counts[4]) ||
      !PutCount(line, &n, record.initial, decimals_, -1, &counts[5])) {
    return -1;
  }
  line[n++] = ' ';
  n += PutInteger(record.line, line + n);
  if (carriesTime_) {
    // The hole as a reader reads it back; its time follows the line when the caller has it.
    writtenHole_ = record;
    double* scaled[] = {&writtenHole_.x, &writtenHole_.y, &writtenHole_.z, &writtenHole_.r};
    for (int i = 0; i < 4; ++i) *scaled[i] = static_cast<double>(counts[i]) / scale_;
    writtenHole_.feed = static_cast<double>(counts[4]) / 1000.0;
    writtenHole_.initial = static_cast<double>(counts[5]) / scale_;
    writtenHole_.params[kCycleParamsSize - 1] = '\0';
    openLine_ = open_;
    openLength_ = n;
    openWords_ = record.words;
    // The cycle's words go with the time, before the riding words: kept in the open record.
    holeOpen_ = true;
    return 0;
  }
  return PutLineEnd(line, PutParams(line, n, record.params), record.words);
}

int IntermediateWriter::PutParams(char* line, int n, const char* params) {
  line[n++] = ' ';
  const size_t length = strnlen(params, kCycleParamsSize - 1);
  if (length == 0) line[n++] = '-';
  std::memcpy(line + n, params, length);
  return n + static_cast<int>(length);
}

int IntermediateWriter::WriteBlock(int lineNumber, int distanceMode, const char* text, size_t length,
                                   int64_t machineNs) {
  char head[72];
  int n = 0;
  head[n++] = 'B';
  head[n++] = ' ';
  n += PutInteger(lineNumber, head + n);
  head[n++] = ' ';
  n += PutInteger(distanceMode == 91 ? 91 : 90, head + n);
  if (carriesTime_) n = PutTime(head, n, machineNs);
  head[n++] = ' ';
  if (length >= kCarriedTextSize) length = kCarriedTextSize - 1;
  if (Put(head, static_cast<size_t>(n)) != 0 || Put(text, length) != 0) return -1;
  return Put("\r\n", 2);
}

namespace {

// Reads the riding words that end a record line at text[at].
bool TakeWords(const char* text, size_t length, size_t at, char (&words)[kRidingWordsSize]) {
  const size_t count = length - at;
  if (count >= kRidingWordsSize) return false;
  std::memcpy(words, text + at, count);
  words[count] = '\0';
  return true;
}

// Reads the time field at text[*at] into `*machineNs` (the record before's, then the record's).
bool TakeTime(const char* text, size_t length, size_t* at, int64_t* machineNs) {
  int64_t delta = 0;
  if (!TakeInteger(text, length, at, &delta)) return false;
  // Both within 0..kLargestMachineNs (under 10^18): the sum cannot overflow.
  const int64_t time = *machineNs + delta;
  if (time < 0 || time > kLargestMachineNs) return false;
  *machineNs = time;
  return true;
}

int ParseHole(const char* text, size_t length, double scale, HoleRecord* hole, int64_t* machineNs) {
  size_t at = 2;
  int64_t code = 0;
  int64_t returnLevel = 0;
  int64_t flags = 0;
  if (!TakeInteger(text, length, &at, &code) || !TakeInteger(text, length, &at, &returnLevel) ||
      !TakeInteger(text, length, &at, &flags)) {
    return kRecordBad;
  }
  const bool known = code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89);
  if (!known || (returnLevel != 98 && returnLevel != 99) || flags < 0 || flags > kAllMoveFlags) {
    return kRecordBad;
  }
  hole->code = static_cast<int>(code);
  hole->returnLevel = static_cast<int>(returnLevel);
  hole->flags = static_cast<int>(flags);
  double* scaled[] = {&hole->x, &hole->y, &hole->z, &hole->r};
  int64_t v = 0;
  for (double* value : scaled) {
    if (!TakeInteger(text, length, &at, &v) || v > kLargestCount || v < -kLargestCount) return kRecordBad;
    *value = static_cast<double>(v) / scale;
  }
  if (!TakeInteger(text, length, &at, &v) || v > kLargestCount || v < -kLargestCount) return kRecordBad;
  hole->feed = static_cast<double>(v) / 1000.0;
  if (!TakeInteger(text, length, &at, &v) || v > kLargestCount || v < -kLargestCount) return kRecordBad;
  hole->initial = static_cast<double>(v) / scale;
  if (!TakeInteger(text, length, &at, &v) || v < 0 || v > 0x7fffffff) return kRecordBad;
  hole->line = static_cast<int>(v);
  if (machineNs != nullptr) {
    if (!TakeTime(text, length, &at, machineNs)) return kRecordBad;
    hole->machineNs = *machineNs;
  }
  // The cycle's own words up to the next blank ("-" for none), then the riding words.
  size_t end = at;
  while (end < length && text[end] != ' ') ++end;
  const size_t params = end - at;
  if (params == 0 || params >= kCycleParamsSize) return kRecordBad;
  const bool none = params == 1 && text[at] == '-';
  std::memcpy(hole->params, text + at, none ? 0 : params);
  hole->params[none ? 0 : params] = '\0';
  if (end < length) ++end;
  return TakeWords(text, length, end, hole->words) ? kRecordHole : kRecordBad;
}

}  // namespace

int ParseRecord(const char* text, size_t length, int units, MoveRecord* move, HoleRecord* hole,
                BlockRecord* block, int64_t* machineNs) {
  if (length < 2 || text[1] != ' ') return kRecordBad;
  size_t at = 2;
  int64_t v = 0;
  if (text[0] == 'C') return ParseHole(text, length, units == kInches ? 10000.0 : 1000.0, hole, machineNs);
  if (text[0] == 'B') {
    if (!TakeInteger(text, length, &at, &v) || v < 0 || v > 0x7fffffff) return kRecordBad;
    block->line = static_cast<int>(v);
    if (!TakeInteger(text, length, &at, &v) || (v != 90 && v != 91)) return kRecordBad;
    block->distanceMode = static_cast<int>(v);
    if (machineNs != nullptr) {
      // The time field ends with a blank (the block's text follows, empty or not).
      if (at == length || text[at - 1] != ' ' || !TakeTime(text, length, &at, machineNs)) return kRecordBad;
      block->machineNs = *machineNs;
    }
    block->length = length - at;
    if (block->length >= kCarriedTextSize) return kRecordBad;
    std::memcpy(block->text, text + at, block->length);
    block->text[block->length] = '\0';
    return kRecordBlock;
  }
  if (text[0] != 'M') return kRecordBad;
  const double scale = units == kInches ? 10000.0 : 1000.0;
  int64_t fields[3];
  if (length > kPlainHeadSize && text[kPlainHeadSize] == ' ' && text[2] >= '0' && text[2] <= '3' &&
      std::memcmp(text + 3, kPlainHeads[0] + 3, kPlainHeadSize - 3) == 0) {
    // "M <motion> 17 0 ": the head the writer writes for nearly every move.
    fields[0] = text[2] - '0';
    fields[1] = 17;
    fields[2] = 0;
    at = kPlainHeadSize + 1;
  } else {
    for (int64_t& field : fields) {
      if (!TakeInteger(text, length, &at, &field)) return kRecordBad;
    }
  }
  if (fields[0] < 0 || fields[0] > 3 || fields[1] < 17 || fields[1] > 19 || fields[2] < 0 ||
      fields[2] > kAllMoveFlags) {
    return kRecordBad;
  }
  // "=": the count of the move record parsed into `move` before.
  const bool previous = move->counted;
  auto takeCount = [&](int64_t* count, bool maySame) {
    if (maySame && at < length && text[at] == '=' && (at + 1 == length || text[at + 1] == ' ')) {
      at += at + 1 < length ? 2 : 1;
      return previous;
    }
    return TakeInteger(text, length, &at, count) && *count <= kLargestCount && *count >= -kLargestCount;
  };
  int64_t counts[kWordCount] = {move->count[kX], move->count[kY], move->count[kZ], 0, 0, 0, 0, 0};
  int64_t feedCount = move->feedCount;
  const int slots[] = {kX, kY, kZ, kI, kJ, kK, kR};
  const bool arc = fields[0] == 2 || fields[0] == 3;
  for (int slot : std::span(slots, arc ? 7 : 3)) {
    if (!takeCount(&counts[slot], slot <= kZ)) return kRecordBad;
  }
  if (!takeCount(&feedCount, true)) return kRecordBad;
  move->motion = static_cast<int>(fields[0]);
  move->plane = static_cast<int>(fields[1]);
  move->flags = static_cast<int>(fields[2]);
  move->counted = true;
  // Both the count and the scale are exact doubles: the quotient is the nearest double to the
  // decimal value, as reading its decimal text would give. The fields a straight move has not are
  // 0 (no division needed), and so is Q always.
  for (int slot = 0; slot < kWordCount; ++slot) {
    move->count[slot] = counts[slot];
    move->at[slot] = 0.0;
  }
  for (int slot : std::span(slots, arc ? 7 : 3)) move->at[slot] = static_cast<double>(counts[slot]) / scale;
  move->feedCount = feedCount;
  move->feed = static_cast<double>(feedCount) / 1000.0;
  // The line: "+" is the one after the move record's before.
  if (previous && at < length && text[at] == '+' && (at + 1 == length || text[at + 1] == ' ')) {
    at += at + 1 < length ? 2 : 1;
    v = static_cast<int64_t>(move->line) + 1;
    if (v > 0x7fffffff) return kRecordBad;
  } else if (!TakeInteger(text, length, &at, &v) || v < 0 || v > 0x7fffffff) {
    return kRecordBad;
  }
  move->line = static_cast<int>(v);
  if (machineNs != nullptr) {
    if (!TakeTime(text, length, &at, machineNs)) return kRecordBad;
    move->machineNs = *machineNs;
  }
  // What is left after the blank that ended the line number are the riding words.
  return TakeWords(text, length, at, move->words) ? kRecordMove : kRecordBad;
}

IntermediateReader::IntermediateReader(FILE* file) : file_(file) {
  if (ReadLine() != 1) return;
  const bool timed = lineLength_ == 6 && text_[4] == ' ' && text_[5] == 'T';
  if ((lineLength_ == 4 || timed) && text_[0] == 'U' && text_[1] == ' ' && text_[2] == '2' &&
      (text_[3] == '0' || text_[3] == '1')) {
    units_ = text_[3] == '0' ? kInches : kMillimetres;
    carriesTime_ = timed;
  }
}

int IntermediateReader::ReadLine() {
  lineLength_ = 0;
  bool any = false;
  for (;;) {
    if (position_ == end_) {
      if (eof_) break;
      const ptrdiff_t got = platform::ReadBytes(file_, chunk_, sizeof chunk_);
      position_ = 0;
      end_ = got > 0 ? static_cast<size_t>(got) : 0;
      if (got < 0) return -1;
      if (got == 0) {
        eof_ = true;
        break;
      }
    }
    any = true;
    const unsigned char* begin = chunk_ + position_;
    const void* newline = std::memchr(begin, '\n', end_ - position_);
    size_t take = newline ? static_cast<size_t>(static_cast<const unsigned char*>(newline) - begin)
                          : end_ - position_;
    if (newline && lineLength_ == 0 && take < sizeof line_) {
      // A whole line inside the chunk is read where it stands.
      position_ += take + 1;
      ++lineNumber_;
      if (take > 0 && begin[take - 1] == '\r') --take;
      text_ = reinterpret_cast<const char*>(begin);
      lineLength_ = take;
      return 1;
    }
    if (lineLength_ + take > sizeof line_ - 1) return -1;
    std::memcpy(line_ + lineLength_, begin, take);
    lineLength_ += take;
    position_ += take;
    if (newline) {
      ++position_;
      ++lineNumber_;
      if (lineLength_ > 0 && line_[lineLength_ - 1] == '\r') --lineLength_;
      line_[lineLength_] = '\0';
      text_ = line_;
      return 1;
    }
  }
  if (!any || lineLength_ == 0) return 0;
  return -1;  // a last line without its line end: the file was cut short
}

int IntermediateReader::Next() {
  if (units_ == 0) return kRecordBad;
  int status = ReadLine();
  if (status == 0) return kRecordEnd;
  if (status < 0) {
    ++lineNumber_;
    return kRecordBad;
  }
  return ParseRecord(text_, lineLength_, units_, &move_, &hole_, &block_,
                     carriesTime_ ? &machineNs_ : nullptr);
}
