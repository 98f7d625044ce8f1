// The display mode, the OpenGL context and the ARB multitexture entry points.
//
// Owns the four multitexture entry points, null until LoadMultitexture
// fetches them (when the level scene starts). The system GL header already
// declares the plain gl… names, so the fetched pointers drop the gl prefix.
#pragma once

#include <GL/gl.h>

using ActiveTextureFunction = void(APIENTRY*)(GLenum unit);
using MultiTexCoord2fFunction = void(APIENTRY*)(GLenum unit, GLfloat s, GLfloat t);
using MultiTexCoord2fvFunction = void(APIENTRY*)(GLenum unit, const GLfloat* st);

extern MultiTexCoord2fFunction MultiTexCoord2fARB;
extern MultiTexCoord2fvFunction MultiTexCoord2fvARB;
extern ActiveTextureFunction ActiveTextureARB;
extern ActiveTextureFunction ClientActiveTextureARB;

// Prepares the full-screen display. The show never changes the desktop's
// mode: it covers the desktop with a borderless window and scales its
// picture, so this only checks that the desktop can be read.
void SetDisplayMode();

// Makes the OpenGL context current on DeviceContext with the picture of the
// size and colour set in picture_size.h (640 x 480, 16-bit colour and 16-bit
// depth unless set otherwise). False when no context can be
// made; a driver without framebuffer objects, or a picture without those
// bits, ends the program through FatalError.
bool CreateRenderContext();

// Fetches the four entry points; a driver that does not list the ARB
// multitexture extension, or lacks any of the four, is fatal.
void LoadMultitexture();

// Enables 2D texturing on units 0 and 1, leaving unit 1 active (server and
// client side).
void EnableMultitexture();

// Disables 2D texturing on units 1 and 0, leaving unit 0 active.
void DisableMultitexture();
