// Small picture and mesh files made in code, for the image tests and the
// fuzzers' seed corpora. Pictures are given top row first.
#pragma once

#include <cstdint>
#include <vector>

// A TGA file of image type 2 or 10 at depth 24 or 32 holding the picture
// (width x height pixels of depth / 8 bytes, R, G, B(, A), top row first),
// stored bottom row first as B, G, R(, A). Type 10 uses a run packet for
// each run of equal pixels and raw packets for the rest, packets crossing
// rows. idLength bytes of image ID follow the header. An empty picture
// gives the header and ID alone.
std::vector<uint8_t> MakeTga(int type, int depth, int width, int height,
                             const std::vector<uint8_t>& picture, int idLength = 0);

// A PCX file: 128-byte header with xmin, xmax and ymax, the given
// run-length data, a 0x0C marker and the palette (768 bytes).
std::vector<uint8_t> MakePcx(int xmin, int xmax, int ymax, const std::vector<uint8_t>& data,
                             const std::vector<uint8_t>& palette);

// A PCX file as common image libraries write one: version 5, one plane of
// 8-bit indices, every line bytesPerLine long (width indices, then padding
// bytes of padValue), each line run-length coded on its own (runs stop at
// the line's end; values of 0xC0 and up always as runs), the 0x0C marker
// and the palette. indices hold width x height values, top row first.
std::vector<uint8_t> MakeLinedPcx(int width, int height, int bytesPerLine,
                                  const std::vector<uint8_t>& indices, uint8_t padValue,
                                  const std::vector<uint8_t>& palette);

// A 256-entry palette whose entry i is (i, 255 − i, i ^ 0x5A).
std::vector<uint8_t> MakeTestPalette();

// A JPEG file (quality 95) of width x height pixels with components 1
// (greyscale), 3 (RGB) or 4 (CMYK) bytes per pixel, top row first.
std::vector<uint8_t> MakeJpeg(int width, int height, int components,
                              const std::vector<uint8_t>& picture);

// A 3DG file: counts, then the arrays as given (3 values per vertex,
// normal, triangle and triangle normal), each a signed 16-bit integer.
std::vector<uint8_t> Make3dg(int vertexCount, int faceCount, const std::vector<int>& positions,
                             const std::vector<int>& vertexNormals,
                             const std::vector<int>& triangles,
                             const std::vector<int>& faceNormals);
