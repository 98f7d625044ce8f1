// A large level for measuring the level's drawing (see large_level.h).
#include "tools/bench/large_level.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int32_t Square = 64;               // side of every face, in units
constexpr int32_t TextureCount = 8;          // 64 x 64 each
constexpr int32_t Samples = Square / 16 + 1; // lightmap samples per side of a face

// Builds the records room by room and node by node.
struct LevelMaker {
    LargeLevelShape shape;
    BspRecords level;
    int32_t lattice[3];                 // vertices along each axis
    std::map<int64_t, int32_t> planeOf; // axis * 2^32 + coordinate -> plane
    std::vector<std::vector<uint16_t>> roomFaces;

    int32_t RoomIndex(const int32_t r[3]) const {
        return (r[2] * shape.rooms[1] + r[1]) * shape.rooms[0] + r[0];
    }

    int32_t Plane(int32_t axis, int32_t coordinate) {
        int64_t key = (static_cast<int64_t>(axis) << 32) + coordinate;
        auto found = planeOf.find(key);
        if (found != planeOf.end()) {
            return found->second;
        }
        BspPlane plane{};
        plane.normal[axis] = 1.0f;
        plane.dist = static_cast<float>(coordinate);
        plane.type = axis;
        level.planes.push_back(plane);
        int32_t index = static_cast<int32_t>(level.planes.size()) - 1;
        planeOf[key] = index;
        return index;
    }

    int32_t Vertex(const int32_t p[3]) const {
        return (p[2] / Square * lattice[1] + p[1] / Square) * lattice[0] + p[0] / Square;
    }

    // The wall of room r on its low (high = false) or high side along axis,
    // cut into squares; side is the face's side of the plane (normal +axis).
    void AddWall(const int32_t r[3], int32_t axis, bool high) {
        int32_t u = axis == 0 ? 1 : 0; // s runs along u, t along v
        int32_t v = axis == 2 ? 1 : 2;
        int32_t room = RoomIndex(r);
        int32_t wall = axis * 2 + (high ? 1 : 0);
        int16_t texture = static_cast<int16_t>((room * 5 + wall * 3) % TextureCount);
        int32_t at = (r[axis] + (high ? 1 : 0)) * shape.roomSize[axis];
        int16_t plane = static_cast<int16_t>(Plane(axis, at));
        for (int32_t a = 0; a < shape.roomSize[u]; a += Square) {
            for (int32_t b = 0; b < shape.roomSize[v]; b += Square) {
                int32_t corner[3];
                corner[axis] = at;
                corner[u] = r[u] * shape.roomSize[u] + a;
                corner[v] = r[v] * shape.roomSize[v] + b;
                int32_t corners[4];
                const int32_t steps[4][2] = {{0, 0}, {Square, 0}, {Square, Square}, {0, Square}};
                for (int k = 0; k < 4; ++k) {
                    int32_t p[3] = {corner[0], corner[1], corner[2]};
                    p[u] += steps[k][0];
                    p[v] += steps[k][1];
                    corners[k] = Vertex(p);
                }
                BspFace face{};
                face.planeNum = plane;
                // A low wall looks along +axis, to the plane's front.
                face.side = high ? 1 : 0;
                face.firstSurfEdge = static_cast<int32_t>(level.surfEdges.size());
                face.numEdges = 4;
                face.texInfo = static_cast<int16_t>(axis * TextureCount + texture);
                face.styles[0] = 0;
                face.styles[1] = face.styles[2] = face.styles[3] = 255;
                face.lightOffset = static_cast<int32_t>(level.lightData.size());
                for (int k = 0; k < 4; ++k) {
                    level.surfEdges.push_back(static_cast<int32_t>(level.edges.size()));
                    level.edges.push_back({{static_cast<uint16_t>(corners[k]),
                                            static_cast<uint16_t>(corners[(k + 1) % 4])}});
                }
                // A gentle ramp across the face, different on every face.
                int32_t f = static_cast<int32_t>(level.faces.size());
                for (int32_t i = 0; i < Samples * Samples; ++i) {
                    level.lightData.push_back(static_cast<uint8_t>(80 + (f * 37 + i * 3) % 120));
                }
                roomFaces[static_cast<size_t>(room)].push_back(static_cast<uint16_t>(f));
                level.faces.push_back(face);
            }
        }
    }

    // The walls of every room of the block lo ... hi - 1 (in rooms) that lie
    // on the plane axis = rooms index at, on one side of it.
    void AddWallsOnPlane(const int32_t lo[3], const int32_t hi[3], int32_t axis, int32_t at,
                         bool high) {
        int32_t r[3];
        r[axis] = high ? at - 1 : at;
        int32_t u = axis == 0 ? 1 : 0;
        int32_t v = axis == 2 ? 1 : 2;
        for (r[v] = lo[v]; r[v] < hi[v]; ++r[v]) {
            for (r[u] = lo[u]; r[u] < hi[u]; ++r[u]) {
                AddWall(r, axis, high);
            }
        }
    }

