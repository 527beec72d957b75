#include "config/settings_keys.h"

#include <cstdio>

#include "config/profile.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "text/text_cut.h"

namespace {

// Used when the environment has no SystemRoot, or an empty one (a Linux console, a stripped
// environment): the usual system root of Windows, so the EDITOR line still names notepad.
constexpr char kSystemRootFallback[] = "C:\\Windows";

}  // namespace

int ReadSettingText(const TextSetting& setting, char* out, size_t size, const char* path) {
  if (size == 0) return 0;
  size_t field = size < setting.field ? size : setting.field;
  int length = ReadProfileText(path != nullptr ? path : gSettingsPath, setting.section, setting.key, out, field);
  if (length > 0) return length;
  const char* fallback = setting.fallback != nullptr ? setting.fallback : "";
  return static_cast<int>(CopyText(fallback, out, field));
}

int ReadSettingInt(const IntSetting& setting, const char* path) {
  return ReadProfileInt(path != nullptr ? path : gSettingsPath, setting.section, setting.key, setting.fallback);
}

int DefaultEditorPath(char* out, size_t size) {
  if (size == 0) return -1;
  char systemRoot[kSystemPathField];
  if (!platform::GetEnvironment("SystemRoot", systemRoot, sizeof systemRoot) || systemRoot[0] == '\0') {
    CopyText(kSystemRootFallback, systemRoot, sizeof systemRoot);
  }
  int length = std::snprintf(out, size, "%s\\notepad.exe", systemRoot);
  if (length < 0 || static_cast<size_t>(length) >= size) {
    out[0] = '\0';
    return -1;
  }
  return length;
}

int ReadEditorPath(char* out, size_t size) {
  int length = ReadSettingText(kEditorSetting, out, size);
  if (length > 0) return length;
  size_t field = size < kEditorSetting.field ? size : kEditorSetting.field;
  length = DefaultEditorPath(out, field);
  return length < 0 ? 0 : length;
}
