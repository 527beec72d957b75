#include "ui/win32/wide_text.h"

#include <cstring>

#include "platform/text_encoding.h"
#include "text/text_cut.h"

namespace ui {

std::wstring Wide(const char* text) {
  std::wstring wide;
  platform::Cp932ToWide(text != nullptr ? text : "", &wide);
  return wide;
}

std::string NarrowLossy(const wchar_t* text) {
  std::string narrow;
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    std::string one;
    if (!platform::WideToCp932(std::wstring_view(c, 1), &one)) one.assign(1, '?');
    narrow += one;
  }
  return narrow;
}

int WindowTextCp932(HWND window, char* out, size_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return 0;
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(window, wide.data(), length + 1)));
  std::string narrow = NarrowLossy(wide.c_str());
  return static_cast<int>(CopyText(narrow, out, size));
}

void SetWindowTextCp932(HWND window, const char* text) { SetWindowTextW(window, Wide(text).c_str()); }

}  // namespace ui
