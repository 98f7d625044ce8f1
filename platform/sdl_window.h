// What the two SDL windows share: the desktop OpenGL one (window.cpp) and
// the OpenGL ES one under the fixedgl layer (window_gles.cpp).
//
// sdl_window.cpp owns the one SDL window and serves everything in window.h
// that does not depend on the kind of context: start-up, the window and the
// cursor, events, the clock, pacing, the present hook, the error box and
// shutting down. Each
// window file serves the context, the picture and presenting, and says which
// context it wants through SetSdlContextAttributes.
#pragma once

#include "platform/window.h"

#include <SDL.h>

struct PlatformSurface {
    SDL_Window* window;
};

// Sets SDL's attributes for the context kind; called by CreatePlatformWindow
// before the window is made. Defined by each window file.
void SetSdlContextAttributes();

// The window made by CreatePlatformWindow, or nullptr.
SDL_Window* GetSdlWindow();

// Hands the finished picture to the present hook when one is set (see
// SetPresentHook); false when none is, and the window file shows it.
bool RunPresentHook();

// Runs the context-end hook, if one is set (see SetContextEndHook).
void RunContextEndHook();
