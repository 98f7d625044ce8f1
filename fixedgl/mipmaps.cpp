// Mipmap levels as GLU builds them: level 0 at power-of-two sides, then
// halvings down to 1 x 1.
#include "fixedgl/mipmaps.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <utility>

int64_t NearestPowerOfTwo(int32_t side) {
    assert(side >= 1);
    int64_t below = 1;
    while (below * 2 <= side) {
        below *= 2;
    }
    // side lies in [below, 2 * below); it is nearer the upper one, or exactly
    // between them, when side - below >= 2 * below - side, i.e. 2 side >= 3 below.
    return 2 * static_cast<int64_t>(side) >= 3 * below ? 2 * below : below;
}

void ChooseMipmapSize(int32_t width, int32_t height, int32_t maxSize, int32_t* levelWidth,
                      int32_t* levelHeight) {
    assert(maxSize >= 1);
    int64_t w = NearestPowerOfTwo(width);
    int64_t h = NearestPowerOfTwo(height);
    while (w > maxSize || h > maxSize) {
        w = std::max<int64_t>(w / 2, 1);
        h = std::max<int64_t>(h / 2, 1);
    }
    *levelWidth = static_cast<int32_t>(w);
    *levelHeight = static_cast<int32_t>(h);
}

std::vector<uint8_t> ScalePixels(const uint8_t* pixels, int components, int32_t width,
                                 int32_t height, int32_t newWidth, int32_t newHeight) {
    std::vector<uint8_t> out(static_cast<size_t>(newWidth) * newHeight * components);
    // Output texel (x, y) covers the source rectangle [x sx, (x + 1) sx) by
    // [y sy, (y + 1) sy) with sx = width / newWidth, sy = height / newHeight.
    // It is the sum of the source texels weighted by the share of each that
    // the rectangle covers, divided by the rectangle's area sx sy and rounded
    // down; in float, in this order, for the same bytes as GLU.
    const float scaleX = static_cast<float>(width) / static_cast<float>(newWidth);
    const float scaleY = static_cast<float>(height) / static_cast<float>(newHeight);
    const float area = scaleX * scaleY;
    for (int32_t y = 0; y < newHeight; ++y) {
        const float top = static_cast<float>(y) * scaleY;
        const float bottom = static_cast<float>(y + 1) * scaleY;
        for (int32_t x = 0; x < newWidth; ++x) {
            const float left = static_cast<float>(x) * scaleX;
            const float right = static_cast<float>(x + 1) * scaleX;
            float totals[4] = {0, 0, 0, 0};
            for (int32_t row = static_cast<int32_t>(std::floor(top));
                 row < height && static_cast<float>(row) < bottom; ++row) {
                const float coverY = std::min(bottom, static_cast<float>(row + 1)) -
                                     std::max(top, static_cast<float>(row));
                if (coverY <= 0) {
                    continue;
                }
                for (int32_t column = static_cast<int32_t>(std::floor(left));
                     column < width && static_cast<float>(column) < right; ++column) {
                    const float coverX = std::min(right, static_cast<float>(column + 1)) -
                                         std::max(left, static_cast<float>(column));
                    if (coverX <= 0) {
                        continue;
                    }
                    const uint8_t* texel =
                        pixels + (static_cast<size_t>(row) * width + column) * components;
                    for (int c = 0; c < components; ++c) {
                        totals[c] += static_cast<float>(texel[c]) * (coverX * coverY);
                    }
                }
            }
            uint8_t* target = out.data() + (static_cast<size_t>(y) * newWidth + x) * components;
            for (int c = 0; c < components; ++c) {
                target[c] = static_cast<uint8_t>(totals[c] / area);
            }
        }
    }
    return out;
}

std::vector<uint8_t> HalvePixels(const std::vector<uint8_t>& pixels, int components, int32_t width,
                                 int32_t height) {
    assert(width > 1 || height > 1);
    const int32_t newWidth = width > 1 ? width / 2 : 1;
    const int32_t newHeight = height > 1 ? height / 2 : 1;
    std::vector<uint8_t> next(static_cast<size_t>(newWidth) * newHeight * components);
    for (int32_t y = 0; y < newHeight; ++y) {
        for (int32_t x = 0; x < newWidth; ++x) {
            for (int c = 0; c < components; ++c) {
                auto at = [&](int32_t px, int32_t py) {
                    return static_cast<int>(
                        pixels[(static_cast<size_t>(py) * width + px) * components + c]);
                };
                // 2 x 2 blocks average rounded to nearest; a level one texel
                // high or wide averages pairs, rounded down.
                int value;
                if (width > 1 && height > 1) {
                    value = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                             at(2 * x + 1, 2 * y + 1) + 2) /
                            4;
                } else if (width > 1) {
                    value = (at(2 * x, 0) + at(2 * x + 1, 0)) / 2;
                } else {
                    value = (at(0, 2 * y) + at(0, 2 * y + 1)) / 2;
                }
                next[(static_cast<size_t>(y) * newWidth + x) * components + c] =
                    static_cast<uint8_t>(value);
            }
        }
    }
    return next;
}

std::vector<MipmapLevel> BuildMipmapLevels(const uint8_t* pixels, int components, int32_t width,
                                           int32_t height, int32_t maxSize) {
    assert(width >= 1 && height >= 1 && components >= 1 && components <= 4);
    std::vector<MipmapLevel> levels;
    int32_t levelWidth = 0;
    int32_t levelHeight = 0;
    ChooseMipmapSize(width, height, maxSize, &levelWidth, &levelHeight);
    const size_t bytes = static_cast<size_t>(width) * height * components;
    if (levelWidth == width && levelHeight == height) {
        levels.push_back({width, height, std::vector<uint8_t>(pixels, pixels + bytes)});
    } else if (levelWidth * 2 == width && levelHeight * 2 == height) {
        // A picture too large by exactly one halving takes a mipmap step.
        levels.push_back(
            {levelWidth, levelHeight,
             HalvePixels(std::vector<uint8_t>(pixels, pixels + bytes), components, width, height)});
    } else {
        levels.push_back({levelWidth, levelHeight,
                          ScalePixels(pixels, components, width, height, levelWidth, levelHeight)});
    }
    while (levels.back().width > 1 || levels.back().height > 1) {
        const MipmapLevel& last = levels.back();
        MipmapLevel next{last.width > 1 ? last.width / 2 : 1, last.height > 1 ? last.height / 2 : 1,
                         HalvePixels(last.pixels, components, last.width, last.height)};
        levels.push_back(std::move(next));
    }
    return levels;
}
