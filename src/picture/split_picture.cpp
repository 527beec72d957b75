#include "picture/split_picture.h"

#include <algorithm>
#include <cmath>

#include "nc/arctangent.h"
#include "nc/measure.h"
#include "split/intermediate.h"
#include "text/text_cut.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTurn = 2.0 * kPi;
// The first simplification tolerance of a piece, as a share of the picture's size so far (and
// never below 0.001 mm, the resolution of the pieces).
constexpr double kFirstToleranceShare = 1e-4;
constexpr double kSmallestTolerance = 0.001;
// The most an arc is cut into: a whole circle at 10 degrees.
constexpr int kMostChords = 36;

// The plane of an arc as first and second coordinate, turned so that counter-clockwise is the
// positive sense (the way the measurement sees it): G17 (X, Y); G18 (X, -Z); G19 (-Z, Y). The
// third coordinate is the axis across the plane.
struct PlaneFrame {
  int plane;

  PlanePoint In(const Position& p) const {
    if (plane == 18) return {p[kX], -p[kZ]};
    if (plane == 19) return {-p[kZ], p[kY]};
    return {p[kX], p[kY]};
  }
  double Across(const Position& p) const {
    if (plane == 18) return p[kY];
    if (plane == 19) return p[kX];
    return p[kZ];
  }
  PlanePoint Offset(const Position& p) const {
    if (plane == 18) return {p[kI], -p[kK]};
    if (plane == 19) return {-p[kK], p[kJ]};
    return {p[kI], p[kJ]};
  }
  void Out(double first, double second, double across, double* x, double* y, double* z) const {
    if (plane == 18) {
      *x = first, *z = -second, *y = across;
    } else if (plane == 19) {
      *z = -first, *y = second, *x = across;
    } else {
      *x = first, *y = second, *z = across;
    }
  }
};

// atan2 on the portable arctangent, so every build draws the same arcs.
double Angle(double y, double x) {
  if (x == 0.0) return y > 0.0 ? kPi / 2 : (y < 0.0 ? -kPi / 2 : 0.0);
  double a = PortableAtan(y / x);
  if (x < 0.0) a += y >= 0.0 ? kPi : -kPi;
  return a;
}

// Cosine and sine of an angle of at most 10 degrees by their series (exact to the last bit well
// before the last term kept).
void SmallCosSin(double a, double* c, double* s) {
  const double a2 = a * a;
  double cosine = 1.0, sine = a, term = 1.0, oddTerm = a;
  for (int n = 1; n <= 9; ++n) {
    term *= -a2 / ((2 * n - 1) * (2 * n));
    oddTerm *= -a2 / ((2 * n) * (2 * n + 1));
    cosine += term;
    sine += oddTerm;
  }
  *c = cosine;
  *s = sine;
}

double SegmentDistance(const PicturePoint& p, const PicturePoint& a, const PicturePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  const double px = p.x - a.x, py = p.y - a.y, pz = p.z - a.z;
  const double length2 = dx * dx + dy * dy + dz * dz;
  double t = length2 > 0.0 ? (px * dx + py * dy + pz * dz) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = px - t * dx, ey = py - t * dy, ez = pz - t * dz;
  return std::sqrt(ex * ex + ey * ey + ez * ez);
}

double Length2(const PicturePoint& a, const PicturePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  return dx * dx + dy * dy + dz * dz;
}

// The points of `piece` that no simplification drops: its ends, the fixed points and, while
// kinds are kept apart, every change of kind.
size_t MandatoryPoints(const PicturePiece& piece) {
  const std::vector<PicturePoint>& points = piece.points;
  if (points.size() < 3) return points.size();
  size_t count = 2;
  for (size_t i = 1; i + 1 < points.size(); ++i) {
    count += points[i].fixed || (!piece.kindsMerged && points[i].kind != points[i + 1].kind);
  }
  return count;
}

uint8_t KindOf(const WrittenMove& move) {
  if (move.origin == kSeamMove) return kPathSeam;
  return move.motion == 0 ? kPathRapid : kPathCut;
}

}  // namespace

void PictureBox::Add(double x, double y, double z) {
  const double p[3] = {x, y, z};
  for (int axis = 0; axis < 3; ++axis) {
    if (!any || p[axis] < minimum[axis]) minimum[axis] = p[axis];
    if (!any || p[axis] > maximum[axis]) maximum[axis] = p[axis];
  }
  any = true;
}

void PictureBox::Add(const PictureBox& other) {
  if (!other.any) return;
  Add(other.minimum[0], other.minimum[1], other.minimum[2]);
  Add(other.maximum[0], other.maximum[1], other.maximum[2]);
}

