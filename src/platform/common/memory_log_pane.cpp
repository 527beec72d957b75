#include "platform/memory_log_pane.h"

#include <cstring>

namespace platform {

int MemoryLogPane::LineText(int index, char* out, size_t size) const {
  if (index < 0 || index >= Count() || size == 0) return -1;
  const std::string& line = lines_[static_cast<size_t>(index)];
  size_t n = line.size() < size - 1 ? line.size() : size - 1;
  std::memcpy(out, line.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}

void MemoryLogPane::FitWidth(const char* text, int length) {
  (void)text;
  ++fitCalls_;
  fittedLength_ = length;
}

}  // namespace platform
