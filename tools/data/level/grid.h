// The level as a grid of cells: every distinct box coordinate of the layout
// on each axis becomes a grid line, so each cell is wholly open or wholly
// solid, and a solid cell has one surface style.
//
// No state. The outermost layer of cells is always solid (the layout's boxes
// lie strictly inside the grid), so the open space is sealed. Every multiple
// of GridCutSize inside the grid is a grid line too, so no cell is longer.
#pragma once

#include "tools/data/level/layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Level units between the grid lines that cut long cells.
constexpr int32_t GridCutSize = 256;

struct LevelGrid {
    std::vector<int32_t> coords[3]; // sorted grid lines per axis, level units
    int32_t cells[3];               // coords[a].size() - 1
    std::vector<uint8_t> solid;     // one per cell, x fastest, then y, then z
    std::vector<uint8_t> style;     // LevelSurfaceStyle of each solid cell
};

// Applies the layout's operations, in order, to a world of plain solid.
LevelGrid BuildLevelGrid(const LevelLayout& layout);

// The index of cell (i, j, k) in solid and style.
inline std::size_t CellIndex(const LevelGrid& grid, int32_t i, int32_t j, int32_t k) {
    return (static_cast<std::size_t>(k) * grid.cells[1] + j) * grid.cells[0] + i;
}

// Whether cell (i, j, k) is solid; cells outside the grid are.
bool IsCellSolid(const LevelGrid& grid, int32_t i, int32_t j, int32_t k);
