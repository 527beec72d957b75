#include "config/settings.h"
#include "config/version.h"
#include "platform/platform.h"
#include "text/text_cut.h"
#include "ui/common/front_end_messages.h"

#include "ui/win32/program_info.h"

#include <cstdio>

#include "../res/resource.h"
#include "ui/win32/display_scale.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window_texts.h"

namespace ui {
namespace {

constexpr INT_PTR kDialogResult = 16;

HBRUSH WindowBrush() {
  // One brush for the dialog's lifetime of the process; the colour is read once at start-up.
  static HBRUSH brush = CreateSolidBrush(ColourValue(gWindowColour));
  return brush;
}

void PaintInfo(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  RECT area;
  GetClientRect(dialog, &area);
  int dpi = WindowDpi(dialog);
  area.left = ScaleToDpi(5, dpi);
  area.top = ScaleToDpi(15, dpi);
  LOGFONTW logFont{};
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  HFONT font = nullptr;
  if (dialogFont != nullptr && GetObjectW(dialogFont, sizeof logFont, &logFont) != 0) font = CreateFontIndirectW(&logFont);
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourValue(gTextColour));
  char info[kProgramInfoSize];
  BuildProgramInfo(info, sizeof info);
  std::wstring text = Wide(info);
  DrawTextW(dc, text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_END_ELLIPSIS | DT_EXPANDTABS);
  if (previous != nullptr) SelectObject(dc, previous);
  if (font != nullptr) DeleteObject(font);
  EndPaint(dialog, &paint);
}

}  // namespace

int GetExecutableTime(const char* path, char* out, size_t size) {
  platform::LocalTime time{};
  if (platform::Current().fileTime(path, &time) != 0) {
    std::snprintf(out, size, kBuildDateFallbackFormat, version::kBuildYear, version::kBuildMonth, version::kBuildDay);
    return -1;
  }
  std::snprintf(out, size, kExecutableTimeFormat, time.year, time.month, time.day, time.hour, time.minute,
                time.second);
  return 0;
}

int BuildNumber() { return version::kBuildMonth * 100 + version::kBuildDay + version::kBuildYear; }

int BuildProgramInfo(char* out, size_t size) {
  char built[32];
  GetExecutableTime(nullptr, built, sizeof built);
  return static_cast<int>(FormatText(out, size, kInfoFormat, kInfoMakerLabel, version::kMakerName, kInfoProgramLabel,
                                     version::kProductName, kInfoVersionLabel, version::kYear, version::kMajor,
                                     version::kMinor, BuildNumber(), kInfoBuildLabel, built, kInfoNoticeLabel,
                                     gNoticeLine, kInfoBlogLabel, kBlogAddress));
}

INT_PTR CALLBACK ProgramInfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
      HICON icon = static_cast<HICON>(
          LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM_INFO), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
      SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      return TRUE;
    }
    case WM_PAINT:
      PaintInfo(dialog);
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(WindowBrush());
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wParam), ColourValue(gTextColour));
      return reinterpret_cast<INT_PTR>(WindowBrush());
    case WM_COMMAND:
      // The 閉じる button closes the dialog, as its caption says.
      if (LOWORD(wParam) == IDM_INFO_CLOSE || LOWORD(wParam) == IDC_INFO_CLOSE || LOWORD(wParam) == IDCANCEL) {
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        return TRUE;
      }
      return FALSE;
    case WM_KEYDOWN:
      SendMessageW(dialog, WM_CLOSE, 0, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, kDialogResult);
      return TRUE;
    default:
      (void)lParam;
      return FALSE;
  }
}

INT_PTR ShowProgramInfo(HWND owner) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  return DialogBoxParamW(instance, L"PROGRAMINFODIALOG", owner, ProgramInfoDialogProc, 0);
}

}  // namespace ui
