// The show's pictures, skybox, light sprite and object mesh, in the order
// the scenes read them.
#include "tools/data/art/art.h"

#include "shell/fatal.h"
#include "tools/capture/png_file.h"
#include "tools/data/art/parts.h"

#include <cstdio>

void WriteArtFiles(const std::string& dir) {
    WriteLetterPictures(dir);
    WriteTitlePictures(dir);
    WriteCatObject(dir);
    WriteObjectMaterials(dir);
    WriteSpaceSkybox(dir);
    WriteSpriteAndBackdrop(dir);
}

void WriteIconFile(const std::string& path) {
    const int size = 256;
    std::vector<uint8_t> rgb = CanvasToRgb(PaintIcon(size));
    if (!WritePngRgb(path, rgb.data(), size, size)) {
        FatalError("Cannot write %s", path.c_str());
    }
    std::printf("tessaline-data: %s (icon)\n", path.c_str());
}
