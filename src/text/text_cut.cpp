#include "text/text_cut.h"

#include <cstdio>
#include <cstring>

#include "platform/text_encoding.h"

size_t CutAtCharacter(char* text, size_t length, size_t size) {
  size_t end = length <= size - 1 ? length : platform::WholeCharacters(text, size - 1);
  text[end] = '\0';
  return end;
}

size_t StoredLength(int printed, char* out, size_t size) {
  if (size == 0) return 0;
  if (printed < 0) {
    out[0] = '\0';
    return 0;
  }
  return CutAtCharacter(out, static_cast<size_t>(printed), size);
}

size_t FormatText(char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t length = FormatTextV(out, size, format, args);
  va_end(args);
  return length;
}

size_t FormatTextV(char* out, size_t size, const char* format, va_list args) {
  return StoredLength(std::vsnprintf(out, size, format, args), out, size);
}
