// The level's faces (see faces.h).
//
// Faces start as one rectangle per grid cell where an open leaf meets solid.
// Cell edges run between neighbouring grid lines, so no face corner can lie
// inside another face's edge: there is no T-junction, where a renderer
// leaves cracks, or where splitting a polygon with extra edge points into a
// fan gives slivers that sample outside the lightmap. Neighbouring cells of
// one leaf side and one texture are then merged as long as that stays true:
// two faces merge only when the two corners their shared edge loses belong to
// no other face, and never across a multiple of FaceMaxSize.
#include "tools/data/level/faces.h"

#include "tools/data/level/textures.h"

#include <algorithm>
#include <cassert>
#include <map>

namespace {

// Texture slot of each surface style: side (walls), top (floors), bottom
// (ceilings).
constexpr int32_t StyleSlots[StyleCount][3] = {
    {LevelTexWall, LevelTexFloor, LevelTexCeiling},  // plain
    {LevelTexStone, LevelTexFloor, LevelTexCeiling}, // stone
    {LevelTexMetal, LevelTexMetal, LevelTexMetal},   // metal
    {LevelTexTrim, LevelTexFloor, LevelTexTrim},     // trim
    {LevelTexLamp, LevelTexLamp, LevelTexLamp},      // lamp
};

static_assert(FaceMaxSize == GridCutSize);

int32_t SlotFor(uint8_t style, int32_t axis, int32_t normalSign) {
    assert(style < StyleCount);
    if (axis != 2) {
        return StyleSlots[style][0];
    }
    return normalSign > 0 ? StyleSlots[style][1] : StyleSlots[style][2];
}

using Point = std::array<int32_t, 3>;

// One side of one open leaf: the faces on it, as rectangles of its cells.
struct LeafSide {
    int32_t u; // the two axes across the side
    int32_t v;
    int32_t nu;                 // cells along u
    int32_t nv;                 // cells along v
    std::vector<int32_t> faces; // face index per cell (u fastest), -1 where open
};

struct FaceBuilder {
    const LevelGrid* grid;
    const LevelTree* tree;
    std::vector<LevelFace> faces;
    std::vector<int32_t> cells[2]; // per face: its first and last-plus-one cell on u, v
    std::vector<bool> alive;
    std::vector<LeafSide> sides;
    std::vector<int32_t> faceSides;                    // the leaf side each face lies on
    std::map<Point, std::vector<int32_t>> cornerFaces; // the faces with each corner

    Point Corner(const LevelFace& face, int32_t highU, int32_t highV) const {
        int32_t u = (face.axis + 1) % 3;
        int32_t v = (face.axis + 2) % 3;
        Point p;
        p[face.axis] = face.coord;
        p[u] = highU ? face.maxs[u] : face.mins[u];
        p[v] = highV ? face.maxs[v] : face.mins[v];
        return p;
    }

    void AddCorners(int32_t f) {
        for (int32_t corner = 0; corner < 4; ++corner) {
            cornerFaces[Corner(faces[f], corner & 1, corner >> 1)].push_back(f);
        }
    }

    void RemoveCorners(int32_t f) {
        for (int32_t corner = 0; corner < 4; ++corner) {
            std::vector<int32_t>& list = cornerFaces[Corner(faces[f], corner & 1, corner >> 1)];
            list.erase(std::find(list.begin(), list.end(), f));
        }
    }

