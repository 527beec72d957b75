#include "nc/call_reader.h"

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

// A whole number written without a decimal point (P1000, L3).
bool PlainWhole(const BlockWord& word) { return word.integral && !word.hasPoint && word.value >= 0; }

}  // namespace

CallReader::CallReader(FILE* file) : reader_(file) {
  indexResult_ = index_.Build(file);
}

int CallReader::Fail(int reason, int line, int number, int code) {
  fault_ = CallFault{reason, line, number, code};
  state_ = kLineCallFault;
  return state_;
}

int CallReader::Next(std::span<char, kLineBufferSize> line, size_t* length) {
  line[0] = '\0';
  if (length != nullptr) *length = 0;
  if (state_ != kLineRead) return state_;
  if (index_.calls && indexResult_ == kIndexTooMany) return Fail(kCallTooMany, index_.tooManyLine);
  size_t own = 0;
  for (;;) {
    const int read = reader_.Next(line, &own);
    if (length != nullptr) *length = own;
    if (read == kLineEnd && depth_ > 0) return Fail(kCallNoReturn, reader_.lineNumber(), subprogram());
    if (read != kLineRead) {
      state_ = read;
      return read;
    }
    // A file that calls nothing is read line by line, as every pass read it before.
    if (!index_.calls || readOn_) {
      ++delivered_;
      return kLineRead;
    }
    // Every line read counts against the limit, also those of calls and returns: calls of
    // calls of empty subprograms deliver nothing and could run a very long time.
    if (++read_ > gLineCountLimit) {
      state_ = kLineTooMany;
      line[0] = '\0';
      return state_;
    }
    const int n = reader_.lineNumber();
    if (depth_ == 0 && index_.mainEndLine != 0 && n > index_.mainEndLine) {
      // After the main program's end nothing runs: its lines are delivered up to the first
      // subprogram, for the passes to count, and nothing on them is followed.
      if (index_.firstLine == 0 || n < index_.firstLine) {
        ++delivered_;
        return kLineRead;
      }
      state_ = kLineEnd;
      line[0] = '\0';
      if (length != nullptr) *length = 0;
      return state_;
    }
    if (depth_ == 0 && index_.firstLine != 0 && n >= index_.firstLine) {
      // The main program runs into a subprogram before its end.
      return Fail(kCallBeforeEnd, n, index_.entries[0].number);
    }
    Block block;
    if (ReadBlock(line.data(), own, &block) != kBlockReadable) {
      ++delivered_;
      return kLineRead;
    }
    if (depth_ > 0 && (block.Has('O') || block.tapeMark)) return Fail(kCallNoReturn, n, subprogram());
    if (depth_ > 0 && EndsProgram(block)) return Fail(kCallEndInside, n, subprogram());
    int taken = -1;
    if (block.Has('M') && block.HasCode('M', 98)) {
      taken = Call(block, line);
    } else if (block.Has('M') && block.HasCode('M', 99)) {
      taken = Return(block, line);
    } else {
      ++delivered_;
      return kLineRead;
    }
    if (taken != kLineRead) return taken;
  }
}

int CallReader::Skip(int count) {
  if (state_ == kLineRead && !index_.calls) {
    const int skipped = reader_.Skip(count);
    // The lines read over count whether or not all of them were there: as many as the reader took.
    delivered_ = reader_.lineNumber();
    if (skipped != kLineRead) state_ = skipped;
    return skipped;
  }
  char line[kLineBufferSize];
  for (int i = 0; i < count; ++i) {
    const int read = Next(line);
    if (read != kLineRead) return read;
  }
  return kLineRead;
}

int CallReader::Call(const Block& block, std::span<char, kLineBufferSize> line) {
  const int n = reader_.lineNumber();
  // M98 with its P and one repeat count: nothing else rides on a call.
  const BlockWord* p = block.Find('P');
  const BlockWord* l = block.Find('L');
  const BlockWord* k = block.Find('K');
  bool plain = OnlyWords(block, "NMPLK") && p != nullptr && PlainWhole(*p) && (l == nullptr || k == nullptr);
  for (int w = 0; plain && w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter == 'M' && !(word.integral && word.code == 98)) plain = false;
  }
  const BlockWord* repeat = l != nullptr ? l : k;
  if (plain && repeat != nullptr) plain = PlainWhole(*repeat) && repeat->value >= 1 && repeat->value <= kMaxCallRepeats;
  if (!plain || p->value < 1 || p->value > 99999999) return Fail(kCallForm, n, 0, 98);
  int64_t called = static_cast<int64_t>(p->value);
  int repeats = 1;
  if (repeat != nullptr) {
    if (called > 9999) return Fail(kCallForm, n, 0, 98);  // the repeat given twice
    repeats = static_cast<int>(repeat->value);
  } else if (called > 9999) {
    // P31000: three runs of O1000.
    repeats = static_cast<int>(called / 10000);
    called %= 10000;
  }
  const int number = static_cast<int>(called);
  if (depth_ == kMaxCallDepth) return Fail(kCallTooDeep, n, number);
  const SubprogramEntry* entry = index_.Find(number);
  if (entry == nullptr) return Fail(kCallMissing, n, number);
  if (index_.mainEndLine == 0) return Fail(kCallBeforeEnd, n, number);
  for (int i = 0; i < depth_; ++i) {
    if (frames_[i].number == number) return Fail(kCallRecursive, n, number);
  }
  if (depth_ == 0) lastMainCallLine_ = n;
  frames_[depth_++] = Frame{number, n, reader_.Tell(), repeats - 1, entry};
  return Enter(*entry, line);
}

int CallReader::Enter(const SubprogramEntry& entry, std::span<char, kLineBufferSize> line) {
  size_t length = 0;
  if (!reader_.Seek(entry.offset, entry.line - 1)) {
    state_ = kLineReadError;
    return state_;
  }
  const int read = reader_.Next(line, &length);
  if (read != kLineRead) {
    state_ = read == kLineEnd ? kLineReadError : read;
    return state_;
  }
  if (++read_ > gLineCountLimit) {
    state_ = kLineTooMany;
    return state_;
  }
  Block block;
  if (ReadBlock(line.data(), length, &block) != kBlockReadable || !block.Has('O') ||
      block.Find('O')->code != entry.number || !OnlyWords(block, "ON")) {
    return Fail(kCallForm, entry.line, entry.number, 0);
  }
  return kLineRead;
}

int CallReader::Return(const Block& block, std::span<char, kLineBufferSize> line) {
  const int n = reader_.lineNumber();
  if (depth_ == 0) return Fail(kCallReturnInMain, n);
  bool plain = OnlyWords(block, "NM");
  for (int w = 0; plain && w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter == 'M' && !(word.integral && word.code == 99)) plain = false;
  }
  if (!plain) return Fail(kCallForm, n, subprogram(), 99);
  Frame& frame = frames_[depth_ - 1];
  if (frame.repeatsLeft > 0) {
    --frame.repeatsLeft;
    return Enter(*frame.entry, line);
  }
  --depth_;
  if (!reader_.Seek(frame.returnOffset, frame.callLine)) {
    state_ = kLineReadError;
    return state_;
  }
  return kLineRead;
}
