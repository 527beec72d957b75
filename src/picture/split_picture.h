// The picture of a split: the toolpath of every piece as it was written, in few enough points to
// draw at once however long the program, with each piece's seam, its totals and the extents.
//
// A SplitPicture is filled as the PieceObserver of one split and is then read by the drawers (the
// SVG file, split_svg.h; the picture window of the Windows program). It never reads a file.
//
// Each piece is one polyline in space: every written move adds its end point (an arc adds the ends
// of chords of at most 10 degrees), and each point remembers the kind of the stretch that ends
// there (cutting, the program's rapid, a seam move of the split). Memory stays bounded:
//   - at most `pieces` pieces are kept; later ones are counted and their moves only widen the
//     extents;
//   - each kept piece holds at most its share of points: `pointsPerPiece`, or fewer once many
//     pieces share the `points` of the whole picture (never fewer than points / pieces).
// When a piece grows past its share its polyline is simplified in place (Douglas-Peucker: a point
// goes when it lies within the tolerance of the chord that replaces it), with a tolerance that
// doubles until the piece holds at most half its share. A run of short, nearly collinear moves
// shrinks to a few points; corners and long moves stay. The points where a piece starts and ends,
// its seam point and the point where its own moves give way to the seam moves are never dropped
// and keep their exact values. Points where cutting gives way to a rapid are kept too, as long as
// the piece can stay within its share with them; past that, a stretch that merges kinds takes the
// kind of its longest part.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "split/piece_observer.h"
#include "split/split_job.h"

// The kind of a stretch of toolpath.
enum PathKind : uint8_t {
  kPathCut = 0,    // the program's feed moves and arcs
  kPathRapid = 1,  // the program's rapids
  kPathSeam = 2,   // the moves the split added (approach, plunge, lift, retract, return)
};

struct PicturePoint {
  double x;
  double y;
  double z;
  uint8_t kind;   // PathKind of the stretch that ends here (no meaning for a piece's first point)
  bool fixed;     // never dropped: the piece's ends, its seam, the change to the seam moves
};

// The bounds of a set of points.
struct PictureBox {
  std::array<double, 3> minimum{};
  std::array<double, 3> maximum{};
  bool any = false;  // false until the first point

  void Add(double x, double y, double z);
  void Add(const PictureBox& other);
};

struct PicturePiece {
  int number = 0;
  double time = 0;      // cutting time, minutes (as the run log reports it)
  double distance = 0;  // cutting distance, mm
  bool closed = false;  // PieceClosed was told
  bool resumes = false;                // piece 2 on: it resumes at `entry`
  std::array<double, 3> entry{};       // the seam: where the previous piece stopped cutting
  std::vector<PicturePoint> points;    // the polyline, at most the piece's share
  double tolerance = 0;                // simplification tolerance reached, mm (0: none yet)
  size_t settled = 0;                  // points before this one are simplified at `tolerance`
  bool kindsMerged = false;            // kinds no longer kept apart (see the top of the file)
  long long moves = 0;                 // blocks written into the piece
  long long bytes = -1;                // the piece file's size (PieceFacts; -1: not told)
  bool endsClean = false;              // PieceFacts: it ends at a break or before a cut, so the
                                       // seam after it cuts nothing twice
};

struct PictureLimits {
  int pieces;          // pieces kept with their points
  int points;          // points of all kept pieces together
  int pointsPerPiece;  // points of one piece
};
// 100 000 points of 32 bytes: about 3 MB for the largest picture (and an SVG file of about as
// many bytes), far more than the pixels of any view.
inline constexpr PictureLimits kPictureLimits{1000, 100000, 4000};

// Degrees of the longest chord an arc is drawn with.
inline constexpr double kArcChordDegrees = 10.0;

class SplitPicture : public PieceObserver {
 public:
  explicit SplitPicture(const PictureLimits& limits = kPictureLimits) : limits_(limits) {}

  // Forgets everything and starts the picture of a split of `ncFile` (CP932; cut to 511 bytes).
  void Begin(const char* ncFile);

  void PieceOpened(int number, const Position& entry) override;
  void MoveWritten(const WrittenMove& move) override;
  void PieceClosed(int number, double time, double distance) override;
  void PieceFacts(int number, bool clean, long long bytes) override;
  // True when PieceFacts was told of a piece: the picture marks seams by kind and shows sizes.
  bool factsKnown() const { return factsKnown_; }

