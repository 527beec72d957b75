#include "split/machine_meter.h"

#include <cmath>
#include <cstring>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "nc/block.h"
#include "nc/measure.h"
#include "nc/number_text.h"
#include "platform/platform.h"
#include "split/split_messages.h"
#include "text/text_cut.h"

namespace {

// Reads one [MACHINE] number; `positive`: it must be above 0, else at least 0.
bool ReadMachineNumber(const TextSetting& setting, bool positive, double* value,
                       std::span<char> problem) {
  char text[16];
  ReadSettingText(setting, text, sizeof text);
  *value = ParseStandardDecimal(text);
  if (std::isfinite(*value) && (positive ? *value > 0.0 : *value >= 0.0)) return true;
  FormatText(problem.data(), problem.size(),
             positive ? kMachineSettingNotPositive : kMachineSettingNegative, setting.key, text);
  return false;
}

// A number word of a carried block: its value, or `fallback` when the block has none.
double WordValue(const Block& block, char letter, double fallback) {
  const BlockWord* word = block.Find(letter);
  return word == nullptr ? fallback : word->value;
}

}  // namespace

int ReadMachineSettings(MachineLimits* limits, std::span<char> problem) {
  const TextSetting* rapid[3] = {&kRapidXSetting, &kRapidYSetting, &kRapidZSetting};
  const TextSetting* feed[3] = {&kFeedXSetting, &kFeedYSetting, &kFeedZSetting};
  const TextSetting* accel[3] = {&kAccelXSetting, &kAccelYSetting, &kAccelZSetting};
  for (int axis = 0; axis < 3; ++axis) {
    if (!ReadMachineNumber(*rapid[axis], true, &limits->rapid[axis], problem) ||
        !ReadMachineNumber(*feed[axis], true, &limits->feed[axis], problem) ||
        !ReadMachineNumber(*accel[axis], true, &limits->accel[axis], problem)) {
      return kMachineSettingsBad;
    }
  }
  double blockMs = 0.0;
  double percent = 0.0;
  if (!ReadMachineNumber(kCornerSetting, false, &limits->corner, problem) ||
      !ReadMachineNumber(kToolChangeSetting, false, &limits->toolChange, problem) ||
      !ReadMachineNumber(kBlockTimeSetting, false, &blockMs, problem) ||
      !ReadMachineNumber(kOverrideSetting, true, &percent, problem)) {
    return kMachineSettingsBad;
  }
  limits->blockTime = blockMs / 1000.0;
  limits->override = percent / 100.0;
  return kMachineSettingsOk;
}

MachineMeter::MachineMeter(const MachineLimits& limits, int units)
    : planner_(limits), units_(units), scale_(units == kInches ? kMillimetresPerInch : 1.0) {}

void MachineMeter::Move(const MoveRecord& record, const Position& from) {
  const double start[3] = {from[kX] * scale_, from[kY] * scale_, from[kZ] * scale_};
  const double end[3] = {record.at[kX] * scale_, record.at[kY] * scale_, record.at[kZ] * scale_};
  const double feed = record.feed * scale_;
  if (record.motion == 0 || record.motion == 1) {
    planner_.Line(start, end, record.motion == 0, feed);
    return;
  }
  // An arc: its centre from the offsets (I on X, J on Y, K on Z), or from its radius word.
  double offset[3] = {record.at[kI], record.at[kJ], record.at[kK]};
  if (offset[0] == 0.0 && offset[1] == 0.0 && offset[2] == 0.0 && record.at[kR] != 0.0) {
    // The plane's first and second axes, as the planner takes them (right-handed with the normal).
    const int a = record.plane == 18 ? kZ : record.plane == 19 ? kY : kX;
    const int b = record.plane == 18 ? kX : record.plane == 19 ? kZ : kY;
    PlanePoint centre{0.0, 0.0};
    if (!ArcCentreFromRadius(PlanePoint{from[a], from[b]}, PlanePoint{record.at[a], record.at[b]},
                             record.at[kR], record.motion, &centre)) {
      planner_.Line(start, end, false, feed);
      return;
    }
    offset[a] = centre.first;
    offset[b] = centre.second;
  }
  const double centre[3] = {start[0] + offset[0] * scale_, start[1] + offset[1] * scale_,
                            start[2] + offset[2] * scale_};
  planner_.Arc(start, end, centre, record.plane, record.motion == 2,
               (record.flags & kFullCircle) != 0, feed);
}

