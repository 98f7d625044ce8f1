#include "tools/data/art_parts.h"
void WriteTitlePictures(const std::string&) {}
void WriteObjectMaterials(const std::string&) {}
void WriteCatObject(const std::string&) {}
void WriteSpaceSkybox(const std::string&) {}
void WriteSpriteAndBackdrop(const std::string&) {}
