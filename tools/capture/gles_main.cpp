// tessaline-capture-gles: tessaline-capture with the drawing going through
// the fixedgl layer on an OpenGL ES 3.0 context, the web build's path, so
// that its frames can be set beside the native ones on the same machine.
// Takes the same command line, and one more option as a test hook:
// --omit lines|blend|unit1|clamp|alpha|npot|sphereflip leaves that effect out
// or makes it wrong (SetFixedGlOmission).
#include "fixedgl/fixed_gl.h"
#include "tools/capture/capture.h"

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
        if (std::strcmp(argv[i], "--omit") == 0) {
            if (i + 1 == argc || !SetFixedGlOmission(argv[i + 1])) {
                std::fputs("tessaline-capture-gles: --omit takes lines, blend, unit1, clamp, "
                           "alpha, npot or sphereflip\n",
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
        std::fprintf(stderr, "tessaline-capture-gles: %s\n%s", error.c_str(), CaptureUsage());
        return 1;
    }
    // The layer keeps the show's 5-6-5 colour in every picture it draws.
    if (options.picture.colourBits != 16) {
        std::fputs("tessaline-capture-gles: the fixedgl layer draws 16-bit colour only\n", stderr);
        return 1;
    }
    return RunCapture(options);
}
