// Shared tools of the picture makers: a floating-point colour canvas, a
// one-channel mask, a seeded random generator and noise functions. Every
// result depends only on the arguments and seeds, never on a clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A colour in linear 0...1 channels (brighter values clip when stored).
struct Color {
    float r, g, b;
};

inline Color operator+(Color a, Color b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Color operator-(Color a, Color b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Color operator*(Color a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline Color operator*(Color a, Color b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
// a at k = 0, b at k = 1, linear between.
inline Color MixColor(Color a, Color b, float k) {
    return a + (b - a) * k;
}

struct Canvas {
    int width;
    int height;
    std::vector<Color> pixels; // top row first

    Color& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    Color At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct Mask {
    int width;
    int height;
    std::vector<float> values; // top row first

    float& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
};

// A width x height canvas filled with one colour.
Canvas NewCanvas(int width, int height, Color fill = {0, 0, 0});
// A width x height mask of zeros.
Mask NewMask(int width, int height);

// R, G, B bytes (3 per pixel), top row first; each channel clamped to 0...1
// and rounded.
std::vector<uint8_t> CanvasToRgb(const Canvas& canvas);

// Gaussian-like blur of about radius pixels (three box passes); pixels
// beyond the edges count as zero, or wrap round when wrap is set.
Mask BlurMask(const Mask& mask, float radius, bool wrap = false);

// Splitmix64: a small generator with a fixed seed per picture.
struct ArtRandom {
    uint64_t state;
};
uint32_t NextRandom(ArtRandom& random);
// Uniform in [0, 1).
float NextUnit(ArtRandom& random);

// A well-mixed 32-bit hash of three lattice coordinates and a seed.
uint32_t HashLattice(int x, int y, int z, uint32_t seed);

// Gradient noise in about -1...1, smooth in all three coordinates.
float GradientNoise3(float x, float y, float z, uint32_t seed);
// Sum of octaves of GradientNoise3, each twice the frequency and half the
// amplitude of the one before; about -1...1.
float FractalNoise3(float x, float y, float z, int octaves, uint32_t seed);

// Gradient noise on a lattice that repeats every periodX by periodY cells,
// so a picture sampled over exactly one period tiles without seams.
float PeriodicNoise2(float x, float y, int periodX, int periodY, uint32_t seed);
// Octaves of PeriodicNoise2; each octave doubles the periods.
float PeriodicFractalNoise2(float x, float y, int periodX, int periodY, int octaves, uint32_t seed);

inline float Clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
// 0 at edge0, 1 at edge1, an S-curve between (edge0 may be the larger).
inline float SmoothStep(float edge0, float edge1, float v) {
    float k = Clamp01((v - edge0) / (edge1 - edge0));
    return k * k * (3 - 2 * k);
}
