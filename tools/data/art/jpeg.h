// Encoding JPEG pictures through libjpeg.
#pragma once

#include <cstdint>
#include <vector>

// The bytes of a baseline three-component JPEG of width x height pixels
// given as R, G, B rows top row first; quality 1...100.
std::vector<uint8_t> EncodeJpeg(int width, int height, const uint8_t* rgb, int quality);
