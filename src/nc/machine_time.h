// Machine time: how long a three-axis machine takes to run the moves of a program, as opposed to
// the programmed time (feed length over F, rapids free).
//
// The model, as a control with a bounded look-ahead runs a program:
//  * every move, rapids included, runs a trapezoidal velocity profile: it accelerates from its
//    entry speed, cruises at its top speed if it gets there, and decelerates to its exit speed;
//  * a move's top speed is its feed (times the override) or, for a rapid, the rapid rate, and
//    neither may drive an axis beyond its own limit along the move's direction: the speed is the
//    smallest of limit(axis) / |direction(axis)|; the acceleration is bounded the same way;
//  * the speed through a corner between two moves is set by the corner tolerance (the junction
//    deviation: the speed at which a circle that keeps within the tolerance of the corner is run
//    at the junction's acceleration), and by the curvature the two moves trace (a corner between
//    short moves is as tight as the moves are short: a circle cut in segments is run as fast as
//    the circle itself, not faster); a reversal stops; a tolerance of 0 stops at every corner;
//  * on an arc the speed is also bounded by its centripetal acceleration, v^2 <= a * radius;
//  * the plan looks ahead over at most kLookAhead moves and always leaves the machine able to
//    stop at the last move it has seen; a move's time is final when it leaves that window;
//  * a hole of a canned cycle runs its legs (positioning, rapid to R, feed down with its pecks,
//    dwell, out, G98 return), each from a stop to a stop; a dwell, a tool change and any other
//    block that stops the motion (an M function, a reference return) finish the moves before
//    them and take their own time;
//  * a block never takes less than the block processing time.
//
// The planner is fed one move at a time and holds nothing but its fixed window, so its memory
// does not grow with the program. Total() is the time of everything fed so far as if the machine
// stopped after the last move: exactly the time of a piece that ended there. Every value is made
// of additions, multiplications, divisions, square roots and PortableAtan, so every build gives
// the same bits.
#pragma once

#include <cstddef>

// The machine's limits. Lengths in mm, rates in mm/min, accelerations in mm/s^2, times in
// seconds; the caller converts an inch program's numbers to mm before it feeds the planner.
struct MachineLimits {
  double rapid[3];   // rapid rate of X, Y, Z, mm/min (> 0)
  double feed[3];    // highest feed of X, Y, Z, mm/min (> 0)
  double accel[3];   // acceleration of X, Y, Z, mm/s^2 (> 0)
  double corner;     // corner tolerance (junction deviation), mm (>= 0)
  double toolChange; // tool change, s (>= 0)
  double blockTime;  // block processing time, s (>= 0): the shortest time of a block
  double override;   // feed override as a factor (1.0 for 100 %; > 0); rapids keep their rate
};

// Moves planned ahead. A control that sees further ahead runs short moves faster; 64 moves cover
// the stopping distance of a usual feed at a usual acceleration over moves of 0.1 mm.
inline constexpr int kLookAhead = 64;
static_assert((kLookAhead & (kLookAhead - 1)) == 0, "the window's ring is indexed by a mask");
inline constexpr int kRingMask = kLookAhead - 1;

// A hole of a canned cycle, absolute, mm.
struct MachineHole {
  int code;         // 73, 74, 76, 81..89
  int returnLevel;  // 98: back to `initial`; 99: to `r`
  double x, y;      // the hole
  double z;         // its bottom
  double r;         // the R level
  double initial;   // the level the cycle began at
  double feed;      // mm/min
  double peck;      // G73 / G83 peck depth Q (0: none)
  double dwell;     // dwell at the bottom, s (0: none)
};

class MachineTimePlanner {
 public:
  explicit MachineTimePlanner(const MachineLimits& limits);

  // Back to nothing fed, the machine at rest: a new piece.
  void Reset();

  // A straight move from `from` to `to` (X, Y, Z in mm): a rapid, or a feed move at `feed`
  // mm/min (0: no feed in force; the move then runs at the axes' highest feed). A move of no
  // length is no move and takes nothing.
  void Line(const double from[3], const double to[3], bool rapid, double feed);

  // An arc (or helix) from `from` to `to` around `centre` (X, Y, Z in mm; the centre's
  // coordinate along the plane's normal is not used), in `plane` 17, 18 or 19, clockwise or
  // not seen from the normal's positive end; `fullCircle` makes a whole turn of an arc that
  // ends where it starts. Runs at `feed` like Line.
  void Arc(const double from[3], const double to[3], const double centre[3], int plane,
           bool clockwise, bool fullCircle, double feed);

