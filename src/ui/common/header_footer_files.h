// The header and footer files of an NC program, made from the console so that a user can check
// and edit them before a split (the split uses existing files unchanged).
#pragma once

#include "platform/platform.h"

// Cuts the header and the footer file of `ncFile` next to it, named with the suffixes NCHEADER
// and NCFOOTER of [PAVLOK] (64-byte fields, defaults "_header" and "_footer"): the same files
// as the main window's create command. Prints each path in the run log as it is made
// ("　冒頭ファイル : %s", "　末尾ファイル : %s") and opens nothing.
// Returns 0; -1 after an error line at level -1 when `ncFile` names nothing or a folder, a
// derived path does not fit, or a cut fails (a header made before a failing footer cut stays).
int HeaderFooterFiles(platform::WindowHandle owner, const char* ncFile);