    // One face per solid cell beyond the side of the leaf.
    void AddSide(int32_t leafIndex, int32_t axis, int32_t high) {
        const TreeLeaf& leaf = tree->leafs[leafIndex];
        LeafSide side;
        side.u = (axis + 1) % 3;
        side.v = (axis + 2) % 3;
        side.nu = leaf.hi[side.u] - leaf.lo[side.u];
        side.nv = leaf.hi[side.v] - leaf.lo[side.v];
        side.faces.assign(static_cast<size_t>(side.nu) * side.nv, -1);
        int32_t layer = high ? leaf.hi[axis] : leaf.lo[axis] - 1;
        int32_t normalSign = high ? -1 : 1; // faces look into the leaf
        int32_t coord = high ? leaf.maxs[axis] : leaf.mins[axis];
        for (int32_t cv = 0; cv < side.nv; ++cv) {
            for (int32_t cu = 0; cu < side.nu; ++cu) {
                int32_t cell[3];
                cell[axis] = layer;
                cell[side.u] = leaf.lo[side.u] + cu;
                cell[side.v] = leaf.lo[side.v] + cv;
                if (!IsCellSolid(*grid, cell[0], cell[1], cell[2])) {
                    continue;
                }
                uint8_t style = grid->style[CellIndex(*grid, cell[0], cell[1], cell[2])];
                LevelFace face{};
                face.node = leaf.sideNodes[2 * axis + high];
                assert(face.node >= 0 && tree->nodes[face.node].axis == axis &&
                       tree->nodes[face.node].coord == coord);
                face.leaf = leafIndex;
                face.axis = axis;
                face.coord = coord;
                face.side = normalSign > 0 ? 0 : 1;
                face.slot = SlotFor(style, axis, normalSign);
                face.mins[axis] = face.maxs[axis] = coord;
                face.mins[side.u] = grid->coords[side.u][cell[side.u]];
                face.maxs[side.u] = grid->coords[side.u][cell[side.u] + 1];
                face.mins[side.v] = grid->coords[side.v][cell[side.v]];
                face.maxs[side.v] = grid->coords[side.v][cell[side.v] + 1];
                side.faces[cv * side.nu + cu] = static_cast<int32_t>(faces.size());
                cells[0].push_back(cu);
                cells[0].push_back(cu + 1);
                cells[1].push_back(cv);
                cells[1].push_back(cv + 1);
                faces.push_back(face);
                alive.push_back(true);
                faceSides.push_back(static_cast<int32_t>(sides.size()));
                AddCorners(static_cast<int32_t>(faces.size()) - 1);
            }
        }
        sides.push_back(std::move(side));
    }

    // The face that continues face f past its edge at the low (-1) or high
    // (+1) end along d (0: u, 1: v) of its leaf side with the same extent
    // across, or -1.
    int32_t Continuation(int32_t f, int32_t d, int32_t end) const {
        const LeafSide& side = sides[faceSides[f]];
        int32_t n = d == 0 ? side.nu : side.nv;
        int32_t beyond = end > 0 ? cells[d][2 * f + 1] : cells[d][2 * f] - 1;
        if (beyond < 0 || beyond >= n) {
            return -1;
        }
        int32_t acrossFirst = cells[1 - d][2 * f];
        int32_t cu = d == 0 ? beyond : acrossFirst;
        int32_t cv = d == 0 ? acrossFirst : beyond;
        int32_t g = side.faces[cv * side.nu + cu];
        if (g < 0 || faces[g].slot != faces[f].slot || cells[1 - d][2 * g] != acrossFirst ||
            cells[1 - d][2 * g + 1] != cells[1 - d][2 * f + 1]) {
            return -1;
        }
        return g;
    }

