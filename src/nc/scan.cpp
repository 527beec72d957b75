#include "nc/scan.h"

#include <cstring>
#include <string_view>

#include "nc/number_text.h"
#include "platform/text_encoding.h"

namespace {

int FindLetterWord(const char* line, const char* letter) {
  int at = FindText(line, letter);
  if (at < 0) return -1;
  int value = 0;
  ReadWordInteger(line + at, &value);
  return value;
}

// The probes that report "none" and the number 0 alike as -1.
int NonZeroWord(const char* line, const char* letter) {
  int value = FindLetterWord(line, letter);
  return value == 0 ? -1 : value;
}

}  // namespace

int CharacterWidth(const char* p) {
  auto lead = static_cast<unsigned char>(p[0]);
  if (platform::IsLeadByte(lead) && platform::IsTrailByte(static_cast<unsigned char>(p[1]))) return 2;
  return 1;
}

int FindText(const char* text, const char* token) {
  if (token[0] == '\0') return 0;
  // The library's byte search finds candidates quickly; a candidate counts only when the walk
  // from a known boundary lands on it. Tokens are ASCII, so a match that starts at a boundary
  // never ends inside a character.
  const char* boundary = text;
  for (;;) {
    const char* hit = std::strstr(boundary, token);
    if (hit == nullptr) return -1;
    const char* p = boundary;
    while (p < hit) p += CharacterWidth(p);
    if (p == hit) return static_cast<int>(hit - text);
    boundary = p;  // the hit was the second byte of a character: go on after it
  }
}

void CutComment(char* line) {
  int at = FindText(line, "(");
  if (at < 0) return;
  for (char* p = line + at; *p != '\0'; ++p) *p = '\0';
}

void ReadWordValue(const char* text, double* value, int* hasPoint) {
  size_t length = NcRealRunLength(text + 1);
  std::string_view run(text + 1, length);
  *hasPoint = run.find('.') != std::string_view::npos ? 1 : 0;
  double v = ParseNcReal(run);
  // A number without a decimal point counts thousandths of a millimetre.
  *value = *hasPoint ? v : v / 1000.0;
}

int ReadWordInteger(const char* text, int* value) {
  *value = ParseNcInteger(std::string_view(text + 1, NcIntegerRunLength(text + 1)));
  return *value;
}

double ReadWordReal(const char* text) {
  return ParseNcReal(std::string_view(text + 1, NcRealRunLength(text + 1)));
}

int FindMotionWord(const char* line) {
  int lowest = -1;
  for (const char* p = line; *p != '\0'; p += CharacterWidth(p)) {
    if (p[0] != 'G' || p[1] < '0' || p[1] > '9') continue;
    int code = 0;
    ReadWordInteger(p, &code);
    if (code >= 0 && code <= 3 && (lowest < 0 || code < lowest)) lowest = code;
  }
  return lowest;
}

int CopyWordNumber(const char* text, std::span<char> out) {
  if (out.empty()) return 0;
  size_t length = NcRealRunLength(text + 1);
  if (length > out.size() - 1) length = out.size() - 1;
  for (size_t i = 0; i < length; ++i) out[i] = text[1 + i];
  out[length] = '\0';
  return static_cast<int>(length) + 1;
}

int CopyTail(const char* source, int first, int last, std::span<char> out) {
  if (out.empty()) return 0;
  size_t copied = 0;
  for (int i = first; i <= last && copied + 1 < out.size(); ++i) {
    out[copied++] = source[i];
    if (source[i] == '\0') return static_cast<int>(copied);
  }
  out[copied] = '\0';
  return static_cast<int>(copied);
}

int FindMCode(const char* line) { return NonZeroWord(line, "M"); }

int FindProgramNumber(const char* line) {
  if (FindText(line, "O") != 0) return -1;
  return NonZeroWord(line, "O");
}

int FindSpindleSpeed(const char* line) { return NonZeroWord(line, "S"); }

int FindSpindleDirection(const char* line) {
  if (FindText(line, "M03") >= 0) return 3;
  if (FindText(line, "M04") >= 0) return 4;
  int m = FindMCode(line);
  return m == 3 || m == 4 ? m : -1;
}

int FindCoolant(const char* line) {
  if (FindText(line, "M08") >= 0 || FindMCode(line) == 8) return 8;
  return -1;
}
