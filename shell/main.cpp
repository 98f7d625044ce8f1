// Entry point of the show. It plays the data files of its working directory,
// or, when that folder holds none of the show's folders, the data installed
// with the program. With no argument it draws the show's 640 x 480 picture;
// --height H or --hd draw the same show in a larger picture.
#include "shell/data_folder.h"
#include "shell/demo.h"
#include "shell/picture_options.h"

#include <cstdio>
#include <cstring>
#include <string>

static const char PlayerOptions[] = "--height --hd --colour";

static void PrintUsage(FILE* to) {
    std::fprintf(to, "usage: tessaline [options]\n%s  --help            this text\n",
                 PictureOptionsUsage(PlayerOptions).c_str());
}

int main(int argc, char** argv) {
    PictureOptions options;
    bool sawHeight = false;
    for (int i = 1; i < argc; ++i) {
        sawHeight = sawHeight || std::strcmp(argv[i], "--height") == 0;
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        std::string error;
        switch (TakePictureOption(argc, argv, &i, PlayerOptions, &options, &error)) {
        case PictureOptionResult::Taken:
            continue;
        case PictureOptionResult::NotPictureOption:
            error = std::string("unknown option ") + argv[i];
            break;
        case PictureOptionResult::Bad:
            break;
        }
        std::fprintf(stderr, "tessaline: %s\n", error.c_str());
        PrintUsage(stderr);
        return 1;
    }
    if (options.fitDisplay && sawHeight) {
        std::fputs("tessaline: --hd and --height exclude each other\n", stderr);
        return 1;
    }
    ApplyPictureOptions(options);
    EnterDataFolder();
    return RunDemo(false);
}
