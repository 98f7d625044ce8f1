// The picture and mesh makers, one per group of files; each writes its files
// under dir through WriteDataFile.
#pragma once

#include "tools/data/art/canvas.h"

#include <string>

// "textures/001H.tga" ... "textures/001a.tga": the flying name's letters.
void WriteLetterPictures(const std::string& dir);
// "textures/zembrit.tga", "textures/morvasktop.tga", "textures/morvaskbottom.tga",
// "textures/punkt.tga": the logo, the two banners and the flash band.
void WriteTitlePictures(const std::string& dir);
// "textures/mess.pcx", "textures/spheresky.jpg", "textures/mosaico.tga": the
// object's environment map and the two sphere pictures.
void WriteObjectMaterials(const std::string& dir);
// "objects/cat.3dg".
void WriteCatObject(const std::string& dir);
// "skybox/space1ft.tga" ... "skybox/space1dn.tga".
void WriteSpaceSkybox(const std::string& dir);
// "textures/luz.pcx" (light sprite) and "textures/cubitos.tga" (backdrop tile).
void WriteSpriteAndBackdrop(const std::string& dir);
// The program's icon, size x size: the titles' logo, halved and centred on
// black.
Canvas PaintIcon(int size);
