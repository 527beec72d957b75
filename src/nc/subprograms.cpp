#include "nc/subprograms.h"

#include <cstring>

#include "nc/block.h"
#include "nc/pass_rules.h"
#include "platform/platform.h"

namespace {

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighs = 0x8080808080808080u;
constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7Fu;

// A byte that may begin an O or an M word ("O", ":", "M", either case): only a line that holds
// one can open a subprogram, call one or end the main program.
bool IsCandidate(unsigned char c) { return c == 'O' || c == 'o' || c == ':' || c == 'M' || c == 'm'; }

}  // namespace

// Eight bytes at a time: (v - 0x01..01) & ~v & 0x80..80 is not zero exactly when v has a zero byte.
// With bit 0x20 set in every byte "M" reads as "m" and "O" as "o"; only Ctrl-Z (0x1A) also turns
// into ":", and the bytes of its word are then looked at one by one.
size_t FindCallLetter(const unsigned char* p, size_t n) {
  auto zero = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    w |= kOnes * 0x20;
    if ((zero(w ^ (kOnes * 'm')) | zero(w ^ (kOnes * 'o')) | zero(w ^ (kOnes * ':'))) != 0) break;
  }
  for (; i < n; ++i) {
    if (IsCandidate(p[i])) return i;
  }
  return n;
}

namespace {

// The number of "\n" among the `n` bytes at `p`, eight bytes at a time with an exact mark of each
// zero byte (no borrow runs from one byte into the next).
int64_t CountNewlines(const unsigned char* p, size_t n) {
  int64_t lines = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    const uint64_t t = w ^ (kOnes * '\n');
    // One bit per "\n" at the top of its byte; their sum, gathered in the top byte.
    lines += static_cast<int64_t>(((~(((t & kLows) + kLows) | t | kLows) >> 7) * kOnes) >> 56);
  }
  for (; i < n; ++i) lines += p[i] == '\n' ? 1 : 0;
  return lines;
}

}  // namespace

int SubprogramIndex::Build(FILE* file) {
  count = 0;
  calls = false;
  mainEndLine = firstLine = tooManyLine = 0;
  int result = kIndexOk;
  // The file is read in chunks and its lines are looked at where they stand, by the line reader's
  // rules ("\n" ends a line and a "\r" before it is no part of it, Ctrl-Z ends the file, a
  // byte-order mark opens it, a line longer than kMaxLineLength ends the reading, as it ends every
  // pass): only the few lines that may matter are copied and taken apart. Every pass indexes the
  // file once, so this reading must cost little beside the pass's own.
  static constexpr size_t kChunk = 65536;
  unsigned char buffer[kChunk + kLineBufferSize];
  int64_t bufferStart = 0;  // the file offset of buffer[0]
  size_t position = 0;
  size_t filled = 0;
  bool ended = false;       // the file (or a Ctrl-Z) has ended
  bool first = true;
  int lineNumber = 0;
  char line[kLineBufferSize];
  Block block;
  bool words = false;  // a block with words besides an O has come: an O now begins a subprogram
  for (;;) {
    if (words && position < filled) {
      // Once the main program's number is behind, only lines with a candidate byte matter: the
      // lines before the next one are counted, not looked at.
      const size_t candidate = position + FindCallLetter(buffer + position, filled - position);
      size_t lineStart = candidate;
      while (lineStart > position && buffer[lineStart - 1] != '\n') --lineStart;
      lineNumber += static_cast<int>(CountNewlines(buffer + position, lineStart - position));
      position = lineStart;
    }
    const void* found = std::memchr(buffer + position, '\n', filled - position);
    if (found == nullptr && !ended) {
      if (filled - position > kMaxLineLength + 1) break;  // too long: the passes report it
      std::memmove(buffer, buffer + position, filled - position);
      bufferStart += static_cast<int64_t>(position);
      filled -= position;
      position = 0;
      const ptrdiff_t got = platform::ReadBytes(file, buffer + filled, kChunk);
      if (got < 0) {
        result = kIndexRead;
        break;
      }
      if (got == 0) ended = true;
      const void* stop = got > 0 ? std::memchr(buffer + filled, 0x1A, static_cast<size_t>(got)) : nullptr;
      filled += stop != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(stop) - (buffer + filled))
                                : static_cast<size_t>(got > 0 ? got : 0);
      if (stop != nullptr) ended = true;
      if (first && filled - position >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0) position = 3;
      first = first && filled < 3 && !ended;
      continue;
    }
    if (found == nullptr && position == filled) break;  // the end
    const size_t end = found != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(found) - buffer) : filled;
    size_t length = end - position;
    if (found != nullptr && length > 0 && buffer[end - 1] == '\r') --length;
    if (length > kMaxLineLength) break;
    ++lineNumber;
    const int64_t offset = lineNumber == 1 ? 0 : bufferStart + static_cast<int64_t>(position);
    const unsigned char* text = buffer + position;
    position = found != nullptr ? end + 1 : filled;
    bool matters = false;
    for (size_t i = 0; i < length && !matters; ++i) matters = IsCandidate(text[i]);
    // A move or a setting matters only until the first: after it an O begins a subprogram.
    if (!matters && words) continue;
    std::memcpy(line, text, length);
    line[length] = '\n';
    line[length + 1] = '\0';
    if (ReadBlock(line, length + 1, &block) != kBlockReadable) continue;
    if (!matters) {
      if (!block.Empty()) words = true;
      continue;
    }
    if (block.Has('M') && block.HasCode('M', 98)) calls = true;
    if (block.Has('O')) {
      const bool numberOnly = block.OnlyLetters("ON");
      if (words || !numberOnly) {
        if (firstLine == 0) firstLine = lineNumber;
        if (count == kMaxSubprograms) {
          if (tooManyLine == 0) tooManyLine = lineNumber;
          result = kIndexTooMany;
        } else {
          entries[count++] = SubprogramEntry{block.Find('O')->code, lineNumber, offset};
        }
      }
    }
    if (!block.OnlyLetters("O")) words = true;
    if (firstLine == 0 && mainEndLine == 0 && IsProgramEnd(block)) mainEndLine = lineNumber;
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

