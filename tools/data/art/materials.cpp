// The object scene's materials.
//
// "textures/mess.pcx" is looked up by the object's turned vertex normals:
// column s follows the normal's x and row t its y, a component of -254 at
// the left or top edge and +254 at the right or bottom edge. It is drawn as
// a chrome ball would mirror a sky over a dark horizon and warm ground, so
// the mesh reads as polished metal. "textures/spheresky.jpg" wraps round
// the inner sphere (s round the sphere, so it tiles left to right; top row
// at the zenith) and is also the object's faint additive reflection.
// "textures/mosaico.tga" is the outer sphere: a tiled mosaic that repeats
// seamlessly both ways.
#include "tools/data/art/parts.h"

#include "image/pcx_write.h"
#include "image/tga_write.h"
#include "tools/data/art/jpeg.h"
#include "tools/data/art/palette.h"
#include "tools/data/output.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float Pi = 3.14159265f;

// What a mirror shows in direction (x, y, z), y pointing down: a bright sky
// with a sun and soft clouds above the horizon, a dark band at the horizon
// and warm ground fading to shadow below.
Color ChromeEnvironment(float x, float y, float z) {
    // Sine of the angle above a horizon set a little low, so that sky
    // fills more of the ball than ground and the metal reads bright.
    float elevation = -y + 0.22f;
    if (elevation >= 0) {
        float k = std::pow(elevation, 0.6f);
        Color sky = MixColor(Color{0.88f, 0.93f, 1.0f}, Color{0.18f, 0.36f, 0.78f}, k);
        float cloud = FractalNoise3(x * 2.5f, y * 2.5f, z * 2.5f, 4, 71);
        sky = MixColor(sky, Color{1.0f, 1.0f, 1.0f}, SmoothStep(0.1f, 0.6f, cloud) * 0.55f);
        // A sun up and to one side, with a wide soft glow.
        float sx = 0.45f, sy = -0.70f, sz = 0.55f;
        float toSun = std::max(0.0f, x * sx + y * sy + z * sz);
        sky = sky + Color{1.0f, 0.95f, 0.85f} *
                        (std::pow(toSun, 200.0f) * 2.0f + std::pow(toSun, 8.0f) * 0.35f);
        // A darker rim just above the horizon makes the sharp line read.
        return MixColor(Color{0.55f, 0.62f, 0.72f}, sky, SmoothStep(0.0f, 0.12f, elevation));
    }
    float depth = std::pow(-elevation, 0.8f);
    Color ground = MixColor(Color{0.03f, 0.03f, 0.04f}, Color{0.55f, 0.44f, 0.36f},
                            SmoothStep(0.0f, 0.5f, depth));
    ground = MixColor(ground, Color{0.16f, 0.15f, 0.17f}, SmoothStep(0.5f, 1.0f, depth));
    float grain = FractalNoise3(x * 6.0f, y * 6.0f, z * 6.0f, 3, 72);
    return ground * (0.9f + 0.15f * grain);
}

Canvas DrawEnvironmentMap() {
    const int size = 256;
    Canvas canvas = NewCanvas(size, size);
    // Four samples per pixel smooth the horizon and the sun.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum{0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                float px = x + 0.25f + 0.5f * (k & 1), py = y + 0.25f + 0.5f * (k >> 1);
                // The normal's components from the lookup formula.
                float nx = (px - 127.0f) * 2.0f / 254.0f, ny = (py - 127.0f) * 2.0f / 254.0f;
                float r2 = nx * nx + ny * ny;
                if (r2 > 0.995f) {
                    // Beyond the ball's outline: carry the rim on outwards.
                    float scale = std::sqrt(0.995f / r2);
                    nx *= scale, ny *= scale, r2 = 0.995f;
                }
                float nz = std::sqrt(1 - r2);
                // Mirror the view ray (0, 0, -1) about the normal.
                float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
                sum = sum + ChromeEnvironment(rx, ry, rz);
            }
            canvas.At(x, y) = sum * 0.25f;
        }
    }
    return canvas;
}

