// 256-colour palettes: reading them from files and turning 8-bit palette
// indices into RGB.
#include "image/palette.h"

#include "shell/fatal.h"

#include <GL/gl.h>

#include <cassert>
#include <cstdio>

namespace {

enum class PaletteResult { Ok, CannotOpen, Truncated };

// Reads 768 bytes from the start of the file, or from 768 bytes before its
// end; closes the file before returning.
PaletteResult ReadPaletteBytes(const char* path, bool fromEnd, Palette* palette) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return PaletteResult::CannotOpen;
    }
    bool ok = true;
    if (fromEnd) {
        // fseek to before the start fails, so a short file is caught here.
        ok = std::fseek(file, -PaletteFileSize, SEEK_END) == 0;
    }
    ok = ok && std::fread(palette->rgb, 1, PaletteFileSize, file) == PaletteFileSize;
    std::fclose(file);
    return ok ? PaletteResult::Ok : PaletteResult::Truncated;
}

int ReportPalette(PaletteResult result, const char* path) {
    switch (result) {
    case PaletteResult::Ok:
        break;
    case PaletteResult::CannotOpen:
        FatalError("Error opening %s", path);
    case PaletteResult::Truncated:
        FatalError("Error reading %s: the file is truncated", path);
    }
    return 0;
}

} // namespace

int ReadPaletteFile(const char* path, Palette* palette) {
    return ReportPalette(ReadPaletteBytes(path, false, palette), path);
}

int ReadTrailingPalette(const char* path, Palette* palette) {
    return ReportPalette(ReadPaletteBytes(path, true, palette), path);
}

void ExpandPalette(Image* image, const Palette* palette) {
    std::vector<uint8_t> rgb(static_cast<size_t>(image->width) * image->height * 3);
    if (!rgb.empty()) {
        PaletteToRgb(image->pixels.data(), image->width, image->height, image->width, image->height,
                     rgb.data(), palette);
    }
    image->internalFormat = image->pixelFormat = GL_RGB;
    image->pixels = std::move(rgb);
}

void PaletteToRgb(const uint8_t* src, int sw, int sh, int dw, int dh, uint8_t* dst,
                  const Palette* palette) {
    assert(sw > 0 && sh > 0 && dw > 0 && dh > 0);
    // Source distance per destination pixel in 16.16 fixed point; sampling
    // starts half a step in. Equal sizes give a step of 1.0 and map every
    // pixel to itself. The arithmetic is 64-bit so that no size overflows;
    // the results are those of 32 bits wherever 32 bits suffice.
    int64_t step = static_cast<int64_t>(sw) * 65536 / dw;
    for (int y = 0; y < dh; y++) {
        const uint8_t* sourceRow = src + static_cast<int64_t>(y) * sh / dh * sw;
        int64_t x = step >> 1;
        for (int i = 0; i < dw; i++) {
            const uint8_t* colour = palette->rgb + 3 * sourceRow[x >> 16];
            *dst++ = colour[0];
            *dst++ = colour[1];
            *dst++ = colour[2];
            x += step;
        }
    }
}
