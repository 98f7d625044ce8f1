// The camera record and how it becomes the OpenGL model-view matrix.
//
// A camera is a heap record made by NewCamera and owned by the scene that made
// it (released with FreeCamera in that scene's end operation). Look-at mode
// uses position and target with up (0, 1, 0); angle mode uses angles,
// extraAngle and position. Scenes write position, target and angles directly.
// The projection is each scene's business, not the camera's.
#pragma once

#include "math/vector.h"

#include <cstdint>

struct Camera {
    uint8_t lookAtMode; // 0: angle mode; non-zero: look-at mode
    Vec3 angles;        // degrees about x, y, z (angle mode)
    Vec3 position;      // the eye
    Vec3 target;        // the point looked at (look-at mode)
    float extraAngle;   // degrees added to angles.x (angle mode)
    float fieldOfView;  // vertical, degrees, for gluPerspective
    float aspect;       // width / height, for gluPerspective
};

// A new zero-filled camera in angle mode; the caller owns it (FreeCamera).
// Running out of memory is fatal.
Camera* NewCamera();

// Releases a camera made by NewCamera; null is ignored.
void FreeCamera(Camera* camera);

// Each setter writes its field(s) and returns the camera it was given.
Camera* SetCameraAngles(Camera* camera, float x, float y, float z);
Camera* SetCameraPosition(Camera* camera, float x, float y, float z);
Camera* SetCameraTarget(Camera* camera, float x, float y, float z);
Camera* SetCameraExtraAngle(Camera* camera, float degrees);
Camera* SetCameraFieldOfView(Camera* camera, float degrees);
Camera* SetCameraAspect(Camera* camera, float ratio);

// Loads the camera's view into the model-view matrix (leaves GL_MODELVIEW
// selected). Angle mode: rotate by −(angles.x + extraAngle) about x, then by
// −angles.z about z, then by −angles.y about y, then translate by −position.
void ApplyCamera(const Camera* camera);
