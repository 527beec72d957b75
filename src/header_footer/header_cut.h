// The header file: the opening lines of an NC program (program number, set-up codes, tool call,
// work offsets, ...) up to the first move that leaves the start point. Every piece of a split
// begins with it, followed by a positioning line that brings the tool to the start point of that
// split: the line is made for each run from its start point (FormatPositioningLine), never kept in
// the file, so a header file that a user made and edited for one start point cannot carry a
// stale one into a split with another.
//
// The header check. When the split driver cuts the header itself, every piece will begin with
// this header and then go straight to its motion, so whatever the program sets up between the
// header's end and its first cutting move is lost in every piece. Such lines are noted while the
// header is cut: tool length compensation (G43, G44), spindle start (M03, M04) or a tool change
// (M06) refuses the split; a spindle speed (S) or coolant (M07, M08) only warns. The line that
// the positioning line replaces counts as not kept.
#pragma once

#include <span>

#include "platform/platform.h"

// Results of CutHeader and CutHeaderChecked.
enum HeaderCutResult {
  kHeaderCutOk = 0,        // the header file was written
  kHeaderCutFailed = -1,   // NC file missing or unreadable (a line too long included), header
                           // file not creatable or not writable; a header file may be left
  kHeaderCutRefused = 1,   // the header file was written, but the check refuses it (see above);
                           // the caller deletes it
};

// Lines noted by the check, at most this many warnings are kept (more are only counted).
inline constexpr int kMaxHeaderWarnings = 16;
// Room for the codes one line loses, such as "G43 M03 M06" or "S12000 M08".
inline constexpr int kHeaderCodesSize = 48;

struct HeaderLoss {
  int line;                      // 1-based NC line
  char codes[kHeaderCodesSize];  // the codes lost with it, blank-separated
};

// The recipe of the positioning line: the G codes of the block whose place the positioning line
// takes (the program's first rapid move with an axis word), and how the program writes each axis.
inline constexpr int kPositioningCodesSize = 48;
struct PositioningRecipe {
  bool found;                            // false: the header ended without such a block
  char codes[kPositioningCodesSize];     // "G90G0" (90/91/92 first, then 17..19, then the rest)
  int hasPoint[3];                       // X, Y, Z: 1 when written with a decimal point
};

struct HeaderCheck {
  HeaderLoss refused;                       // first line whose loss refuses; line 0 when none
  int warningCount;                         // lines whose loss only warns (all of them)
  HeaderLoss warnings[kMaxHeaderWarnings];  // the first kMaxHeaderWarnings of them
};

// Cuts the header of `ncFile` into `headerFile` (created or replaced; nullptr: nothing is written
// and only `*recipe` is wanted). Lines are copied byte for byte ("\r\n" ends) up to the block that
// ends the header: the first rapid move with an axis word (its place is the positioning line's,
// see `recipe`), or the first block that leaves the program's start point or cuts (an arc's
// centre or radius words: a full circle leaves nothing). The program's start point is that of
// PassRecords::ScanStart (nc/pass_rules.h): the first G92 block with X, Y and Z, else the
// position at the end of the program. The program is read by the pass rules of nc/pass_rules.h;
// lines of the skip list, dwells and G92 blocks never end the header and are copied while it
// lasts. `recipe` (may be nullptr) receives the positioning line's recipe. Returns kHeaderCutOk or
// kHeaderCutFailed.
int CutHeader(const char* ncFile, const char* headerFile, PositioningRecipe* recipe = nullptr);

// CutHeader with the header check over the lines before `firstCuttingLine` (the NC line of the
// first cutting record, MeasureReport::firstCuttingLine; 0 checks nothing). Writes `*check`
// (always). Returns kHeaderCutOk, kHeaderCutFailed or kHeaderCutRefused.
int CutHeaderChecked(const char* ncFile, const char* headerFile, int firstCuttingLine,
                     HeaderCheck* check, PositioningRecipe* recipe = nullptr);

// The positioning line that follows the header in every piece, into `out` (no line end): the
// recipe's codes with the distance mode made absolute (G91 becomes G90; G90 comes first when the
// block named neither), or "G90G00" when the header ended without a rapid move; then X, Y, Z of
// `start`, each written like the program writes that axis (with a point: "X0."; without:
// thousandths "X0"). Returns its length.
int FormatPositioningLine(const PositioningRecipe& recipe, const double start[3], std::span<char> out);

// Reports the check in the run log: when it refuses, one error line (level -1, error box)
// naming the first refused line and telling the user to make the header file with the header
// and footer command, check it and split again; otherwise one warning line (level 0) for each
// line that loses S, M07 or M08. Returns -1 when refused, 0 otherwise.
int ReportHeaderCheck(platform::WindowHandle owner, const HeaderCheck& check);
