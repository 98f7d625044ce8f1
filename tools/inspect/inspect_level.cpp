// tessaline-inspect for .bsp levels: what the level loader and the load-time
// building make of the file.
#include "inspectors.h"

#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/entities.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/visibility.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintLumpCounts() {
    std::printf("  BSP version 29\n");
    std::printf("  planes %d, vertexes %d, nodes %d, leafs %d, clip nodes %d\n", BspData.numPlanes,
                BspData.numVertexes, BspData.numNodes, BspData.numLeafs, BspData.numClipNodes);
    std::printf("  texinfos %d, faces %d, mark surfaces %d, edges %d, surf edges %d, models %d\n",
                BspData.numTexInfo, BspData.numFaces, BspData.numMarkSurfaces, BspData.numEdges,
                BspData.numSurfEdges, BspData.numModels);
    std::printf("  bytes: texture data %d, visibility %d, light %d, entity text %d\n",
                BspData.textureDataSize, BspData.visDataSize, BspData.lightDataSize,
                BspData.entityDataSize);
    std::printf("  models %d (only model 0, the world, is drawn); model 0 visLeafs %d\n",
                BspData.numModels, BspData.models[0].visLeafs);
}

void PrintTextures() {
    int32_t count = MipTexCount();
    int32_t absent = 0;
    for (int32_t slot = 0; slot < count; ++slot) {
        absent += MipTexOffset(slot) == -1 ? 1 : 0;
    }
    std::printf("  textures: %d slots, %d absent\n", count, absent);
    for (int32_t slot = 0; slot < count; ++slot) {
        if (MipTexOffset(slot) == -1) {
            std::printf("    %d: absent\n", slot);
            continue;
        }
        BspMipTex mip = ReadMipTex(slot);
        std::printf("    %d: %.*s %u x %u\n", slot,
                    static_cast<int>(strnlen(mip.name, sizeof mip.name)), mip.name, mip.width,
                    mip.height);
    }
}

// Faces without a lightmap and faces of absent slots are never drawn.
void PrintFaces() {
    int32_t lit = 0;
    for (const FaceLightmap& lightmap : FaceLightmaps) {
        lit += lightmap.page != -1 ? 1 : 0;
    }
    std::printf("  faces with a lightmap %d, without %d; lightmap pages used %d of %d\n", lit,
                BspData.numFaces - lit, LightmapPagesUsed(), LightmapPageCount);
    int32_t ofAbsent = 0;
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        ofAbsent += MipTexOffset(BspData.texInfo[BspData.faces[f].texInfo].mipTex) == -1 ? 1 : 0;
    }
    std::printf("  faces naming an absent texture %d; faces of model 0 %d\n", ofAbsent,
                BspData.models[0].numFaces);
}

void PrintVisibility() {
    AllocVisibilityArrays();
    int32_t withData = 0;
    double shareSum = 0.0;
    const int32_t rowLeafs = VisibilityRowLeafs();
    for (int32_t leaf = 1; leaf <= rowLeafs; ++leaf) {
        if (!LeafHasVisibilityRow(leaf)) {
            continue;
        }
        ++withData;
        DecompressLeafVisibility(leaf);
        int32_t seen = 0;
        for (int32_t other = 1; other <= rowLeafs; ++other) {
            seen += IsLeafVisible(other) ? 1 : 0;
        }
        shareSum += static_cast<double>(seen) / rowLeafs;
    }
    // Leaf 0 and other models' leafs have no rows.
    std::printf("  world leafs with visibility data %d of %d", withData, rowLeafs);
    if (withData > 0) {
        std::printf("; each sees %.1f%% of them on average", 100.0 * shareSum / withData);
    }
    std::printf("\n");
}

void PrintPlayerStart() {
    bool found = std::strstr(BspData.entityData, "info_player_start") != nullptr ||
                 std::strstr(BspData.entityData, "info_player_deathmatch") != nullptr;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float angle = 0.0f;
    FindPlayerStart(position, &angle);
    if (found) {
        std::printf("  player start (%g, %g, %g), angle %g\n", position[0], position[1],
                    position[2], angle);
    } else {
        std::printf("  no player start: the camera starts at (0, 0, 0), angle 0\n");
    }
}

} // namespace

bool InspectBsp(const char* path, InspectedPicture*) {
    LoadBSPFile(path);
    BuildFaceTexCoords();
    PrintLumpCounts();
    PrintTextures();
    PrintFaces();
    PrintVisibility();
    PrintPlayerStart();
    return true;
}
