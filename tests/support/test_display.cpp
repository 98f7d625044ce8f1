// Test support: a headless display and OpenGL context shared by a test program.
#include "support/test_display.h"

#include "shell/demo.h"

#include <GL/gl.h>

#include <cstddef>

void OpenTestDisplay() {
    static bool open = false;
    if (!open) {
        OpenDisplay(true);
        open = true;
    }
}

std::vector<uint8_t> ReadPictureRgb(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
