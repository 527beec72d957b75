#include <windows.h>

#include "platform/text_encoding.h"

namespace platform {
namespace {

bool ToWide(UINT codePage, std::string_view text, std::wstring* out) {
  out->clear();
  if (text.empty()) return true;
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out->data(),
                             n) == n;
}

bool FromWide(UINT codePage, std::wstring_view text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  // The UTF-8 code page takes no default character; CP932 reports a character it cannot hold.
  DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultPtr = codePage == CP_UTF8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                              usedDefaultPtr);
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out->data(), n, nullptr,
                      usedDefaultPtr);
  return !usedDefault;
}

}  // namespace

bool Cp932ToWide(std::string_view text, std::wstring* out) { return ToWide(932, text, out); }
bool WideToCp932(std::wstring_view text, std::string* out) { return FromWide(932, text, out); }

bool Cp932ToUtf8(std::string_view text, std::string* out) {
  std::wstring wide;
  bool ok = ToWide(932, text, &wide);
  return FromWide(CP_UTF8, wide, out) && ok;
}

bool Utf8ToCp932(std::string_view text, std::string* out) {
  std::wstring wide;
  if (!ToWide(CP_UTF8, text, &wide)) {
    out->clear();
    return false;
  }
  return FromWide(932, wide, out);
}

}  // namespace platform
