#include "config/text_cut.h"

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

size_t CopyText(const char* source, size_t length, char* out, size_t size) {
  if (size == 0) return 0;
  size_t n = length <= size - 1 ? length : WholeCharacters(source, size - 1);
  std::memmove(out, source, n);
  out[n] = '\0';
  return n;
}
