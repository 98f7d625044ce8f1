// Test support: small levels built in code and written as level files.
#include "support/bsp_builder.h"

#include "bsp/bsp_write.h"
#include "image/palette.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

void PutWord(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

} // namespace

std::vector<uint8_t> MakeTextureLump(const std::vector<TestTexture>& textures) {
    std::vector<uint8_t> lump(4 + 4 * textures.size());
    PutWord(lump, 0, static_cast<int32_t>(textures.size()));
    for (size_t i = 0; i < textures.size(); ++i) {
        const TestTexture& texture = textures[i];
        if (texture.absent) {
            PutWord(lump, 4 + 4 * i, -1);
            continue;
        }
        PutWord(lump, 4 + 4 * i, static_cast<int32_t>(lump.size()));
        BspMipTex header{};
        std::memcpy(header.name, texture.name.c_str(),
                    std::min(texture.name.size(), sizeof header.name));
        header.width = texture.width;
        header.height = texture.height;
        uint32_t pixels = texture.width * texture.height;
        header.offsets[0] = sizeof header;
        header.offsets[1] = sizeof header + pixels;
        header.offsets[2] = header.offsets[1] + pixels / 4;
        header.offsets[3] = header.offsets[2] + pixels / 16;
        size_t start = lump.size();
        lump.resize(start + sizeof header + pixels + pixels / 4 + pixels / 16 + pixels / 64,
                    texture.fill);
        std::memcpy(lump.data() + start, &header, sizeof header);
    }
    return lump;
}

TestLevel MakeTwoRoomLevel() {
    TestLevel level;
    level.planes = {{{1, 0, 0}, 0, 0}};
    level.vertexes = {{{0, -64, -64}}, {{0, 64, -64}}, {{0, 64, 64}}, {{0, -64, 64}}};
    level.edges = {{{0, 0}}, {{0, 1}}, {{1, 2}}, {{2, 3}}, {{3, 0}}};
    level.surfEdges = {1, 2, 3, 4, -4, -3, -2, -1};
    // s along y, t along z, both one texel per unit.
    level.texInfo = {{{0, 1, 0, 0}, {0, 0, 1, 0}, 0, 0}};
    level.faces = {{0, 0, 0, 4, 0, {0, 255, 255, 255}, 0}, {0, 1, 4, 4, 0, {0, 255, 255, 255}, 81}};
    level.nodes = {{0, {-2, -3}, {-64, -64, -64}, {64, 64, 64}, 0, 2}};
    level.markSurfaces = {0, 1};
    level.leafs = {{-2, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}},
                   {-1, 0, {0, -64, -64}, {64, 64, 64}, 0, 2, {}},
                   {-1, 1, {-64, -64, -64}, {0, 64, 64}, 0, 2, {}}};
    // Leaf 1 sees leaf 2 and itself (bits for leafs 1 and 2), likewise leaf 2.
    level.visData = {0x03, 0x03};
    level.models = {{{-64, -64, -64}, {64, 64, 64}, {0, 0, 0}, {0, 0, 0, 0}, 2, 0, 2}};
    level.textureData = MakeTextureLump({{"wall", 16, 16, 7, false}, {"", 0, 0, 0, true}});
    // Both faces span 128 x 128 texels: 9 x 9 samples.
    level.lightData.assign(81, 100);
    level.lightData.resize(162, 50);
    level.entities = "{\n\"classname\" \"world\"\n}\n{\n\"classname\" \"info_player_start\"\n"
                     "\"origin\" \"32 0 8\"\n\"angle\" \"90\"\n}\n";
    return level;
}

namespace {

struct Corner {
    float x, y, z;
};

// Appends a face of four corners with its own vertexes, edges and surf
// edges (walked forwards) and returns its index.
int32_t AddQuad(TestLevel& level, const Corner (&corners)[4], int16_t side, int16_t texInfo,
                std::initializer_list<uint8_t> styles, int32_t lightOffset, int16_t planeNum) {
    auto first = static_cast<uint16_t>(level.vertexes.size());
    int32_t firstSurfEdge = static_cast<int32_t>(level.surfEdges.size());
    for (int i = 0; i < 4; ++i) {
        level.vertexes.push_back({{corners[i].x, corners[i].y, corners[i].z}});
        level.surfEdges.push_back(static_cast<int32_t>(level.edges.size()));
        level.edges.push_back(
            {{static_cast<uint16_t>(first + i), static_cast<uint16_t>(first + (i + 1) % 4)}});
    }
    BspFace face{planeNum, side, firstSurfEdge, 4, texInfo, {255, 255, 255, 255}, lightOffset};
    std::copy(styles.begin(), styles.end(), face.styles);
    level.faces.push_back(face);
    return static_cast<int32_t>(level.faces.size()) - 1;
}

// Appends styles x samples bytes of value to the light data; returns where
// they start.
int32_t AddLight(TestLevel& level, int styles, int samples, uint8_t value) {
    auto offset = static_cast<int32_t>(level.lightData.size());
    level.lightData.resize(level.lightData.size() + static_cast<size_t>(styles * samples), value);
    return offset;
}

} // namespace

