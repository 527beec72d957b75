#include "ui/console/console_options.h"

#include <cstring>

#include "ui/common/front_end.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The switches that only count as the first argument: those of the Windows command line, and the
// check of existing pieces.
bool IsFirstArgumentSwitch(const char* word) {
  return IsBatchSwitch(word) || IsHeaderFooterSwitch(word) || IsCheckSwitch(word);
}

}  // namespace

bool IsHeaderFooterSwitch(const char* word) {
  return (word[0] == '-') && (word[1] == 'H' || word[1] == 'h') && (word[2] == 'F' || word[2] == 'f') &&
         word[3] == '\0';
}

bool IsCheckSwitch(const char* word) { return std::strcmp(word, "--check") == 0; }

bool LooksLikeOption(const char* word) {
  if (word == nullptr || word[0] != '-') return false;
  if (IsDigit(word[1])) return false;
  if (word[1] == '.' && IsDigit(word[2])) return false;
  return true;
}

int TakePreviewOption(int count, const char** arguments, bool* found) {
  *found = false;
  if (arguments == nullptr) return count;
  int kept = count > 0 ? 1 : 0;
  for (int i = 1; i < count; ++i) {
    if (arguments[i] != nullptr && std::strcmp(arguments[i], "--preview") == 0) {
      *found = true;
      continue;
    }
    arguments[kept++] = arguments[i];
  }
  if (kept < count) arguments[kept] = arguments[count];  // the end marker moves up too
  return kept;
}

int TakeValueOption(int count, const char** arguments, const char* name, const char** value) {
  *value = nullptr;
  if (arguments == nullptr) return count;
  const size_t length = std::strlen(name);
  int kept = count > 0 ? 1 : 0;
  for (int i = 1; i < count; ++i) {
    const char* word = arguments[i];
    if (word != nullptr && std::strncmp(word, name, length) == 0 && (word[length] == '=' || word[length] == '\0')) {
      if (word[length] == '=') {
        *value = word + length + 1;
      } else if (i + 1 < count && arguments[i + 1] != nullptr) {
        *value = arguments[++i];
      } else {
        *value = "";
      }
      continue;
    }
    arguments[kept++] = arguments[i];
  }
  if (kept < count) arguments[kept] = arguments[count];
  return kept;
}

OptionScan ScanConsoleOptions(int count, const char* const* arguments) {
  for (int i = 1; i < count && arguments != nullptr && arguments[i] != nullptr; ++i) {
    const char* word = arguments[i];
    if (!LooksLikeOption(word)) continue;
    if (std::strcmp(word, "-h") == 0 || std::strcmp(word, "--help") == 0) return {kHelpOption, i};
    if (std::strcmp(word, "--version") == 0) return {kVersionOption, i};
    if (i == 1 && IsFirstArgumentSwitch(word)) continue;
    if (IsCheckSwitch(word)) return {kMisplacedOption, i};
    return {kUnknownOption, i};
  }
  return {kNoConsoleOption, 0};
}
