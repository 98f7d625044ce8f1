// The title art: the logo (drawn opaque, 512 x 256, and tiled small as a
// veil over the screen), the two banners (added onto black one over the
// other: the top one carries the upper half of the design, the bottom one,
// which fades in later, the lower half) and the flash band (512 x 128,
// added blinking over the object scene). All are 24-bit: the scenes fade
// them through the colour's alpha.
#include "tools/data/art/parts.h"

#include "image/tga_write.h"
#include "tools/data/art/lettering.h"
#include "tools/data/output.h"

#include <algorithm>
#include <cmath>

namespace {
// A block of text placed in a picture, its ink centred on (centreX, centreY).
Mask PlaceText(int width, int height, const char* font, const std::string& text, float size,
               float stretchX, float stretchY, float tracking, float centreX, float centreY) {
    TextMask rendered = RenderText(font, text, size, stretchX, stretchY, tracking);
    Mask placed = NewMask(width, height);
    StampMask(placed, rendered.mask, centreX - rendered.mask.width * 0.5f,
              centreY - rendered.mask.height * 0.5f);
    return placed;
}

struct InkBox {
    float top, bottom;
};

InkBox FindInkRows(const Mask& mask) {
    InkBox box{static_cast<float>(mask.height), 0};
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            if (mask.At(x, y) > 0.5f) {
                box.top = std::min(box.top, static_cast<float>(y));
                box.bottom = std::max(box.bottom, static_cast<float>(y + 1));
            }
        }
    }
    return box;
}

// Polished-metal lettering: a bevel lit from the upper left over a
// reflection of bright sky above a dark horizon and warm ground, the
// classic chrome of title logos. Drawn over the canvas where mask is set,
// with a dark rim and a halo of haloColor.
void DrawChromeText(Canvas& canvas, const Mask& mask, float bevel, Color haloColor) {
    InkBox box = FindInkRows(mask);
    Mask height = BlurMask(mask, bevel);
    Mask rim = BlurMask(mask, 1.5f);
    Mask halo = BlurMask(mask, 10.0f);
    const float lx = -0.45f, ly = -0.65f, lz = 0.62f; // light from the upper left, y down
    for (int y = 1; y < canvas.height - 1; ++y) {
        for (int x = 1; x < canvas.width - 1; ++x) {
            Color& out = canvas.At(x, y);
            out = out + haloColor * (halo.At(x, y) * 0.9f);
            out = MixColor(out, Color{0.01f, 0.01f, 0.03f}, Clamp01(rim.At(x, y) * 2.5f));
            float a = mask.At(x, y);
            if (a <= 0) {
                continue;
            }
            float dx = (height.At(x + 1, y) - height.At(x - 1, y)) * bevel * 1.2f;
            float dy = (height.At(x, y + 1) - height.At(x, y - 1)) * bevel * 1.2f;
            float nx = -dx, ny = -dy, nz = 1.0f;
            float length = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= length, ny /= length, nz /= length;
            float v = (y - box.top) / std::max(1.0f, box.bottom - box.top) + ny * 0.35f;
            Color metal;
            if (v < 0.52f) {
                metal = MixColor(Color{0.98f, 0.99f, 1.0f}, Color{0.30f, 0.48f, 0.80f},
                                 Clamp01(v / 0.52f));
            } else {
                float k = Clamp01((v - 0.52f) / 0.48f);
                metal = MixColor(Color{0.10f, 0.07f, 0.06f}, Color{0.95f, 0.70f, 0.42f},
                                 std::pow(k, 0.8f));
            }
            float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            // Mirror direction of the view (0, 0, 1) against the light.
            float rz = 2 * nz * nz - 1, rx = 2 * nz * nx, ry = 2 * nz * ny;
            float specular = std::pow(std::max(0.0f, rx * lx + ry * ly + rz * lz), 24.0f);
            Color lit = metal * (0.55f + 0.6f * diffuse) + Color{1, 1, 1} * (0.9f * specular);
            out = MixColor(out, lit, a);
        }
    }
}

// Glowing lettering for additive pictures: a white-hot core in a coloured
// glow, on black.
void DrawGlowText(Canvas& canvas, const Mask& mask, Color core, Color glow, float strength) {
    Mask nearGlow = BlurMask(mask, 3.0f);
    Mask farGlow = BlurMask(mask, 12.0f);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            Color& out = canvas.At(x, y);
            out = out + glow * (strength * (0.8f * nearGlow.At(x, y) + 1.2f * farGlow.At(x, y)));
            out = MixColor(out, core, mask.At(x, y));
        }
    }
}

