// Writing level files (see bsp_write.h).
#include "bsp/bsp_write.h"

static void PutWord(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

std::vector<uint8_t> AssembleBspFile(int32_t version,
                                     const std::vector<uint8_t> (&lumps)[BspLumpCount]) {
    std::vector<uint8_t> file(BspHeaderSize);
    PutWord(file, 0, version);
    for (int i = 0; i < BspLumpCount; ++i) {
        while (file.size() % 4 != 0) {
            file.push_back(0);
        }
        PutWord(file, 4 + 8 * static_cast<size_t>(i), static_cast<int32_t>(file.size()));
        PutWord(file, 8 + 8 * static_cast<size_t>(i), static_cast<int32_t>(lumps[i].size()));
        file.insert(file.end(), lumps[i].begin(), lumps[i].end());
    }
    return file;
}
