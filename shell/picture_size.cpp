// The picture's size in pixels; see picture_size.h.
#include "shell/picture_size.h"

#include <cassert>
#include <cstring>

static int32_t PictureHeight = SmallestPictureHeight;
static int32_t PictureWidth = 640;
static int32_t ColourBits = 16;
// Test hook: measures left at their 480-line values, by PixelMeasure.
static bool Unscaled[4];

int32_t PictureWidthFor(int32_t height) {
    // 4h/3 to the nearest even number: 2 * round(2h/3).
    return 2 * ((4 * height + 3) / 6);
}

void SetPictureHeight(int32_t height) {
    assert(height >= SmallestPictureHeight && height <= LargestPictureHeight * LargestSupersample);
    PictureHeight = height;
    PictureWidth = PictureWidthFor(height);
}

int32_t PicturePixelWidth() {
    return PictureWidth;
}

int32_t PicturePixelHeight() {
    return PictureHeight;
}

void SetPictureColourBits(int32_t bits) {
    assert(bits == 16 || bits == 32);
    ColourBits = bits;
}

int32_t PictureColourBits() {
    return ColourBits;
}

static bool FollowsDisplay;

void SetPictureFollowsDisplay(bool follows) {
    FollowsDisplay = follows;
}

bool PictureFollowsDisplay() {
    return FollowsDisplay;
}

int32_t PictureHeightForDisplay(int32_t width, int32_t height) {
    // The 4:3 area that fits the desktop, as presenting places it.
    int32_t lines = width * 3 / 4 > height ? height : width * 3 / 4;
    if (lines < SmallestPictureHeight) {
        lines = SmallestPictureHeight;
    }
    return lines > LargestPictureHeight ? LargestPictureHeight : lines;
}

static bool IsUnscaled(PixelMeasure what) {
    return Unscaled[static_cast<int>(what)];
}

int32_t ScalePixels(int32_t pixels, PixelMeasure what) {
    if (IsUnscaled(what)) {
        return pixels;
    }
    return static_cast<int32_t>(static_cast<int64_t>(pixels) * PictureHeight /
                                SmallestPictureHeight);
}

float ScalePixels(float pixels, PixelMeasure what) {
    if (IsUnscaled(what)) {
        return pixels;
    }
    // The factor first, so that 480 lines multiply by exactly 1.
    const float scale =
        static_cast<float>(PictureHeight) / static_cast<float>(SmallestPictureHeight);
    return pixels * scale;
}

bool LeaveMeasureUnscaled(const char* name) {
    static const struct {
        const char* name;
        PixelMeasure what;
    } Names[] = {{"outline", PixelMeasure::Outline},
                 {"cubes", PixelMeasure::CubeView},
                 {"switchoff", PixelMeasure::SwitchOff}};
    for (const auto& entry : Names) {
        if (std::strcmp(name, entry.name) == 0) {
            Unscaled[static_cast<int>(entry.what)] = true;
            return true;
        }
    }
    return false;
}
