// Random valid NC programs for end-to-end property tests: the shapes a CAM system and a person at
// the control write, mixed at random from a seed (the same seed gives the same bytes on every
// platform: only integers and the standard engines are used).
//
// A program states its start point with G92 in its header, changes tools (T M06, G43 H, S M03,
// now and then after a reference return G91 G28 Z0.), cuts with G01 and with G02/G03 arcs in the
// XY, ZX and YZ planes (centre offsets I/J/K, radius R, now and then a whole circle, sometimes cut
// twice over), switches
// between G90 and G91, drills with G81 and G83 under G98 and G99 up to G80, changes feeds, and
// carries comments with Shift-JIS text. Numbers are written with a point ("12.5") or as
// thousandths without one ("12500"); now and then a line is written in lower case or a value
// with "+". Every cut stays below Z 20; the start point's Z is 100.
#pragma once

#include <cstdint>
#include <string>

struct GeneratedProgram {
  std::string text;   // the program, CP932, "\r\n" or "\n" line ends
  double start[3];    // the start point its G92 states
  int lines;          // lines of the text
  int arcs;           // arcs written
  int radiusArcs;     // arcs among them given by R (whose centres a reader computes)
  int holes;          // holes drilled
  int lowestFeed;     // the lowest feed of any cutting move, per minute
};

// A program of about `lines` lines (at least one operation) from `seed`.
GeneratedProgram GenerateProgram(uint32_t seed, int lines);
