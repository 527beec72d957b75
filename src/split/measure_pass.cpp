#include "split/measure_pass.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/number_text.h"
#include "nc/pass_rules.h"
#include "nc/scan.h"
#include "nc/skip_lists.h"
#include "platform/platform.h"
#include "split/measure_messages.h"
#include "text/crlf_text.h"

namespace {

// Widths of the record's fields; a value's text must leave at least one blank in its field so
// that the fields stay apart when read back.
constexpr int kCodeWidth = 3;
constexpr int kCoordinateWidth = 12;
constexpr int kFeedWidth = 8;
// Longest coordinate text without its sign: "999999.999".
constexpr int kCoordinateDigits = 10;

bool CoordinateFits(double value) {
  if (!std::isfinite(value)) return false;
  char text[64];
  int length = FormatRounded(value, text, 3);
  if (length < 0 || length >= static_cast<int>(sizeof text)) return false;
  return length - (text[0] == '-' ? 1 : 0) <= kCoordinateDigits;
}

bool FeedFits(double value) {
  if (!std::isfinite(value)) return false;
  char text[64];
  int length = FormatRounded(value, text, 1);
  return length >= 0 && length < kFeedWidth;
}

bool IsCutting(int motion) { return motion >= 1 && motion <= 3; }

MotionRecord RecordOf(int motion, const Position& position, double i, double j, double feed) {
  return MotionRecord{motion, position[kX], position[kY], position[kZ], i, j, feed};
}

// The state of one pass, so that its steps can be small functions.
class MeasurePass {
 public:
  MeasurePass(const double start[3], MeasureReport* report) : report_(report) {
    *report_ = MeasureReport{};
    modal_ = ModalState{};
    modal_.distanceMode = kPowerOnDistanceMode;
    ClearCodeTables(&gCodes_, &mCodes_);
    words_.fill(0.0);
    given_.fill(0);
    hasPoint_.fill(0);
    feed_ = FeedState{};
    current_.fill(0.0);
    for (int axis = kX; axis <= kZ; ++axis) {
      start_[axis] = start[axis];
      current_[axis] = start[axis];
    }
    previous_ = current_;
  }

  int Run(const char* ncFile, const char* intermediateFile, Extents* minimum, Extents* maximum);

  const DistanceTotals& distance() const { return distance_; }
  const TimeTotals& time() const { return time_; }
  const MoveCounters& counters() const { return counters_; }

 private:
  int MeasureLine(char* line, int lineNumber);
  int Write(const MotionRecord& record, int lineNumber);

