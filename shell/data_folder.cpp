// Where the show's data files are read from.
#include "shell/data_folder.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

// The installed data folder relative to the folder of the installed program
// ("../share/tessaline" for the usual layout); set by the build.
#ifndef TESSALINE_DATA_FROM_PROGRAM
#define TESSALINE_DATA_FROM_PROGRAM "../share/tessaline"
#endif

bool HoldsAnyShowFolder(const std::string& folder) {
    static const char* const Folders[] = {"textures", "skybox", "objects", "bsp", "music"};
    for (const char* name : Folders) {
        std::error_code error;
        if (fs::is_directory(fs::path(folder) / name, error)) {
            return true;
        }
    }
    return false;
}

std::string ChooseDataFolder(const std::string& workingDir, const std::string& programPath) {
    if (HoldsAnyShowFolder(workingDir) || programPath.empty()) {
        return workingDir;
    }
    fs::path installed = fs::path(programPath).parent_path() / TESSALINE_DATA_FROM_PROGRAM;
    if (HoldsAnyShowFolder(installed.string())) {
        return installed.lexically_normal().string();
    }
    return workingDir;
}

void EnterDataFolder() {
    std::error_code error;
    fs::path workingDir = fs::current_path(error);
    if (error) {
        return;
    }
    // Linux names the running program's file here, whatever the command line.
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return;
    }
    std::string chosen = ChooseDataFolder(workingDir.string(), program.string());
    if (chosen != workingDir.string()) {
        fs::current_path(chosen, error);
    }
}
