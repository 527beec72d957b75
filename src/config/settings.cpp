#include "config/settings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "config/config_messages.h"
#include "config/file_naming.h"
#include "config/profile.h"
#include "config/settings_keys.h"
#include "config/version.h"
#include "platform/platform.h"
#include "text/text_cut.h"

char gProgramDirectory[kSystemPathField];
char gSettingsPath[kSettingsPathSize];
Colour gWindowColour{135, 215, 215};
Colour gTextColour{0, 0, 0};
char gHelpFileName[kHelpFileField];
char gNoticeLine[kNoticeSize];

namespace {

constexpr Colour kWindowColourDefault{135, 215, 215};
constexpr Colour kTextColourDefault{0, 0, 0};
constexpr CommandSettings kCommandDefaults{kDebugSetting.fallback, kModeSetting.fallback, kDeleteSetting.fallback,
                                           kPrintSetting.fallback, kOverwriteSetting.fallback,
                                           kVerifySetting.fallback,
                                           kPreviewSetting.fallback,
                                           kTimeModelSetting.fallback, kSeamCut, "cut",
                                           kSizeSetting.fallback};

// The environment variable that switches a run to batch behaviour when it is "1".
constexpr char kBatchVariable[] = "BELTRASOVA";

// Drive and directory of the running executable into `out`. False (and "") when the path
// cannot be had. The directory is a front part of the path, so it always fits.
bool ExecutableDirectory(char* out, size_t size) {
  char executable[kSystemPathField];
  if (!platform::Current().executablePath(executable, sizeof executable)) {
    out[0] = '\0';
    return false;
  }
  PathParts parts;
  SplitPathParts(executable, &parts);
  std::snprintf(out, size, "%.*s%.*s", static_cast<int>(parts.drive.size()), parts.drive.data(),
                static_cast<int>(parts.directory.size()), parts.directory.data());
  return true;
}

// Composes one report at the end of `messages`; one that finds no room is dropped.
void AddMessage(SettingsMessages* messages, platform::BoxIcon icon, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void AddMessage(SettingsMessages* messages, platform::BoxIcon icon, const char* format, ...) {
  if (messages->count < 0 || messages->count >= static_cast<int>(std::size(messages->items))) return;
  SettingsMessage& message = messages->items[messages->count++];
  message.icon = icon;
  va_list args;
  va_start(args, format);
  FormatTextV(message.text, sizeof message.text, format, args);
  va_end(args);
}

// Reads one [COLOR] key into `colour`; warns with `format` when the value is there but does not
// hold three components.
void ReadColour(const TextSetting& setting, const char* format, Colour* colour, SettingsMessages* messages) {
  char value[kWindowColourSetting.field];
  if (ReadSettingText(setting, value, sizeof value) == 0) return;
  int count = ParseColour(value, colour);
  if (count != 3) AddMessage(messages, platform::BoxIcon::kWarning, format, count);
}

}  // namespace

uint32_t ColourValue(const Colour& colour) {
  return (static_cast<uint32_t>(colour.red) & 0xFFu) + ((static_cast<uint32_t>(colour.green) & 0xFFu) << 8) +
         ((static_cast<uint32_t>(colour.blue) & 0xFFu) << 16);
}

int ProgramFilePath(const char* name, char* out, size_t size) {
  if (size == 0) return -1;
  char directory[kSystemPathField];
  if (!ExecutableDirectory(directory, sizeof directory)) {
    out[0] = '\0';
    return -1;
  }
  int length = std::snprintf(out, size, "%s%s", directory, name);
  if (length < 0 || static_cast<size_t>(length) >= size) {
    out[0] = '\0';
    return -1;
  }
  return 0;
}

int LogFilePath(char* out, size_t size) {
  if (size == 0) return -1;
  char extension[kLogFileSetting.field];
  ReadSettingText(kLogFileSetting, extension, sizeof extension);
  int length = std::snprintf(out, size, "%s%s.%s", gProgramDirectory, version::kProductName, extension);
  if (length < 0 || static_cast<size_t>(length) >= size) {
    out[0] = '\0';
    return -1;
  }
  return length;
}

SettingsMessages StartSettings() {
  SettingsMessages messages{};
  // Without the executable's path the program directory stays empty, so the settings file is
  // looked for (and written) in the working directory.
  ExecutableDirectory(gProgramDirectory, sizeof gProgramDirectory);
  std::snprintf(gSettingsPath, sizeof gSettingsPath, "%s%s", gProgramDirectory, kSettingsFileName);

  if (WriteDefaultSettings() != 0) {
    AddMessage(&messages, platform::BoxIcon::kError, kSettingsCreateError, gSettingsPath);
  }

  std::snprintf(gNoticeLine, sizeof gNoticeLine, version::kNoticeFormat, version::kYear, version::kMakerName);

  ReadColours(&gWindowColour, &gTextColour, &messages);

  if (ReadSettingText(kHelpFileSetting, gHelpFileName, sizeof gHelpFileName) == 0) {
    std::snprintf(gHelpFileName, sizeof gHelpFileName, "%s.chm", version::kProductName);
  }
  return messages;
}

int ReadColours(Colour* window, Colour* text, SettingsMessages* messages) {
  *window = kWindowColourDefault;
  ReadColour(kWindowColourSetting, kWindowColourError, window, messages);
  *text = kTextColourDefault;
  ReadColour(kTextColourSetting, kTextColourError, text, messages);
  return 0;
}

int ParseColour(const char* text, Colour* colour) {
  int* components[3] = {&colour->red, &colour->green, &colour->blue};
  int count = 0;
  const char* p = text;
  while (count < 3) {
    while (*p == ',') ++p;  // empty pieces between commas do not count
    if (*p == '\0') break;
    *components[count++] = LeadingInteger(p);
    while (*p != '\0' && *p != ',') ++p;
  }
  return count;
}

int ReadFormatSettings(FormatSettings* format) {
  format->decimal = kDecimalSetting.fallback;
  format->comment = kCommentSetting.fallback;
  char path[kSettingsPathSize];
  if (ProgramFilePath(kSettingsFileName, path, sizeof path) != 0 || !platform::FileExists(path)) return 0;
  format->decimal = ReadSettingInt(kDecimalSetting, path);
  format->comment = ReadSettingInt(kCommentSetting, path);
  return 0;
}

int ReadCommandSettings(CommandSettings* command) {
  *command = kCommandDefaults;
  char path[kSettingsPathSize];
  if (ProgramFilePath(kSettingsFileName, path, sizeof path) == 0 && platform::FileExists(path)) {
    command->debug = ReadSettingInt(kDebugSetting, path);
    command->mode = ReadSettingInt(kModeSetting, path);
    command->deleteFiles = ReadSettingInt(kDeleteSetting, path);
    command->print = ReadSettingInt(kPrintSetting, path);
    command->overwrite = ReadSettingInt(kOverwriteSetting, path);
    command->verify = ReadSettingInt(kVerifySetting, path);
    command->preview = ReadSettingInt(kPreviewSetting, path);
    command->timeModel = ReadSettingInt(kTimeModelSetting, path);
    ReadSettingText(kSeamSetting, command->seamText, sizeof command->seamText, path);
    command->seam = ParseSeamPolicy(command->seamText);
    command->sizeKb = ReadSettingInt(kSizeSetting, path);
  }
  // The variable turns on batch behaviour only over the default MODE; an explicit other mode
  // in the file wins. ("1" has no letters, so comparing without regard to case is plain equality.)
  char value[16];
  if (command->mode == 0 && platform::GetEnvironment(kBatchVariable, value, sizeof value) &&
      std::strcmp(value, "1") == 0) {
    command->mode = 1;
  }
  if (command->mode == 1) command->overwrite = 0;
  return 0;
}

int ParseSeamPolicy(const char* text) {
  static constexpr const char* kNames[] = {"cut", "break", "tool"};
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
  for (int policy = kSeamCut; policy <= kSeamTool; ++policy) {
    const char* name = kNames[policy];
    if (std::strlen(name) != length) continue;
    size_t i = 0;
    while (i < length && (text[i] | 0x20) == name[i]) ++i;
    if (i == length) return policy;
  }
  return kSeamUnknown;
}

int ParseSizeKb(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  long value = 0;
  int digits = 0;
  for (; *text >= '0' && *text <= '9'; ++text, ++digits) {
    value = value * 10 + (*text - '0');
    if (value > 1000000) return -1;
  }
  while (*text == ' ' || *text == '\t') ++text;
  return digits > 0 && *text == '\0' ? static_cast<int>(value) : -1;
}

int TimeOfDayMessage(char* out, size_t size) {
  if (size == 0) return 0;
  char path[kSettingsPathSize];
  int pathResult = ProgramFilePath(kSettingsFileName, path, sizeof path);
  platform::LocalTime now{};
  platform::GetLocalTimeNow(&now);

  // Only the exact key of this ten-minute slot counts: 08:35 reads TIME083, 17:09 TIME170.
  char key[32];
  std::snprintf(key, sizeof key, "TIME%02d%d", now.hour, now.minute / 10);
  size_t field = size < kMessageField ? size : kMessageField;
  if (pathResult != 0 || ReadProfileText(path, kMessageSection, key, out, field) == 0) {
    CopyText(kMessageFallback, out, size);
  }
  return 0;
}
