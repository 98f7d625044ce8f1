// The level's faces (see level_faces.h).
#include "tools/data/level_faces.h"

#include "tools/data/level_art.h"

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

int32_t SlotFor(uint8_t style, int32_t axis, int32_t normalSign) {
    assert(style < StyleCount);
    if (axis != 2) {
        return StyleSlots[style][0];
    }
    return normalSign > 0 ? StyleSlots[style][1] : StyleSlots[style][2];
}

// The first multiple of FaceMaxSize above x.
int32_t NextCut(int32_t x) {
    int32_t below = x >= 0 ? x / FaceMaxSize : -((-x + FaceMaxSize - 1) / FaceMaxSize);
    return (below + 1) * FaceMaxSize;
}

// The solid cells beyond one side of a leaf, merged into rectangles of one
// style each (greedy: widest run along u, then as many rows along v as match).
void AddSideFaces(const LevelGrid& grid, const LevelTree& tree, int32_t leafIndex, int32_t axis,
                  int32_t high, std::vector<LevelFace>& faces) {
    const TreeLeaf& leaf = tree.leafs[leafIndex];
    int32_t u = (axis + 1) % 3;
    int32_t v = (axis + 2) % 3;
    int32_t layer = high ? leaf.hi[axis] : leaf.lo[axis] - 1;
    int32_t nu = leaf.hi[u] - leaf.lo[u];
    int32_t nv = leaf.hi[v] - leaf.lo[v];
    // Style + 1 of the solid cell beyond each (u, v) cell; 0 where open.
    std::vector<int32_t> label(static_cast<size_t>(nu) * nv, 0);
    for (int32_t cv = 0; cv < nv; ++cv) {
        for (int32_t cu = 0; cu < nu; ++cu) {
            int32_t cell[3];
            cell[axis] = layer;
            cell[u] = leaf.lo[u] + cu;
            cell[v] = leaf.lo[v] + cv;
            if (IsCellSolid(grid, cell[0], cell[1], cell[2])) {
                label[cv * nu + cu] = 1 + grid.style[CellIndex(grid, cell[0], cell[1], cell[2])];
            }
        }
    }
    int32_t normalSign = high ? -1 : 1; // faces look into the leaf
    int32_t coord = high ? leaf.maxs[axis] : leaf.mins[axis];
    for (int32_t cv = 0; cv < nv; ++cv) {
        for (int32_t cu = 0; cu < nu; ++cu) {
            int32_t style = label[cv * nu + cu];
            if (style == 0) {
                continue;
            }
            int32_t endU = cu + 1;
            while (endU < nu && label[cv * nu + endU] == style) {
                ++endU;
            }
            int32_t endV = cv + 1;
            while (endV < nv) {
                bool same = true;
                for (int32_t x = cu; x < endU && same; ++x) {
                    same = label[endV * nu + x] == style;
                }
                if (!same) {
                    break;
                }
                ++endV;
            }
            for (int32_t y = cv; y < endV; ++y) {
                std::fill(label.begin() + y * nu + cu, label.begin() + y * nu + endU, 0);
            }
            int32_t lowU = grid.coords[u][leaf.lo[u] + cu];
            int32_t highU = grid.coords[u][leaf.lo[u] + endU];
            int32_t lowV = grid.coords[v][leaf.lo[v] + cv];
            int32_t highV = grid.coords[v][leaf.lo[v] + endV];
            // Cut on the global FaceMaxSize lines.
            for (int32_t pu = lowU; pu < highU;) {
                int32_t nextU = std::min(highU, NextCut(pu));
                for (int32_t pv = lowV; pv < highV;) {
                    int32_t nextV = std::min(highV, NextCut(pv));
                    LevelFace face{};
                    face.node = leaf.sideNodes[2 * axis + high];
                    assert(face.node >= 0 && tree.nodes[face.node].axis == axis &&
                           tree.nodes[face.node].coord == coord);
                    face.leaf = leafIndex;
                    face.axis = axis;
                    face.coord = coord;
                    face.side = normalSign > 0 ? 0 : 1;
                    face.slot = SlotFor(static_cast<uint8_t>(style - 1), axis, normalSign);
                    face.mins[axis] = face.maxs[axis] = coord;
                    face.mins[u] = pu;
                    face.maxs[u] = nextU;
                    face.mins[v] = pv;
                    face.maxs[v] = nextV;
                    faces.push_back(face);
                    pv = nextV;
                }
                pu = nextU;
            }
        }
    }
}

