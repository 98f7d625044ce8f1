// Measuring how long the show takes to start and how fast each scene draws.
#include "tools/bench/bench.h"

#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/music.h"
#include "tools/bench/level_bench.h"

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

// Warm-up and measured frames of draw, each one step of SceneTime after the
// one before; level frames are sampled when level is set. Stops early when
// the scene ends the show itself.
void MeasureFrames(SceneCost* cost, int32_t frames, bool level, void (*draw)(float)) {
    int32_t passes = BenchWarmupFrames + frames;
    SceneTime = 0.0f;
    QuitRequested = 0;
    std::vector<double> costs;
    BeginLevelSampling();
    for (int32_t i = 0; i < passes && !QuitRequested; ++i) {
        SceneTime = cost->sceneTimeStep * static_cast<float>(i + 1);
        double ms = TimeFrame([&] { draw(cost->sceneTimeStep); });
        if (i >= BenchWarmupFrames) {
            costs.push_back(ms);
            if (level) {
                SampleLevelFrame(cost->sceneTimeStep == 0.0f ? 0.0f : SceneTime);
            }
        }
    }
    QuitRequested = 0;
    cost->stats = SummarizeFrames(costs);
    if (level) {
        SummarizeLevelFrames(cost->stats.medianMs, &cost->level);
    }
}

// Frames row from its start, spread evenly over the row's duration.
SceneCost MeasureScene(int32_t row, int32_t frames, bool started) {
    const SceneEntry& entry = SceneTable[row];
    SceneCost cost;
    cost.row = row;
    cost.name = SceneNames[row];
    cost.sceneTimeStep = entry.duration / static_cast<float>(BenchWarmupFrames + frames + 1);
    if (!started) {
        entry.start();
    }
    MeasureFrames(&cost, frames, IsLevelSceneRow(row), entry.frame);
    if (entry.end != nullptr) {
        entry.end();
    }
    return cost;
}

// The level file from a fixed camera: every frame shows the same picture.
SceneCost MeasureLevelView(const float eye[3], int32_t frames) {
    SceneCost cost;
    cost.row = -1;
    cost.name = "level view";
    StartLevelView(eye);
    MeasureFrames(&cost, frames, true, DrawLevelViewFrame);
    EndLevelView();
    return cost;
}

// Three comma-separated numbers.
bool ReadPoint(const char* text, float point[3]) {
    const char* at = text;
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        errno = 0;
        float value = std::strtof(at, &end);
        if (end == at || errno != 0 || !std::isfinite(value)) {
            return false;
        }
        point[i] = value;
        if (*end != (i < 2 ? ',' : '\0')) {
            return false;
        }
        at = end + 1;
    }
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
                 "\"frames\": %d, \"median_ms\": %.4f, \"p99_ms\": %.4f, \"mean_ms\": %.4f, "
                 "\"median_fps\": %.2f, \"low_fps\": %.2f, \"mean_fps\": %.2f",
                 stats.frames, stats.medianMs, stats.p99Ms, stats.meanMs, stats.medianFps,
                 stats.lowFps, stats.meanFps);
}

void AppendStatsRow(std::string* text, const char* name, const FrameStats& stats, double vsFloor,
                    double p99VsFloor) {
    AppendFormat(text, "  %-10s %7d %10.3f %10.3f %10.1f %10.1f %10.1f %8.2f %8.2f\n", name,
                 stats.frames, stats.medianMs, stats.p99Ms, stats.medianFps, stats.lowFps,
                 stats.meanFps, vsFloor, p99VsFloor);
}

// Every row against the floor, the peak memory, and back to the folder the
// bench started in.
void FinishReport(const fs::path& home, BenchReport* report) {
    double floor = report->floor.medianMs;
    for (SceneCost& scene : report->scenes) {
        scene.vsFloor = floor > 0.0 ? scene.stats.medianMs / floor : 0.0;
        scene.p99VsFloor = floor > 0.0 ? scene.stats.p99Ms / floor : 0.0;
    }
    fs::current_path(home);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    report->peakRssKb = usage.ru_maxrss; // kilobytes on Linux
}

} // namespace

const char* BenchSceneName(int32_t row) {
    return SceneNames[row];
}

