#include "nc/call_reader.h"

#include "nc/pass_rules.h"
#include "platform/platform.h"

namespace {

// A whole number written without a decimal point (P1000, L3).
bool PlainWhole(const BlockWord& word) { return word.integral && !word.hasPoint && word.value >= 0; }

}  // namespace

CallReader::CallReader(FILE* file) : file_(file), reader_(file) {}

bool CallReader::NeedsIndex(const char* line, size_t length) {
  // Most lines of a long program are moves without M or O: they are looked at no further.
  if (sawWords_ && FindCallLetter(reinterpret_cast<const unsigned char*>(line), length) == length) return false;
  Block block;
  if (ReadBlock(line, length, &block) != kBlockReadable) return false;
  if (block.Has('M') && (block.HasCode('M', 98) || block.HasCode('M', 99))) return true;
  if (block.Has('O') && sawWords_) return true;
  if (!sawWords_ && !block.OnlyLetters("ON") && block.wordCount > 0) sawWords_ = true;
  return false;
}

int CallReader::BuildIndex(int n) {
  indexed_ = true;
  // The index reads the file from its start; the line reader goes on from its chunk, with the
  // file where it left it.
  const int64_t readUpTo = reader_.ReadUpTo();
  indexResult_ = platform::SeekFile(file_, 0) ? index_.Build(file_) : kIndexRead;
  if (!platform::SeekFile(file_, readUpTo)) {
    state_ = kLineReadError;
    return state_;
  }
  if (!index_.calls) return kLineRead;
  // The lines before this one were read as a reader with the index reads them: the main
  // program's, before its end and before any subprogram, none of them a call, a return or a
  // subprogram's O line (each of those would have built the index). So far the same.
  read_ = n - 1;
  if (indexResult_ == kIndexTooMany) return Fail(kCallTooMany, index_.tooManyLine);
  return kLineRead;
}

int CallReader::TakeLine(std::span<char, kLineBufferSize> line, size_t own, size_t* length, bool* deliver) {
  *deliver = false;
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
      *deliver = true;
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
    *deliver = true;
    return kLineRead;
  }
  if (depth_ > 0 && (block.Has('O') || block.tapeMark)) return Fail(kCallNoReturn, n, subprogram());
  if (depth_ > 0 && IsProgramEnd(block)) return Fail(kCallEndInside, n, subprogram());
  if (block.Has('M') && block.HasCode('M', 98)) return Call(block, line);
  if (block.Has('M') && block.HasCode('M', 99)) return Return(block, line);
  *deliver = true;
  return kLineRead;
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
  size_t own = 0;
  for (;;) {
    const int read = reader_.Next(line, &own);
    if (length != nullptr) *length = own;
    if (read == kLineEnd && depth_ > 0) return Fail(kCallNoReturn, reader_.lineNumber(), subprogram());
    if (read != kLineRead) {
      state_ = read;
      return read;
    }
    if (!indexed_ && !readOn_ && NeedsIndex(line.data(), own)) {
      const int built = BuildIndex(reader_.lineNumber());
      if (built != kLineRead) {
        line[0] = '\0';
        if (length != nullptr) *length = 0;
        return built;
      }
    }
    // A file that calls nothing is read line by line, as every pass read it before.
    if (!index_.calls || readOn_) {
      ++delivered_;
      return kLineRead;
    }
    bool deliver = false;
    const int taken = TakeLine(line, own, length, &deliver);
    if (deliver) {
      ++delivered_;
      return kLineRead;
    }
    if (taken != kLineRead) return taken;
  }
}

int CallReader::Skip(int count) {
  // Before the index is built every line is looked at (one of them may need it).
  if (state_ == kLineRead && indexed_ && !index_.calls) {
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
  bool plain = block.OnlyLetters("NMPLK") && p != nullptr && PlainWhole(*p) && (l == nullptr || k == nullptr);
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
      block.Find('O')->code != entry.number || !block.OnlyLetters("ON")) {
    return Fail(kCallForm, entry.line, entry.number, 0);
  }
  return kLineRead;
}

int CallReader::Return(const Block& block, std::span<char, kLineBufferSize> line) {
  const int n = reader_.lineNumber();
  if (depth_ == 0) return Fail(kCallReturnInMain, n);
  bool plain = block.OnlyLetters("NM");
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
