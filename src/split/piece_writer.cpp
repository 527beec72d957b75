#include "split/piece_writer.h"

#include <cstring>
#include <string_view>

#include "config/settings.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/block.h"
#include "nc/digits.h"
#include "nc/measure.h"
#include "nc/line_reader.h"
#include "nc/pass_rules.h"

namespace {

constexpr unsigned char kEndOfText = 0x1A;  // Ctrl-Z: old editors end a text file with it

constexpr size_t kWordTextSize = 48;

bool IsArc(int motion) { return motion == 2 || motion == 3; }

// The plane's two axes: X Y for G17, Z X for G18, Y Z for G19.
bool InPlane(int plane, int axis) {
  if (plane == 18) return axis == kZ || axis == kX;
  if (plane == 19) return axis == kY || axis == kZ;
  return axis == kX || axis == kY;
}

// The centre-offset slots of the plane: I J for G17, I K for G18, J K for G19.
void PlaneOffsets(int plane, int* first, int* second) {
  *first = plane == 19 ? kJ : kI;
  *second = plane == 17 ? kJ : kK;
}

// The length of the G words at the head of riding words ("G43H1S1000" -> 3): they are written
// before the axes, the others after the feed.
size_t LeadingGWords(const char* words) {
  size_t i = 0;
  while (words[i] == 'G') {
    ++i;
    while (words[i] != '\0' && !(words[i] >= 'A' && words[i] <= 'Z')) ++i;
  }
  return i;
}

// A count of 10^-decimals split for its text: the whole part, and the decimals that are left
// once trailing zeros are dropped (`kept` of them, as the number `fraction`).
struct CountParts {
  uint64_t whole;
  uint64_t fraction;
  int kept;
};

// `fraction` (of `decimals` decimals) without its trailing zeros.
CountParts Trimmed(uint64_t whole, uint64_t fraction, int decimals) {
  CountParts parts{whole, fraction, decimals};
  while (parts.kept > 0 && parts.fraction % 10 == 0) {
    parts.fraction /= 10;
    --parts.kept;
  }
  return parts;
}

// A count of the program's resolution (ResolutionDecimals: 3 decimals for millimetres, 4 for
// inches), each divided by a constant (a multiplication).
CountParts SplitCount(uint64_t magnitude, int decimals) {
  if (decimals == 4) return Trimmed(magnitude / 10000, magnitude % 10000, 4);
  return Trimmed(magnitude / 1000, magnitude % 1000, 3);
}

uint64_t Magnitude(int64_t count) {
  return count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
}

// The text the formatters write for the value count / 10^decimals (FormatAxisWord and
// FormatInchAxisWord after the letter): with `point`, the shortest text with a point ("12.5",
// "100.", "0.", "-0.005"); without, the count itself. Written so that it ends just before `end`;
// returns where it starts (at most 24 characters before `end`). `parts` is the count split by
// SplitCount (unused without `point`).
char* CountTextBackward(int64_t count, bool point, const CountParts& parts, char* end) {
  char* start = end;
  if (!point) {
    start = WriteDigitsBackward(Magnitude(count), end);
  } else {
    // The whole part, the point, and the decimals without their trailing zeros.
    uint64_t fraction = parts.fraction;
    for (int kept = parts.kept; kept > 0; --kept) {
      *--start = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    *--start = '.';
    start = WriteDigitsBackward(parts.whole, start);
  }
  if (count < 0) *--start = '-';
  return start;
}

// The length of the text CountTextBackward writes for the same arguments.
size_t CountTextLength(int64_t count, bool point, const CountParts& parts) {
  const size_t sign = count < 0 ? 1 : 0;
  if (!point) return sign + static_cast<size_t>(DecimalDigits(Magnitude(count)));
  return sign + static_cast<size_t>(DecimalDigits(parts.whole)) + 1 + static_cast<size_t>(parts.kept);
}

void ReportBlock(int motion, const Position& target) {
  char x[kCoordinateTextSize];
  char y[kCoordinateTextSize];
  char z[kCoordinateTextSize];
  FormatCoordinate(target[kX], x);
  FormatCoordinate(target[kY], y);
  FormatCoordinate(target[kZ], z);
  FormatLog("G%02d X%-10s Y%-10s Z%s", motion, x, y, z);
  EmitLogLine(nullptr, kLogPlain);
}

// The feed as a word's number: up to three decimals, no trailing zeros, no point for a whole
// number ("300", "437.5", "218.75").
void FormatFeed(double feed, std::span<char> out) {
  int length = FormatRounded(feed, out, 3);
  if (length <= 0 || static_cast<size_t>(length) >= out.size()) return;
  while (length > 0 && out[static_cast<size_t>(length) - 1] == '0') --length;
  if (length > 0 && out[static_cast<size_t>(length) - 1] == '.') --length;
  out[static_cast<size_t>(length)] = '\0';
}

// A seam target: X, Y, Z only, never arc words.
Position SeamPoint(double x, double y, double z) {
  Position point{};
  point[kX] = x;
  point[kY] = y;
  point[kZ] = z;
  return point;
}

}  // namespace

unsigned long long CopiedTextSize(const char* path) {
  platform::FileHandle source(path, "rb");
  if (!source) return 0;
  unsigned char in[8192];
  unsigned long long size = 0;
  bool afterReturn = false;
  for (;;) {
    const ptrdiff_t got = platform::ReadBytes(source.get(), in, sizeof in);
    if (got <= 0) return size;
    for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
      const unsigned char b = in[i];
      if (b == kEndOfText) return size;
      // A "\n" alone comes out as "\r\n"; every other byte as it is.
      size += b == '\n' && !afterReturn ? 2 : 1;
      afterReturn = b == '\r';
    }
  }
}

