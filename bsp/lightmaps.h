// Per-face lightmaps packed into 128 x 128 luminance pages.
//
// Owns FaceLightmaps (one record per face), the 64 pages (one static block,
// page p texel (x, y) at p * 16384 + y * 128 + x), the filled height of every
// page column, and the pages' OpenGL texture names. Everything is built once
// at load; nothing changes per frame.
#pragma once

#include <cstdint>
#include <vector>

constexpr int LightmapPageSize = 128; // texels per side
constexpr int LightmapPageCount = 64;
constexpr int MaxLightmapSide = 18; // samples per side of one face's lightmap

struct FaceLightmap {
    int32_t page; // -1: the face has no lightmap
    int32_t x;    // texel position of the face's lightmap in its page
    int32_t y;
};

extern std::vector<FaceLightmap> FaceLightmaps;

// Gives every face page -1 and empties every page (a level without light
// data).
void ClearFaceLightmaps();

// Builds every lit face's lightmap into the pages and turns its vertices'
// lightmap coordinates into page coordinates. Needs the raw coordinates of
// BuildFaceTexCoords. A lightmap larger than 18 x 18, outside the light data,
// or beyond the 64 pages is fatal.
void BuildLightmaps();

// Places a w x h block in the first page with room: the leftmost of the
// lowest positions. Returns the page and writes the block's texel position,
// or returns -1 when no page has room.
int32_t AllocLightmapBlock(int32_t w, int32_t h, int32_t* x, int32_t* y);

// Makes one OpenGL luminance texture per used page (a page is used when its
// column 0 holds something).
void UploadLightmaps();

// The luminance texels of page p, row after row.
const uint8_t* LightmapPage(int32_t p);

// Pages holding at least one lightmap.
int32_t LightmapPagesUsed();

// OpenGL texture name of page p (valid after UploadLightmaps).
uint32_t LightmapTextureName(int32_t p);
