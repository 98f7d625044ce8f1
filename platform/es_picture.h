// The off-screen picture on an OpenGL ES 3.0 or WebGL 2 context, for the two
// windows that run under the fixedgl layer (window_gles.cpp natively,
// web_window.cpp in a page): a framebuffer with RGBA8 colour, in which the
// layer keeps 5-6-5 values (alpha 1), and a 16-bit depth renderbuffer; it
// keeps its contents from frame to frame.
//
// State: none; the window keeps the record. No GL header is needed to use
// it: the object names are plain unsigned integers.
#pragma once

#include <cstdint>

struct EsPicture {
    uint32_t framebuffer;
    uint32_t colour;
    uint32_t depth;
    int width;
    int height;
};

// Makes a width x height picture, binds it for drawing and reading and
// clears it to black, without dithering (pictures are stored as drawn).
// False when the driver cannot give exactly 8-bit colour and 16-bit depth.
bool CreateEsPicture(int width, int height, EsPicture* picture);

// Deletes the picture's objects, binds the default framebuffer and empties
// the record; does nothing for an empty one.
void DeleteEsPicture(EsPicture* picture);
