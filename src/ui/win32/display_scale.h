// The display's scale: every length of the window layout is given for 96 DPI (a scale of 100 %)
// and drawn at the DPI of the monitor the window is on.
#pragma once

#include <windows.h>

namespace ui {

// The DPI the layout's lengths are given for.
inline constexpr int kLayoutDpi = 96;

// `length` pixels at 96 DPI as pixels at `dpi`, rounded to the nearest (halves away from zero).
// At 96 DPI every length is returned unchanged.
int ScaleToDpi(int length, int dpi);

// The DPI of the monitor `window` is on: GetDpiForWindow where user32 has it (Windows 10 from
// version 1607; looked up at run time, so the program still starts on Windows 7), else the
// vertical pixels per inch of the window's device context, which is the system DPI. Never 0.
int WindowDpi(HWND window);

// The system DPI: the DPI of the primary monitor when the user signed in. Windows makes the
// stock fonts (the System font the buttons and fields use) for it. Never 0.
int SystemDpi();

// A font like `font` (nullptr: the stock System font) with its height scaled from the system DPI
// to `dpi`, the width left to the font mapper, and an outline font preferred over a raster one.
// The caller owns it; nullptr when it cannot be made.
HFONT FontForDpi(HFONT font, int dpi);

}  // namespace ui