void SplitPicture::Begin(const char* ncFile) {
  CopyText(ncFile, ncFile_, sizeof ncFile_);
  pieces_.clear();
  pieces_.shrink_to_fit();
  current_ = -1;
  piecesWritten_ = 0;
  lastOrigin_ = kProgramMove;
  totalTime_ = totalDistance_ = 0;
  stock_ = PictureBox{};
  extents_ = PictureBox{};
}

size_t SplitPicture::pointCount() const {
  size_t count = 0;
  for (const PicturePiece& piece : pieces_) count += piece.points.size();
  return count;
}

size_t SplitPicture::PieceShare() const {
  const size_t kept = std::max<size_t>(pieces_.size(), 1);
  const size_t floor = static_cast<size_t>(limits_.points / std::max(limits_.pieces, 1));
  size_t share = static_cast<size_t>(limits_.points) / kept;
  share = std::min(share, static_cast<size_t>(limits_.pointsPerPiece));
  return std::max<size_t>(std::max<size_t>(share, floor), 8);
}

void SplitPicture::PieceOpened(int number, const Position& entry) {
  ++piecesWritten_;
  lastOrigin_ = kProgramMove;
  current_ = -1;
  if (pieces_.size() >= static_cast<size_t>(std::max(limits_.pieces, 0))) return;
  const size_t before = PieceShare();
  pieces_.emplace_back();
  current_ = static_cast<int>(pieces_.size()) - 1;
  PicturePiece& piece = pieces_.back();
  piece.number = number;
  if (number > 1) {
    piece.resumes = true;
    piece.entry = {entry[kX], entry[kY], entry[kZ]};
  }
  // One more piece to share the points: the earlier ones give up what they hold beyond it.
  const size_t share = PieceShare();
  if (share < before) {
    for (PicturePiece& earlier : pieces_) {
      if (earlier.points.size() > share) Compact(&earlier, share / 2);
    }
  }
}

void SplitPicture::PieceClosed(int number, double time, double distance) {
  (void)number;
  totalTime_ += time;
  totalDistance_ += distance;
  if (current_ < 0) return;
  PicturePiece& piece = pieces_[static_cast<size_t>(current_)];
  piece.time = time;
  piece.distance = distance;
  piece.closed = true;
  if (!piece.points.empty()) piece.points.back().fixed = true;
  current_ = -1;
}

void SplitPicture::PieceFacts(int number, bool clean, long long bytes) {
  factsKnown_ = true;
  for (PicturePiece& piece : pieces_) {
    if (piece.number != number) continue;
    piece.bytes = bytes;
    piece.endsClean = clean;
  }
}

namespace {

// The ends of the chords (of at most kArcChordDegrees each) that an arc move passes before its end
// point, into `points`; returns their count (0 for a straight move, and for an arc whose centre
// cannot be had).
int ArcChordEnds(const WrittenMove& move, double (*points)[3]) {
  int count = 0;
  if (move.motion != 2 && move.motion != 3) return count;
  const Position& from = move.from;
  const Position& to = move.to;
  const PlaneFrame frame{move.plane};
  const PlanePoint start = frame.In(from);
  const PlanePoint end = frame.In(to);
  PlanePoint offset = frame.Offset(to);
  bool drawable = true;
  if ((move.flags & kRadiusForm) != 0 || (offset.first == 0.0 && offset.second == 0.0)) {
    drawable = to[kR] != 0.0 && ArcCentreFromRadius(start, end, to[kR], move.motion, &offset);
  }
  const double r0 = std::sqrt(offset.first * offset.first + offset.second * offset.second);
  if (drawable && r0 > 0.0) {
    const PlanePoint centre{start.first + offset.first, start.second + offset.second};
    const double e1 = end.first - centre.first, e2 = end.second - centre.second;
    const double r1 = std::sqrt(e1 * e1 + e2 * e2);
    const double a0 = Angle(-offset.second, -offset.first);
    const double a1 = Angle(e2, e1);
    double sweep;
    if ((move.flags & kFullCircle) != 0) {
      sweep = move.motion == 3 ? kTurn : -kTurn;
    } else if (move.motion == 3) {
      sweep = a1 - a0;
      if (sweep <= 0.0) sweep += kTurn;
    } else {
      sweep = a1 - a0;
      if (sweep >= 0.0) sweep -= kTurn;
    }
    const int chords = std::clamp(
        static_cast<int>(std::ceil(std::fabs(sweep) / (kArcChordDegrees * kPi / 180.0) - 1e-9)), 1, kMostChords);
    double c, s;
    SmallCosSin(sweep / chords, &c, &s);
    double u1 = -offset.first / r0, u2 = -offset.second / r0;
    const double across0 = frame.Across(from), across1 = frame.Across(to);
    for (int k = 1; k < chords; ++k) {
      const double n1 = u1 * c - u2 * s;
      u2 = u1 * s + u2 * c;
      u1 = n1;
      const double t = static_cast<double>(k) / chords;
      const double r = r0 + (r1 - r0) * t;
      frame.Out(centre.first + u1 * r, centre.second + u2 * r, across0 + (across1 - across0) * t,
                &points[count][0], &points[count][1], &points[count][2]);
      ++count;
    }
  }
  return count;
}

}  // namespace