bool CopyTextFile(const char* path, FILE* out) {
  platform::FileHandle source(path, "rb");
  if (!source) return false;
  unsigned char in[8192];
  char buffer[2 * sizeof in + 2];
  bool pendingReturn = false;
  bool ended = false;
  while (!ended) {
    const ptrdiff_t got = platform::ReadBytes(source.get(), in, sizeof in);
    if (got < 0) return false;  // a header or footer cut short would make a piece look whole
    if (got == 0) break;
    size_t used = 0;
    for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
      unsigned char b = in[i];
      if (pendingReturn) {
        pendingReturn = false;
        if (b == '\n') {
          buffer[used++] = '\r';
          buffer[used++] = '\n';
          continue;
        }
        buffer[used++] = '\r';
      }
      if (b == kEndOfText) {
        ended = true;
        break;
      }
      if (b == '\r') {
        pendingReturn = true;
      } else if (b == '\n') {
        buffer[used++] = '\r';
        buffer[used++] = '\n';
      } else {
        buffer[used++] = static_cast<char>(b);
      }
    }
    platform::WriteBytes(out, buffer, used);
  }
  if (pendingReturn) platform::WriteBytes(out, "\r", 1);
  return true;
}

namespace {

// A word that serves only the tool in the spindle: its number (T), its change (M06), its spindle
// (S, M03, M04), its coolant (M07, M08) and its length offset (G43, G44, H, and the Z the offset is
// taken up with).
bool IsToolSetUpWord(const BlockWord& word, bool takesUpOffset) {
  switch (word.letter) {
    case 'T':
    case 'S':
    case 'H':
      return true;
    case 'Z':
      return takesUpOffset;
    case 'M':
      return word.integral && (word.code == 6 || word.code == 3 || word.code == 4 || word.code == 7 ||
                               word.code == 8);
    case 'G':
      return word.integral && (word.code == 43 || word.code == 44);
    default:
      return false;
  }
}

// Calls `take(text, length)` for every line of the header at `path` as a piece of header `header`
// holds it. False when the file cannot be read to its end.
template <typename Take>
bool ForEachHeaderLine(const char* path, int header, Take take) {
  platform::FileHandle input(path, "rb");
  if (!input) return false;
  LineReader reader(input.get());
  char line[kLineBufferSize];
  char rest[kLineBufferSize];
  size_t length = 0;
  int status = kLineRead;
  // Comment lines right before or after a tool change that is left out name its tool or its
  // operation ("(POCKET)", "(T1 FACE MILL D50.)"): they go with it. Those before it wait here.
  constexpr int kHeld = 8;
  char held[kHeld][kLineBufferSize];
  size_t heldLength[kHeld];
  int heldCount = 0;
  auto release = [&] {
    for (int i = 0; i < heldCount; ++i) take(held[i], heldLength[i]);
    heldCount = 0;
  };
  bool describing = false;  // after a tool change left out
  while ((status = reader.Next(line, &length)) == kLineRead) {
    if (length > 0 && line[length - 1] == '\n') --length;
    if (header != kResumeHeader) {
      take(line, length);
      continue;
    }
    Block block;
    const bool readable = ReadBlock(line, length, &block) == kBlockReadable;
    size_t restLength = 0;
    const int sorted = ToolSetUpBlock(line, block, rest, sizeof rest, &restLength);
    const bool commentOnly = sorted == kSetUpNone && readable && block.Empty() && block.hasComment && !block.tapeMark;
    if (sorted == kSetUpOnly) {
      const bool change = readable && block.HasCode('M', 6);
      if (change) heldCount = 0;
      describing = describing || change;
      continue;
    }
    if (commentOnly && describing) continue;
    if (commentOnly) {
      if (heldCount == kHeld) release();
      std::memcpy(held[heldCount], line, length);
      heldLength[heldCount++] = length;
      continue;
    }
    describing = false;
    release();
    if (sorted == kSetUpNone) take(line, length);
    if (sorted == kSetUpRemoved) take(rest, restLength);
  }
  release();
  return status == kLineEnd;
}

}  // namespace

