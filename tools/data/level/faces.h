// The level's faces: every place where an open leaf meets solid becomes a
// rectangle on the node plane that made that side of the leaf, textured by
// the solid cell's surface style and the face's orientation.
//
// No state. Faces come sorted by node (each node's faces are one run, as the
// file stores them), every face is a rectangle no longer than FaceMaxSize on
// either axis (so its lightmap stays within 17 x 17 samples), and no corner of
// any face lies inside another face's edge, so neighbouring faces share their
// edges exactly and leave no cracks when drawn.
#pragma once

#include "tools/data/level/tree.h"

#include <array>
#include <cstdint>
#include <vector>

// Faces are cut on multiples of this many level units.
constexpr int32_t FaceMaxSize = 256;

struct LevelFace {
    int32_t node; // the node whose plane holds the face
    int32_t leaf; // the open leaf it bounds
    int32_t axis; // the plane's axis; the plane is axis = coord
    int32_t coord;
    int32_t side;    // 0: the face looks to +axis (its node's front), 1: to -axis
    int32_t slot;    // texture slot
    int32_t mins[3]; // the rectangle, level units (mins[axis] = maxs[axis] = coord)
    int32_t maxs[3];
    // The four corners in order, counter-clockwise seen from the side it looks
    // to.
    std::vector<std::array<int32_t, 3>> points;
};

// All faces of the level, sorted by node.
std::vector<LevelFace> BuildLevelFaces(const LevelGrid& grid, const LevelTree& tree);

// The texture axes of a face on a plane of axis a: s = p . s[0..2] + s[3],
// likewise t, in texels. Walls keep t pointing down so textures stand upright.
void FaceTextureAxes(int32_t axis, float s[4], float t[4]);
