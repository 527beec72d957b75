#include "ui/common/front_end.h"

#include <cstring>

// The split driver's header brings the split job record with it.
#include "split/split_driver.h"

#include "config/settings.h"
#include "config/version.h"
#include "log/run_log.h"
#include "text/text_compare.h"
#include "ui/common/batch_parameters.h"
#include "ui/common/front_end_messages.h"
#include "ui/common/job_input.h"
#include "ui/common/split_preview.h"

CommandSettings gCommandSettings{0, 0, 1, 0, 1};

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

void ClearTarget(SplitTarget* target) {
  if (target != nullptr) target->ncFile[0] = '\0';
}

int Split(platform::WindowHandle owner, const SplitJob& job, SplitTarget* target) {
  if (target != nullptr) {
    size_t length = std::strlen(job.ncFile);
    if (length < sizeof target->ncFile) std::memcpy(target->ncFile, job.ncFile, length + 1);
  }
  return SplitWithPicture(owner, job) == kSplitDone ? kRunSplitDone : kRunFailed;
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

bool IsBatchSwitch(const char* word) {
  return EqualsIgnoringCase(word, "-CTRL") || EqualsIgnoringCase(word, "-CONTROL");
}

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

int DispatchFrontEnd(platform::WindowHandle owner, int count, const char* const* arguments,
                     SplitTarget* target) {
  ClearTarget(target);
  if (count <= 1) return kRunNothing;
  if (IsBatchSwitch(arguments[1])) {
    return RunBatch(owner, count > 2 ? arguments[2] : nullptr, target);
  }
  return RunCommandLine(owner, count, arguments, target);
}

int RunCommandLine(platform::WindowHandle owner, int count, const char* const* arguments,
                   SplitTarget* target) {
  ClearTarget(target);
  if (count > kModeArgument) BatchModeSwitch(owner, arguments[kModeArgument]);
  if (gCommandSettings.debug == kEchoArgumentsDebug) EchoArguments(owner, count, arguments);

  if (count <= kNcFileArgument) return Fail(owner, kNoNcFileArgument);
  const char* ncFile = arguments[kNcFileArgument];
  if (!platform::FileExists(ncFile)) {
    FormatLog(kNcFileArgumentMissing, ncFile);
    EmitLogLine(owner, kLogError);
    return kRunFailed;
  }
  if (count <= kDistanceArgument || IsTextMissing(arguments[kDistanceArgument])) {
    return Fail(owner, kNoDistanceArgument);
  }
  if (count <= kTimeArgument || IsTextMissing(arguments[kTimeArgument])) {
    return Fail(owner, kNoTimeArgument);
  }
  // Coordinates missing at the end of the command line, or given empty, come from the program.
  JobTexts texts{arguments[kDistanceArgument], arguments[kTimeArgument], {nullptr, nullptr, nullptr}};
  for (int axis = 0; axis < 3; ++axis) {
    const int position = kStartXArgument + axis;
    if (count > position) texts.start[axis] = arguments[position];
  }
  SplitJob job{ncFile, 0.0, 0.0, {0.0, 0.0, 0.0}};
  job.settings = gCommandSettings;
  if (ReadJobNumbers(owner, texts, &job) != kJobReady) return kRunFailed;
  return Split(owner, job, target);
}

int RunBatch(platform::WindowHandle owner, const char* parameterFile, SplitTarget* target) {
  ClearTarget(target);
  BatchParameters parameters;
  if (ReadBatchParameters(owner, parameterFile, &parameters) != kBatchParametersRead) return kRunFailed;
  if (parameters.mode[0] != '\0') BatchModeSwitch(owner, parameters.mode);

  const JobTexts texts{parameters.distance, parameters.time,
                       {parameters.start[0], parameters.start[1], parameters.start[2]}};
  SplitJob job{parameters.ncFile, 0.0, 0.0, {0.0, 0.0, 0.0}};
  job.settings = gCommandSettings;
  job.seam = parameters.seam;
  job.maxSize = parameters.size;
  job.pieces = parameters.pieces;
  if (ReadJobNumbers(owner, texts, &job) != kJobReady) return kRunFailed;
  return Split(owner, job, target);
}
