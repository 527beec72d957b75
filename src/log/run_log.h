// The run log: every report the program makes to the user. A caller composes one line into the
// shared buffer gLogLine (FormatLog, always from its start) and emits it at once with a level;
// the line goes to the log pane (platform::Log()) and, by level, into a message box. gLogLine is
// the log's line and nothing else: other texts are composed in buffers of their own.
//
// The log sits above the settings: it uses their records and the version texts but reads no
// setting; the settings never report through the log.
#pragma once

#include <cstddef>

#include "config/settings.h"
#include "platform/platform.h"

// Levels of EmitLogLine. Any negative level is an error, every level other than these shows no
// box (2, for one, is a plain line as 0 is).
enum LogLevel {
  kLogError = -1,       // line and error box
  kLogPlain = 0,        // line only
  kLogInformation = 1,  // line and information box
  kLogWarning = 3,      // line and warning box
};

inline constexpr size_t kLogLineSize = 1024;

// The shared line buffer (CP932, NUL-terminated, at most 1023 bytes of text). Zero-filled after
// every emission, so emitting without composing gives the blank separator line.
extern char gLogLine[kLogLineSize];
// Length of the longest line emitted so far; starts at 70 and only grows.
extern int gLongestLogLine;

// Formats into gLogLine from its start (printf rules, size-bound; never pass a double: numbers
// come as texts from the NC formatter). A text longer than 1023 bytes is cut before the first
// character that does not fit whole. Returns the length stored.
int FormatLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Emits gLogLine: appends it to the log pane, selects the new last line, shows it in a box titled
// "Quendrix" owned by `owner` (error box for a negative level, information box for 1, warning box
// for 3, none otherwise; the box is modal), widens the pane when the line is the longest so far,
// then zero-fills gLogLine. The caller says what its operation's result is: a log line is none.
void EmitLogLine(platform::WindowHandle owner, int level);

// Sets the pane's horizontal range to the width of the first gLongestLogLine bytes of gLogLine.
// Called only by EmitLogLine, before the buffer is cleared.
void FitLogWidth();

// Shows gLogLine in a box titled "Quendrix" (not in the pane) and zero-fills it.
void ShowLogLineBox(platform::WindowHandle owner, platform::BoxIcon icon);

// Writes every line of the log pane, each followed by "\r\n", to the file at `path` (CP932),
// replacing an earlier file. Returns 0, or -1 after an error box (nothing in the pane) when the
// pane is empty or the file cannot be written; a file that fails is not left behind.
int SaveLog(platform::WindowHandle owner, const char* path);

// Emits the four lines that echo the output parameters (DECIMAL, COMMENT). Returns 0.
int EchoOutputParameters(const FormatSettings& format);
