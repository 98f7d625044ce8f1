// The level file: its records and the one global level store, BspData.
//
// A level file (version 29, little-endian) is a 124-byte header of fifteen
// {offset, length} lump entries followed by the lumps. LoadBSPFile copies each
// lump into a heap array of its own, converts the byte order and checks every
// index the rest of the level code follows, so that later code may trust the
// store. BspData owns the arrays; loading another level releases the previous
// ones. Every failure ends the program through FatalError.
#pragma once

#include <cstdint>

constexpr int32_t BspVersion = 29;
constexpr int BspLumpCount = 15;
constexpr int BspHeaderSize = 4 + 8 * BspLumpCount;

enum BspLumpIndex {
    LumpEntities = 0,
    LumpPlanes = 1,
    LumpTextures = 2,
    LumpVertexes = 3,
    LumpVisibility = 4,
    LumpNodes = 5,
    LumpTexInfo = 6,
    LumpFaces = 7,
    LumpLighting = 8,
    LumpClipNodes = 9,
    LumpLeafs = 10,
    LumpMarkSurfaces = 11,
    LumpEdges = 12,
    LumpSurfEdges = 13,
    LumpModels = 14,
};

struct BspLump {
    int32_t offset; // bytes from the start of the file
    int32_t length; // bytes
};

struct BspHeader {
    int32_t version;
    BspLump lumps[BspLumpCount];
};

// The plane is every point p with normal . p = dist.
struct BspPlane {
    float normal[3];
    float dist;
    int32_t type;
};

struct BspVertex {
    float position[3];
};

// A child c >= 0 is a node; c < 0 is leaf -(c + 1). Front child first.
struct BspNode {
    int32_t planeNum;
    int16_t children[2];
    int16_t mins[3];
    int16_t maxs[3];
    uint16_t firstFace;
    uint16_t numFaces;
};

// s = position . s[0..2] + s[3], likewise t; in texels of the base texture.
struct BspTexInfo {
    float s[4];
    float t[4];
    int32_t mipTex; // slot in the texture lump's offset table
    int32_t flags;
};

struct BspFace {
    int16_t planeNum;
    int16_t side; // 0 or 1: which side of its node's plane the face looks to
    int32_t firstSurfEdge;
    int16_t numEdges;
    int16_t texInfo;
    uint8_t styles[4];   // 255 ends the list
    int32_t lightOffset; // bytes into the light data; -1: no lightmap
};

struct BspClipNode {
    int32_t planeNum;
    int16_t children[2];
};

struct BspLeaf {
    int32_t contents;
    int32_t visOffset; // bytes into the visibility data; negative: none
    int16_t mins[3];
    int16_t maxs[3];
    uint16_t firstMarkSurface;
    uint16_t numMarkSurfaces;
    uint8_t ambientLevel[4];
};

struct BspEdge {
    uint16_t v[2];
};

struct BspModel {
    float mins[3];
    float maxs[3];
    float origin[3];
    int32_t headNode[4];
    int32_t visLeafs;
    int32_t firstFace;
    int32_t numFaces;
};

// Header of one texture inside the texture lump (read with memcpy: the lump
// does not align it). Mip offsets count from the start of this header; the
// first is the full-size image of width x height palette indices.
struct BspMipTex {
    char name[16];
    uint32_t width;
    uint32_t height;
    uint32_t offsets[4];
};

static_assert(sizeof(BspHeader) == BspHeaderSize);
static_assert(sizeof(BspPlane) == 20 && sizeof(BspVertex) == 12 && sizeof(BspNode) == 24);
static_assert(sizeof(BspTexInfo) == 40 && sizeof(BspFace) == 20 && sizeof(BspClipNode) == 8);
static_assert(sizeof(BspLeaf) == 28 && sizeof(BspEdge) == 4 && sizeof(BspModel) == 64);
static_assert(sizeof(BspMipTex) == 40);

// The level store: one heap array per lump and its count (elements for record
// lumps, bytes for the four byte lumps). The texture lump stays raw bytes: a
// count word, that many offsets (-1: absent slot), then the textures.
struct BspLevel {
    BspModel* models;
    int32_t numModels;
    BspVertex* vertexes;
    int32_t numVertexes;
    BspPlane* planes;
    int32_t numPlanes;
    BspLeaf* leafs;
    int32_t numLeafs;
    BspNode* nodes;
    int32_t numNodes;
    BspTexInfo* texInfo;
    int32_t numTexInfo;
    BspClipNode* clipNodes;
    int32_t numClipNodes;
    BspFace* faces;
    int32_t numFaces;
    uint16_t* markSurfaces;
    int32_t numMarkSurfaces;
    int32_t* surfEdges;
    int32_t numSurfEdges;
    BspEdge* edges;
    int32_t numEdges;
    uint8_t* textureData;
    int32_t textureDataSize;
    uint8_t* visData;
    int32_t visDataSize;
    uint8_t* lightData;
    int32_t lightDataSize;
    // Followed by one zero byte beyond entityDataSize, so the text always ends.
    char* entityData;
    int32_t entityDataSize;
};

extern BspLevel BspData;

// Loads the level at path into BspData, replacing any level loaded before.
void LoadBSPFile(const char* path);

// Reads the whole file into buffer (its length plus one zero byte) and returns
// the length in bytes. Failures are fatal.
int32_t ReadWholeFile(const char* path, uint8_t** buffer);

// During LoadBSPFile: the lump's length / elementSize (integer division).
int32_t LumpCount(int lump, int32_t elementSize);

// During LoadBSPFile: copies the lump into destination (sized by LumpCount) and
// returns its element count; a length that is not a whole number of elements
// is fatal.
int32_t CopyLumpData(int lump, void* destination, int32_t elementSize);

// Converts every multi-byte field of BspData between file and host order.
// toFile: the texture lump's counts are read before (true) or after (false)
// their own conversion.
void ConvertBspByteOrder(bool toFile);

// The texture lump's slot count (0 for a lump too short to hold one).
int32_t MipTexCount();

// The texture lump's byte offset of slot i, or -1 for an absent slot.
int32_t MipTexOffset(int32_t slot);

// Reads the header of a present texture slot.
BspMipTex ReadMipTex(int32_t slot);
