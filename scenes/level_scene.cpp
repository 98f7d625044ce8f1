// Level flythrough: the track through the level, the feedback cubes and the
// switch-off.
#include "scenes/level_scene.h"

#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/camera_track.h"
#include "bsp/entities.h"
#include "bsp/frustum.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/surfaces.h"
#include "bsp/visibility.h"
#include "image/image.h"
#include "image/tga.h"
#include "math/camera.h"
#include "scenes/feedback_cubes.h"
#include "scenes/overlay.h"
#include "scenes/switch_off.h"
#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/display.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

Camera* LevelCamera;
Camera* CubeCamera;
float CubeTintBoost = 2.0f;

static float ScreenAspect() {
    return static_cast<float>(ScreenWidth) / static_cast<float>(ScreenHeight);
}

void LevelSceneLoad() {
    LoadBSPFile("bsp/qorldm1.bsp");
    if (LoadLevelTextures() != 0) {
        FatalError("error loading textures");
    }
    BuildFaceTexCoords();
    AllocVisibilityArrays();

    // Without a player start the camera starts at the origin, facing angle 0.
    float origin[3] = {0.0f, 0.0f, 0.0f};
    float angle = 0.0f;
    FindPlayerStart(origin, &angle);
    LevelCamera = NewCamera();
    SetCameraAngles(LevelCamera, 90.0f, 0.0f, angle + 270.0f);
    SetCameraPosition(LevelCamera, origin[0], origin[1], origin[2]);
    SetCameraTarget(LevelCamera, 0.0f, 0.0f, 0.0f);
    SetCameraFieldOfView(LevelCamera, 90.0f);
    SetCameraAspect(LevelCamera, ScreenAspect());
    SetCameraExtraAngle(LevelCamera, 0.0f);
    LevelCamera->lookAtMode = 0;

    CubeCamera = NewCamera();
    SetCameraAngles(CubeCamera, 0.0f, 0.0f, 0.0f);
    SetCameraPosition(CubeCamera, 0.0f, 0.0f, -50.0f);
    SetCameraTarget(CubeCamera, 0.0f, 0.0f, 0.0f);
    SetCameraFieldOfView(CubeCamera, 90.0f);
    SetCameraAspect(CubeCamera, ScreenAspect());
    SetCameraExtraAngle(CubeCamera, 0.0f);
    CubeCamera->lookAtMode = 1;

    BuildCameraTrack();
    BackdropImage = LoadTga("textures/cubitos.tga");
    InitFeedbackCubes();
    CubeTintBoost = 2.0f;
    ResetSwitchOff();
}

void LevelSceneStart() {
    for (int image : CubeImages) {
        UploadImage(image);
    }
    UploadLevelTextures();
    if (BspData.lightDataSize != 0) {
        UploadLightmaps();
    }
    UploadImage(BackdropImage);
    StartLevelDrawing();
}

void StartLevelDrawing() {
    LoadMultitexture();
    EnableMultitexture();
    glViewport(0, 0, PicturePixelWidth(), PicturePixelHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(LevelCamera->fieldOfView, LevelCamera->aspect, 4.0, 4096.0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

void ChainVisibleLevelFaces() {
    const float view[3] = {LevelCamera->position.x, LevelCamera->position.y,
                           LevelCamera->position.z};
    SetViewPosition(view);
    UpdateVisibleLeaves();
    MarkVisibleFaces(BspRoot());
    ClearTextureChains();
    WalkBspTree(BspRoot());
}

void DrawLevel(float dt) {
    UpdateCameraTrack(dt, LevelCamera);
    DrawLevelView();
}

void DrawLevelView() {
    BeginLevelFrame();
    EnableMultitexture();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ApplyCamera(LevelCamera);
    UpdateFrustum();
    ChainVisibleLevelFaces();
    DrawTextureChains();
    glFlush();
    DisableMultitexture();
}

// The level into a w x h corner of the picture, then the cubes' view set up.
// Reads act on the bound picture.
static void CaptureLevel(int w, int h, float dt) {
    glViewport(0, 0, ScalePixels(w, PixelMeasure::CubeView),
               ScalePixels(h, PixelMeasure::CubeView));
    DrawLevel(dt);
    glViewport(0, 0, PicturePixelWidth(), PicturePixelHeight());
    glEnable(GL_TEXTURE_2D);
    ApplyCamera(CubeCamera);
}

static void FadeToWhite(float alpha) {
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    DrawScreenOverlay();
}

int64_t LevelScenePasses(double frameTime) {
    return PassesBelow(LevelSwitchOffStart, frameTime) +
           SwitchOffFrames(static_cast<float>(frameTime));
}

void LevelSceneFrame(float dt) {
    const float t = SceneTime;
    if (t < 36.0f) {
        glViewport(0, 0, PicturePixelWidth(), PicturePixelHeight());
        DrawLevel(dt);
        if (t > 34.0f) {
            FadeToWhite(t - 34.0f);
        }
    } else if (t < 42.0f) {
        CaptureLevel(256, 128, dt);
        ReadCubeImage(0, 0, 0);
        ReadCubeImage(1, 128, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawScrollingBackdrop();
        DrawFeedbackCube(0, false);
        DrawFeedbackCube(1, false);
        if (t > 40.0f) {
            FadeToWhite(t - 40.0f);
        }
    } else if (t < 48.0f) {
        CaptureLevel(256, 128, dt);
        ReadCubeBlocks();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawScrollingBackdrop();
        for (int i = 2; i < FeedbackCubeCount; ++i) {
            DrawFeedbackCube(i, false);
        }
        if (t > 46.0f) {
            FadeToWhite(t - 46.0f);
        }
    } else if (t < LevelSwitchOffStart) {
        CubeCamera->position.z = -70.0f;
        FeedbackCubes[2].position = {20, -20, 0};
        FeedbackCubes[3].position = {-20, -20, 0};
        FeedbackCubes[4].position = {20, 20, 0};
        FeedbackCubes[5].position = {-20, 20, 0};
        CaptureLevel(128, 128, dt);
        ReadCubeBlocks();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glRotatef(t * 40.0f, 0, 1, 0);
        glRotatef(t * 70.0f, 1, 0, 0);
        DrawScrollingBackdrop();
        for (int i = 2; i < FeedbackCubeCount; ++i) {
            DrawFeedbackCube(i, true);
        }
        // The new colours show from the next frame on.
        for (int k = 2; k < FeedbackCubeCount; ++k) {
            FeedbackCubes[k].fillColour = {std::min(1.0f, CubeTintBoost + std::sin(k + 0.9f * t)),
                                           std::min(1.0f, CubeTintBoost + std::cos(k + 0.7f * t)),
                                           std::min(1.0f, CubeTintBoost + std::sin(k + 1.3f * t))};
        }
        if (CubeTintBoost > 1.0f) {
            CubeTintBoost -= dt;
        } else {
            CubeTintBoost = 1.0f;
        }
        if (t > 50.0f) {
            FadeToWhite(t - 50.0f);
        }
    } else {
        DrawSwitchOff(dt);
    }
    glFlush();
    SwapBuffers(DeviceContext);
}

void LevelSceneEnd() {
    FreeImage(BackdropImage);
    FreeCamera(LevelCamera);
    LevelCamera = nullptr;
    DisableMultitexture();
}
