// Reader of sectioned key=value text files: the settings file and the batch parameter file.
//
// File format, as the system's own profile reader reads it:
//   - lines end in "\r\n" or "\n"; leading blanks (spaces and tabs) of a line are ignored;
//   - a line beginning with ";" is a comment;
//   - a line beginning with "[" starts a section; its name runs to the last "]" of the line,
//     without surrounding blanks (a line without "]" starts a section no name can match);
//   - any other line is key=value: the key is the text before the first "=", the value the text
//     after it, both without surrounding blanks; one pair of double quotes around the whole value
//     is removed;
//   - section and key names match without regard to ASCII letter case (the second byte of a
//     double-byte character is compared exactly); only the first section of a name is searched,
//     and in it the first line of the key counts;
//   - a file beginning with the UTF-8 byte-order mark is read as UTF-8 and its values are
//     converted to code page 932; a value that code page 932 cannot hold counts as no value.
// The file is streamed line by line at every call; nothing is cached, so an edit made while the
// program runs counts at the next read. A missing, unreadable, empty or binary file reads as a
// file without keys. Lines longer than kProfileLineSize - 1 bytes are read as their first
// kProfileLineSize - 1 bytes (the rest of such a line is skipped, never taken for a new line).
#pragma once

#include <cstddef>

inline constexpr size_t kProfileLineSize = 2048;

// Reads the value of `key` in `section` of the file at `path` into `out`, cut to `size` - 1 bytes
// without splitting a double-byte character, NUL-terminated.
// Returns the number of bytes written; 0 means "no value" (file, section or key missing, or
// nothing after the "="), and `out` then holds "". `size` 0 writes nothing and returns 0.
int ReadProfileText(const char* path, const char* section, const char* key, char* out, size_t size);

// Reads `key` in `section` as an integer: `fallback` when there is no value, otherwise the
// signed decimal number at the start of the value (LeadingInteger), 0 when it starts otherwise.
int ReadProfileInt(const char* path, const char* section, const char* key, int fallback);

// The standard integer conversion: skips leading white space, takes an optional sign and the
// decimal digits that follow; 0 when there are none. Digits beyond the range of a 32-bit integer
// wrap around as in the system's reader, they never trap.
int LeadingInteger(const char* text);