std::array<int32_t, 3> Corner(const LevelFace& face, int32_t cu, int32_t cv) {
    int32_t u = (face.axis + 1) % 3;
    int32_t v = (face.axis + 2) % 3;
    std::array<int32_t, 3> p;
    p[face.axis] = face.coord;
    p[u] = cu ? face.maxs[u] : face.mins[u];
    p[v] = cv ? face.maxs[v] : face.mins[v];
    return p;
}

// Key of the axis-aligned line through p along axis a.
std::array<int32_t, 3> LineKey(const std::array<int32_t, 3>& p, int32_t a) {
    return {a, p[(a + 1) % 3], p[(a + 2) % 3]};
}

// Builds each polygon from its corners plus every other face's corner that
// lies inside one of its edges (a T-junction, which would otherwise let a
// crack of background show through where the edges meet).
void BuildPolygons(std::vector<LevelFace>& faces) {
    std::map<std::array<int32_t, 3>, std::vector<int32_t>> lines;
    for (const LevelFace& face : faces) {
        for (int32_t corner = 0; corner < 4; ++corner) {
            std::array<int32_t, 3> p = Corner(face, corner & 1, corner >> 1);
            for (int32_t a = 0; a < 3; ++a) {
                lines[LineKey(p, a)].push_back(p[a]);
            }
        }
    }
    for (auto& entry : lines) {
        std::vector<int32_t>& positions = entry.second;
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    }
    for (LevelFace& face : faces) {
        std::array<int32_t, 3> corners[4] = {Corner(face, 0, 0), Corner(face, 1, 0),
                                             Corner(face, 1, 1), Corner(face, 0, 1)};
        if (face.side == 1) {
            std::swap(corners[1], corners[3]);
        }
        face.points.clear();
        for (int32_t i = 0; i < 4; ++i) {
            const std::array<int32_t, 3>& from = corners[i];
            const std::array<int32_t, 3>& to = corners[(i + 1) % 4];
            face.points.push_back(from);
            int32_t a = 0;
            while (from[a] == to[a]) {
                ++a;
            }
            const std::vector<int32_t>& positions = lines[LineKey(from, a)];
            int32_t low = std::min(from[a], to[a]);
            int32_t high = std::max(from[a], to[a]);
            auto first = std::upper_bound(positions.begin(), positions.end(), low);
            auto last = std::lower_bound(positions.begin(), positions.end(), high);
            std::vector<int32_t> inside(first, last);
            if (from[a] > to[a]) {
                std::reverse(inside.begin(), inside.end());
            }
            for (int32_t position : inside) {
                std::array<int32_t, 3> p = from;
                p[a] = position;
                face.points.push_back(p);
            }
        }
    }
}

} // namespace

std::vector<LevelFace> BuildLevelFaces(const LevelGrid& grid, const LevelTree& tree) {
    std::vector<LevelFace> faces;
    for (int32_t leaf = 1; leaf < static_cast<int32_t>(tree.leafs.size()); ++leaf) {
        for (int32_t axis = 0; axis < 3; ++axis) {
            AddSideFaces(grid, tree, leaf, axis, 0, faces);
            AddSideFaces(grid, tree, leaf, axis, 1, faces);
        }
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const LevelFace& a, const LevelFace& b) { return a.node < b.node; });
    BuildPolygons(faces);
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
