// The space skybox "skybox/space1": six 512 x 512 faces, every pixel
// computed from its direction through one function of the sky (stars of
// several sizes and colours, a nebula along a band, a ringless gas planet),
// so the faces meet without seams.
//
// A face's corners, in drawing order c0...c3, get texture coordinates
// (1, 1), (0, 1), (0, 0), (1, 0), and rows are stored top row first (t = 0),
// so the point of the face under texel (s, t) is c2 + s (c3 - c2) + t (c1 - c2).
// The corners and faces below are the skybox's own, in the same order.
#include "tools/data/art/parts.h"
#include "tools/data/art/vector.h"

#include "image/tga_write.h"
#include "tools/data/art/canvas.h"
#include "tools/data/output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace {
using Vec = ArtVec;

Vec Cross(Vec a, Vec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec Normalize(Vec a) {
    return Scale(a, 1.0f / std::sqrt(Dot(a, a)));
}

constexpr int FaceSize = 512;

const Vec Corners[8] = {{10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
                        {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10}};
const int FaceCorners[6][4] = {{2, 1, 0, 3}, {5, 6, 7, 4}, {6, 2, 3, 7},
                               {1, 5, 4, 0}, {0, 4, 7, 3}, {2, 6, 5, 1}};
const char* const FaceSuffixes[6] = {"ft", "bk", "lf", "rt", "up", "dn"};

// The face's origin (texel s = t = 0) and its s and t edges.
struct FaceFrame {
    Vec origin, sEdge, tEdge, outward;
};

FaceFrame MakeFaceFrame(int face) {
    Vec c1 = Corners[FaceCorners[face][1]];
    Vec c2 = Corners[FaceCorners[face][2]];
    Vec c3 = Corners[FaceCorners[face][3]];
    Vec centre = Scale(Add(c1, c3), 0.5f);
    return FaceFrame{c2, Sub(c3, c2), Sub(c1, c2), Normalize(centre)};
}

// The sky's landmarks, placed where the light swirl's camera looks (down
// the -z axis, +y up, +x to the right).
const Vec PlanetDirection = Normalize({0.50f, 0.34f, -1.0f});
constexpr float PlanetRadius = 0.17f; // radians
const Vec SunDirection = Normalize({-0.8f, 0.5f, -0.2f});
const Vec BandNormal = Normalize({0.55f, -0.75f, 0.25f}); // the nebula lies across this

Color NebulaColor(Vec d) {
    float across = Dot(d, BandNormal);
    float band = std::exp(-across * across / 0.09f);
    // Warp the lookup by a slower noise so the clouds stream and curl.
    float wx = FractalNoise3(d[0] * 1.5f, d[1] * 1.5f, d[2] * 1.5f, 3, 11);
    float wy = FractalNoise3(d[0] * 1.5f + 7, d[1] * 1.5f, d[2] * 1.5f, 3, 12);
    Vec p = {d[0] * 3.0f + wx * 0.9f, d[1] * 3.0f + wy * 0.9f, d[2] * 3.0f};
    float gas = FractalNoise3(p[0], p[1], p[2], 6, 13);
    float hue = FractalNoise3(p[0] * 0.5f + 3, p[1] * 0.5f, p[2] * 0.5f, 3, 14);
    float dust = FractalNoise3(p[0] * 2.0f, p[1] * 2.0f, p[2] * 2.0f + 5, 4, 15);
    float density = std::pow(Clamp01(0.55f + gas), 2.2f) * band;
    Color tint = MixColor(Color{0.75f, 0.16f, 0.55f}, Color{0.18f, 0.38f, 1.0f},
                          SmoothStep(-0.4f, 0.4f, hue));
    tint = MixColor(tint, Color{0.2f, 0.8f, 0.75f}, SmoothStep(0.25f, 0.6f, hue) * 0.5f);
    float lanes = 1.0f - 0.75f * SmoothStep(0.0f, 0.35f, dust) * band;
    // A faint glow of unresolved stars along the band.
    Color glow = Color{0.10f, 0.09f, 0.13f} * (band * 0.35f);
    return (tint * (density * 0.55f) + glow) * lanes;
}

// The planet's colour where direction d meets it, with coverage (0 off
// the disc, 1 inside, soft over the rim); the atmosphere adds round it.
Color PlanetColor(Vec d, float& coverage) {
    float c = Dot(d, PlanetDirection);
    float angle = std::acos(std::min(1.0f, c));
    float r = angle / PlanetRadius;
    coverage = SmoothStep(1.0f, 0.985f, r);
    Color atmosphere{0, 0, 0};
    Vec up = {0.15f, 1.0f, 0.2f};
    Vec east = Normalize(Cross(up, PlanetDirection));
    Vec north = Cross(PlanetDirection, east);
    Vec offset = Sub(d, Scale(PlanetDirection, c));
    float ox = Dot(offset, east) / std::sin(PlanetRadius);
    float oy = Dot(offset, north) / std::sin(PlanetRadius);
    // Light on the planet's side towards the sun, as seen across the sky.
    float sx = Dot(SunDirection, east), sy = Dot(SunDirection, north);
    float sideLength = std::sqrt(sx * sx + sy * sy) + 1e-6f;
    sx /= sideLength, sy /= sideLength;
    if (r > 0.97f) {
        float lit = Clamp01(0.5f + 0.5f * (ox * sx + oy * sy) / std::max(r, 1e-3f));
        atmosphere = Color{0.35f, 0.55f, 1.0f} *
                     (std::exp(-(r - 1.0f) * (r - 1.0f) / 0.0012f) * 0.9f * lit * lit);
    }
    if (coverage <= 0) {
        return atmosphere;
    }
    float oz = std::sqrt(std::max(0.0f, 1 - ox * ox - oy * oy));
    // The sphere's normal faces us (z) and the sun comes from the side.
    float light = Clamp01(ox * sx * 0.92f + oy * sy * 0.92f + oz * 0.22f);
    float latitude = oy * 0.94f + ox * 0.34f;
    float swirl = FractalNoise3(ox * 3.0f, latitude * 2.0f, oz * 3.0f, 4, 21);
    float bands = std::sin(latitude * 19.0f + swirl * 2.2f);
    Color surface =
        MixColor(Color{0.78f, 0.56f, 0.38f}, Color{0.93f, 0.84f, 0.68f}, 0.5f + 0.5f * bands);
    surface = MixColor(surface, Color{0.55f, 0.30f, 0.22f}, SmoothStep(0.5f, 0.9f, swirl) * 0.6f);
    float limb = std::pow(oz, 0.35f);
    Color lit = surface * (std::pow(light, 0.8f) * 1.05f * limb + 0.015f);
    return lit + atmosphere * (1 - coverage);
}

struct Star {
    Vec direction;
    float size;  // standard deviation of the core, radians
    Color color; // peak brightness
};

std::vector<Star> MakeStars() {
    ArtRandom random{0x5EED5EA5ull};
    std::vector<Star> stars;
    const Color temperatures[] = {{0.65f, 0.78f, 1.0f}, {0.85f, 0.90f, 1.0f}, {1.0f, 1.0f, 1.0f},
                                  {1.0f, 0.93f, 0.78f}, {1.0f, 0.78f, 0.55f}, {1.0f, 0.62f, 0.45f}};
    for (int i = 0; i < 9000; ++i) {
        // Uniform over the sphere.
        float z = 2 * NextUnit(random) - 1;
        float a = 2 * 3.14159265f * NextUnit(random);
        float r = std::sqrt(1 - z * z);
        Vec d = {r * std::cos(a), r * std::sin(a), z};
        // Many faint stars, few bright ones; more of them along the band.
        float across = Dot(d, BandNormal);
        float u = NextUnit(random);
        if (std::exp(-across * across / 0.05f) < 0.4f && NextUnit(random) < 0.35f) {
            continue;
        }
        float brightness = 0.12f + 0.9f * std::pow(u, 14.0f) + 0.25f * std::pow(u, 3.0f);
        float size = 0.0017f + 0.0035f * std::pow(u, 10.0f);
        Color color = temperatures[NextRandom(random) % 6];
        stars.push_back(Star{d, size, color * brightness});
    }
    return stars;
}

std::vector<Vec> FaceDirections(const FaceFrame& frame) {
    std::vector<Vec> directions(static_cast<size_t>(FaceSize) * FaceSize);
    for (int y = 0; y < FaceSize; ++y) {
        for (int x = 0; x < FaceSize; ++x) {
            float s = (x + 0.5f) / FaceSize, t = (y + 0.5f) / FaceSize;
            Vec p = Add(frame.origin, Add(Scale(frame.sEdge, s), Scale(frame.tEdge, t)));
            directions[static_cast<size_t>(y) * FaceSize + x] = Normalize(p);
        }
    }
    return directions;
}

Canvas DrawFace(int face, const std::vector<Star>& stars) {
    FaceFrame frame = MakeFaceFrame(face);
    std::vector<Vec> directions = FaceDirections(frame);
    Canvas canvas = NewCanvas(FaceSize, FaceSize);
    for (size_t i = 0; i < directions.size(); ++i) {
        canvas.pixels[i] = NebulaColor(directions[i]);
    }
    // Stars: each is spread over the pixels near where its direction meets
    // this face's plane, weighted by true angle, so a star on an edge lands
    // on both faces alike.
    for (const Star& star : stars) {
        float facing = Dot(star.direction, frame.outward);
        if (facing < 0.5f) {
            continue;
        }
        Vec onPlane = Scale(star.direction, 10.0f / facing);
        Vec local = Sub(onPlane, frame.origin);
        float px = Dot(local, frame.sEdge) / Dot(frame.sEdge, frame.sEdge) * FaceSize;
        float py = Dot(local, frame.tEdge) / Dot(frame.tEdge, frame.tEdge) * FaceSize;
        float reach = star.size * 5.0f * FaceSize * 0.5f / (facing * facing) + 2;
        int x0 = std::max(0, static_cast<int>(px - reach));
        int x1 = std::min(FaceSize - 1, static_cast<int>(px + reach));
        int y0 = std::max(0, static_cast<int>(py - reach));
        int y1 = std::min(FaceSize - 1, static_cast<int>(py + reach));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                size_t at = static_cast<size_t>(y) * FaceSize + x;
                float c = Dot(directions[at], star.direction);
                float angle2 = 2 * (1 - c); // squared angle, small angles
                float core = std::exp(-angle2 / (2 * star.size * star.size));
                float halo = 0.06f * std::exp(-angle2 / (18 * star.size * star.size));
                canvas.pixels[at] = canvas.pixels[at] + star.color * (core + halo);
            }
        }
    }
    for (size_t i = 0; i < directions.size(); ++i) {
        float coverage = 0;
        Color planet = PlanetColor(directions[i], coverage);
        canvas.pixels[i] = canvas.pixels[i] * (1 - coverage) + planet;
    }
    return canvas;
}
} // namespace

void WriteSpaceSkybox(const std::string& dir) {
    std::vector<Star> stars = MakeStars();
    for (int face = 0; face < 6; ++face) {
        Canvas canvas = DrawFace(face, stars);
        std::vector<uint8_t> rgb = CanvasToRgb(canvas);
        WriteDataFile(dir, std::string("skybox/space1") + FaceSuffixes[face] + ".tga",
                      EncodeTga(FaceSize, FaceSize, 3, rgb.data(), TgaEncoding::RunLength));
    }
}
