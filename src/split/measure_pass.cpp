#include "split/measure_pass.h"

#include <cmath>
#include <cstdio>

#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/line_reader.h"
#include "nc/number_text.h"
#include "nc/pass_rules.h"
#include "platform/platform.h"
#include "split/measure_messages.h"

namespace {

// The ranges the system accepts: coordinates up to "999999.999" and feeds that show as at most
// "99999.9" (seven characters).
constexpr int kCoordinateDigits = 10;
constexpr int kFeedWidth = 8;

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

MoveRecord RecordOf(int motion, const Position& position, double i, double j, double feed,
                    int line) {
  MoveRecord record{};
  record.motion = motion;
  record.plane = 17;
  record.at[kX] = position[kX];
  record.at[kY] = position[kY];
  record.at[kZ] = position[kZ];
  record.at[kI] = i;
  record.at[kJ] = j;
  record.feed = feed;
  record.line = line;
  return record;
}

// The state of one pass, so that its steps can be small functions.
class MeasurePass {
 public:
  MeasurePass(const double start[3], MeasureReport* report) : report_(report) {
    *report_ = MeasureReport{};
    records_.modal = ModalState{};
    records_.modal.distanceMode = kPowerOnDistanceMode;
    for (int axis = kX; axis <= kZ; ++axis) {
      start_[axis] = start[axis];
      records_.current[axis] = start[axis];
    }
    records_.previous = records_.current;
  }

  int Run(const char* ncFile, const char* intermediateFile, Extents* minimum, Extents* maximum);

  const DistanceTotals& distance() const { return distance_; }
  const TimeTotals& time() const { return time_; }
  const MoveCounters& counters() const { return counters_; }

 private:
  int MeasureLine(const char* line, size_t length, int lineNumber);
  int Write(const MoveRecord& record);

  MeasureReport* report_;
  IntermediateWriter* output_ = nullptr;
  double start_[3] = {0, 0, 0};
  PassRecords records_;
  DistanceTotals distance_{0.0, 0.0};
  TimeTotals time_{0.0, 0.0};
  Extents minimum_{};
  Extents maximum_{};
  MoveCounters counters_{0, 0};
  int compensation_ = 0;       // 41 or 42 while cutter compensation is in force
  int toolChangeLine_ = 0;     // line of an M06 read after the first cutting record
};

int MeasurePass::Write(const MoveRecord& record) {
  double bad = 0.0;
  int badIsFeed = 0;
  if (!MoveRecordFits(record, &bad, &badIsFeed)) {
    report_->line = record.line;
    report_->value = bad;
    report_->valueIsFeed = badIsFeed;
    return kMeasureValueTooLarge;
  }
  if (output_->WriteMove(record) != 0) return kMeasureWriteError;
  ++report_->records;
  return kMeasureOk;
}

int MeasurePass::MeasureLine(const char* line, size_t length, int lineNumber) {
  PassRecords& r = records_;
  ReadBlock(line, length, &r.block);
  const Block& block = r.block;
  if (block.result != kBlockReadable) return kMeasureOk;  // TODO refused in the next step

  // Another plane than XY cannot be carried into the pieces.
  if (block.HasCode('G', 18) || block.HasCode('G', 19)) {
    report_->line = lineNumber;
    return block.HasCode('G', 18) ? kMeasurePlaneZX : kMeasurePlaneYZ;
  }
  // Looked for before the skip list: "G99 G81 ..." is a cycle, not a line to pass over.
  if (int cycle = FindCannedCycle(block); cycle >= 0) {
    report_->line = lineNumber;
    report_->code = cycle;
    return kMeasureCannedCycle;
  }
  compensation_ = UpdateCompensation(block, compensation_);
  if (IsToolChange(block) && report_->firstCuttingLine != 0 && toolChangeLine_ == 0) {
    toolChangeLine_ = lineNumber;
  }
  if (!r.Step(line, length, IsUninterpretedByMeasurement)) return kMeasureOk;

  bool setPosition = IsSetPositionBlock(block);
  AdvanceAsMachine(setPosition, r.modal, r.given, &r.current, r.previous, r.words);
  if (setPosition) {
    // The tool stays where it is; only the numbers that name its place change.
    r.previous = r.current;
    return kMeasureOk;
  }

  const Position& current = r.current;
  const Position& previous = r.previous;
  bool moved = current[kX] != previous[kX] || current[kY] != previous[kY] ||
               current[kZ] != previous[kZ];
  bool fullCircle = (r.modal.motion == 2 || r.modal.motion == 3) &&
                    (current[kI] != 0.0 || current[kJ] != 0.0);
  if (!moved && !fullCircle) return kMeasureOk;

  if (IsCutting(r.modal.motion)) {
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

  MeasureMove(r.modal, current, previous, r.feed, &distance_, &time_, &minimum_, &maximum_,
              &counters_);
  int result = Write(RecordOf(r.modal.motion, current, current[kI], current[kJ], r.feed.feed,
                              lineNumber));
  if (result != kMeasureOk) return result;
  if (IsCutting(r.modal.motion) && report_->firstCuttingLine == 0) {
    report_->firstCuttingLine = lineNumber;
  }
  r.previous = r.current;
  r.feed.previousFeed = r.feed.feed;
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
  IntermediateWriter writer(output.get(), kMillimetres);
  output_ = &writer;

  int result = Write(RecordOf(0, records_.current, 0.0, 0.0, 0.0, 0));
  if (result != kMeasureOk) return result;

  LineReader reader(input.get());
  char line[kLineBufferSize];
  size_t length = 0;
  int status = kLineRead;
  while ((status = reader.Next(line, &length)) == kLineRead) {
    result = MeasureLine(line, length, reader.lineNumber());
    if (result != kMeasureOk) return result;
  }
  if (status == kLineTooLong || status == kLineReadError) {
    report_->line = reader.lineNumber() + (status == kLineReadError ? 1 : 0);
    return status == kLineTooLong ? kMeasureLineTooLong : kMeasureReadError;
  }
  input.Close();

  // The return to the start point: a straight move, so it carries no arc offsets.
  const Position& end = records_.current;
  bool away = end[kX] != start_[kX] || end[kY] != start_[kY] || end[kZ] != start_[kZ];
  if (away) {
    Position home = end;
    for (int axis = kX; axis <= kZ; ++axis) home[axis] = start_[axis];
    result = Write(RecordOf(records_.modal.motion == 0 ? 0 : 1, home, 0.0, 0.0, records_.feed.feed,
                            reader.lineNumber()));
    if (result != kMeasureOk) return result;
  }
  output_ = nullptr;
  if (writer.failed() || !output.Close()) return kMeasureWriteError;

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

bool MoveRecordFits(const MoveRecord& record, double* badValue, int* badIsFeed) {
  const double coordinates[] = {record.at[kX], record.at[kY], record.at[kZ], record.at[kI],
                                record.at[kJ], record.at[kK], record.at[kR]};
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
