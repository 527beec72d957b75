#include "nc/machine_time.h"

#include <cmath>

#include "nc/arctangent.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kSecondsPerMinute = 60.0;
// Directions closer than this (as a cosine) run on without a corner, or reverse.
constexpr double kStraightCosine = 0.999999;
// The retract of a peck above the depth reached (G73) or the stop short of it on the way back
// down (G83): the controls keep it in a parameter; a tenth of a millimetre is the usual value.
constexpr double kPeckClearance = 0.1;
// More pecks than this in one hole are counted as one feed to the bottom (a peck depth of a
// thousandth on a deep hole would otherwise cost the estimate more than the program is worth).
constexpr int kMostPecks = 100000;
// An axis takes part in a change of direction when its share of it is above this.
constexpr double kInvolved = 1e-9;

double Min(double a, double b) { return b < a ? b : a; }
double Max(double a, double b) { return b > a ? b : a; }

// The angle of (x, y) in (-pi, pi], from PortableAtan.
double PortableAtan2(double y, double x) {
  if (x > 0.0) return PortableAtan(y / x);
  if (x < 0.0) return y >= 0.0 ? PortableAtan(y / x) + kPi : PortableAtan(y / x) - kPi;
  if (y > 0.0) return 0.5 * kPi;
  if (y < 0.0) return -0.5 * kPi;
  return 0.0;
}

double Length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The plane's first, second and normal axes (right-handed: counter-clockwise is seen from the
// normal's positive end).
void PlaneAxes(int plane, int* a, int* b, int* c) {
  if (plane == 18) {
    *a = 2, *b = 0, *c = 1;  // Z, X; normal Y
  } else if (plane == 19) {
    *a = 1, *b = 2, *c = 0;  // Y, Z; normal X
  } else {
    *a = 0, *b = 1, *c = 2;
  }
}

}  // namespace

namespace {

// ProfileSeconds with the speeds as well as their squares at hand, and the move's acceleration as
// what it adds to a speed squared over the move (`reach2`) and 1 / it (`slowAccel`), 1 / the top
// speed as `slowTop`: no division.
[[gnu::always_inline]] inline double Profile(double length, double reach2, double slowAccel, double top2,
                                             double top, double slowTop, double entry2, double entry,
                                             double exit2, double exit) {
  if (!(length > 0.0)) return 0.0;
  // The speed the move would reach accelerating from its entry and decelerating to its exit.
  const double peak2 = 0.5 * (reach2 + entry2 + exit2);
  if (peak2 <= top2) {
    const double peak = Max(Max(std::sqrt(peak2), entry), exit);
    return (2.0 * peak - entry - exit) * slowAccel;
  }
  double cruise = length - (2.0 * top2 - entry2 - exit2) * (0.5 * slowAccel);
  if (cruise < 0.0) cruise = 0.0;
  return (2.0 * top - entry - exit) * slowAccel + cruise * slowTop;
}

}  // namespace

double ProfileSeconds(double length, double accel, double top2, double entry2, double exit2) {
  const double top = std::sqrt(top2);
  return Profile(length, 2.0 * accel * length, 1.0 / accel, top2, top, 1.0 / top, entry2,
                 std::sqrt(entry2), exit2, std::sqrt(exit2));
}

MachineTimePlanner::MachineTimePlanner(const MachineLimits& limits) : limits_(limits) {
  for (int axis = 0; axis < 3; ++axis) {
    slowRapid_[axis] = kSecondsPerMinute / limits.rapid[axis];
    slowFeed_[axis] = kSecondsPerMinute / limits.feed[axis];
    slowAccel_[axis] = 1.0 / limits.accel[axis];
  }
}

void MachineTimePlanner::Reset() {
  head_ = 0;
  count_ = 0;
  completed_ = 0.0;
  rejoined_ = false;
  retired_ = 0;
}

double MachineTimePlanner::Total() const {
  if (count_ == 0) return completed_;
  return ring_[(head_ + count_ - 1) & kRingMask].total;
}

void MachineTimePlanner::Flush() {
  completed_ = Total();
  head_ = 0;
  count_ = 0;
  rejoined_ = true;  // the window is empty in both plans
}

