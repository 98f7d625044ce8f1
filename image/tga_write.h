// Encoding true-colour TGA files, the counterpart of the TGA reader: image
// types 2 (uncompressed) and 10 (run-length), 24 or 32 bits per pixel.
#pragma once

#include <cstdint>
#include <vector>

enum class TgaEncoding { Uncompressed, RunLength };

// The bytes of a TGA file holding width x height pixels given as R, G, B(, A)
// rows top row first (bytesPerPixel 3 or 4, as the reader hands them out).
// The file stores B, G, R(, A) with the bottom row first and a descriptor
// that says so (origin bit clear; the alpha-bit count is 8 for 32 bits).
std::vector<uint8_t> EncodeTga(int width, int height, int bytesPerPixel, const uint8_t* pixels,
                               TgaEncoding encoding);
