// Median-cut palettes with error diffusion. Boxes are split at the median
// of their widest channel; ties in sorting are broken by the whole colour so
// that the palette is the same on every machine.
#include "tools/data/art/palette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
using Rgb = std::array<uint8_t, 3>;

struct ColorBox {
    std::vector<Rgb> colors;
    int widestChannel;
    int range;
};

ColorBox MakeBox(std::vector<Rgb> colors) {
    ColorBox box{std::move(colors), 0, -1};
    for (int c = 0; c < 3; ++c) {
        uint8_t low = 255, high = 0;
        for (const Rgb& rgb : box.colors) {
            low = std::min(low, rgb[c]);
            high = std::max(high, rgb[c]);
        }
        if (high - low > box.range) {
            box.range = high - low;
            box.widestChannel = c;
        }
    }
    return box;
}
} // namespace

PalettePicture QuantizeCanvas(const Canvas& canvas) {
    std::vector<uint8_t> rgb = CanvasToRgb(canvas);
    std::vector<Rgb> colors(canvas.pixels.size());
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    }
    std::vector<ColorBox> boxes;
    boxes.push_back(MakeBox(colors));
    while (boxes.size() < 256) {
        // Split the box with the widest spread, weighted by its size.
        size_t best = 0;
        double bestScore = -1;
        for (size_t i = 0; i < boxes.size(); ++i) {
            double score = boxes[i].range * std::sqrt(static_cast<double>(boxes[i].colors.size()));
            if (boxes[i].colors.size() > 1 && boxes[i].range > 0 && score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        if (bestScore < 0) {
            break;
        }
        ColorBox box = std::move(boxes[best]);
        int c = box.widestChannel;
        std::sort(box.colors.begin(), box.colors.end(),
                  [c](const Rgb& a, const Rgb& b) { return a[c] != b[c] ? a[c] < b[c] : a < b; });
        size_t half = box.colors.size() / 2;
        boxes[best] = MakeBox(std::vector<Rgb>(box.colors.begin(), box.colors.begin() + half));
        boxes.push_back(MakeBox(std::vector<Rgb>(box.colors.begin() + half, box.colors.end())));
    }

    PalettePicture picture{canvas.width, canvas.height, {}, std::vector<uint8_t>(768, 0)};
    std::vector<std::array<float, 3>> entries;
    for (size_t i = 0; i < boxes.size(); ++i) {
        double sum[3] = {0, 0, 0};
        for (const Rgb& color : boxes[i].colors) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += color[c];
            }
        }
        std::array<float, 3> entry;
        for (int c = 0; c < 3; ++c) {
            uint8_t value = static_cast<uint8_t>(std::lround(sum[c] / boxes[i].colors.size()));
            picture.palette[3 * i + c] = value;
            entry[c] = value;
        }
        entries.push_back(entry);
    }

    // Floyd-Steinberg: each pixel's rounding error goes on to its
    // unvisited neighbours (7/16 right, 3/16 down left, 5/16 down, 1/16 down right).
    int width = canvas.width, height = canvas.height;
    std::vector<std::array<float, 3>> work(colors.size());
    for (size_t i = 0; i < colors.size(); ++i) {
        work[i] = {static_cast<float>(rgb[3 * i]), static_cast<float>(rgb[3 * i + 1]),
                   static_cast<float>(rgb[3 * i + 2])};
    }
    picture.indices.resize(colors.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t at = static_cast<size_t>(y) * width + x;
            std::array<float, 3> want = work[at];
            size_t best = 0;
            float bestDistance = 1e30f;
            for (size_t i = 0; i < entries.size(); ++i) {
                float d = 0;
                for (int c = 0; c < 3; ++c) {
                    float e = want[c] - entries[i][c];
                    d += e * e;
                }
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            picture.indices[at] = static_cast<uint8_t>(best);
            auto spread = [&](int dx, int dy, float share) {
                int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= width || ny >= height) {
                    return;
                }
                auto& target = work[static_cast<size_t>(ny) * width + nx];
                for (int c = 0; c < 3; ++c) {
                    target[c] += (want[c] - entries[best][c]) * share;
                }
            };
            spread(1, 0, 7.0f / 16);
            spread(-1, 1, 3.0f / 16);
            spread(0, 1, 5.0f / 16);
            spread(1, 1, 1.0f / 16);
        }
    }
    return picture;
}

PalettePicture GreyPicture(const Mask& mask) {
    PalettePicture picture{mask.width, mask.height, {}, std::vector<uint8_t>(768)};
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            picture.palette[3 * i + c] = static_cast<uint8_t>(i);
        }
    }
    picture.indices.reserve(mask.values.size());
    for (float v : mask.values) {
        picture.indices.push_back(static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)));
    }
    return picture;
}
