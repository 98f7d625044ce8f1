// The finished level as a level file (see file.h).
#include "tools/data/level/file.h"

#include "bsp/bsp_write.h"
#include "shell/fatal.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <map>
#include <string>

namespace {

// Contents values of leafs and clip-node children.
constexpr int32_t ContentsEmpty = -1;
constexpr int32_t ContentsSolid = -2;

int16_t ToShort(int32_t value) {
    assert(value >= -32768 && value <= 32767);
    return static_cast<int16_t>(value);
}

uint16_t ToIndex16(size_t value, const char* what) {
    if (value > 65535) {
        FatalError("Level: too many %s for the level file", what);
    }
    return static_cast<uint16_t>(value);
}

// The records being built, and the indexes that share planes, vertexes,
// edges and texinfos between faces.
struct LumpBuilder : BspRecords {
    std::map<std::pair<int32_t, int32_t>, int32_t> planeIndex;
    std::map<std::array<int32_t, 3>, int32_t> vertexIndex;
    std::map<std::pair<int32_t, int32_t>, int32_t> edgeIndex;
    std::map<std::pair<int32_t, int32_t>, int32_t> texInfoIndex;

    int32_t Plane(int32_t axis, int32_t coord) {
        auto [it, added] =
            planeIndex.try_emplace({axis, coord}, static_cast<int32_t>(planes.size()));
        if (added) {
            BspPlane plane{};
            plane.normal[axis] = 1;
            plane.dist = static_cast<float>(coord);
            plane.type = axis; // axial planes are types 0, 1, 2
            planes.push_back(plane);
        }
        return it->second;
    }

    int32_t Vertex(const std::array<int32_t, 3>& p) {
        auto [it, added] = vertexIndex.try_emplace(p, static_cast<int32_t>(vertexes.size()));
        if (added) {
            vertexes.push_back(
                {{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])}});
        }
        return it->second;
    }

    // A surf edge from vertex a to vertex b, sharing the edge record with
    // the neighbour that walks it the other way.
    int32_t SurfEdge(int32_t a, int32_t b) {
        if (edges.empty()) {
            edges.push_back({{0, 0}});
        }
        auto it = edgeIndex.find({b, a});
        if (it != edgeIndex.end()) {
            return -it->second;
        }
        auto [own, added] = edgeIndex.try_emplace({a, b}, static_cast<int32_t>(edges.size()));
        if (added) {
            edges.push_back({{ToIndex16(a, "vertexes"), ToIndex16(b, "vertexes")}});
        }
        return own->second;
    }

    int32_t TexInfo(int32_t slot, int32_t axis) {
        auto [it, added] =
            texInfoIndex.try_emplace({slot, axis}, static_cast<int32_t>(texInfo.size()));
        if (added) {
            BspTexInfo info{};
            FaceTextureAxes(axis, info.s, info.t);
            info.mipTex = slot;
            texInfo.push_back(info);
        }
        return it->second;
    }
};

void CopyBox(const int32_t mins[3], const int32_t maxs[3], int16_t outMins[3], int16_t outMaxs[3]) {
    for (int a = 0; a < 3; ++a) {
        outMins[a] = ToShort(mins[a]);
        outMaxs[a] = ToShort(maxs[a]);
    }
}

void AddFaces(const CompiledLevel& level, LumpBuilder& lumps) {
    const std::vector<LevelFace>& faces = *level.faces;
    for (size_t f = 0; f < faces.size(); ++f) {
        const LevelFace& face = faces[f];
        const FaceLighting& light = level.lighting->faces[f];
        BspFace record{};
        record.planeNum = ToShort(lumps.Plane(face.axis, face.coord));
        record.side = ToShort(face.side);
        record.firstSurfEdge = static_cast<int32_t>(lumps.surfEdges.size());
        record.numEdges = ToShort(static_cast<int32_t>(face.points.size()));
        record.texInfo = ToShort(lumps.TexInfo(face.slot, face.axis));
        std::copy(std::begin(light.styles), std::end(light.styles), record.styles);
        record.lightOffset = light.lightOffset;
        for (size_t i = 0; i < face.points.size(); ++i) {
            int32_t a = lumps.Vertex(face.points[i]);
            int32_t b = lumps.Vertex(face.points[(i + 1) % face.points.size()]);
            lumps.surfEdges.push_back(lumps.SurfEdge(a, b));
        }
        lumps.faces.push_back(record);
    }
}

