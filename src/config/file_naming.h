// Names of the files derived from an NC program's path: the intermediate file, the header and
// footer files, the numbered pieces, and the bare name the run log shows.
//
// Paths are CP932 text. A lead byte of a double-byte character takes the byte after it with it,
// so a second byte with the value of "\" (as in many Japanese characters) never splits a path
// and a second byte is never taken for a full stop. Both "\" and "/" separate directories.
//
// Every function that writes a path gets the size of its field and fails with -1 (and "" in the
// field) when the whole result does not fit: a derived path is never cut, since a cut path
// would name some other file.
#pragma once

#include <cstddef>
#include <string_view>

enum NamingResult {
  kNamingOk = 0,
  kNamingTooLong = -1,  // the result does not fit in the field
};

// The four parts of a path; each views the path given to SplitPathParts.
struct PathParts {
  std::string_view drive;      // "C:" when the second character is ":", else empty
  std::string_view directory;  // after the drive, up to and including the last separator
  std::string_view baseName;   // the rest up to the last "." after the directory
  std::string_view extension;  // from that "." (included) to the end, else empty
};

// Splits `path`. The parts together are the whole path, in order. Returns kNamingOk.
int SplitPathParts(std::string_view path, PathParts* parts);

// A path next to the NC program. When `suffix` holds a ".", it replaces the extension
// (PART.NC + "_ascii.txt" = PART_ascii.txt); otherwise it goes before the extension
// (PART.NC + "_header" = PART_header.NC).
int SuffixPath(const char* ncPath, const char* suffix, char* out, size_t size);

// The path of piece `piece`: base name + "_" + the number with at least three digits + the
// extension (PART_001.NC, ..., PART_1000.NC).
int PiecePath(const char* ncPath, int piece, char* out, size_t size);

// Replaces `path` (a field of `size` bytes) by its base name and extension, dropping drive and
// directory. Returns kNamingOk (the result is never longer than the path).
int BareFileName(char* path, size_t size);

// True when `a` and `b` name the same file on a system that ignores the case of ASCII letters in
// names: letters are compared without regard to case, double-byte characters byte for byte (their
// second byte is no letter).
bool SamePath(const char* a, const char* b);

// True when `path` is the name of some piece of `ncPath` (<base>_<number><ext>, number 1 or more,
// compared as SamePath does).
bool IsPiecePath(const char* ncPath, const char* path);
