// Level flythrough. Until the scene is built it only clears the picture and presents it.
#include "scenes/level_scene.h"

#include "shell/demo.h"

#include <GL/gl.h>

void LevelSceneLoad() {}

void LevelSceneStart() {
    glClearColor(0, 0, 0, 0);
}

void LevelSceneFrame(float) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(DeviceContext);
}

void LevelSceneEnd() {}