void AddTree(const CompiledLevel& level, LumpBuilder& lumps) {
    const LevelTree& tree = *level.tree;
    const std::vector<LevelFace>& faces = *level.faces;
    size_t nextFace = 0;
    for (size_t n = 0; n < tree.nodes.size(); ++n) {
        const TreeNode& node = tree.nodes[n];
        BspNode record{};
        record.planeNum = lumps.Plane(node.axis, node.coord);
        BspClipNode clip{};
        clip.planeNum = record.planeNum;
        for (int i = 0; i < 2; ++i) {
            record.children[i] = ToShort(node.children[i]);
            // Clip nodes repeat the tree with contents in place of leafs.
            int32_t c = node.children[i];
            clip.children[i] = ToShort(c >= 0 ? c : (c == -1 ? ContentsSolid : ContentsEmpty));
        }
        CopyBox(node.mins, node.maxs, record.mins, record.maxs);
        record.firstFace = ToIndex16(nextFace, "faces");
        while (nextFace < faces.size() && faces[nextFace].node == static_cast<int32_t>(n)) {
            ++nextFace;
        }
        record.numFaces = ToIndex16(nextFace - record.firstFace, "faces on one node");
        lumps.nodes.push_back(record);
        lumps.clipNodes.push_back(clip);
    }
    assert(nextFace == faces.size());

    // Each open leaf lists the faces that bound it; equal visibility rows
    // share one copy of their data.
    std::vector<std::vector<uint16_t>> leafFaces(tree.leafs.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        leafFaces[faces[f].leaf].push_back(ToIndex16(f, "faces"));
    }
    // Keyed by the row's bytes as a string: a map keyed by byte vectors makes
    // GCC 12 at -O3 warn falsely inside the standard library's comparison.
    std::map<std::string, int32_t> rowOffsets;
    BspLeaf solid{};
    solid.contents = ContentsSolid;
    solid.visOffset = -1;
    lumps.leafs.push_back(solid);
    for (size_t l = 1; l < tree.leafs.size(); ++l) {
        const TreeLeaf& leaf = tree.leafs[l];
        BspLeaf record{};
        record.contents = ContentsEmpty;
        CopyBox(leaf.mins, leaf.maxs, record.mins, record.maxs);
        record.firstMarkSurface = ToIndex16(lumps.markSurfaces.size(), "mark surfaces");
        record.numMarkSurfaces = ToIndex16(leafFaces[l].size(), "mark surfaces");
        lumps.markSurfaces.insert(lumps.markSurfaces.end(), leafFaces[l].begin(),
                                  leafFaces[l].end());
        std::vector<uint8_t> row = CompressVisRow(level.visibility->rows[l - 1]);
        auto [it, added] = rowOffsets.try_emplace(std::string(row.begin(), row.end()),
                                                  static_cast<int32_t>(lumps.visData.size()));
        if (added) {
            lumps.visData.insert(lumps.visData.end(), row.begin(), row.end());
        }
        record.visOffset = it->second;
        lumps.leafs.push_back(record);
    }
}

} // namespace

std::string LevelEntityText(const LevelLayout& layout) {
    std::string text = "{\n\"classname\" \"worldspawn\"\n\"message\" \"Tessaline\"\n}\n";
    char line[256];
    std::snprintf(line, sizeof line,
                  "{\n\"classname\" \"info_player_start\"\n\"origin\" \"%d %d %d\"\n"
                  "\"angle\" \"%d\"\n}\n",
                  layout.startOrigin[0], layout.startOrigin[1], layout.startOrigin[2],
                  layout.startAngle);
    text += line;
    for (const LayoutLight& light : layout.lights) {
        std::snprintf(line, sizeof line,
                      "{\n\"classname\" \"light\"\n\"origin\" \"%d %d %d\"\n\"light\" \"%d\"\n",
                      static_cast<int>(light.origin[0]), static_cast<int>(light.origin[1]),
                      static_cast<int>(light.origin[2]), static_cast<int>(light.intensity));
        text += line;
        if (light.style != 0) {
            std::snprintf(line, sizeof line, "\"style\" \"%d\"\n", light.style);
            text += line;
        }
        text += "}\n";
    }
    return text;
}

std::vector<uint8_t> BuildLevelFileBytes(const CompiledLevel& level) {
    LumpBuilder lumps;
    AddFaces(level, lumps);
    AddTree(level, lumps);

    BspModel world{};
    const TreeNode& root = level.tree->nodes[0];
    for (int a = 0; a < 3; ++a) {
        world.mins[a] = static_cast<float>(root.mins[a]);
        world.maxs[a] = static_cast<float>(root.maxs[a]);
    }
    world.visLeafs = static_cast<int32_t>(level.tree->leafs.size()) - 1;
    world.numFaces = static_cast<int32_t>(lumps.faces.size());
    lumps.models = {world};

    lumps.entities = LevelEntityText(*level.layout);
    lumps.textureData = level.art->textureLump;
    lumps.lightData = level.lighting->data;
    std::vector<uint8_t> bytes[BspLumpCount];
    RecordLumps(lumps, bytes);
    return AssembleBspFile(BspVersion, bytes);
}
