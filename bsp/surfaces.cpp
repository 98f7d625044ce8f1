// Drawing the level's chained faces with two texture units.
#include "bsp/surfaces.h"

#include "bsp/bsp_file.h"
#include "bsp/level_stats.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "image/image.h"
#include "shell/display.h"

#include <GL/gl.h>

static int32_t CurrentLightmapPage = -1;

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
        for (int32_t i = 1; i <= count; ++i) {
            DrawLevelFace(texture.chain[static_cast<size_t>(i)]);
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
