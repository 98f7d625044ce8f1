// The picture-tube switch-off that closes the show: a white rectangle that
// collapses to a line, then to a dot, holds, and asks the program to quit.
//
// Owns the vertical and horizontal insets (pixels) and the hold time
// (seconds); they start at 0 and only grow.
#pragma once

#include <cstdint>

extern float SwitchOffInsetV;
extern float SwitchOffInsetH;
extern float SwitchOffHold;

// Puts the insets and hold time back to 0.
void ResetSwitchOff();

// Grows the insets by dt seconds; true once the dot has held for half a
// second.
bool StepSwitchOff(float dt);

// Frames the effect draws at a constant frame time dt, up to and including
// the one that sets QuitRequested. Leaves the insets and hold time as found.
int64_t SwitchOffFrames(float dt);

// One frame of the effect after dt seconds: grows the insets, sets
// QuitRequested once the dot has held for half a second, and draws the white
// rectangle inside the inset viewport on a black picture.
void DrawSwitchOff(float dt);
