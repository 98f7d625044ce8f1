// tessaline-large-level: writes the large level of large_level.h to a file,
// for tessaline-bench --level.
#include "tools/bench/large_level.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("usage: tessaline-large-level FILE\n"
                   "  writes a level of 300 rooms on three storeys, 24,000 faces, to FILE\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 1;
    }
    std::vector<uint8_t> bytes = MakeLargeLevelFile(LargeLevelShape{});
    std::FILE* file = std::fopen(argv[1], "wb");
    bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        std::fprintf(stderr, "tessaline-large-level: can't write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], bytes.size());
    return 0;
}