int ToolSetUpLine(const char* line, size_t length, char* out, size_t size, size_t* outLength) {
  Block block;
  ReadBlock(line, length, &block);
  return ToolSetUpBlock(line, block, out, size, outLength);
}

int ToolSetUpBlock(const char* line, const Block& block, char* out, size_t size, size_t* outLength) {
  *outLength = 0;
  if (size > 0) out[0] = '\0';
  if (block.result != kBlockReadable) return kSetUpNone;
  const bool takesUpOffset = block.HasCode('G', 43) || block.HasCode('G', 44);
  int setUp = 0;
  int others = 0;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (IsToolSetUpWord(word, takesUpOffset)) {
      ++setUp;
    } else if (word.letter != 'N') {
      ++others;
    }
  }
  if (setUp == 0) return kSetUpNone;
  if (others == 0) return kSetUpOnly;
  size_t used = 0;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter == 'N' || IsToolSetUpWord(word, takesUpOffset)) continue;
    if (!AppendCanonicalWord(line, word, out, size, &used)) return kSetUpOnly;
  }
  *outLength = used;
  return kSetUpRemoved;
}

bool CopyResumeHeader(const char* path, FILE* out) {
  bool written = true;
  const bool read = ForEachHeaderLine(path, kResumeHeader, [&](const char* text, size_t length) {
    written = platform::WriteBytes(out, text, length) && platform::WriteBytes(out, "\r\n", 2) && written;
  });
  return read && written;
}

bool HeaderMachineState(const char* headerPath, const char* positioning, MachineState* state, int header) {
  if (!ForEachHeaderLine(headerPath, header, [&](const char* text, size_t length) {
        ApplyStateText(text, length, kWholeBlock, state);
      })) {
    return false;
  }
  ApplyStateText(positioning, std::strlen(positioning), kWholeBlock, state);
  return true;
}

void PieceWriter::Text(const char* text, size_t length) {
  written_ += length;
  if (outUsed_ + length > sizeof out_) Flush();
  if (length <= kLineCopy && sizeof out_ - outUsed_ >= kLineCopy && text == line_) {
    // A usual line: one copy of a fixed size from the line buffer (the bytes after the line are
    // overwritten by the next text or never written out).
    std::memcpy(out_ + outUsed_, text, kLineCopy);
    outUsed_ += length;
    return;
  }
  if (length > sizeof out_) {
    if (!platform::WriteBytes(file_.get(), text, length)) writeFailed_ = true;
    return;
  }
  std::memcpy(out_ + outUsed_, text, length);
  outUsed_ += length;
}

void PieceWriter::Flush() {
  if (outUsed_ > 0 && !platform::WriteBytes(file_.get(), out_, outUsed_)) writeFailed_ = true;
  outUsed_ = 0;
}

void PieceWriter::Append(const char* text, size_t length) {
  // The buffer holds the longest carried block and its additions; a cut can only mean a value far
  // beyond any machine, and the line still ends in a terminator.
  const size_t room = sizeof line_ - 3 - used_;
  const size_t count = length < room ? length : room;
  if (count > 0) std::memcpy(line_ + used_, text, count);  // often nothing: no riding words
  used_ += count;
  line_[used_] = '\0';
}

void PieceWriter::AppendShort(const char* text, size_t length) {
  if (sizeof line_ - 3 - used_ < kShortCopy) {
    Append(text, length);
    return;
  }
  // One copy of a fixed size (what lies after the text is overwritten later or ends the line).
  std::memcpy(line_ + used_, text, kShortCopy);
  used_ += length;
  line_[used_] = '\0';
}

void PieceWriter::Append(const char* text) { Append(text, std::strlen(text)); }

void PieceWriter::EndLine() {
  if (used_ == 0) return;
  line_[used_++] = '\r';
  line_[used_++] = '\n';
  Text(line_, used_);
  BeginLine();
}

void PieceWriter::AxisWord(char letter, double value, const int64_t* count) {
  char word[kWordTextSize];
  if (count != nullptr) {
    const bool point = settings_.format.decimal != 0;
    const CountParts parts =
        point ? SplitCount(Magnitude(*count), ResolutionDecimals(settings_.units)) : CountParts{0, 0, 0};
    const size_t length = CountTextLength(*count, point, parts);
    if (sizeof line_ - 3 - used_ > length + 1) {
      // Written in place, from its end: a text made in a buffer of its own and copied over would
      // be read back before its bytes have left the store buffer, and the copy would wait for
      // them.
      line_[used_] = letter;
      CountTextBackward(*count, point, parts, line_ + used_ + 1 + length);
      used_ += length + 1;
      line_[used_] = '\0';
      return;
    }
    // The word ends in the middle of `word`, so that a copy of kShortCopy bytes from its start
    // stays inside it.
    static_assert(kWordTextSize >= 2 * kShortCopy);
    char* start = CountTextBackward(*count, point, parts, word + kShortCopy);
    *--start = letter;
    AppendShort(start, static_cast<size_t>(word + kShortCopy - start));
    return;
  }
  if (settings_.units == kInches) {
    FormatInchAxisWord(letter, value, settings_.format.decimal, word);
  } else {
    FormatAxisWord(letter, value, settings_.format.decimal, word);
  }
  Append(word);
}

