#include "ui/common/split_preview.h"

#include <utility>

#include "config/file_naming.h"
#include "config/settings.h"
#include "log/run_log.h"
#include "picture/split_svg.h"
#include "split/split_driver.h"
#include "ui/common/front_end_messages.h"

namespace {

bool gKeepPictures = false;
SplitPicture gCollecting;  // the split in progress
SplitPicture gLastSplit;   // the last split that wrote its pieces

}  // namespace

void KeepSplitPictures(bool on) { gKeepPictures = on; }

void ForgetSplitPictures() {
  gKeepPictures = false;
  gCollecting = SplitPicture();
  gLastSplit = SplitPicture();
}

const SplitPicture& LastSplitPicture() { return gLastSplit; }

int SplitWithPicture(platform::WindowHandle owner, const SplitJob& job) {
  const bool write = job.settings.preview == 1;
  if (!gKeepPictures && !write) return SplitProgram(owner, job);

  SplitJob observed = job;
  observed.observer = &gCollecting;
  gCollecting.Begin(job.ncFile);
  const int result = SplitProgram(owner, observed);
  if (result != kSplitDone) {
    gCollecting.Begin("");  // what a failed split collected is of no use
    return result;
  }
  std::swap(gLastSplit, gCollecting);
  gCollecting.Begin("");
  if (write && SavePictureOfLastSplit(owner) != kPictureSaved) return kSplitFailed;
  return kSplitDone;
}

int SavePictureOfLastSplit(platform::WindowHandle owner) {
  if (gLastSplit.piecesWritten() == 0) {
    FormatLog("%s", kNoSplitPicture);
    EmitLogLine(owner, kLogError);
    return kPictureNotSaved;
  }
  char path[kPathField];
  const int named = SplitPicturePath(gLastSplit.ncFile(), path, sizeof path);
  if (named == kPicturePathTaken) {
    char wanted[kPathField];
    SuffixPath(gLastSplit.ncFile(), kPictureSuffix, wanted, sizeof wanted);
    FormatLog(kPicturePathTakenText, wanted);
    EmitLogLine(owner, kLogError);
    return kPictureNotSaved;
  }
  if (named != kPicturePathOk) {
    FormatLog(kPicturePathTooLongText, gLastSplit.ncFile());
    EmitLogLine(owner, kLogError);
    return kPictureNotSaved;
  }
  if (WriteSplitSvg(gLastSplit, path) != kSvgWritten) {
    FormatLog(kPictureNotWritten, path);
    EmitLogLine(owner, kLogError);
    return kPictureNotSaved;
  }
  FormatLog(kPictureWritten, path);
  EmitLogLine(owner, kLogPlain);
  return kPictureSaved;
}
