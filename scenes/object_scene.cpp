// Mirrored object scene. Until the scene is built it only clears the picture and presents it.
#include "scenes/object_scene.h"

#include "shell/demo.h"

#include <GL/gl.h>

void ObjectSceneLoad() {}

void ObjectSceneStart() {
    glClearColor(0, 0, 0, 0);
}

void ObjectSceneFrame(float) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(DeviceContext);
}

void ObjectSceneEnd() {}
