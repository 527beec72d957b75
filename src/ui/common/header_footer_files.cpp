#include "ui/common/header_footer_files.h"

#include "config/file_naming.h"
#include "config/settings_keys.h"
#include "header_footer/footer_cut.h"
#include "header_footer/header_cut.h"
#include "log/run_log.h"
#include "split/program_totals.h"
#include "ui/common/front_end_messages.h"

namespace {

// The header and footer paths are held like every path of the split engine.
constexpr size_t kDerivedPathField = 512;

int Fail(platform::WindowHandle owner) {
  EmitLogLine(owner, kLogError);
  return -1;
}

// Reads the suffix of `setting`, derives the path next to `ncFile` into `path` (kDerivedPathField
// bytes). False after the error line when it does not fit.
bool DerivePath(platform::WindowHandle owner, const TextSetting& setting, const char* ncFile, char* path) {
  char suffix[64];
  ReadSettingText(setting, suffix, sizeof suffix);
  if (SuffixPath(ncFile, suffix, path, kDerivedPathField) == kNamingOk) return true;
  FormatLog(kHeaderFooterPathTooLong, ncFile);
  Fail(owner);
  return false;
}

}  // namespace

int HeaderFooterFiles(platform::WindowHandle owner, const char* ncFile) {
  // The cuts would only say that they failed; the user is told why.
  if (!platform::FileExists(ncFile)) {
    FormatLog(kHeaderFooterNcMissing, ncFile);
    return Fail(owner);
  }
  if (platform::IsDirectory(ncFile)) {
    FormatLog(kHeaderFooterNcIsDirectory, ncFile);
    return Fail(owner);
  }

  // Both names first, so that a name that does not fit leaves no file behind.
  char header[kDerivedPathField];
  char footer[kDerivedPathField];
  if (!DerivePath(owner, kCommandHeaderSuffixSetting, ncFile, header)) return -1;
  if (!DerivePath(owner, kCommandFooterSuffixSetting, ncFile, footer)) return -1;

  if (CutHeader(ncFile, header) < 0) {
    FormatLog("%s", kHeaderFileNotMade);
    return Fail(owner);
  }
  FormatLog(kHeaderFileLine, header);
  EmitLogLine(owner, kLogPlain);

  char reason[kLogLineSize];
  const int cut = CutProgramFooter(ncFile, footer, reason);
  if (cut == kFooterProgramRefused) {
    FormatLog("%s", reason);
    return Fail(owner);
  }
  if (cut != kFooterCutOk) {
    FormatLog("%s", kFooterFileNotMade);
    return Fail(owner);
  }
  FormatLog(kFooterFileLine, footer);
  EmitLogLine(owner, kLogPlain);
  return 0;
}
