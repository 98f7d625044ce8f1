// Test support: a headless display and OpenGL context shared by a test
// program, and reading back the picture.
#pragma once

#include <cstdint>
#include <vector>

// Opens the off-screen window and its 640 x 480 picture once per process;
// later calls do nothing.
void OpenTestDisplay();

// The picture's RGB bytes, width x height, bottom row first (as OpenGL reads).
std::vector<uint8_t> ReadPictureRgb(int x, int y, int width, int height);
