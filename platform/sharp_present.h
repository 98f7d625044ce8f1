// The one-pass present on desktop OpenGL 2.0 or later: the picture, held in
// a texture, drawn into the window's area by one fragment shader that gives
// the same "sharp bilinear" look as the two blits (nearest pixels enlarged
// by a whole factor, then shrunk linearly), at the cost of one pass.
//
// State: the shader program and the entry points it needs, file-static,
// made by PrepareSharpPresent and deleted with the context. Only
// window.cpp uses it; the context must be current.
#pragma once

#include "platform/window.h"

#include <GL/gl.h>

// Fetches the shader entry points and builds the program; false when the
// context has no OpenGL 2.0 shaders (presenting then keeps its blits).
bool PrepareSharpPresent();

// Draws the picture texture (pictureWidth x pictureHeight, linear
// filtering, clamped) into area of the bound draw framebuffer. Leaves every
// piece of state as it found it.
void DrawSharpPicture(GLuint pictureTexture, int pictureWidth, int pictureHeight,
                      const PresentArea& area);

// Deletes the program; safe to call when none was made.
void DeleteSharpPresent();
