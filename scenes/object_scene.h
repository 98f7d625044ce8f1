// Mirrored object scene: the cat object spinning inside two translucent sky
// spheres centred on an orbiting camera, environment-mapped with an additive
// reflection pass; a blinking picture between 7 and 10 s; fade to black.
//
// Owns the object, the camera, the sphere quadric and four image handles,
// all made at load; the colour buffer is never cleared, so the spheres'
// low opacity leaves fading trails of earlier frames.
#pragma once

#include <cstdint>

struct Camera;
struct Object3D;
struct GLUquadric;

extern Object3D* SceneObject;
extern Camera* SceneCamera;
extern GLUquadric* SphereQuadric;
extern int32_t ObjectTexture; // "textures/mess.pcx", the object's own picture
extern int32_t SkyTexture;    // "textures/spheresky.jpg", sphere and reflection
extern int32_t MosaicTexture; // "textures/mosaico.tga", second sphere
extern int32_t FlashTexture;  // "textures/punkt.tga", the blinking picture

// Reads the object and the four pictures, makes the camera and the quadric.
void ObjectSceneLoad();
// Uploads the textures; viewport, 90-degree perspective, depth test
// (less-or-equal), front faces culled, blending on.
void ObjectSceneStart();
// Animates by SceneTime and dt (seconds since the last frame), draws,
// presents.
void ObjectSceneFrame(float dt);
// Releases the quadric, the object, three of the pictures (not the flash
// picture) and the camera.
void ObjectSceneEnd();

// Moves object and camera for SceneTime; dt drives the object's drift along x.
void AnimateObjectScene(float dt);
// The two spheres round the eye, then the object and its reflection.
void DrawSkyAndObject();
// The blinking band across the middle of the screen (2D).
void DrawFlashPicture();
