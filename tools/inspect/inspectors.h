// The inspectors of tessaline-inspect: one per kind of data file, each
// reading the file with the program's own reader and printing what it made
// of it to standard output.
//
// A reader that refuses the file calls FatalError; the tool's hook reports
// the message and long-jumps out of the inspector. Inspectors therefore call
// the reader before they make anything that needs releasing.
#pragma once

#include <cstdint>
#include <vector>

// A decoded picture for --png: top row first, channels bytes per pixel.
struct InspectedPicture {
    int width = 0;
    int height = 0;
    int channels = 0; // 3 (RGB) or 4 (RGBA); 0 when the file has no picture
    std::vector<uint8_t> pixels;
};

// Reads the file at path, prints its description and fills picture when
// the file holds one. Returns false when the file is refused without a
// FatalError (the message is printed first).
using Inspector = bool (*)(const char* path, InspectedPicture* picture);

bool InspectTga(const char* path, InspectedPicture* picture);
bool InspectPcx(const char* path, InspectedPicture* picture);
bool InspectJpeg(const char* path, InspectedPicture* picture);
bool InspectPalette(const char* path, InspectedPicture* picture);
bool InspectObject3D(const char* path, InspectedPicture* picture);
