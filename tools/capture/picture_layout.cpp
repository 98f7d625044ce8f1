// From the picture as read back to the written frame; see picture_layout.h.
#include "tools/capture/picture_layout.h"

#include <algorithm>
#include <cstring>

size_t DrawnPictureBytes(const PictureLayout& layout) {
    const size_t pixelBytes = layout.pixels == PixelLayout::Rgb565 ? 2 : 4;
    return static_cast<size_t>(layout.drawnWidth) * layout.drawnHeight * pixelBytes;
}

size_t FramePictureBytes(const PictureLayout& layout) {
    return static_cast<size_t>(layout.frameWidth) * layout.frameHeight * 3;
}

namespace {

// 8-bit values of every 5-bit and 6-bit channel value.
struct WideningTables {
    uint8_t five[32];
    uint8_t six[64];
    WideningTables() {
        for (int v = 0; v < 32; ++v) {
            five[v] = static_cast<uint8_t>((v << 3) | (v >> 2));
        }
        for (int v = 0; v < 64; ++v) {
            six[v] = static_cast<uint8_t>((v << 2) | (v >> 4));
        }
    }
};

const WideningTables Widen;

// The 8-bit RGB of pixel x in a row as read back.
inline void PixelRgb(PixelLayout pixels, const uint8_t* row, int32_t x, uint32_t rgb[3]) {
    if (pixels == PixelLayout::Rgb565) {
        const uint32_t word = row[x * 2] | (row[x * 2 + 1] << 8);
        rgb[0] = Widen.five[word >> 11];
        rgb[1] = Widen.six[(word >> 5) & 63];
        rgb[2] = Widen.five[word & 31];
    } else {
        rgb[0] = row[x * 4];
        rgb[1] = row[x * 4 + 1];
        rgb[2] = row[x * 4 + 2];
    }
}

// One drawn pixel a written pixel: each row is only widened, the common case
// and, at large sizes, most of the writer's work.
void WidenRow(PixelLayout pixels, const uint8_t* source, int32_t columns, uint8_t* out) {
    for (int32_t x = 0; x < columns; ++x, out += 3) {
        uint32_t rgb[3];
        PixelRgb(pixels, source, x, rgb);
        out[0] = static_cast<uint8_t>(rgb[0]);
        out[1] = static_cast<uint8_t>(rgb[1]);
        out[2] = static_cast<uint8_t>(rgb[2]);
    }
}

// n x n blocks averaged into one pixel each, rounded to nearest.
void AverageBlocks(PixelLayout pixels, const uint8_t* block, size_t drawnRowBytes, int32_t n,
                   int32_t columns, uint8_t* out) {
    const uint32_t count = static_cast<uint32_t>(n * n);
    for (int32_t column = 0; column < columns; ++column) {
        uint32_t sum[3] = {0, 0, 0};
        for (int32_t y = 0; y < n; ++y) {
            const uint8_t* source = block + static_cast<size_t>(y) * drawnRowBytes;
            for (int32_t x = column * n; x < column * n + n; ++x) {
                uint32_t rgb[3];
                PixelRgb(pixels, source, x, rgb);
                sum[0] += rgb[0];
                sum[1] += rgb[1];
                sum[2] += rgb[2];
            }
        }
        for (int c = 0; c < 3; ++c) {
            out[column * 3 + c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
        }
    }
}

} // namespace

void FinishPicture(const PictureLayout& layout, const uint8_t* drawn, uint8_t* frame) {
    const int32_t n = layout.supersample;
    const int32_t rows = layout.drawnHeight / n;
    const int32_t columns = layout.drawnWidth / n;
    const size_t pixelBytes = layout.pixels == PixelLayout::Rgb565 ? 2 : 4;
    const size_t drawnRowBytes = static_cast<size_t>(layout.drawnWidth) * pixelBytes;
    const size_t frameRowBytes = static_cast<size_t>(layout.frameWidth) * 3;
    for (int32_t row = 0; row < rows; ++row) {
        uint8_t* line = frame + static_cast<size_t>(row) * frameRowBytes;
        const size_t left = static_cast<size_t>(layout.pictureLeft) * 3;
        std::memset(line, 0, left);
        std::memset(line + left + static_cast<size_t>(columns) * 3, 0,
                    frameRowBytes - left - static_cast<size_t>(columns) * 3);
        // Frame row 0 is the top: the last n rows read back.
        const uint8_t* block = drawn + static_cast<size_t>(rows - 1 - row) * n * drawnRowBytes;
        if (n == 1) {
            WidenRow(layout.pixels, block, columns, line + left);
        } else {
            AverageBlocks(layout.pixels, block, drawnRowBytes, n, columns, line + left);
        }
    }
}