void PieceWriter::EnsureAbsolute() {
  if (distanceInForce_ == 90) return;
  Append("G90", 3);
  distanceInForce_ = 90;
}

void PieceWriter::EnsurePlane(int plane) {
  if (plane == planeInForce_) return;
  Append(plane == 18 ? "G18" : plane == 19 ? "G19" : "G17", 3);
  planeInForce_ = plane;
}

double PieceWriter::SeamHeight(double millimetres) const {
  return settings_.units == kInches ? millimetres / kMillimetresPerInch : millimetres;
}

int PieceWriter::Move(int motion, const Position& target, double feed, int flags, int plane,
                      const char* riding, const int64_t* counts) {
  const Position from = at_;
  at_[kX] = target[kX];
  at_[kY] = target[kY];
  at_[kZ] = target[kZ];
  const bool arc = IsArc(motion);
  const bool fullCircle = arc && (flags & kFullCircle) != 0;
  Position step;
  RelativeMove(target, from, &step, settings_.units);

  const MoveAxes named = AxesToName(from, target, step, flags, plane, fullCircle);
  const int axes = named.axes;
  const bool moves = named.moves;
  // An open arc whose end rounds onto its start would be cut as a whole circle: it is left out.
  const bool writable = (moves || fullCircle) && !(arc && !fullCircle && axes == 0);
  const size_t gWords = LeadingGWords(riding);
  const size_t ridingLength = riding[0] == '\0' ? 0 : std::strlen(riding);  // mostly none
  if (!writable) {
    // Nothing of the move reaches the piece; what rode on it still acts.
    if (ridingLength == 0) return 0;
    BeginLine();
    Append(riding, ridingLength);
    EndLine();
    return 1;
  }
  if (settings_.reportBlocks) ReportBlock(motion, target);

  BeginLine();
  int words = 0;
  EnsureAbsolute();
  if (plane != 0) EnsurePlane(plane);  // a record's plane; generated moves keep the one in force
  const bool newMotion = motion != motionInForce_;
  if (newMotion) {
    const char code[4] = {'G', '0', static_cast<char>('0' + (motion >= 0 && motion <= 3 ? motion : 0)), '\0'};
    Append(code, 3);
    ++words;
  }
  Append(riding, gWords);
  for (int slot = kX; slot <= kZ; ++slot) {
    if ((axes & (1 << slot)) == 0) continue;
    AxisWord(kWordLetters[slot], target[slot], counts != nullptr ? counts + slot : nullptr);
    ++words;
  }
  if (arc) words += AppendArcWords(target, step, flags, plane, counts);
  const bool newFeed = motion > 0 && writtenFeed_ != feed;
  if (newFeed) {
    char word[kWordTextSize] = "F";
    FormatFeed(feed, std::span<char>(word + 1, sizeof word - 1));
    Append(word);
    ++words;
  }
  Append(riding + gWords, ridingLength - gWords);
  if (words == 0 && ridingLength == 0) {  // a move inside the rounding window of every axis
    BeginLine();
    return 0;
  }
  EndLine();
  forced_ &= ~axes;
  if ((axes & (1 << kZ)) != 0) zAtTop_ = false;
  if (newMotion) motionInForce_ = motion;
  if (newFeed) writtenFeed_ = feed;
  if (settings_.observer != nullptr) {
    settings_.observer->MoveWritten(WrittenMove{from, target, motion, plane != 0 ? plane : planeInForce_,
                                                flags, origin_});
  }
  return words;
}

PieceWriter::MoveAxes PieceWriter::AxesToName(const Position& from, const Position& target, const Position& step,
                                              int flags, int plane, bool fullCircle) const {
  // The axes to name: those that move, those a program block left where the writer cannot follow,
  // and for a full circle both axes of its plane (an arc without its end point is one only by
  // accident). An axis the program itself does not know is never named: the machine leaves it be.
  MoveAxes named{0, false};
  for (int slot = kX; slot <= kZ; ++slot) {
    if ((flags & UnknownFlag(slot)) != 0) continue;
    const int bit = 1 << slot;
    const bool forced = (forced_ & bit) != 0 || (flags & NamedFlag(slot)) != 0;
    named.moves = named.moves || target[slot] != from[slot] || forced;
    if (step[slot] != 0.0 || forced || (fullCircle && InPlane(plane, slot))) {
      named.axes |= bit;
    }
  }
  return named;
}

