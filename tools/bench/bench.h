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

#include "shell/picture_options.h"
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
    // A level file measured instead of the show's scenes (relative to the
    // working directory the bench started in); empty: the show.
    std::string levelFile;
    bool eyeGiven = false;  // with levelFile: eye is the camera's position
    float eye[3] = {};      // level units; otherwise outside the level
    PictureOptions picture; // the picture's height and colour
};

// The options the bench shares with the player.
constexpr char BenchPictureOptions[] = "--height --colour";

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

// Median and maximum of one per-frame count over the measured frames.
struct CountRange {
    double median = 0.0;
    double max = 0.0;
};

// What the level's drawing did per frame, over the measured level frames.
struct LevelFrameCounts {
    int32_t frames = 0; // level frames sampled; 0: the row drew no level
    CountRange leafsVisible;
    CountRange facesMarked;
    CountRange facesDrawn;
    CountRange textureBinds;
    CountRange lightmapBinds;
    int32_t visibleSetRebuilds = 0; // in the sampled frames
    // The program's own per-frame work (finding the leaf, marking, walking,
    // chaining; no OpenGL calls), medians in microseconds and in percent of
    // the row's median frame, with the visible set kept and rebuilt.
    double ownWorkUs = 0.0;
    double ownWorkRebuildUs = 0.0;
    double ownWorkPercent = 0.0;
    double ownWorkRebuildPercent = 0.0;
};

struct SceneCost {
    int32_t row = 0;
    std::string name;
    float sceneTimeStep = 0.0f; // seconds of SceneTime between frames
    FrameStats stats;
    double vsFloor = 0.0;    // median frame time / the floor's median frame time
    double p99VsFloor = 0.0; // 99th-percentile frame time / the floor's median
    LevelFrameCounts level;
};

// One step of work and its milliseconds; key names it in JSON.
struct BenchStep {
    std::string name;
    std::string key;
    double ms;
};

// Milliseconds of each start-up step, in the order the show runs them.
struct StartupCost {
    double displayMs = 0.0; // window, context and picture
    double loadMs[SceneCount] = {};
    double startMs = 0.0;              // the first scene's start operation
    double musicMs = 0.0;              // opening and starting the soundtrack
    double firstFrameMs = 0.0;         // the first frame, drawn and finished
    double totalMs = 0.0;              // from the process's start to the first presented frame
    std::vector<BenchStep> levelBuild; // the level's load-time building, step by step
};

struct BenchReport {
    int32_t frames = 0;
    std::string levelFile; // the level measured instead of the show; empty: the show
    float eye[3] = {};     // with levelFile: the camera's position
    StartupCost startup;
    FrameStats floor;
    std::vector<SceneCost> scenes;
    int64_t peakRssKb = 0;
    int32_t pictureWidth = 0; // the drawn picture, pixels
    int32_t pictureHeight = 0;
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
