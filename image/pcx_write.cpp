// Encoding 8-bit PCX files.
//
// Run-length code: a byte with both top bits set (0xC0 and up) is a run
// header whose low six bits give the count (1 to 63), and the next byte is
// the value. Any value of 0xC0 or more is therefore always written as a
// run, even a run of one, so that no reader can take it for a header. Runs
// stop at the end of each line, as the format asks.
#include "image/pcx_write.h"

#include <cassert>
#include <cstddef>

static void PutWord(std::vector<uint8_t>& out, size_t offset, int value) {
    out[offset] = static_cast<uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

std::vector<uint8_t> EncodePcx(int width, int height, const uint8_t* indices,
                               const uint8_t* palette) {
    assert(width > 0 && width <= 65536 && height > 0 && height <= 65536);
    assert(width % 2 == 0);
    std::vector<uint8_t> out(128, 0);
    out[0] = 10; // manufacturer
    out[1] = 5;  // version with a 256-colour palette
    out[2] = 1;  // run-length encoding
    out[3] = 8;  // bits per pixel per plane
    PutWord(out, 8, width - 1);
    PutWord(out, 10, height - 1);
    PutWord(out, 12, 72);
    PutWord(out, 14, 72);
    out[65] = 1; // planes
    PutWord(out, 66, width);
    PutWord(out, 68, 1); // palette holds colours

    for (int y = 0; y < height; ++y) {
        const uint8_t* line = indices + static_cast<size_t>(y) * width;
        int x = 0;
        while (x < width) {
            uint8_t value = line[x];
            int run = 1;
            while (x + run < width && run < 63 && line[x + run] == value) {
                ++run;
            }
            if (run > 1 || value >= 0xC0) {
                out.push_back(static_cast<uint8_t>(0xC0 | run));
            }
            out.push_back(value);
            x += run;
        }
    }
    out.push_back(0x0C);
    out.insert(out.end(), palette, palette + 768);
    return out;
}