// The options of the bench alone.
static const char* BenchUsageHead() {
    return "usage: tessaline-bench [options]\n"
           "  --data DIR     read the data files in DIR (default: the working directory)\n"
           "  --frames N     measured frames a scene, 1 to 100000 (default 240)\n"
           "  --scene N      measure only row N: 0 titles, 1 object, 2 swirl, 3 level\n"
           "  --json         print one JSON object instead of the table\n"
           "  --level FILE   measure the level in FILE from a fixed camera instead of the\n"
           "                 show (palette bsp/palette.lmp from the data folder)\n"
           "  --eye X,Y,Z    with --level: the camera's position (default: outside the\n"
           "                 level, seeing all of it); it looks at the level's centre\n";
}

const char* BenchUsage() {
    static const std::string text = std::string(BenchUsageHead()) +
                                    PictureOptionsUsage(BenchPictureOptions) +
                                    "  --help         this text\n";
    return text.c_str();
}

bool ParseBenchOptions(int argc, const char* const* argv, BenchOptions* options,
                       std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (std::strcmp(name, "--json") == 0) {
            options->json = true;
            continue;
        }
        switch (TakePictureOption(argc, argv, &i, BenchPictureOptions, &options->picture, error)) {
        case PictureOptionResult::Taken:
            continue;
        case PictureOptionResult::Bad:
            return false;
        case PictureOptionResult::NotPictureOption:
            break;
        }
        if (std::strcmp(name, "--data") != 0 && std::strcmp(name, "--frames") != 0 &&
            std::strcmp(name, "--scene") != 0 && std::strcmp(name, "--level") != 0 &&
            std::strcmp(name, "--eye") != 0) {
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
            good = ReadWholeNumber(value, 1, 100000, &options->frames);
        } else if (std::strcmp(name, "--level") == 0) {
            options->levelFile = value;
            good = *value != '\0';
        } else if (std::strcmp(name, "--eye") == 0) {
            good = ReadPoint(value, options->eye);
            options->eyeGiven = true;
        } else {
            good = ReadWholeNumber(value, 0, SceneCount - 1, &options->scene);
        }
        if (!good) {
            *error = std::string("bad value for ") + name + ": \"" + value + "\"";
            return false;
        }
    }
    if (options->eyeGiven && options->levelFile.empty()) {
        *error = "--eye needs --level";
        return false;
    }
    if (!options->levelFile.empty() && options->scene >= 0) {
        *error = "--scene and --level exclude each other";
        return false;
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

// The level file's build and frames in place of the show's scenes; the
// display is open.
void MeasureLevelFile(const BenchOptions& options, const std::string& path, BenchReport* report) {
    report->levelFile = path;
    MeasureLevelBuild(path.c_str(), &report->startup.levelBuild);
    if (options.eyeGiven) {
        std::copy(options.eye, options.eye + 3, report->eye);
    } else if (!OutsideEye(report->eye)) {
        std::fprintf(stderr, "tessaline-bench: the level is too large to be seen whole: the far "
                             "plane cuts it\n");
    }
    report->floor = MeasureFloor(options.frames);
    report->scenes.push_back(MeasureLevelView(report->eye, options.frames));
}

bool MeasureShow(const BenchOptions& options, Clock::time_point processStart, BenchReport* report) {
    fs::path home = fs::current_path();
    // Named from where the bench started, read from inside the data folder.
    std::string levelPath = options.levelFile.empty()
                                ? ""
                                : fs::absolute(options.levelFile).lexically_normal().string();
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
    ApplyPictureOptions(options.picture);
    Clock::time_point start = Clock::now();
    OpenDisplay(true);
    report->pictureWidth = PicturePixelWidth();
    report->pictureHeight = PicturePixelHeight();
    startup.displayMs = MillisecondsSince(start);
    if (!levelPath.empty()) {
        MeasureLevelFile(options, levelPath, report);
        ShutdownDisplay();
        PlatformQuit();
        FinishReport(home, report);
        return true;
    }
    ScenePosition = 0;
    SceneTime = 0.0f;
    FillSceneTable();
    for (int32_t row = 0; row < SceneCount; ++row) {
        start = Clock::now();
        SceneTable[row].load();
        startup.loadMs[row] = MillisecondsSince(start);
        if (IsLevelSceneRow(row)) {
            MeasureLevelBuild(ShowLevelPath(), &startup.levelBuild);
        }
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
        report->scenes.push_back(MeasureScene(row, options.frames, row == 0 && firstStarted));
    }

    ShutdownDisplay();
    FreeMusic();
    PlatformQuit();
    FinishReport(home, report);
    return true;
}

std::string FormatBenchTable(const BenchReport& report) {
    std::string text;
    const StartupCost& startup = report.startup;
    bool show = report.levelFile.empty();
    if (!show) {
        AppendFormat(&text,
                     "level file: %s\neye: %.1f, %.1f, %.1f (looking at the level's centre)\n\n",
                     report.levelFile.c_str(), report.eye[0], report.eye[1], report.eye[2]);
    }
    AppendFormat(&text, "start-up                      ms\n");
    AppendFormat(&text, "  display               %8.2f\n", startup.displayMs);
    for (int32_t row = 0; show && row < SceneCount; ++row) {
        AppendFormat(&text, "  load %-16s %8.2f\n", SceneNames[row], startup.loadMs[row]);
    }
    for (const BenchStep& step : startup.levelBuild) {
        AppendFormat(&text, "    %-20s %8.2f\n", step.name.c_str(), step.ms);
    }
    if (show) {
        AppendFormat(&text, "  start %-15s %8.2f\n", SceneNames[0], startup.startMs);
        AppendFormat(&text, "  music                 %8.2f\n", startup.musicMs);
        AppendFormat(&text, "  first frame           %8.2f\n", startup.firstFrameMs);
        AppendFormat(&text, "  total                 %8.2f  (program start to first frame)\n",
                     startup.totalMs);
    }
    AppendFormat(&text, "\npicture %d x %d\n", report.pictureWidth, report.pictureHeight);
    AppendFormat(&text,
                 "\nframes (%d measured after %d warm-up)\n"
                 "  %-10s %7s %10s %10s %10s %10s %10s %8s %8s\n",
                 report.frames, BenchWarmupFrames, "", "frames", "median ms", "p99 ms",
                 "median fps", "1% low fps", "mean fps", "x floor", "p99 x fl");
    AppendStatsRow(&text, "floor", report.floor, 1.0,
                   report.floor.medianMs > 0.0 ? report.floor.p99Ms / report.floor.medianMs : 0.0);
    for (const SceneCost& scene : report.scenes) {
        AppendStatsRow(&text, scene.name.c_str(), scene.stats, scene.vsFloor, scene.p99VsFloor);
        const LevelFrameCounts& level = scene.level;
        if (level.frames == 0) {
            continue;
        }
        const std::pair<const char*, CountRange> ranges[] = {
            {"leafs visible", level.leafsVisible},
            {"faces marked", level.facesMarked},
            {"faces drawn", level.facesDrawn},
            {"texture binds", level.textureBinds},
            {"lightmap binds", level.lightmapBinds}};
        for (const auto& [name, range] : ranges) {
            AppendFormat(&text, "    %-15s per frame: median %.1f, max %.0f\n", name, range.median,
                         range.max);
        }
        AppendFormat(&text, "    visible set rebuilds: %d in %d level frames\n",
                     level.visibleSetRebuilds, level.frames);
        AppendFormat(&text,
                     "    own work (leaf, marking, walk, chains), median: %.1f us = %.2f %% of "
                     "the median frame;\n      with the visible set rebuilt: %.1f us = %.2f %%\n",
                     level.ownWorkUs, level.ownWorkPercent, level.ownWorkRebuildUs,
                     level.ownWorkRebuildPercent);
    }
    AppendFormat(&text, "\npeak resident memory: %.1f MB\n",
                 static_cast<double>(report.peakRssKb) / 1024.0);
    return text;
}

// A JSON string literal.
static std::string JsonString(const std::string& value) {
    std::string text = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            AppendFormat(&text, "\\u%04x", c);
        } else {
            text += c;
        }
    }
    return text + "\"";
}

