// Per-face lightmaps packed into 128 x 128 luminance pages.
#include "bsp/lightmaps.h"

#include "bsp/bsp_file.h"
#include "bsp/level_textures.h"
#include "shell/fatal.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

std::vector<FaceLightmap> FaceLightmaps;

namespace {

constexpr int PageTexels = LightmapPageSize * LightmapPageSize;

uint8_t Pages[LightmapPageCount * PageTexels];
int32_t FilledHeight[LightmapPageCount][LightmapPageSize];
GLuint PageTextureNames[LightmapPageCount];
int32_t Accumulator[MaxLightmapSide * MaxLightmapSide];

// floor (or ceil) of value / 16, times 16, as an integer; false when the value
// is no sensible coordinate.
bool SnapToLuxel(float value, bool up, int32_t* out) {
    double units = (up ? std::ceil(value * 0.0625) : std::floor(value * 0.0625));
    if (!(units >= -1.0e6 && units <= 1.0e6)) {
        return false;
    }
    *out = static_cast<int32_t>(units) * 16;
    return true;
}

} // namespace

void ClearFaceLightmaps() {
    FaceLightmaps.assign(static_cast<size_t>(BspData.numFaces), FaceLightmap{-1, 0, 0});
    // No page keeps an earlier level's lightmaps.
    std::memset(FilledHeight, 0, sizeof FilledHeight);
    std::memset(Pages, 0, sizeof Pages);
}

int32_t AllocLightmapBlock(int32_t w, int32_t h, int32_t* x, int32_t* y) {
    for (int32_t page = 0; page < LightmapPageCount; ++page) {
        int32_t best = LightmapPageSize;
        int32_t bestX = 0;
        // The last position, 128 - w, is never tried.
        for (int32_t column = 0; column < LightmapPageSize - w; ++column) {
            int32_t highest = 0;
            int32_t j = 0;
            for (; j < w; ++j) {
                int32_t filled = FilledHeight[page][column + j];
                if (filled >= best) {
                    break;
                }
                highest = std::max(highest, filled);
            }
            if (j == w) {
                bestX = column;
                best = highest;
            }
        }
        if (best + h <= LightmapPageSize) {
            for (int32_t j = 0; j < w; ++j) {
                FilledHeight[page][bestX + j] = best + h;
            }
            *x = bestX;
            *y = best;
            return page;
        }
    }
    return -1;
}

void BuildLightmaps() {
    ClearFaceLightmaps();
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        const BspFace& face = BspData.faces[f];
        if (face.lightOffset == -1) {
            continue;
        }
        FaceTexCoord* coords = &FaceTexCoords[static_cast<size_t>(FaceTexCoordStart[f])];
        float minS = 999999.0f, minT = 999999.0f;
        float maxS = -99999.0f, maxT = -99999.0f;
        for (int32_t j = 0; j < face.numEdges; ++j) {
            minS = std::min(minS, coords[j].lightS);
            maxS = std::max(maxS, coords[j].lightS);
            minT = std::min(minT, coords[j].lightT);
            maxT = std::max(maxT, coords[j].lightT);
        }
        // One lightmap sample covers 16 x 16 texels; the face's texel range
        // is widened to whole samples.
        int32_t smin, tmin, smax, tmax;
        if (!SnapToLuxel(minS, false, &smin) || !SnapToLuxel(minT, false, &tmin) ||
            !SnapToLuxel(maxS, true, &smax) || !SnapToLuxel(maxT, true, &tmax)) {
            FatalError("BuildLightmaps: face %d has invalid lightmap extents", f);
        }
        int32_t extentS = smax - smin;
        int32_t extentT = tmax - tmin;
        if (extentS == 0) {
            extentS = 1;
        }
        if (extentT == 0) {
            extentT = 1;
        }
        int32_t w = (extentS >> 4) + 1;
        int32_t h = (extentT >> 4) + 1;
        if (w < 1 || h < 1) {
            FatalError("BuildLightmaps: face %d has invalid lightmap extents", f);
        }
        if (w > MaxLightmapSide || h > MaxLightmapSide) {
            FatalError("BuildLightmaps: face %d lightmap is larger than 18 x 18", f);
        }
        int32_t styles = 0;
        while (styles < 4 && face.styles[styles] != 255) {
            ++styles;
        }
        if (static_cast<int64_t>(face.lightOffset) + static_cast<int64_t>(styles) * w * h >
            BspData.lightDataSize) {
            FatalError("BuildLightmaps: face %d lightmap lies outside the light data", f);
        }
        int32_t x, y;
        int32_t page = AllocLightmapBlock(w, h, &x, &y);
        if (page < 0) {
            FatalError("BuildLightmaps: lightmaps do not fit in 64 pages");
        }
        FaceLightmaps[static_cast<size_t>(f)] = {page, x, y};

        // Style 0 counts at 256 (doubled by the >> 7 below), others at 22 per
        // step of the style byte.
        std::fill(Accumulator, Accumulator + w * h, 0);
        for (int32_t k = 0; k < styles; ++k) {
            int32_t scale = face.styles[k] == 0 ? 256 : 22 * face.styles[k];
            const uint8_t* samples = BspData.lightData + face.lightOffset + k * w * h;
            for (int32_t i = 0; i < w * h; ++i) {
                Accumulator[i] += samples[i] * scale;
            }
        }
        uint8_t* texels = Pages + page * PageTexels;
        for (int32_t row = 0; row < h; ++row) {
            for (int32_t column = 0; column < w; ++column) {
                int32_t value = Accumulator[row * w + column] >> 7;
                texels[(y + row) * LightmapPageSize + x + column] =
                    static_cast<uint8_t>(std::min(255, value));
            }
        }
        // 2048 = 128 texels x 16 units; + 8 aims at the sample's centre.
        for (int32_t j = 0; j < face.numEdges; ++j) {
            float s = coords[j].lightS;
            float t = coords[j].lightT;
            coords[j].lightS = (s - smin + 16 * x + 8) / 2048.0f;
            coords[j].lightT = (t - tmin + 16 * y + 8) / 2048.0f;
        }
    }
}

void UploadLightmaps() {
    for (int32_t page = 0; page < LightmapPagesUsed(); ++page) {
        glGenTextures(1, &PageTextureNames[page]);
        glBindTexture(GL_TEXTURE_2D, PageTextureNames[page]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexImage2D(GL_TEXTURE_2D, 0, 1, LightmapPageSize, LightmapPageSize, 0, GL_LUMINANCE,
                     GL_UNSIGNED_BYTE, Pages + page * PageTexels);
    }
}

const uint8_t* LightmapPage(int32_t p) {
    return Pages + p * PageTexels;
}

int32_t LightmapPagesUsed() {
    int32_t used = 0;
    while (used < LightmapPageCount && FilledHeight[used][0] != 0) {
        ++used;
    }
    return used;
}

uint32_t LightmapTextureName(int32_t p) {
    return PageTextureNames[p];
}
