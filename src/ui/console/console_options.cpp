#include "ui/console/console_options.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when `word` equals `upper` (ASCII upper case) without regard to ASCII letter case.
bool EqualsIgnoringCase(const char* word, const char* upper) {
  for (; *upper != '\0'; ++word, ++upper) {
    char c = (*word >= 'a' && *word <= 'z') ? static_cast<char>(*word - 32) : *word;
    if (c != *upper) return false;
  }
  return *word == '\0';
}

// The switches of the Windows command line, which only count as the first argument.
bool IsFirstArgumentSwitch(const char* word) {
  return EqualsIgnoringCase(word, "-CTRL") || EqualsIgnoringCase(word, "-CONTROL") || EqualsIgnoringCase(word, "-HF");
}

}  // namespace

bool LooksLikeOption(const char* word) {
  if (word == nullptr || word[0] != '-') return false;
  if (IsDigit(word[1])) return false;
  if (word[1] == '.' && IsDigit(word[2])) return false;
  return true;
}

OptionScan ScanConsoleOptions(int count, const char* const* arguments) {
  for (int i = 1; i < count && arguments != nullptr && arguments[i] != nullptr; ++i) {
    const char* word = arguments[i];
    if (!LooksLikeOption(word)) continue;
    if (std::strcmp(word, "-h") == 0 || std::strcmp(word, "--help") == 0) return {kHelpOption, i};
    if (std::strcmp(word, "--version") == 0) return {kVersionOption, i};
    if (i == 1 && IsFirstArgumentSwitch(word)) continue;
    return {kUnknownOption, i};
  }
  return {kNoConsoleOption, 0};
}
