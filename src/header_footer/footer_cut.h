// The footer file: the closing lines of an NC program, from its last rapid move on, without the
// lines that move the axes. Every piece of a split ends with it.
#pragma once

// Results of CutFooter.
enum FooterCutResult {
  kFooterCutOk = 0,       // the footer file was written
  kFooterCutFailed = -1,  // NC file missing or unreadable in either reading (a line too long
                          // included), footer file not creatable or not writable
};

// Cuts the footer of `ncFile` into `footerFile` (created or replaced), lines copied byte for
// byte ("\r\n" ends). The NC file is read twice, with WaitSeconds(1) between the readings.
// First reading: the footer start is the number of the last line that holds the text "G00" or
// is a rapid block with an X, Y or Z word (G92 blocks do not move, so they do not count); when
// no line does, the line count. A footer start at or after the line count minus 7 becomes the
// line count minus 10. Second reading: a line at or after the footer start is copied when it is
// a line of the skip list or a dwell, when the interpreter finds nothing in it, or when it holds
// none of X, Y, Z. The program is read by the rules of nc/pass_rules.h.
int CutFooter(const char* ncFile, const char* footerFile);
