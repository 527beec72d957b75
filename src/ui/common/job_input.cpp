#include "ui/common/job_input.h"

#include <cstring>

#include "header_footer/start_point.h"
#include "log/run_log.h"
#include "nc/number_text.h"
#include "ui/common/front_end_messages.h"

namespace {

// Reads one number; refuses a text that is not one, quoting it.
int ReadNumber(platform::WindowHandle owner, const char* label, const char* text, double* value) {
  if (ParseWholeNumber(text, value)) return kJobReady;
  FormatLog(kNotANumber, label, text);
  EmitLogLine(owner, kLogError);
  return kJobRefused;
}

}  // namespace

bool IsTextMissing(const char* text) { return text == nullptr || IsBlankText(text); }

int ReadJobNumbers(platform::WindowHandle owner, const JobTexts& texts, SplitJob* job) {
  if (ReadNumber(owner, kLabelDistance, texts.distance, &job->distance) != kJobReady) return kJobRefused;
  if (ReadNumber(owner, kLabelTime, texts.time, &job->time) != kJobReady) return kJobRefused;
  return ReadStartPoint(owner, texts.start, job->ncFile, job->start);
}

int ReadStartPoint(platform::WindowHandle owner, const char* const (&texts)[3], const char* ncFile,
                   double (&start)[3]) {
  const char* const labels[3] = {kLabelStartX, kLabelStartY, kLabelStartZ};
  bool missing = false;
  for (int axis = 0; axis < 3; ++axis) {
    if (IsTextMissing(texts[axis])) {
      missing = true;
      continue;
    }
    if (ReadNumber(owner, labels[axis], texts[axis], &start[axis]) != kJobReady) return kJobRefused;
  }
  if (!missing) return kJobReady;

  FormatLog("%s", kNoStartWarning);
  EmitLogLine(owner, kLogPlain);
  FormatLog("%s", kStartFromProgram);
  EmitLogLine(owner, kLogPlain);
  double program[3] = {0, 0, 0};
  if (ProgramStartPoint(ncFile, program) != kStartPointDone) {
    FormatLog("%s", kStartExtractFailed);
    EmitLogLine(owner, kLogError);
    return kJobRefused;
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (IsTextMissing(texts[axis])) start[axis] = program[axis];
  }
  return kJobReady;
}
