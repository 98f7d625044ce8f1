// Light swirl scene: fifty additive light sprites winding along two spirals
// in front of a space skybox, the camera swaying round the origin; fade to
// black.
//
// Owns the skybox, the camera, the particle set (with its one picture) and
// SwirlRadius, the second spiral's radius: 40 at program start, only ever
// decreased (the scene runs once per program run).
#pragma once

#include "scenes/particles.h"

struct Camera;
struct Skybox;

extern Skybox* SwirlSkybox;
extern Camera* SwirlCamera;
extern ParticleSet SwirlParticles;
extern float SwirlRadius;

constexpr int32_t SwirlParticleCount = 50;

// Reads the skybox "skybox/space1" and "textures/luz.pcx", makes the camera
// and the fifty particles with their colours.
void SwirlSceneLoad();
// Uploads the textures; viewport, 90-degree perspective, depth test
// (less-or-equal), front faces culled, blending off.
void SwirlSceneStart();
// Animates (dt: seconds since the last frame), draws, presents.
void SwirlSceneFrame(float dt);
// Releases the skybox, the particle set and the camera.
void SwirlSceneEnd();

// Moves the sprites and the camera for SceneTime; dt shrinks SwirlRadius.
// The alpha steps are per frame.
void AnimateSwirl(float dt);
