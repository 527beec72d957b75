#include "check/event_stream.h"

int EventStream::Open(const char* path, const double start[3], bool blockEvents) {
  first_ = count_ = 0;
  faultKind_ = faultLine_ = 0;
  closingChain_ = 0;
  closingCount_ = closingLine_ = 0;
  end_ = CheckEvent{};
  simulator_.Reset(start, blockEvents);
  reader_.reset();
  if (!file_.Open(path, "rb")) {
    state_ = kStreamFault;
    return kStreamUnopened;
  }
  reader_.emplace(file_.get());
  state_ = kStreamEvent;
  return kStreamEvent;
}

int EventStream::Fill() {
  for (;;) {
    EventSlots slots{ring_, kRingSize, (first_ + count_) % kRingSize, 0};
    if (simulator_.HolesPending()) {
      simulator_.NextHole(&slots);
    } else {
      if (state_ != kStreamEvent) return state_;
      size_t length = 0;
      const int read = reader_->Next(line_, &length);
      if (read == kLineEnd) {
        // A file that ends without M02/M30: the end is after its last line.
        end_.kind = kEventEnd;
        end_.line = reader_->lineNumber();
        end_.from = end_.to = simulator_.Position();
        state_ = kStreamEnd;
        return kStreamEnd;
      }
      if (read != kLineRead) {
        faultKind_ = read == kLineTooLong ? kStreamFaultLineTooLong : kStreamFaultReadError;
        faultLine_ = read == kLineTooLong ? reader_->lineNumber() : reader_->lineNumber() + 1;
        state_ = kStreamFault;
        return kStreamFault;
      }
      if (simulator_.Execute(line_, length, reader_->lineNumber(), &slots) != kSimulationOk) {
        faultKind_ = kStreamFaultSimulation;
        faultLine_ = reader_->lineNumber();
        state_ = kStreamFault;
        return kStreamFault;
      }
    }
    if (slots.count == 0) continue;
    for (int i = 0; i < slots.count; ++i) {
      const CheckEvent& event = ring_[(slots.start + i) % kRingSize];
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
    const CheckEvent& last = ring_[(slots.start + slots.count - 1) % kRingSize];
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
  *event = &ring_[(first_ + ahead) % kRingSize];
  return kStreamEvent;
}

void EventStream::Take() {
  if (count_ == 0) return;
  first_ = (first_ + 1) % kRingSize;
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
