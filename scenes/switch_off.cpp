// The picture-tube switch-off that closes the show.
#include "scenes/switch_off.h"

#include "scenes/overlay.h"
#include "shell/demo.h"
#include "shell/picture_size.h"

#include <GL/gl.h>

#include <cassert>

float SwitchOffInsetV;
float SwitchOffInsetH;
float SwitchOffHold;

void ResetSwitchOff() {
    SwitchOffInsetV = 0.0f;
    SwitchOffInsetH = 0.0f;
    SwitchOffHold = 0.0f;
}

bool StepSwitchOff(float dt) {
    const auto w = static_cast<float>(ScreenWidth);
    const auto h = static_cast<float>(ScreenHeight);
    // 800 pixels a second down to a 2-pixel line, then 400 a second to a
    // 2 x 2 dot, then half a second of the dot.
    SwitchOffInsetV += 800.0f * dt;
    if (SwitchOffInsetV > h / 2 - 2) {
        SwitchOffInsetV = h / 2 - 1;
        SwitchOffInsetH += 400.0f * dt;
        if (SwitchOffInsetH > w / 2 - 2) {
            SwitchOffInsetH = w / 2 - 1;
            SwitchOffHold += dt;
            return SwitchOffHold > 0.5f;
        }
    }
    return false;
}

int64_t SwitchOffFrames(float dt) {
    assert(dt > 0.0f);
    const float insetV = SwitchOffInsetV;
    const float insetH = SwitchOffInsetH;
    const float hold = SwitchOffHold;
    ResetSwitchOff();
    int64_t frames = 1;
    while (!StepSwitchOff(dt)) {
        ++frames;
    }
    SwitchOffInsetV = insetV;
    SwitchOffInsetH = insetH;
    SwitchOffHold = hold;
    return frames;
}

void DrawSwitchOff(float dt) {
    const auto w = static_cast<float>(ScreenWidth);
    const auto h = static_cast<float>(ScreenHeight);
    if (StepSwitchOff(dt)) {
        QuitRequested = 1;
    }
    // The insets are in the 640 x 480 frame; the viewport in the picture's
    // pixels.
    constexpr PixelMeasure inset = PixelMeasure::SwitchOff;
    glViewport(static_cast<int>(ScalePixels(SwitchOffInsetH, inset)),
               static_cast<int>(ScalePixels(SwitchOffInsetV, inset)),
               static_cast<int>(ScalePixels(w - 2 * SwitchOffInsetH, inset)),
               static_cast<int>(ScalePixels(h - 2 * SwitchOffInsetV, inset)));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    BeginScreenLayer();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(w, 0);
    glVertex2f(w, h);
    glVertex2f(0, h);
    glEnd();
    EndScreenLayer();
}
