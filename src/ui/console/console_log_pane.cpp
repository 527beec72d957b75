#include "ui/console/console_log_pane.h"

#include <string>

#include "platform/text_encoding.h"

void ConsoleLogPane::Append(const char* line) {
  MemoryLogPane::Append(line);
  // A byte that is not code page 932 (an NC file name from another system, say) ends what can
  // be converted; the rest of the line is dropped rather than printed as invalid UTF-8.
  std::string utf8;
  platform::Cp932ToUtf8(line, &utf8);
  std::fwrite(utf8.data(), 1, utf8.size(), out_);
  std::fputc('\n', out_);
  // Flushed per line, so that standard output and the message texts on standard error keep
  // their order when both go to one terminal or file.
  std::fflush(out_);
}
