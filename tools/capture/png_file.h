// Writing one RGB picture as a PNG file.
//
// The file holds only the picture: no time stamp or text chunk, so the same
// pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height RGB bytes (top row first, caller's memory) to path as
// an 8-bit RGB PNG. False when the file cannot be written.
bool WritePngRgb(const std::string& path, const uint8_t* rgb, int width, int height);
