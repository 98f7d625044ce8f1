// The level's BSP tree (see tree.h).
//
// Each mixed region is split on the grid plane that lies on the most wall
// (area where open meets solid across the plane) and cuts the least open
// space (area where open meets open, which becomes a portal between leafs):
// score = wall - 2 * cut, ties going to the plane nearest the middle. Planes
// along walls keep the faces whole and end the recursion early; cutting
// open space only where it must keeps rooms and corridors in few leafs.
#include "tools/data/level/tree.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

struct CellRange {
    int32_t lo[3];
    int32_t hi[3];
};

struct TreeBuilder {
    const LevelGrid* grid;
    LevelTree* tree;
    std::vector<int32_t> openSums; // summed-volume table of open cells, (n + 1)^3

    int64_t SumIndex(int32_t i, int32_t j, int32_t k) const {
        return (static_cast<int64_t>(k) * (grid->cells[1] + 1) + j) * (grid->cells[0] + 1) + i;
    }

    void BuildSums() {
        int32_t nx = grid->cells[0];
        int32_t ny = grid->cells[1];
        int32_t nz = grid->cells[2];
        openSums.assign(static_cast<size_t>(nx + 1) * (ny + 1) * (nz + 1), 0);
        for (int32_t k = 1; k <= nz; ++k) {
            for (int32_t j = 1; j <= ny; ++j) {
                for (int32_t i = 1; i <= nx; ++i) {
                    int32_t open = grid->solid[CellIndex(*grid, i - 1, j - 1, k - 1)] ? 0 : 1;
                    openSums[SumIndex(i, j, k)] =
                        open + openSums[SumIndex(i - 1, j, k)] + openSums[SumIndex(i, j - 1, k)] +
                        openSums[SumIndex(i, j, k - 1)] - openSums[SumIndex(i - 1, j - 1, k)] -
                        openSums[SumIndex(i - 1, j, k - 1)] - openSums[SumIndex(i, j - 1, k - 1)] +
                        openSums[SumIndex(i - 1, j - 1, k - 1)];
                }
            }
        }
    }

    int64_t OpenCells(const CellRange& r) const {
        const int32_t* a = r.lo;
        const int32_t* b = r.hi;
        return static_cast<int64_t>(openSums[SumIndex(b[0], b[1], b[2])]) -
               openSums[SumIndex(a[0], b[1], b[2])] - openSums[SumIndex(b[0], a[1], b[2])] -
               openSums[SumIndex(b[0], b[1], a[2])] + openSums[SumIndex(a[0], a[1], b[2])] +
               openSums[SumIndex(a[0], b[1], a[2])] + openSums[SumIndex(b[0], a[1], a[2])] -
               openSums[SumIndex(a[0], a[1], a[2])];
    }

    bool Open(int32_t i, int32_t j, int32_t k) const {
        return grid->solid[CellIndex(*grid, i, j, k)] == 0;
    }

    // The best plane of a mixed region: axis and grid line index.
    void ChooseSplit(const CellRange& r, int32_t* bestAxis, int32_t* bestLine) const {
        double bestScore = -1e300;
        double bestOffCentre = 1e300;
        *bestAxis = -1;
        for (int32_t a = 0; a < 3; ++a) {
            if (r.hi[a] - r.lo[a] < 2) {
                continue;
            }
            int32_t u = (a + 1) % 3;
            int32_t v = (a + 2) % 3;
            std::vector<double> wall(r.hi[a] - r.lo[a], 0.0);
            std::vector<double> cut(r.hi[a] - r.lo[a], 0.0);
            for (int32_t cv = r.lo[v]; cv < r.hi[v]; ++cv) {
                for (int32_t cu = r.lo[u]; cu < r.hi[u]; ++cu) {
                    double area =
                        static_cast<double>(grid->coords[u][cu + 1] - grid->coords[u][cu]) *
                        (grid->coords[v][cv + 1] - grid->coords[v][cv]);
                    int32_t cell[3];
                    cell[u] = cu;
                    cell[v] = cv;
                    cell[a] = r.lo[a];
                    bool previous = Open(cell[0], cell[1], cell[2]);
                    for (int32_t line = r.lo[a] + 1; line < r.hi[a]; ++line) {
                        cell[a] = line;
                        bool open = Open(cell[0], cell[1], cell[2]);
                        if (open != previous) {
                            wall[line - r.lo[a]] += area;
                        } else if (open) {
                            cut[line - r.lo[a]] += area;
                        }
                        previous = open;
                    }
                }
            }
            double middle = 0.5 * (grid->coords[a][r.lo[a]] + grid->coords[a][r.hi[a]]);
            for (int32_t line = r.lo[a] + 1; line < r.hi[a]; ++line) {
                double score = wall[line - r.lo[a]] - 2.0 * cut[line - r.lo[a]];
                double offCentre = std::fabs(grid->coords[a][line] - middle);
                if (score > bestScore || (score == bestScore && offCentre < bestOffCentre)) {
                    bestScore = score;
                    bestOffCentre = offCentre;
                    *bestAxis = a;
                    *bestLine = line;
                }
            }
        }
        assert(*bestAxis >= 0);
    }

