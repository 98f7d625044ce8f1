// The show's pictures, skybox, light sprite and object mesh.
#pragma once

#include <string>

// Writes every picture and the object mesh under dir (a progress line each);
// ends the program through FatalError when a file cannot be written.
void WriteArtFiles(const std::string& dir);

// Writes the program's icon, a 256 x 256 PNG still of the opening titles'
// logo, to path; ends the program through FatalError when it cannot.
void WriteIconFile(const std::string& path);