// A thin horizontal light streak across the picture at row y, brightest at
// centreX and fading to nothing before the picture's sides.
void DrawStreak(Canvas& canvas, float y, float centreX, float halfLength, float thickness,
                Color color) {
    for (int row = 0; row < canvas.height; ++row) {
        float dy = (row + 0.5f - y) / thickness;
        float across = std::exp(-dy * dy);
        if (across < 0.002f) {
            continue;
        }
        for (int x = 0; x < canvas.width; ++x) {
            float dx = (x + 0.5f - centreX) / halfLength;
            float along = std::max(0.0f, 1 - dx * dx);
            canvas.At(x, row) = canvas.At(x, row) + color * (across * along * along);
        }
    }
}

// Adds a soft round glow of radius pixels.
void DrawFlare(Canvas& canvas, float cx, float cy, float radius, Color color) {
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            float dx = (x + 0.5f - cx) / radius, dy = (y + 0.5f - cy) / radius;
            float d2 = dx * dx + dy * dy;
            canvas.At(x, y) = canvas.At(x, y) + color * (std::exp(-d2 * 4) + 0.15f / (1 + 40 * d2));
        }
    }
}

std::vector<uint8_t> EncodePicture(const Canvas& canvas) {
    std::vector<uint8_t> rgb = CanvasToRgb(canvas);
    return EncodeTga(canvas.width, canvas.height, 3, rgb.data(), TgaEncoding::RunLength);
}

// The logo: "ZEMBRIT" in chrome over a deep blue field with a horizon glow
// and a fine grid, a rule and a small line of text below.
Canvas DrawLogo() {
    const int width = 512, height = 256;
    Canvas canvas = NewCanvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float v = (y + 0.5f) / height;
            float u = (x + 0.5f) / width - 0.5f;
            Color sky =
                MixColor(Color{0.01f, 0.02f, 0.08f}, Color{0.06f, 0.10f, 0.28f}, std::pow(v, 1.5f));
            // A glow on the horizon behind the lettering.
            float horizon =
                std::exp(-std::pow((v - 0.62f) / 0.10f, 2.0f)) * std::exp(-u * u * 6.0f);
            sky = sky + Color{0.45f, 0.22f, 0.55f} * (0.55f * horizon);
            // A perspective grid below the horizon.
            if (v > 0.62f) {
                float depth = 0.04f / (v - 0.6f);
                float gx = u * depth * 14.0f, gz = depth * 3.0f;
                float lineX = std::abs(gx - std::round(gx));
                float lineZ = std::abs(gz - std::round(gz));
                float fade = Clamp01((v - 0.62f) * 6.0f);
                float line = std::max(SmoothStep(0.06f, 0.0f, lineX / (depth * 1.2f)),
                                      SmoothStep(0.08f, 0.0f, lineZ / (depth * 0.9f)));
                sky = sky + Color{0.15f, 0.35f, 0.80f} * (0.55f * line * fade);
            }
            canvas.At(x, y) = sky;
        }
    }
    Mask title = PlaceText(width, height, LetteringBold, "ZEMBRIT", 82.0f, 1.0f, 1.1f, 3.0f,
                           width * 0.5f, 112.0f);
    DrawChromeText(canvas, title, 3.0f, Color{0.45f, 0.30f, 1.0f});
    DrawStreak(canvas, 171.0f, width * 0.5f, 200.0f, 0.9f, Color{0.75f, 0.85f, 1.0f});
    Mask line = PlaceText(width, height, LetteringCondensedBold, "P R O D U C T I O N S", 17.0f,
                          1.0f, 1.0f, 1.0f, width * 0.5f, 196.0f);
    DrawGlowText(canvas, line, Color{0.85f, 0.92f, 1.0f}, Color{0.2f, 0.35f, 0.9f}, 0.6f);
    // A two-pixel dark margin keeps the tiled veil's cells apart.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2) {
                canvas.At(x, y) = Color{0.0f, 0.0f, 0.02f};
            }
        }
    }
    return canvas;
}

