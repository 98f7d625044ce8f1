// Writing the generator's files, one progress line each.
#include "tools/data/output.h"

#include "shell/fatal.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

void WriteDataFile(const std::string& dir, const std::string& name,
                   const std::vector<uint8_t>& bytes) {
    std::filesystem::path path = std::filesystem::path(dir) / name;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        FatalError("Cannot make folder %s: %s", path.parent_path().c_str(),
                   error.message().c_str());
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        FatalError("Cannot write %s", path.c_str());
    }
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    bool closed = std::fclose(file) == 0;
    if (written != bytes.size() || !closed) {
        FatalError("Cannot write %s (disk full?)", path.c_str());
    }
    std::printf("tessaline-data: %s (%zu bytes)\n", name.c_str(), bytes.size());
    std::fflush(stdout);
}