void SplitPicture::MoveWritten(const WrittenMove& move) {
  const uint8_t kind = KindOf(move);
  const bool cutting = kind == kPathCut;
  const Position& from = move.from;
  const Position& to = move.to;
  extents_.Add(from[kX], from[kY], from[kZ]);
  if (cutting) stock_.Add(from[kX], from[kY], from[kZ]);

  PicturePiece* piece = current_ >= 0 ? &pieces_[static_cast<size_t>(current_)] : nullptr;
  if (piece != nullptr) {
    ++piece->moves;
    const bool first = piece->points.empty();
    if (first) {
      Append(piece, from[kX], from[kY], from[kZ], kind, true);
    } else {
      const PicturePoint& last = piece->points.back();
      // The change between the program's moves and the seam moves is the seam or the stop.
      if (move.origin != lastOrigin_) piece->points.back().fixed = true;
      if (last.x != from[kX] || last.y != from[kY] || last.z != from[kZ]) {
        Append(piece, from[kX], from[kY], from[kZ], kind, false);
      }
    }
  }
  lastOrigin_ = move.origin;

  // The points the move passes: an arc's chord ends, then its end point.
  double points[kMostChords][3];
  int count = ArcChordEnds(move, points);
  points[count][0] = to[kX];
  points[count][1] = to[kY];
  points[count][2] = to[kZ];
  ++count;

  for (int i = 0; i < count; ++i) {
    extents_.Add(points[i][0], points[i][1], points[i][2]);
    if (cutting) stock_.Add(points[i][0], points[i][1], points[i][2]);
    if (piece != nullptr) Append(piece, points[i][0], points[i][1], points[i][2], kind, false);
  }
}

void SplitPicture::Append(PicturePiece* piece, double x, double y, double z, uint8_t kind, bool fixed) {
  piece->points.push_back(PicturePoint{x, y, z, kind, fixed});
  const size_t share = PieceShare();
  if (piece->points.size() > share) Compact(piece, share / 2);
}

void SplitPicture::Compact(PicturePiece* piece, size_t target) {
  std::vector<PicturePoint>& points = piece->points;
  if (piece->tolerance == 0.0) {
    const double size = extents_.any ? std::max({extents_.maximum[0] - extents_.minimum[0],
                                                 extents_.maximum[1] - extents_.minimum[1],
                                                 extents_.maximum[2] - extents_.minimum[2]})
                                     : 0.0;
    piece->tolerance = std::max(kSmallestTolerance, size * kFirstToleranceShare);
  }
  // What came since the last pass, at the tolerance reached; then everything, coarser each time,
  // until the piece holds no more than `target` or only the points no pass may drop.
  Simplify(piece, piece->settled, piece->tolerance);
  for (int round = 0; points.size() > target && round < 80; ++round) {
    size_t mandatory = MandatoryPoints(*piece);
    if (!piece->kindsMerged && mandatory >= target) {
      piece->kindsMerged = true;
      mandatory = MandatoryPoints(*piece);
    }
    if (mandatory >= target) break;
    piece->tolerance *= 2.0;
    Simplify(piece, 0, piece->tolerance);
  }
  piece->settled = points.empty() ? 0 : points.size() - 1;
  // Hand back what the vector grew to: the next pass starts from what is held.
  if (points.capacity() > 2 * std::max(points.size(), target)) std::vector<PicturePoint>(points).swap(points);
}

