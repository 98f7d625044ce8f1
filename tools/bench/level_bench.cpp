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
#include "shell/demo.h"
#include "shell/display.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
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

void MeasureLevelBuild(const char* path, std::vector<BenchStep>* steps) {
    steps->push_back({"level read file", "read_file", TimeStep([&] {
                          uint8_t* buffer = nullptr;
                          ReadWholeFile(path, &buffer);
                          std::free(buffer);
                      })});
    steps->push_back({"level LoadBSPFile", "load_bsp_file", TimeStep([&] { LoadBSPFile(path); })});
    steps->push_back({"level textures", "textures", TimeStep([] {
                          if (LoadLevelTextures() != 0) {
                              FatalError("error loading textures");
                          }
                      })});
    steps->push_back({"level tex coords", "tex_coords", TimeStep(ComputeFaceTexCoords)});
    steps->push_back({"level lightmaps", "lightmaps", TimeStep([] {
                          if (BspData.lightDataSize != 0) {
                              BuildLightmaps();
                          } else {
                              ClearFaceLightmaps();
                          }
                      })});
    AllocVisibilityArrays();
}

const char* ShowLevelPath() {
    return "bsp/qorldm1.bsp";
}

// The centre and the half sizes of model 0's bounds.
static void LevelBox(float centre[3], float half[3]) {
    const BspModel& world = BspData.models[0];
    for (int i = 0; i < 3; ++i) {
        centre[i] = (world.mins[i] + world.maxs[i]) / 2.0f;
        half[i] = (world.maxs[i] - world.mins[i]) / 2.0f;
    }
}

static float Dot(const float a[3], const float b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

bool OutsideEye(float eye[3]) {
    float centre[3];
    float half[3];
    LevelBox(centre, half);
    // Down onto the level from beyond a corner, at the nearest distance that
    // keeps all eight corners of the box inside the 90-degree view (4:3)
    // looking at its centre. The view's axes are those of a look-at camera
    // with y up.
    const float direction[3] = {-0.48f, -0.6f, 0.64f}; // unit length
    const float forward[3] = {-direction[0], -direction[1], -direction[2]};
    float right[3] = {-forward[2], 0.0f, forward[0]}; // forward x (0, 1, 0)
    float length = std::sqrt(Dot(right, right));
    for (float& r : right) {
        r /= length;
    }
    const float up[3] = {right[1] * forward[2] - right[2] * forward[1],
                         right[2] * forward[0] - right[0] * forward[2],
                         right[0] * forward[1] - right[1] * forward[0]};
    const float tanY = 1.0f; // tan 45 degrees
    const float tanX = tanY * static_cast<float>(ScreenWidth) / static_cast<float>(ScreenHeight);
    const float nearPlane = 4.0f;
    const float farPlane = 4096.0f;
    float distance = 2.0f * nearPlane;
    float deepest = 0.0f; // farthest corner beyond the centre
    for (int corner = 0; corner < 8; ++corner) {
        float offset[3];
        for (int i = 0; i < 3; ++i) {
            offset[i] = (corner >> i & 1) != 0 ? half[i] : -half[i];
        }
        float depth = Dot(offset, forward);
        deepest = std::max(deepest, depth);
        distance =
            std::max({distance, std::fabs(Dot(offset, up)) / tanY - depth,
                      std::fabs(Dot(offset, right)) / tanX - depth, 2.0f * nearPlane - depth});
    }
    distance *= 1.02f;
    for (int i = 0; i < 3; ++i) {
        eye[i] = centre[i] + direction[i] * distance;
    }
    return distance + deepest <= farPlane;
}

void StartLevelView(const float eye[3]) {
    float centre[3];
    float half[3];
    LevelBox(centre, half);
    LevelCamera = NewCamera();
    SetCameraPosition(LevelCamera, eye[0], eye[1], eye[2]);
    SetCameraTarget(LevelCamera, centre[0], centre[1], centre[2]);
    SetCameraFieldOfView(LevelCamera, 90.0f);
    SetCameraAspect(LevelCamera,
                    static_cast<float>(ScreenWidth) / static_cast<float>(ScreenHeight));
    LevelCamera->lookAtMode = 1;
    UploadLevelTextures();
    if (BspData.lightDataSize != 0) {
        UploadLightmaps();
    }
    StartLevelDrawing();
}

void DrawLevelViewFrame(float) {
    DrawLevelView();
    SwapBuffers(DeviceContext);
}

void EndLevelView() {
    DisableMultitexture();
    FreeCamera(LevelCamera);
    LevelCamera = nullptr;
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
    // From 52 s the scene no longer draws the level (a level file's view
    // is sampled at 0).
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

void SummarizeLevelFrames(double medianFrameMs, LevelFrameCounts* counts) {
    if (Samples.empty()) {
        return;
    }
    struct Field {
        CountRange LevelFrameCounts::*range;
        int32_t LevelStats::*member;
    };
    const Field fields[] = {
        {&LevelFrameCounts::leafsVisible, &LevelStats::leafsVisible},
        {&LevelFrameCounts::facesMarked, &LevelStats::facesMarked},
        {&LevelFrameCounts::facesDrawn, &LevelStats::facesDrawn},
        {&LevelFrameCounts::textureBinds, &LevelStats::textureBinds},
        {&LevelFrameCounts::lightmapBinds, &LevelStats::lightmapBinds},
    };
    for (const Field& field : fields) {
        std::vector<double> values;
        for (const LevelSample& sample : Samples) {
            values.push_back(sample.stats.*field.member);
        }
        counts->*field.range = {Median(values), *std::max_element(values.begin(), values.end())};
    }
    counts->frames = static_cast<int32_t>(Samples.size());
    counts->visibleSetRebuilds = Samples.back().stats.visibleSetRebuilds - RebuildsAtStart;
    std::vector<double> walks;
    std::vector<double> rebuildWalks;
    for (const LevelSample& sample : Samples) {
        walks.push_back(sample.walkMs);
        rebuildWalks.push_back(sample.rebuildWalkMs);
    }
    double walk = Median(walks);
    double rebuildWalk = Median(rebuildWalks);
    counts->ownWorkUs = 1000.0 * walk;
    counts->ownWorkRebuildUs = 1000.0 * rebuildWalk;
    if (medianFrameMs > 0.0) {
        counts->ownWorkPercent = 100.0 * walk / medianFrameMs;
        counts->ownWorkRebuildPercent = 100.0 * rebuildWalk / medianFrameMs;
    }
}
