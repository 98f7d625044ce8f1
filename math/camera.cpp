// Cameras: creation, setters and the view they load into OpenGL.
#include "math/camera.h"

#include "shell/fatal.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

Camera* NewCamera() {
    auto* camera = static_cast<Camera*>(std::calloc(1, sizeof(Camera)));
    if (camera == nullptr) {
        FatalError("Out of memory creating a camera");
    }
    camera->lookAtMode = 0;
    return camera;
}

void FreeCamera(Camera* camera) {
    std::free(camera);
}

Camera* SetCameraAngles(Camera* camera, float x, float y, float z) {
    camera->angles = {x, y, z};
    return camera;
}

Camera* SetCameraPosition(Camera* camera, float x, float y, float z) {
    camera->position = {x, y, z};
    return camera;
}

Camera* SetCameraTarget(Camera* camera, float x, float y, float z) {
    camera->target = {x, y, z};
    return camera;
}

Camera* SetCameraExtraAngle(Camera* camera, float degrees) {
    camera->extraAngle = degrees;
    return camera;
}

Camera* SetCameraFieldOfView(Camera* camera, float degrees) {
    camera->fieldOfView = degrees;
    return camera;
}

Camera* SetCameraAspect(Camera* camera, float ratio) {
    camera->aspect = ratio;
    return camera;
}

void ApplyCamera(const Camera* camera) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (camera->lookAtMode != 0) {
        gluLookAt(camera->position.x, camera->position.y, camera->position.z, camera->target.x,
                  camera->target.y, camera->target.z, 0.0, 1.0, 0.0);
        return;
    }
    // The rotation about z comes before the one about y: with angles
    // (90, 0, yaw) a z-up world stands upright and turns about its vertical.
    glRotatef(-camera->angles.x - camera->extraAngle, 1.0f, 0.0f, 0.0f);
    glRotatef(-camera->angles.z, 0.0f, 0.0f, 1.0f);
    glRotatef(-camera->angles.y, 0.0f, 1.0f, 0.0f);
    glTranslatef(-camera->position.x, -camera->position.y, -camera->position.z);
}
