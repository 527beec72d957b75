// The picture of a split as an SVG file, NAME_split.svg next to the pieces.
//
// The file is UTF-8 XML: the program's name (CP932) is converted, character by character, and
// every other text is ASCII, so it opens in any browser or drawing program on any system. Its
// layout, in pixels:
//   - a title line (the program's name, the number of pieces, the totals) and the stock's extents;
//   - the view from above (X right, Y up) and under it the side view (X right, Z up), sharing the
//     X scale; a flat part's side view is stretched in Z, and says so;
//   - one group per piece, <g id="piece-N">, holding its paths in both views: cutting moves in
//     the piece's colour, the program's rapids thin and grey, the seam moves thin, grey and dashed;
//   - the stock (the bounds of the cutting moves) as a dashed box in both views;
//   - each seam as a numbered circle in both views, <g id="seam-K"> (K: piece K stops there,
//     piece K + 1 resumes), and the start point as a cross;
//   - the legend: each piece's number, colour, cutting time and distance, then the key.
// Numbers go through the project's formatter (one decimal for pixels), so every build writes the
// same bytes.
#pragma once

#include <cstddef>
#include <string>

#include "picture/split_picture.h"

// Results of SplitPicturePath.
enum PicturePathResult {
  kPicturePathOk = 0,
  kPicturePathTooLong = -1,  // the path does not fit `size`
  kPicturePathTaken = -2,    // the name falls on the program, one of its pieces, or the header,
                             // footer or intermediate file of its split (names compared without
                             // regard to letter case)
};

// The suffix of the picture's name.
inline constexpr char kPictureSuffix[] = "_split.svg";

// The picture's path for `ncFile`: its base name with "_split.svg", next to it (PART.NC ->
// PART_split.svg). Reads the name suffixes of [PAVLOK] and [QUENDRA] from the settings file to
// tell the split's own files. Returns a PicturePathResult; `out` holds the path only for
// kPicturePathOk (and "" otherwise).
int SplitPicturePath(const char* ncFile, char* out, size_t size);

// The whole SVG text of `picture`.
std::string SplitSvgText(const SplitPicture& picture);

// Results of WriteSplitSvg.
enum SvgResult {
  kSvgWritten = 0,
  kSvgNotWritten = -1,  // the file could not be created or written to its end; nothing is left
};

// Writes SplitSvgText(picture) to `path` (CP932), replacing an earlier file.
int WriteSplitSvg(const SplitPicture& picture, const char* path);
