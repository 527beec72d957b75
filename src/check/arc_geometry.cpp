#include "check/arc_geometry.h"

#include <cmath>
#include <numbers>

#include "nc/number_text.h"

int ArcCentreFromRadius(const double start[2], const double end[2], double r, bool clockwise, double offset[2]) {
  const double da = end[0] - start[0];
  const double db = end[1] - start[1];
  const double chord = std::hypot(da, db);
  if (chord == 0.0) return kArcNoChord;
  const double radius = std::fabs(r);
  // Distance of the centre from the chord's midpoint; a chord longer than the diameter (rounded
  // end points of a half circle) puts the centre on the chord.
  const double half = chord / 2.0;
  const double square = radius * radius - half * half;
  const double h = square > 0.0 ? std::sqrt(square) : 0.0;
  // Looking along the chord, the centre of a clockwise arc of at most 180 degrees lies to the
  // right; a counter-clockwise one or a negative R puts it to the left.
  double side = clockwise ? 1.0 : -1.0;
  if (r < 0.0) side = -side;
  offset[0] = da / 2.0 + side * h * (db / chord);
  offset[1] = db / 2.0 - side * h * (da / chord);
  return kArcCentreOk;
}

bool RadiusReachesEnd(const double start[2], const double end[2], double r, double step) {
  const double da = std::round(end[0] / step) - std::round(start[0] / step);
  const double db = std::round(end[1] / step) - std::round(start[1] / step);
  // chord <= 2|R| + slack, doubled so that every term is a whole number of steps.
  const double reach = 4.0 * std::fabs(std::round(r / step)) + 2.0 * kHalfCircleSlack;
  return 4.0 * (da * da + db * db) <= reach * reach;
}

double ArcSweep(const double start[2], const double end[2], const double centre[2], bool clockwise,
                bool fullCircle) {
  constexpr double kTurn = 2.0 * std::numbers::pi;
  if (fullCircle) return clockwise ? -kTurn : kTurn;
  const double sa = start[0] - centre[0];
  const double sb = start[1] - centre[1];
  const double ea = end[0] - centre[0];
  const double eb = end[1] - centre[1];
  // atan2 of the cross and dot products: accurate for tiny and for nearly full arcs alike.
  double sweep = std::atan2(sa * eb - sb * ea, sa * ea + sb * eb);
  if (clockwise && sweep > 0.0) sweep -= kTurn;
  if (!clockwise && sweep < 0.0) sweep += kTurn;
  return sweep;
}
