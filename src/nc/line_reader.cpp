#include "nc/line_reader.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr unsigned char kCtrlZ = 0x1A;

// Marks the bytes of `word` that end plain content ("\n", "\r", Ctrl-Z) with their high bit.
// Zero when there is none. (v - 0x01..01) & ~v & 0x80..80 marks the zero bytes of v exactly up
// to the lowest one; above it a borrow may mark more, so only the lowest mark counts.
uint64_t SpecialBytes(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kHighs = 0x8080808080808080u;
  auto zeroBytes = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  return zeroBytes(word ^ (kOnes * '\n')) | zeroBytes(word ^ (kOnes * '\r')) |
         zeroBytes(word ^ (kOnes * kCtrlZ));
}

// Copies the plain bytes (all but "\n", "\r" and Ctrl-Z) of chunk[position, end) into line[*n...]
// while the line has room for them (kMaxLineLength): eight at a time, then one at a time; `*n`
// counts them in. Returns the position of the first byte not copied. Bytes past a special one may
// be written into the line beyond `*n`: they are left over and never counted.
inline size_t CopyPlainBytes(const unsigned char* chunk, size_t position, size_t end, char* line, size_t* n) {
  size_t count = *n;
  while (end - position >= sizeof(uint64_t) && count + sizeof(uint64_t) <= kMaxLineLength) {
    uint64_t word;
    std::memcpy(&word, chunk + position, sizeof word);
    std::memcpy(line + count, &word, sizeof word);
    uint64_t special = SpecialBytes(word);
    if (special != 0) {
      // On a little-endian machine the lowest mark is the first special byte in memory.
      if constexpr (std::endian::native == std::endian::little) {
        size_t plain = static_cast<size_t>(std::countr_zero(special)) / 8;
        count += plain;
        position += plain;
      }
      break;
    }
    count += sizeof word;
    position += sizeof word;
  }
  while (position < end && count < kMaxLineLength) {
    unsigned char c = chunk[position];
    if (c == '\n' || c == '\r' || c == kCtrlZ) break;
    line[count++] = static_cast<char>(c);
    ++position;
  }
  *n = count;
  return position;
}

}  // namespace

int gLineCountLimit = kMaxLineCount;

bool LineReader::Fill() {
  if (state_ != kLineRead) return false;
  chunkStart_ += static_cast<int64_t>(end_);
  position_ = 0;
  ptrdiff_t got = platform::ReadBytes(file_, chunk_, sizeof chunk_);
  end_ = got > 0 ? static_cast<size_t>(got) : 0;
  if (end_ > 0) return true;
  state_ = got < 0 ? kLineReadError : kLineEnd;
  return false;
}

int LineReader::Take() {
  if (position_ == end_ && !Fill()) return -1;
  unsigned char c = chunk_[position_++];
  if (c == kCtrlZ) {
    // The text-mode reader takes Ctrl-Z for the end of the file.
    state_ = kLineEnd;
    position_ = end_ = 0;
    return -1;
  }
  if (c == '\r') {
    // "\r\n" is one "\n"; a "\r" before anything else (also before the end) stays.
    if (position_ == end_ && !Fill()) return '\r';
    if (chunk_[position_] == '\n') {
      ++position_;
      return '\n';
    }
  }
  return c;
}

void LineReader::SkipByteOrderMark() {
  markPending_ = false;
  if (position_ == end_ && !Fill()) return;
  static constexpr unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
  if (end_ - position_ >= sizeof kMark && std::memcmp(chunk_ + position_, kMark, sizeof kMark) == 0) {
    position_ += sizeof kMark;
  }
}

