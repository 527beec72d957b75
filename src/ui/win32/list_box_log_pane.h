// The run log's pane in the main window: a list box (id 1001) that shows every log line in the
// order written. Installed into platform::Current().logPane while the list box exists.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace ui {

class ListBoxLogPane : public platform::LogPane {
 public:
  // `listBox` is the pane's list box, `font` the font it shows its lines in (used to measure).
  ListBoxLogPane(HWND listBox, HFONT font) : listBox_(listBox), font_(font) {}

  void Append(const char* line) override;
  int Count() const override;
  int LineText(int index, char* out, size_t size) const override;
  void Select(int index) override;
  // Measures the first `length` bytes of `text` with GetTextExtentPoint32W in the pane's font,
  // adds the width of a vertical scroll bar and sets that as the horizontal scroll range.
  void FitWidth(const char* text, int length) override;
  void Clear() override;

  // The font the list box shows its lines in from now on (after a DPI change).
  void SetFont(HFONT font) { font_ = font; }

  HWND listBox() const { return listBox_; }

 private:
  HWND listBox_;
  HFONT font_;
};

}  // namespace ui
