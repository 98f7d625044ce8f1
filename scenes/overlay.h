// Full-screen fades and the 2D frame every screen-space layer of the scenes
// shares.
//
// No state. A 2D layer runs between BeginScreenLayer and EndScreenLayer: the
// projection becomes pixel space (origin top left, y down, ScreenWidth x
// ScreenHeight) and the model-view identity; both matrices are pushed and
// popped, so stack depths are the same after the layer as before it.
#pragma once

// Pushes the projection (replaced by the pixel-space orthographic projection)
// and the model-view (replaced by identity); leaves the model-view selected.
void BeginScreenLayer();

// Pops the model-view, then the projection; leaves the projection selected.
void EndScreenLayer();

// Turns blending on for a layer; returns whether it was on before.
bool SaveAndEnableBlend();

// Turns blending off again when SaveAndEnableBlend found it off.
void RestoreBlend(bool blendWasOn);

// One textured quad in pixel space; the corners take the picture's top left,
// top right, bottom right and bottom left (texture (0,0), (1,0), (1,1), (0,1)).
void DrawLayerQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);

// Covers the whole screen with one untextured quad in the current colour,
// blended by its alpha (≤ 0 changes nothing, ≥ 1 replaces). Afterwards the
// blend enable is as before, blend factors are (source alpha, one minus
// source alpha), 2D texturing is on and the projection matrix is selected.
// Depth test and depth writes are the caller's.
void DrawScreenOverlay();
