// Encoding true-colour TGA files (types 2 and 10).
//
// Run-length packets: a header byte whose bit 7 marks a run (one pixel value
// repeated) or a raw packet (that many values follow), with the count minus
// one in the low seven bits. Packets here never cross a row, which every
// reader accepts (the show's own reader would also take packets that do).
#include "image/tga_write.h"

#include <cassert>
#include <cstddef>
#include <cstring>

static void PutPixel(std::vector<uint8_t>& out, const uint8_t* rgba, int bytesPerPixel) {
    out.push_back(rgba[2]);
    out.push_back(rgba[1]);
    out.push_back(rgba[0]);
    if (bytesPerPixel == 4) {
        out.push_back(rgba[3]);
    }
}

// Appends one row (in file order B, G, R(, A)) as run-length packets.
static void PutRunLengthRow(std::vector<uint8_t>& out, const uint8_t* row, int width,
                            int bytesPerPixel) {
    auto same = [&](int a, int b) {
        return std::memcmp(row + a * bytesPerPixel, row + b * bytesPerPixel, bytesPerPixel) == 0;
    };
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 128 && same(x, x + run)) {
            ++run;
        }
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            PutPixel(out, row + x * bytesPerPixel, bytesPerPixel);
            x += run;
            continue;
        }
        // A raw packet lasts until two equal neighbours start a run.
        int count = 1;
        while (x + count < width && count < 128 &&
               !(x + count + 1 < width && same(x + count, x + count + 1))) {
            ++count;
        }
        out.push_back(static_cast<uint8_t>(count - 1));
        for (int i = 0; i < count; ++i) {
            PutPixel(out, row + (x + i) * bytesPerPixel, bytesPerPixel);
        }
        x += count;
    }
}

std::vector<uint8_t> EncodeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels,
                               TgaEncoding encoding) {
    assert(width > 0 && width <= 65535 && height > 0 && height <= 65535);
    assert(bytesPerPixel == 3 || bytesPerPixel == 4);
    std::vector<uint8_t> out(18, 0);
    out[2] = encoding == TgaEncoding::RunLength ? 10 : 2;
    out[12] = static_cast<uint8_t>(width & 0xFF);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height & 0xFF);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = static_cast<uint8_t>(bytesPerPixel * 8);
    out[17] = bytesPerPixel == 4 ? 8 : 0;

    size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    out.reserve(out.size() + rowBytes * height);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = pixels + rowBytes * y;
        if (encoding == TgaEncoding::RunLength) {
            PutRunLengthRow(out, row, width, bytesPerPixel);
        } else {
            for (int x = 0; x < width; ++x) {
                PutPixel(out, row + x * bytesPerPixel, bytesPerPixel);
            }
        }
    }
    return out;
}
