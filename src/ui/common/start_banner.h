// The start banner: nine lines at the top of every run log naming the program, its version, the
// rights notice, the date and time, and the computer, its address and the user. The last three
// can be masked for screenshots and shared logs.
#pragma once

#include <cstddef>

#include "platform/platform.h"

// Size of the host-name and user-name fields (at most 127 bytes of name).
inline constexpr size_t kNameField = 128;
// Size of a dotted IPv4 address field ("255.255.255.255" and the terminator).
inline constexpr size_t kAddressField = 16;

// Writes the nine banner lines to the run log at level 0 (no box): the application line and the
// product line (texts padded to 50 bytes of code page 932, so a full-width character counts two
// columns), the rights notice, a rule of 69 hyphens, the local date and time, the host name, the
// address and the user name (each after MaskText), and the rule again. `owner` is passed to the
// log. Reads gNoticeLine, the local clock, the machine's names and the environment. Returns 0.
int WriteStartBanner(platform::WindowHandle owner);

// True when the environment variable Dorventhal is set and its value read as a decimal integer
// (leading blanks, sign, digits; no digits read as 0) is 1: "1" and "01x" mask, "2", "0", "" and
// an unset variable do not.
bool MaskingEnabled();

// When masking is on, replaces every byte of `text` other than "." and "-" by "*" (so a
// double-byte character becomes two asterisks and the length stays the same); otherwise leaves
// it alone. Returns the length of `text`.
int MaskText(char* text);

// The first IPv4 address of the local host name in dotted form into `out` (a field of at least
// kAddressField bytes). Returns 0; -1 with "0.0.0.0" when the name does not resolve. When the
// sockets library cannot be started, also shows the error box "SAStartup関数失敗" titled
// "Get IP Address" (no owner) before returning -1.
int GetNetworkAddress(char* out, size_t size);
