#include "nc/subprograms.h"

#include "nc/block.h"

#include "platform/platform.h"

namespace {

bool EndsProgram(const Block& block) {
  return block.Has('M') && (block.HasCode('M', 2) || block.HasCode('M', 30));
}

// True when every word of `block` is one of `letters` (a string of address letters).
bool OnlyWords(const Block& block, const char* letters) {
  for (int w = 0; w < block.wordCount; ++w) {
    bool listed = false;
    for (const char* l = letters; *l != '\0'; ++l) listed = listed || block.words[w].letter == *l;
    if (!listed) return false;
  }
  return true;
}

// True when the line holds a byte that may begin an O or an M word ("O", ":", "M", either case):
// only such a line can open a subprogram, call one or end the main program. Most lines of a long
// program are moves; they are not taken apart.
bool MayMatter(const char* line, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char c = line[i];
    if (c == 'O' || c == 'o' || c == ':' || c == 'M' || c == 'm') return true;
  }
  return false;
}

}  // namespace

int SubprogramIndex::Build(FILE* file) {
  count = 0;
  calls = false;
  mainEndLine = firstLine = tooManyLine = 0;
  int result = kIndexOk;
  {
    LineReader reader(file);
    char line[kLineBufferSize];
    size_t length = 0;
    Block block;
    bool words = false;  // a block with words besides an O has come: an O now begins a subprogram
    for (;;) {
      const int64_t offset = reader.Tell();
      const int read = reader.Next(line, &length);
      if (read != kLineRead) {
        if (read != kLineEnd) result = kIndexRead;
        break;
      }
      if (!MayMatter(line, length)) {
        // A move or a setting: once one has come, an O begins a subprogram.
        if (!words && ReadBlock(line, length, &block) == kBlockReadable && !block.Empty()) words = true;
        continue;
      }
      if (ReadBlock(line, length, &block) != kBlockReadable) continue;
      if (block.Has('M') && block.HasCode('M', 98)) calls = true;
      if (block.Has('O')) {
        const bool numberOnly = OnlyWords(block, "ON");
        if (words || !numberOnly) {
          if (firstLine == 0) firstLine = reader.lineNumber();
          if (count == kMaxSubprograms) {
            if (tooManyLine == 0) tooManyLine = reader.lineNumber();
            result = kIndexTooMany;
          } else {
            entries[count++] = SubprogramEntry{block.Find('O')->code, reader.lineNumber(), offset};
          }
        }
      }
      if (!OnlyWords(block, "O")) words = true;
      if (firstLine == 0 && mainEndLine == 0 && EndsProgram(block)) mainEndLine = reader.lineNumber();
    }
  }
  if (!platform::SeekFile(file, 0)) return kIndexRead;
  return result;
}

const SubprogramEntry* SubprogramIndex::Find(int number) const {
  for (int i = 0; i < count; ++i) {
    if (entries[i].number == number) return &entries[i];
  }
  return nullptr;
}

