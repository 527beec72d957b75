// The picture window of the Windows program: the picture of the last split that wrote its pieces
// (LastSplitPicture), drawn with GDI from the collected picture itself, the same views, colours,
// seams and legend as the SVG file. The window is owned by the main window (it closes with it),
// can be sized freely, and draws the picture fitted to its client area at every size.
//
// PictureWindowProc only dispatches; each message has one handler in picture_window.cpp.
#pragma once

#include <windows.h>

#include "picture/split_picture.h"

namespace ui {

inline constexpr wchar_t kPictureClassName[] = L"QuendrixSplitPicture";

// Outer size at creation and the smallest outer size, at 96 DPI.
inline constexpr int kPictureWidth = 1000;
inline constexpr int kPictureHeight = 720;
inline constexpr int kPictureMinimumWidth = 480;
inline constexpr int kPictureMinimumHeight = 360;

// Command IDM_SPLIT_PICTURE: opens the picture window owned by `owner`, or brings the open one to
// the front and draws it again. Before any split wrote its pieces: the error line "no picture"
// (with its box) and no window. Returns the window, or nullptr.
HWND ShowSplitPicture(HWND owner);

// Draws the open picture window again with the last split's picture and names it in the title
// (after every run of the main window). Nothing when none is open.
void RefreshSplitPicture();

// Where the views go in the picture window `window` at its present client size.
PictureLayout PictureWindowLayout(HWND window);

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui
