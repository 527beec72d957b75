// A portable double-precision arctangent.
//
// The arc measurement must give the same bits on every build, and the C libraries' atan differ
// in the last bit between platforms. This one is plain double arithmetic (additions,
// multiplications and divisions, each correctly rounded under SSE2 without contraction), so it
// computes the same result everywhere.
#pragma once

// Arctangent of `x` in radians, in [-pi/2, pi/2]. Error below 1 ulp: the argument is reduced to
// |t| < 7/16 around one of 0, atan(1/2), atan(1), atan(3/2) or pi/2 (each held as a sum of two
// doubles), and atan(t) is a degree-23 odd polynomial in t. NaN gives NaN, +-inf gives +-pi/2.
double PortableAtan(double x);
