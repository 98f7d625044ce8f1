// Writing the generator's files: every file goes through WriteDataFile so
// that each one gets its folder made and its progress line printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes bytes to dir/name (name uses '/' separators, e.g. "textures/punkt.tga"),
// making the folders on the way, and prints one progress line to standard
// output. A file that cannot be written ends the program through FatalError.
void WriteDataFile(const std::string& dir, const std::string& name,
                   const std::vector<uint8_t>& bytes);
