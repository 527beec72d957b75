#include "header_footer/wait.h"

#include <cstdint>

#include "platform/platform.h"

namespace {
constexpr uint32_t kSecond = 1000;
}  // namespace

int WaitSeconds(int count) {
  if (!platform::Current().fixedWaits) return 0;
  uint32_t mark = platform::TickCount();
  for (int counted = 0; counted < count;) {
    // Unsigned difference: correct across the wrap-around of the tick counter.
    uint32_t now = platform::TickCount();
    uint32_t elapsed = now - mark;
    if (elapsed >= kSecond) {
      ++counted;
      mark = now;
      continue;
    }
    platform::Sleep(kSecond - elapsed);
  }
  return 0;
}