    void RangeBox(const CellRange& r, int32_t mins[3], int32_t maxs[3]) const {
        for (int a = 0; a < 3; ++a) {
            mins[a] = grid->coords[a][r.lo[a]];
            maxs[a] = grid->coords[a][r.hi[a]];
        }
    }

    // Returns the child value for region r.
    int32_t Build(const CellRange& r, const int32_t sideNodes[6]) {
        int64_t volume =
            static_cast<int64_t>(r.hi[0] - r.lo[0]) * (r.hi[1] - r.lo[1]) * (r.hi[2] - r.lo[2]);
        int64_t open = OpenCells(r);
        if (open == 0) {
            TreeBox box;
            RangeBox(r, box.mins, box.maxs);
            tree->solids.push_back(box);
            return -1;
        }
        if (open == volume) {
            TreeLeaf leaf;
            for (int a = 0; a < 3; ++a) {
                leaf.lo[a] = r.lo[a];
                leaf.hi[a] = r.hi[a];
            }
            RangeBox(r, leaf.mins, leaf.maxs);
            std::copy(sideNodes, sideNodes + 6, leaf.sideNodes);
            tree->leafs.push_back(leaf);
            return -static_cast<int32_t>(tree->leafs.size());
        }
        int32_t axis = -1;
        int32_t line = -1;
        ChooseSplit(r, &axis, &line);
        int32_t index = static_cast<int32_t>(tree->nodes.size());
        TreeNode node{};
        node.axis = axis;
        node.coord = grid->coords[axis][line];
        RangeBox(r, node.mins, node.maxs);
        tree->nodes.push_back(node);

        CellRange front = r;
        CellRange back = r;
        front.lo[axis] = line;
        back.hi[axis] = line;
        int32_t frontSides[6];
        int32_t backSides[6];
        std::copy(sideNodes, sideNodes + 6, frontSides);
        std::copy(sideNodes, sideNodes + 6, backSides);
        frontSides[2 * axis] = index;
        backSides[2 * axis + 1] = index;
        int32_t frontChild = Build(front, frontSides);
        int32_t backChild = Build(back, backSides);
        tree->nodes[index].children[0] = frontChild;
        tree->nodes[index].children[1] = backChild;
        return index;
    }
};

bool HitsBelow(const LevelTree& tree, int32_t c, const double a[3], const double b[3]) {
    while (c >= 0) {
        const TreeNode& node = tree.nodes[c];
        double da = a[node.axis] - node.coord;
        double db = b[node.axis] - node.coord;
        if (da >= 0 && db >= 0) {
            c = node.children[0];
        } else if (da < 0 && db < 0) {
            c = node.children[1];
        } else {
            double t = da / (da - db);
            double middle[3];
            for (int i = 0; i < 3; ++i) {
                middle[i] = a[i] + (b[i] - a[i]) * t;
            }
            middle[node.axis] = node.coord;
            int32_t nearChild = da >= 0 ? node.children[0] : node.children[1];
            int32_t farChild = da >= 0 ? node.children[1] : node.children[0];
            return HitsBelow(tree, nearChild, a, middle) || HitsBelow(tree, farChild, middle, b);
        }
    }
    return c == -1;
}

} // namespace

LevelTree BuildLevelTree(const LevelGrid& grid) {
    LevelTree tree;
    tree.leafs.push_back(TreeLeaf{}); // leaf 0: all solid space
    TreeBuilder builder{&grid, &tree, {}};
    builder.BuildSums();
    CellRange all{{0, 0, 0}, {grid.cells[0], grid.cells[1], grid.cells[2]}};
    int32_t noNodes[6] = {-1, -1, -1, -1, -1, -1};
    int32_t root = builder.Build(all, noNodes);
    assert(root == 0);
    (void)root;
    return tree;
}

int32_t FindTreeLeaf(const LevelTree& tree, const double p[3]) {
    int32_t c = 0;
    while (c >= 0) {
        const TreeNode& node = tree.nodes[c];
        c = p[node.axis] >= node.coord ? node.children[0] : node.children[1];
    }
    return -(c + 1);
}

bool SegmentHitsSolid(const LevelTree& tree, const double a[3], const double b[3]) {
    return HitsBelow(tree, 0, a, b);
}

double DistanceToSolid(const LevelTree& tree, const double p[3]) {
    double best = 1e300;
    for (const TreeBox& box : tree.solids) {
        double squared = 0;
        for (int a = 0; a < 3; ++a) {
            double d = std::max({box.mins[a] - p[a], 0.0, p[a] - box.maxs[a]});
            squared += d * d;
        }
        best = std::min(best, squared);
    }
    return std::sqrt(best);
}
