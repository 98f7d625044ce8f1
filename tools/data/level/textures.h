// The level's palette and its seven mip textures, painted procedurally.
//
// The palette is sixteen ramps of sixteen shades (entry = ramp * 16 + shade,
// shade 0 the darkest). Every entry keeps its brightest channel at 48 or
// more, so that a texel under the dimmest lightmap still lands above black
// in a 16-bit picture; only the lamp ramps reach pure white. Each texture is
// painted in floating point, tiles seamlessly, and is mapped to the nearest
// colours of its own few ramps. The result is the same bytes on every run.
#pragma once

#include <cstdint>
#include <vector>

// Texture slots of the level, in lump order.
enum LevelTextureSlot {
    LevelTexWall,
    LevelTexFloor,
    LevelTexCeiling,
    LevelTexTrim,
    LevelTexMetal,
    LevelTexLamp,
    LevelTexStone,
    LevelTextureSlotCount
};

// Mip levels stored per texture: level k is (width >> k) x (height >> k).
constexpr int LevelMipLevels = 4;

struct LevelArt {
    std::vector<uint8_t> palette;     // 768 bytes, R, G, B per entry: "bsp/palette.lmp"
    std::vector<uint8_t> textureLump; // the whole texture lump, slots in LevelTextureSlot order
    uint32_t width[LevelTextureSlotCount]; // base sizes in texels, powers of two
    uint32_t height[LevelTextureSlotCount];
};

// Designs the palette and paints every level texture. The texture lump is a
// little-endian count word, one offset per slot from the start of the lump,
// then per slot a 40-byte header (name, width, height, four mip offsets from
// the start of that header) followed by its four levels of palette indices;
// every header starts on a 4-byte boundary.
LevelArt MakeLevelArt();

// The texture's name as stored in its header ("wall1", "floor1", ...).
const char* LevelTextureName(LevelTextureSlot slot);
