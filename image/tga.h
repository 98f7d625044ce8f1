// The TGA reader: uncompressed (type 2) and run-length (type 10) true-colour
// pictures of 24 or 32 bits per pixel, into a new registered Image.
//
// Rows are always taken bottom row first, whatever the descriptor says (a
// file with its top-left-origin bit set shows upside down); the result is top
// row first, R, G, B(, A). A file cut short shows
// with its missing pixels black; an unsupported kind, a header cut short or a
// picture larger than MaxImageSide ends the program through FatalError.
#pragma once

#include "image/image.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// Reads the TGA file at path; returns its handle with texture flags 0.
// Never returns on failure.
int LoadTga(const char* path);

// Decodes run-length packets from file (positioned at the pixel data) into
// *pixels, image->width x image->height x bpp bytes, bottom file row into the
// last memory row. False when the file ends before the picture is full (the
// pixels not reached stay 0).
bool DecodeTgaRle(const Image* image, FILE* file, int bpp, std::vector<uint8_t>* pixels);

// Exchanges the first and third byte of every pixel, stepping bpp bytes.
void SwapRedBlue(Image* image, int bpp);