int PieceWriter::AppendArcWords(const Position& target, const Position& step, int flags, int plane,
                                const int64_t* counts) {
  if ((flags & kRadiusForm) != 0) {
    AxisWord('R', target[kR], counts != nullptr ? counts + kR : nullptr);
    return 1;
  }
  int words = 0;
  int first = kI;
  int second = kJ;
  PlaneOffsets(plane, &first, &second);
  for (int slot : {first, second}) {
    if (step[slot] == 0.0) continue;
    AxisWord(kWordLetters[slot], target[slot], counts != nullptr ? counts + slot : nullptr);
    ++words;
  }
  return words;
}

int PieceWriter::SeamMove(int motion, const Position& target, double feed, int flags) {
  origin_ = kSeamMove;
  const int words = Move(motion, target, feed, flags);
  origin_ = kProgramMove;
  return words;
}

int PieceWriter::Open(int number, const char* path, const Position& entry, int header) {
  writeFailed_ = false;
  outUsed_ = 0;
  header_ = number > 1 ? header : kProgramHeader;
  if (!file_.Open(path, "wb")) return kPieceNotCreated;
  const bool copied = header_ == kResumeHeader ? CopyResumeHeader(settings_.headerPath, file_.get())
                                               : CopyTextFile(settings_.headerPath, file_.get());
  if (!copied) return kHeaderUnreadable;
  number_ = number;
  if (settings_.observer != nullptr) settings_.observer->PieceOpened(number, entry);
  // The tool has not moved yet: the offsets the positioning and every later move are in come first.
  for (int i = 0; i < offsetWriteCount_; ++i) {
    Text(offsetWrites_[i], std::strlen(offsetWrites_[i]));
    Text("\r\n", 2);
  }
  // Then the local coordinate system the piece resumes in, the frame of its positioning line and
  // of every move after it; stated from the program's first shift on, zeros too (see the top of
  // piece_writer.h).
  if (localUsed_) {
    BeginLine();
    Append("G90G52", 6);
    AxisWord('X', localShift_[kX]);
    AxisWord('Y', localShift_[kY]);
    EndLine();
  }
  // The tool may reach Z only as the program moves it: with the length offset the program cuts
  // under, and with the tool the program has in the spindle. Where the header leaves no length
  // offset in force in a program that cuts under one, or where the piece resumes with another tool
  // than the header's in a program that cuts without offsets (the tool's own length then decides
  // where the tip is), a piece after the first writes its positioning line (X and Y) in its
  // restore, and Z after its tool change.
  const int offset = HeaderState().lengthOffset;
  positioningPending_ = number > 1 && (settings_.lengthOffsets ? offset != 43 && offset != 44
                                                                : header_ == kResumeHeader);
  if (!positioningPending_) {
    const char* positioning = PiecePositioning();
    Text(positioning, std::strlen(positioning));
    Text("\r\n", 2);
  }
  if (settings_.format.comment == 1) {
    Text("(", 1);
    Text(settings_.ncFile, std::strlen(settings_.ncFile));
    Text(")\r\n", 3);
  }

  // The positioning line is an absolute rapid to the start point: G00 and G90 are in force there,
  // and every axis is where the writer knows it.
  const double* start = settings_.start;
  motionInForce_ = 0;
  distanceInForce_ = 90;
  planeInForce_ = settings_.header.plane == 18 || settings_.header.plane == 19 ? settings_.header.plane : 17;
  writtenFeed_ = 0.0;
  forced_ = 0;
  cycleActive_ = false;
  at_ = SeamPoint(StartIn(kX), StartIn(kY), start[2]);
  lastMotion_ = 0;
  lastFeed_ = 0.0;
  zAtTop_ = false;
  return kPieceWritten;
}

bool PieceWriter::KeepOffsetWrite(const char* words) {
  const size_t length = std::strlen(words);
  if (offsetWriteCount_ >= kOffsetWriteLimit || length >= kOffsetWriteTextSize) return false;
  std::memcpy(offsetWrites_[offsetWriteCount_++], words, length + 1);
  return true;
}

const char* PieceWriter::PiecePositioning() {
  if ((localShift_[kX] == 0.0 && localShift_[kY] == 0.0) || settings_.recipe == nullptr) return Positioning();
  const double shifted[3] = {StartIn(kX), StartIn(kY), settings_.start[2]};
  const bool withZ = header_ == kResumeHeader ? settings_.resumePositioningWithZ : settings_.positioningWithZ;
  FormatPositioningLine(*settings_.recipe, shifted, positioning_, withZ);
  return positioning_;
}

void PieceWriter::PendingPositioning(const MachineState& needed, bool withZ) {
  if (!positioningPending_) return;
  positioningPending_ = false;
  BeginLine();
  Append(PiecePositioning());
  EndLine();
  motionInForce_ = 0;
  distanceInForce_ = 90;
  if (!withZ) return;
  // Down (or up) to the start height with the length offset the program cuts with here.
  BeginLine();
  if (needed.lengthOffset == 43 || needed.lengthOffset == 44) {
    char text[32];
    std::snprintf(text, sizeof text, "G%dH%d", needed.lengthOffset,
                  needed.lengthRegister == kNotStated ? 0 : needed.lengthRegister);
    Append(text);
  }
  AxisWord('Z', settings_.start[2]);
  EndLine();
}

