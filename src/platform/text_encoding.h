// Conversions between the internal code page 932 and the encodings of the system's edges.
// Used only at the edges: file names handed to the system, console output, command-line
// arguments, window texts. NC text is never converted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// CP932 -> UTF-8. False when `text` is not valid CP932 (out then holds what could be converted).
bool Cp932ToUtf8(std::string_view text, std::string* out);
// UTF-8 -> CP932. False when `text` is not valid UTF-8 or holds a character CP932 cannot hold.
bool Utf8ToCp932(std::string_view text, std::string* out);

#ifdef _WIN32
bool Cp932ToWide(std::string_view text, std::wstring* out);
// False when a character cannot be held in CP932.
bool WideToCp932(std::wstring_view text, std::string* out);
#endif

// True when byte `c` is the lead byte of a double-byte CP932 character.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// True when byte `c` may follow a lead byte as the second byte of a double-byte character.
constexpr bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The largest length <= `limit` at which the `limit` or more bytes at `text` end on a whole
// character (never after the lead byte of a double-byte one). Characters are walked from the
// start: only then is it known whether a byte is the second half of one.
size_t WholeCharacters(const char* text, size_t limit);

// Copies `source` into `out` (a field of `size` bytes), cut to at most `size` - 1 bytes at a
// character boundary, and terminates it. `source` may overlap `out`. Returns the number of bytes
// copied; `size` 0 writes nothing and returns 0. The one way text is copied into a field, here
// and above (text/text_cut.h).
size_t CopyText(std::string_view source, char* out, size_t size);

}  // namespace platform
