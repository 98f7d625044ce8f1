// The finished level as a version-29 level file: every lump built from the
// compiler's tree, faces, visibility, lightmaps and textures.
//
// No state. Leaf 0 is the shared solid leaf; open leaf i of the tree is
// leaf i of the file; node i is node i; faces keep their order (sorted by
// node). Edge 0 is never used, since a surf edge of -0 could not say which
// way it runs.
#pragma once

#include "tools/data/level/textures.h"
#include "tools/data/level/faces.h"
#include "tools/data/level/layout.h"
#include "tools/data/level/light.h"
#include "tools/data/level/vis.h"

#include <cstdint>
#include <string>
#include <vector>

struct CompiledLevel {
    const LevelLayout* layout;
    const LevelTree* tree;
    const std::vector<LevelFace>* faces;
    const LevelVisibility* visibility;
    const LevelLighting* lighting;
    const LevelArt* art;
};

// The entity text: worldspawn, the player start and one entity per light.
std::string LevelEntityText(const LevelLayout& layout);

// The whole file's bytes.
std::vector<uint8_t> BuildLevelFileBytes(const CompiledLevel& level);
