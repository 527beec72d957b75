#include "split/piece_edges.h"

#include <cstdio>
#include <span>
#include <string_view>

#include "nc/format.h"
#include "platform/platform.h"

namespace {

constexpr unsigned char kEndOfText = 0x1A;  // Ctrl-Z: old editors end a text file with it

// Writes `text` as it is. A failed write is not reported here: it stays with the piece file, whose
// close then fails (platform::FileServices::write), and the split driver checks that close.
void Put(FILE* piece, std::string_view text) { platform::WriteBytes(piece, text.data(), text.size()); }

// Copies the text file at `path` into `piece` as a text-mode read and write would: "\r\n" and "\n"
// both come out as "\r\n", a lone "\r" stays, and a Ctrl-Z ends the text. Any line length is
// copied whole. Returns false when the file cannot be opened or read to its end (a header or
// footer cut short would make a piece that looks whole).
bool CopyTextFile(const char* path, FILE* piece) {
  platform::FileHandle source(path, "rb");
  if (!source) return false;
  unsigned char in[8192];
  char out[2 * sizeof in + 2];
  bool pendingReturn = false;
  bool ended = false;
  while (!ended) {
    const ptrdiff_t got = platform::ReadBytes(source.get(), in, sizeof in);
    if (got < 0) return false;
    if (got == 0) break;
    size_t used = 0;
    for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
      unsigned char b = in[i];
      if (pendingReturn) {
        pendingReturn = false;
        if (b == '\n') {
          out[used++] = '\r';
          out[used++] = '\n';
          continue;
        }
        out[used++] = '\r';
      }
      if (b == kEndOfText) {
        ended = true;
        break;
      }
      if (b == '\r') {
        pendingReturn = true;
      } else if (b == '\n') {
        out[used++] = '\r';
        out[used++] = '\n';
      } else {
        out[used++] = static_cast<char>(b);
      }
    }
    Put(piece, std::string_view(out, used));
  }
  if (pendingReturn) Put(piece, "\r");
  return true;
}

// A seam target: X, Y, Z only, never arc words.
Position SeamPoint(double x, double y, double z) {
  Position point{};
  point[kX] = x;
  point[kY] = y;
  point[kZ] = z;
  return point;
}

// "(<label> = <value rounded to 3 decimals><unit>)" followed by a line end.
void WriteTotalComment(FILE* piece, const char* label, double value, const char* unit) {
  char number[64];
  FormatRounded(value, number, 3);
  char text[sizeof number + 32];
  int length = std::snprintf(text, sizeof text, "(%s = %s%s)\r\n", label, number, unit);
  Put(piece, std::string_view(text, static_cast<size_t>(length)));
}

}  // namespace

int OpenPiece(FILE* piece, const char* headerPath, int pieceNumber, const char* ncFile,
              const Position& entry, const Position& record, const double start[3],
              const SeamSettings& seam, ModalState* modal, OutputFeed* feed,
              const FormatSettings& format) {
  if (!CopyTextFile(headerPath, piece)) return kHeaderUnreadable;
  if (format.comment == 1) {
    Put(piece, "(");
    Put(piece, ncFile);
    Put(piece, ")\r\n");
  }

  // The header ends with its rapid positioning line to the start point: G00 is in force.
  ModalState seamModal{};
  seamModal.motion = 0;
  seamModal.previousMotion = 0;
  seamModal.olderMotion = modal->previousMotion;
  if (pieceNumber > 1) {
    // Above the entry point at the start height, then down to the approach height.
    Position from = SeamPoint(start[0], start[1], start[2]);
    Position to = SeamPoint(entry[kX], entry[kY], start[2]);
    WriteMotionBlock(piece, &seamModal, to, from, feed, format);
    from = to;
    to[kZ] = entry[kZ] + seam.approach;
    WriteMotionBlock(piece, &seamModal, to, from, feed, format);

    // Plunge at the reduced feed; its F word is always written.
    feed->savedFeed = feed->feed;
    feed->savedWrittenFeed = feed->writtenFeed;
    feed->writtenFeed = 0.0;
    feed->feed = seam.approachFeedRatio * feed->feed;
    seamModal.motion = 1;
    from = to;
    to[kZ] = entry[kZ];
    WriteMotionBlock(piece, &seamModal, to, from, feed, format);
    feed->feed = feed->savedFeed;

    // The record that opens this piece, re-cut from the entry point along its own path. After the
    // plunge G01 is in force (the plunge always writes it: at least its F word).
    seamModal.previousMotion = 1;
    seamModal.motion = modal->motion;
    Position recut = record;
    if (modal->motion != 2 && modal->motion != 3) {
      recut[kI] = 0.0;
      recut[kJ] = 0.0;
    }
    recut[kR] = recut[kQ] = recut[kK] = 0.0;
    WriteMotionBlock(piece, &seamModal, recut, to, feed, format);
  }
  modal->previousMotion = seamModal.previousMotion;
  modal->olderMotion = seamModal.olderMotion;
  return kPieceEdgeOk;
}

int ClosePiece(FILE* piece, const char* footerPath, const Position* lastRecord, const Position& from,
               const double start[3], const SeamSettings& seam, ModalState* modal, OutputFeed* feed,
               const SplitMeter& time, const SplitMeter& distance, const FormatSettings& format) {
  ModalState seamModal{};
  seamModal.motion = modal->motion;
  seamModal.previousMotion = modal->previousMotion;
  seamModal.olderMotion = modal->olderMotion;

  Position at = from;
  if (lastRecord != nullptr) {
    WriteMotionBlock(piece, &seamModal, *lastRecord, from, feed, format);
    at = *lastRecord;
  }
  Position to = SeamPoint(at[kX], at[kY], at[kZ]);

  // Lift at feed, clear of the surface, when a straight feed move ended the piece.
  if (modal->motion == 1) {
    feed->savedFeed = feed->feed;
    feed->feed = seam.liftFeedRatio * feed->feed;
    Position lifted = to;
    lifted[kZ] = to[kZ] + seam.lift;
    WriteMotionBlock(piece, &seamModal, lifted, to, feed, format);
    feed->feed = feed->savedFeed;
    to = lifted;
  }

  // Retract to the start height, always announced with G00.
  const int inForce = seamModal.previousMotion;
  Position retracted = to;
  retracted[kZ] = start[2];
  seamModal.motion = 0;
  seamModal.previousMotion = -1;
  if (WriteMotionBlock(piece, &seamModal, retracted, to, feed, format) == 0) {
    seamModal.previousMotion = inForce;
  } else {
    seamModal.olderMotion = inForce;
  }

  // Return to the start point in X and Y: G00 when the retract did not put it in force.
  Position home = retracted;
  home[kX] = start[0];
  home[kY] = start[1];
  seamModal.motion = 0;
  WriteMotionBlock(piece, &seamModal, home, retracted, feed, format);

  modal->previousMotion = seamModal.previousMotion;
  modal->olderMotion = seamModal.olderMotion;

  if (format.comment == 1) {
    WriteTotalComment(piece, "TIME", time.previous, "min");
    WriteTotalComment(piece, "DIST", distance.previous, "mm");
  }
  if (!CopyTextFile(footerPath, piece)) return kFooterUnreadable;
  return kPieceEdgeOk;
}
