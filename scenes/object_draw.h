// Drawing a 3DG object: its triangles with the object's texture, optionally
// environment-mapped by its normals and optionally added as a translucent
// second pass.
//
// No state of its own. Environment mapping rewrites the s, t of every vertex
// and the object's rotation matrix; nothing else of the object changes.
#pragma once

#include <cstdint>

struct Object3D;

// Draw flags of an Object3D (bit 1 has no effect on drawing).
constexpr uint8_t ObjectEnvMap = 2;   // texture coordinates from the rotated normals
constexpr uint8_t ObjectAdditive = 4; // added with colour (1, 1, 1, alpha)

// Draws the object into the current model-view matrix at its position and
// angles (rotated by their negatives about x, then y, then z). Without
// ObjectAdditive the colour and blend factors are the caller's; with it the
// blend enable is restored and the blend factors stay (source alpha, one).
void DrawObject3D(Object3D* object);

// Rebuilds the object's rotation from its angles and maps every vertex
// normal n, rotated, to s = (rx · 0.5 + 127) / 256, t = (ry · 0.5 + 127) / 256
// (normals are integer-scaled: components of ±254 reach the texture's edges).
void ComputeEnvironmentTexCoords(Object3D* object);
