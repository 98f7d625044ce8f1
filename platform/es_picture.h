// The off-screen picture on an OpenGL ES 3.0 or WebGL 2 context, for the two
// windows that run under the fixedgl layer (window_gles.cpp natively,
// web_window.cpp in a page): a framebuffer with RGBA8 colour, in which the
// layer keeps 5-6-5 values (alpha 1), and a 16-bit depth renderbuffer (24-bit
// for 32-bit colour); it keeps its contents from frame to frame. Firefox's
// WebGL stores 16-bit depth as 24 bits, so a page may take a wider depth.
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
// colourBits 16 asks for 16-bit depth, 32 for 24-bit depth (the colour is
// RGBA8 either way); false when the driver cannot give exactly 8-bit colour
// and that depth, or with allowWider, at least that many bits in each.
bool CreateEsPicture(int width, int height, int colourBits, EsPicture* picture,
                     bool allowWider = false);

// Deletes the picture's objects, binds the default framebuffer and empties
// the record; does nothing for an empty one.
void DeleteEsPicture(EsPicture* picture);
