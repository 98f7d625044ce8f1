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

// Covers the whole screen with one untextured quad in the current colour,
// blended by its alpha (≤ 0 changes nothing, ≥ 1 replaces). Afterwards the
// blend enable is as before, blend factors are (source alpha, one minus
// source alpha), 2D texturing is on and the projection matrix is selected.
// Depth test and depth writes are the caller's.
void DrawScreenOverlay();
