// 256-colour palettes: reading them from files and turning 8-bit palette
// indices into RGB.
#pragma once

#include "image/image.h"

#include <cstdint>

// 256 entries of R, G, B; entry i at bytes 3i, 3i + 1, 3i + 2.
struct Palette {
    uint8_t rgb[768];
};

// Size of a palette in a file, in bytes.
constexpr int PaletteFileSize = 768;

// Reads the first 768 bytes of the file at path; returns 0. A missing or
// short file ends the program through FatalError.
int ReadPaletteFile(const char* path, Palette* palette);

// Reads the last 768 bytes of the file at path; returns 0. A missing or
// short file ends the program through FatalError.
int ReadTrailingPalette(const char* path, Palette* palette);

// Replaces the image's 8-bit index pixels by their RGB expansion at the same
// size and labels the image GL_RGB.
void ExpandPalette(Image* image, const Palette* palette);

// Scales sw x sh indices to dw x dh by nearest-neighbour sampling (16.16
// fixed point) and writes each sample's palette colour to dst, which the
// caller provides with dw x dh x 3 bytes. All sizes must be positive.
void PaletteToRgb(const uint8_t* src, int sw, int sh, int dw, int dh, uint8_t* dst,
                  const Palette* palette);
