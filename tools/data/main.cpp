// tessaline-data DIR: writes every data file the show reads (pictures, skybox,
// light sprite, object mesh, level, soundtrack) under DIR.
// tessaline-data --icon FILE: writes the program's icon, a PNG still of the
// opening titles. The output depends on
// nothing but this code: fixed seeds, no clock, no locale, so every run on
// every machine writes the same bytes.
#include "shell/fatal.h"
#include "tools/data/art/art.h"
#include "tools/data/level/level.h"
#include "tools/data/music/music.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <string>

// A command-line tool reports on standard error only, never in a box.
static void ReportFailure(const char* message) {
    std::fprintf(stderr, "tessaline-data: error: %s\n", message);
    std::exit(1);
}

int main(int argc, char** argv) {
    SetFatalErrorHook(ReportFailure);
    if (argc == 3 && std::string(argv[1]) == "--icon" && argv[2][0] != '\0') {
        WriteIconFile(argv[2]);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr,
                     "usage: tessaline-data DIR\n"
                     "       tessaline-data --icon FILE.png\n"
                     "Writes the show's data files (textures, skybox, object, level, music) "
                     "under DIR, or the program's 256 x 256 icon to FILE.png.\n");
        return 1;
    }
    std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        FatalError("Cannot make folder %s: %s", dir.c_str(), error.message().c_str());
    }
    WriteArtFiles(dir);
    WriteLevelFiles(dir);
    WriteMusicFiles(dir);
    std::printf("tessaline-data: all files written under %s\n", dir.c_str());
    return 0;
}
