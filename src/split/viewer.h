// Hands a written piece to the NC viewer program that the user named in the settings file.
#pragma once

#include "platform/platform.h"

enum ViewerResult {
  kViewerOk = 0,       // the viewer was started, or none is configured (NCVIEWER empty or missing)
  kViewerFailed = -1,  // reported at level -1 (run-log line and error box owned by `owner`)
};

// Starts the program named by NCVIEWER of [PAVLOK] with `ncPath` (CP932) as its one parameter,
// enclosed in double quotes when it holds a space. Reports and returns kViewerFailed when the
// settings file is missing, when nothing exists at the viewer's path or at `ncPath`, or when the
// program cannot be started. With no viewer configured it starts nothing and reports nothing.
int OpenInViewer(platform::WindowHandle owner, const char* ncPath);

// True when the settings file exists and names no viewer: OpenInViewer would then do nothing for
// any piece, and a caller with many pieces need not ask it for each (the settings file is read
// once instead of once per piece).
bool NoViewerConfigured();
