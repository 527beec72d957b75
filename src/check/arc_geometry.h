// Arc geometry of the split check: the centre of an R-form arc, the swept angle and the length of
// an arc, in the two coordinates of its plane.
#pragma once

// Results of ArcCentreFromRadius.
enum ArcCentreResult {
  kArcCentreOk = 0,
  kArcNoChord = -2,  // start and end are the same point: an R arc has no centre then
};

// The centre offset (centre minus start) of the arc from `start` to `end` (plane coordinates a, b)
// with radius word `r` (R > 0: the arc of at most 180 degrees, R < 0 the longer one), clockwise
// when `clockwise`. A chord longer than 2|R| puts the centre on its middle (the half circle):
// whether the control runs such an arc at all is RadiusReachesEnd's to say. Writes `offset` (two
// values) on kArcCentreOk only.
int ArcCentreFromRadius(const double start[2], const double end[2], double r, bool clockwise, double offset[2]);

// Whether the control runs the R arc from `start` to `end` with radius word `r` rather than
// alarm: with the four coordinates and R held on its grid of `step` (the least increment), the
// chord is at most 2|R| plus kHalfCircleSlack steps (nc/number_text.h; a longer chord than 2|R|
// by less is a half circle whose numbers were rounded). Worked in whole steps, squared, so that
// no binary noise decides it.
bool RadiusReachesEnd(const double start[2], const double end[2], double r, double step);

// Signed swept angle in radians from `start` to `end` around `centre` (plane coordinates),
// negative for a clockwise arc: in (-2 pi, 0] clockwise and [0, 2 pi) counter-clockwise, and
// exactly -2 pi / +2 pi when `fullCircle` (the block's end is its start).
double ArcSweep(const double start[2], const double end[2], const double centre[2], bool clockwise,
                bool fullCircle);
