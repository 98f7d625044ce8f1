// The six planes of the current view frustum, taken from the OpenGL matrices.
//
// Owns the six planes, in the order right, left, bottom, top, far, near. A
// point p is inside a plane when normal . p + dist >= 0. Refreshed once per
// frame by UpdateFrustum, after the camera has been applied.
#pragma once

#include <cstdint>

constexpr int FrustumPlaneCount = 6;

struct FrustumPlane {
    float normal[3];
    float dist;       // the distance term: inside when normal . p + dist >= 0
    uint8_t signBits; // bit i set when normal[i] < 0
};

// Reads the projection and model-view matrices from OpenGL and refreshes the
// planes.
void UpdateFrustum();

// Planes (a, b, c, d) of the frustum of projection P and model-view M (both
// column order, as OpenGL returns them), each normalised.
void ComputeFrustumPlanes(const float projection[16], const float modelView[16],
                          float planes[FrustumPlaneCount][4]);

// Divides a, b, c and d by the length of (a, b, c).
void NormalizePlane(float plane[4]);

// Bit i set when normal[i] is strictly negative.
uint8_t PlaneSignBits(const float normal[3]);

// Makes the given planes the current frustum, with their sign bits.
void SetFrustumPlanes(const float planes[FrustumPlaneCount][4]);

// The current frustum (FrustumPlaneCount planes).
const FrustumPlane* GetFrustumPlanes();
