// Drawing the level's chained faces with two texture units.
#include "bsp/surfaces.h"

#include "bsp/bsp_file.h"
#include "bsp/level_stats.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "image/image.h"
#include "shell/display.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <vector>

static int32_t CurrentLightmapPage = -1;

// One texture's chain reordered by lightmap page, drawn from here. Grown once
// to the longest chain a level can make, so drawing allocates nothing after
// the first frame.
static std::vector<int32_t> PageOrderedFaces;

// Makes room in PageOrderedFaces for any chain of the loaded level.
static void SizePageOrder(size_t needed) {
    if (PageOrderedFaces.size() >= needed) {
        return;
    }
    for (const LevelTexture& texture : LevelTextures) {
        needed = std::max(needed, texture.chain.size());
    }
    PageOrderedFaces.resize(needed);
}

void OrderFacesByPage(const int32_t* faces, int32_t count, int32_t firstPage, int32_t* ordered) {
    assert(firstPage >= 0 && firstPage < LightmapPageCount);
    // Counting pass: faces per page, then each page's first place.
    int32_t next[LightmapPageCount] = {};
    for (int32_t i = 0; i < count; ++i) {
        int32_t page = FaceLightmaps[static_cast<size_t>(faces[i])].page;
        assert(page >= 0 && page < LightmapPageCount);
        ++next[page];
    }
    int32_t at = 0;
    for (int32_t k = 0; k < LightmapPageCount; ++k) {
        int32_t page = (firstPage + k) % LightmapPageCount;
        int32_t onPage = next[page];
        next[page] = at;
        at += onPage;
    }
    for (int32_t i = 0; i < count; ++i) {
        int32_t page = FaceLightmaps[static_cast<size_t>(faces[i])].page;
        ordered[next[page]++] = faces[i];
    }
}

void BeginLevelFrame() {
    CurrentLightmapPage = -1;
    ClearLevelFrameStats();
}

void ClearTextureChains() {
    for (LevelTexture& texture : LevelTextures) {
        texture.chain[0] = 0;
    }
}

void DrawTextureChains() {
    LevelStats* stats = GetLevelStats();
    for (const LevelTexture& texture : LevelTextures) {
        int32_t count = texture.chain[0];
        if (count == 0) {
            continue;
        }
        ActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, GetImage(texture.image)->textureName);
        ++stats->textureBinds;
        ActiveTextureARB(GL_TEXTURE1_ARB);
        SizePageOrder(static_cast<size_t>(count));
        // Starting with the page bound last often saves the first bind.
        OrderFacesByPage(&texture.chain[1], count, std::max(CurrentLightmapPage, 0),
                         PageOrderedFaces.data());
        for (int32_t i = 0; i < count; ++i) {
            DrawLevelFace(PageOrderedFaces[static_cast<size_t>(i)]);
        }
    }
}

void DrawLevelFace(int32_t f) {
    LevelStats* stats = GetLevelStats();
    int32_t page = FaceLightmaps[static_cast<size_t>(f)].page;
    if (page != CurrentLightmapPage) {
        glBindTexture(GL_TEXTURE_2D, LightmapTextureName(page));
        CurrentLightmapPage = page;
        ++stats->lightmapBinds;
    }
    ++stats->facesDrawn;
    const FaceTexCoord* coords = &FaceTexCoords[static_cast<size_t>(FaceTexCoordStart[f])];
    glBegin(GL_POLYGON);
    for (int32_t j = 0; j < BspData.faces[f].numEdges; ++j) {
        MultiTexCoord2fvARB(GL_TEXTURE0_ARB, &coords[j].s);
        MultiTexCoord2fvARB(GL_TEXTURE1_ARB, &coords[j].lightS);
        glVertex3fv(FaceVertex(f, j));
    }
    glEnd();
}
