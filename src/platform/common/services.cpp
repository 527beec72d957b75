#include "platform/platform.h"

namespace platform {

// Defined by the platform's own implementation file (posix or win32).
const Services& Real();

Services& Current() {
  static Services current = Real();
  return current;
}

}  // namespace platform