  // A hole drilled from `from`; the tool ends at the hole at its return level.
  void Hole(const double from[3], const MachineHole& hole);

  // A block that stops the motion and then takes `seconds` (a dwell, a tool change: the caller
  // adds MachineLimits::toolChange) or the block time, whichever is longer.
  void Stop(double seconds);

  // Seconds of everything fed so far, as if the machine stopped after the last move.
  double Total() const;
  // Seconds of the moves that have left the look-ahead window (final).
  double Completed() const { return completed_; }

  // True once the plan since the last Reset has rejoined the plan of the same moves fed without
  // that Reset: from here on every move is planned as the other planner plans it (the same entry
  // and exit speeds, the same time), so the two totals differ by what each had completed when
  // they rejoined, whatever is fed after. Both forget the past at a stop or a hole; otherwise the
  // start from a stop has been absorbed once a move has left the window entering as fast as the
  // moves after it allow (which no earlier start could pass): both windows then hold the same
  // moves, planned alike from there.
  bool Rejoined() const { return rejoined_; }

  const MachineLimits& limits() const { return limits_; }

 private:
  struct Planned {
    double length;     // mm
    double reach2;     // 2 * acceleration * length: what the move adds to a speed squared, (mm/s)^2
    double slowAccel;  // 1 / the acceleration along the move, s^2/mm
    double top2;       // top speed squared, (mm/s)^2
    double top;        // top speed, mm/s
    double slowTop;    // 1 / top speed, s/mm
    double entryMax2;  // the highest entry speed squared the corner before it allows
    double reverse2;   // the highest entry speed squared from which it can still stop in time
    double entry2;     // the entry speed squared planned
    double entry;      // and its square root
    double time;       // s, with the planned entry and exit speeds
    double total;      // s, everything up to and including this move
    double startDir[3];  // unit direction where the move starts and where it ends
    double endDir[3];
  };

  // The slot of the next move (the oldest move leaves the window first when it is full), for
  // the caller to fill its length, speeds, acceleration and directions before Plan().
  Planned& NextSlot();
  // Plans the move just filled into NextSlot() with the window.
  void Plan();
  // Retires every move: the plan already stops after the last one.
  void Flush();
  // The corner's entry speed limit, squared, between `before` and `after`.
  double CornerLimit2(const Planned& before, const Planned& after) const;
  // Seconds of a lone move from a stop to a stop (a leg of a hole).
  double StopToStop(const double from[3], const double to[3], bool rapid, double feed);
  // The top speed and acceleration of a straight move in `direction` (unit) into `block`: each
  // axis' limit over its share of the direction, taken as 1 / the largest share times the axis'
  // inverse limit, so that one division serves the three axes (none when the feed is slower).
  void StraightLimits(const double direction[3], bool rapid, double feed, Planned* block);
  // Fills `block`'s acceleration terms from its length and 1 / its acceleration.
  static void SetAccel(double slowAccel, Planned* block) {
    block->slowAccel = slowAccel;
    block->reach2 = 2.0 * block->length / slowAccel;
  }

  MachineLimits limits_;
  double slowRapid_[3];  // 1 / rapid rate of each axis, s/mm
  double slowFeed_[3];   // 1 / highest feed of each axis, s/mm
  double slowAccel_[3];  // 1 / acceleration of each axis, s^2/mm
  double lastFeed_ = -1.0;  // the feed (mm/min) whose 1 / top speed is `slowFeedTop_`, s/mm
  double slowFeedTop_ = 0.0;
  Planned ring_[kLookAhead];
  int head_ = 0;   // the oldest move in the window
  int count_ = 0;  // moves in the window
  double completed_ = 0.0;
  bool rejoined_ = true;  // as if fed from the program's start: nothing to rejoin
  int retired_ = 0;       // moves that have left the window since the last Reset (counted to 2)
};

// Seconds of a move of `length` mm that enters at speed^2 `entry2`, leaves at `exit2`, runs at
// most at `top2` and accelerates at `accel` (a trapezoid, or a triangle when it is too short to
// reach its top speed). The speeds must be reachable over the length (the planner makes them so).
double ProfileSeconds(double length, double accel, double top2, double entry2, double exit2);
