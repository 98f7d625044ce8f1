// The show's pictures, skybox, light sprite and object mesh, in the order
// the scenes read them.
#include "tools/data/art/art.h"

#include "tools/data/art/parts.h"

void WriteArtFiles(const std::string& dir) {
    WriteLetterPictures(dir);
    WriteTitlePictures(dir);
    WriteCatObject(dir);
    WriteObjectMaterials(dir);
    WriteSpaceSkybox(dir);
    WriteSpriteAndBackdrop(dir);
}
