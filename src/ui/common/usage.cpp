#include "ui/common/usage.h"

#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "config/version.h"
#include "platform/platform.h"
#include "text/text_compare.h"
#include "text/text_cut.h"
#include "ui/common/front_end_messages.h"

HelpRequest DetectHelpRequest(int count, const char* const* arguments) {
  if (count != 2 || arguments == nullptr || arguments[1] == nullptr) return kNoHelpRequest;
  const char* word = arguments[1];
  if (EqualsIgnoringCase(word, "?") || EqualsIgnoringCase(word, "/?")) return kUsageRequest;
  if (EqualsIgnoringCase(word, "help") || EqualsIgnoringCase(word, "/help")) return kHelpFileRequest;
  return kNoHelpRequest;
}

int FormatVersionName(char* out, size_t size) {
  return std::snprintf(out, size, "%dR%d.%02d", version::kYear, version::kMajor, version::kMinor);
}

int FormatShortVersion(char* out, size_t size) {
  return std::snprintf(out, size, "%d.%02d", version::kMajor, version::kMinor);
}

int HomePrompt(char* out, size_t size) {
  if (size == 0) return 0;
  char drive[kSystemPathField];
  char path[kSystemPathField];
  bool hasDrive = platform::GetEnvironment("HOMEDRIVE", drive, sizeof drive);
  bool hasPath = platform::GetEnvironment("HOMEPATH", path, sizeof path);
  if (!hasDrive && !hasPath) {
    // A system without the two Windows variables names the home folder in HOME.
    platform::GetEnvironment("HOME", path, sizeof path);
  }
  return static_cast<int>(FormatText(out, size, "%s%s", drive, path));
}

int BuildUsageText(const char* description, const char* usageLine, char* out, size_t size) {
  char prompt[kSystemPathField];
  HomePrompt(prompt, sizeof prompt);
  int length = std::snprintf(out, size, kUsageFormat, description, prompt, "", usageLine, version::kProductName,
                             version::kYear, version::kProductName, version::kMajor, version::kMinor,
                             version::kBuildYear, version::kBuildMonth, version::kBuildDay, kHomePageAddress);
  if (length >= 0 && static_cast<size_t>(length) < size) {
    length += std::snprintf(out + length, size - static_cast<size_t>(length), "%s", gNoticeLine);
  }
  return static_cast<int>(StoredLength(length, out, size));
}

int ShowUsage(const char* description, const char* usageLine) {
  char text[kUsageTextSize];
  BuildUsageText(description, usageLine, text, sizeof text);
  platform::ShowMessage(nullptr, text, version::kProductName, platform::BoxIcon::kInformation);
  return 0;
}

int HelpFilePath(char* out, size_t size) {
  int length = std::snprintf(out, size, "%s%s", gProgramDirectory, gHelpFileName);
  if (length < 0 || static_cast<size_t>(length) >= size) {
    if (size > 0) out[0] = '\0';
    return -1;
  }
  return 0;
}

int OpenHelpFile() {
  char path[kSystemPathField + kHelpFileField];
  if (HelpFilePath(path, sizeof path) != 0 || !platform::FileExists(path)) {
    platform::ShowMessage(nullptr, kHelpFileMissing, version::kProductName, platform::BoxIcon::kError);
    return -1;
  }
  platform::Current().openAssociated(nullptr, path);
  return 0;
}
