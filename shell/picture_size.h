// The picture's size in pixels, apart from the show's own coordinates.
//
// The scenes place everything in a 640 x 480 frame (ScreenWidth and
// ScreenHeight); the picture they draw into may be larger: H lines and 4H/3
// columns (rounded to an even number), H from 480 to 4320, times a whole
// supersampling factor when a recording asks for one. Every number the
// scenes measure in pixels (viewports, read-back rectangles, line widths)
// goes through ScalePixels, so that a larger picture shows the same frame
// drawn finer. At 480 lines the scale is exactly 1 and every frame is what it
// has always been.
//
// State: the size, the colour depth and a test hook, file-static behind the
// functions below. They are set before the display opens and never change
// while it is open.
#pragma once

#include <cstdint>

constexpr int32_t SmallestPictureHeight = 480;
constexpr int32_t LargestPictureHeight = 4320;
constexpr int32_t LargestSupersample = 4;

// The width that goes with a picture height: 4/3 of it, rounded to the
// nearest even number of pixels (640 for 480, 1440 for 1080).
int32_t PictureWidthFor(int32_t height);

// Draws the picture height lines high (and PictureWidthFor(height) wide);
// asserts 480 <= height <= 4320 x 4.
void SetPictureHeight(int32_t height);

// The drawn picture's size in pixels (640 x 480 unless set).
int32_t PicturePixelWidth();
int32_t PicturePixelHeight();

// Colour bits per pixel of the picture: 16 (5-6-5, with a 16-bit depth
// buffer: the show's look) or 32 (8 bits a channel, 24-bit depth).
void SetPictureColourBits(int32_t bits);
int32_t PictureColourBits();

// The pixel-sized numbers a scene uses, each of which a test can leave at its
// 480-line value to show that the comparison of sizes catches it.
enum class PixelMeasure {
    Outline,   // line widths of outlines
    CubeView,  // the viewports of the views the feedback cubes capture
    SwitchOff, // the switch-off's insets
    Picture,   // rectangles read back from the picture, and the images they fill
};

// pixels of the 480-line frame in the picture's pixels: scaled by
// height / 480 and rounded down (exact at 480 lines).
int32_t ScalePixels(int32_t pixels, PixelMeasure what);
float ScalePixels(float pixels, PixelMeasure what);

// Whether the display decides the height when it opens (--hd): the height of
// the 4:3 area the picture fills on the desktop, kept within 480 to 4320.
void SetPictureFollowsDisplay(bool follows);
bool PictureFollowsDisplay();

// The picture height for a desktop of width x height pixels under --hd.
int32_t PictureHeightForDisplay(int32_t width, int32_t height);

// Test hook: leaves one measure at its 480-line value. Takes "outline",
// "cubes" or "switchoff"; false for any other name.
bool LeaveMeasureUnscaled(const char* name);