Position HoleEnd(const HoleRecord& hole) {
  Position end{};
  end[kX] = hole.x;
  end[kY] = hole.y;
  end[kZ] = hole.returnLevel == 98 ? hole.initial : hole.r;
  return end;
}

void MachineMeter::Hole(const HoleRecord& hole, const Position& from) {
  MachineHole shape{hole.code, hole.returnLevel, hole.x * scale_, hole.y * scale_, hole.z * scale_,
                    hole.r * scale_, hole.initial * scale_, hole.feed * scale_, 0.0, 0.0};
  ::Block words;
  if (hole.params[0] != '\0' &&
      ReadBlock(hole.params, std::strlen(hole.params), &words) == kBlockReadable) {
    // Q counts the least increment when written without a point; P is the dwell in ms.
    const BlockWord* peck = words.Find('Q');
    if (peck != nullptr) {
      const double increment = units_ == kInches ? 0.0001 : 0.001;
      shape.peck = std::fabs(peck->hasPoint ? peck->value : peck->value * increment) * scale_;
    }
    shape.dwell = WordValue(words, 'P', 0.0) / 1000.0;
  }
  const double start[3] = {from[kX] * scale_, from[kY] * scale_, from[kZ] * scale_};
  planner_.Hole(start, shape);
}

void MachineMeter::Block(const char* text, size_t length) {
  ::Block words;
  if (ReadBlock(text, length, &words) != kBlockReadable || words.Empty()) return;
  double seconds = 0.0;
  bool stops = words.Has('M') || words.HasCode('G', 27) || words.HasCode('G', 28) ||
               words.HasCode('G', 30) || words.HasCode('G', 53);
  if (words.HasCode('G', 4)) {
    stops = true;
    // P in ms; X in s (without a point, in ms as well).
    const BlockWord* x = words.Find('X');
    if (words.Has('P')) seconds += WordValue(words, 'P', 0.0) / 1000.0;
    else if (x != nullptr) seconds += x->hasPoint ? x->value : x->value / 1000.0;
  }
  if (words.HasCode('M', 6)) seconds += planner_.limits().toolChange;
  if (stops) planner_.Stop(seconds < 0.0 ? 0.0 : seconds);
}

int EstimateMachineTime(const char* intermediatePath, const MachineLimits& limits, int bodyLine,
                        int64_t lastMoveRecord, double* minutes) {
  platform::FileHandle file(intermediatePath, "rb");
  if (!file) return kMachineEstimateUnreadable;
  IntermediateReader reader(file.get());
  MachineMeter meter(limits, reader.units());
  Position previous{};
  bool started = false;  // the start record has been read
  int kind;
  int64_t ordinal = -1;  // the record read, counted from the start record
  while ((kind = reader.Next()) == kRecordMove || kind == kRecordHole || kind == kRecordBlock) {
    ++ordinal;
    if (kind == kRecordBlock) {
      const BlockRecord& block = reader.block();
      if (started && block.line >= bodyLine && ordinal <= lastMoveRecord) meter.Block(block);
    } else if (kind == kRecordHole) {
      meter.Hole(reader.hole(), previous);
      previous = HoleEnd(reader.hole());
    } else {
      if (started) meter.Move(reader.move(), previous);
      previous = reader.move().at;
      started = true;
    }
  }
  if (kind != kRecordEnd || !started) return kMachineEstimateUnreadable;
  *minutes = meter.Minutes();
  return kMachineEstimateOk;
}