TestLevel MakeCompiledLevel() {
    TestLevel level;
    level.planes = {
        {{1, 0, 0}, 64, 0},                              // 0: the outside beyond x = 64
        {{1, 0, 0}, 0, 0},                               // 1: the wall
        {{0.8f, 0.6f, 0}, 60, 3},                        // 2: slime corner, non-axial (mostly x)
        {{0.6f, 0, 0.8f}, 32, 5},                        // 3: sky, non-axial (mostly z)
        {{0, 0, 1}, -32, 2},                             // 4: water surface
        {{0.28f, 0.96f, 0}, 50, 4},                      // 5: lava corner, non-axial (mostly y)
        {{1, 0, 0}, 24, 0},                              // 6, 7: the door's sides
        {{1, 0, 0}, 16, 0},         {{0, 0, 1}, -40, 2}, // 8: the platform
    };
    level.texInfo = {
        {{0, 1, 0, 0}, {0, 0, 1, 0}, 0, 0},        // 0: wall
        {{0, 1, 0, 0}, {0, 0, 1, 0}, 1, 0},        // 1: absent slot
        {{-0.6f, 0.8f, 0, 0}, {0, 0, 1, 0}, 2, 0}, // 2: brick along the slant
        {{1, 0, 0, 0}, {0, 0, 1, 0}, 3, 0},        // 3: panel
        {{1, 0, 0, 0}, {0, 1, 0, 0}, 4, 1},        // 4: water, special
        {{1, 0, 0, 0}, {0, 1, 0, 0}, 5, 1},        // 5: sky, special
        {{0, 1, 0, 0}, {0, 0, 1, 0}, 6, 0},        // 6: door
        {{1, 0, 0, 0}, {0, 1, 0, 0}, 6, 0},        // 7: platform
    };
    level.textureData = MakeTextureLump({{"wall", 16, 16, 200, false},
                                         {"", 0, 0, 0, true},
                                         {"brick", 64, 48, 180, false},
                                         {"panel", 24, 40, 160, false},
                                         {"*pool", 16, 16, MarkerIndex, false},
                                         {"skyblue", 32, 16, MarkerIndex, false},
                                         {"door", 16, 16, MarkerIndex, false},
                                         {"", 0, 0, 0, true}});
    // Edge 0 is never used: a surf edge -0 could not walk it backwards.
    level.edges = {{{0, 0}}};

    // Faces 0 and 1 share their edges, the back face walking them backwards.
    AddQuad(level, {{0, -64, -64}, {0, 64, -64}, {0, 64, 64}, {0, -64, 64}}, 0, 0, {0},
            AddLight(level, 1, 81, 100), 1);
    level.faces.push_back(level.faces[0]);
    level.faces[1].side = 1;
    level.faces[1].firstSurfEdge = static_cast<int32_t>(level.surfEdges.size());
    level.faces[1].lightOffset = AddLight(level, 1, 81, 60);
    for (int i = 3; i >= 0; --i) {
        level.surfEdges.push_back(-level.surfEdges[static_cast<size_t>(i)]);
    }
    AddQuad(level, {{0, 0, 0}, {0, 16, 0}, {0, 16, 16}, {0, 0, 16}}, 0, 1, {0},
            AddLight(level, 1, 4, 255), 1);
    AddQuad(level, {{0, -16, -16}, {0, 0, -16}, {0, 0, 0}, {0, -16, 0}}, 1, 1, {}, -1, 1);
    // s from -20 to 30, t from -32 to 32: 5 x 5 samples per style.
    AddQuad(level, {{60, 20, -32}, {30, 60, -32}, {30, 60, 32}, {60, 20, 32}}, 1, 2, {0, 1, 32, 63},
            AddLight(level, 4, 25, 10), 2);
    AddQuad(level, {{0, -64, 40}, {64, -64, -8}, {64, 64, -8}, {0, 64, 40}}, 1, 5, {}, -1, 3);
    AddQuad(level, {{0, -64, -32}, {64, -64, -32}, {64, 64, -32}, {0, 64, -32}}, 0, 4, {}, -1, 4);
    AddQuad(
        level,
        {{0, 52.083336f, -32}, {64, 33.416668f, -32}, {64, 33.416668f, 32}, {0, 52.083336f, 32}}, 1,
        3, {1, 63}, AddLight(level, 2, 25, 5), 5);
    // The door (3 x 5 samples a side) and the platform (3 x 3).
    AddQuad(level, {{24, -16, -64}, {24, 16, -64}, {24, 16, 0}, {24, -16, 0}}, 0, 6, {0},
            AddLight(level, 1, 15, 200), 6);
    AddQuad(level, {{16, -16, -64}, {16, 16, -64}, {16, 16, 0}, {16, -16, 0}}, 1, 6, {0},
            AddLight(level, 1, 15, 200), 7);
    AddQuad(level, {{40, -8, -40}, {56, -8, -40}, {56, 8, -40}, {40, 8, -40}}, 0, 7, {0},
            AddLight(level, 1, 9, 200), 8);

    // Children: c >= 0 a node, c < 0 leaf -(c + 1).
    level.nodes = {
        {0, {-1, 1}, {-64, -64, -64}, {64, 64, 64}, 0, 0},
        {1, {2, -3}, {-64, -64, -64}, {64, 64, 64}, 0, 4},
        {2, {-4, 3}, {0, -64, -64}, {64, 64, 64}, 4, 1},
        {3, {-5, 4}, {0, -64, -64}, {64, 64, 64}, 5, 1},
        {4, {5, -6}, {0, -64, -64}, {64, 64, 64}, 6, 1},
        {5, {-7, -2}, {0, -64, -32}, {64, 64, 64}, 7, 1},
        {6, {-8, 7}, {16, -16, -64}, {24, 16, 0}, 8, 1},
        {7, {-9, -10}, {16, -16, -64}, {24, 16, 0}, 9, 1},
        {8, {-11, -12}, {40, -8, -48}, {56, 8, -40}, 10, 1},
    };
    level.markSurfaces = {0, 2, 4, 5, 6, 7, 1, 3, 4, 5, 6, 7, 8, 9, 10};
    level.leafs = {
        {-2, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}},
        {-1, 0, {0, -64, -64}, {64, 64, 64}, 0, 6, {}},
        {-1, 1, {-64, -64, -64}, {0, 64, 64}, 6, 2, {}},
        {-4, 2, {30, 20, -64}, {64, 64, 64}, 8, 1, {}},
        {-6, 3, {0, -64, -8}, {64, 64, 64}, 9, 1, {}},
        {-3, 4, {0, -64, -64}, {64, 64, -32}, 10, 1, {}},
        {-5, 5, {0, 33, -64}, {64, 64, 64}, 11, 1, {}},
        {-1, -1, {24, -16, -64}, {64, 16, 0}, 12, 1, {}},
        {-2, -1, {16, -16, -64}, {24, 16, 0}, 13, 0, {}},
        {-1, 4096, {0, -16, -64}, {16, 16, 0}, 13, 1, {}},
        {-1, -1, {40, -8, -40}, {56, 8, 0}, 14, 1, {}},
        {-2, -1, {40, -8, -48}, {56, 8, -40}, 15, 0, {}},
    };
    // One byte a row (bits for leafs 1-6); leaf 6's all-hidden row is a zero
    // and a count of one group.
    level.visData = {0x3D, 0x02, 0x3D, 0x3D, 0x3D, 0x00, 0x01};
    level.clipNodes = {{0, {1, -1}}, {1, {-2, -1}}};
    level.models = {
        {{-64, -64, -64}, {64, 64, 64}, {0, 0, 0}, {0, 0, 1, 0}, 6, 0, 8},
        {{16, -16, -64}, {24, 16, 0}, {0, 0, 0}, {6, 0, 0, 0}, 0, 8, 2},
        {{40, -8, -48}, {56, 8, -40}, {0, 0, 0}, {8, 0, 0, 0}, 0, 10, 1},
    };
    level.entities = "{\n\"classname\" \"world\"\n\"wad\" \"stone\"\n}\n"
                     "{\n\"classname\" \"info_player_start\"\n\"origin\" \"48 0 0\"\n"
                     "\"angle\" \"180\"\n}\n"
                     "{\n\"classname\" \"door\"\n\"model\" \"*1\"\n}\n"
                     "{\n\"classname\" \"lift\"\n\"model\" \"*2\"\n}\n";
    return level;
}

std::vector<uint8_t> BuildLevelFile(const TestLevel& level) {
    std::vector<uint8_t> lumps[BspLumpCount];
    RecordLumps(level, lumps);
    for (int i = 0; i < BspLumpCount; ++i) {
        if (level.useRaw[i]) {
            lumps[i] = level.rawLumps[i];
        }
    }
    return AssembleBspFile(level.version, lumps);
}

Palette GreyPalette() {
    Palette palette;
    for (int i = 0; i < 256; ++i) {
        palette.rgb[3 * i] = palette.rgb[3 * i + 1] = palette.rgb[3 * i + 2] =
            static_cast<uint8_t>(i);
    }
    return palette;
}

Palette MarkerPalette() {
    Palette palette = GreyPalette();
    palette.rgb[3 * MarkerIndex] = 255;
    palette.rgb[3 * MarkerIndex + 1] = 0;
    palette.rgb[3 * MarkerIndex + 2] = 0;
    return palette;
}
