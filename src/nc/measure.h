// Motion measurement: the length and duration of one move, added to running totals.
//
// Units are part of the interface, since the split decisions compare the totals with the user's
// limits: lengths in mm, feeds in mm/min, times in minutes, angles in degrees. Rapid moves (G00)
// add distance only; feed moves (G01) and arcs (G02/G03) add distance and length / feed.
#pragma once

#include <array>

#include "nc/records.h"

// Slots of `distanceTotals` and `timeTotals`.
enum TotalSlot { kRapid = 0, kCutting = 1 };
// Rapid and cutting distance in mm.
using DistanceTotals = std::array<double, 2>;
// Slot kCutting: cutting time in minutes. Slot kRapid is never written: rapids take no time.
using TimeTotals = std::array<double, 2>;
// Smallest / largest X, Y, Z and feed met so far; the caller gives the initial values.
enum ExtentSlot { kExtentX = 0, kExtentY = 1, kExtentZ = 2, kExtentFeed = 3 };
using Extents = std::array<double, 4>;

// What MeasureMove could not measure as it stands, for the split driver to warn about.
struct MoveCounters {
  int zeroFeedMoves;      // cutting moves of non-zero length measured while `feed` was 0: their
                          // distance was added and no time
  int unmeasurableMoves;  // moves whose length or time was no finite number (coordinates or
                          // feeds beyond any machine's range): nothing was added
};

// Where a measurement adds what it measured: totals and extents the caller owns and has given
// their initial values. Only `counters` may be nullptr (nothing is counted then).
struct MoveSums {
  DistanceTotals* distance;  // slot kRapid += rapid length, kCutting += cutting length (mm)
  TimeTotals* time;          // slot kCutting += cutting time (minutes)
  Extents* minimum;          // X, Y, Z widened by every end point, the feed slot by a non-zero feed
  Extents* maximum;
  MoveCounters* counters = nullptr;  // the moves not measured as they stand
};

// A point in the plane of an arc: its first and second coordinates.
struct PlanePoint {
  double first;
  double second;
};

// Start angle, end angle and swept angle of an arc, in degrees counter-clockwise from the
// positive first axis; start and end in [0, 360), swept in [0, 360].
struct ArcAngleSet {
  double start;
  double end;
  double swept;
};

// Whether an arc closes on itself. A control cuts a whole circle only when the end point it is
// given is the start point; an arc whose end lies a hair beside its start is a tiny arc (or, the
// other way round, almost a whole one), never a circle by accident. Where the program's own
// numbers are at hand the positions decide (kArcByPositions: exactly equal); where only rounded
// copies are (the split loop), the measurement pass's decision is handed on.
enum ArcClosure {
  kArcByPositions = 0,  // a full circle when the end point equals the start point exactly
  kArcFullCircle = 1,   // a full circle
  kArcOpen = 2,         // not a full circle, however close the end lies to the start
};

// The arc length's pi (ten decimals) and the radian-to-degree factor 180 / that pi.
inline constexpr double kArcPi = 3.1415926535;
inline constexpr double kDegreesPerRadian = 57.29577951471995;

// Measures the move from `oldPosition` to `newPosition` and adds it to `sums`. Reads
// `modal.motion` and `modal.plane` and `feed.feed`; writes only what `sums` points to.
//  - X, Y, Z of the new position widen `minimum` / `maximum`; a non-zero feed widens slot 3.
//  - motion 0: straight length to the rapid distance.
//  - motion 1: straight length to the cutting distance, length / feed to the cutting time.
//  - any other motion (2, 3, or none yet): an arc in the selected plane (G18: coordinates
//    (X, -Z) and centre offsets (I, -K); G19: (-Z, Y) and (-K, J); otherwise (X, Y), (I, J)),
//    centred at the old point plus the new position's offsets (or, when they are all 0, at the
//    centre its R gives: ArcCentreFromRadius), length pi x diameter x swept / 360 with
//    pi = 3.1415926535; `closure` tells a full circle (swept 360) from an open arc, and an open
//    arc whose end lies within 0.001 of its start sweeps the small angle between them (or all but
//    it, by its direction); helical travel is not measured.
// A cutting move of non-zero length while `feed` is 0 adds its distance and no time and is
// counted in `zeroFeedMoves`. No infinity or NaN ever reaches a total: a move whose length or
// time is not finite adds nothing to that total and is counted in `unmeasurableMoves`.
void MeasureMove(const ModalState& modal, const Position& newPosition, const Position& oldPosition,
                 const FeedState& feed, int closure, const MoveSums& sums);

// One hole of a canned cycle: its code (73, 74, 76, 81..89), return level (98, 99), the hole and
// its bottom, the R level and the initial level, all absolute.
struct HoleShape {
  int code;
  int returnLevel;
  double x, y, z, r, initial;
};

// Measures a hole as the control drills it from `from`: a rapid to the hole at the level the
// tool stands at, a rapid to the R level, the feed to the bottom (pecks are not counted: their
// retracts and re-approaches are rapids), out to the R level at feed for the tapping and boring
// cycles that feed out (G74, G84, G85, G89) and rapid for the others, and for G98 a rapid up to
// the initial level. Adds to `sums` as MeasureMove does; `*end` receives where the tool stands
// afterwards (the hole at the return level).
void MeasureHole(const HoleShape& hole, const Position& from, double feed, const MoveSums& sums, Position* end);

// The centre offset (from `start`) of the arc from `start` to `end` with radius word `radius` in
// `motion` (2 clockwise, 3 counter-clockwise), as the controls place it: on the perpendicular
// bisector of the chord, on the side that gives the arc of at most 180 degrees for a positive R
// and the longer arc for a negative one. False when start and end are the same point, and when
// the radius cannot reach the end (RadiusReachesEnd with `units`: the control alarms); a chord a
// little longer than the diameter, within that reach, makes the half circle on the chord.
bool ArcCentreFromRadius(const PlanePoint& start, const PlanePoint& end, double radius, int motion,
                         PlanePoint* offset, int units = kMillimetres);

// Whether a control runs the R arc from `start` to `end` with radius word `radius` (`units`
// kMillimetres or kInches): with the end points and R held on the grid of its least increment
// (rounded as the pieces write them), the chord is at most 2|R| plus kHalfCircleSlack increments
// (nc/number_text.h). Exact on the grid, free of binary noise, for chords up to 40 m.
bool RadiusReachesEnd(const PlanePoint& start, const PlanePoint& end, double radius, int units);

// Angles of the arc from `start` to `end` around `centre`. Points within 0.001 of each other in
// both coordinates make a full circle (swept 360, start and end 0). Otherwise each angle comes
// from the point's offset (d1, d2) from the centre: |d1| < 0.001 gives 90 (d2 > 0) or 270;
// else |d2| < 0.001 gives 180 for d1 < 0 and, for d1 > 0, 1e-10 as a start angle and 0 as an
// end angle; else 90 - atan(d1 / d2) (d2 >= 0) or 270 - atan(d1 / d2), in degrees. Swept is end
// minus start, plus 360 when negative; `modal.motion` 2 (clockwise) turns it into 360 - swept.
void ArcAngles(const PlanePoint& start, const PlanePoint& end, const PlanePoint& centre,
               ArcAngleSet* angles, const ModalState& modal);

// The incremental move from `current` to `target`: X, Y, Z = target minus current; I, J, R, Q,
// K = the target's; then every slot strictly between -0.0004 and +0.0005 becomes exactly 0 (for
// `units` kInches: between -0.00004 and +0.00005).
void RelativeMove(const Position& target, const Position& current, Position* out,
                  int units = kMillimetres);
