// The level's base textures and per-face texture coordinates.
//
// Owns LevelTextures (one entry per slot of the texture lump: its Image handle
// or -1 for an absent slot, and its face chain) and FaceTexCoords. A chain is
// a count word followed by room for every face whose texinfo names the slot
// (an absent slot's chain is the count word alone: its faces are never
// chained); it is filled and emptied every frame without allocating. The
// level's Images are never freed.
#pragma once

#include <cstdint>
#include <vector>

struct Palette;

struct LevelTexture {
    int32_t image; // TextureTable handle; -1: the slot is absent
    // chain[0] faces chained so far, then the face indices
    std::vector<int32_t> chain;
};

// Per face vertex: base texture s, t (in texture widths and heights) and
// lightmap s, t (in page sizes once the lightmaps are built, raw texel
// coordinates until then, and for faces without a lightmap).
struct FaceTexCoord {
    float s;
    float t;
    float lightS;
    float lightT;
};

extern std::vector<LevelTexture> LevelTextures;
// All faces' vertices, face after face; face f starts at FaceTexCoordStart[f].
extern std::vector<FaceTexCoord> FaceTexCoords;
extern std::vector<int32_t> FaceTexCoordStart;

// Reads "bsp/palette.lmp" and builds the level's textures. 0 on success, -1
// when the palette could not be read.
int32_t LoadLevelTextures();

// Builds one RGB Image per present texture of BspData and sizes the chains.
void BuildLevelTextures(const Palette* palette);

// Computes every face vertex's texture coordinates, then the lightmaps.
void BuildFaceTexCoords();

// The texture coordinates alone (BuildFaceTexCoords without the lightmaps).
void ComputeFaceTexCoords();

// UploadImage for every present level texture, in slot order.
void UploadLevelTextures();

// Position of vertex j of face f (in surf-edge order), three floats.
const float* FaceVertex(int32_t f, int32_t j);