    int32_t NewNode(int32_t axis, int32_t at, const int32_t lo[3], const int32_t hi[3]) {
        BspNode node{};
        node.planeNum = Plane(axis, at * shape.roomSize[axis]);
        for (int i = 0; i < 3; ++i) {
            node.mins[i] = static_cast<int16_t>(lo[i] * shape.roomSize[i]);
            node.maxs[i] = static_cast<int16_t>(hi[i] * shape.roomSize[i]);
        }
        node.firstFace = static_cast<uint16_t>(level.faces.size());
        level.nodes.push_back(node);
        return static_cast<int32_t>(level.nodes.size()) - 1;
    }

    void CloseNode(int32_t n) {
        BspNode& node = level.nodes[static_cast<size_t>(n)];
        node.numFaces = static_cast<uint16_t>(level.faces.size() - node.firstFace);
    }

    // The subtree of the block lo ... hi - 1: split across its longest run
    // of rooms until one room, one leaf, remains. Returns the child value.
    int32_t Split(const int32_t lo[3], const int32_t hi[3]) {
        int32_t axis = 0;
        for (int32_t i = 1; i < 3; ++i) {
            if (hi[i] - lo[i] > hi[axis] - lo[axis]) {
                axis = i;
            }
        }
        if (hi[axis] - lo[axis] == 1) {
            return -(RoomIndex(lo) + 1) - 1; // room k is leaf k + 1
        }
        int32_t at = lo[axis] + (hi[axis] - lo[axis]) / 2;
        int32_t n = NewNode(axis, at, lo, hi);
        AddWallsOnPlane(lo, hi, axis, at, true);
        AddWallsOnPlane(lo, hi, axis, at, false);
        CloseNode(n);
        int32_t frontLo[3] = {lo[0], lo[1], lo[2]};
        int32_t backHi[3] = {hi[0], hi[1], hi[2]};
        frontLo[axis] = at;
        backHi[axis] = at;
        int32_t front = Split(frontLo, hi);
        int32_t back = Split(lo, backHi);
        level.nodes[static_cast<size_t>(n)].children[0] = static_cast<int16_t>(front);
        level.nodes[static_cast<size_t>(n)].children[1] = static_cast<int16_t>(back);
        return n;
    }
};

// Eight 64 x 64 textures of bricks in different tones, with their four mip
// levels.
std::vector<uint8_t> MakeTextureLump() {
    std::vector<uint8_t> lump(4 + 4 * TextureCount);
    int32_t count = TextureCount;
    std::memcpy(lump.data(), &count, 4);
    for (int32_t k = 0; k < TextureCount; ++k) {
        int32_t offset = static_cast<int32_t>(lump.size());
        std::memcpy(lump.data() + 4 + 4 * k, &offset, 4);
        BspMipTex header{};
        std::string name = "bench" + std::to_string(k);
        std::memcpy(header.name, name.c_str(), name.size());
        header.width = header.height = 64;
        uint32_t at = sizeof header;
        for (int level = 0; level < 4; ++level) {
            header.offsets[level] = at;
            at += (64u >> level) * (64u >> level);
        }
        lump.resize(static_cast<size_t>(offset) + sizeof header);
        std::memcpy(lump.data() + offset, &header, sizeof header);
        for (int level = 0; level < 4; ++level) {
            int32_t side = 64 >> level;
            for (int32_t y = 0; y < side; ++y) {
                for (int32_t x = 0; x < side; ++x) {
                    int32_t px = x << level;
                    int32_t py = y << level;
                    // Bricks 16 x 8 with a mortar line, rows shifted by half.
                    int32_t shift = (py / 8) % 2 == 0 ? 0 : 8;
                    bool mortar = py % 8 == 0 || (px + shift) % 16 == 0;
                    int32_t tone = 40 + 24 * k + ((px + shift) / 16 * 5 + py / 8 * 3) % 12;
                    lump.push_back(static_cast<uint8_t>(mortar ? 16 + k : tone));
                }
            }
        }
    }
    return lump;
}

} // namespace

