#include "split/viewer.h"

#include <cstring>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "log/run_log.h"
#include "split/split_messages.h"

int OpenInViewer(platform::WindowHandle owner, const char* ncPath) {
  if (!platform::FileExists(gSettingsPath)) {
    FormatLog("%s", kNoSettingsFile);
    EmitLogLine(owner, kLogError);
    return kViewerFailed;
  }
  char viewer[kNcViewerSetting.field];
  if (ReadSettingText(kNcViewerSetting, viewer, sizeof viewer) == 0) return kViewerOk;
  if (!platform::FileExists(viewer)) {
    FormatLog(kViewerMissing, viewer);
    EmitLogLine(owner, kLogError);
    return kViewerFailed;
  }
  if (!platform::FileExists(ncPath)) {
    FormatLog(kViewedFileMissing, ncPath);
    EmitLogLine(owner, kLogError);
    return kViewerFailed;
  }
  // The piece path, quoted when a blank would split it into two parameters.
  char parameter[kViewerParameterSize];
  const bool quote = std::strchr(ncPath, ' ') != nullptr;
  std::snprintf(parameter, sizeof parameter, quote ? "\"%s\"" : "%s", ncPath);
  if (platform::Current().startProgram(nullptr, viewer, parameter) != 0) {
    FormatLog("%s", kViewerStartFailed);
    EmitLogLine(owner, kLogError);
    return kViewerFailed;
  }
  return kViewerOk;
}

bool NoViewerConfigured() {
  if (!platform::FileExists(gSettingsPath)) return false;
  char viewer[kNcViewerSetting.field];
  return ReadSettingText(kNcViewerSetting, viewer, sizeof viewer) == 0;
}
