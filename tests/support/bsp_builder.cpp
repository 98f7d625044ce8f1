// Test support: small levels built in code and written as level files.
#include "support/bsp_builder.h"

#include "bsp/bsp_write.h"
#include "image/palette.h"

#include <algorithm>
#include <cstring>

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
    level.entities = "{\n\"classname\" \"worldspawn\"\n}\n{\n\"classname\" \"info_player_start\"\n"
                     "\"origin\" \"32 0 8\"\n\"angle\" \"90\"\n}\n";
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
