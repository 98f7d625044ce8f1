// tessaline-capture: plays the show headless on a virtual clock and writes
// its frames as PNG pictures or an H.264 video with the soundtrack.
#include "tools/capture/capture.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(CaptureUsage(), stdout);
            return 0;
        }
    }
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "tessaline-capture: %s\n%s", error.c_str(), CaptureUsage());
        return 1;
    }
    return RunCapture(options);
}
