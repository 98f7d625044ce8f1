// Test support: small levels built in code and turned into level files
// (also used by the fuzz seeds, so it needs nothing but the level records).
#pragma once

#include "bsp/bsp_file.h"
#include "bsp/bsp_write.h"

#include <cstdint>
#include <string>
#include <vector>

struct TestTexture {
    std::string name;
    uint32_t width;
    uint32_t height;
    uint8_t fill; // every palette index of the picture
    bool absent;  // the slot's offset is -1
};

// Every lump of a level; a lump in rawLumps (non-empty) replaces the records.
struct TestLevel : BspRecords {
    int32_t version = BspVersion;
    std::vector<uint8_t> rawLumps[BspLumpCount];
    bool useRaw[BspLumpCount] = {};
};

// The texture lump for these slots (pixels of each filled with its index).
std::vector<uint8_t> MakeTextureLump(const std::vector<TestTexture>& textures);

// A level of two rooms split by the plane x = 0, seen from above:
//   node 0: plane x = 0; front child leaf 1 (x >= 0), back child leaf 2.
//   leaf 0: the unused solid leaf; leafs 1 and 2 see each other.
//   faces 0 and 1: squares on the plane x = 0 from y, z = -64 ... 64, face 0
//   looking to the front (side 0), face 1 to the back (side 1); both on node
//   0 and in both leafs' mark surfaces; texture slot 0 ("wall", 16 x 16),
//   slot 1 absent; face 0 lit (one style 0, samples 100), face 1 with its own
//   lightmap (samples 50).
TestLevel MakeTwoRoomLevel();

// The level file's bytes: the header, then the lumps in index order.
std::vector<uint8_t> BuildLevelFile(const TestLevel& level);

// A palette whose entry i is (i, i, i).
struct Palette;
Palette GreyPalette();
