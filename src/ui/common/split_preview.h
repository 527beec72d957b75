// The picture of the last split, kept by the front end for the whole process: both programs run
// their splits through SplitWithPicture, which collects the picture while the pieces are written
// and, when the split wrote them, keeps it as the last split's picture and (with PREVIEW 1 of
// [COMMAND], or the console's --preview) writes it as NAME_split.svg next to the pieces.
//
// Two pictures live here: the one being collected and the last split's, each within the bounds of
// split_picture.h, so the memory stays bounded whatever the programs split. A split that fails
// leaves the last split's picture as it was and writes none.
#pragma once

#include "picture/split_picture.h"
#include "platform/platform.h"
#include "split/split_job.h"

// Whether every split collects its picture. On: the Windows program, whose menu shows the last
// split's picture at any time. Off (the start): only splits that write their picture collect it,
// so a console run without the picture does no work for it.
void KeepSplitPictures(bool on);

// Back to the state at start: no last split's picture, pictures kept only when written.
void ForgetSplitPictures();

// SplitProgram for `job` (its observer is replaced by the picture while one is collected). After
// a split that wrote its pieces, the picture becomes the last split's; with PREVIEW 1 it is also
// written as SavePictureOfLastSplit writes it. Returns kSplitDone, or kSplitFailed when the split
// failed or the picture asked for could not be written (its error is in the run log; the pieces
// stay).
int SplitWithPicture(platform::WindowHandle owner, const SplitJob& job);

// The picture of the last split of this process that wrote its pieces; without pieces before it.
const SplitPicture& LastSplitPicture();

// Writes the last split's picture as NAME_split.svg next to its program and emits the
// information line naming the file. An error line at level -1 (and -1) when there is no picture
// yet, when the name is too long or falls on a file of the program or its split, or when the file
// cannot be written (nothing is left then). Returns kPictureSaved or kPictureNotSaved.
enum PictureSaveResult {
  kPictureSaved = 0,
  kPictureNotSaved = -1,
};
int SavePictureOfLastSplit(platform::WindowHandle owner);
