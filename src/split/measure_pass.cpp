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
  // Records where and why the program is refused; returns `result`.
  int Refuse(int result, int lineNumber, int code);
  int RefuseUnreadable();
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
  int unreadableLine_ = 0;     // the first block a control could not read (0: none)
  int unreadableCode_ = 0;     // its BlockReadResult
  int unreadableLetter_ = 0;   // the character at fault
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

int MeasurePass::Refuse(int result, int lineNumber, int code) {
  if (unreadableLine_ != 0) return RefuseUnreadable();  // it came first
  report_->line = lineNumber;
  report_->code = code;
  return result;
}

int MeasurePass::RefuseUnreadable() {
  report_->line = unreadableLine_;
  report_->code = unreadableCode_;
  report_->letter = unreadableLetter_;
  return kMeasureUnreadableBlock;
}

int MeasurePass::MeasureLine(const char* line, size_t length, int lineNumber) {
  PassRecords& r = records_;
  if (report_->endLine != 0) {
    // After the program's end nothing runs on the machine; the lines are only counted.
    ReadBlock(line, length, &r.block);
    if (!r.block.Empty() || r.block.result != kBlockReadable) ++report_->linesAfterEnd;
    return kMeasureOk;
  }
  ReadBlock(line, length, &r.block);
  const Block& block = r.block;
  if (block.result != kBlockReadable) {
    // A block a control could not read refuses an NC program. Until a first cutting move shows
    // that the file is one, it is only noted: a file with no cutting move at all (a text or a
    // binary file chosen by mistake) is reported as that.
    if (unreadableLine_ == 0) {
      unreadableLine_ = lineNumber;
      unreadableCode_ = block.result;
      unreadableLetter_ = static_cast<unsigned char>(line[block.problemAt]);
    }
    if (!report_->anyCut) return kMeasureOk;
    return RefuseUnreadable();
  }

  // Another plane than XY cannot be carried into the pieces.
  if (block.HasCode('G', 18) || block.HasCode('G', 19)) {
    return Refuse(block.HasCode('G', 18) ? kMeasurePlaneZX : kMeasurePlaneYZ, lineNumber, 0);
  }
  // Looked for before the skip list: "G99 G81 ..." is a cycle, not a line to pass over.
  if (int cycle = FindCannedCycle(block); cycle >= 0) {
    return Refuse(kMeasureCannedCycle, lineNumber, cycle);
  }
  compensation_ = UpdateCompensation(block, compensation_);
  if (IsToolChange(block) && report_->firstCuttingLine != 0 && toolChangeLine_ == 0) {
    toolChangeLine_ = lineNumber;
  }
  if (IsProgramEnd(block)) {
    report_->endLine = lineNumber;
    report_->endCode = block.HasCode('M', 2) ? 2 : 30;
  }
  if (!r.Step(line, length, IsUninterpretedByMeasurement)) return kMeasureOk;

  bool setPosition = IsSetPositionBlock(block);
  AdvanceAsMachine(setPosition, r.modal, r.given, &r.current, r.previous, r.words);
  if (setPosition) {
    // The tool stays where it is; only the numbers that name its place change. Every piece
    // begins with the program's header, so a G92 there states the place every piece starts
    // from; one after the first move would shift the coordinates of the pieces that follow it.
    if (report_->records > 1) return Refuse(kMeasureLateSetPosition, lineNumber, 0);
    report_->setPositionLine = lineNumber;
    for (int axis = kX; axis <= kZ; ++axis) {
      if (!r.given[axis]) continue;
      report_->setPositionAxes |= 1 << axis;
      report_->setPosition[axis] = r.current[axis];
    }
    r.previous = r.current;
    return kMeasureOk;
  }

  Position& current = r.current;
  const Position& previous = r.previous;
  const int motion = r.modal.motion;
  const bool arc = motion == 2 || motion == 3;
  const bool moved = current[kX] != previous[kX] || current[kY] != previous[kY] ||
                     current[kZ] != previous[kZ];
  // Whether the arc ends where it starts in the program's own numbers (before positions near 0
  // are snapped to it): only then is it a full circle.
  bool closed = true;
  for (int axis = kX; axis <= kY; ++axis) {
    if (!r.given[axis]) continue;
    const double end = r.modal.distanceMode == 91 ? previous[axis] + r.words[axis] : r.words[axis];
    if (end != previous[axis]) closed = false;
  }
  MoveRecord record = RecordOf(motion, current, current[kI], current[kJ], r.feed.feed, lineNumber);
  if (arc) {
    // The arc's own words decide its shape: centre offsets, or else a radius. A full circle is an
    // arc whose end is its start, given by its centre.
    const bool centreGiven = current[kI] != 0.0 || current[kJ] != 0.0;
    if (!centreGiven && current[kR] == 0.0) {
      if (!moved) return kMeasureOk;
      return Refuse(kMeasureArcWithoutCentre, lineNumber, 0);
    }
    if (!centreGiven) {
      if (!moved) return kMeasureOk;  // a radius arc back to its start is no move
      PlanePoint offset{0.0, 0.0};
      if (!ArcCentreFromRadius({previous[kX], previous[kY]}, {current[kX], current[kY]},
                               current[kR], motion, &offset)) {
        report_->value = current[kR];
        return Refuse(kMeasureArcRadiusTooSmall, lineNumber, 0);
      }
      record.flags |= kRadiusForm;
      record.at[kR] = current[kR];
      record.at[kI] = offset.first;
      record.at[kJ] = offset.second;
    } else if (closed) {
      record.flags |= kFullCircle;
    } else if (!moved) {
      return kMeasureOk;  // a tiny arc that rounds to nothing
    }
  } else if (!moved) {
    return kMeasureOk;
  }

  if (IsCutting(motion)) {
    if (unreadableLine_ != 0) return RefuseUnreadable();
    if (compensation_ != 0) return Refuse(kMeasureCompensation, lineNumber, compensation_);
    if (toolChangeLine_ != 0) return Refuse(kMeasureToolChange, toolChangeLine_, 0);
    const double highest = previous[kZ] > current[kZ] ? previous[kZ] : current[kZ];
    if (!report_->anyCut || highest > report_->highestCutZ) report_->highestCutZ = highest;
    report_->anyCut = true;
  }

  MeasureMove(r.modal, current, previous, r.feed, &distance_, &time_, &minimum_, &maximum_,
              &counters_, (record.flags & kFullCircle) != 0 ? kArcFullCircle : kArcOpen);
  int result = Write(record);
  if (result != kMeasureOk) return result;
  if (IsCutting(motion) && report_->firstCuttingLine == 0) report_->firstCuttingLine = lineNumber;
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

  // No return to the start point is recorded: every piece's tail lifts, retracts to the start
  // height and returns there by itself, and a move of the program's own kind from wherever it
  // ended (a feed move diving across the stock, say) would be none of the program's moves.
  output_ = nullptr;
  if (writer.failed() || !output.Close()) return kMeasureWriteError;

  if (!report_->anyCut) return kMeasureNoCuttingMove;
  if (unreadableLine_ != 0) return RefuseUnreadable();
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
    case kMeasureUnreadableBlock:
      switch (report.code) {
        case kBlockNoNumber:
          return Compose(out, kBlockNoNumberText, report.line, report.letter >= 'a' ? report.letter - 32 : report.letter);
        case kBlockFullWidth:
          return Compose(out, kBlockFullWidthText, report.line);
        case kBlockMacro:
          return Compose(out, kBlockMacroText, report.line);
        case kBlockTooManyWords:
          return Compose(out, kBlockTooManyWordsText, report.line, kMaxBlockWords);
        default:
          if (report.letter > ' ' && report.letter < 0x7F) {
            return Compose(out, kBlockBadCharacterText, report.line, report.letter);
          }
          return Compose(out, kBlockBadByteText, report.line, report.letter);
      }
    case kMeasureArcWithoutCentre:
      return Compose(out, kArcWithoutCentreText, report.line);
    case kMeasureArcRadiusTooSmall:
      return Compose(out, kArcRadiusTooSmallText, report.line, value);
    case kMeasureNoCuttingMove:
      return Compose(out, kNoCuttingMoveText, ncFile);
    case kMeasureLateSetPosition:
      return Compose(out, kLateSetPositionText, report.line);
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
