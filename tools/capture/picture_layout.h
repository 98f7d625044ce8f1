// How a captured picture arrives from the driver and how it is written.
//
// The drawing thread reads the picture back in the driver's own layout, the
// cheapest read: 5-6-5 colour as 16-bit words, 8-bit colour as RGBA bytes,
// bottom row first, at the drawn size. The frame writer's thread turns that
// into the written frame: 8-bit RGB, top row first, each supersample x
// supersample block averaged into one pixel, the picture placed pictureLeft
// pixels into rows that are otherwise black. No state.
#pragma once

#include <cstddef>
#include <cstdint>

enum class PixelLayout {
    Rgb565, // one little-endian 16-bit word a pixel: red in the top 5 bits
    Rgba8,  // four bytes a pixel; alpha is ignored
};

struct PictureLayout {
    PixelLayout pixels = PixelLayout::Rgba8;
    int32_t drawnWidth = 0; // as read back
    int32_t drawnHeight = 0;
    int32_t supersample = 1; // drawn pixels a written pixel stands for, each way
    int32_t frameWidth = 0;  // as written, bars included
    int32_t frameHeight = 0;
    int32_t pictureLeft = 0; // first column of the picture in the frame
};

// Bytes of one picture as read back.
size_t DrawnPictureBytes(const PictureLayout& layout);

// Bytes of one written frame (RGB).
size_t FramePictureBytes(const PictureLayout& layout);

// Writes the frame for the picture drawn (DrawnPictureBytes, caller's) into
// frame (FramePictureBytes, caller's). 5-6-5 channels widen to 8 bits by
// repeating their top bits, as OpenGL drivers do ((v << 3) | (v >> 2) for 5
// bits); block averages round to nearest. The bars are written black.
void FinishPicture(const PictureLayout& layout, const uint8_t* drawn, uint8_t* frame);
