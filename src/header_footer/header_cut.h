// The header file: the opening lines of an NC program (program number, set-up codes, tool call,
// work offsets, ...) up to the first move that leaves the start point. Every piece of a split
// begins with it, followed by a positioning line that brings the tool to the start point of that
// split: the line is made for each run from its start point (FormatPositioningLine), never kept in
// the file, so a header file that a user made and edited for one start point cannot carry a
// stale one into a split with another.

#pragma once

#include <span>

#include "platform/platform.h"

// Results of CutHeader.
enum HeaderCutResult {
  kHeaderCutOk = 0,        // the header file was written
  kHeaderCutFailed = -1,   // NC file missing or unreadable (a line too long included), header
                           // file not creatable or not writable; a header file may be left
};

// The recipe of the positioning line: the G codes of the block whose place the positioning line
// takes (the program's first rapid move with an axis word), and how the program writes each axis.
// Only the codes that set up where and how a rapid goes are taken (G00, G17..G19, G20/G21, G40,
// G49, G54..G59, G80, G90/G91, G94): a tool length or cutter compensation, a cycle or a reference
// return on that block belongs to the program's own move, which the first piece makes after the
// positioning line and the others restore.
inline constexpr int kPositioningCodesSize = 48;
struct PositioningRecipe {
  bool found;                            // false: the header ended without such a block
  char codes[kPositioningCodesSize];     // "G90G0" (90/91 first, then 17..19, then the rest)
  int hasPoint[3];                       // X, Y, Z: 1 when written with a decimal point
  int bodyLine;                          // the line of the block that ended the header: the
                                         // first line of the program's body (0: none ended it)
  int units;                             // kMillimetres or kInches in force at the header's end
};

// Cuts the header of `ncFile` into `headerFile` (created or replaced; nullptr: nothing is written
// and only `*recipe` is wanted). Lines are copied byte for byte ("\r\n" ends) up to the block that
// ends the header: the first rapid move with an axis word (its place is the positioning line's,
// see `recipe`), or the first block that leaves the program's start point, cuts (an arc's centre
// or radius words: a full circle leaves nothing) or drills (a canned cycle). The program's start
// point is that of PassRecords::ScanStart (nc/pass_rules.h): the first G92 block with X, Y and Z,
// else the position at the end of the program. The program is read by the pass rules of
// nc/pass_rules.h; reference returns, machine-coordinate moves, dwells, G92 blocks and blocks
// that take up or cancel a tool length offset with a Z move alone (G43 H1 Z50.) never end the
// header and are copied while it lasts. `recipe` (may be nullptr) receives the positioning
// line's recipe and the header's end. Returns kHeaderCutOk or kHeaderCutFailed.
int CutHeader(const char* ncFile, const char* headerFile, PositioningRecipe* recipe = nullptr);

// The positioning line that follows the header in every piece, into `out` (no line end): the
// recipe's codes with the distance mode made absolute (G91 becomes G90; G90 comes first when the
// block named neither), or "G90G00" when the header ended without a rapid move (with the work
// offset of the block that ended it, when it names one); then X, Y, Z of
// `start`, each written like the program writes that axis (with a point: "X0."; without:
// thousandths "X0"), in an inch program to the ten-thousandth ("X0.0243", "X243"); Z only
// `withZ` (a program that cuts under a tool length offset reaches Z only under it, after the
// positioning line). Returns its length.
int FormatPositioningLine(const PositioningRecipe& recipe, const double start[3], std::span<char> out,
                          bool withZ = true);