void MachineTimePlanner::StraightLimits(const double direction[3], bool rapid, double feed,
                                        Planned* block) {
  const double* slow = rapid ? slowRapid_ : slowFeed_;
  double speedShare = 0.0;
  double accelShare = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    const double part = std::fabs(direction[axis]);
    speedShare = Max(speedShare, part * slow[axis]);
    accelShare = Max(accelShare, part * slowAccel_[axis]);
  }
  // The feed's top speed and 1 / it, kept while the feed stays (nearly every move repeats it).
  if (!rapid && feed > 0.0 && feed != lastFeed_) {
    lastFeed_ = feed;
    slowFeedTop_ = kSecondsPerMinute / (feed * limits_.override);
  }
  if (!rapid && feed > 0.0 && speedShare < slowFeedTop_) {
    block->top = feed * limits_.override / kSecondsPerMinute;
    block->slowTop = slowFeedTop_;
  } else {
    block->top = 1.0 / speedShare;
    block->slowTop = speedShare;
  }
  block->top2 = block->top * block->top;
  SetAccel(accelShare, block);
}

double MachineTimePlanner::CornerLimit2(const Planned& before, const Planned& after) const {
  const double* u = before.endDir;
  const double* w = after.startDir;
  const double dot = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
  const double limit = Min(before.top2, after.top2);
  if (dot >= kStraightCosine) return limit;
  if (dot <= -kStraightCosine) return 0.0;  // a reversal stops
  // The junction's acceleration: the slowest axis the change of direction involves, as on an
  // arc, whose centripetal acceleration turns through every direction of its plane.
  const double change[3] = {w[0] - u[0], w[1] - u[1], w[2] - u[2]};
  const double size2 = change[0] * change[0] + change[1] * change[1] + change[2] * change[2];
  double accel = HUGE_VAL;
  for (int axis = 0; axis < 3; ++axis) {
    if (change[axis] * change[axis] > kInvolved * kInvolved * size2) accel = Min(accel, limits_.accel[axis]);
  }
  // The circle tangent to both moves whose arc passes the corner at the tolerance: sin(half
  // the angle between the moves) = sqrt((1 + dot) / 2). It bounds the speed by
  // accel * corner * sinHalf / (1 - sinHalf), which is at least `limit` where sinHalf is at least
  // limit / (accel * corner + limit): nearly every corner of a finely cut surface, told without a
  // square root.
  const double sinHalf2 = 0.5 * (1.0 + dot);
  const double below = accel * limits_.corner + limit;
  double bound = limit;
  if (!(sinHalf2 * below * below >= limit * limit)) {
    const double sinHalf = std::sqrt(sinHalf2);
    bound = Min(limit, accel * limits_.corner * sinHalf / (1.0 - sinHalf));
  }
  // The curvature the moves trace: turning by `angle` within the shorter move's length. The
  // angle is at most pi/2 * sin(angle) below a right angle (and at most pi): when even that
  // leaves the curvature above the bound, the angle itself is not needed (compared squared, so
  // that the sine's square root is taken only when it is).
  const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                           u[0] * w[1] - u[1] * w[0]};
  const double sine2 = cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2];
  const double shorter = accel * Min(before.length, after.length);
  if (dot > 0.0) {
    const double reach = 0.5 * kPi * bound;
    if (shorter * shorter >= reach * reach * sine2) return bound;
  } else if (shorter >= bound * kPi) {
    return bound;
  }
  return Min(bound, shorter / PortableAtan2(std::sqrt(sine2), dot));
}

MachineTimePlanner::Planned& MachineTimePlanner::NextSlot() {
  if (count_ == kLookAhead) {  // the oldest move leaves the window with its time final
    const Planned& oldest = ring_[head_];
    // Its entry is final. A plan that started earlier (not at a Reset) has the same moves in its
    // window now, the same limits of each from the moves after it, and enters each move at least
    // as fast. So when this move enters at the limit the moves after it set, rather than at what
    // the start allowed, the other plan enters it so too, and every move after it alike. (The
    // first move after a Reset enters from a stop by the Reset alone: it does not count.)
    if (!rejoined_ && retired_ > 0 && oldest.entry2 == oldest.reverse2) rejoined_ = true;
    if (retired_ < 2) ++retired_;
    completed_ = oldest.total;
    head_ = (head_ + 1) & kRingMask;
    --count_;
  }
  return ring_[(head_ + count_) & kRingMask];
}

