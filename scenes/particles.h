// Sets of camera-facing light sprites: the record, its creation, texture
// upload and release, and drawing.
//
// A ParticleSet owns its particle array and its array of image handles (both
// heap blocks) and the images those handles name; FreeParticleSet releases
// all three.
#pragma once

#include "math/vector.h"

#include <cstdint>

struct Camera;

struct Particle {
    int32_t active;  // drawn only when non-zero
    float size;      // half the side of the sprite square, world units
    Vec3 position;   // centre of the sprite
    float colour[4]; // red, green, blue, alpha for glColor4f
};

struct ParticleSet {
    Particle* particles;
    int32_t particleCount;
    int32_t* textures; // image handles
    int32_t textureCount;
};

// A set of count zero-filled particles and no textures yet.
ParticleSet NewParticleSet(int32_t count);

// Creates the OpenGL textures of the set's images.
void UploadParticleTextures(const ParticleSet* set);

// Frees the set's images, then its handle and particle arrays; the set is
// left empty.
void FreeParticleSet(ParticleSet* set);

// Draws every active particle as a square facing the camera's position,
// textured with the set's first image, added onto the picture (source alpha,
// one) with depth writes off; leaves blending off and depth writes on.
void DrawParticles(const Camera* camera, const ParticleSet* set);
