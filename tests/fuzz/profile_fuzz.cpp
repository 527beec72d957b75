// Fuzz target for the settings-file reader (config/profile.h), which reads both the settings
// file and the batch parameter file: arbitrary bytes are the file, and every section and key the
// program asks for is looked up in it, plus names that test the letter-case and double-byte
// rules, into fields of every size the program uses and the smallest ones.
// Checks besides memory safety: the length returned is the length stored and fits the field; a
// value cut to a field is a prefix of the whole value that ends on a character boundary and
// loses at most the one double-byte character that did not fit.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/profile.h"
#include "fuzz_support.h"
#include "platform/text_encoding.h"

namespace {

struct Name {
  const char* section;
  const char* key;
};

// The names of the settings file and the parameter file, and a few that only a careless
// comparison would match ("ア" is 0x83 0x41, "ヂ" 0x83 0x61: they differ only in a byte that looks
// like a letter of another case).
constexpr Name kNames[] = {
    {"FILES", "NCFILE"},        {"FILES", "LOGFILE"},       {"FORMAT", "DECIMAL"},
    {"FORMAT", "COMMENT"},      {"COMMAND", "DEBUG"},       {"COMMAND", "MODE"},
    {"COMMAND", "DELETE"},      {"COMMAND", "PRINT"},       {"COMMAND", "OVERWRITE"},
    {"COLOR", "WINDOW"},        {"COLOR", "TEXT"},          {"PAVLOK", "NCVIEWER"},
    {"PAVLOK", "EDITOR"},       {"PAVLOK", "NCHEADER"},     {"PAVLOK", "NCFOOTER"},
    {"QUENDRA", "APPROACH"},    {"QUENDRA", "LIFT"},        {"QUENDRA", "AFEED"},
    {"QUENDRA", "LFEED"},       {"QUENDRA", "ASCIIFILE"},   {"Quendrix", "HELPFILE"},
    {"MESSAGE", "TIME090"},     {"MESSAGE", "TIME173"},     {"Quendrix", "PARAMETER1"},
    {"Quendrix", "NCFILE1"},    {"Quendrix", "PARAMETER2"}, {"Quendrix", "TIME"},
    {"Quendrix", "PARAMETER7"}, {"Quendrix", "BATCH"},      {"quendrix", "parameter3"},
    {"\x83\x41", "\x83\x41"},   {"\x83\x61", "\x83\x61"},   {"", ""},
    {"A]B", "K=V"},
};

constexpr size_t kFieldSizes[] = {1, 2, 3, 16, 32, 64, 520};

// Length of the longest prefix of `text` (`length` bytes) made of whole CP932 characters.
size_t WholeCharacters(const char* text, size_t length) {
  size_t end = 0;
  while (end < length) {
    size_t width = platform::IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > length) break;
    end += width;
  }
  return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles files(data, size);
  static char whole[kProfileLineSize];
  static char cut[520];
  for (const Name& name : kNames) {
    int length = ReadProfileText(fuzz::kInputPath, name.section, name.key, whole, sizeof whole);
    fuzz::Check(length >= 0 && static_cast<size_t>(length) < sizeof whole, "length within the field");
    fuzz::Check(std::strlen(whole) == static_cast<size_t>(length), "length is the stored length");
    if (length == 0) {
      fuzz::Check(ReadProfileText(fuzz::kInputPath, name.section, name.key, cut, 16) == 0 && cut[0] == '\0',
                  "no value in any field");
      continue;
    }
    for (size_t field : kFieldSizes) {
      int n = ReadProfileText(fuzz::kInputPath, name.section, name.key, cut, field);
      fuzz::Check(n >= 0 && static_cast<size_t>(n) < field, "cut length within the field");
      fuzz::Check(std::strlen(cut) == static_cast<size_t>(n), "cut length is the stored length");
      fuzz::Check(std::memcmp(cut, whole, static_cast<size_t>(n)) == 0, "a cut value is a prefix");
      if (length <= static_cast<int>(field) - 1) {
        fuzz::Check(n == length, "a value that fits is kept whole");
      } else {
        fuzz::Check(static_cast<size_t>(n) == WholeCharacters(whole, field - 1),
                    "a cut falls at the last whole character");
      }
    }
    ReadProfileInt(fuzz::kInputPath, name.section, name.key, -7);
    LeadingInteger(whole);
  }
  return 0;
}
