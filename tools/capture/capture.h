// Playing the show on a virtual clock and keeping its frames.
//
// RunCapture drives the show's own loop (RunDemo) with a counter that moves
// exactly 1 / fps seconds per pass and a present hook that reads each
// finished picture. Frame n is the show at n / fps seconds: frame 0 is the
// picture before the first pass, and a pass that changes scene (drawing
// nothing) repeats the last picture, so every frame keeps its time. While it
// runs, the counter, the present hook and the fatal-error hook are the
// capture's; all three are put back when it returns.
#pragma once

#include "tools/capture/capture_options.h"

// Plays the show as options say and writes its frames. Returns the process
// status: 0, or 1 after printing the reason on standard error. A failure of
// the show itself ends the process through FatalError as it would in the
// show.
int RunCapture(const CaptureOptions& options);

// The file name --at gives the frame at seconds: "23.500.png".
std::string AtFrameName(double seconds);
