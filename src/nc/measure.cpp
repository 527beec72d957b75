#include "nc/measure.h"

#include <cmath>

#include "nc/arctangent.h"
#include "nc/interpreter.h"

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

// The arc's length from the positions in the selected plane.
double ArcLength(const ModalState& modal, const Position& newPosition, const Position& oldPosition) {
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
  PlanePoint centre{from.first + i, from.second + j};
  double diameter = 2.0 * std::sqrt(i * i + j * j);
  ArcAngleSet angles;
  ArcAngles(from, to, centre, &angles, modal);
  if (angles.swept == 0.0) return 0.0;
  return diameter * kArcPi / (360.0 / angles.swept);
}

}  // namespace

void MeasureMove(const ModalState& modal, const Position& newPosition, const Position& oldPosition,
                 const FeedState& feed, DistanceTotals* distanceTotals, TimeTotals* timeTotals,
                 Extents* minimum, Extents* maximum, MoveCounters* counters) {
  for (int axis = kX; axis <= kZ; ++axis) Widen(newPosition[axis], axis, minimum, maximum);
  if (feed.feed != 0) Widen(feed.feed, kExtentFeed, minimum, maximum);

  double length = 0.0;
  if (modal.motion == 0 || modal.motion == 1) {
    double dx = newPosition[kX] - oldPosition[kX];
    double dy = newPosition[kY] - oldPosition[kY];
    double dz = newPosition[kZ] - oldPosition[kZ];
    length = std::sqrt(dx * dx + dy * dy + dz * dz);
  } else {
    length = ArcLength(modal, newPosition, oldPosition);
  }

  DistanceTotals& distance = *distanceTotals;
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
    if (std::isfinite(time) && std::isfinite((*timeTotals)[kCutting] + time)) {
      (*timeTotals)[kCutting] += time;
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

void RelativeMove(const Position& target, const Position& current, Position* out) {
  for (int axis = kX; axis <= kZ; ++axis) (*out)[axis] = target[axis] - current[axis];
  for (int slot = kI; slot < kWordCount; ++slot) (*out)[slot] = target[slot];
  for (double& value : *out) value = SnapToZero(value);
}
