// Which faces of the level are drawn this frame, and in which order.
#include "bsp/visibility.h"

#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/frustum.h"
#include "bsp/level_stats.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace {

std::vector<uint8_t> FaceBits; // numfaces / 8 + 1 bytes, face f at bit f & 7 of byte f >> 3
std::vector<uint8_t> LeafBits; // numleafs / 8 + 1 bytes
std::vector<uint8_t> NodeMasks;
float ViewPosition[3];
int32_t CurrentLeaf = -1;
int32_t PreviousLeaf = -1;

bool TestBit(const std::vector<uint8_t>& bits, int32_t i) {
    return (bits[static_cast<size_t>(i >> 3)] >> (i & 7)) & 1;
}

void SetBit(std::vector<uint8_t>& bits, int32_t i) {
    bits[static_cast<size_t>(i >> 3)] |= static_cast<uint8_t>(1 << (i & 7));
}

void ClearBit(std::vector<uint8_t>& bits, int32_t i) {
    bits[static_cast<size_t>(i >> 3)] &= static_cast<uint8_t>(~(1 << (i & 7)));
}

// normal . view - dist: >= 0 on the node's front side.
float ViewSide(const BspNode& node) {
    const BspPlane& plane = BspData.planes[node.planeNum];
    return plane.normal[0] * ViewPosition[0] + plane.normal[1] * ViewPosition[1] +
           plane.normal[2] * ViewPosition[2] - plane.dist;
}

} // namespace

void AllocVisibilityArrays() {
    FaceBits.assign(static_cast<size_t>(BspData.numFaces / 8 + 1), 0);
    LeafBits.assign(static_cast<size_t>(BspData.numLeafs / 8 + 1), 0);
    NodeMasks.assign(static_cast<size_t>(BspData.numNodes), 0);
    CurrentLeaf = -1;
    PreviousLeaf = -1;
}

void ForgetViewLeaf() {
    PreviousLeaf = -1;
}

void SetViewPosition(const float position[3]) {
    std::copy(position, position + 3, ViewPosition);
}

int32_t FindViewLeaf() {
    int32_t c = BspRoot();
    while (c >= 0) {
        const BspNode& node = BspData.nodes[c];
        c = ViewSide(node) >= 0.0f ? node.children[0] : node.children[1];
    }
    return -(c + 1);
}

int32_t UpdateVisibleLeaves() {
    int32_t leaf = FindViewLeaf();
    CurrentLeaf = leaf;
    if (leaf == PreviousLeaf) {
        return 1;
    }
    PreviousLeaf = leaf;
    ++GetLevelStats()->visibleSetRebuilds;
    if (!LeafHasVisibilityRow(leaf)) {
        std::fill(LeafBits.begin(), LeafBits.end(), 0xFF);
        std::fill(NodeMasks.begin(), NodeMasks.end(), 3);
        return 0;
    }
    DecompressLeafVisibility(leaf);
    BuildNodeMasks(BspRoot());
    return 1;
}

bool LeafHasVisibilityRow(int32_t leaf) {
    // Leaf 0 and the leafs of models other than the world have no row.
    return leaf >= 1 && leaf <= VisibilityRowLeafs() && BspData.leafs[leaf].visOffset >= 0 &&
           BspData.leafs[leaf].visOffset < BspData.visDataSize;
}

void DecompressLeafVisibility(int32_t leaf) {
    assert(LeafHasVisibilityRow(leaf));
    std::fill(LeafBits.begin(), LeafBits.end(), 0);
    // Run-length data: a non-zero byte holds the bits of the next eight
    // leafs; a zero byte is followed by a count of eight-leaf groups that are
    // all hidden. Leaf 0 is never in it: the first bit stands for leaf 1, and
    // the row ends after the last world leaf (its last byte's spare bits name
    // no leaf). A damaged row that runs past the lump's end stops there, the
    // leafs it did not reach hidden.
    const uint8_t* data = BspData.visData + BspData.leafs[leaf].visOffset;
    const uint8_t* end = BspData.visData + BspData.visDataSize;
    const int32_t last = VisibilityRowLeafs();
    int32_t e = 1;
    while (e <= last && data < end) {
        uint8_t v = *data++;
        if (v != 0) {
            for (int j = 0; j < 8; ++j, ++e) {
                if (((v >> j) & 1) && e <= last) {
                    SetBit(LeafBits, e);
                }
            }
        } else {
            if (data == end) {
                break;
            }
            e += 8 * *data++;
        }
    }
}

