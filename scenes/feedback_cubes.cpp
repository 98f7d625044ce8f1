// The level scene's feedback cubes and scrolling backdrop.
#include "scenes/feedback_cubes.h"

#include "image/image.h"
#include "math/random.h"
#include "scenes/overlay.h"
#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"

#include <GL/gl.h>

#include <cmath>

FeedbackCube FeedbackCubes[FeedbackCubeCount];
int CubeImages[FeedbackCubeCount];
int BackdropImage = -1;

namespace {

constexpr int32_t CubeSizes[FeedbackCubeCount] = {128, 128, 64, 64, 64, 64};
constexpr Vec3 CubePositions[FeedbackCubeCount] = {{15, 0, -10},  {-15, 0, -10}, {15, -15, 0},
                                                   {-15, -15, 0}, {15, 15, 0},   {-15, 15, 0}};

constexpr float CubeCorners[8][3] = {{10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
                                     {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10}};
constexpr int CubeQuads[6][4] = {{2, 1, 0, 3}, {5, 6, 7, 4}, {6, 2, 3, 7},
                                 {1, 5, 4, 0}, {0, 4, 7, 3}, {2, 6, 5, 1}};
constexpr float QuadTexCoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

} // namespace

void InitFeedbackCubes() {
    for (int i = 0; i < FeedbackCubeCount; ++i) {
        FeedbackCube& cube = FeedbackCubes[i];
        cube = {};
        cube.size = CubeSizes[i];
        cube.fillColour = {1, 1, 1};
        cube.outlineColour = {1, 1, 1};
        // The image holds the cube's captured view at the picture's scale.
        const int32_t side = ScalePixels(cube.size, PixelMeasure::Picture);
        CubeImages[i] = NewRgbImage(side, side, TexNoMipmap | TexClamp | TexModulate);
        cube.outline = 1;
        cube.spin.x = static_cast<float>(NextRandom() % 200 - 100);
        cube.spin.z = static_cast<float>(NextRandom() % 200 - 100);
    }
    for (int i = 0; i < FeedbackCubeCount; ++i) {
        FeedbackCubes[i].position = CubePositions[i];
    }
}

void ReadCubeImage(int i, int x, int y) {
    Image* image = GetImage(CubeImages[i]);
    glReadPixels(ScalePixels(x, PixelMeasure::Picture), ScalePixels(y, PixelMeasure::Picture),
                 image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels.data());
}

void ReadCubeBlocks() {
    ReadCubeImage(2, 0, 0);
    ReadCubeImage(3, 64, 0);
    ReadCubeImage(4, 0, 64);
    ReadCubeImage(5, 64, 64);
}

void DrawScrollingBackdrop() {
    const auto w = static_cast<float>(ScreenWidth);
    const auto h = static_cast<float>(ScreenHeight);
    const float t = SceneTime;
    glDepthMask(GL_FALSE);
    BeginScreenLayer();
    BindImage(BackdropImage);
    const bool blendWasOn = glIsEnabled(GL_BLEND) == GL_TRUE;
    if (!blendWasOn) {
        glEnable(GL_BLEND);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    // The texture repeats about 20 times across and 10 down, drifting.
    glBegin(GL_QUADS);
    glTexCoord2f(std::sin(t), std::sin(t));
    glVertex2f(0, 0);
    glTexCoord2f(std::cos(t) + 20, std::sin(t));
    glVertex2f(w, 0);
    glTexCoord2f(std::cos(t) + 20, std::sin(t) + 10);
    glVertex2f(w, h);
    glTexCoord2f(std::cos(t), std::sin(t) + 10);
    glVertex2f(0, h);

    glTexCoord2f(std::cos(t), std::cos(t));
    glVertex2f(0, 0);
    glTexCoord2f(std::sin(t) + 20, std::cos(2 * t));
    glVertex2f(w, 0);
    glTexCoord2f(std::cos(2 * t) + 20, std::sin(t) + 10);
    glVertex2f(w, h);
    glTexCoord2f(std::cos(2 * t), std::sin(2 * t) + 10);
    glVertex2f(0, h);
    glEnd();
    if (!blendWasOn) {
        glDisable(GL_BLEND);
    }
    EndScreenLayer();
    glDepthMask(GL_TRUE);
}

void DrawCubeMesh() {
    glBegin(GL_QUADS);
    for (const auto& quad : CubeQuads) {
        for (int corner = 0; corner < 4; ++corner) {
            glTexCoord2fv(QuadTexCoords[corner]);
            glVertex3fv(CubeCorners[quad[corner]]);
        }
    }
    glEnd();
}

void DrawFeedbackCube(int i, bool spin) {
    const FeedbackCube& cube = FeedbackCubes[i];
    const float t = SceneTime;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(cube.position.x, cube.position.y, cube.position.z);
    if (spin) {
        glRotatef(t * cube.spin.x, 1, 0, 0);
        glRotatef(t * cube.spin.z, 0, 0, 1);
        glRotatef(t * cube.spin.y, 0, 1, 0);
    } else {
        glRotatef(5.0f * std::sin(t), 1, 0, 0);
        glRotatef(5.0f * std::cos(t), 0, 1, 0);
    }
    glRotatef(90, 1, 0, 0);

    const Image* image = GetImage(CubeImages[i]);
    BindImage(CubeImages[i]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image->width, image->height,
                    static_cast<GLenum>(image->pixelFormat), GL_UNSIGNED_BYTE,
                    image->pixels.data());
    glColor3f(cube.fillColour.x, cube.fillColour.y, cube.fillColour.z);
    DrawCubeMesh();
    if (cube.outline != 0) {
        glColor3f(cube.outlineColour.x, cube.outlineColour.y, cube.outlineColour.z);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glLineWidth(ScalePixels(2.0f, PixelMeasure::Outline));
        glDisable(GL_TEXTURE_2D);
        DrawCubeMesh();
        glEnable(GL_TEXTURE_2D);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    glPopMatrix();
}
