#include "text/crlf_text.h"

#include <cstring>

#include "platform/platform.h"

int WriteCrlfLine(FILE* file, std::string_view line) {
  if (!platform::WriteBytes(file, line.data(), line.size())) return -1;
  return platform::WriteBytes(file, "\r\n", 2) ? 0 : -1;
}

int WriteCrlfText(FILE* file, std::string_view text) {
  // The converted text is gathered here and goes out in one call for a usual line, so the
  // per-line cost is one copy and one write. A piece longer than the buffer goes straight through.
  char buffer[1024];
  size_t used = 0;
  auto flush = [&] {
    const bool written = used == 0 || platform::WriteBytes(file, buffer, used);
    used = 0;
    return written;
  };
  size_t start = 0;
  while (start < text.size()) {
    const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
    const size_t stop =
        found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : text.size();
    size_t length = stop - start;
    if (used + length + 2 > sizeof buffer) {
      if (!flush()) return -1;
      if (length + 2 > sizeof buffer) {
        if (!platform::WriteBytes(file, text.data() + start, length)) return -1;
        start = stop;
        length = 0;
      }
    }
    std::memcpy(buffer + used, text.data() + start, length);
    used += length;
    if (found == nullptr) break;
    buffer[used++] = '\r';
    buffer[used++] = '\n';
    start = stop + 1;
  }
  return flush() ? 0 : -1;
}
