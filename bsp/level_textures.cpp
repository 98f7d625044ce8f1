// The level's base textures and per-face texture coordinates.
#include "bsp/level_textures.h"

#include "bsp/bsp_file.h"
#include "bsp/lightmaps.h"
#include "image/image.h"
#include "image/palette.h"

#include <cstring>
#include <string>

std::vector<LevelTexture> LevelTextures;
std::vector<FaceTexCoord> FaceTexCoords;
std::vector<int32_t> FaceTexCoordStart;

int32_t LoadLevelTextures() {
    Palette palette;
    if (ReadPaletteFile("bsp/palette.lmp", &palette) != 0) {
        return -1;
    }
    BuildLevelTextures(&palette);
    return 0;
}

void BuildLevelTextures(const Palette* palette) {
    int32_t count = MipTexCount();
    // Kept between loads: a refused level may leave through a hook's jump.
    static std::vector<int32_t> facesPerSlot;
    facesPerSlot.assign(static_cast<size_t>(count), 0);
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        ++facesPerSlot[static_cast<size_t>(BspData.texInfo[BspData.faces[f].texInfo].mipTex)];
    }
    LevelTextures.assign(static_cast<size_t>(count), LevelTexture{-1, {}});
    for (int32_t slot = 0; slot < count; ++slot) {
        LevelTexture& texture = LevelTextures[static_cast<size_t>(slot)];
        int32_t offset = MipTexOffset(slot);
        if (offset == -1) {
            // Faces naming an absent slot are never chained.
            texture.chain.assign(1, 0);
            continue;
        }
        texture.chain.assign(static_cast<size_t>(facesPerSlot[static_cast<size_t>(slot)]) + 1, 0);
        BspMipTex mip = ReadMipTex(slot);
        int width = static_cast<int>(mip.width);
        int height = static_cast<int>(mip.height);
        texture.image = NewRgbImage(width, height, 0);
        Image* image = GetImage(texture.image);
        // The name field holds up to 16 characters, zero-padded when shorter.
        image->fileName.assign(mip.name, strnlen(mip.name, sizeof mip.name));
        PaletteToRgb(BspData.textureData + offset + mip.offsets[0], width, height, width, height,
                     image->pixels.data(), palette);
    }
}

const float* FaceVertex(int32_t f, int32_t j) {
    // A surf edge e >= 0 walks edge e forwards (its first vertex starts it);
    // e < 0 walks edge -e backwards (its second vertex starts it).
    int32_t e = BspData.surfEdges[BspData.faces[f].firstSurfEdge + j];
    uint16_t vertex = e >= 0 ? BspData.edges[e].v[0] : BspData.edges[-e].v[1];
    return BspData.vertexes[vertex].position;
}

void BuildFaceTexCoords() {
    ComputeFaceTexCoords();
    if (BspData.lightDataSize != 0) {
        BuildLightmaps();
    } else {
        // Without light data no face has a lightmap, so none is drawn.
        ClearFaceLightmaps();
    }
}

void ComputeFaceTexCoords() {
    FaceTexCoordStart.assign(static_cast<size_t>(BspData.numFaces) + 1, 0);
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        FaceTexCoordStart[static_cast<size_t>(f) + 1] =
            FaceTexCoordStart[static_cast<size_t>(f)] + BspData.faces[f].numEdges;
    }
    FaceTexCoords.assign(static_cast<size_t>(FaceTexCoordStart.back()), FaceTexCoord{});
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        const BspFace& face = BspData.faces[f];
        const BspTexInfo& info = BspData.texInfo[face.texInfo];
        // A face of an absent slot is never drawn but may still have a
        // lightmap: its base coordinates stay in texels.
        float width = 1.0f;
        float height = 1.0f;
        if (MipTexOffset(info.mipTex) != -1) {
            BspMipTex mip = ReadMipTex(info.mipTex);
            width = static_cast<float>(mip.width);
            height = static_cast<float>(mip.height);
        }
        for (int32_t j = 0; j < face.numEdges; ++j) {
            const float* p = FaceVertex(f, j);
            float s = p[0] * info.s[0] + p[1] * info.s[1] + p[2] * info.s[2] + info.s[3];
            float t = p[0] * info.t[0] + p[1] * info.t[1] + p[2] * info.t[2] + info.t[3];
            FaceTexCoords[static_cast<size_t>(FaceTexCoordStart[static_cast<size_t>(f)] + j)] = {
                s / width, t / height, s, t};
        }
    }
}

void UploadLevelTextures() {
    for (const LevelTexture& texture : LevelTextures) {
        if (texture.image != -1) {
            UploadImage(texture.image);
        }
    }
}
