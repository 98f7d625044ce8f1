// tessaline-inspect FILE… [--png OUT]: reads each file with the program's own
// readers, chosen by extension, and prints what they made of it; --png
// writes the one picture read as a PNG, top row first. A refused file gets
// the message the show would give (on standard error, without a box) and
// the status is 1; bad usage gives status 2.
//
// To read another kind of file, add an inspector and a row to Inspectors.
#include "inspectors.h"
#include "png_write.h"

#include "image/image.h"
#include "shell/fatal.h"

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct InspectorRow {
    const char* extension; // lower case, with the dot
    Inspector inspect;
};

const InspectorRow Inspectors[] = {
    {".tga", InspectTga},   {".pcx", InspectPcx},     {".jpg", InspectJpeg},
    {".jpeg", InspectJpeg}, {".lmp", InspectPalette}, {".3dg", InspectObject3D},
};

std::jmp_buf FatalEscape;

void ReportFatal(const char* message) {
    std::fprintf(stderr, "Error: %s\n", message);
    std::longjmp(FatalEscape, 1);
}

Inspector FindInspector(const char* path) {
    std::string name = path;
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) {
        return nullptr;
    }
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const InspectorRow& row : Inspectors) {
        if (extension == row.extension) {
            return row.inspect;
        }
    }
    return nullptr;
}

// Inspects one file; false when it was refused. picture receives what the
// file decoded to.
bool InspectFile(const char* path, Inspector inspect, InspectedPicture* picture) {
    // The hook long-jumps here from inside a reader, which has released what
    // it held; the table is emptied after every file.
    if (setjmp(FatalEscape) != 0) {
        ClearTextureTable();
        return false;
    }
    bool ok = inspect(path, picture);
    ClearTextureTable();
    return ok;
}

int Usage() {
    std::fprintf(stderr, "usage: tessaline-inspect [--png OUT] FILE...\n"
                         "  reads .tga .pcx .jpg .jpeg .lmp .3dg files as the show does\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* pngPath = nullptr;
    std::vector<const char*> files;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--png") == 0) {
            if (++i == argc) {
                return Usage();
            }
            pngPath = argv[i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty() || (pngPath != nullptr && files.size() != 1)) {
        if (pngPath != nullptr) {
            std::fprintf(stderr, "tessaline-inspect: --png takes exactly one FILE\n");
        }
        return Usage();
    }

    SetFatalErrorHook(ReportFatal);
    int status = 0;
    for (const char* path : files) {
        std::printf("%s:\n", path);
        std::fflush(stdout);
        Inspector inspect = FindInspector(path);
        if (inspect == nullptr) {
            std::fprintf(stderr, "Error: unknown kind of file %s\n", path);
            status = 1;
            continue;
        }
        InspectedPicture picture;
        if (!InspectFile(path, inspect, &picture)) {
            status = 1;
            continue;
        }
        if (pngPath != nullptr) {
            if (picture.channels == 0 || picture.width == 0 || picture.height == 0) {
                std::fprintf(stderr, "Error: %s holds no picture to write\n", path);
                status = 1;
            } else if (!WritePng(pngPath, picture)) {
                status = 1;
            } else {
                std::printf("  written to %s\n", pngPath);
            }
        }
        std::fflush(stdout);
    }
    return status;
}