void PieceWriter::RestorePlaneAndFeedMode(const MachineState& needed) {
  const int plane = needed.plane == kNotStated ? 17 : needed.plane;
  if (plane != planeInForce_) {
    BeginLine();
    EnsurePlane(plane);
    EndLine();
  }
  const int headerMode = HeaderState().feedMode == kNotStated ? 94 : HeaderState().feedMode;
  if (needed.feedMode != kNotStated && needed.feedMode != headerMode) {
    char text[16];
    std::snprintf(text, sizeof text, "G%d", needed.feedMode);
    BeginLine();
    Append(text);
    EndLine();
  }
}

void PieceWriter::RestoreAtToolChange(const MachineState& needed, bool selection) {
  const MachineState& header = HeaderState();
  char text[32];
  RestorePlaneAndFeedMode(needed);
  if (selection && needed.selectedTool != kNotStated && needed.selectedTool != header.selectedTool) {
    std::snprintf(text, sizeof text, "T%d", needed.selectedTool);
    BeginLine();
    Append(text);
    EndLine();
  }
  // A spindle and a coolant the program left running into its tool change (and the speed it left
  // set): the change stops them or keeps them as it did in the program.
  const bool running = needed.spindle == 3 || needed.spindle == 4;
  if (running || (needed.spindleSpeed != kNotStated && needed.spindleSpeed != header.spindleSpeed)) {
    BeginLine();
    if (needed.spindleSpeed != kNotStated) {
      std::snprintf(text, sizeof text, "S%d", needed.spindleSpeed);
      Append(text);
    }
    if (running) Append(needed.spindle == 3 ? "M03" : "M04");
    EndLine();
  }
  if (needed.coolant == 7 || needed.coolant == 8) {
    std::snprintf(text, sizeof text, "M%02d", needed.coolant);
    BeginLine();
    Append(text);
    EndLine();
  }
  // The program's own set-up brings the tool down, with its length offset.
  PendingPositioning(needed, false);
}

void PieceWriter::Restore(const MachineState& needed) {
  const MachineState& header = HeaderState();
  const bool pending = positioningPending_;
  auto differs = [](int want, int have) { return want != kNotStated && want != have; };
  char text[64];
  auto line = [&](const char* format, int value) {
    std::snprintf(text, sizeof text, format, value);
    BeginLine();
    Append(text);
    EndLine();
  };
  RestorePlaneAndFeedMode(needed);
  // A tool change stops the spindle and, on many machines, the coolant: both are restored after it.
  const bool toolChange = differs(needed.tool, header.tool);
  if (toolChange) line("T%dM06", needed.tool);
  const int selected = toolChange ? needed.tool : header.selectedTool;
  if (differs(needed.selectedTool, selected)) line("T%d", needed.selectedTool);
  const bool spindleOn = needed.spindle == 3 || needed.spindle == 4;
  if (spindleOn && (toolChange || differs(needed.spindle, header.spindle) ||
                    differs(needed.spindleSpeed, header.spindleSpeed))) {
    BeginLine();
    if (needed.spindleSpeed != kNotStated) {
      std::snprintf(text, sizeof text, "S%d", needed.spindleSpeed);
      Append(text);
    }
    Append(needed.spindle == 3 ? "M03" : "M04");
    EndLine();
  } else if (needed.spindle == 5 && differs(5, header.spindle)) {
    line("M%02d", 5);
  } else if (differs(needed.spindleSpeed, header.spindleSpeed)) {
    line("S%d", needed.spindleSpeed);
  }
  // X and Y at the height the tool change (or the header) left the tool, then the start height
  // with the length offset.
  PendingPositioning(needed, true);
  // A rotary axis where the program had it, turned at the start height.
  for (int axis = 0; axis < 3; ++axis) {
    if (needed.rotary[axis][0] == '\0' || std::strcmp(needed.rotary[axis], header.rotary[axis]) == 0) continue;
    BeginLine();
    if (motionInForce_ != 0) Append("G00", 3);
    motionInForce_ = 0;
    Append(needed.rotary[axis]);
    EndLine();
  }
  // The length offset takes effect with a Z move: to the start height, where the tool stands.
  const bool lengthChanged = !pending && (differs(needed.lengthOffset, header.lengthOffset) ||
                                          ((needed.lengthOffset == 43 || needed.lengthOffset == 44) &&
                                           (toolChange || differs(needed.lengthRegister, header.lengthRegister))));
  if (lengthChanged && (needed.lengthOffset == 43 || needed.lengthOffset == 44)) {
    BeginLine();
    if (motionInForce_ != 0) Append("G00", 3);
    motionInForce_ = 0;
    std::snprintf(text, sizeof text, "G%dH%d", needed.lengthOffset,
                  needed.lengthRegister == kNotStated ? 0 : needed.lengthRegister);
    Append(text);
    AxisWord('Z', settings_.start[2]);
    EndLine();
  } else if (lengthChanged && needed.lengthOffset == 49) {
    line("G%d", 49);
  }
  if ((needed.coolant == 7 || needed.coolant == 8) &&
      (toolChange || differs(needed.coolant, header.coolant))) {
    line("M%02d", needed.coolant);
  } else if (needed.coolant == 9 && differs(9, header.coolant)) {
    line("M%02d", 9);
  }
}

