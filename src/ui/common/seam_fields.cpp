#include "ui/common/seam_fields.h"

#include <cstdio>

#include "config/settings.h"
#include "log/run_log.h"
#include "split/split_messages.h"
#include "text/text_cut.h"
#include "ui/common/front_end.h"
#include "ui/common/job_input.h"

namespace {

// Labels as a machinist reads them, in the words of the help file: the seam falls in the cut
// that passes a limit (the next piece cuts it again), at the last break where the program lifts
// the tool out of the stock, or at the breaks and at every tool change.
constexpr const char* kSeamLabels[kSeamChoiceCount] = {"切削中で分割", "区切りで分割", "工具ごとに分割"};
constexpr const char* kSeamWords[kSeamChoiceCount] = {"cut", "break", "tool"};

bool IsChoice(int index) { return index >= 0 && index < kSeamChoiceCount; }

}  // namespace

const char* SeamChoiceLabel(int index) { return IsChoice(index) ? kSeamLabels[index] : ""; }

const char* SeamChoiceWord(int index) { return IsChoice(index) ? kSeamWords[index] : nullptr; }

SeamFields SettingsSeamFields() {
  SeamFields fields{};
  fields.choice = IsChoice(gCommandSettings.seam) ? gCommandSettings.seam : kNoSeamChoice;
  std::snprintf(fields.size, sizeof fields.size, "%d", gCommandSettings.sizeKb);
  return fields;
}

int ReadSeamFields(platform::WindowHandle owner, const SeamFields& fields, SplitJob* job) {
  job->seam = SeamChoiceWord(fields.choice);
  if (IsTextMissing(fields.size)) {
    job->maxSize = "0";
    return kSeamFieldsReady;
  }
  if (ParseSizeKb(fields.size) < 0) {
    FormatLog(kSizeLimitInvalid, fields.size);
    EmitLogLine(owner, kLogError);
    return kSeamFieldsRefused;
  }
  job->maxSize = fields.size;
  return kSeamFieldsReady;
}
