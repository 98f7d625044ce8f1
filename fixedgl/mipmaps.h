// Mipmap levels built the way GLU's gluBuild2DMipmaps builds them, as plain
// arithmetic on tightly packed rows of 8-bit texels (no OpenGL calls), so that
// the layer's glu.cpp uploads them and tests can set them beside desktop GLU's.
//
// Level 0 has power-of-two sides: a picture whose sides are not powers of two
// is first scaled with an area-weighted box filter. Each further level halves
// the one before with rounded 2 x 2 averages down to 1 x 1.
#pragma once

#include <cstdint>
#include <vector>

struct MipmapLevel {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> pixels; // rows in the order given, tightly packed
};

// GLU's power of two for one side of at least 1: the nearest one, a side
// exactly between two going up (57 → 64, 23 → 16, 24 → 32).
int64_t NearestPowerOfTwo(int32_t side);

// Level 0's sides for a width x height picture: each side's nearest power of
// two, then both halved (down to 1) until neither exceeds maxSize.
void ChooseMipmapSize(int32_t width, int32_t height, int32_t maxSize, int32_t* levelWidth,
                      int32_t* levelHeight);

// The picture scaled to newWidth x newHeight by an area-weighted box filter.
std::vector<uint8_t> ScalePixels(const uint8_t* pixels, int components, int32_t width,
                                 int32_t height, int32_t newWidth, int32_t newHeight);

// The next smaller mipmap level of a width x height one (not 1 x 1).
std::vector<uint8_t> HalvePixels(const std::vector<uint8_t>& pixels, int components, int32_t width,
                                 int32_t height);

// Every level from 0 down to 1 x 1 for a picture of at least 1 x 1 texels.
std::vector<MipmapLevel> BuildMipmapLevels(const uint8_t* pixels, int components, int32_t width,
                                           int32_t height, int32_t maxSize);
