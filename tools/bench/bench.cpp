// Measuring how long the show takes to start and how fast each scene draws.
#include "tools/bench/bench.h"

#include "shell/demo.h"
#include "shell/music.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const SceneNames[SceneCount] = {"titles", "object", "swirl", "level"};

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A frame's cost: the operation, then glFinish so that the renderer's work is
// done before the clock is read.
template <typename Draw> double TimeFrame(Draw draw) {
    Clock::time_point start = Clock::now();
    draw();
    glFinish();
    return MillisecondsSince(start);
}

void DrawFloorFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(DeviceContext);
}

FrameStats MeasureFloor(int32_t frames) {
    std::vector<double> costs;
    for (int32_t i = 0; i < BenchWarmupFrames + frames; ++i) {
        double cost = TimeFrame(DrawFloorFrame);
        if (i >= BenchWarmupFrames) {
            costs.push_back(cost);
        }
    }
    return SummarizeFrames(costs);
}

// Frames row from its start: warm-up and measured frames spread evenly over
// the row's duration, each one step of SceneTime after the one before. Stops
// early when the scene ends the show itself.
SceneCost MeasureScene(int32_t row, int32_t frames, bool started) {
    const SceneEntry& entry = SceneTable[row];
    SceneCost cost;
    cost.row = row;
    cost.name = SceneNames[row];
    int32_t passes = BenchWarmupFrames + frames;
    cost.sceneTimeStep = entry.duration / static_cast<float>(passes + 1);
    if (!started) {
        entry.start();
    }
    SceneTime = 0.0f;
    QuitRequested = 0;
    std::vector<double> costs;
    for (int32_t i = 0; i < passes && !QuitRequested; ++i) {
        SceneTime = cost.sceneTimeStep * static_cast<float>(i + 1);
        double ms = TimeFrame([&] { entry.frame(cost.sceneTimeStep); });
        if (i >= BenchWarmupFrames) {
            costs.push_back(ms);
        }
    }
    QuitRequested = 0;
    if (entry.end != nullptr) {
        entry.end();
    }
    cost.stats = SummarizeFrames(costs);
    return cost;
}

// Whole decimal number in [low, high].
bool ReadInteger(const char* text, int32_t low, int32_t high, int32_t* value) {
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || number < low || number > high) {
        return false;
    }
    *value = static_cast<int32_t>(number);
    return true;
}

void AppendFormat(std::string* text, const char* format, ...) __attribute__((format(printf, 2, 3)));

void AppendFormat(std::string* text, const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    *text += line;
}

void AppendStatsJson(std::string* text, const FrameStats& stats) {
    AppendFormat(text,
                 "\"frames\": %d, \"medianMs\": %.4f, \"p99Ms\": %.4f, \"meanMs\": %.4f, "
                 "\"medianFps\": %.2f, \"lowFps\": %.2f, \"meanFps\": %.2f",
                 stats.frames, stats.medianMs, stats.p99Ms, stats.meanMs, stats.medianFps,
                 stats.lowFps, stats.meanFps);
}

void AppendStatsRow(std::string* text, const char* name, const FrameStats& stats, double vsFloor) {
    AppendFormat(text, "  %-8s %7d %10.3f %10.3f %10.1f %10.1f %10.1f %8.2f\n", name, stats.frames,
                 stats.medianMs, stats.p99Ms, stats.medianFps, stats.lowFps, stats.meanFps,
                 vsFloor);
}

} // namespace

const char* BenchSceneName(int32_t row) {
    return SceneNames[row];
}

const char* BenchUsage() {
    return "usage: tessaline-bench [options]\n"
           "  --data DIR     read the data files in DIR (default: the working directory)\n"
           "  --frames N     measured frames a scene, 1 to 100000 (default 240)\n"
           "  --scene N      measure only row N: 0 titles, 1 object, 2 swirl, 3 level\n"
           "  --json         print one JSON object instead of the table\n"
           "  --help         this text\n";
}

