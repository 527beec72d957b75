// Help requests, the usage text, the help file and the version texts shared by both front ends.
#pragma once

#include <cstddef>

// What the arguments of a start ask for. Only a start with exactly one argument (count 2, the
// program path included) can be a help request; the word is compared without regard to ASCII
// letter case, so "/HELP" and "Help" count.
enum HelpRequest {
  kNoHelpRequest = 0,
  kUsageRequest = 1,     // "?" or "/?"
  kHelpFileRequest = 2,  // "help" or "/help"
};

// Looks at `arguments[1]` when `count` is 2; reads nothing else. Any other count, and any other
// single word (such as "-ctrl" or a file name), is kNoHelpRequest.
HelpRequest DetectHelpRequest(int count, const char* const* arguments);

// The version as window titles show it: year R major . two-digit minor ("2021R2.34").
// snprintf rules: returns the whole length, writes at most size - 1 bytes.
int FormatVersionName(char* out, size_t size);
// The version as the usage text shows it after "Version": major . two-digit minor ("2.34").
int FormatShortVersion(char* out, size_t size);

// The prompt that stands before the usage line: HOMEDRIVE directly followed by HOMEPATH. On a
// system that sets neither (Linux), HOME stands in their place. Unset parts are empty.
// Returns the length written (cut to size - 1 bytes).
int HomePrompt(char* out, size_t size);

// Size of the usage text ShowUsage shows: at most 1023 bytes.
inline constexpr size_t kUsageTextSize = 1024;

// Composes the usage text into `out` (a field of `size` bytes, cut at a character boundary):
// the description, "[ 使用方法 ]", the prompt line (HomePrompt, "> ", `usageLine`), the program
// name with the version year, the program name with "Version 2.34", the build date, the maker's
// home page and, as the last line, the rights notice (gNoticeLine). Paragraphs are separated by
// one empty line. Reads the environment and gNoticeLine. Returns the length stored.
int BuildUsageText(const char* description, const char* usageLine, char* out, size_t size);

// Shows the usage text of `description` and `usageLine` (composed in a kUsageTextSize field) in
// an information box titled "Quendrix" without an owner; nothing reaches the run log. Returns 0.
int ShowUsage(const char* description, const char* usageLine);

// The help file's path: gProgramDirectory followed by gHelpFileName (both set by StartSettings).
// Returns 0, or -1 with "" in `out` when it does not fit.
int HelpFilePath(char* out, size_t size);

// Opens the help file with the program the system associates with it. When no file exists at
// HelpFilePath, shows the error box "ヘルプファイルが見つかりません" (no owner) instead and
// returns -1; returns 0 otherwise (whether the associated program started is not looked at).
int OpenHelpFile();
