#include <cstring>

#include "platform/text_encoding.h"

namespace platform {

size_t WholeCharacters(const char* text, size_t limit) {
  size_t end = 0;
  while (end < limit) {
    size_t width = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return end;
}

size_t CopyText(std::string_view source, char* out, size_t size) {
  if (size == 0) return 0;
  size_t n = source.size() <= size - 1 ? source.size() : WholeCharacters(source.data(), size - 1);
  std::memmove(out, source.data(), n);
  out[n] = '\0';
  return n;
}

}  // namespace platform
