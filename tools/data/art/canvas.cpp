// Canvas, mask, random generator and noise for the picture makers.
#include "tools/data/art/canvas.h"

#include <cmath>

Canvas NewCanvas(int width, int height, Color fill) {
    return Canvas{width, height, std::vector<Color>(static_cast<size_t>(width) * height, fill)};
}

Mask NewMask(int width, int height) {
    return Mask{width, height, std::vector<float>(static_cast<size_t>(width) * height, 0.0f)};
}

static uint8_t ToByte(float v) {
    return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
}

std::vector<uint8_t> CanvasToRgb(const Canvas& canvas) {
    std::vector<uint8_t> bytes;
    bytes.reserve(canvas.pixels.size() * 3);
    for (const Color& c : canvas.pixels) {
        bytes.push_back(ToByte(c.r));
        bytes.push_back(ToByte(c.g));
        bytes.push_back(ToByte(c.b));
    }
    return bytes;
}

// One box pass of half-width r along rows (step 1) or columns (step width).
static void BoxPass(std::vector<float>& values, int count, int lines, int step, int lineStep, int r,
                    bool wrap) {
    std::vector<float> line(count);
    for (int l = 0; l < lines; ++l) {
        float* base = values.data() + static_cast<size_t>(l) * lineStep;
        for (int i = 0; i < count; ++i) {
            line[i] = base[static_cast<size_t>(i) * step];
        }
        auto sample = [&](int i) -> float {
            if (wrap) {
                return line[((i % count) + count) % count];
            }
            return (i < 0 || i >= count) ? 0.0f : line[i];
        };
        double sum = 0;
        for (int i = -r; i <= r; ++i) {
            sum += sample(i);
        }
        for (int i = 0; i < count; ++i) {
            base[static_cast<size_t>(i) * step] = static_cast<float>(sum / (2 * r + 1));
            sum += sample(i + r + 1) - sample(i - r);
        }
    }
}

Mask BlurMask(const Mask& mask, float radius, bool wrap) {
    Mask out = mask;
    // Three boxes of half-width r have a standard deviation of about r.
    int r = static_cast<int>(std::lround(radius));
    if (r < 1) {
        return out;
    }
    for (int pass = 0; pass < 3; ++pass) {
        BoxPass(out.values, out.width, out.height, 1, out.width, r, wrap);
        BoxPass(out.values, out.height, out.width, out.width, 1, r, wrap);
    }
    return out;
}

uint32_t NextRandom(ArtRandom& random) {
    uint64_t z = (random.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

float NextUnit(ArtRandom& random) {
    return static_cast<float>(NextRandom(random) >> 8) * (1.0f / 16777216.0f);
}

uint32_t HashLattice(int x, int y, int z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

static float Fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Dot product of a pseudo-random gradient (one of twelve cube-edge
// directions) at a lattice point with the offset from that point.
static float Gradient3(uint32_t h, float x, float y, float z) {
    switch (h % 12) {
    case 0:
        return x + y;
    case 1:
        return -x + y;
    case 2:
        return x - y;
    case 3:
        return -x - y;
    case 4:
        return x + z;
    case 5:
        return -x + z;
    case 6:
        return x - z;
    case 7:
        return -x - z;
    case 8:
        return y + z;
    case 9:
        return -y + z;
    case 10:
        return y - z;
    default:
        return -y - z;
    }
}

float GradientNoise3(float x, float y, float z, uint32_t seed) {
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    int iz = static_cast<int>(std::floor(z));
    float fx = x - ix, fy = y - iy, fz = z - iz;
    float u = Fade(fx), v = Fade(fy), w = Fade(fz);
    float corner[8];
    for (int i = 0; i < 8; ++i) {
        int dx = i & 1, dy = (i >> 1) & 1, dz = (i >> 2) & 1;
        corner[i] =
            Gradient3(HashLattice(ix + dx, iy + dy, iz + dz, seed), fx - dx, fy - dy, fz - dz);
    }
    float x00 = corner[0] + (corner[1] - corner[0]) * u;
    float x10 = corner[2] + (corner[3] - corner[2]) * u;
    float x01 = corner[4] + (corner[5] - corner[4]) * u;
    float x11 = corner[6] + (corner[7] - corner[6]) * u;
    float y0 = x00 + (x10 - x00) * v;
    float y1 = x01 + (x11 - x01) * v;
    return y0 + (y1 - y0) * w;
}

float FractalNoise3(float x, float y, float z, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 0.5f, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * GradientNoise3(x * frequency, y * frequency, z * frequency, seed + i);
        amplitude *= 0.5f;
        frequency *= 2;
    }
    return sum * 1.6f;
}

float PeriodicNoise2(float x, float y, int periodX, int periodY, uint32_t seed) {
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    float fx = x - ix, fy = y - iy;
    auto wrap = [](int v, int period) { return ((v % period) + period) % period; };
    float corner[4];
    for (int i = 0; i < 4; ++i) {
        int dx = i & 1, dy = i >> 1;
        uint32_t h = HashLattice(wrap(ix + dx, periodX), wrap(iy + dy, periodY), 0, seed);
        float angle = static_cast<float>(h & 0xFFFF) * (6.2831853f / 65536.0f);
        corner[i] = std::cos(angle) * (fx - dx) + std::sin(angle) * (fy - dy);
    }
    float u = Fade(fx), v = Fade(fy);
    float top = corner[0] + (corner[1] - corner[0]) * u;
    float bottom = corner[2] + (corner[3] - corner[2]) * u;
    return (top + (bottom - top) * v) * 1.4f;
}

float PeriodicFractalNoise2(float x, float y, int periodX, int periodY, int octaves,
                            uint32_t seed) {
    float sum = 0, amplitude = 0.5f, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * PeriodicNoise2(x * frequency, y * frequency,
                                          periodX * static_cast<int>(frequency),
                                          periodY * static_cast<int>(frequency), seed + i);
        amplitude *= 0.5f;
        frequency *= 2;
    }
    return sum * 1.5f;
}