bool ParseBenchOptions(int argc, const char* const* argv, BenchOptions* options,
                       std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (std::strcmp(name, "--json") == 0) {
            options->json = true;
            continue;
        }
        if (std::strcmp(name, "--data") != 0 && std::strcmp(name, "--frames") != 0 &&
            std::strcmp(name, "--scene") != 0) {
            *error = std::string("unknown option ") + name;
            return false;
        }
        if (i + 1 >= argc) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        bool good = true;
        if (std::strcmp(name, "--data") == 0) {
            options->dataDir = value;
            good = *value != '\0';
        } else if (std::strcmp(name, "--frames") == 0) {
            good = ReadInteger(value, 1, 100000, &options->frames);
        } else {
            good = ReadInteger(value, 0, SceneCount - 1, &options->scene);
        }
        if (!good) {
            *error = std::string("bad value for ") + name + ": \"" + value + "\"";
            return false;
        }
    }
    return true;
}

FrameStats SummarizeFrames(std::vector<double> costsMs) {
    FrameStats stats;
    stats.frames = static_cast<int32_t>(costsMs.size());
    if (costsMs.empty()) {
        return stats;
    }
    std::sort(costsMs.begin(), costsMs.end());
    size_t count = costsMs.size();
    stats.medianMs =
        count % 2 == 1 ? costsMs[count / 2] : (costsMs[count / 2 - 1] + costsMs[count / 2]) / 2.0;
    // Nearest rank: the smallest cost that at least 99 % of frames stay within.
    size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(count)));
    stats.p99Ms = costsMs[std::max<size_t>(rank, 1) - 1];
    double sum = 0.0;
    for (double cost : costsMs) {
        sum += cost;
    }
    stats.meanMs = sum / static_cast<double>(count);
    // A frame below the clock's resolution would divide by zero.
    auto fps = [](double ms) { return ms > 0.0 ? 1000.0 / ms : 0.0; };
    stats.medianFps = fps(stats.medianMs);
    stats.lowFps = fps(stats.p99Ms);
    stats.meanFps = fps(stats.meanMs);
    return stats;
}

bool MeasureShow(const BenchOptions& options, Clock::time_point processStart, BenchReport* report) {
    fs::path home = fs::current_path();
    if (!options.dataDir.empty()) {
        std::error_code error;
        fs::current_path(options.dataDir, error);
        if (error) {
            std::fprintf(stderr, "tessaline-bench: can't open the data folder %s\n",
                         options.dataDir.c_str());
            return false;
        }
    }
    report->frames = options.frames;
    StartupCost& startup = report->startup;

    // Start-up, step by step as the show runs it.
    Clock::time_point start = Clock::now();
    OpenDisplay(true);
    startup.displayMs = MillisecondsSince(start);
    ScenePosition = 0;
    SceneTime = 0.0f;
    FillSceneTable();
    for (int32_t row = 0; row < SceneCount; ++row) {
        start = Clock::now();
        SceneTable[row].load();
        startup.loadMs[row] = MillisecondsSince(start);
    }
    start = Clock::now();
    SceneTable[0].start();
    startup.startMs = MillisecondsSince(start);
    start = Clock::now();
    OpenMusic("music/velt2002.mp3");
    PlayMusic();
    startup.musicMs = MillisecondsSince(start);
    QuitRequested = 0;
    // The show's first frame comes one pass of a 60 Hz loop after the start.
    const float firstFrameTime = 1.0f / 60.0f;
    SceneTime = firstFrameTime;
    startup.firstFrameMs = TimeFrame([&] { SceneTable[0].frame(firstFrameTime); });
    startup.totalMs = MillisecondsSince(processStart);

    report->floor = MeasureFloor(options.frames);
    bool firstStarted = true;
    for (int32_t row = 0; row < SceneCount; ++row) {
        if (options.scene >= 0 && row != options.scene) {
            if (row == 0) {
                // The first scene ends before another one starts, as in the
                // show.
                if (SceneTable[0].end != nullptr) {
                    SceneTable[0].end();
                }
                firstStarted = false;
            }
            continue;
        }
        SceneCost cost = MeasureScene(row, options.frames, row == 0 && firstStarted);
        cost.vsFloor =
            report->floor.medianMs > 0.0 ? cost.stats.medianMs / report->floor.medianMs : 0.0;
        report->scenes.push_back(cost);
    }

    ShutdownDisplay();
    FreeMusic();
    PlatformQuit();
    fs::current_path(home);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    report->peakRssKb = usage.ru_maxrss; // kilobytes on Linux
    return true;
}

