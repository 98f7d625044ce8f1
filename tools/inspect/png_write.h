// Writing a picture as a PNG file, top row first, for comparing the
// program's decoding with other tools'.
#pragma once

#include "inspectors.h"

// Writes picture to path; false (after a message on standard error) when
// the file cannot be written.
bool WritePng(const char* path, const InspectedPicture& picture);
