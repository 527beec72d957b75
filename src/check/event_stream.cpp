#include "check/event_stream.h"

#include <cstring>

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kByteOrderMark[3] = {'\xEF', '\xBB', '\xBF'};

}  // namespace

int EventStream::Open(const char* path, const double start[3], bool blockEvents, bool followCalls) {
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
  bufferStart_ = 0;
  depth_ = 0;
  followedLines_ = 0;
  callFault_ = callNumber_ = 0;
  follow_ = false;
  if (!file_.Open(path, "rb")) {
    state_ = kStreamFault;
    return kStreamUnopened;
  }
  if (followCalls) {
    const int indexed = index_.Build(file_.get());
    follow_ = index_.calls;
    if (follow_ && indexed == kIndexTooMany) {
      CallFails(kCallTooMany, index_.tooManyLine, 0);
      return kStreamEvent;  // the fault comes with the first Peek
    }
    if (indexed == kIndexRead) readError_ = true;
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
    bufferStart_ += static_cast<int64_t>(unread_);
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
      if (read == kLineEnd && depth_ > 0) {
        // A subprogram that runs to the end of the file without its M99.
        CallFails(kCallNoReturn, lineNumber_, frames_[depth_ - 1].number);
        return kStreamFault;
      }
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
      if (follow_) {
        const int followed = FollowCall(line, length);
        if (followed < 0) return kStreamFault;
        if (followed == 0) continue;
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

// --- Calls --------------------------------------------------------------------------------------
// The check's own reading of M98, M99 and the O lines, with its own block reader: only where the
// subprograms stand (the index) is shared with the split's reading.

int EventStream::CallFails(int reason, int line, int number) {
  faultKind_ = kStreamFaultCall;
  faultLine_ = line;
  callFault_ = reason;
  callNumber_ = number;
  state_ = kStreamFault;
  return -1;
}

bool EventStream::SeekLine(int64_t offset, int lineNumber) {
  unread_ = filled_ = 0;
  eof_ = false;
  markPending_ = offset == 0;
  lineNumber_ = lineNumber;
  bufferStart_ = offset;
  if (!platform::SeekFile(file_.get(), offset)) {
    readError_ = true;
    return false;
  }
  return true;
}

int EventStream::EnterSubprogram(int number, int64_t offset, int line) {
  if (!SeekLine(offset, line - 1)) return 1;  // the read error shows with the next line
  const char* text = nullptr;
  size_t length = 0;
  if (NextLine(&text, &length) != kLineRead) return 1;
  if (++followedLines_ > gLineCountLimit) return CallFails(kCallTooLong, line, number);
  CheckBlock block;
  if (ReadCheckBlock(text, length, &block) != kBlockRead || !HasWord(block, 'O') ||
      (block.present & ~(LetterBit('O') | LetterBit('N'))) != 0 || WordValue(block, 'O') != number) {
    return CallFails(kCallForm, line, number);
  }
  return 1;
}

int EventStream::FollowCall(const char* line, size_t length) {
  // Calls of calls of subprograms that make no move could run for ever, as far as a reader can
  // tell: every line read counts against the limit of lines.
  if (++followedLines_ > gLineCountLimit) return CallFails(kCallTooLong, lineNumber_, 0);
  CheckBlock block;
  const int read = ReadCheckBlock(line, length, &block);
  if (read != kBlockRead && read != kBlockTapeMark) return 1;  // the machine's reader reports it
  bool calls = false;
  bool returns = false;
  bool ends = false;
  for (int i = 0; i < block.mCount; ++i) {
    calls = calls || block.mCodes[i] == 98;
    returns = returns || block.mCodes[i] == 99;
    ends = ends || block.mCodes[i] == 2 || block.mCodes[i] == 30;
  }
  if (depth_ == 0) {
    // The main program: it must end before its subprograms begin.
    if (index_.firstLine != 0 && lineNumber_ >= index_.firstLine) {
      return CallFails(kCallBeforeEnd, lineNumber_, index_.entries[0].number);
    }
  } else {
    const CallFrame& frame = frames_[depth_ - 1];
    if (read == kBlockTapeMark || HasWord(block, 'O')) return CallFails(kCallNoReturn, lineNumber_, frame.number);
    if (ends) return CallFails(kCallEndInside, lineNumber_, frame.number);
  }
  if (calls) {
    // M98 P.... with L or K, or P's upper digits, for the repeats: nothing else.
    const uint32_t allowed = LetterBit('M') | LetterBit('N') | LetterBit('P') | LetterBit('L') | LetterBit('K');
    const bool both = HasWord(block, 'L') && HasWord(block, 'K');
    if ((block.present & ~allowed) != 0 || block.mCount != 1 || !HasWord(block, 'P') || both ||
        (block.hasPoint & (LetterBit('P') | LetterBit('L') | LetterBit('K'))) != 0) {
      return CallFails(kCallForm, lineNumber_, 0);
    }
    const double p = WordValue(block, 'P');
    if (p < 1 || p > 99999999) return CallFails(kCallForm, lineNumber_, 0);
    long long number = static_cast<long long>(p);
    long long repeats = 1;
    if (HasWord(block, 'L') || HasWord(block, 'K')) {
      const double times = WordValue(block, HasWord(block, 'L') ? 'L' : 'K');
      if (number > 9999 || times < 1 || times > kMaxCallRepeats) return CallFails(kCallForm, lineNumber_, 0);
      repeats = static_cast<long long>(times);
    } else {
      repeats = number / 10000 > 0 ? number / 10000 : 1;
      number %= 10000;
    }
    const int called = static_cast<int>(number);
    if (depth_ == kMaxCallDepth) return CallFails(kCallTooDeep, lineNumber_, called);
    const SubprogramEntry* entry = index_.Find(called);
    if (entry == nullptr) return CallFails(kCallMissing, lineNumber_, called);
    if (index_.mainEndLine == 0) return CallFails(kCallBeforeEnd, lineNumber_, called);
    for (int i = 0; i < depth_; ++i) {
      if (frames_[i].number == called) return CallFails(kCallRecursive, lineNumber_, called);
    }
    frames_[depth_++] = CallFrame{called, lineNumber_, bufferStart_ + static_cast<int64_t>(unread_),
                                  static_cast<int>(repeats) - 1, entry->offset, entry->line};
    return EnterSubprogram(called, entry->offset, entry->line) < 0 ? -1 : 0;
  }
  if (returns) {
    if (depth_ == 0) return CallFails(kCallReturnInMain, lineNumber_, 0);
    CallFrame& frame = frames_[depth_ - 1];
    if ((block.present & ~(LetterBit('M') | LetterBit('N'))) != 0 || block.mCount != 1) {
      return CallFails(kCallForm, lineNumber_, frame.number);
    }
    if (frame.repeatsLeft > 0) {
      --frame.repeatsLeft;
      return EnterSubprogram(frame.number, frame.entryOffset, frame.entryLine) < 0 ? -1 : 0;
    }
    --depth_;
    SeekLine(frame.returnOffset, frame.callLine);
    return 0;
  }
  return 1;
}
