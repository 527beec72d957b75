#include "split/piece_writer.h"

#include <cstring>

#include "config/settings.h"
#include "log/run_log.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/measure.h"

namespace {

constexpr unsigned char kEndOfText = 0x1A;  // Ctrl-Z: old editors end a text file with it

// One block never holds more than a G word, six words and an F word.
constexpr size_t kBlockTextSize = 160;
constexpr size_t kWordTextSize = 40;

bool IsArc(int motion) { return motion == 2 || motion == 3; }

// Appends `text` to the block being built; the buffer is sized for the longest block, so a cut
// can only mean a value far beyond any machine, and it still ends in a terminator.
void Append(char (&block)[kBlockTextSize], size_t* used, const char* text) {
  while (*text != '\0' && *used + 1 < sizeof block) block[(*used)++] = *text++;
  block[*used] = '\0';
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

void PieceWriter::Text(const char* text, size_t length) {
  if (length > 0 && !platform::WriteBytes(file_.get(), text, length)) writeFailed_ = true;
}

int PieceWriter::Move(int motion, const Position& target, double feed, int flags) {
  const Position from = at_;
  at_[kX] = target[kX];
  at_[kY] = target[kY];
  at_[kZ] = target[kZ];
  const bool arc = IsArc(motion);
  const bool moves = target[kX] != from[kX] || target[kY] != from[kY] || target[kZ] != from[kZ];
  const bool fullCircle = arc && (flags & kFullCircle) != 0;
  if (!moves && !fullCircle) return 0;

  if (gCommandSettings.debug == 2) ReportBlock(motion, target);

  Position step;
  RelativeMove(target, from, &step);

  char block[kBlockTextSize];
  size_t used = 0;
  block[0] = '\0';
  int words = 0;
  char word[kWordTextSize];

  const bool newMotion = motion != motionInForce_;
  if (newMotion) {
    word[0] = 'G';
    word[1] = '0';
    word[2] = static_cast<char>('0' + (motion >= 0 && motion <= 3 ? motion : 0));
    word[3] = '\0';
    Append(block, &used, word);
    ++words;
  }
  // The axes that move; a full circle names its end point in the plane as well, since an arc
  // without its end point is one only by accident.
  int axisWords = 0;
  for (int slot = kX; slot <= kZ; ++slot) {
    const bool planeAxis = slot != kZ;
    if (step[slot] == 0.0 && !(fullCircle && planeAxis)) continue;
    FormatAxisWord(kWordLetters[slot], target[slot], settings_.format.decimal, word);
    Append(block, &used, word);
    ++words;
    ++axisWords;
  }
  // An open arc whose end rounds onto its start would be cut as a whole circle: it is left out.
  if (arc && !fullCircle && axisWords == 0) return 0;
  if (arc && (flags & kRadiusForm) != 0) {
    FormatAxisWord('R', target[kR], settings_.format.decimal, word);
    Append(block, &used, word);
    ++words;
  } else if (arc) {
    for (int slot = kI; slot <= kJ; ++slot) {
      if (step[slot] == 0.0) continue;
      FormatAxisWord(kWordLetters[slot], target[slot], settings_.format.decimal, word);
      Append(block, &used, word);
      ++words;
    }
  }
  const bool newFeed = motion > 0 && writtenFeed_ != feed;
  if (newFeed) {
    word[0] = 'F';
    FormatFeed(feed, std::span<char>(word + 1, sizeof word - 1));
    Append(block, &used, word);
    ++words;
  }
  if (words == 0) return 0;  // a move inside the rounding window of every axis

  Append(block, &used, "\r\n");
  Text(block, used);
  if (newMotion) motionInForce_ = motion;
  if (newFeed) writtenFeed_ = feed;
  if (settings_.observer != nullptr) {
    settings_.observer->MoveWritten(WrittenMove{from, target, motion, plane_, flags, origin_});
  }
  return words;
}

int PieceWriter::SeamMove(int motion, const Position& target, double feed) {
  origin_ = kSeamMove;
  const int words = Move(motion, target, feed);
  origin_ = kProgramMove;
  return words;
}

int PieceWriter::Open(int number, const char* path, const Position& entry, const MoveRecord& first) {
  writeFailed_ = false;
  if (!file_.Open(path, "wb")) return kPieceNotCreated;
  if (!CopyTextFile(settings_.headerPath, file_.get())) return kHeaderUnreadable;
  number_ = number;
  if (settings_.observer != nullptr) settings_.observer->PieceOpened(number, entry);
  Text(settings_.positioning, std::strlen(settings_.positioning));
  Text("\r\n", 2);
  if (settings_.format.comment == 1) {
    Text("(", 1);
    Text(settings_.ncFile, std::strlen(settings_.ncFile));
    Text(")\r\n", 3);
  }

  // The header ends with its rapid positioning line to the start point: G00 is in force there.
  const double* start = settings_.start;
  motionInForce_ = 0;
  writtenFeed_ = 0.0;
  at_ = SeamPoint(start[0], start[1], start[2]);
  if (number > 1) {
    // Above the entry point at the start height, then down to the approach height.
    SeamMove(0, SeamPoint(entry[kX], entry[kY], start[2]), 0.0);
    SeamMove(0, SeamPoint(entry[kX], entry[kY], entry[kZ] + settings_.seam.approach), 0.0);
    // Plunge at the reduced feed; its F word is always written.
    writtenFeed_ = 0.0;
    SeamMove(1, SeamPoint(entry[kX], entry[kY], entry[kZ]), settings_.seam.approachFeedRatio * first.feed);
    // The record that opens this piece, cut again from the entry point along its own path.
    plane_ = first.plane;
    Move(first.motion, first.at, first.feed, first.flags);
  }
  lastMotion_ = first.motion;
  lastFeed_ = first.feed;
  return kPieceWritten;
}

void PieceWriter::WriteMove(const MoveRecord& record) {
  plane_ = record.plane;
  Move(record.motion, record.at, record.feed, record.flags);
  lastMotion_ = record.motion;
  lastFeed_ = record.feed;
}

int PieceWriter::Close(const MoveRecord* last, double time, double distance) {
  const double* start = settings_.start;
  if (last != nullptr) WriteMove(*last);

  // Lift at feed, clear of the surface, when a straight feed move ended the piece.
  const Position stop = SeamPoint(at_[kX], at_[kY], at_[kZ]);
  if (lastMotion_ == 1) {
    SeamMove(1, SeamPoint(stop[kX], stop[kY], stop[kZ] + settings_.seam.lift),
             settings_.seam.liftFeedRatio * lastFeed_);
  }

  // Retract to the start height, always announced with G00; then the return in X and Y, with
  // G00 when the retract did not put it in force.
  const int inForce = motionInForce_;
  motionInForce_ = -1;
  if (SeamMove(0, SeamPoint(at_[kX], at_[kY], start[2]), 0.0) == 0) motionInForce_ = inForce;
  SeamMove(0, SeamPoint(start[0], start[1], start[2]), 0.0);

  if (settings_.format.comment == 1) {
    char number[64];
    int length = FormatRounded(time, number, 3);
    Text("(TIME = ", 8);
    Text(number, static_cast<size_t>(length));
    Text("min)\r\n", 6);
    length = FormatRounded(distance, number, 3);
    Text("(DIST = ", 8);
    Text(number, static_cast<size_t>(length));
    Text("mm)\r\n", 5);
  }
  if (settings_.observer != nullptr) settings_.observer->PieceClosed(number_, time, distance);
  const bool footer = CopyTextFile(settings_.footerPath, file_.get());
  const bool closed = file_.Close();
  if (!footer) return kFooterUnreadable;
  if (!closed || writeFailed_) return kPieceNotWritten;
  return kPieceWritten;
}