void PieceWriter::Approach(const Position& entry, double feed) {
  const double* start = settings_.start;
  // Above the entry point at the start height, then down to the approach height.
  SeamMove(0, SeamPoint(entry[kX], entry[kY], start[2]), 0.0);
  SeamMove(0, SeamPoint(entry[kX], entry[kY], entry[kZ] + SeamHeight(settings_.seam.approach)), 0.0);
  // Plunge at the reduced feed; its F word is always written.
  writtenFeed_ = 0.0;
  SeamMove(1, SeamPoint(entry[kX], entry[kY], entry[kZ]), settings_.seam.approachFeedRatio * feed);
}

void PieceWriter::ApproachFromAbove(const Position& entry) {
  SeamMove(0, SeamPoint(entry[kX], entry[kY], settings_.start[2]), 0.0);
  SeamMove(0, SeamPoint(entry[kX], entry[kY], entry[kZ]), 0.0);
}

void PieceWriter::ApproachHole(const HoleRecord& hole) {
  // The cycle block is issued at the cycle's initial level, so that its G98 returns go where the
  // program's did; never below the R level, where the program only ever fed.
  const double level = hole.initial > hole.r ? hole.initial : hole.r;
  SeamMove(0, SeamPoint(hole.x, hole.y, settings_.start[2]), 0.0);
  SeamMove(0, SeamPoint(hole.x, hole.y, level), 0.0);
}

void PieceWriter::WriteMove(const MoveRecord& record) {
  const bool endsCycle = cycleActive_;
  if (endsCycle) {
    // The move's own motion code ends the cycle; a move that rounds to nothing gets a G80.
    cycleActive_ = false;
    motionInForce_ = -1;
  }
  Move(record.motion, record.at, record.feed, record.flags, record.plane, record.words,
       record.counted ? record.count : nullptr);
  if (endsCycle && motionInForce_ == -1) {
    BeginLine();
    Append("G80", 3);
    EndLine();
  }
  lastMotion_ = record.motion;
  lastFeed_ = record.feed;
}

void PieceWriter::WriteHole(const HoleRecord& hole) {
  const bool full = !cycleActive_ || cycle_.code != hole.code;
  BeginLine();
  EnsureAbsolute();
  EnsurePlane(17);
  const size_t gWords = LeadingGWords(hole.words);
  char code[8];
  if (full || cycle_.returnLevel != hole.returnLevel) {
    std::snprintf(code, sizeof code, "G%d", hole.returnLevel);
    Append(code);
  }
  if (full) {
    std::snprintf(code, sizeof code, "G%d", hole.code);
    Append(code);
  }
  Append(hole.words, gWords);
  // The hole is always named: a block of the cycle without its position drills nowhere new.
  AxisWord('X', hole.x);
  AxisWord('Y', hole.y);
  if (full || cycle_.z != hole.z) AxisWord('Z', hole.z);
  if (full || cycle_.r != hole.r) AxisWord('R', hole.r);
  if (full || std::strcmp(cycle_.params, hole.params) != 0) Append(hole.params);
  if (writtenFeed_ != hole.feed || full) {
    char word[kWordTextSize] = "F";
    FormatFeed(hole.feed, std::span<char>(word + 1, sizeof word - 1));
    Append(word);
    writtenFeed_ = hole.feed;
  }
  Append(hole.words + gWords);
  EndLine();
  cycle_ = hole;
  cycleActive_ = true;
  motionInForce_ = hole.code;
  at_ = SeamPoint(hole.x, hole.y, hole.returnLevel == 99 ? hole.r : hole.initial);
  forced_ &= ~((1 << kX) | (1 << kY));
  lastMotion_ = 0;  // a hole ends above the stock: no lift
  lastFeed_ = hole.feed;
}