static void AppendLevelJson(std::string* text, const LevelFrameCounts& level) {
    AppendFormat(text, "\"level\": {\"frames\": %d, ", level.frames);
    const std::pair<const char*, CountRange> ranges[] = {{"leafs_visible", level.leafsVisible},
                                                         {"faces_marked", level.facesMarked},
                                                         {"faces_drawn", level.facesDrawn},
                                                         {"texture_binds", level.textureBinds},
                                                         {"lightmap_binds", level.lightmapBinds}};
    for (const auto& [name, range] : ranges) {
        AppendFormat(text, "\"%s\": {\"median\": %.1f, \"max\": %.0f}, ", name, range.median,
                     range.max);
    }
    AppendFormat(text,
                 "\"visible_set_rebuilds\": %d, \"own_work_us\": %.2f, \"own_work_percent\": "
                 "%.3f, \"own_work_rebuild_us\": %.2f, \"own_work_rebuild_percent\": %.3f}",
                 level.visibleSetRebuilds, level.ownWorkUs, level.ownWorkPercent,
                 level.ownWorkRebuildUs, level.ownWorkRebuildPercent);
}

std::string FormatBenchJson(const BenchReport& report) {
    std::string text;
    const StartupCost& startup = report.startup;
    bool show = report.levelFile.empty();
    AppendFormat(&text, "{\n  \"frames\": %d,\n  \"warmup_frames\": %d,\n", report.frames,
                 BenchWarmupFrames);
    AppendFormat(&text, "  \"picture_width\": %d,\n  \"picture_height\": %d,\n",
                 report.pictureWidth, report.pictureHeight);
    if (show) {
        text += "  \"level_file\": null,\n  \"eye\": null,\n";
    } else {
        AppendFormat(&text, "  \"level_file\": %s,\n  \"eye\": [%.3f, %.3f, %.3f],\n",
                     JsonString(report.levelFile).c_str(), report.eye[0], report.eye[1],
                     report.eye[2]);
    }
    AppendFormat(&text, "  \"startup\": {\"display_ms\": %.4f", startup.displayMs);
    if (show) {
        text += ", \"load_ms\": {";
        for (int32_t row = 0; row < SceneCount; ++row) {
            AppendFormat(&text, "%s\"%s\": %.4f", row > 0 ? ", " : "", SceneNames[row],
                         startup.loadMs[row]);
        }
        text += "}";
    }
    text += ", \"level_build_ms\": {";
    for (size_t i = 0; i < startup.levelBuild.size(); ++i) {
        AppendFormat(&text, "%s\"%s\": %.4f", i > 0 ? ", " : "", startup.levelBuild[i].key.c_str(),
                     startup.levelBuild[i].ms);
    }
    text += "}";
    if (show) {
        AppendFormat(&text,
                     ", \"start_ms\": %.4f, \"music_ms\": %.4f, \"first_frame_ms\": %.4f, "
                     "\"total_ms\": %.4f",
                     startup.startMs, startup.musicMs, startup.firstFrameMs, startup.totalMs);
    }
    text += "},\n  \"floor\": {";
    AppendStatsJson(&text, report.floor);
    text += "},\n  \"scenes\": [";
    for (size_t i = 0; i < report.scenes.size(); ++i) {
        const SceneCost& scene = report.scenes[i];
        AppendFormat(&text, "%s\n    {", i > 0 ? "," : "");
        if (scene.row >= 0) {
            AppendFormat(&text, "\"row\": %d, ", scene.row);
        } else {
            text += "\"row\": null, ";
        }
        AppendFormat(&text, "\"name\": %s, \"scene_time_step\": %.6f, ",
                     JsonString(scene.name).c_str(), scene.sceneTimeStep);
        AppendStatsJson(&text, scene.stats);
        AppendFormat(&text, ", \"vs_floor\": %.4f, \"p99_vs_floor\": %.4f, ", scene.vsFloor,
                     scene.p99VsFloor);
        if (scene.level.frames > 0) {
            AppendLevelJson(&text, scene.level);
        } else {
            text += "\"level\": null";
        }
        text += "}";
    }
    AppendFormat(&text, "\n  ],\n  \"peak_rss_kb\": %lld\n}\n",
                 static_cast<long long>(report.peakRssKb));
    return text;
}
