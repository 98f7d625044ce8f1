#include "tools/data/level_vis.h"
#include <cstddef>
using std::size_t;
LevelVisibility ComputeLevelVisibility(const std::vector<LeafBox>& boxes) {
    LevelVisibility v;
    v.portalCount = 0;
    size_t n = boxes.size();
    for (size_t i = 0; i < n; ++i) {
        std::vector<uint8_t> row((n + 7) / 8, 0);
        for (size_t j = 0; j < n; ++j)
            row[j >> 3] |= 1 << (j & 7);
        v.rows.push_back(row);
    }
    return v;
}
std::vector<uint8_t> CompressVisRow(const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < row.size(); ++i) {
        if (row[i]) {
            out.push_back(row[i]);
            continue;
        }
        size_t run = 0;
        while (i < row.size() && row[i] == 0 && run < 255) {
            ++run;
            ++i;
        }
        --i;
        out.push_back(0);
        out.push_back((uint8_t)run);
    }
    return out;
}