BspRecords MakeLargeLevel(const LargeLevelShape& shape) {
    LevelMaker maker;
    maker.shape = shape;
    BspRecords& level = maker.level;
    int32_t roomCount = shape.rooms[0] * shape.rooms[1] * shape.rooms[2];
    maker.roomFaces.resize(static_cast<size_t>(roomCount));
    int32_t size[3];
    for (int i = 0; i < 3; ++i) {
        size[i] = shape.rooms[i] * shape.roomSize[i];
        maker.lattice[i] = size[i] / Square + 1;
    }
    for (int32_t z = 0; z < maker.lattice[2]; ++z) {
        for (int32_t y = 0; y < maker.lattice[1]; ++y) {
            for (int32_t x = 0; x < maker.lattice[0]; ++x) {
                level.vertexes.push_back(
                    {{static_cast<float>(x * Square), static_cast<float>(y * Square),
                      static_cast<float>(z * Square)}});
            }
        }
    }
    for (int32_t axis = 0; axis < 3; ++axis) {
        for (int32_t k = 0; k < TextureCount; ++k) {
            BspTexInfo info{};
            info.s[axis == 0 ? 1 : 0] = 1.0f;
            info.t[axis == 2 ? 1 : 2] = 1.0f;
            info.mipTex = k;
            level.texInfo.push_back(info);
        }
    }
    level.edges.push_back({{0, 0}}); // edge 0 is never used: -0 has no sign

    // The outer walls: six nodes whose outside child is the solid leaf 0 and
    // whose inside child is the next node, then the rooms' tree.
    const int32_t lo[3] = {0, 0, 0};
    const int32_t* hi = shape.rooms;
    std::vector<int32_t> outer;
    for (int32_t axis = 0; axis < 3; ++axis) {
        for (bool high : {false, true}) {
            int32_t at = high ? hi[axis] : 0;
            int32_t n = maker.NewNode(axis, at, lo, hi);
            maker.AddWallsOnPlane(lo, hi, axis, at, high);
            maker.CloseNode(n);
            outer.push_back(n);
        }
    }
    int32_t rooms = maker.Split(lo, hi);
    for (size_t i = 0; i < outer.size(); ++i) {
        int32_t inside = i + 1 < outer.size() ? outer[i + 1] : rooms;
        bool high = i % 2 == 1;
        BspNode& node = level.nodes[static_cast<size_t>(outer[i])];
        node.children[0] = static_cast<int16_t>(high ? -1 : inside);
        node.children[1] = static_cast<int16_t>(high ? inside : -1);
    }

    // Leaf 0 is the solid outside; room k is leaf k + 1 and sees every room.
    level.leafs.push_back({-2, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}});
    for (int32_t z = 0; z < shape.rooms[2]; ++z) {
        for (int32_t y = 0; y < shape.rooms[1]; ++y) {
            for (int32_t x = 0; x < shape.rooms[0]; ++x) {
                const int32_t r[3] = {x, y, z};
                BspLeaf leaf{};
                leaf.contents = -1;
                leaf.visOffset = 0;
                for (int i = 0; i < 3; ++i) {
                    leaf.mins[i] = static_cast<int16_t>(r[i] * shape.roomSize[i]);
                    leaf.maxs[i] = static_cast<int16_t>((r[i] + 1) * shape.roomSize[i]);
                }
                const std::vector<uint16_t>& faces =
                    maker.roomFaces[static_cast<size_t>(maker.RoomIndex(r))];
                leaf.firstMarkSurface = static_cast<uint16_t>(level.markSurfaces.size());
                leaf.numMarkSurfaces = static_cast<uint16_t>(faces.size());
                level.markSurfaces.insert(level.markSurfaces.end(), faces.begin(), faces.end());
                level.leafs.push_back(leaf);
            }
        }
    }
    // One row shared by every room: a set bit for each of them.
    level.visData.assign(static_cast<size_t>((roomCount + 7) / 8), 0xFF);

    BspModel world{};
    for (int i = 0; i < 3; ++i) {
        world.maxs[i] = static_cast<float>(size[i]);
    }
    world.visLeafs = roomCount;
    world.numFaces = static_cast<int32_t>(level.faces.size());
    level.models.push_back(world);
    level.textureData = MakeTextureLump();
    char start[128];
    std::snprintf(start, sizeof start, "%d %d %d", shape.roomSize[0] / 2, shape.roomSize[1] / 2,
                  shape.roomSize[2] / 2);
    level.entities = std::string("{\n\"classname\" \"world\"\n}\n{\n\"classname\" "
                                 "\"info_player_start\"\n\"origin\" \"") +
                     start + "\"\n\"angle\" \"0\"\n}\n";
    return level;
}

std::vector<uint8_t> MakeLargeLevelFile(const LargeLevelShape& shape) {
    std::vector<uint8_t> lumps[BspLumpCount];
    RecordLumps(MakeLargeLevel(shape), lumps);
    return AssembleBspFile(BspVersion, lumps);
}
