#include "nc/line_reader.h"

#include <cstring>

#include "platform/platform.h"

namespace {
constexpr unsigned char kCtrlZ = 0x1A;
}  // namespace

bool LineReader::Fill() {
  if (state_ != kLineRead) return false;
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

int LineReader::Next(std::span<char, kLineBufferSize> line, size_t* length) {
  size_t n = 0;
  line[0] = '\0';
  if (length != nullptr) *length = 0;
  if (state_ == kLineTooLong) return kLineTooLong;
  for (;;) {
    // Scan straight through the chunk for the common case of plain bytes.
    while (position_ < end_) {
      unsigned char c = chunk_[position_];
      if (c == '\r' || c == kCtrlZ) break;
      ++position_;
      if (c == '\n') {
        line[n++] = '\n';
        line[n] = '\0';
        if (length != nullptr) *length = n;
        ++lineNumber_;
        return kLineRead;
      }
      if (n == kMaxLineLength) {
        state_ = kLineTooLong;
        ++lineNumber_;
        line[0] = '\0';
        return kLineTooLong;
      }
      line[n++] = static_cast<char>(c);
    }
    int c = Take();
    if (c < 0) break;
    if (c == '\n') {
      line[n++] = '\n';
      line[n] = '\0';
      if (length != nullptr) *length = n;
      ++lineNumber_;
      return kLineRead;
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
  line[n] = '\0';
  if (length != nullptr) *length = n;
  ++lineNumber_;
  return kLineRead;
}
