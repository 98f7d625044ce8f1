// The JPEG reader: libjpeg's standard decompression with default parameters,
// into a new registered 24-bit RGB Image.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// What the decoder made of a file: rows top first, no padding.
struct JpegPicture {
    int32_t stride;              // bytes per row: width x 3
    int32_t width;               // pixels
    int32_t height;              // rows
    std::vector<uint8_t> pixels; // height x stride bytes, R, G, B
};

// Decodes the JPEG file at path; none when it cannot be opened. A damaged or
// unusable file ends the program through FatalError with the decoder's message.
std::optional<JpegPicture> DecodeJpegFile(const char* path);

// Reads the JPEG file at path; returns its handle with texture flags 0.
// Never returns on failure.
int LoadJpeg(const char* path);
