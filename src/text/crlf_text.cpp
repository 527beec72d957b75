#include "text/crlf_text.h"

#include "platform/platform.h"

int WriteCrlfLine(FILE* file, std::string_view line) {
  if (!platform::WriteBytes(file, line.data(), line.size())) return -1;
  return platform::WriteBytes(file, "\r\n", 2) ? 0 : -1;
}

int WriteCrlfText(FILE* file, std::string_view text) {
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    if (WriteCrlfLine(file, text.substr(0, end)) != 0) return -1;
    text.remove_prefix(end + 1);
  }
  return platform::WriteBytes(file, text.data(), text.size()) ? 0 : -1;
}