int32_t BuildNodeMasks(int32_t c) {
    if (c < 0) {
        return TestBit(LeafBits, -(c + 1)) ? 1 : 0;
    }
    const BspNode& node = BspData.nodes[c];
    int32_t front = BuildNodeMasks(node.children[0]);
    int32_t back = BuildNodeMasks(node.children[1]);
    NodeMasks[static_cast<size_t>(c)] = static_cast<uint8_t>((back << 1) | front);
    return front | back;
}

int32_t MarkVisibleFaces(int32_t c) {
    if (c >= 0) {
        const BspNode& node = BspData.nodes[c];
        switch (NodeMasks[static_cast<size_t>(c)]) {
        case 0:
            return 0;
        case 1:
            return MarkVisibleFaces(node.children[0]);
        case 2:
            return MarkVisibleFaces(node.children[1]);
        default: {
            int32_t back = MarkVisibleFaces(node.children[1]);
            int32_t front = MarkVisibleFaces(node.children[0]);
            return back | front;
        }
        }
    }
    int32_t l = -(c + 1);
    const BspLeaf& leaf = BspData.leafs[l];
    if (!TestBit(LeafBits, l) || BoxInFrustum(leaf.mins, leaf.maxs) == 0) {
        return 0;
    }
    LevelStats* stats = GetLevelStats();
    ++stats->leafsVisible;
    stats->facesMarked += leaf.numMarkSurfaces;
    for (int32_t i = 0; i < leaf.numMarkSurfaces; ++i) {
        SetBit(FaceBits, BspData.markSurfaces[leaf.firstMarkSurface + i]);
    }
    return 1;
}

int32_t BoxOnPlaneSide(const int16_t mins[3], const int16_t maxs[3], const FrustumPlane* plane) {
    // The corner farthest along the normal and the one opposite it.
    float far = 0.0f;
    float near = 0.0f;
    for (int i = 0; i < 3; ++i) {
        bool negative = (plane->signBits >> i) & 1;
        float high = negative ? mins[i] : maxs[i];
        float low = negative ? maxs[i] : mins[i];
        far += plane->normal[i] * high;
        near += plane->normal[i] * low;
    }
    int32_t side = 0;
    if (far >= -plane->dist) {
        side |= 1;
    }
    if (near < -plane->dist) {
        side |= 2;
    }
    return side;
}

int32_t BoxInFrustum(const int16_t mins[3], const int16_t maxs[3]) {
    const FrustumPlane* planes = GetFrustumPlanes();
    for (int i = 0; i < FrustumPlaneCount; ++i) {
        if (BoxOnPlaneSide(mins, maxs, &planes[i]) == 2) {
            return 0;
        }
    }
    return 1;
}

// Chains the node's marked faces that look to side, clearing every mark.
static void ChainNodeFaces(const BspNode& node, int16_t side) {
    for (int32_t f = node.firstFace; f < node.firstFace + node.numFaces; ++f) {
        if (!TestBit(FaceBits, f)) {
            continue;
        }
        if (BspData.faces[f].side == side) {
            AddFaceToChain(f);
        }
        ClearBit(FaceBits, f);
    }
}

void WalkBspTree(int32_t c) {
    while (c >= 0 && NodeMasks[static_cast<size_t>(c)] > 0) {
        const BspNode& node = BspData.nodes[c];
        if (ViewSide(node) >= 0.0f) {
            WalkBspTree(node.children[1]);
            ChainNodeFaces(node, 0);
            c = node.children[0];
        } else {
            WalkBspTree(node.children[0]);
            ChainNodeFaces(node, 1);
            c = node.children[1];
        }
    }
}

void AddFaceToChain(int32_t f) {
    if (FaceLightmaps[static_cast<size_t>(f)].page == -1) {
        return;
    }
    // A face of an absent texture slot has nothing to draw with.
    int32_t slot = BspData.texInfo[BspData.faces[f].texInfo].mipTex;
    LevelTexture& texture = LevelTextures[static_cast<size_t>(slot)];
    if (texture.image == -1) {
        return;
    }
    std::vector<int32_t>& chain = texture.chain;
    // Each face is chained at most once a frame, and the chain has room for
    // every face of its texture.
    assert(static_cast<size_t>(chain[0]) + 1 < chain.size());
    chain[static_cast<size_t>(++chain[0])] = f;
}

int32_t ViewLeaf() {
    return CurrentLeaf;
}

bool IsLeafVisible(int32_t l) {
    return TestBit(LeafBits, l);
}

bool IsFaceMarked(int32_t f) {
    return TestBit(FaceBits, f);
}

uint8_t NodeMask(int32_t n) {
    return NodeMasks[static_cast<size_t>(n)];
}
