// The piece writer: every byte of a piece is written here.
//
// A piece begins with the program's header (its opening lines, ending in a rapid positioning line
// to the start point), a comment naming the source program and, from the second piece on, the
// approach: rapid to above the point where the previous piece stopped, rapid down to `approach`
// above it, plunge at a reduced feed, then the move of the record that opens the piece, cut again
// along its own path. Then come the moves of the body, in the compact form the controls read (no
// blanks between words, a G word only when the motion in force changes, axis words only for the
// axes that move, arc words only on arcs, an F word only when the feed changed on a feed move). A
// piece ends with the record that ended it, a lift at feed (after a straight feed move), a rapid
// retract to the start height, a rapid return to the start point, comments with the piece's
// cutting time and distance, and the program's footer.
//
// The writer keeps what it has put in force on the machine (the motion, the feed, where the tool
// stands), so that every block it writes is the difference between that and the block's target.
// An observer given in the settings is told of every piece and every motion block written.
#pragma once

#include <cstdio>

#include "config/settings.h"
#include "nc/records.h"
#include "platform/platform.h"
#include "split/intermediate.h"
#include "split/piece_observer.h"

// The seam tuning of [QUENDRA], read at every run.
struct SeamSettings {
  double approach;           // APPROACH: height above the entry point where the approach turns
                             // from rapid to feed, mm (default 10)
  double lift;               // LIFT: height of the lift at feed that ends a piece, mm (default 1)
  double approachFeedRatio;  // AFEED: factor on the feed for the approach plunge (default 0.5)
  double liftFeedRatio;      // LFEED: factor on the feed for the lift (default 1.0)
};

// Everything a piece is made of besides its moves; the same for every piece of a run.
struct PieceSettings {
  const char* ncFile;      // the source program, named in the comment after the header
  const char* headerPath;  // the header file, copied at the head of every piece
  const char* footerPath;  // the footer file, copied at the end of every piece
  const char* positioning; // the positioning line to the start point, written after the header
  double start[3];         // the start point: where the tool stands before and after every piece
  SeamSettings seam;
  FormatSettings format;   // decimal 0: thousandths without a point; comment 1: comment lines
  PieceObserver* observer = nullptr;  // told of every piece and every block written (nullptr: none)
};

// Results of PieceWriter's operations.
enum PieceWriteResult {
  kPieceWritten = 0,
  kPieceNotCreated = -1,     // Open: the piece file cannot be created
  kHeaderUnreadable = -2,     // Open: the header file cannot be read (nothing written after it)
  kFooterUnreadable = -3,     // Close: the footer file cannot be read (the moves are written)
  kPieceNotWritten = -4,     // Close: the piece could not be written to its end
};

class PieceWriter {
 public:
  explicit PieceWriter(const PieceSettings& settings) : settings_(settings) {}
  PieceWriter(const PieceWriter&) = delete;
  PieceWriter& operator=(const PieceWriter&) = delete;

  // Creates piece `number` at `path` (replacing an earlier file) and writes its head: the header
  // file copied unchanged, the positioning line, the comment "(<ncFile>)" when comments are on
  // and, for piece 2 on, the approach to `entry` (where the previous piece stopped) and the move
  // of `first` from there.
  // Returns kPieceWritten, kPieceNotCreated or kHeaderUnreadable.
  int Open(int number, const char* path, const Position& entry, const MoveRecord& first);

  // Writes one move of the body from where the tool stands.
  void WriteMove(const MoveRecord& record);

  // Writes the tail: `last` (the record that ends the piece, nullptr at the end of the program),
  // the lift, retract and return, the totals (`time` minutes, `distance` mm) as comments when
  // comments are on, and the footer. Then closes the file. Returns kPieceWritten,
  // kFooterUnreadable or kPieceNotWritten.
  int Close(const MoveRecord* last, double time, double distance);

 private:
  // One move from `at_` to `target` in `motion` with `feed` (`flags`: MoveFlag bits of an arc);
  // returns the words written.
  int Move(int motion, const Position& target, double feed, int flags = 0);
  // Move() for a move the split adds (approach, plunge, lift, retract, return): the observer
  // is told so.
  int SeamMove(int motion, const Position& target, double feed);
  void Text(const char* text, size_t length);

  const PieceSettings& settings_;
  platform::FileHandle file_;
  bool writeFailed_ = false;
  int motionInForce_ = 0;    // the motion code the piece has put in force
  double writtenFeed_ = 0;   // the F last written into the piece (0: none yet)
  Position at_{};            // where the tool stands after the blocks written so far
  int lastMotion_ = 0;       // motion of the last record written (the lift follows a G01)
  double lastFeed_ = 0;      // feed of the last record written
  // For the observer: the piece open, the plane of the record being written, where the move
  // being written comes from.
  int number_ = 0;
  int plane_ = 17;
  int origin_ = kProgramMove;
};

// Copies the text file at `path` into `out` as a text-mode read and write would: "\r\n" and "\n"
// both come out as "\r\n", a lone "\r" stays, and a Ctrl-Z ends the text. Returns false when the
// file cannot be opened or read to its end. A failed write stays with `out` (its close fails).
bool CopyTextFile(const char* path, FILE* out);
