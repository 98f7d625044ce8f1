// Counters of the level's per-frame work, for the benchmark.
#include "bsp/level_stats.h"

static LevelStats Stats;

LevelStats* GetLevelStats() {
    return &Stats;
}

void ClearLevelFrameStats() {
    int32_t rebuilds = Stats.visibleSetRebuilds;
    Stats = {};
    Stats.visibleSetRebuilds = rebuilds;
}

void ResetLevelStats() {
    Stats = {};
}