  const char* ncFile() const { return ncFile_; }
  // The kept pieces, in order (piece i + 1 at index i).
  const std::vector<PicturePiece>& pieces() const { return pieces_; }
  // Every piece opened, kept or not.
  int piecesWritten() const { return piecesWritten_; }
  // Cutting time and distance of every piece closed.
  double totalTime() const { return totalTime_; }
  double totalDistance() const { return totalDistance_; }
  // The stock: the bounds of the program's cutting moves (arcs as drawn).
  const PictureBox& stock() const { return stock_; }
  // The bounds of everything written: rapids, seam moves and the start point included.
  const PictureBox& extents() const { return extents_; }
  // Points held by all kept pieces.
  size_t pointCount() const;
  // The most points one piece may hold now.
  size_t PieceShare() const;
  const PictureLimits& limits() const { return limits_; }

 private:
  bool factsKnown_ = false;
  void Append(PicturePiece* piece, double x, double y, double z, uint8_t kind, bool fixed);
  // Simplifies `piece` until it holds at most `target` points (see the top of the file).
  void Compact(PicturePiece* piece, size_t target);
  // One Douglas-Peucker pass over points[first..] with `tolerance`.
  void Simplify(PicturePiece* piece, size_t first, double tolerance);

  PictureLimits limits_;
  char ncFile_[kPathField] = "";
  std::vector<PicturePiece> pieces_;
  int current_ = -1;                 // index of the open piece when it is kept, else -1
  int piecesWritten_ = 0;
  int lastOrigin_ = kProgramMove;    // origin of the last move of the open piece
  double totalTime_ = 0;
  double totalDistance_ = 0;
  PictureBox stock_;
  PictureBox extents_;
  // Scratch of Simplify, kept to spare allocations.
  std::vector<uint8_t> keep_;
  std::vector<std::pair<size_t, size_t>> stack_;
};

// The colour of piece `number` as 0xRRGGBB: twelve colours that stay apart on white, in turn,
// so that neighbouring pieces never share one.
uint32_t PieceColour(int number);

// Where the two views of a picture go in a drawing area: the view from above (X right, Y up) and
// the view from the front (X right, Z up) under it, sharing the X scale, with a margin. The side
// view shows the stock's heights: when the rapids climb far above it (to a start point high
// over the part, say), its Z range is the stock's with a quarter of its height above and below,
// and what lies beyond is cut off at the frame (`sideClipped`). A side view that would come out
// flatter than a fifth of the area is stretched in Z (zScale > scale).
struct PictureLayout {
  double scale;       // pixels per mm in X and Y (and in Z when zScale equals it)
  double zScale;      // pixels per mm in Z in the side view
  PictureBox box;     // the bounds drawn: X and Y of both views, Z of the side view
  bool sideClipped;   // the side view's Z range leaves out part of what was written
  double left;        // the views' frames: from left to right,
  double right;
  double topTop;      // the top view from topTop to topBottom,
  double topBottom;
  double sideTop;     // the side view from sideTop to sideBottom
  double sideBottom;

  double X(double x) const { return left + (x - box.minimum[0]) * scale; }
  double TopY(double y) const { return topBottom - (y - box.minimum[1]) * scale; }
  double SideY(double z) const { return sideBottom - (z - box.minimum[2]) * zScale; }
  // SideY kept within the side view's frame (for marks of points it cuts off).
  double SideYInFrame(double z) const {
    const double y = SideY(z);
    return y < sideTop ? sideTop : (y > sideBottom ? sideBottom : y);
  }
};

// The figures at the views' edges, the bounds drawn there: Y at the left of the top view (its
// maximum at the top), Z at the left of the side view, X under the side view at both ends.
struct AxisFigure {
  double x;      // where it stands on the frame, pixels
  double y;
  int dx;        // moved from there by this much at 96 DPI (the drawers scale it)
  int dy;
  char axis;     // 'X', 'Y' or 'Z'
  double value;  // mm
  bool centred;  // centred on x; otherwise it ends at x
};
std::array<AxisFigure, 6> AxisFigures(const PictureLayout& layout);

// The area the two views are laid out in, pixels.
struct PictureArea {
  double left;
  double top;
  double width;
  double height;
  double gap;  // between the views
};

// The layout of `extents` (everything written) and `stock` in `area`. Every range is widened to
// at least 1 mm, then by 3 % on each side so that nothing lies on a frame.
PictureLayout LayOutPicture(const PictureBox& extents, const PictureBox& stock, const PictureArea& area);
