// A large level for measuring the level's drawing: a block of rooms whose
// walls, floors and ceilings are cut into 64-unit squares, tens of thousands
// of faces with their lightmaps spread over dozens of pages, as real levels
// from map compilers spread them. It is never part of the show's data.
//
// No state. The rooms fill a box from the origin to rooms x roomSize; every
// room is one open leaf that sees every other; leaf 0 is the solid outside.
// The tree splits the block between rooms and carries each room's walls on
// the plane between them (the two sides back to back), wrapped in six nodes
// for the outer walls. Faces are stored node by node, so a texture's faces
// (eight textures, by room and wall) land on lightmap pages far apart.
#pragma once

#include "bsp/bsp_write.h"

#include <cstdint>
#include <vector>

struct LargeLevelShape {
    int32_t rooms[3] = {10, 10, 3};        // rooms along x, y and z (storeys)
    int32_t roomSize[3] = {256, 256, 192}; // units, multiples of 64
};

// Every record of the level, ready for RecordLumps.
BspRecords MakeLargeLevel(const LargeLevelShape& shape);

// The level file's bytes.
std::vector<uint8_t> MakeLargeLevelFile(const LargeLevelShape& shape);
