#include "nc/measure.h"

#include <cmath>

#include "nc/arctangent.h"
#include "nc/format.h"
#include "nc/interpreter.h"
#include "nc/number_text.h"

namespace {

constexpr double kCoordinateTolerance = 0.001;

void Widen(double value, int slot, Extents* minimum, Extents* maximum) {
  if (value > (*maximum)[slot]) (*maximum)[slot] = value;
  if (value < (*minimum)[slot]) (*minimum)[slot] = value;
}

// Angle of the offset (d1, d2) from the centre. `startAngle` picks the value on the positive
// first axis: a start angle there is 1e-10 rather than 0, so that an arc ending there sweeps the
// whole way round and not nothing.
double OffsetAngle(double d1, double d2, bool startAngle) {
  if (std::fabs(d1) < kCoordinateTolerance) return d2 > 0 ? 90.0 : 270.0;
  if (std::fabs(d2) < kCoordinateTolerance) {
    if (d1 > 0) return startAngle ? 1e-10 : 0.0;
    return 180.0;
  }
  double a = PortableAtan(d1 / d2) * kDegreesPerRadian;
  return d2 >= 0 ? 90.0 - a : 270.0 - a;
}

// The angle in degrees that an arc sweeps from `from` to `to` around `centre` when the two lie
// within 0.001 of each other but are not the same point: the small angle between them in the
// arc's own direction, or all the circle but it against it.
double SmallChordSweep(const PlanePoint& from, const PlanePoint& to, const PlanePoint& centre,
                       int motion) {
  double s1 = from.first - centre.first;
  double s2 = from.second - centre.second;
  double e1 = to.first - centre.first;
  double e2 = to.second - centre.second;
  double cross = s1 * e2 - s2 * e1;
  double dot = s1 * e1 + s2 * e2;
  if (dot <= 0.0) return 180.0;  // a radius under 0.001: no telling, call it a half turn
  double angle = PortableAtan(std::fabs(cross) / dot) * kDegreesPerRadian;
  bool counterClockwiseAhead = cross >= 0.0;
  bool counterClockwise = motion != 2;
  return counterClockwiseAhead == counterClockwise ? angle : 360.0 - angle;
}

// The arc's length from the positions in the selected plane.
double ArcLength(const ModalState& modal, const Position& newPosition, const Position& oldPosition,
                 int closure) {
  PlanePoint from{oldPosition[kX], oldPosition[kY]};
  PlanePoint to{newPosition[kX], newPosition[kY]};
  double i = newPosition[kI];
  double j = newPosition[kJ];
  if (modal.plane == 18) {  // ZX plane: (X, -Z), offsets (I, -K)
    from.second = -oldPosition[kZ];
    to.second = -newPosition[kZ];
    j = -newPosition[kK];
  } else if (modal.plane == 19) {  // YZ plane: (-Z, Y), offsets (-K, J)
    from.first = -oldPosition[kZ];
    to.first = -newPosition[kZ];
    i = -newPosition[kK];
  }
  if (i == 0.0 && j == 0.0 && newPosition[kR] != 0.0) {
    PlanePoint offset{0.0, 0.0};
    if (!ArcCentreFromRadius(from, to, newPosition[kR], modal.motion, &offset)) return 0.0;
    i = offset.first;
    j = offset.second;
  }
  PlanePoint centre{from.first + i, from.second + j};
  double diameter = 2.0 * std::sqrt(i * i + j * j);
  const bool samePoint = from.first == to.first && from.second == to.second;
  const bool full = closure == kArcFullCircle || (closure == kArcByPositions && samePoint);
  double swept = 360.0;
  if (!full) {
    if (samePoint) return 0.0;
    if (std::fabs(from.first - to.first) < kCoordinateTolerance &&
        std::fabs(from.second - to.second) < kCoordinateTolerance) {
      swept = SmallChordSweep(from, to, centre, modal.motion);
    } else {
      ArcAngleSet angles;
      ArcAngles(from, to, centre, &angles, modal);
      swept = angles.swept;
    }
  }
  if (swept == 0.0) return 0.0;
  return diameter * kArcPi / (360.0 / swept);
}

}  // namespace

void MeasureMove(const ModalState& modal, const Position& newPosition, const Position& oldPosition,
                 const FeedState& feed, int closure, const MoveSums& sums) {
  Extents* minimum = sums.minimum;
  Extents* maximum = sums.maximum;
  MoveCounters* counters = sums.counters;
  for (int axis = kX; axis <= kZ; ++axis) Widen(newPosition[axis], axis, minimum, maximum);
  if (feed.feed != 0) Widen(feed.feed, kExtentFeed, minimum, maximum);

  double length = 0.0;
  if (modal.motion == 0 || modal.motion == 1) {
    double dx = newPosition[kX] - oldPosition[kX];
    double dy = newPosition[kY] - oldPosition[kY];
    double dz = newPosition[kZ] - oldPosition[kZ];
    length = std::sqrt(dx * dx + dy * dy + dz * dz);
  } else {
    length = ArcLength(modal, newPosition, oldPosition, closure);
  }

  DistanceTotals& distance = *sums.distance;
  int slot = modal.motion == 0 ? kRapid : kCutting;
  if (!std::isfinite(length) || !std::isfinite(distance[slot] + length)) {
    if (counters != nullptr) ++counters->unmeasurableMoves;
    return;
  }
  if (modal.motion == 0) {
    distance[kRapid] += length;
    return;
  }
  // A feed of 0 would make the time infinite: the move keeps its distance, takes no time, and
  // is counted so that the program's missing feed can be reported.
  if (feed.feed == 0) {
    if (length != 0 && counters != nullptr) ++counters->zeroFeedMoves;
  } else {
    double time = length / feed.feed;
    if (std::isfinite(time) && std::isfinite((*sums.time)[kCutting] + time)) {
      (*sums.time)[kCutting] += time;
    } else if (counters != nullptr) {
      ++counters->unmeasurableMoves;
    }
  }
  distance[kCutting] += length;
}

