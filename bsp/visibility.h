// Which faces of the level are drawn this frame, and in which order.
//
// Owns the visible-face bits, the visible-leaf bits, one two-bit mask per node
// (bit 0: the front subtree holds a visible leaf; bit 1: the back one), the
// view position, the view leaf and the previous view leaf (-1 at first, so the
// first frame always decompresses). Leaf bits and masks change only when the
// view leaf changes; face bits set by MarkVisibleFaces are cleared again by
// WalkBspTree in the same frame.
#pragma once

#include <cstdint>

// Sizes the bit arrays and masks for BspData's level and forgets the previous
// view leaf. Call once after the level is loaded.
void AllocVisibilityArrays();

// Makes the next UpdateVisibleLeaves rebuild the visible set, as on the
// first frame.
void ForgetViewLeaf();

// The viewer's position in level units, used by the next frame's work.
void SetViewPosition(const float position[3]);

// The leaf that holds the view position.
int32_t FindViewLeaf();

// Finds the view leaf and, when it changed, rebuilds the visible leaves and
// node masks. 1: the set is the leaf's (or unchanged); 0: everything was made
// visible (a leaf without a visibility row).
int32_t UpdateVisibleLeaves();

// Whether leaf has a visibility row: a world leaf (1 ... model 0's
// visLeafs) whose offset lies inside the visibility data (so never in a
// level without any). Every other leaf sees everything.
bool LeafHasVisibilityRow(int32_t leaf);

// Fills the visible-leaf bits from leaf's run-length row (a leaf with a row).
void DecompressLeafVisibility(int32_t leaf);

// Stores the masks below child value c; 1 when its subtree holds a visible
// leaf.
int32_t BuildNodeMasks(int32_t c);

// Marks the faces of visible leaves inside the frustum below c; 1 when some
// leaf was marked.
int32_t MarkVisibleFaces(int32_t c);

// 1 when the box meets the frustum, 0 when it lies wholly outside one plane.
int32_t BoxInFrustum(const int16_t mins[3], const int16_t maxs[3]);

struct FrustumPlane;
// 1: the box lies in front of the plane; 2: behind it; 3: both.
int32_t BoxOnPlaneSide(const int16_t mins[3], const int16_t maxs[3], const FrustumPlane* plane);

// Chains the marked faces below c that face the viewer, far side first, and
// clears every visited face's mark.
void WalkBspTree(int32_t c);

// Appends face f to its texture's chain, unless it has no lightmap or its
// texture slot is absent.
void AddFaceToChain(int32_t f);

// The view leaf found by the last UpdateVisibleLeaves.
int32_t ViewLeaf();

// Whether leaf l is in the visible set.
bool IsLeafVisible(int32_t l);

// Whether face f is marked visible.
bool IsFaceMarked(int32_t f);

// Node n's mask (0 ... 3).
uint8_t NodeMask(int32_t n);
