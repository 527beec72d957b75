#include "log/run_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/version.h"
#include "log/log_messages.h"
#include "text/crlf_text.h"
#include "text/text_cut.h"

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

// Writes every pane line with "\r\n" line ends. False when a write fails.
bool WriteLogLines(FILE* file, const platform::LogPane& pane, int count) {
  char line[kLogLineSize];
  for (int i = 0; i < count; ++i) {
    int length = pane.LineText(i, line, sizeof line);
    if (WriteCrlfLine(file, std::string_view(line, length < 0 ? 0 : static_cast<size_t>(length))) != 0) return false;
  }
  return true;
}

}  // namespace

int FormatLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t length = FormatTextV(gLogLine, sizeof gLogLine, format, args);
  va_end(args);
  return static_cast<int>(length);
}

void EmitLogLine(platform::WindowHandle owner, int level) {
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
}

void FitLogWidth() { platform::Log().FitWidth(gLogLine, gLongestLogLine); }

void ShowLogLineBox(platform::WindowHandle owner, platform::BoxIcon icon) {
  LogLineLength();
  platform::ShowMessage(owner, gLogLine, version::kProductName, icon);
  ClearLogLine();
}

int SaveLog(platform::WindowHandle owner, const char* path) {
  const platform::LogPane& pane = platform::Log();
  int count = pane.Count();
  if (count < 1) {
    FormatLog("%s", kNoLogToSave);
    ShowLogLineBox(owner, platform::BoxIcon::kError);
    return -1;
  }

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
