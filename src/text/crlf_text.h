// Writing text with carriage return + line feed line ends. Every file the system writes (pieces,
// header, footer, intermediate file, default settings, saved log) ends its lines with "\r\n" on
// every platform: the file is opened in binary mode and the line ends are written here.
#pragma once

#include <cstdio>
#include <string_view>

// Writes `line` (no "\n" in it) followed by "\r\n" to `file`. Returns 0, or -1 when a write fails.
int WriteCrlfLine(FILE* file, std::string_view line);

// Writes `text` to `file` with every "\n" written as "\r\n"; all other bytes, NUL and "\r"
// included, pass through unchanged. Text after the last "\n" is written without a line end.
// Returns 0, or -1 when a write fails.
int WriteCrlfText(FILE* file, std::string_view text);
