#pragma once
#include <cstdint>
#include <vector>
struct LeafBox {
    int32_t mins[3];
    int32_t maxs[3];
};
struct LevelVisibility {
    std::vector<std::vector<uint8_t>> rows;
    int32_t portalCount;
};
LevelVisibility ComputeLevelVisibility(const std::vector<LeafBox>& boxes);
std::vector<uint8_t> CompressVisRow(const std::vector<uint8_t>& row);
