// The level's BSP tree, built over the cell grid with axis-aligned planes
// only, so every leaf is a box: open leafs are boxes of open cells, and every
// solid region is the one shared solid leaf 0.
//
// No state. Node 0 is the root. A child c >= 0 is a node, c < 0 is leaf
// -(c + 1), the front child (coordinates >= the plane) first, as the level
// file stores them. Every side of an open leaf lies in the plane of exactly
// one node above it (the split that made that side), recorded in sideNodes.
#pragma once

#include "tools/data/level/grid.h"

#include <cstdint>
#include <vector>

struct TreeNode {
    int32_t axis;        // 0: x, 1: y, 2: z; the plane's normal is +axis
    int32_t coord;       // the plane is axis = coord, level units
    int32_t children[2]; // front, back
    int32_t mins[3];     // the node's region, level units
    int32_t maxs[3];
};

struct TreeLeaf {
    int32_t lo[3]; // cell ranges [lo, hi) of the box
    int32_t hi[3];
    int32_t mins[3]; // the box, level units
    int32_t maxs[3];
    // The node whose plane holds each side: 2a the low side on axis a,
    // 2a + 1 the high side.
    int32_t sideNodes[6];
};

struct TreeBox {
    int32_t mins[3];
    int32_t maxs[3];
};

struct LevelTree {
    std::vector<TreeNode> nodes;
    std::vector<TreeLeaf> leafs; // leafs[0] is the shared solid leaf (no box)
    std::vector<TreeBox> solids; // every solid region below the root
};

// Splits the grid until every region is wholly open or wholly solid.
LevelTree BuildLevelTree(const LevelGrid& grid);

// The leaf (0 for solid) that holds point p; a point on a plane goes front.
int32_t FindTreeLeaf(const LevelTree& tree, const double p[3]);

// Whether the segment from a to b passes through solid space.
bool SegmentHitsSolid(const LevelTree& tree, const double a[3], const double b[3]);

// Distance from p to the nearest solid region, level units.
double DistanceToSolid(const LevelTree& tree, const double p[3]);
