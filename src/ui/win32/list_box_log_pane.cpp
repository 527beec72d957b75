#include "ui/win32/list_box_log_pane.h"

#include <cstring>
#include <string>

#include "platform/text_encoding.h"
#include "text/text_cut.h"
#include "ui/win32/wide_text.h"

namespace ui {

void ListBoxLogPane::Append(const char* line) {
  SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
}

int ListBoxLogPane::Count() const {
  LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

int ListBoxLogPane::LineText(int index, char* out, size_t size) const {
  if (size > 0) out[0] = '\0';
  LRESULT length = SendMessageW(listBox_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (index < 0 || length == LB_ERR) return -1;
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(listBox_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
  wide.resize(static_cast<size_t>(length));
  std::string narrow;
  platform::WideToCp932(wide, &narrow);
  if (size == 0) return static_cast<int>(narrow.size());
  // Cut at a character boundary: the copy never ends in half a character.
  return static_cast<int>(CopyText(narrow, out, size));
}

void ListBoxLogPane::Select(int index) { SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ListBoxLogPane::FitWidth(const char* text, int length) {
  // The longest length so far may stand for a line longer than the one in hand: measure what is
  // there, never past its end.
  size_t available = std::strlen(text);
  size_t n = length < 0 ? 0 : static_cast<size_t>(length);
  if (n > available) n = available;
  std::wstring wide = Wide(std::string(text, n).c_str());
  SIZE extent{};
  HDC dc = GetDC(listBox_);
  HGDIOBJ previous = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(listBox_, dc);
  SendMessageW(listBox_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.cx + GetSystemMetrics(SM_CXVSCROLL)), 0);
}

void ListBoxLogPane::Clear() { SendMessageW(listBox_, LB_RESETCONTENT, 0, 0); }

}  // namespace ui