  MeasureReport* report_;
  FILE* output_ = nullptr;
  double start_[3] = {0, 0, 0};
  ModalState modal_;
  GCodeTable gCodes_;
  MCodeTable mCodes_;
  BlockWords words_;
  WordGiven given_;
  WordHasPoint hasPoint_;
  FeedState feed_;
  Position current_;
  Position previous_;
  DistanceTotals distance_{0.0, 0.0};
  TimeTotals time_{0.0, 0.0};
  Extents minimum_{};
  Extents maximum_{};
  MoveCounters counters_{0, 0};
  int compensation_ = 0;       // 41 or 42 while cutter compensation is in force
  int toolChangeLine_ = 0;     // line of an M06 read after the first cutting record
};

int MeasurePass::Write(const MotionRecord& record, int lineNumber) {
  double bad = 0.0;
  int badIsFeed = 0;
  if (!MotionRecordFits(record, &bad, &badIsFeed)) {
    report_->line = lineNumber;
    report_->value = bad;
    report_->valueIsFeed = badIsFeed;
    return kMeasureValueTooLarge;
  }
  char text[kMotionRecordSize];
  FormatMotionRecord(record, text);
  if (WriteCrlfText(output_, text) != 0) return kMeasureWriteError;
  ++report_->records;
  return kMeasureOk;
}

int MeasurePass::MeasureLine(char* line, int lineNumber) {
  CutComment(line);
  ClearBlock(&words_, &given_);

  // Another plane than XY cannot be carried into the pieces.
  if (FindText(line, "G18") >= 0 || FindText(line, "G19") >= 0) {
    report_->line = lineNumber;
    return FindText(line, "G18") >= 0 ? kMeasurePlaneZX : kMeasurePlaneYZ;
  }
  // Looked for before the skip list: "G99 G81 ..." is a cycle, not a line to pass over.
  if (int cycle = FindCannedCycle(line); cycle >= 0) {
    report_->line = lineNumber;
    report_->code = cycle;
    return kMeasureCannedCycle;
  }
  ApplyDistanceMode(line, &modal_, nullptr);
  compensation_ = UpdateCompensation(line, compensation_);
  if (IsToolChange(line) && report_->firstCuttingLine != 0 && toolChangeLine_ == 0) {
    toolChangeLine_ = lineNumber;
  }
  if (IsDwellBlock(line) || LineHasSkipToken(line, kMeasureSkipTokens)) return kMeasureOk;
  if (InterpretBlock(line, &gCodes_, &mCodes_, &modal_, &words_, &given_, &hasPoint_, &feed_,
                     nullptr) != 1) {
    return kMeasureOk;
  }

  bool setPosition = IsSetPositionBlock(line);
  AdvanceAsMachine(setPosition, modal_, given_, &current_, previous_, words_);
  if (setPosition) {
    // The tool stays where it is; only the numbers that name its place change.
    previous_ = current_;
    return kMeasureOk;
  }

  bool moved = current_[kX] != previous_[kX] || current_[kY] != previous_[kY] ||
               current_[kZ] != previous_[kZ];
  bool fullCircle = (modal_.motion == 2 || modal_.motion == 3) &&
                    (current_[kI] != 0.0 || current_[kJ] != 0.0);
  if (!moved && !fullCircle) return kMeasureOk;

  if (IsCutting(modal_.motion)) {
    if (compensation_ != 0) {
      report_->line = lineNumber;
      report_->code = compensation_;
      return kMeasureCompensation;
    }
    if (toolChangeLine_ != 0) {
      report_->line = toolChangeLine_;
      return kMeasureToolChange;
    }
  }

  MeasureMove(modal_, current_, previous_, feed_, &distance_, &time_, &minimum_, &maximum_,
              &counters_);
  int result = Write(RecordOf(modal_.motion, current_, current_[kI], current_[kJ], feed_.feed),
                     lineNumber);
  if (result != kMeasureOk) return result;
  if (IsCutting(modal_.motion) && report_->firstCuttingLine == 0) {
    report_->firstCuttingLine = lineNumber;
  }
  previous_ = current_;
  feed_.previousFeed = feed_.feed;
  return kMeasureOk;
}

int MeasurePass::Run(const char* ncFile, const char* intermediateFile, Extents* minimum,
                     Extents* maximum) {
  minimum_ = *minimum;
  maximum_ = *maximum;
  for (int axis = kX; axis <= kZ; ++axis) {
    minimum_[axis] = start_[axis];
    maximum_[axis] = start_[axis];
  }

  platform::FileHandle input(ncFile, "rb");
  if (!input) return kMeasureNcUnreadable;
  platform::FileHandle output(intermediateFile, "wb");
  if (!output) return kMeasureIntermediateUnwritable;
  output_ = output.get();

  int result = Write(RecordOf(0, current_, 0.0, 0.0, 0.0), 0);
  if (result != kMeasureOk) return result;

  LineReader reader(input.get());
  char line[kLineBufferSize];
  int status = kLineRead;
  while ((status = reader.Next(line)) == kLineRead) {
    result = MeasureLine(line, reader.lineNumber());
    if (result != kMeasureOk) return result;
  }
  if (status == kLineTooLong || status == kLineReadError) {
    report_->line = reader.lineNumber() + (status == kLineReadError ? 1 : 0);
    return status == kLineTooLong ? kMeasureLineTooLong : kMeasureReadError;
  }
  input.Close();

  // The return to the start point: a straight move, so it carries no arc offsets.
  bool away = current_[kX] != start_[kX] || current_[kY] != start_[kY] ||
              current_[kZ] != start_[kZ];
  if (away) {
    Position home = current_;
    for (int axis = kX; axis <= kZ; ++axis) home[axis] = start_[axis];
    result = Write(RecordOf(modal_.motion == 0 ? 0 : 1, home, 0.0, 0.0, feed_.feed),
                   reader.lineNumber());
    if (result != kMeasureOk) return result;
  }
  output_ = nullptr;
  if (!output.Close()) return kMeasureWriteError;

  *minimum = minimum_;
  *maximum = maximum_;
  return kMeasureOk;
}

// snprintf bound to `out`; returns the length of the whole text like snprintf.
template <typename... Args>
int Compose(std::span<char> out, const char* format, Args... args) {
  if (out.empty()) return 0;
  return std::snprintf(out.data(), out.size(), format, args...);
}

}  // namespace

int MeasureProgram(const char* ncFile, const char* intermediateFile, const double start[3],
                   SplitMeter* distance, SplitMeter* time, Extents* minimum, Extents* maximum,
                   MeasureReport* report) {
  MeasurePass pass(start, report);
  int result = pass.Run(ncFile, intermediateFile, minimum, maximum);
  report->zeroFeedMoves = pass.counters().zeroFeedMoves;
  report->unmeasurableMoves = pass.counters().unmeasurableMoves;
  if (result != kMeasureOk) return result;
  // The split decision compares the cutting distance with a limit given in metres.
  distance->rapid += pass.distance()[kRapid];
  distance->running += pass.distance()[kCutting] / 1000.0;
  time->running += pass.time()[kCutting];
  return kMeasureOk;
}

