#include "ui/common/front_end.h"

#include <cstring>

// The split driver's header brings the split job record with it (SplitJob, SplitMeter).
#include "split/split_driver.h"

#include "config/settings.h"
#include "config/version.h"
#include "header_footer/start_point.h"
#include "log/run_log.h"
#include "nc/number_text.h"
#include "text/text_compare.h"
#include "ui/common/batch_parameters.h"
#include "ui/common/front_end_messages.h"

namespace {

// The positions of the command-line arguments.
enum ArgumentPosition {
  kNcFileArgument = 1,
  kDistanceArgument = 2,
  kTimeArgument = 3,
  kStartXArgument = 4,  // start Y and Z follow
  kModeArgument = 7,
};

// The DEBUG value that echoes the arguments.
constexpr int kEchoArgumentsDebug = 999;

int Fail(platform::WindowHandle owner, const char* message) {
  FormatLog("%s", message);
  EmitLogLine(owner, kLogError);
  return kRunFailed;
}

// Both meters start from the limit: rapid and running at 0, previous equal to the limit.
void SetLimit(SplitMeter* meter, double limit) {
  meter->rapid = 0;
  meter->running = 0;
  meter->limit = limit;
  meter->previous = limit;
}

int Split(platform::WindowHandle owner, const char* ncFile, SplitMeter* distance, SplitMeter* time,
          const double start[3]) {
  return SplitProgram(owner, ncFile, distance, time, start) == kSplitDone ? kRunSplitDone : kRunFailed;
}

void EchoArguments(platform::WindowHandle owner, int count, const char* const* arguments) {
  FormatLog(kEchoCount, count);
  EmitLogLine(owner, kLogPlain);
  for (int i = 0; i < count; ++i) {
    FormatLog(kEchoArgument, i, arguments[i]);
    EmitLogLine(owner, kLogPlain);
  }
  EmitLogLine(owner, kLogPlain);
}

}  // namespace

int StartUp() {
  SettingsMessages messages = StartSettings();
  for (int i = 0; i < messages.count; ++i) {
    platform::ShowMessage(nullptr, messages.items[i].text, version::kProductName, messages.items[i].icon);
  }
  ReadCommandSettings(&gCommandSettings);
  return 0;
}

int BatchModeSwitch(platform::WindowHandle owner, const char* word) {
  if (word == nullptr || !EqualsIgnoringCase(word, "BATCH")) return 0;
  gCommandSettings.mode = 1;
  gCommandSettings.overwrite = 0;
  FormatLog("%s", kBatchRule);
  EmitLogLine(owner, kLogPlain);
  FormatLog("%s", kBatchNotice);
  EmitLogLine(owner, kLogPlain);
  FormatLog("%s", kBatchRule);
  EmitLogLine(owner, kLogPlain);
  EmitLogLine(owner, kLogPlain);
  return 0;
}

int DispatchFrontEnd(platform::WindowHandle owner, int count, const char* const* arguments) {
  if (count <= 1) return kRunNothing;
  if (EqualsIgnoringCase(arguments[1], "-CTRL") || EqualsIgnoringCase(arguments[1], "-CONTROL")) {
    return RunBatch(owner, count > 2 ? arguments[2] : nullptr);
  }
  return RunCommandLine(owner, count, arguments);
}

int RunCommandLine(platform::WindowHandle owner, int count, const char* const* arguments) {
  SplitJob job{};

  if (count > kModeArgument) BatchModeSwitch(owner, arguments[kModeArgument]);
  if (gCommandSettings.debug == kEchoArgumentsDebug) EchoArguments(owner, count, arguments);

  if (count <= kNcFileArgument) return Fail(owner, kNoNcFileArgument);
  const char* ncFile = arguments[kNcFileArgument];
  if (!platform::FileExists(ncFile)) {
    FormatLog(kNcFileArgumentMissing, ncFile);
    EmitLogLine(owner, kLogError);
    return kRunFailed;
  }
  if (count <= kDistanceArgument) return Fail(owner, kNoDistanceArgument);
  SetLimit(&job.distance, ParseStandardDecimal(arguments[kDistanceArgument]));
  if (count <= kTimeArgument) return Fail(owner, kNoTimeArgument);
  SetLimit(&job.time, ParseStandardDecimal(arguments[kTimeArgument]));

  // Coordinates missing at the end of the command line come from the program; the ones given
  // win position by position.
  char extracted[3][kStartTextSize] = {{'\0'}, {'\0'}, {'\0'}};
  if (count < kStartXArgument + 3) {
    FormatLog("%s", kNoStartWarning);
    EmitLogLine(owner, kLogPlain);
    FormatLog("%s", kStartFromProgram);
    EmitLogLine(owner, kLogPlain);
    if (ExtractStartText(ncFile, extracted[0], extracted[1], extracted[2], version::kProductName) != kStartPointDone) {
      return Fail(owner, kStartExtractFailed);
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    int position = kStartXArgument + axis;
    job.start[axis] = ParseStandardDecimal(count > position ? arguments[position] : extracted[axis]);
  }

  return Split(owner, ncFile, &job.distance, &job.time, job.start);
}

int RunBatch(platform::WindowHandle owner, const char* parameterFile) {
  BatchParameters parameters;
  if (ReadBatchParameters(owner, parameterFile, &parameters) != 0) return kRunFailed;
  if (parameters.mode[0] != '\0') BatchModeSwitch(owner, parameters.mode);

  SplitJob job{};
  SetLimit(&job.time, parameters.time);
  SetLimit(&job.distance, parameters.distance);
  for (int axis = 0; axis < 3; ++axis) job.start[axis] = parameters.start[axis];
  return Split(owner, parameters.ncFile, &job.distance, &job.time, job.start);
}