// The top banner: "MORVASK" glowing in the upper half, between two streaks.
Canvas DrawTopBanner() {
    const int width = 512, height = 256;
    Canvas canvas = NewCanvas(width, height);
    DrawStreak(canvas, 34.0f, width * 0.5f, 230.0f, 1.0f, Color{0.5f, 0.8f, 1.0f});
    DrawStreak(canvas, 118.0f, width * 0.5f, 230.0f, 1.0f, Color{0.5f, 0.8f, 1.0f});
    DrawStreak(canvas, 118.0f, width * 0.5f, 160.0f, 5.0f, Color{0.1f, 0.25f, 0.6f});
    Mask title = PlaceText(width, height, LetteringBold, "MORVASK", 62.0f, 1.1f, 1.05f, 6.0f,
                           width * 0.5f, 76.0f);
    DrawGlowText(canvas, title, Color{0.95f, 1.0f, 1.0f}, Color{0.1f, 0.55f, 1.0f}, 0.9f);
    return canvas;
}

// The bottom banner: the credits line in the lower half, in warm tones that
// set it apart from the cool title above.
Canvas DrawBottomBanner() {
    const int width = 512, height = 256;
    Canvas canvas = NewCanvas(width, height);
    Mask name = PlaceText(width, height, LetteringBold, "HYZVUPST DOVSAT", 30.0f, 1.0f, 1.0f, 3.0f,
                          width * 0.5f, 160.0f);
    DrawGlowText(canvas, name, Color{1.0f, 0.93f, 0.78f}, Color{1.0f, 0.40f, 0.10f}, 0.8f);
    Mask credits = PlaceText(width, height, LetteringCondensedBold, "ZEMBRIT  \xB7  2002", 18.0f,
                             1.0f, 1.0f, 3.0f, width * 0.5f, 200.0f);
    DrawGlowText(canvas, credits, Color{1.0f, 0.80f, 0.55f}, Color{0.9f, 0.30f, 0.05f}, 0.6f);
    DrawStreak(canvas, 224.0f, width * 0.5f, 170.0f, 0.9f, Color{1.0f, 0.6f, 0.3f});
    return canvas;
}

// The flash band: a star of light with a streak through it and lettering.
Canvas DrawFlashBand() {
    const int width = 512, height = 128;
    Canvas canvas = NewCanvas(width, height);
    DrawStreak(canvas, 30.0f, width * 0.5f, 220.0f, 1.0f, Color{0.6f, 0.8f, 1.0f});
    DrawStreak(canvas, 98.0f, width * 0.5f, 220.0f, 1.0f, Color{0.6f, 0.8f, 1.0f});
    DrawStreak(canvas, 64.0f, width * 0.5f, 200.0f, 14.0f, Color{0.08f, 0.16f, 0.4f});
    for (int i = 0; i < 2; ++i) {
        float x = i == 0 ? 46.0f : width - 46.0f;
        DrawFlare(canvas, x, 64.0f, 22.0f, Color{0.9f, 0.95f, 1.0f});
    }
    Mask text = PlaceText(width, height, LetteringBold, "M E T A L   C A T", 34.0f, 1.0f, 1.0f,
                          2.0f, width * 0.5f, 64.0f);
    DrawGlowText(canvas, text, Color{1.0f, 1.0f, 1.0f}, Color{0.2f, 0.5f, 1.0f}, 1.0f);
    // Black at the very edges, so the stretched band ends cleanly.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float edge = std::min({x + 0.5f, width - x - 0.5f, y + 0.5f, height - y - 0.5f});
            canvas.At(x, y) = canvas.At(x, y) * SmoothStep(0.0f, 6.0f, edge);
        }
    }
    return canvas;
}
} // namespace

Canvas PaintIcon(int size) {
    // The logo halved (each icon pixel the mean of a 2 x 2 block) and centred
    // on black, as the opening titles frame it.
    Canvas logo = DrawLogo();
    Canvas icon = NewCanvas(size, size);
    int width = std::min(size, logo.width / 2);
    int height = std::min(size, logo.height / 2);
    int left = (size - width) / 2;
    int top = (size - height) / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color sum = logo.At(2 * x, 2 * y) + logo.At(2 * x + 1, 2 * y) +
                        logo.At(2 * x, 2 * y + 1) + logo.At(2 * x + 1, 2 * y + 1);
            icon.At(left + x, top + y) = sum * 0.25f;
        }
    }
    return icon;
}

void WriteTitlePictures(const std::string& dir) {
    WriteDataFile(dir, "textures/zembrit.tga", EncodePicture(DrawLogo()));
    WriteDataFile(dir, "textures/morvasktop.tga", EncodePicture(DrawTopBanner()));
    WriteDataFile(dir, "textures/morvaskbottom.tga", EncodePicture(DrawBottomBanner()));
    WriteDataFile(dir, "textures/punkt.tga", EncodePicture(DrawFlashBand()));
}