int DescribeMeasureFailure(int result, const MeasureReport& report, const char* ncFile,
                           const char* intermediateFile, std::span<char> out) {
  char value[kCoordinateTextSize] = "";
  FormatCoordinate(report.value, value);
  switch (result) {
    case kMeasureNcUnreadable:
      return Compose(out, kMeasureNcUnreadableText, ncFile);
    case kMeasureIntermediateUnwritable:
      return Compose(out, kMeasureIntermediateText, intermediateFile);
    case kMeasurePlaneZX:
    case kMeasurePlaneYZ:
      return Compose(out, kMeasurePlaneText, result);
    case kMeasureLineTooLong:
      return Compose(out, kMeasureLineTooLongText, ncFile, report.line,
                     static_cast<int>(kMaxLineLength));
    case kMeasureReadError:
      return Compose(out, kMeasureReadErrorText, ncFile, report.line);
    case kMeasureWriteError:
      return Compose(out, kMeasureWriteErrorText, intermediateFile);
    case kMeasureCannedCycle:
      return Compose(out, kMeasureCannedCycleText, report.code, report.line);
    case kMeasureCompensation:
      return Compose(out, kMeasureCompensationText, report.line, report.code);
    case kMeasureToolChange:
      return Compose(out, kMeasureToolChangeText, report.line);
    case kMeasureValueTooLarge:
      if (report.line == 0) return Compose(out, kMeasureStartTooLargeText, value);
      if (report.valueIsFeed) {
        char feed[32] = "";
        FormatRounded(report.value, feed, 1);
        return Compose(out, kMeasureFeedTooLargeText, report.line, feed);
      }
      return Compose(out, kMeasureCoordinateTooLargeText, report.line, value);
    default:
      if (!out.empty()) out[0] = '\0';
      return -1;
  }
}

int DescribeZeroFeedWarning(int zeroFeedMoves, std::span<char> out) {
  if (zeroFeedMoves <= 0) {
    if (!out.empty()) out[0] = '\0';
    return 0;
  }
  return Compose(out, kMeasureZeroFeedText, zeroFeedMoves);
}

bool MotionRecordFits(const MotionRecord& record, double* badValue, int* badIsFeed) {
  const double coordinates[] = {record.x, record.y, record.z, record.i, record.j};
  for (double value : coordinates) {
    if (!CoordinateFits(value)) {
      if (badValue != nullptr) *badValue = value;
      if (badIsFeed != nullptr) *badIsFeed = 0;
      return false;
    }
  }
  if (!FeedFits(record.feed)) {
    if (badValue != nullptr) *badValue = record.feed;
    if (badIsFeed != nullptr) *badIsFeed = 1;
    return false;
  }
  return true;
}

int FormatMotionRecord(const MotionRecord& record, std::span<char, kMotionRecordSize> out) {
  int length = std::snprintf(out.data(), out.size(), "%*d", kCodeWidth, record.motion);
  const double coordinates[] = {record.x, record.y, record.z, record.i, record.j};
  for (double value : coordinates) {
    if (length >= static_cast<int>(out.size())) break;
    length += FormatRounded(value, out.subspan(length), 3, kCoordinateWidth);
  }
  if (length < static_cast<int>(out.size())) {
    length += FormatRounded(record.feed, out.subspan(length), 1, kFeedWidth);
  }
  if (length + 1 < static_cast<int>(out.size())) {
    out[length++] = '\n';
    out[length] = '\0';
  }
  return length;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A number field: an optional sign, digits with at most one point (at least one digit).
bool IsNumberField(std::string_view field, bool integer) {
  size_t at = 0;
  if (at < field.size() && (field[at] == '-' || field[at] == '+')) ++at;
  int digits = 0;
  int points = 0;
  for (; at < field.size(); ++at) {
    char c = field[at];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !integer && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  return digits > 0;
}

}  // namespace

int ParseMotionRecord(const char* line, MotionRecord* record) {
  double values[6] = {0, 0, 0, 0, 0, 0};
  int motion = -1;
  const char* p = line;
  for (int field = 0; field < 7; ++field) {
    while (IsBlank(*p)) ++p;
    const char* begin = p;
    while (*p != '\0' && !IsBlank(*p)) ++p;
    std::string_view text(begin, static_cast<size_t>(p - begin));
    if (!IsNumberField(text, field == 0)) return kRecordBad;
    if (field == 0) {
      motion = ParseStandardInteger(text);
    } else {
      values[field - 1] = ParseStandardDecimal(text);
    }
  }
  while (IsBlank(*p)) ++p;
  if (*p != '\0' || motion < 0 || motion > 3) return kRecordBad;
  *record = MotionRecord{motion, values[0], values[1], values[2], values[3], values[4], values[5]};
  return kRecordRead;
}

int ReadMotionRecord(LineReader* reader, MotionRecord* record) {
  char line[kLineBufferSize];
  size_t length = 0;
  int status = reader->Next(line, &length);
  if (status == kLineEnd) return kRecordEnd;
  if (status != kLineRead || std::strlen(line) != length) return kRecordBad;
  return ParseMotionRecord(line, record);
}
