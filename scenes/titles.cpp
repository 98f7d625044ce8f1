// Opening titles. Until the scene is built it only clears the picture and presents it.
#include "scenes/titles.h"

#include "shell/demo.h"

#include <GL/gl.h>

void TitlesLoad() {}

void TitlesStart() {
    glClearColor(0, 0, 0, 0);
}

void TitlesFrame(float) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    SwapBuffers(DeviceContext);
}

void TitlesEnd() {}
