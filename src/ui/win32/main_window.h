// The main window of the Windows program: window class "Quendrix", the input fields of one split
// job with their captions and buttons, the log pane, the status bar with the clock, the menus,
// dropped files, and the runs handed over by a second start of the program.
//
// MainWindowProc only dispatches; each message has one handler in main_window.cpp.
#pragma once

#include <cstddef>

#include <windows.h>

#include "platform/platform.h"

namespace ui {

// Posted to the main window to run the arguments another start handed over (WM_COPYDATA).
inline constexpr UINT kMsgHandedRun = WM_APP + 1;
// WM_COPYDATA tag of a handed-over run; the payload is the arguments, each NUL-terminated CP932.
inline constexpr ULONG_PTR kHandOverTag = 0x51585255;  // "QXRU"

// Outer size at creation and the smallest outer size the window keeps, at 96 DPI. Like every
// length of the layout (the controls' places and sizes, the log pane's top and its 16-pixel font,
// the painted rights notice) they are scaled to the DPI of the window's monitor, and again when
// WM_DPICHANGED reports another one.
// The upper band holds a row more than the six fields need (the seam policy and the size limit
// below the split time and distance), so the window is that much taller than the band of six
// alone, and the log pane keeps its height.
inline constexpr int kWindowWidth = 750;
inline constexpr int kWindowHeight = 550;
inline constexpr int kMinimumWidth = 700;
inline constexpr int kMinimumHeight = 400;

// Registers the window class "Quendrix" (icon 101, arrow cursor, WINDOW colour background, menu
// "PROGMENU", redrawn whole on every size change) and the common controls. Reads gWindowColour,
// so StartSettings must have run. Returns nonzero when the class was registered.
ATOM RegisterMainClass(HINSTANCE instance);

// Creates the main window, its outer size scaled to the system DPI, with the start arguments (CP932, `arguments[0]` the program path;
// `count` 1 or less: none). While it is being created the window makes its controls and log
// pane, shows itself, writes the start banner and runs the command-line or batch run of the
// arguments. Then shows it with `showState`. Returns the window, or nullptr when creation failed.
HWND CreateMainWindow(HINSTANCE instance, int showState, int count, const char* const* arguments);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The three right edges of the status bar's parts for an outer window width in pixels: 30 %, 75 %
// and all of it, the products truncated toward zero (750 -> 225, 562, 750). The width is already
// the scaled one, so the parts scale with it.
void StatusPartEdges(int outerWidth, int edges[3]);

// The clock text of the status bar for `time` (CP932), e.g. " 2021年 5月24日 (月) 9時05分07秒",
// into `out` (`size` bytes, terminated; milliseconds are not shown). Returns snprintf's count.
int FormatClock(const platform::LocalTime& time, char* out, size_t size);

// A second start found `running`, the main window of the program already running: restores it,
// brings it to the foreground and, when the start has arguments (count 2 or more), hands them
// over to it to run. Returns the second start's exit code: 0 when the window took the run (or
// there was none to hand over); 1 after an error box when the running window is busy with a run
// of its own or does not answer, so that no run is dropped without the user knowing.
int HandOverToRunningWindow(HWND running, int count, const char* const* arguments);

}  // namespace ui
