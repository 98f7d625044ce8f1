// The show's level: compiles the layout into "bsp/qorldm1.bsp" and writes
// its palette "bsp/palette.lmp", with one progress line per stage.
#pragma once

#include "tools/data/level_layout.h"

#include <string>

// The nearest the flythrough's camera comes to solid space over one loop of
// the track, level units, and the track time (seconds) where it does.
struct TrackClearance {
    double distance;
    double time;
};

struct LevelTree;
// Samples the compiled-in camera track every 10 ms over its whole loop.
TrackClearance MeasureTrackClearance(const LevelTree& tree);

// Builds the level and writes both files under dir.
void WriteLevelFiles(const std::string& dir);
