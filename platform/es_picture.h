// The off-screen picture on an OpenGL ES 3.0 or WebGL 2 context, for the two
// windows that run under the fixedgl layer (window_gles.cpp natively,
// web_window.cpp in a page): a framebuffer with 5-6-5 colour and 16-bit
// depth renderbuffers (or 8-bit channels and 24-bit depth) that keeps its
// contents from frame to frame. Firefox's WebGL stores those formats wider
// (8-8-8 colour on desktop OpenGL, 24-bit depth everywhere), so a page may
// take a wider picture.
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
// colourBits 16 asks for 5-6-5 colour and 16-bit depth, 32 for 8-bit
// channels and 24-bit depth; false when the driver cannot give exactly that,
// or with allowWider, at least that many bits in each.
bool CreateEsPicture(int width, int height, int colourBits, EsPicture* picture,
                     bool allowWider = false);

// Deletes the picture's objects, binds the default framebuffer and empties
// the record; does nothing for an empty one.
void DeleteEsPicture(EsPicture* picture);