std::string FormatBenchTable(const BenchReport& report) {
    std::string text;
    const StartupCost& startup = report.startup;
    AppendFormat(&text, "start-up                      ms\n");
    AppendFormat(&text, "  display               %8.2f\n", startup.displayMs);
    for (int32_t row = 0; row < SceneCount; ++row) {
        AppendFormat(&text, "  load %-16s %8.2f\n", SceneNames[row], startup.loadMs[row]);
    }
    AppendFormat(&text, "  start %-15s %8.2f\n", SceneNames[0], startup.startMs);
    AppendFormat(&text, "  music                 %8.2f\n", startup.musicMs);
    AppendFormat(&text, "  first frame           %8.2f\n", startup.firstFrameMs);
    AppendFormat(&text, "  total                 %8.2f  (program start to first frame)\n",
                 startup.totalMs);
    AppendFormat(&text,
                 "\nframes (%d measured after %d warm-up)\n"
                 "  %-8s %7s %10s %10s %10s %10s %10s %8s\n",
                 report.frames, BenchWarmupFrames, "", "frames", "median ms", "p99 ms",
                 "median fps", "1% low fps", "mean fps", "x floor");
    AppendStatsRow(&text, "floor", report.floor, 1.0);
    for (const SceneCost& scene : report.scenes) {
        AppendStatsRow(&text, scene.name.c_str(), scene.stats, scene.vsFloor);
        for (const BenchCounter& counter : scene.counters) {
            AppendFormat(&text, "    %s per frame: %.1f\n", counter.name.c_str(), counter.perFrame);
        }
    }
    AppendFormat(&text, "\npeak resident memory: %.1f MB\n",
                 static_cast<double>(report.peakRssKb) / 1024.0);
    return text;
}

std::string FormatBenchJson(const BenchReport& report) {
    std::string text;
    const StartupCost& startup = report.startup;
    AppendFormat(&text, "{\n  \"frames\": %d,\n  \"warmupFrames\": %d,\n", report.frames,
                 BenchWarmupFrames);
    AppendFormat(&text, "  \"startup\": {\"displayMs\": %.4f, \"loadMs\": {", startup.displayMs);
    for (int32_t row = 0; row < SceneCount; ++row) {
        AppendFormat(&text, "%s\"%s\": %.4f", row > 0 ? ", " : "", SceneNames[row],
                     startup.loadMs[row]);
    }
    AppendFormat(&text,
                 "}, \"startMs\": %.4f, \"musicMs\": %.4f, \"firstFrameMs\": %.4f, "
                 "\"totalMs\": %.4f},\n",
                 startup.startMs, startup.musicMs, startup.firstFrameMs, startup.totalMs);
    text += "  \"floor\": {";
    AppendStatsJson(&text, report.floor);
    text += "},\n  \"scenes\": [";
    for (size_t i = 0; i < report.scenes.size(); ++i) {
        const SceneCost& scene = report.scenes[i];
        AppendFormat(&text, "%s\n    {\"row\": %d, \"name\": \"%s\", \"sceneTimeStep\": %.6f, ",
                     i > 0 ? "," : "", scene.row, scene.name.c_str(), scene.sceneTimeStep);
        AppendStatsJson(&text, scene.stats);
        AppendFormat(&text, ", \"vsFloor\": %.4f, \"counters\": {", scene.vsFloor);
        for (size_t c = 0; c < scene.counters.size(); ++c) {
            AppendFormat(&text, "%s\"%s\": %.4f", c > 0 ? ", " : "", scene.counters[c].name.c_str(),
                         scene.counters[c].perFrame);
        }
        text += "}}";
    }
    AppendFormat(&text, "\n  ],\n  \"peakRssKb\": %lld\n}\n",
                 static_cast<long long>(report.peakRssKb));
    return text;
}
