// Load-time checks of a level: every index the level code follows.
//
// No state. After CheckBspData returns, every plane, child, face, texinfo,
// surf edge, edge, vertex, mark surface and texture index in BspData lies
// inside its array, the tree below the root is a tree (no node reached twice),
// every texture's pixels lie inside the texture lump, the faces' vertices
// together stay within MaxFaceVertices and, when the level has visibility
// data, every leaf that its rows cover starts its row inside the lump (a row
// may still run past the lump's end: the decompression stops there). Faces
// may name absent texture slots; they are never drawn. Lightmap extents
// depend on the built texture coordinates and are checked where they are
// built.
#pragma once

#include <cstdint>

// Checks BspData (converted to host order); the first fault is fatal.
void CheckBspData();

// Most face vertices (edge counts summed over all faces) a level may have;
// one texture-coordinate record is built per face vertex. A level whose faces
// each own their surf edges never has more than the surf-edge lump's maximum.
constexpr int32_t MaxFaceVertices = 512000;

// The tree's root as a child value (>= 0 node, < 0 leaf).
int32_t BspRoot();

// The last leaf the visibility rows cover: rows hold bits for leafs 1 ...
// model 0's visLeafs (the world's leafs; other models' leafs follow them),
// never beyond the last leaf of the level.
int32_t VisibilityRowLeafs();
