// The level scene's share of the benchmark.
#include "tools/bench/level_bench.h"

#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/level_stats.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/surfaces.h"
#include "bsp/visibility.h"
#include "math/camera.h"
#include "scenes/level_scene.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

struct LevelSample {
    LevelStats stats;
    double walkMs;        // the frame's walk with the visible set kept
    double rebuildWalkMs; // the same walk with the set rebuilt
};

std::vector<LevelSample> Samples;
int32_t RebuildsAtStart;

template <typename Step> double TimeStep(Step step) {
    Clock::time_point start = Clock::now();
    step();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

void MeasureLevelBuild(std::vector<BenchStep>* steps) {
    const char* path = "bsp/qorldm1.bsp";
    steps->push_back({"level read file", TimeStep([&] {
                          uint8_t* buffer = nullptr;
                          ReadWholeFile(path, &buffer);
                          std::free(buffer);
                      })});
    steps->push_back({"level LoadBSPFile", TimeStep([&] { LoadBSPFile(path); })});
    steps->push_back({"level textures", TimeStep([] {
                          if (LoadLevelTextures() != 0) {
                              FatalError("error loading textures");
                          }
                      })});
    steps->push_back({"level tex coords", TimeStep(ComputeFaceTexCoords)});
    steps->push_back({"level lightmaps", TimeStep([] {
                          if (BspData.lightDataSize != 0) {
                              BuildLightmaps();
                          } else {
                              ClearFaceLightmaps();
                          }
                      })});
    AllocVisibilityArrays();
}

bool IsLevelSceneRow(int32_t row) {
    return SceneTable[row].frame == LevelSceneFrame;
}

void BeginLevelSampling() {
    Samples.clear();
    Samples.reserve(4096);
    RebuildsAtStart = GetLevelStats()->visibleSetRebuilds;
}

void SampleLevelFrame(float t) {
    // From 52 s the scene no longer draws the level.
    if (t >= 52.0f || LevelCamera == nullptr) {
        return;
    }
    LevelSample sample{};
    sample.stats = *GetLevelStats();
    // The extra walks must not count as the show's work. The first one only
    // brings the level's data back into the caches after the drawing.
    ChainVisibleLevelFaces();
    sample.walkMs = TimeStep(ChainVisibleLevelFaces);
    ForgetViewLeaf();
    sample.rebuildWalkMs = TimeStep(ChainVisibleLevelFaces);
    *GetLevelStats() = sample.stats;
    Samples.push_back(sample);
}

void AppendLevelCounters(double medianFrameMs, std::vector<BenchCounter>* counters) {
    if (Samples.empty()) {
        return;
    }
    struct Field {
        const char* name;
        int32_t LevelStats::*member;
    };
    const Field fields[] = {
        {"leafs visible", &LevelStats::leafsVisible},
        {"faces marked", &LevelStats::facesMarked},
        {"faces drawn", &LevelStats::facesDrawn},
        {"texture binds", &LevelStats::textureBinds},
        {"lightmap binds", &LevelStats::lightmapBinds},
    };
    for (const Field& field : fields) {
        std::vector<double> values;
        for (const LevelSample& sample : Samples) {
            values.push_back(sample.stats.*field.member);
        }
        counters->push_back({std::string(field.name) + ", median,", Median(values)});
        counters->push_back({std::string(field.name) + ", maximum,",
                             *std::max_element(values.begin(), values.end())});
    }
    int32_t rebuilds = Samples.back().stats.visibleSetRebuilds - RebuildsAtStart;
    double frames = static_cast<double>(Samples.size());
    counters->push_back({"visible set rebuilds (" + std::to_string(rebuilds) + " in " +
                             std::to_string(Samples.size()) + " level frames)",
                         rebuilds / frames});
    std::vector<double> walks;
    std::vector<double> rebuildWalks;
    for (const LevelSample& sample : Samples) {
        walks.push_back(sample.walkMs);
        rebuildWalks.push_back(sample.rebuildWalkMs);
    }
    // The program's own work: finding the leaf, marking, walking, chaining.
    double walk = Median(walks);
    double rebuildWalk = Median(rebuildWalks);
    counters->push_back({"own work in microseconds, median,", 1000.0 * walk});
    counters->push_back({"own work with a rebuild in microseconds, median,", 1000.0 * rebuildWalk});
    if (medianFrameMs > 0.0) {
        counters->push_back({"own work in % of the median frame,", 100.0 * walk / medianFrameMs});
        counters->push_back({"own work with a rebuild in % of the median frame,",
                             100.0 * rebuildWalk / medianFrameMs});
    }
}
