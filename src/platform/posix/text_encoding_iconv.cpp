#include <iconv.h>

#include <cerrno>

#include "platform/text_encoding.h"

namespace platform {
namespace {

// Converts with iconv; false on an invalid or unconvertible sequence.
bool Convert(const char* to, const char* from, std::string_view text, std::string* out) {
  out->clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  bool ok = true;
  char buffer[1024];
  while (inLeft > 0) {
    char* dst = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    out->append(buffer, sizeof buffer - outLeft);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

bool Cp932ToUtf8(std::string_view text, std::string* out) { return Convert("UTF-8", "CP932", text, out); }
bool Utf8ToCp932(std::string_view text, std::string* out) { return Convert("CP932", "UTF-8", text, out); }

}  // namespace platform