void MachineTimePlanner::Plan() {
  Planned& block = ring_[(head_ + count_) & kRingMask];
  block.entryMax2 =
      count_ == 0 ? 0.0 : CornerLimit2(ring_[(head_ + count_ - 1) & kRingMask], block);
  block.reverse2 = Min(block.entryMax2, block.reach2);
  block.entry2 = 0.0;
  block.entry = 0.0;
  ++count_;
  const auto at = [this](int position) -> Planned& { return ring_[(head_ + position) & kRingMask]; };

  // Backwards from the new move, which must be able to stop: each move may enter no faster than
  // it can still slow down to what the next allows. The oldest move's entry is fixed already. A
  // value that does not change leaves every one before it as it was.
  int first = count_ - 1;
  for (int position = count_ - 2; position >= 1; --position) {
    Planned& move = at(position);
    const double reverse2 = Min(move.entryMax2, at(position + 1).reverse2 + move.reach2);
    if (reverse2 == move.reverse2) break;
    move.reverse2 = reverse2;
    first = position;
  }
  // Forwards: each move enters no faster than the one before can accelerate to; and the times of
  // the moves whose entry or exit changed (the one before `first` leaves faster), with the running
  // totals after them. The oldest move enters as it was planned to.
  int position = first > 0 ? first - 1 : 0;
  Planned* move = &at(position);
  double total = position == 0 ? completed_ : at(position - 1).total;
  for (; position < count_; ++position) {
    const bool last = position == count_ - 1;
    Planned* next = last ? nullptr : &at(position + 1);
    if (!last) {
      const double entry2 = Min(next->reverse2, move->entry2 + move->reach2);
      if (entry2 != next->entry2) {
        next->entry2 = entry2;
        next->entry = std::sqrt(entry2);
      }
    }
    const double exit2 = last ? 0.0 : next->entry2;
    const double exit = last ? 0.0 : next->entry;
    move->time = Max(Profile(move->length, move->reach2, move->slowAccel, move->top2, move->top,
                             move->slowTop, move->entry2, move->entry, exit2, exit),
                     limits_.blockTime);
    total += move->time;
    move->total = total;
    move = next;
  }
}

