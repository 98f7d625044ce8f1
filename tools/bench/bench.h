// Measuring how long the show takes to start and how fast each scene draws,
// headless, on this machine's OpenGL.
//
// MeasureShow opens the display and runs the show's own operations itself:
// it fills the scene table, times every load, the first start, the music's
// opening and the first frame, then frames each scene at fixed steps of
// scene time (every run animates the same), timing each frame up to
// glFinish. A frame that only clears and presents, measured in the same run,
// is the floor every scene is compared with. The report is a plain record;
// the two Format functions turn it into text.
#pragma once

#include "shell/sequencer.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct BenchOptions {
    std::string dataDir;  // empty: the working directory
    int32_t frames = 240; // measured frames a scene, after the warm-up
    int32_t scene = -1;   // the one row to measure; -1: all
    bool json = false;
};

// Frames excluded from each measurement: the software renderer compiles
// state variants the first time it meets them.
constexpr int32_t BenchWarmupFrames = 10;

// Frame costs of one run of frames. fps figures are 1000 / the ms figure.
struct FrameStats {
    int32_t frames = 0;
    double medianMs = 0.0;
    double p99Ms = 0.0; // 99th percentile: the "1 % low"
    double meanMs = 0.0;
    double medianFps = 0.0;
    double lowFps = 0.0; // 1000 / p99Ms
    double meanFps = 0.0;
};

// A scene's own count, averaged per measured frame.
struct BenchCounter {
    std::string name;
    double perFrame;
};

struct SceneCost {
    int32_t row = 0;
    std::string name;
    float sceneTimeStep = 0.0f; // seconds of SceneTime between frames
    FrameStats stats;
    double vsFloor = 0.0; // median frame time / the floor's median frame time
    std::vector<BenchCounter> counters;
};

// Milliseconds of each start-up step, in the order the show runs them.
struct StartupCost {
    double displayMs = 0.0; // window, context and picture
    double loadMs[SceneCount] = {};
    double startMs = 0.0;      // the first scene's start operation
    double musicMs = 0.0;      // opening and starting the soundtrack
    double firstFrameMs = 0.0; // the first frame, drawn and finished
    double totalMs = 0.0;      // from the process's start to the first presented frame
};

struct BenchReport {
    int32_t frames = 0;
    StartupCost startup;
    FrameStats floor;
    std::vector<SceneCost> scenes;
    int64_t peakRssKb = 0;
};

// Reads arguments argv[1 .. argc-1] into options; false with a one-line
// reason in error.
bool ParseBenchOptions(int argc, const char* const* argv, BenchOptions* options,
                       std::string* error);

// The usage text printed by --help.
const char* BenchUsage();

// The scene names used in reports, by row.
const char* BenchSceneName(int32_t row);

// Runs the measurement; processStart is when the process began. False (after
// a message on standard error) when the data folder cannot be opened; a
// failure of the show ends the process through FatalError.
bool MeasureShow(const BenchOptions& options, std::chrono::steady_clock::time_point processStart,
                 BenchReport* report);

// Median, 99th percentile and mean of frame costs in milliseconds.
FrameStats SummarizeFrames(std::vector<double> costsMs);

// A table for people and a JSON object for machines; every field in both.
std::string FormatBenchTable(const BenchReport& report);
std::string FormatBenchJson(const BenchReport& report);
