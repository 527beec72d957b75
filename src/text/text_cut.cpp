#include "text/text_cut.h"

#include <cstdio>
#include <cstring>

#include "platform/text_encoding.h"

namespace {

// The largest length <= `limit` at which the text ends on a whole character. Characters are
// walked from the start: only then is it known whether a byte is the second half of one.
size_t WholeCharacters(const char* text, size_t limit) {
  size_t end = 0;
  while (end < limit) {
    size_t width = platform::IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return end;
}

}  // namespace

size_t CutAtCharacter(char* text, size_t length, size_t size) {
  size_t end = length <= size - 1 ? length : WholeCharacters(text, size - 1);
  text[end] = '\0';
  return end;
}

size_t CopyText(std::string_view source, char* out, size_t size) {
  if (size == 0) return 0;
  size_t n = source.size() <= size - 1 ? source.size() : WholeCharacters(source.data(), size - 1);
  std::memmove(out, source.data(), n);
  out[n] = '\0';
  return n;
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