int LineReader::Next(std::span<char, kLineBufferSize> line, size_t* length) {
  if (markPending_) SkipByteOrderMark();
  size_t n = 0;
  line[0] = '\0';
  if (length != nullptr) *length = 0;
  if (state_ == kLineTooLong || state_ == kLineTooMany) return state_;
  // Hands over the `n` bytes gathered as the next line, unless there are too many lines.
  auto deliver = [&] {
    if (lineNumber_ >= limit_) {
      state_ = kLineTooMany;
      line[0] = '\0';
      return kLineTooMany;
    }
    line[n] = '\0';
    if (length != nullptr) *length = n;
    ++lineNumber_;
    return kLineRead;
  };
  for (;;) {
    // Plain bytes are copied straight from the chunk. The chunk positions stay in locals here;
    // with the members, every store into the line would reload them.
    const size_t end = end_;
    size_t position = CopyPlainBytes(chunk_, position_, end, line.data(), &n);
    // The usual line ends, "\n" and "\r\n" inside the chunk, end the line here; everything
    // else (a lone "\r", Ctrl-Z, the chunk's end, a full line) goes through Take.
    size_t ending = 0;
    if (position < end && chunk_[position] == '\n') {
      ending = 1;
    } else if (end - position >= 2 && chunk_[position] == '\r' && chunk_[position + 1] == '\n') {
      ending = 2;
    }
    position_ = position + ending;
    if (ending != 0) {
      line[n++] = '\n';
      return deliver();
    }
    int c = Take();
    if (c < 0) break;
    if (c == '\n') {
      line[n++] = '\n';
      return deliver();
    }
    if (n == kMaxLineLength) {
      state_ = kLineTooLong;
      ++lineNumber_;
      line[0] = '\0';
      return kLineTooLong;
    }
    line[n++] = static_cast<char>(c);
  }
  // End of the file (or a read error) reached.
  if (state_ == kLineReadError) {
    line[0] = '\0';
    return kLineReadError;
  }
  if (n == 0) return kLineEnd;
  return deliver();
}

int LineReader::Skip(int count) {
  // Whole lines inside the chunk, ended by "\n" ("\r\n" included), are counted where they end;
  // a line that might be too long, a Ctrl-Z, the chunk's end and the line limit go through Next.
  // `plainEnd` is where the chunk's first Ctrl-Z stands (its end when it has none), found once
  // per chunk: only Next refills it.
  constexpr size_t kNotFound = static_cast<size_t>(-1);
  size_t plainEnd = 0;
  size_t plainFor = kNotFound;  // the chunk end `plainEnd` was found for
  if (markPending_) SkipByteOrderMark();
  while (count > 0) {
    if (state_ == kLineRead && lineNumber_ < limit_ && position_ < end_) {
      if (plainFor != end_) {
        const void* stop = std::memchr(chunk_ + position_, kCtrlZ, end_ - position_);
        plainEnd = stop != nullptr ? static_cast<size_t>(static_cast<const unsigned char*>(stop) - chunk_) : end_;
        plainFor = end_;
      }
      const unsigned char* begin = chunk_ + position_;
      const void* found = std::memchr(begin, '\n', plainEnd - position_);
      if (found != nullptr) {
        const size_t bytes = static_cast<size_t>(static_cast<const unsigned char*>(found) - begin);
        if (bytes <= kMaxLineLength) {
          position_ += bytes + 1;
          ++lineNumber_;
          --count;
          continue;
        }
      }
    }
    char line[kLineBufferSize];
    const int result = Next(line);
    if (result != kLineRead) return result;
    plainFor = kNotFound;
    --count;
  }
  return kLineRead;
}

bool LineReader::Seek(int64_t offset, int lineNumber) {
  if (state_ == kLineReadError) return false;
  lineNumber_ = lineNumber;
  markPending_ = offset == 0;
  if (state_ == kLineRead && offset >= chunkStart_ && offset < chunkStart_ + static_cast<int64_t>(end_)) {
    position_ = static_cast<size_t>(offset - chunkStart_);
    return true;
  }
  position_ = end_ = 0;
  if (!platform::SeekFile(file_, offset)) {
    state_ = kLineReadError;
    return false;
  }
  chunkStart_ = offset;
  state_ = kLineRead;
  return true;
}
