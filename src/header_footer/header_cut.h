// The header file: the opening lines of an NC program (program number, set-up codes, tool call,
// work offsets, ...) up to the first move that leaves the start point, ended by one positioning
// line that brings the tool to the start point. Every piece of a split begins with it.
//
// The header check. When the split driver cuts the header itself, every piece will begin with
// this header and then go straight to its motion, so whatever the program sets up between the
// header's end and its first cutting move is lost in every piece. Such lines are noted while the
// header is cut: tool length compensation (G43, G44), spindle start (M03, M04) or a tool change
// (M06) refuses the split; a spindle speed (S) or coolant (M07, M08) only warns. The line that
// the positioning line replaces counts as not kept.
#pragma once

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

struct HeaderCheck {
  HeaderLoss refused;                       // first line whose loss refuses; line 0 when none
  int warningCount;                         // lines whose loss only warns (all of them)
  HeaderLoss warnings[kMaxHeaderWarnings];  // the first kMaxHeaderWarnings of them
};

// Cuts the header of `ncFile` into `headerFile` (created or replaced). Lines are copied byte for
// byte ("\r\n" ends); the positioning line is "G.." codes of the block, then X, Y, Z of the start
// point, each written like that axis's last word in the program (with a point: "X0."; without:
// thousandths "X0"). The start point is that of PassRecords::ScanStart (nc/pass_rules.h): the first G92
// block with X, Y and Z, else the position at the end of the program. The program is read by the
// pass rules of nc/pass_rules.h; lines of the skip list, dwells and G92 blocks never end the
// header and are copied while it lasts. Returns kHeaderCutOk or kHeaderCutFailed.
int CutHeader(const char* ncFile, const char* headerFile);

// CutHeader with the header check over the lines before `firstCuttingLine` (the NC line of the
// first cutting record, MeasureReport::firstCuttingLine; 0 checks nothing). Writes `*check`
// (always). Returns kHeaderCutOk, kHeaderCutFailed or kHeaderCutRefused.
int CutHeaderChecked(const char* ncFile, const char* headerFile, int firstCuttingLine,
                     HeaderCheck* check);

// Reports the check in the run log: when it refuses, one error line (level -1, error box)
// naming the first refused line and telling the user to make the header file with the header
// and footer command, check it and split again; otherwise one warning line (level 0) for each
// line that loses S, M07 or M08. Returns -1 when refused, 0 otherwise.
int ReportHeaderCheck(platform::WindowHandle owner, const HeaderCheck& check);
