// The show's pictures, skybox, light sprite and object mesh.
#pragma once

#include <string>

// Writes every picture and the object mesh under dir (a progress line each);
// ends the program through FatalError when a file cannot be written.
void WriteArtFiles(const std::string& dir);
