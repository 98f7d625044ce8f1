// The level's lightmaps: one sample every 16 units over each face, lit by
// the layout's point lights with squared falloff and hard shadows over a low
// ambient floor. Lamp panels glow at full brightness.
//
// No state. Each face's samples are laid out exactly as the show reads them:
// a grid of w x h samples, w = (extent s >> 4) + 1 on the face's 16-unit
// aligned s range (likewise h on t), one block per light style, style 0
// first. Sample values are half the final brightness (the show doubles the
// steady style), so 128 and above is full white.
#pragma once

#include "tools/data/level/faces.h"
#include "tools/data/level/layout.h"

#include <cstdint>
#include <vector>

// Light of the darkest corner, in sample units.
constexpr int32_t AmbientSample = 24;

struct FaceLighting {
    uint8_t styles[4];   // styles of the blocks in order, 255 after the last
    int32_t lightOffset; // byte offset of the first block in the light data
    int32_t width;       // samples per row
    int32_t height;      // rows
};

struct LevelLighting {
    std::vector<FaceLighting> faces; // one per face
    std::vector<uint8_t> data;       // the light lump
};

// Lights every face. Shadow rays are traced through the tree's solid space.
LevelLighting LightLevelFaces(const std::vector<LevelFace>& faces, const LevelTree& tree,
                              const LevelLayout& layout);
