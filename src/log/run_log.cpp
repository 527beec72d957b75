#include "log/run_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/settings_keys.h"
#include "config/text_cut.h"
#include "config/version.h"
#include "log/log_messages.h"

char gLogLine[kLogLineSize];
int gLongestLogLine = 70;

namespace {

// Length of the composed line. The last byte is forced to NUL first, so a caller that filled the
// whole buffer still gives a line of at most 1023 bytes.
size_t LogLineLength() {
  gLogLine[kLogLineSize - 1] = '\0';
  return std::strlen(gLogLine);
}

void ClearLogLine() { std::memset(gLogLine, 0, sizeof gLogLine); }

// The box icon of a level; false when the level shows no box.
bool BoxIconOf(int level, platform::BoxIcon* icon) {
  if (level < 0) {
    *icon = platform::BoxIcon::kError;
  } else if (level == kLogInformation) {
    *icon = platform::BoxIcon::kInformation;
  } else if (level == kLogWarning) {
    *icon = platform::BoxIcon::kWarning;
  } else {
    return false;
  }
  return true;
}

bool EqualsIgnoringCase(const char* text, const char* upper) {
  for (; *upper != '\0'; ++text, ++upper) {
    char c = (*text >= 'a' && *text <= 'z') ? static_cast<char>(*text - 32) : *text;
    if (c != *upper) return false;
  }
  return *text == '\0';
}

// Writes every pane line with "\r\n" line ends. False when a write fails.
bool WriteLogLines(FILE* file, const platform::LogPane& pane, int count) {
  char line[kLogLineSize];
  for (int i = 0; i < count; ++i) {
    int length = pane.LineText(i, line, sizeof line);
    if (length < 0) length = 0;
    size_t n = static_cast<size_t>(length);
    if (!platform::WriteBytes(file, line, n) || !platform::WriteBytes(file, "\r\n", 2)) return false;
  }
  return true;
}

}  // namespace

int FormatLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(gLogLine, sizeof gLogLine, format, args);
  va_end(args);
  if (length < 0) {
    gLogLine[0] = '\0';
    return 0;
  }
  // vsnprintf cuts at a byte; a cut must not leave the first half of a character behind.
  return static_cast<int>(CutAtCharacter(gLogLine, static_cast<size_t>(length), sizeof gLogLine));
}

int EmitLogLine(platform::WindowHandle owner, int level) {
  int length = static_cast<int>(LogLineLength());
  platform::LogPane& pane = platform::Log();
  pane.Append(gLogLine);
  pane.Select(pane.Count() - 1);

  platform::BoxIcon icon;
  if (BoxIconOf(level, &icon)) platform::ShowMessage(owner, gLogLine, version::kProductName, icon);

  if (length > gLongestLogLine) {
    gLongestLogLine = length;
    FitLogWidth();
  }
  ClearLogLine();
  return level;
}

void FitLogWidth() { platform::Log().FitWidth(gLogLine, gLongestLogLine); }

void ShowLogLineBox(platform::WindowHandle owner, platform::BoxIcon icon) {
  LogLineLength();
  platform::ShowMessage(owner, gLogLine, version::kProductName, icon);
  ClearLogLine();
}

int SaveLog(platform::WindowHandle owner) {
  const platform::LogPane& pane = platform::Log();
  int count = pane.Count();
  if (count < 1) {
    FormatLog("%s", kNoLogToSave);
    ShowLogLineBox(owner, platform::BoxIcon::kError);
    return -1;
  }

  char extension[kLogFileSetting.field];
  ReadSettingText(kLogFileSetting, extension, sizeof extension);
  // Always fits: the directory is below kSystemPathField, the name and extension below 32 bytes.
  char path[kSystemPathField + 32];
  std::snprintf(path, sizeof path, "%s%s.%s", gProgramDirectory, version::kProductName, extension);

  platform::FileHandle file(path, "wb");
  bool opened = static_cast<bool>(file);
  bool written = opened && WriteLogLines(file.get(), pane, count);
  bool closed = file.Close();
  if (written && closed) return 0;
  // A file that could not be written whole is not left behind as if it were the log.
  if (opened) platform::RemoveFile(path);
  FormatLog(kLogFileOpenError, path);
  ShowLogLineBox(owner, platform::BoxIcon::kError);
  return -1;
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

int EchoOutputParameters(const FormatSettings& format) {
  FormatLog("%s", kEchoTitle);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog(kEchoDecimal, format.decimal);
  EmitLogLine(nullptr, kLogPlain);
  FormatLog(kEchoComment, format.comment);
  EmitLogLine(nullptr, kLogPlain);
  EmitLogLine(nullptr, kLogPlain);
  return 0;
}
