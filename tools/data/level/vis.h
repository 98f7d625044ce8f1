// Potentially visible sets for a level made of axis-aligned open boxes.
//
// The open space is the union of the leaf boxes (integer corners, disjoint
// interiors); everything else is solid. Two boxes that share a face region of
// positive area are joined by a portal there; boxes meeting only along an edge
// or at a corner are not. A leaf's set holds every leaf that some straight
// segment inside the open space reaches from some point of the leaf: the sets
// may hold more than that, never less, and they are symmetric. No state is
// kept between calls and nothing is printed.
#pragma once

#include <cstdint>
#include <vector>

struct LeafBox {
    int32_t mins[3];
    int32_t maxs[3];
};

struct LevelVisibility {
    // rows[i] is leaf i + 1's set, uncompressed, (n + 7) / 8 bytes: leaf j + 1
    // is bit j & 7 of byte j >> 3.
    std::vector<std::vector<uint8_t>> rows;
    int32_t portalCount; // touching pairs of boxes
};

// The visible sets of the open leafs boxes[0 … n−1], which the level file
// numbers 1 … n. Every leaf sees itself. Deterministic for a given input.
LevelVisibility ComputeLevelVisibility(const std::vector<LeafBox>& boxes);

// One row compressed the way the program reads it back: a non-zero byte
// stands for itself (eight leafs' bits); a zero byte is followed by a count
// byte (1 … 255) of zero bytes that the pair stands for.
std::vector<uint8_t> CompressVisRow(const std::vector<uint8_t>& row);
