// Encoding 8-bit palettised PCX files, the counterpart of the PCX reader.
#pragma once

#include <cstdint>
#include <vector>

// The bytes of a PCX file (version 5, one plane of 8-bit indices, run-length
// data, the 256-colour palette after a 0x0C marker at the end) holding
// width x height palette indices, top row first. width must be even, so that
// the stored lines are exactly width bytes long; palette is 768 bytes R, G, B.
std::vector<uint8_t> EncodePcx(int width, int height, const uint8_t* indices,
                               const uint8_t* palette);
