// tessaline-capture: plays the show headless on a virtual clock and writes
// its frames as PNG pictures or an H.264 video with the soundtrack.
// One more option serves the tests as a hook: --unscaled outline|cubes|
// switchoff leaves that pixel measure at its 480-line value in larger
// pictures (LeaveMeasureUnscaled), to show that the comparison of sizes
// catches it; --direct-reads reads pictures back without pixel buffers
// (ReadPicturesDirectly), to compare the two ways.
#include "shell/picture_size.h"
#include "tools/capture/capture.h"
#include "tools/capture/picture_reader.h"

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    std::vector<const char*> arguments = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(CaptureUsage(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--direct-reads") == 0) {
            ReadPicturesDirectly(true);
            continue;
        }
        if (std::strcmp(argv[i], "--unscaled") == 0) {
            if (i + 1 == argc || !LeaveMeasureUnscaled(argv[i + 1])) {
                std::fputs("tessaline-capture: --unscaled takes outline, cubes or switchoff\n",
                           stderr);
                return 1;
            }
            ++i;
            continue;
        }
        arguments.push_back(argv[i]);
    }
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(static_cast<int>(arguments.size()), arguments.data(), &options,
                             &error)) {
        std::fprintf(stderr, "tessaline-capture: %s\n%s", error.c_str(), CaptureUsage());
        return 1;
    }
    return RunCapture(options);
}
