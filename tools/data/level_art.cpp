#include "tools/data/level_art.h"
#include <cstdio>
#include "bsp/bsp_file.h"
#include <cstring>
LevelArt MakeLevelArt() {
    LevelArt art{};
    for (int i = 0; i < 256; ++i) {
        art.palette.push_back(60 + i * 3 / 4);
        art.palette.push_back(60 + i / 2);
        art.palette.push_back(60 + i / 3);
    }
    int n = LevelTextureSlotCount;
    std::vector<uint8_t>& lump = art.textureLump;
    lump.resize(4 + 4 * n);
    std::memcpy(lump.data(), &n, 4);
    for (int s = 0; s < n; ++s) {
        int32_t off = (int32_t)lump.size();
        std::memcpy(lump.data() + 4 + 4 * s, &off, 4);
        BspMipTex h{};
        std::snprintf(h.name, 16, "t%d", s);
        h.width = h.height = 64;
        h.offsets[0] = 40;
        h.offsets[1] = 40 + 4096;
        h.offsets[2] = h.offsets[1] + 1024;
        h.offsets[3] = h.offsets[2] + 256;
        size_t start = lump.size();
        lump.resize(start + 40 + 4096 + 1024 + 256 + 64);
        std::memcpy(lump.data() + start, &h, 40);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                lump[start + 40 + y * 64 + x] = (uint8_t)(s * 36 + ((x / 8 + y / 8) % 2) * 20 +
                                                          (x % 32 == 0 || y % 32 == 0 ? 10 : 0));
        art.width[s] = art.height[s] = 64;
    }
    return art;
}