void MachineTimePlanner::Line(const double from[3], const double to[3], bool rapid, double feed) {
  const double delta[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
  const double length = Length3(delta);
  if (!(length > 0.0) || !std::isfinite(length)) return;
  Planned& block = NextSlot();
  block.length = length;
  const double inverse = 1.0 / length;
  for (int axis = 0; axis < 3; ++axis) {
    block.startDir[axis] = block.endDir[axis] = delta[axis] * inverse;
  }
  StraightLimits(block.startDir, rapid, feed, &block);
  Plan();
}

void MachineTimePlanner::Arc(const double from[3], const double to[3], const double centre[3],
                             int plane, bool clockwise, bool fullCircle, double feed) {
  int a = 0, b = 1, c = 2;
  PlaneAxes(plane, &a, &b, &c);
  const double s1 = from[a] - centre[a], s2 = from[b] - centre[b];
  const double e1 = to[a] - centre[a], e2 = to[b] - centre[b];
  const double radius = std::sqrt(s1 * s1 + s2 * s2);
  const double endRadius = std::sqrt(e1 * e1 + e2 * e2);
  double swept = PortableAtan2(s1 * e2 - s2 * e1, s1 * e1 + s2 * e2);  // counter-clockwise
  if (swept < 0.0) swept += 2.0 * kPi;
  if (clockwise && swept > 0.0) swept = 2.0 * kPi - swept;
  if (fullCircle) swept = 2.0 * kPi;
  const double rise = to[c] - from[c];
  const double around = radius * swept;
  if (!(radius > 0.0) || !(endRadius > 0.0) || !(around > 0.0)) {
    Line(from, to, false, feed);
    return;
  }
  const double length = std::sqrt(around * around + rise * rise);
  if (!std::isfinite(length)) return;
  Planned& block = NextSlot();
  block.length = length;
  // Tangents at both ends: the radius turned a quarter in the arc's direction, with the rise.
  const double turn = clockwise ? -1.0 : 1.0;
  const double inPlane = around / block.length;
  block.startDir[a] = -turn * s2 / radius * inPlane;
  block.startDir[b] = turn * s1 / radius * inPlane;
  block.startDir[c] = rise / block.length;
  block.endDir[a] = -turn * e2 / endRadius * inPlane;
  block.endDir[b] = turn * e1 / endRadius * inPlane;
  block.endDir[c] = rise / block.length;
  // The direction turns all along the arc: the plane's slower axis bounds it (in-plane speed is
  // the path speed times `inPlane`), the normal axis bounds the rise, and the centripetal
  // acceleration of the in-plane speed, (v * inPlane)^2 / radius, stays within the plane's
  // acceleration.
  const double planeFeed = Min(limits_.feed[a], limits_.feed[b]) / kSecondsPerMinute;
  const double planeAccel = Min(limits_.accel[a], limits_.accel[b]);
  double top = planeFeed / inPlane;
  double accel = planeAccel / inPlane;
  const double risePart = std::fabs(rise) / block.length;
  if (risePart > 0.0) {
    top = Min(top, limits_.feed[c] / kSecondsPerMinute / risePart);
    accel = Min(accel, limits_.accel[c] / risePart);
  }
  if (feed > 0.0) top = Min(top, feed * limits_.override / kSecondsPerMinute);
  const double centripetal2 = planeAccel * radius / (inPlane * inPlane);
  block.top2 = top * top;
  block.top = top;
  if (centripetal2 < block.top2) {
    block.top2 = centripetal2;
    block.top = std::sqrt(centripetal2);
  }
  block.slowTop = 1.0 / block.top;
  SetAccel(1.0 / accel, &block);
  Plan();
}

double MachineTimePlanner::StopToStop(const double from[3], const double to[3], bool rapid,
                                      double feed) {
  const double delta[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
  const double length = Length3(delta);
  if (!(length > 0.0) || !std::isfinite(length)) return 0.0;
  double direction[3];
  for (int axis = 0; axis < 3; ++axis) direction[axis] = delta[axis] / length;
  Planned leg{};
  leg.length = length;
  StraightLimits(direction, rapid, feed, &leg);
  return Profile(length, leg.reach2, leg.slowAccel, leg.top2, leg.top, leg.slowTop, 0.0, 0.0, 0.0, 0.0);
}

void MachineTimePlanner::Hole(const double from[3], const MachineHole& hole) {
  Flush();
  const bool feedsOut = hole.code == 74 || hole.code == 84 || hole.code == 85 || hole.code == 89;
  double at[3] = {from[0], from[1], from[2]};
  double seconds = 0.0;
  const auto leg = [&](double z, bool rapid, double x, double y) {
    const double to[3] = {x, y, z};
    seconds += StopToStop(at, to, rapid, hole.feed);
    at[0] = x, at[1] = y, at[2] = z;
  };
  const auto down = [&](double z, bool rapid) { leg(z, rapid, hole.x, hole.y); };
  leg(from[2], true, hole.x, hole.y);  // over the hole, at the level the tool stands at
  down(hole.r, true);
  const bool pecks = (hole.code == 73 || hole.code == 83) && hole.peck > 0.0 && hole.z < hole.r &&
                     (hole.r - hole.z) / hole.peck < kMostPecks;
  if (pecks) {
    double reached = hole.r;
    while (reached > hole.z) {
      down(Max(reached - hole.peck, hole.z), false);  // feeds from above the depth reached
      reached = at[2];
      if (reached <= hole.z) break;
      if (hole.code == 83) down(hole.r, true);  // out to R, and back down to just above it
      down(reached + kPeckClearance, true);
    }
  } else {
    down(hole.z, false);
  }
  seconds += hole.dwell;
  down(hole.r, !feedsOut);
  if (hole.returnLevel == 98 && hole.initial > hole.r) down(hole.initial, true);
  completed_ += Max(seconds, limits_.blockTime);
}

void MachineTimePlanner::Stop(double seconds) {
  Flush();
  completed_ += Max(seconds, limits_.blockTime);
}
