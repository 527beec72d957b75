#include "config/profile.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "text/text_compare.h"
#include "text/text_cut.h"

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A name as it stands in the file against the name asked for (CP932). In a UTF-8 file a name
// with non-ASCII characters is converted first; one that cannot be converted matches nothing.
bool NameMatches(std::string_view inFile, const char* wanted, bool utf8) {
  if (!utf8 || IsAscii(inFile)) return EqualsIgnoringCase(inFile, wanted);
  std::string converted;
  if (!platform::Utf8ToCp932(inFile, &converted)) return false;
  return EqualsIgnoringCase(converted, wanted);
}

// Position of the last "]" of a section line. In CP932 the second byte of a double-byte
// character may have the value of "]", so characters are walked whole; UTF-8 has no such bytes.
size_t LastBracket(std::string_view line, bool utf8) {
  if (utf8) return line.rfind(']');
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (platform::IsLeadByte(c)) {
      ++i;
    } else if (c == ']') {
      found = i;
    }
  }
  return found;
}

// Streams a file line by line through a fixed buffer. A line end is "\n" with an optional "\r"
// before it. A line longer than the buffer keeps its first kProfileLineSize - 1 bytes; the rest
// is read and dropped up to its line end. A NUL byte ends the usable part of a line as well, so a
// binary file is read as short junk lines.
class LineReader {
 public:
  explicit LineReader(FILE* file) : file_(file) {}

  // False at the end of the file.
  bool Next(std::string_view* line) {
    size_t length = 0;
    bool kept = true;  // still storing bytes of this line
    int c = std::getc(file_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
      if (c == '\0') kept = false;
      if (kept && length < sizeof buffer_) buffer_[length++] = static_cast<char>(c);
      c = std::getc(file_);
    }
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    *line = std::string_view(buffer_, length);
    return true;
  }

 private:
  FILE* file_;
  char buffer_[kProfileLineSize - 1];
};

// Copies a found value into the caller's field; converts it first when the file is UTF-8.
int CopyValue(std::string_view value, bool utf8, char* out, size_t size) {
  if (value.empty()) return 0;
  if (utf8 && !IsAscii(value)) {
    std::string converted;
    if (!platform::Utf8ToCp932(value, &converted)) return 0;
    return static_cast<int>(CopyText(converted, out, size));
  }
  return static_cast<int>(CopyText(value, out, size));
}

}  // namespace

int ReadProfileText(const char* path, const char* section, const char* key, char* out, size_t size) {
  if (size == 0) return 0;
  out[0] = '\0';
  platform::FileHandle file(path, "rb");
  if (!file) return 0;

  LineReader reader(file.get());
  std::string_view line;
  bool first = true;
  bool utf8 = false;
  bool inSection = false;  // inside the first section named `section`
  while (reader.Next(&line)) {
    if (first) {
      first = false;
      if (line.starts_with(kUtf8Mark)) {
        utf8 = true;
        line.remove_prefix(kUtf8Mark.size());
      }
    }
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      // Only the first section of the name is searched: leaving it ends the search.
      if (inSection) return 0;
      size_t close = LastBracket(line, utf8);
      if (close == std::string_view::npos) continue;
      inSection = NameMatches(TrimBlanks(line.substr(1, close - 1)), section, utf8);
      continue;
    }
    if (!inSection) continue;

    size_t equals = line.find('=');
    if (!NameMatches(TrimBlanks(line.substr(0, equals)), key, utf8)) continue;
    // The first line of the key counts, even when it holds no value.
    if (equals == std::string_view::npos) return 0;
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return CopyValue(value, utf8, out, size);
  }
  return 0;
}

int ReadProfileInt(const char* path, const char* section, const char* key, int fallback) {
  char value[64];
  if (ReadProfileText(path, section, key, value, sizeof value) == 0) return fallback;
  return LeadingInteger(value);
}

int LeadingInteger(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') {
    negative = *p == '-';
    ++p;
  }
  // Unsigned arithmetic: an over-long number wraps around instead of overflowing.
  uint32_t value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10u + static_cast<uint32_t>(*p - '0');
    ++p;
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}
