#include "split/viewer.h"

#include <cstring>

#include "config/settings.h"
#include "config/settings_keys.h"
#include "log/run_log.h"
#include "split/split_messages.h"

namespace {

// What the settings say of the viewer.
enum ViewerSetting { kNoSettings, kNoViewer, kViewerNamed };

// NCVIEWER of the settings file into `viewer`.
ViewerSetting ReadViewer(char (&viewer)[kNcViewerSetting.field]) {
  if (!platform::FileExists(gSettingsPath)) return kNoSettings;
  return ReadSettingText(kNcViewerSetting, viewer, sizeof viewer) == 0 ? kNoViewer : kViewerNamed;
}

}  // namespace

int OpenInViewer(platform::WindowHandle owner, const char* ncPath) {
  char viewer[kNcViewerSetting.field];
  const ViewerSetting setting = ReadViewer(viewer);
  if (setting == kNoSettings) {
    FormatLog("%s", kNoSettingsFile);
    EmitLogLine(owner, kLogError);
    return kViewerFailed;
  }
  if (setting == kNoViewer) return kViewerOk;
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
  char viewer[kNcViewerSetting.field];
  return ReadViewer(viewer) == kNoViewer;
}
