// Bounded writes of code page 932 text into fixed fields. A field never ends in the first half of
// a double-byte character: a cut falls before such a character, never inside it. These are the
// only ways the program copies or formats text into a field of a given size.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

#include "platform/text_encoding.h"

// Ends the text of `length` bytes at `text` after at most `size` - 1 bytes and writes the
// terminating NUL. Text that fits is kept whole; a cut falls at a character boundary. The buffer
// holds `size` bytes (`size` > 0). Returns the resulting length.
size_t CutAtCharacter(char* text, size_t length, size_t size);

// Copies `source` into `out` (a field of `size` bytes), cut as CutAtCharacter cuts. `source` may
// overlap `out`. Returns the number of bytes copied; `size` 0 writes nothing and returns 0. It lives
// with the code page's characters in the platform layer, whose services copy through it too.
using platform::CopyText;

// Turns the result `printed` of a snprintf into the field `out` of `size` bytes into the length
// stored: a text that did not fit is cut as CutAtCharacter cuts; a negative result (a format
// error) leaves "". Returns 0 for `size` 0.
size_t StoredLength(int printed, char* out, size_t size);

// Formats into `out` (a field of `size` bytes) by printf rules, cut as CutAtCharacter cuts.
// Never pass a double: numbers come as texts from the NC formatter. Returns the length stored.
size_t FormatText(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
size_t FormatTextV(char* out, size_t size, const char* format, va_list args) __attribute__((format(printf, 3, 0)));
