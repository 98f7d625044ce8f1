#pragma once
#include <cstdint>
#include <vector>
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
struct LevelArt {
    std::vector<uint8_t> palette;
    std::vector<uint8_t> textureLump;
    uint32_t width[LevelTextureSlotCount];
    uint32_t height[LevelTextureSlotCount];
};
LevelArt MakeLevelArt();
