// The edge between the program's CP932 text and the UTF-16 of the W APIs.
#pragma once

#include <cstddef>
#include <string>

#include <windows.h>

namespace ui {

// CP932 -> UTF-16. Text that is not valid CP932 converts as far as it goes.
std::wstring Wide(const char* text);

// UTF-16 -> CP932, character by character: a character CP932 cannot hold becomes "?".
std::string NarrowLossy(const wchar_t* text);

// Text of window `window` as CP932 into `out`, cut to at most `size` - 1 bytes without splitting
// a double-byte character. A character CP932 cannot hold becomes "?". Returns the length stored.
int WindowTextCp932(HWND window, char* out, size_t size);

// Sets the text of window `window` from CP932 text.
void SetWindowTextCp932(HWND window, const char* text);

}  // namespace ui
