// The footer file: the closing lines of an NC program, the lines after its last move. Every piece
// of a split ends with it, after the piece has brought the tool back to the start point.
#pragma once

#include <cstdint>

// Results of CutFooter.
enum FooterCutResult {
  kFooterCutOk = 0,       // the footer file was written
  kFooterCutFailed = -1,  // NC file missing or unreadable (a line too long included), footer
                          // file not creatable or not writable
};

// Cuts the footer of `ncFile` into `footerFile` (created or replaced), "\r\n" line ends. The
// footer is the lines after `lastMoveLine` (the program's last move or hole, as the measurement
// pass finds it: MeasureReport::lastMoveOrdinal, the place among the lines the program runs) up to
// the block that ends the program (its first M02 or M30, included), and after that only the bare
// tape marks ("%") that close the file. The program is read as it runs, through its calls
// (nc/call_reader.h): the blocks of a subprogram after the last move, and those of a call after
// it, are the footer's, expanded; the lines of M98 and M99 are not. Lines are
// copied byte for byte, but for a block that names an axis and is neither a reference return
// (G27, G28, G30), a machine-coordinate move (G53), a dwell (G04) nor a G92: it moves nothing
// (the program's last move came before it), and since a piece returns to the start point before
// its footer, its axis words could move the tool there; only the words riding on it are kept, in
// the canonical form (nothing when none). The blocks of the body before `lastMoveLine` travel with
// the moves of the pieces, never in the footer.
// `offset` above 0: the program calls nothing and the line after its last move begins there
// (MeasureReport::footerOffset); the lines before it are not read again. 0: they are counted (no
// line after a move begins at the file's start).
int CutFooter(const char* ncFile, const char* footerFile, int lastMoveLine, int64_t offset = 0);
