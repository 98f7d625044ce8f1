// The show's level: compiles the layout into "bsp/qorldm1.bsp" and writes
// its palette "bsp/palette.lmp", with one progress line per stage.
#pragma once

#include "tools/data/level/layout.h"

#include <cstdint>
#include <string>
#include <vector>

// The nearest the flythrough's camera comes to solid space over one loop of
// the track, level units, and the track time (seconds) where it does.
struct TrackClearance {
    double distance;
    double time;
};

struct LevelTree;
// Samples the compiled-in camera track every 10 ms over its whole loop.
TrackClearance MeasureTrackClearance(const LevelTree& tree);

struct LevelBuild {
    std::vector<uint8_t> file;    // "bsp/qorldm1.bsp"
    std::vector<uint8_t> palette; // "bsp/palette.lmp", 768 bytes
};

// Compiles the show's level, printing one progress line per stage. A camera
// track that comes closer than 32 units to solid anywhere ends the program
// through FatalError.
LevelBuild CompileShowLevel();

// Compiles the level and writes both files under dir.
void WriteLevelFiles(const std::string& dir);
