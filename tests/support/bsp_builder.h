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

// A level laid out the way a map compiler writes one, with everything such
// files hold that the two-room level does not. Seen from above, a front room
// (0 <= x <= 64) and a back room (x < 0), y and z from -64 to 64; points with
// x >= 64 fall into leaf 0, the outside.
//   Planes: axial ones, and non-axial ones of types 3, 4 and 5.
//   Models: 0 the world (nodes 0-5, leafs 0-6, faces 0-7, visLeafs 6); 1 a
//   door slab at 16 <= x <= 24 (nodes 6-7, leafs 7-9, faces 8-9); 2 a
//   platform at z = -40 (node 8, leafs 10-11, face 10). The other models'
//   leafs follow the world's; their visibility offsets are never read (leaf
//   9's points past the lump).
//   Leafs 1 and 2: the rooms (contents -1); 3 slime (-4), 4 sky (-6), 5
//   water (-3), 6 lava (-5), all corners of the front room. Visibility rows
//   hold bits for leafs 1-6 only, so leaf 6's row ends exactly at the lump's
//   end: leafs 1 and 3-5 see 1 and 3-6, leaf 2 sees itself, leaf 6 nothing.
//   Faces (world): 0 and 1 the wall x = 0 ("wall" 16 x 16, slot 0) facing
//   the front and the back; 2 lit and 3 unlit on an absent slot (1); 4 on
//   the slanted plane of type 3 ("brick" 64 x 48, slot 2) with the four
//   styles 0, 1, 32, 63 (samples 10: stored 185); 5 sky ("skyblue", slot 5)
//   and 6 water ("*pool", slot 4), texinfo flag 1 and no lightmap; 7 on
//   the plane of type 4 ("panel" 24 x 40, slot 3) with styles 1, 63
//   (samples 5: stored 55). Faces 8-10 ("door", slot 6) belong to models 1
//   and 2. Slot 7 is absent and unused.
//   Every picture that must never show (liquids, sky, door) is filled with
//   MarkerIndex; the world's are grey.
// Drawable world faces: 0, 1, 4 and 7.
TestLevel MakeCompiledLevel();

// The palette index MarkerPalette shows pure red.
constexpr uint8_t MarkerIndex = 250;

// The level file's bytes: the header, then the lumps in index order.
std::vector<uint8_t> BuildLevelFile(const TestLevel& level);

// A palette whose entry i is (i, i, i).
struct Palette;
Palette GreyPalette();

// GreyPalette with MarkerIndex pure red.
Palette MarkerPalette();
