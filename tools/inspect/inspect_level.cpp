// tessaline-inspect for .bsp levels: what the level loader and the load-time
// building make of the file.
#include "inspectors.h"

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
}

void PrintTextures() {
    int32_t count = MipTexCount();
    std::printf("  textures: %d slots\n", count);
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

void PrintLightmaps() {
    int32_t lit = 0;
    for (const FaceLightmap& lightmap : FaceLightmaps) {
        lit += lightmap.page != -1 ? 1 : 0;
    }
    std::printf("  faces with a lightmap %d, without %d; lightmap pages used %d of %d\n", lit,
                BspData.numFaces - lit, LightmapPagesUsed(), LightmapPageCount);
}

void PrintVisibility() {
    AllocVisibilityArrays();
    int32_t withData = 0;
    double shareSum = 0.0;
    for (int32_t leaf = 1; leaf < BspData.numLeafs; ++leaf) {
        if (BspData.leafs[leaf].visOffset < 0) {
            continue;
        }
        ++withData;
        DecompressLeafVisibility(leaf);
        int32_t seen = 0;
        for (int32_t other = 1; other < BspData.numLeafs; ++other) {
            seen += IsLeafVisible(other) ? 1 : 0;
        }
        shareSum += static_cast<double>(seen) / (BspData.numLeafs - 1);
    }
    std::printf("  leafs with visibility data %d of %d", withData, BspData.numLeafs);
    if (withData > 0) {
        std::printf("; each sees %.1f%% of the leafs on average", 100.0 * shareSum / withData);
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
    PrintLightmaps();
    PrintVisibility();
    PrintPlayerStart();
    return true;
}
