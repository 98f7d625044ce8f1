// Drawing the level's chained faces: base texture on texture unit 0, lightmap
// page on texture unit 1.
//
// Owns the current lightmap page (the page last bound on unit 1 this frame;
// -1 after BeginLevelFrame, so each frame's first face binds its page).
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
void DrawTextureChains();

// Draws face f as one polygon, binding its lightmap page if it differs from
// the current one.
void DrawLevelFace(int32_t f);
