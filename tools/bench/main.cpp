// tessaline-bench: how long the show takes to start and how fast each scene
// draws, headless, on this machine's OpenGL.
#include "tools/bench/bench.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // The nearest this program can see its own start: the loader's work
    // before main is not counted.
    std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(BenchUsage(), stdout);
            return 0;
        }
    }
    BenchOptions options;
    std::string error;
    if (!ParseBenchOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "tessaline-bench: %s\n%s", error.c_str(), BenchUsage());
        return 1;
    }
    BenchReport report;
    if (!MeasureShow(options, processStart, &report)) {
        return 1;
    }
    std::fputs((options.json ? FormatBenchJson(report) : FormatBenchTable(report)).c_str(), stdout);
    return 0;
}
