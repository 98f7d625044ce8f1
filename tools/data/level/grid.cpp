// The level as a grid of cells (see grid.h).
#include "tools/data/level/grid.h"

#include <algorithm>
#include <cassert>

// Grid lines this far outside the layout keep a layer of solid all round.
static constexpr int32_t BorderWidth = 64;

// The first cell whose lower grid line is at or above value (cells lie
// between coords[i] and coords[i + 1]).
static int32_t CellAt(const std::vector<int32_t>& coords, int32_t value) {
    auto it = std::lower_bound(coords.begin(), coords.end(), value);
    assert(it != coords.end() && *it == value);
    return static_cast<int32_t>(it - coords.begin());
}

LevelGrid BuildLevelGrid(const LevelLayout& layout) {
    LevelGrid grid;
    assert(!layout.ops.empty());
    for (int a = 0; a < 3; ++a) {
        std::vector<int32_t>& coords = grid.coords[a];
        for (const LayoutOp& op : layout.ops) {
            assert(op.box.mins[a] < op.box.maxs[a]);
            assert(op.box.mins[a] % 16 == 0 && op.box.maxs[a] % 16 == 0);
            coords.push_back(op.box.mins[a]);
            coords.push_back(op.box.maxs[a]);
        }
        auto [low, high] = std::minmax_element(coords.begin(), coords.end());
        int32_t outerLow = *low - BorderWidth;
        int32_t outerHigh = *high + BorderWidth;
        coords.push_back(outerLow);
        coords.push_back(outerHigh);
        for (int32_t cut = outerLow / GridCutSize * GridCutSize; cut < outerHigh;
             cut += GridCutSize) {
            if (cut > outerLow) {
                coords.push_back(cut);
            }
        }
        std::sort(coords.begin(), coords.end());
        coords.erase(std::unique(coords.begin(), coords.end()), coords.end());
        grid.cells[a] = static_cast<int32_t>(coords.size()) - 1;
    }
    size_t count = static_cast<size_t>(grid.cells[0]) * grid.cells[1] * grid.cells[2];
    grid.solid.assign(count, 1);
    grid.style.assign(count, StylePlain);
    for (const LayoutOp& op : layout.ops) {
        int32_t lo[3];
        int32_t hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = CellAt(grid.coords[a], op.box.mins[a]);
            hi[a] = CellAt(grid.coords[a], op.box.maxs[a]);
        }
        for (int32_t k = lo[2]; k < hi[2]; ++k) {
            for (int32_t j = lo[1]; j < hi[1]; ++j) {
                for (int32_t i = lo[0]; i < hi[0]; ++i) {
                    size_t cell = CellIndex(grid, i, j, k);
                    if (op.kind == OpCarve) {
                        grid.solid[cell] = 0;
                    } else if (op.kind == OpFill) {
                        grid.solid[cell] = 1;
                        grid.style[cell] = op.style;
                    } else if (grid.solid[cell]) {
                        grid.style[cell] = op.style;
                    }
                }
            }
        }
    }
    return grid;
}

bool IsCellSolid(const LevelGrid& grid, int32_t i, int32_t j, int32_t k) {
    if (i < 0 || j < 0 || k < 0 || i >= grid.cells[0] || j >= grid.cells[1] || k >= grid.cells[2]) {
        return true;
    }
    return grid.solid[CellIndex(grid, i, j, k)] != 0;
}