// An evening sky wrapped round a sphere: deep blue at the top row, glowing
// towards the horizon at mid height, drifting clouds, then a dim sea of
// reflected light in the lower half. Columns are longitudes: the noise
// repeats across the width.
Canvas DrawSphereSky() {
    const int width = 512, height = 256;
    Canvas canvas = NewCanvas(width, height);
    for (int y = 0; y < height; ++y) {
        float v = (y + 0.5f) / height;     // 0 at the zenith, 1 at the nadir
        float elevation = 1.0f - 2.0f * v; // 1 up, 0 at the horizon, -1 down
        for (int x = 0; x < width; ++x) {
            float u = (x + 0.5f) / width;
            float sunward = 0.5f + 0.5f * std::cos((u - 0.3f) * 2 * Pi);
            Color color;
            if (elevation > 0) {
                float k = std::pow(elevation, 0.45f);
                color = MixColor(Color{1.0f, 0.62f, 0.32f}, Color{0.05f, 0.10f, 0.32f}, k);
                color = color + Color{0.5f, 0.3f, 0.15f} *
                                    (std::pow(sunward, 6.0f) * std::pow(1 - elevation, 4.0f));
                float cloud = PeriodicFractalNoise2(u * 8.0f, v * 10.0f, 8, 10, 5, 91);
                float cover = SmoothStep(-0.05f, 0.5f, cloud) * SmoothStep(0.9f, 0.35f, elevation);
                Color lit = MixColor(Color{0.35f, 0.25f, 0.40f}, Color{1.0f, 0.75f, 0.55f},
                                     0.3f + 0.7f * sunward * (1 - elevation));
                color = MixColor(color, lit, cover * 0.8f);
            } else {
                float k = std::pow(-elevation, 0.5f);
                color = MixColor(Color{0.55f, 0.35f, 0.25f}, Color{0.02f, 0.03f, 0.08f}, k);
                float ripple = PeriodicFractalNoise2(u * 32.0f, v * 96.0f, 32, 96, 3, 92);
                color = color + Color{0.9f, 0.55f, 0.3f} * (std::pow(sunward, 8.0f) * (1 - k) *
                                                            SmoothStep(0.0f, 0.6f, ripple) * 0.8f);
            }
            canvas.At(x, y) = color;
        }
    }
    return canvas;
}

// A mosaic of square tesserae, 8 pixels each with grout between, laid in a
// pattern of nested diamonds 8 tesserae across. The picture is twice as
// wide as high, as the sphere is round its middle and from pole to pole, so
// the tesserae come out square on the sphere's equator; both sides are
// whole periods of the pattern, so it tiles without seams. Each tessera has
// its own slight tint and a bevel lit from the upper left.
Canvas DrawMosaic() {
    const int width = 512, height = 256, cell = 8;
    // Colour by ring, from the diamond's centre outwards.
    const Color rings[] = {
        {0.92f, 0.72f, 0.26f}, {0.95f, 0.90f, 0.74f}, {0.70f, 0.24f, 0.12f}, {0.08f, 0.20f, 0.50f},
        {0.05f, 0.12f, 0.34f}, {0.16f, 0.42f, 0.70f}, {0.95f, 0.90f, 0.74f},
    };
    Canvas canvas = NewCanvas(width, height);
    for (int cy = 0; cy < height / cell; ++cy) {
        for (int cx = 0; cx < width / cell; ++cx) {
            // Steps from the centre of this cell's 8 x 8 block: 0...3 each way.
            int dx = static_cast<int>(std::abs((cx % 8) - 3.5f));
            int dy = static_cast<int>(std::abs((cy % 8) - 3.5f));
            Color base = rings[dx + dy];
            uint32_t h = HashLattice(cx, cy, 0, 33);
            float tint = 0.9f + 0.2f * ((h & 0xFF) / 255.0f);
            float warm = ((h >> 8) & 0xFF) / 255.0f - 0.5f;
            base = Color{base.r * tint * (1 + 0.08f * warm), base.g * tint,
                         base.b * tint * (1 - 0.08f * warm)};
            for (int py = 0; py < cell; ++py) {
                for (int px = 0; px < cell; ++px) {
                    float fx = (px + 0.5f) / cell, fy = (py + 0.5f) / cell;
                    float edge = std::min({fx, 1 - fx, fy, 1 - fy}) * cell; // pixels
                    float grout = SmoothStep(0.6f, 1.6f, edge);
                    // Bevel: lighter towards the upper left, darker lower right.
                    float bevel = SmoothStep(3.0f, 0.0f, edge) * ((fx + fy < 1) ? 0.25f : -0.25f);
                    float grain = 0.06f * GradientNoise3((cx * cell + px) * 0.35f,
                                                         (cy * cell + py) * 0.35f, 0.0f, 34);
                    Color tile = base * (1 + bevel + grain);
                    Color groutColor{0.16f, 0.14f, 0.12f};
                    canvas.At(cx * cell + px, cy * cell + py) = MixColor(groutColor, tile, grout);
                }
            }
        }
    }
    return canvas;
}
} // namespace

void WriteObjectMaterials(const std::string& dir) {
    PalettePicture environment = QuantizeCanvas(DrawEnvironmentMap());
    WriteDataFile(dir, "textures/mess.pcx",
                  EncodePcx(environment.width, environment.height, environment.indices.data(),
                            environment.palette.data()));
    Canvas sky = DrawSphereSky();
    std::vector<uint8_t> skyRgb = CanvasToRgb(sky);
    WriteDataFile(dir, "textures/spheresky.jpg",
                  EncodeJpeg(sky.width, sky.height, skyRgb.data(), 90));
    Canvas mosaic = DrawMosaic();
    std::vector<uint8_t> mosaicRgb = CanvasToRgb(mosaic);
    WriteDataFile(
        dir, "textures/mosaico.tga",
        EncodeTga(mosaic.width, mosaic.height, 3, mosaicRgb.data(), TgaEncoding::Uncompressed));
}
