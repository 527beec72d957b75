// The console's log pane: every appended line is printed at once on standard output, converted
// from code page 932 to UTF-8 and ended with "\n", and is kept as well (the base pane), so the
// run log can still be counted and read back.
#pragma once

#include <cstdio>

#include "platform/memory_log_pane.h"

class ConsoleLogPane : public platform::MemoryLogPane {
 public:
  explicit ConsoleLogPane(FILE* out) : out_(out) {}
  void Append(const char* line) override;

 private:
  FILE* out_;
};
