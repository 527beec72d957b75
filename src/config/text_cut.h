// Bounded copies of code page 932 text into fixed fields. A field never ends in the first half of
// a double-byte character: a cut falls before such a character, never inside it.
#pragma once

#include <cstddef>

// Ends the text of `length` bytes at `text` after at most `size` - 1 bytes and writes the
// terminating NUL. Text that fits is kept whole; a cut falls at a character boundary. The buffer holds `size` bytes (`size` > 0).
// Returns the resulting length.
size_t CutAtCharacter(char* text, size_t length, size_t size);

// Copies `length` bytes of `source` into `out` (a field of `size` bytes), cut as CutAtCharacter
// cuts. Returns the number of bytes copied; `size` 0 writes nothing and returns 0.
size_t CopyText(const char* source, size_t length, char* out, size_t size);
