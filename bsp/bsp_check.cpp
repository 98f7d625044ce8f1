// Load-time checks of a level: every index the level code follows.
#include "bsp/bsp_check.h"

#include "bsp/bsp_file.h"
#include "image/image.h"
#include "shell/fatal.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

// Texture sides stay within what every picture reader accepts.
static constexpr uint32_t MaxTextureSide = MaxImageSide;

int32_t BspRoot() {
    return BspData.models[0].headNode[0];
}

int32_t VisibilityRowLeafs() {
    int32_t visLeafs = BspData.models[0].visLeafs;
    return visLeafs < 0 ? 0 : std::min(visLeafs, BspData.numLeafs - 1);
}

static bool IsValidChild(int32_t child) {
    if (child >= 0) {
        return child < BspData.numNodes;
    }
    return -(child + 1) < BspData.numLeafs;
}

static void CheckTextures() {
    int32_t size = BspData.textureDataSize;
    if (size == 0) {
        return;
    }
    if (size < 4) {
        FatalError("LoadBSPFile: texture data too short");
    }
    int32_t count = MipTexCount();
    if (count < 0 || count > (size - 4) / 4) {
        FatalError("LoadBSPFile: invalid number of textures");
    }
    int64_t totalPixels = 0;
    for (int32_t slot = 0; slot < count; ++slot) {
        int32_t offset = MipTexOffset(slot);
        if (offset == -1) {
            continue;
        }
        if (offset < 0 ||
            static_cast<int64_t>(offset) + static_cast<int64_t>(sizeof(BspMipTex)) > size) {
            FatalError("LoadBSPFile: texture %d lies outside the texture data", slot);
        }
        BspMipTex mip = ReadMipTex(slot);
        if (mip.width == 0 || mip.height == 0 || mip.width > MaxTextureSide ||
            mip.height > MaxTextureSide) {
            FatalError("LoadBSPFile: texture %d has an invalid size", slot);
        }
        int64_t pixels = static_cast<int64_t>(mip.width) * mip.height;
        if (static_cast<int64_t>(offset) + mip.offsets[0] + pixels > size) {
            FatalError("LoadBSPFile: texture %d pixels lie outside the texture data", slot);
        }
        // Each texture stores its own pixels, so together they fit in the
        // lump; shared pixel data could otherwise make a tiny file expand to
        // gigabytes of pictures.
        totalPixels += pixels;
        if (totalPixels > size) {
            FatalError("LoadBSPFile: textures larger than the texture data");
        }
    }
}

static void CheckTree() {
    if (BspData.numModels < 1) {
        FatalError("LoadBSPFile: level has no models");
    }
    if (!IsValidChild(BspRoot())) {
        FatalError("LoadBSPFile: invalid root node");
    }
    for (int32_t i = 0; i < BspData.numNodes; ++i) {
        const BspNode& node = BspData.nodes[i];
        if (node.planeNum < 0 || node.planeNum >= BspData.numPlanes) {
            FatalError("LoadBSPFile: node %d names a missing plane", i);
        }
        if (!IsValidChild(node.children[0]) || !IsValidChild(node.children[1])) {
            FatalError("LoadBSPFile: node %d names a missing child", i);
        }
        if (node.firstFace + node.numFaces > BspData.numFaces) {
            FatalError("LoadBSPFile: node %d names missing faces", i);
        }
    }
    // Every walk of the tree recurses from the root: a node reached twice
    // would repeat work or loop for ever. Leafs may be shared.
    // Kept between loads: a refused level may leave through a hook's jump.
    static std::vector<uint8_t> seen;
    static std::vector<int32_t> pending;
    seen.assign(static_cast<size_t>(BspData.numNodes), 0);
    pending.clear();
    if (BspRoot() >= 0) {
        pending.push_back(BspRoot());
    }
    while (!pending.empty()) {
        int32_t index = pending.back();
        pending.pop_back();
        if (seen[index]) {
            FatalError("LoadBSPFile: node %d is reached twice in the tree", index);
        }
        seen[index] = 1;
        for (int16_t child : BspData.nodes[index].children) {
            if (child >= 0) {
                pending.push_back(child);
            }
        }
    }
}

