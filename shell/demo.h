// The program's spine: the display it opens, the loop that drives the scene
// sequencer, and the shutdown.
//
// Owns the process-wide values the scenes read: the picture size, the surface
// frames are presented on and the quit flag. ScreenWidth, ScreenHeight and
// FullScreen never change at run time; QuitRequested only goes from 0 to 1
// during the loop (the start clears it once, after loading).
#pragma once

#include "platform/window.h"

#include <cstdint>

extern const uint32_t ScreenWidth;
extern const uint32_t ScreenHeight;
// Non-zero: a borderless window over the whole desktop; zero: a centred window
// with a caption.
extern const int32_t FullScreen;
// Every scene presents its frame with SwapBuffers(DeviceContext).
extern DeviceContextHandle DeviceContext;
// Becomes 1 to end the message loop after the current pass.
extern uint8_t QuitRequested;

// Opens the window and the OpenGL context with its picture, 640 x 480 unless
// a larger size was set (picture_size.h; start-up steps up to the context); headless uses the
// off-screen driver and presents without waiting, otherwise presents wait for the display's
// refresh. Failures end the program through FatalError.
void OpenDisplay(bool headless);

// Plays the whole show: opens the display, loads every scene, starts the
// music and the clock, loops until QuitRequested, then shuts down. Returns the
// process status (0).
int RunDemo(bool headless);

// Handles one window event: Escape and close requests set QuitRequested;
// every other key, button or event does nothing.
void WindowProc(const PlatformEvent& event);

// Releases the OpenGL context and the picture and gives the desktop back.
// Safe to call more than once.
void ShutdownDisplay();
