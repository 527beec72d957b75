// The program-information dialog "PROGRAMINFODIALOG": six labelled rows about the program and
// its executable, painted on the window colour, opened modally from the main window's menu.
#pragma once

#include <cstddef>

#include <windows.h>

namespace ui {

// The last-write time of `path` (nullptr: the running executable) in local time as
// "yyyy/mm/dd hh:mm:ss" into `out`. Returns 0; -1 when the file cannot be opened, with the build
// date of the version record at 00:00:00 in `out`.
int GetExecutableTime(const char* path, char* out, size_t size);

// Size of the dialog's text: at most 1023 bytes.
inline constexpr size_t kProgramInfoSize = 1024;

// The six rows (maker, program, version with build number, build date, rights notice, blog),
// each label right-aligned in 12 columns, into `out` (a field of `size` bytes, cut at a character
// boundary). Returns the length stored.
int BuildProgramInfo(char* out, size_t size);

// The build number shown after the version: month x 100 + day + year of the build date (2545).
int BuildNumber();

// The dialog procedure: small icon 102, painted text in the TEXT colour on the WINDOW colour;
// closes on its 閉じる button, on command 40062, on a key press and on a close request (the
// result is 16 in every case).
INT_PTR CALLBACK ProgramInfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the dialog modally, owned by `owner`. Returns the dialog's result (16), or -1 when it
// could not be created.
INT_PTR ShowProgramInfo(HWND owner);

}  // namespace ui
