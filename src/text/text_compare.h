// Comparison of code page 932 texts without regard to ASCII letter case: the one rule for
// command-line words, settings names and paths.
#pragma once

#include <string_view>

// True when `a` and `b` hold the same characters, taking "a".."z" for "A".."Z". Every other byte
// matches only itself, and the second byte of a double-byte character is compared exactly: it
// may have the value of a letter (0x83 0x41 and 0x83 0x61 are two different characters). Texts
// of different lengths never match.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
