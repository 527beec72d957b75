#include "ui/win32/display_scale.h"

namespace ui {
namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);

DpiForWindowFunction DpiForWindow() {
  static const DpiForWindowFunction function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC address = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    return reinterpret_cast<DpiForWindowFunction>(reinterpret_cast<void*>(address));
  }();
  return function;
}

int PixelsPerInch(HWND window) {
  HDC dc = GetDC(window);
  int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc != nullptr) ReleaseDC(window, dc);
  return dpi > 0 ? dpi : kLayoutDpi;
}

}  // namespace

int ScaleToDpi(int length, int dpi) { return MulDiv(length, dpi, kLayoutDpi); }

int WindowDpi(HWND window) {
  if (DpiForWindowFunction function = DpiForWindow()) {
    UINT dpi = function(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return PixelsPerInch(window);
}

int SystemDpi() { return PixelsPerInch(nullptr); }

HFONT FontForDpi(HFONT font, int dpi) {
  LOGFONTW logFont{};
  HGDIOBJ base = font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
  if (GetObjectW(base, sizeof logFont, &logFont) == 0) return nullptr;
  logFont.lfHeight = MulDiv(logFont.lfHeight, dpi, SystemDpi());
  logFont.lfWidth = 0;
  // The System font is a raster font, which GDI would only blow up pixel by pixel: let the mapper
  // take an outline font of the same character set instead.
  logFont.lfOutPrecision = OUT_TT_PRECIS;
  return CreateFontIndirectW(&logFont);
}

}  // namespace ui
