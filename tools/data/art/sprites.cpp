// The light sprite and the backdrop tile.
//
// "textures/luz.pcx" is tinted by each sprite's colour and added onto the
// picture, so it is a grey glow on black: a hot core, a soft halo and faint
// cross rays, reaching black before the edges (the sprite is clamped).
// "textures/cubitos.tga" is repeated about 20 x 10 times over the screen
// (each copy about 32 x 48 pixels): a tumbling-blocks pattern of little
// cubes whose period is exactly the picture, so it tiles without seams.
#include "tools/data/art/parts.h"

#include "image/pcx_write.h"
#include "image/tga_write.h"
#include "tools/data/art/canvas.h"
#include "tools/data/art/palette.h"
#include "tools/data/output.h"

#include <algorithm>
#include <cmath>

namespace {
Mask DrawGlow() {
    const int size = 128;
    Mask mask = NewMask(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f - size * 0.5f) / (size * 0.5f);
            float dy = (y + 0.5f - size * 0.5f) / (size * 0.5f);
            float r2 = dx * dx + dy * dy;
            float core = std::exp(-r2 / 0.006f);
            float halo = std::exp(-r2 / 0.05f) * 0.45f;
            float wide = std::exp(-r2 / 0.25f) * 0.12f;
            float rays = (std::exp(-dx * dx / 0.0006f) + std::exp(-dy * dy / 0.0006f)) *
                         std::exp(-r2 / 0.2f) * 0.25f;
            // Fade smoothly to black at the circle that touches the edges.
            float edge = SmoothStep(1.0f, 0.75f, std::sqrt(r2));
            mask.At(x, y) = std::min(1.0f, (core + halo + wide + rays) * edge);
        }
    }
    return mask;
}

// Which face of the tumbling blocks covers point (u, v) of the pattern
// (0...1 each way, v down): 0 top, 1 left, 2 right. The period is shown
// about 32 x 48 pixels, so with v stretched by the square root of 3 the
// blocks become a regular lattice of pointed-top hexagons one unit apart
// (rows 0.866 apart, every other row shifted half a unit): each hexagon is
// the region nearest its centre, and one cube seen from above a corner,
// slightly squashed on screen, as if seen from a little lower.
int BlockFace(float u, float v) {
    const float rowStep = 0.8660254f;
    float x = u, y = v * 2 * rowStep;
    float best = 1e9f, dx = 0, dy = 0;
    for (int row = -1; row <= 3; ++row) {
        for (int column = -1; column <= 2; ++column) {
            float cx = column + ((row & 1) != 0 ? 0.5f : 0.0f), cy = row * rowStep;
            float ex = x - cx, ey = y - cy;
            float d = ex * ex + ey * ey;
            if (d < best) {
                best = d, dx = ex, dy = ey;
            }
        }
    }
    // The top rhombus lies above the two edges that run from the centre to
    // the upper left and upper right corners (slope 1 / sqrt 3).
    if (dy < -std::abs(dx) * 0.57735f) {
        return 0;
    }
    return dx < 0 ? 1 : 2;
}

Canvas DrawBlocks() {
    const int size = 128;
    const Color faces[3] = {{0.62f, 0.66f, 0.95f}, {0.30f, 0.28f, 0.62f}, {0.12f, 0.10f, 0.30f}};
    Canvas canvas = NewCanvas(size, size);
    const int samples = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum{0, 0, 0};
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    float u = (x + (sx + 0.5f) / samples) / size;
                    float v = (y + (sy + 0.5f) / samples) / size;
                    // A quarter period along, so the picture's edges cut
                    // through faces instead of running along a cube's edge.
                    sum = sum + faces[BlockFace(u + 0.25f, v)];
                }
            }
            canvas.At(x, y) = sum * (1.0f / (samples * samples));
        }
    }
    return canvas;
}
} // namespace

void WriteSpriteAndBackdrop(const std::string& dir) {
    PalettePicture glow = GreyPicture(DrawGlow());
    WriteDataFile(dir, "textures/luz.pcx",
                  EncodePcx(glow.width, glow.height, glow.indices.data(), glow.palette.data()));
    Canvas blocks = DrawBlocks();
    std::vector<uint8_t> rgb = CanvasToRgb(blocks);
    WriteDataFile(dir, "textures/cubitos.tga",
                  EncodeTga(blocks.width, blocks.height, 3, rgb.data(), TgaEncoding::RunLength));
}