void ArcAngles(const PlanePoint& start, const PlanePoint& end, const PlanePoint& centre,
               ArcAngleSet* angles, const ModalState& modal) {
  *angles = ArcAngleSet{0.0, 0.0, 0.0};
  if (std::fabs(start.first - end.first) < kCoordinateTolerance &&
      std::fabs(start.second - end.second) < kCoordinateTolerance) {
    angles->swept = 360.0;  // back at the start: a full circle, whichever the direction
    return;
  }
  angles->start = OffsetAngle(start.first - centre.first, start.second - centre.second, true);
  angles->end = OffsetAngle(end.first - centre.first, end.second - centre.second, false);
  double swept = angles->end - angles->start;
  if (swept < 0) swept += 360.0;
  if (modal.motion == 2) swept = 360.0 - swept;  // G02 runs clockwise
  angles->swept = swept;
}

void RelativeMove(const Position& target, const Position& current, Position* out, int units) {
  for (int axis = kX; axis <= kZ; ++axis) (*out)[axis] = target[axis] - current[axis];
  for (int slot = kI; slot < kWordCount; ++slot) (*out)[slot] = target[slot];
  for (double& value : *out) value = SnapToZero(value, units);
}

bool RadiusReachesEnd(const PlanePoint& start, const PlanePoint& end, double radius, int units) {
  // In whole increments, as the control holds the numbers: twice the chord against 4|R| plus twice
  // the slack, both squared, so that no square root rounds the verdict.
  const int decimals = units == kInches ? 4 : 3;
  int64_t grid[5] = {0, 0, 0, 0, 0};
  const double values[5] = {start.first, start.second, end.first, end.second, radius};
  for (int i = 0; i < 5; ++i) {
    if (!RoundToWhole(values[i], decimals, &grid[i])) return false;  // no number of a program
  }
  const double d1 = static_cast<double>(grid[2] - grid[0]);
  const double d2 = static_cast<double>(grid[3] - grid[1]);
  const double reach = 4.0 * std::fabs(static_cast<double>(grid[4])) + 2.0 * kHalfCircleSlack;
  return 4.0 * (d1 * d1 + d2 * d2) <= reach * reach;
}

bool ArcCentreFromRadius(const PlanePoint& start, const PlanePoint& end, double radius, int motion,
                         PlanePoint* offset, int units) {
  const double x = end.first - start.first;
  const double y = end.second - start.second;
  const double chord = std::sqrt(x * x + y * y);
  if (chord == 0.0) return false;
  if (!RadiusReachesEnd(start, end, radius, units)) return false;
  // Half the chord against the radius: a chord longer than the diameter (by no more than the
  // rounding of a half circle's numbers) makes the half circle on it.
  double squared = 4.0 * radius * radius - chord * chord;
  if (squared < 0.0) squared = 0.0;
  // Twice the centre's distance from the chord's middle, over the chord. A clockwise arc of at
  // most 180 degrees has its centre to the right of the chord (seen from the start towards the
  // end); counter-clockwise arcs and negative radii (the longer arc) take the other side.
  double side = -std::sqrt(squared) / chord;
  if (motion == 3) side = -side;
  if (radius < 0.0) side = -side;
  offset->first = 0.5 * (x - y * side);
  offset->second = 0.5 * (y + x * side);
  return true;
}

void MeasureHole(const HoleShape& hole, const Position& from, double feed, const MoveSums& sums, Position* end) {
  const bool feedsOut = hole.code == 74 || hole.code == 84 || hole.code == 85 || hole.code == 89;
  const double returnZ = hole.returnLevel == 98 ? hole.initial : hole.r;
  struct Leg {
    int motion;
    double z;
  };
  const Leg legs[] = {{0, from[kZ]}, {0, hole.r}, {1, hole.z}, {feedsOut ? 1 : 0, hole.r}, {0, returnZ}};
  const FeedState feedState{feed, feed, 0.0};
  Position at = from;
  for (const Leg& leg : legs) {
    Position to{};
    to[kX] = hole.x;
    to[kY] = hole.y;
    to[kZ] = leg.z;
    ModalState modal{};
    modal.motion = leg.motion;
    if (to[kX] != at[kX] || to[kY] != at[kY] || to[kZ] != at[kZ]) {
      MeasureMove(modal, to, at, feedState, kArcByPositions, sums);
    }
    at = to;
  }
  *end = at;
}
