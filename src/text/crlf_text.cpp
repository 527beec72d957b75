#include "text/crlf_text.h"

int WriteCrlfLine(FILE* file, std::string_view line) {
  if (!line.empty() && std::fwrite(line.data(), 1, line.size(), file) != line.size()) return -1;
  return std::fwrite("\r\n", 1, 2, file) == 2 ? 0 : -1;
}

int WriteCrlfText(FILE* file, std::string_view text) {
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    if (WriteCrlfLine(file, text.substr(0, end)) != 0) return -1;
    text.remove_prefix(end + 1);
  }
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) return -1;
  return 0;
}
