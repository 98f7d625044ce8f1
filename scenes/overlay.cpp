// The shared 2D frame and the full-screen fade quad.
#include "scenes/overlay.h"

#include "shell/demo.h"

#include <GL/gl.h>

void BeginScreenLayer() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(ScreenWidth), static_cast<double>(ScreenHeight), 0.0, -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void EndScreenLayer() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

bool SaveAndEnableBlend() {
    const bool wasOn = glIsEnabled(GL_BLEND) == GL_TRUE;
    if (!wasOn) {
        glEnable(GL_BLEND);
    }
    return wasOn;
}

void RestoreBlend(bool blendWasOn) {
    if (!blendWasOn) {
        glDisable(GL_BLEND);
    }
}

void DrawLayerQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y1);
    glTexCoord2f(1, 1);
    glVertex2f(x2, y2);
    glTexCoord2f(0, 1);
    glVertex2f(x3, y3);
    glEnd();
}

void DrawScreenOverlay() {
    const auto w = static_cast<float>(ScreenWidth);
    const auto h = static_cast<float>(ScreenHeight);
    BeginScreenLayer();
    glDisable(GL_TEXTURE_2D);
    const bool blendWasOn = SaveAndEnableBlend();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(w, 0.0f);
    glVertex2f(w, h);
    glVertex2f(0.0f, h);
    glEnd();
    RestoreBlend(blendWasOn);
    // Every scene draws textured; the fade hands texturing back switched on.
    glEnable(GL_TEXTURE_2D);
    EndScreenLayer();
}