static void CheckLeafs() {
    for (int32_t i = 0; i < BspData.numMarkSurfaces; ++i) {
        if (BspData.markSurfaces[i] >= BspData.numFaces) {
            FatalError("LoadBSPFile: mark surface %d names a missing face", i);
        }
    }
    for (int32_t i = 0; i < BspData.numLeafs; ++i) {
        const BspLeaf& leaf = BspData.leafs[i];
        if (leaf.firstMarkSurface + leaf.numMarkSurfaces > BspData.numMarkSurfaces) {
            FatalError("LoadBSPFile: leaf %d names missing mark surfaces", i);
        }
    }
    // Only the rows of leafs 1 ... VisibilityRowLeafs are ever read (leaf 0
    // and other models' leafs see everything), and none in a level without
    // visibility data. A row that runs past the lump's end is cut there by
    // the decompression, the rest hidden.
    if (BspData.visDataSize == 0) {
        return;
    }
    for (int32_t i = 1; i <= VisibilityRowLeafs(); ++i) {
        int32_t offset = BspData.leafs[i].visOffset;
        if (offset >= 0 && offset >= BspData.visDataSize) {
            FatalError("LoadBSPFile: leaf %d visibility offset outside the visibility data", i);
        }
    }
}

static void CheckFaces() {
    int32_t textureCount = MipTexCount();
    int64_t vertices = 0;
    for (int32_t i = 0; i < BspData.numFaces; ++i) {
        const BspFace& face = BspData.faces[i];
        if (face.texInfo < 0 || face.texInfo >= BspData.numTexInfo) {
            FatalError("LoadBSPFile: face %d names a missing texinfo", i);
        }
        // An absent slot (a texture the compiler could not find) is fine:
        // its faces are never chained. A slot beyond the table is damage.
        int32_t slot = BspData.texInfo[face.texInfo].mipTex;
        if (slot < 0 || slot >= textureCount) {
            FatalError("LoadBSPFile: face %d names texture slot %d, but the level has %d", i, slot,
                       textureCount);
        }
        if (face.numEdges < 0 || face.firstSurfEdge < 0 ||
            static_cast<int64_t>(face.firstSurfEdge) + face.numEdges > BspData.numSurfEdges) {
            FatalError("LoadBSPFile: face %d names missing surf edges", i);
        }
        if (face.lightOffset < -1 ||
            (BspData.lightDataSize > 0 && face.lightOffset >= BspData.lightDataSize)) {
            FatalError("LoadBSPFile: face %d light offset outside the light data", i);
        }
        vertices += face.numEdges;
    }
    // Faces may share surf edges, so a small file could otherwise ask for
    // billions of texture-coordinate records.
    if (vertices > MaxFaceVertices) {
        FatalError("LoadBSPFile: faces have %lld vertices in all, more than %d",
                   static_cast<long long>(vertices), MaxFaceVertices);
    }
    for (int32_t i = 0; i < BspData.numFaces; ++i) {
        const BspFace& face = BspData.faces[i];
        for (int32_t j = 0; j < face.numEdges; ++j) {
            int32_t surfEdge = BspData.surfEdges[face.firstSurfEdge + j];
            if (surfEdge == INT32_MIN || std::abs(surfEdge) >= BspData.numEdges) {
                FatalError("LoadBSPFile: surf edge %d names a missing edge",
                           face.firstSurfEdge + j);
            }
            const BspEdge& edge = BspData.edges[std::abs(surfEdge)];
            if (edge.v[0] >= BspData.numVertexes || edge.v[1] >= BspData.numVertexes) {
                FatalError("LoadBSPFile: edge %d names a missing vertex", std::abs(surfEdge));
            }
        }
    }
}

void CheckBspData() {
    CheckTextures();
    CheckTree();
    CheckLeafs();
    CheckFaces();
}
