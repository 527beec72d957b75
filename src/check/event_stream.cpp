#include "check/event_stream.h"

#include <cstring>

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kByteOrderMark[3] = {'\xEF', '\xBB', '\xBF'};

}  // namespace

int EventStream::Open(const char* path, const double start[3], bool blockEvents) {
  first_ = count_ = 0;
  faultKind_ = faultLine_ = 0;
  closingChain_ = 0;
  closingCount_ = closingLine_ = 0;
  end_ = CheckEvent{};
  simulator_.Reset(start, blockEvents);
  unread_ = filled_ = 0;
  eof_ = readError_ = false;
  markPending_ = true;
  lineNumber_ = 0;
  if (!file_.Open(path, "rb")) {
    state_ = kStreamFault;
    return kStreamUnopened;
  }
  state_ = kStreamEvent;
  return kStreamEvent;
}

int EventStream::NextLine(const char** line, size_t* length) {
  for (;;) {
    if (markPending_ && (filled_ >= sizeof kByteOrderMark || eof_ || readError_)) {
      // A UTF-8 byte-order mark before the first line is no part of the program.
      markPending_ = false;
      if (filled_ >= sizeof kByteOrderMark && std::memcmp(buffer_, kByteOrderMark, sizeof kByteOrderMark) == 0) {
        unread_ = sizeof kByteOrderMark;
      }
    }
    const char* start = buffer_ + unread_;
    const size_t available = filled_ - unread_;
    // A line with its "\r\n" takes at most kMaxLineLength + 2 bytes: look no further.
    const size_t window = available < kMaxLineLength + 2 ? available : kMaxLineLength + 2;
    const void* found = std::memchr(start, '\n', window);
    if (found != nullptr) {
      const size_t before = static_cast<size_t>(static_cast<const char*>(found) - start);
      const size_t content = before > 0 && start[before - 1] == '\r' ? before - 1 : before;
      ++lineNumber_;
      if (content > kMaxLineLength) return kLineTooLong;
      *line = start;
      *length = before + 1;
      unread_ += before + 1;
      return kLineRead;
    }
    if (available >= kMaxLineLength + 2) {
      ++lineNumber_;
      return kLineTooLong;
    }
    if (readError_) return kLineReadError;
    if (eof_) {
      if (available == 0) return kLineEnd;
      // The last line, without a line end (a "\r" at its end stays in it).
      ++lineNumber_;
      if (available > kMaxLineLength) return kLineTooLong;
      buffer_[filled_] = '\n';  // what the block reader may read after the line
      *line = start;
      *length = available;
      unread_ = filled_;
      return kLineRead;
    }
    // The partial line to the front, and more after it.
    std::memmove(buffer_, start, available);
    unread_ = 0;
    filled_ = available;
    const ptrdiff_t got = platform::ReadBytes(file_.get(), buffer_ + filled_, kBufferSize - filled_);
    if (got < 0) {
      readError_ = true;
    } else if (got == 0) {
      eof_ = true;
    } else {
      // A Ctrl-Z ends the file: nothing after it is read.
      const void* stop = std::memchr(buffer_ + filled_, kCtrlZ, static_cast<size_t>(got));
      if (stop != nullptr) {
        filled_ = static_cast<size_t>(static_cast<const char*>(stop) - buffer_);
        eof_ = true;
      } else {
        filled_ += static_cast<size_t>(got);
      }
    }
  }
}

int EventStream::Fill() {
  for (;;) {
    EventSlots slots{ring_, kRingSize, Slot(first_ + count_), 0};
    if (simulator_.HolesPending()) {
      simulator_.NextHole(&slots);
    } else {
      if (state_ != kStreamEvent) return state_;
      const char* line = nullptr;
      size_t length = 0;
      const int read = NextLine(&line, &length);
      if (read == kLineEnd) {
        // A file that ends without M02/M30: the end is after its last line.
        end_.kind = kEventEnd;
        end_.line = lineNumber_;
        end_.from = end_.to = simulator_.Position();
        state_ = kStreamEnd;
        return kStreamEnd;
      }
      if (read != kLineRead) {
        faultKind_ = read == kLineTooLong ? kStreamFaultLineTooLong : kStreamFaultReadError;
        faultLine_ = read == kLineTooLong ? lineNumber_ : lineNumber_ + 1;
        state_ = kStreamFault;
        return kStreamFault;
      }
      if (simulator_.Execute(line, length, lineNumber_, &slots) != kSimulationOk) {
        faultKind_ = kStreamFaultSimulation;
        faultLine_ = lineNumber_;
        state_ = kStreamFault;
        return kStreamFault;
      }
    }
    if (slots.count == 0) continue;
    for (int i = 0; i < slots.count; ++i) {
      const CheckEvent& event = ring_[Slot(slots.start + i)];
      if (event.kind == kEventBlock) {
        if (event.blockClass == kBlockInterpretation) continue;
        closingChain_ = ChainSignature(closingChain_, event.signature);
        if (closingCount_++ == 0) closingLine_ = event.line;
      } else if (event.kind != kEventEnd && event.kind != kEventReference && event.kind != kEventMachine) {
        closingChain_ = 0;
        closingCount_ = 0;
      }
    }
    // The program's end is kept apart: the stream ends with it.
    const CheckEvent& last = ring_[Slot(slots.start + slots.count - 1)];
    if (last.kind == kEventEnd) {
      end_ = last;
      state_ = kStreamEnd;
      --slots.count;
    }
    count_ += slots.count;
    if (slots.count > 0) return kStreamEvent;
    return kStreamEnd;
  }
}

int EventStream::Peek(int ahead, const CheckEvent** event) {
  while (count_ <= ahead) {
    const int filled = Fill();
    if (filled != kStreamEvent) {
      *event = filled == kStreamEnd ? &end_ : nullptr;
      return filled;
    }
  }
  *event = &ring_[Slot(first_ + ahead)];
  return kStreamEvent;
}

void EventStream::Take() {
  if (count_ == 0) return;
  first_ = Slot(first_ + 1);
  --count_;
}

int EventStream::PeekMove(const CheckEvent** event) {
  for (;;) {
    const int peeked = Peek(0, event);
    if (peeked != kStreamEvent || (*event)->kind != kEventBlock) return peeked;
    Take();
  }
}

int EventStream::PeekBlock(const CheckEvent** event) {
  for (;;) {
    const int peeked = Peek(0, event);
    if (peeked != kStreamEvent || (*event)->kind == kEventBlock) return peeked;
    Take();
  }
}
