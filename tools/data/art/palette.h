// Reducing a picture to 256 colours for the palettised (PCX) files.
#pragma once

#include "tools/data/art/canvas.h"

#include <cstdint>
#include <vector>

struct PalettePicture {
    int width;
    int height;
    std::vector<uint8_t> indices; // top row first
    std::vector<uint8_t> palette; // 768 bytes, R, G, B per entry
};

// Chooses 256 colours by median cut over the picture's colours and maps
// every pixel to them with Floyd-Steinberg error diffusion.
PalettePicture QuantizeCanvas(const Canvas& canvas);

// A picture of grey levels (0...1) with a 256-step grey palette: index i is
// grey level i. No colour is lost.
PalettePicture GreyPicture(const Mask& mask);