    // Merges face f with the face past its high edge along d, together with
    // every other pair of faces that shares a corner on that cut, so that no
    // corner left behind lies inside a merged edge (the floor, walls and
    // ceiling of a corridor merge across a cut all at once, or not at all).
    bool TryMerge(int32_t f, int32_t d) {
        const LeafSide& seedSide = sides[faceSides[f]];
        int32_t cutAxis = d == 0 ? seedSide.u : seedSide.v;
        int32_t cut = faces[f].maxs[cutAxis];
        if (cut % FaceMaxSize == 0) {
            return false;
        }
        struct Pair {
            int32_t low;
            int32_t high;
            int32_t d;
        };
        std::vector<Pair> pairs;
        std::vector<int32_t> members;
        std::vector<Point> open;
        auto addPair = [&](int32_t low, int32_t high, int32_t pairD) {
            pairs.push_back({low, high, pairD});
            members.push_back(low);
            members.push_back(high);
            const LevelFace& face = faces[low];
            open.push_back(pairD == 0 ? Corner(face, 1, 0) : Corner(face, 0, 1));
            open.push_back(Corner(face, 1, 1));
        };
        int32_t next = Continuation(f, d, 1);
        if (next < 0) {
            return false;
        }
        addPair(f, next, d);
        while (!open.empty()) {
            Point p = open.back();
            open.pop_back();
            for (int32_t h : cornerFaces[p]) {
                if (std::find(members.begin(), members.end(), h) != members.end()) {
                    continue;
                }
                const LeafSide& side = sides[faceSides[h]];
                if (faces[h].axis == cutAxis || pairs.size() >= 64) {
                    return false; // a face in the cut's plane keeps the corner
                }
                int32_t hd = side.u == cutAxis ? 0 : 1;
                int32_t end = faces[h].maxs[cutAxis] == cut ? 1 : -1;
                int32_t g = Continuation(h, hd, end);
                if (g < 0 || std::find(members.begin(), members.end(), g) != members.end()) {
                    return false;
                }
                addPair(end > 0 ? h : g, end > 0 ? g : h, hd);
            }
        }
        for (const Pair& pair : pairs) {
            int32_t low = pair.low;
            int32_t high = pair.high;
            RemoveCorners(low);
            RemoveCorners(high);
            faces[low].maxs[cutAxis] = faces[high].maxs[cutAxis];
            cells[pair.d][2 * low + 1] = cells[pair.d][2 * high + 1];
            alive[high] = false;
            LeafSide& side = sides[faceSides[high]];
            for (int32_t a = cells[pair.d][2 * high]; a < cells[pair.d][2 * high + 1]; ++a) {
                for (int32_t b = cells[1 - pair.d][2 * high]; b < cells[1 - pair.d][2 * high + 1];
                     ++b) {
                    int32_t u = pair.d == 0 ? a : b;
                    int32_t v = pair.d == 0 ? b : a;
                    side.faces[v * side.nu + u] = low;
                }
            }
            AddCorners(low);
        }
        return true;
    }

    void MergeFaces() {
        bool merged = true;
        while (merged) {
            merged = false;
            for (LeafSide& side : sides) {
                for (int32_t d = 0; d < 2; ++d) {
                    for (size_t cell = 0; cell < side.faces.size(); ++cell) {
                        int32_t f = side.faces[cell];
                        // Visit each face once, from its first cell.
                        if (f < 0 || cells[0][2 * f] != static_cast<int32_t>(cell) % side.nu ||
                            cells[1][2 * f] != static_cast<int32_t>(cell) / side.nu) {
                            continue;
                        }
                        while (TryMerge(f, d)) {
                            merged = true;
                        }
                    }
                }
            }
        }
    }
};

} // namespace

std::vector<LevelFace> BuildLevelFaces(const LevelGrid& grid, const LevelTree& tree) {
    FaceBuilder builder{&grid, &tree, {}, {}, {}, {}, {}, {}};
    for (int32_t leaf = 1; leaf < static_cast<int32_t>(tree.leafs.size()); ++leaf) {
        for (int32_t axis = 0; axis < 3; ++axis) {
            builder.AddSide(leaf, axis, 0);
            builder.AddSide(leaf, axis, 1);
        }
    }
    builder.MergeFaces();
    std::vector<LevelFace> faces;
    for (size_t f = 0; f < builder.faces.size(); ++f) {
        if (!builder.alive[f]) {
            continue;
        }
        LevelFace face = builder.faces[f];
        // Counter-clockwise seen from the side the face looks to.
        face.points = {builder.Corner(face, 0, 0), builder.Corner(face, 1, 0),
                       builder.Corner(face, 1, 1), builder.Corner(face, 0, 1)};
        if (face.side == 1) {
            std::swap(face.points[1], face.points[3]);
        }
        faces.push_back(std::move(face));
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const LevelFace& a, const LevelFace& b) { return a.node < b.node; });
    return faces;
}

void FaceTextureAxes(int32_t axis, float s[4], float t[4]) {
    for (int i = 0; i < 4; ++i) {
        s[i] = t[i] = 0;
    }
    if (axis == 2) {
        s[0] = 1; // floors and ceilings: s east, t south
        t[1] = -1;
    } else {
        s[axis == 0 ? 1 : 0] = 1; // walls: s along the wall, t down
        t[2] = -1;
    }
}
