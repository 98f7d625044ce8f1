// Drawing the level's chained faces: base texture on texture unit 0, lightmap
// page on texture unit 1.
//
// Owns the current lightmap page (the page last bound on unit 1 this frame;
// -1 after BeginLevelFrame, so each frame's first face binds its page) and
// the buffer a chain is reordered into, sized once for the level's longest
// chain.
// Drawing needs both units enabled with 2D texturing, unit 1 active, and the
// multitexture entry points loaded.
#pragma once

#include <cstdint>

// Starts a frame of the level: forgets the current lightmap page and zeroes
// the frame's counters.
void BeginLevelFrame();

// Empties every texture chain.
void ClearTextureChains();

// Draws every non-empty chain in slot order, binding each base texture once.
// A chain's faces are drawn grouped by lightmap page, in chain order inside a
// page, so each page is bound once per texture. Where two faces of one
// texture cover a pixel at the same value in the 16-bit depth buffer, the
// later-drawn face wins (GL_LEQUAL), so such a pixel may differ from the
// walk's order: real levels have a few such ties (a handful of pixels in a
// thousand frames); elsewhere the order changes no pixel.
void DrawTextureChains();

// Writes the count faces of faces into ordered grouped by lightmap page, the
// pages from firstPage (0 ... 63) upwards round the 64, keeping the given
// order inside each page. Every face must have a page. No allocation.
void OrderFacesByPage(const int32_t* faces, int32_t count, int32_t firstPage, int32_t* ordered);

// Draws face f as one polygon, binding its lightmap page if it differs from
// the current one.
void DrawLevelFace(int32_t f);
