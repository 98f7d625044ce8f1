// Load-time checks of a level: every index the level code follows.
//
// No state. After CheckBspData returns, every plane, child, face, texinfo,
// surf edge, edge, vertex, mark surface and texture index in BspData lies
// inside its array, the tree below the root is a tree (no node reached twice),
// every texture's pixels lie inside the texture lump and every leaf's
// visibility run stays inside the visibility lump. Lightmap extents depend on
// the built texture coordinates and are checked where they are built.
#pragma once

#include <cstdint>

// Checks BspData (converted to host order); the first fault is fatal.
void CheckBspData();

// The tree's root as a child value (>= 0 node, < 0 leaf).
int32_t BspRoot();