void SplitPicture::Simplify(PicturePiece* piece, size_t first, double tolerance) {
  std::vector<PicturePoint>& points = piece->points;
  const size_t n = points.size();
  if (n < 3 || first + 2 >= n) return;
  keep_.assign(n, 0);
  for (size_t i = 0; i <= first; ++i) keep_[i] = 1;
  keep_[n - 1] = 1;
  // The points every pass keeps end the stretches that are simplified on their own.
  for (size_t i = first + 1; i + 1 < n; ++i) {
    const bool kindChange = !piece->kindsMerged && points[i].kind != points[i + 1].kind;
    if (points[i].fixed || kindChange) keep_[i] = 1;
  }
  stack_.clear();
  size_t start = first;
  for (size_t i = first + 1; i < n; ++i) {
    if (keep_[i] == 0) continue;
    if (i > start + 1) stack_.emplace_back(start, i);
    start = i;
  }
  while (!stack_.empty()) {
    const auto [a, b] = stack_.back();
    stack_.pop_back();
    double worst = -1.0;
    size_t at = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double d = SegmentDistance(points[i], points[a], points[b]);
      if (d > worst) worst = d, at = i;
    }
    if (worst <= tolerance) continue;
    keep_[at] = 1;
    if (at > a + 1) stack_.emplace_back(a, at);
    if (b > at + 1) stack_.emplace_back(at, b);
  }
  // The kept points in order; a stretch that replaces several takes the kind of its longest part.
  size_t out = first + 1;
  size_t previous = first;
  for (size_t i = first + 1; i < n; ++i) {
    if (keep_[i] == 0) continue;
    uint8_t kind = points[i].kind;
    double longest = -1.0;
    for (size_t j = previous + 1; j <= i; ++j) {
      const double length = Length2(points[j - 1], points[j]);
      if (length > longest) longest = length, kind = points[j].kind;
    }
    PicturePoint kept = points[i];
    kept.kind = kind;
    points[out++] = kept;
    previous = i;
  }
  points.resize(out);
}

uint32_t PieceColour(int number) {
  static constexpr uint32_t kColours[12] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E, 0x9467BD, 0x17BECF,
                                            0x8C564B, 0xE377C2, 0xBCBD22, 0x393B79, 0xAD494A, 0x637939};
  const int index = ((number - 1) % 12 + 12) % 12;
  return kColours[index];
}

PictureLayout LayOutPicture(const PictureBox& extents, const PictureBox& stock, const PictureArea& area) {
  const double left = area.left;
  const double top = area.top;
  const double width = area.width;
  const double height = area.height;
  const double gap = area.gap;
  PictureLayout layout{};
  PictureBox box = extents;
  if (!box.any) box.Add(0, 0, 0);
  // The side view keeps to the stock's heights when the rest reaches far beyond them.
  if (stock.any) {
    const double stockSpan = std::max(stock.maximum[2] - stock.minimum[2], 1.0);
    const double low = std::max(box.minimum[2], stock.minimum[2] - stockSpan / 4);
    const double high = std::min(box.maximum[2], stock.maximum[2] + stockSpan / 4);
    if (box.maximum[2] - box.minimum[2] > 2 * (high - low)) {
      box.minimum[2] = low;
      box.maximum[2] = high;
      layout.sideClipped = true;
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    double span = box.maximum[axis] - box.minimum[axis];
    if (span < 1.0) {
      const double middle = (box.maximum[axis] + box.minimum[axis]) / 2;
      box.minimum[axis] = middle - 0.5;
      box.maximum[axis] = middle + 0.5;
      span = 1.0;
    }
    box.minimum[axis] -= span * 0.03;
    box.maximum[axis] += span * 0.03;
  }
  const double spanX = box.maximum[0] - box.minimum[0];
  const double spanY = box.maximum[1] - box.minimum[1];
  const double spanZ = box.maximum[2] - box.minimum[2];
  const double views = std::max(height - gap, 2.0);
  double scale = std::min(width / spanX, views / (spanY + spanZ));
  double zScale = scale;
  // A side view flatter than a fifth of the height is stretched to that fifth.
  if (spanZ * scale < views / 5) {
    const double side = views / 5;
    scale = std::min(width / spanX, (views - side) / spanY);
    zScale = std::max(scale, side / spanZ);
  }
  layout.scale = scale;
  layout.zScale = zScale;
  layout.box = box;
  layout.left = left + (width - spanX * scale) / 2;
  layout.right = layout.left + spanX * scale;
  layout.topTop = top;
  layout.topBottom = top + spanY * scale;
  layout.sideTop = layout.topBottom + gap;
  layout.sideBottom = layout.sideTop + spanZ * zScale;
  return layout;
}

std::array<AxisFigure, 6> AxisFigures(const PictureLayout& layout) {
  const PictureBox& box = layout.box;
  return {{
      {layout.left, layout.topTop, -4, 10, 'Y', box.maximum[1], false},
      {layout.left, layout.topBottom, -4, 0, 'Y', box.minimum[1], false},
      {layout.left, layout.sideTop, -4, 10, 'Z', box.maximum[2], false},
      {layout.left, layout.sideBottom, -4, 0, 'Z', box.minimum[2], false},
      {layout.left, layout.sideBottom, 0, 14, 'X', box.minimum[0], true},
      {layout.right, layout.sideBottom, 0, 14, 'X', box.maximum[0], true},
  }};
}
