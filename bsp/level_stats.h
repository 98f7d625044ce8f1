// Counters of the level's per-frame work, for the benchmark.
//
// Owns one record. BeginLevelFrame (surfaces.h) zeroes the per-frame fields;
// visibleSetRebuilds only grows until ResetLevelStats.
#pragma once

#include <cstdint>

struct LevelStats {
    int32_t leafsVisible;       // leafs that passed visibility and frustum this frame
    int32_t facesMarked;        // faces marked visible this frame (with repeats)
    int32_t facesDrawn;         // faces drawn this frame
    int32_t textureBinds;       // base textures bound this frame
    int32_t lightmapBinds;      // lightmap pages bound this frame
    int32_t visibleSetRebuilds; // view-leaf changes since ResetLevelStats
};

// The counters; the level code adds to them.
LevelStats* GetLevelStats();

// Zeroes the per-frame counters.
void ClearLevelFrameStats();

// Zeroes every counter.
void ResetLevelStats();
