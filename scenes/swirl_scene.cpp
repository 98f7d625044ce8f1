// Light swirl scene. Until the scene is built it only clears the picture and presents it.
#include "scenes/swirl_scene.h"

#include "shell/demo.h"

#include <GL/gl.h>

void SwirlSceneLoad() {}

void SwirlSceneStart() {
    glClearColor(0, 0, 0, 0);
}

void SwirlSceneFrame(float) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(DeviceContext);
}

void SwirlSceneEnd() {}
