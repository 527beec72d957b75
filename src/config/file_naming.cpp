#include "config/file_naming.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/text_encoding.h"
#include "text/text_compare.h"

namespace {

// Writes the parts after one another into `out`; kNamingTooLong (and "") when they do not
// fit whole. Parts are copied, not formatted, so bytes such as "%" in a path stay as they are.
int JoinParts(std::initializer_list<std::string_view> parts, char* out, size_t size) {
  if (size == 0) return kNamingTooLong;
  size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  if (total > size - 1) {
    out[0] = '\0';
    return kNamingTooLong;
  }
  // The parts may view `out` itself (BareFileName): memmove, and only towards the front.
  size_t at = 0;
  for (std::string_view part : parts) {
    std::memmove(out + at, part.data(), part.size());
    at += part.size();
  }
  out[at] = '\0';
  return kNamingOk;
}

}  // namespace

int SplitPathParts(std::string_view path, PathParts* parts) {
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':' && !platform::IsLeadByte(static_cast<unsigned char>(path[0]))) {
    start = 2;
  }
  // One pass over whole characters: the positions after the last separator and of the last
  // full stop, neither of which may be the second byte of a double-byte character.
  size_t nameStart = start;
  size_t lastDot = std::string_view::npos;
  for (size_t i = start; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(c)) {
      ++i;
    } else if (c == '\\' || c == '/') {
      nameStart = i + 1;
      lastDot = std::string_view::npos;  // a "." before the last separator is not an extension
    } else if (c == '.') {
      lastDot = i;
    }
  }
  size_t extensionStart = lastDot != std::string_view::npos ? lastDot : path.size();
  parts->drive = path.substr(0, start);
  parts->directory = path.substr(start, nameStart - start);
  parts->baseName = path.substr(nameStart, extensionStart - nameStart);
  parts->extension = path.substr(extensionStart);
  return kNamingOk;
}

int SuffixPath(const char* ncPath, const char* suffix, char* out, size_t size) {
  PathParts parts;
  SplitPathParts(ncPath, &parts);
  if (std::strchr(suffix, '.') != nullptr) {
    return JoinParts({parts.drive, parts.directory, parts.baseName, suffix}, out, size);
  }
  return JoinParts({parts.drive, parts.directory, parts.baseName, suffix, parts.extension}, out, size);
}

int PiecePath(const char* ncPath, int piece, char* out, size_t size) {
  char number[16];
  int length = std::snprintf(number, sizeof number, "_%03d", piece);
  PathParts parts;
  SplitPathParts(ncPath, &parts);
  return JoinParts({parts.drive, parts.directory, parts.baseName, std::string_view(number, static_cast<size_t>(length)), parts.extension},
                   out, size);
}

int BareFileName(char* path, size_t size) {
  PathParts parts;
  SplitPathParts(std::string_view(path, strnlen(path, size)), &parts);
  return JoinParts({parts.baseName, parts.extension}, path, size);
}

bool SamePath(const char* a, const char* b) { return EqualsIgnoringCase(a, b); }

bool IsPiecePath(const char* ncPath, const char* path) {
  PathParts parts;
  SplitPathParts(ncPath, &parts);
  const size_t prefix = parts.drive.size() + parts.directory.size() + parts.baseName.size();
  const size_t length = std::strlen(path);
  if (length < prefix + 4 + parts.extension.size() || path[prefix] != '_') return false;
  size_t digits = 0;
  int number = 0;
  while (prefix + 1 + digits < length && path[prefix + 1 + digits] >= '0' &&
         path[prefix + 1 + digits] <= '9' && digits < 9) {
    number = number * 10 + (path[prefix + 1 + digits] - '0');
    ++digits;
  }
  if (number < 1) return false;
  char piece[512];
  if (PiecePath(ncPath, number, piece, sizeof piece) != kNamingOk) return false;
  return SamePath(piece, path);
}
