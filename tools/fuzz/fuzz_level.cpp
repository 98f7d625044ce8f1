// Fuzz target of the level loader and everything built from a level at load
// (textures, texture coordinates, lightmaps, visibility arrays, the player
// start), followed by the per-frame visibility work from a few viewpoints:
// whatever the file holds, the load refuses it through FatalError or the
// level is safe to walk.
#include "fuzz_harness.h"

#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/entities.h"
#include "bsp/frustum.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/surfaces.h"
#include "bsp/visibility.h"
#include "image/palette.h"

#include <algorithm>

namespace {

void WalkFrom(const float view[3]) {
    SetViewPosition(view);
    UpdateVisibleLeaves();
    MarkVisibleFaces(BspRoot());
    ClearTextureChains();
    WalkBspTree(BspRoot());
    for (const LevelTexture& texture : LevelTextures) {
        FuzzCheck(texture.chain[0] >= 0 &&
                      static_cast<size_t>(texture.chain[0]) < texture.chain.size(),
                  "a chain holds more faces than its texture has");
    }
}

void LoadLevel(const char* path) {
    static Palette palette = [] {
        Palette grey;
        for (int i = 0; i < PaletteFileSize; ++i) {
            grey.rgb[i] = static_cast<uint8_t>(i / 3);
        }
        return grey;
    }();
    LoadBSPFile(path);
    BuildLevelTextures(&palette);
    BuildFaceTexCoords();
    AllocVisibilityArrays();
    FuzzCheck(FaceLightmaps.size() == static_cast<size_t>(BspData.numFaces),
              "faces without lightmap records");

    // Everything in view, from the origin, the player start and a few
    // vertexes.
    float planes[FrustumPlaneCount][4] = {};
    for (auto& plane : planes) {
        plane[0] = 1.0f;
        plane[3] = 1.0e9f;
    }
    SetFrustumPlanes(planes);
    float view[3] = {0.0f, 0.0f, 0.0f};
    WalkFrom(view);
    float angle = 0.0f;
    FindPlayerStart(view, &angle);
    WalkFrom(view);
    for (int32_t i = 0; i < std::min(BspData.numVertexes, 8); ++i) {
        WalkFrom(BspData.vertexes[i].position);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunFuzzInput(data, size, LoadLevel);
}