void PieceWriter::WriteBlock(const BlockRecord& record) {
  Block block;
  const bool readable = ReadBlock(record.text, record.length, &block) == kBlockReadable;
  const bool axes = readable && (block.Has('X') || block.Has('Y') || block.Has('Z'));
  const bool ownMode = readable && (block.HasCode('G', 90) || block.HasCode('G', 91));
  if (axes && !ownMode && record.distanceMode != distanceInForce_) {
    // The block's axis words mean what they meant in the program only in its distance mode.
    BeginLine();
    Append(record.distanceMode == 91 ? "G91" : "G90", 3);
    EndLine();
    distanceInForce_ = record.distanceMode;
  }
  Text(record.text, record.length);
  Text("\r\n", 2);
  if (!readable) return;
  for (int w = 0; w < block.wordCount; ++w) {
    const BlockWord& word = block.words[w];
    if (word.letter == 'F') writtenFeed_ = word.value;
    if (word.letter != 'G' || !word.integral) continue;
    const int code = word.code;
    if (code >= 0 && code <= 3) {
      motionInForce_ = code;
      cycleActive_ = false;
    }
    if (code == 80) {
      motionInForce_ = -1;
      cycleActive_ = false;
    }
    if (code == 90 || code == 91) distanceInForce_ = code;
    if (code >= 17 && code <= 19) planeInForce_ = code;
    // A reference return or a machine-coordinate move leaves the axes it names where only the
    // machine knows; a work offset moves every axis's numbers.
    if (code == 27 || code == 28 || code == 30 || code == 53) {
      forced_ |= (block.Has('X') ? 1 << kX : 0) | (block.Has('Y') ? 1 << kY : 0) |
                 (block.Has('Z') ? 1 << kZ : 0);
      // A return to the reference point (or machine zero and above) ends at the top of travel.
      const BlockWord* z = block.Find('Z');
      if (z != nullptr && (code != 53 || z->value >= 0.0)) zAtTop_ = true;
    }
    // So may an offset write: the work offset or the tool length in force may be the one written.
    if ((code >= 54 && code <= 59) || code == 10) forced_ = 7;
  }
  if (IsLocalSystem(block)) {
    // The tool stays: its numbers change by the change of the shift.
    double shift[3] = {localShift_[kX], localShift_[kY], 0.0};
    LocalSystemValues(block, settings_.units, shift);
    for (int axis = kX; axis <= kY; ++axis) {
      at_[axis] -= shift[axis] - localShift_[axis];
      localShift_[axis] = shift[axis];
      if (shift[axis] != 0.0) localUsed_ = true;
    }
  }
}

int PieceWriter::Close(double time, double distance, bool moves, const double* machineTime, const char* tools) {
  const double* start = settings_.start;
  if (cycleActive_) {
    BeginLine();
    Append("G80", 3);
    EndLine();
    cycleActive_ = false;
    motionInForce_ = -1;
  }
  if (moves && zAtTop_ && !settings_.setsPosition) {
    // The program has taken the tool up to the top of travel itself: only the return in X and Y,
    // up there, announced with G00, Z left where it is.
    motionInForce_ = -1;
    SeamMove(0, SeamPoint(StartIn(kX), StartIn(kY), at_[kZ]), 0.0, UnknownFlag(kZ));
  } else if (moves) {
    // Lift at feed, clear of the surface, when a straight feed move ended the piece.
    const Position stop = SeamPoint(at_[kX], at_[kY], at_[kZ]);
    if (lastMotion_ == 1) {
      SeamMove(1, SeamPoint(stop[kX], stop[kY], stop[kZ] + SeamHeight(settings_.seam.lift)),
               settings_.seam.liftFeedRatio * lastFeed_);
    }

    // Retract to the start height, always announced with G00; then the return in X and Y, with
    // G00 when the retract did not put it in force. Under a local coordinate system both are made
    // in its frame, and the return goes to the start point's machine position.
    const int inForce = motionInForce_;
    motionInForce_ = -1;
    if (SeamMove(0, SeamPoint(at_[kX], at_[kY], start[2]), 0.0) == 0) motionInForce_ = inForce;
    SeamMove(0, SeamPoint(StartIn(kX), StartIn(kY), start[2]), 0.0);
  }

  if (settings_.format.comment == 1) {
    char number[64];
    int length = FormatRounded(time, number, 3);
    Text("(TIME = ", 8);
    Text(number, static_cast<size_t>(length));
    Text("min)\r\n", 6);
    if (machineTime != nullptr) {
      length = FormatRounded(*machineTime, number, 3);
      Text("(MACHINE TIME = ", 16);
      Text(number, static_cast<size_t>(length));
      Text("min)\r\n", 6);
    }
    length = FormatRounded(distance, number, 3);
    Text("(DIST = ", 8);
    Text(number, static_cast<size_t>(length));
    Text("mm)\r\n", 5);
    if (tools != nullptr) {
      Text("(TOOLS = ", 9);
      Text(tools, std::strlen(tools));
      Text(")\r\n", 3);
    }
  }
  if (settings_.observer != nullptr) settings_.observer->PieceClosed(number_, time, distance);
  Flush();
  const bool footer = CopyTextFile(settings_.footerPath, file_.get());
  const bool closed = file_.Close();
  if (!footer) return kFooterUnreadable;
  if (!closed || writeFailed_) return kPieceNotWritten;
  return kPieceWritten;
}
