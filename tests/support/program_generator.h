// Random valid NC programs for end-to-end property tests: the shapes a CAM system and a person at
// the control write, mixed at random from a seed (the same seed gives the same bytes on every
// platform: only integers and the standard engines are used).
//
// A program states its start point with G92 in its header (or opens as a CAM post does, see
// ProgramStyle), changes tools (T M06, G43 H, S M03,
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

// How a generated program opens.
enum ProgramStyle {
  kStateThePosition = 0,  // G92 with the start point, T1 M06, S M03, G43 H1 at the start height
  kCamPost = 1,           // as a CAM post for a machining centre writes it: no G92, a safety line
                          // with G49, G91 G28 Z0., T1 M06, S M03, G54, the first rapid in X and Y,
                          // then G43 H1 Z.. (the first Z move, with the offset); the start point
                          // is X0 Y0 at the start height
  kPcControlPost = 2,     // kCamPost as a post for a PC-based control writes it: G91.1 in the
                          // safety line, comments after ";" (to the end of the line), and every
                          // third line ended by ";" as an ISO tape listing ends its blocks
  kFixtureOffsets = 3,    // kCamPost for work on several fixtures: now and then the work offset in
                          // force is written (G10 L2 P1) between operations, followed by a rapid
                          // that names every axis, and a tool's length (G10 L10) before its
                          // change's first positioning; at most 30 writes
  kLocalSystems = 4,      // kCamPost for several parts on one plate: now and then a local
                          // coordinate system (G52, absolute, X and Y or one of them, now and then
                          // the cancel) before an operation, the moves after it in its numbers;
                          // the end cancels it before or after its last rapid up
  kSubprograms = 5,       // kCamPost with operations (cuts, or holes) written as subprograms after
                          // the M30 (O8000 ... M99, each begun and ended in G90) and called from the
                          // main program once or repeated (M98 P8000, with L or K, or as P28000)
};

// A program of about `lines` lines (at least one operation) from `seed`.
GeneratedProgram GenerateProgram(uint32_t seed, int lines, int style = kStateThePosition);
