// Mirrored object scene. Timeline (SceneTime t): the camera orbits close
// until 7 s (the object drifts +20 units/s); from 7 s to 10 s it looks at the
// object from the front while the picture blinks; then orbits wider (drift
// −20 units/s until 13 s, +20 units/s until 19 s); from 19 s it looks down
// from above; the screen fades to black from 23 s to 24 s.
#include "scenes/object_scene.h"

#include "image/image.h"
#include "image/jpeg.h"
#include "image/object3d.h"
#include "image/pcx.h"
#include "image/tga.h"
#include "math/camera.h"
#include "scenes/object_draw.h"
#include "scenes/overlay.h"
#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

Object3D* SceneObject;
Camera* SceneCamera;
GLUquadric* SphereQuadric;
int32_t ObjectTexture;
int32_t SkyTexture;
int32_t MosaicTexture;
int32_t FlashTexture;

void ObjectSceneLoad() {
    SceneObject = NewObject3D();
    if (LoadObject3D("objects/cat.3dg", 3, SceneObject) != 0) {
        FatalError("Error loading 3DG");
    }
    SetObjectAngles(SceneObject, 90, 0, 0);
    SetObjectPosition(SceneObject, -400, 0, 0);
    CentreObject3D(SceneObject);

    ObjectTexture = LoadPcx("textures/mess.pcx");
    SetObjectTexture(SceneObject, ObjectTexture, 0);

    SceneCamera = NewCamera();
    SetCameraTarget(SceneCamera, 0, 0, 0);
    SetCameraFieldOfView(SceneCamera, 90);
    SetCameraAspect(SceneCamera,
                    static_cast<float>(ScreenWidth) / static_cast<float>(ScreenHeight));
    SetCameraExtraAngle(SceneCamera, 0);
    SceneCamera->lookAtMode = 1;

    SphereQuadric = gluNewQuadric();
    gluQuadricTexture(SphereQuadric, GL_TRUE);
    gluQuadricOrientation(SphereQuadric, GLU_OUTSIDE);

    SkyTexture = LoadJpeg("textures/spheresky.jpg");
    MosaicTexture = LoadTga("textures/mosaico.tga");
    FlashTexture = LoadTga("textures/punkt.tga");
}

void ObjectSceneStart() {
    glEnable(GL_TEXTURE_2D);
    UploadImage(ObjectTexture);
    UploadImage(SkyTexture);
    UploadImage(MosaicTexture);
    UploadImage(FlashTexture);

    glViewport(0, 0, PicturePixelWidth(), PicturePixelHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(SceneCamera->fieldOfView, SceneCamera->aspect, 4.0, 4096.0);

    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // The spheres are seen from inside: culling front faces keeps their
    // inner sides.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_BLEND);
}

void ObjectSceneFrame(float dt) {
    const float t = SceneTime;
    AnimateObjectScene(dt);
    // Only depth: the colour of earlier frames stays under the spheres.
    glClear(GL_DEPTH_BUFFER_BIT);
    ApplyCamera(SceneCamera);
    DrawSkyAndObject();
    if (t > 7.0f && t < 10.0f) {
        DrawFlashPicture();
    }
    if (t > 23.0f) {
        glColor4f(0, 0, 0, t - 23.0f);
        DrawScreenOverlay();
    }
    glFlush();
    SwapBuffers(DeviceContext);
}

void ObjectSceneEnd() {
    gluDeleteQuadric(SphereQuadric);
    SphereQuadric = nullptr;
    FreeObject3D(SceneObject);
    SceneObject = nullptr;
    FreeImage(ObjectTexture);
    FreeImage(SkyTexture);
    FreeImage(MosaicTexture);
    FreeCamera(SceneCamera);
    SceneCamera = nullptr;
}

void AnimateObjectScene(float dt) {
    const float t = SceneTime;
    Object3D* object = SceneObject;
    Camera* camera = SceneCamera;
    SetObjectAngles(object, 90, 0, -100 * t);

    if (t < 7.0f) {
        object->alpha = std::sin(t);
        object->position.x += 20 * dt;
        SetCameraPosition(camera, 100 * std::sin(0.3f * t), 100 * std::sin(0.9f * t) + 50,
                          150 * std::cos(0.3f * t));
    } else if (t < 10.0f) {
        const Vec3 p = object->position;
        SetCameraTarget(camera, p.x, p.y + 50, p.z);
        SetCameraPosition(camera, p.x, p.y, p.z + 150);
    } else if (t < 13.0f) {
        object->alpha = std::sin(t);
        object->position.x -= 20 * dt;
        SetCameraPosition(camera, 300 * std::sin(0.3f * t), 100 * std::sin(0.9f * t) + 50,
                          350 * std::cos(0.3f * t));
    } else if (t < 19.0f) {
        object->alpha = std::sin(t);
        object->position.x += 20 * dt;
        SetCameraPosition(camera, 380 * std::sin(0.3f * t), 100 * std::sin(0.9f * t) + 50,
                          350 * std::cos(0.3f * t));
    } else {
        const Vec3 p = object->position;
        SetCameraTarget(camera, p.x, p.y + 100, p.z);
        SetCameraPosition(camera, p.x, p.y + 250, p.z + 150);
    }
}

void DrawSkyAndObject() {
    const float t = SceneTime;
    const Vec3 eye = SceneCamera->position;

    // Two spheres of radius 200 round the eye, at opacity 0.1, drawn without
    // depth: the sky turning 30 degrees per second, the mosaic still.
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(eye.x, eye.y, eye.z);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.1f);
    BindImage(SkyTexture);
    glRotatef(90, 1, 0, 0);
    glRotatef(30 * t, 0, 0, 1);
    gluSphere(SphereQuadric, 200, 10, 10);
    BindImage(MosaicTexture);
    glRotatef(-30 * t, 0, 0, 1);
    gluSphere(SphereQuadric, 200, 10, 10);
    glPopMatrix();
    glDepthMask(GL_TRUE);

    // The object, opaque.
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    DrawObject3D(SceneObject);

    // Its reflection: the sky picture added with the object's alpha.
    const int32_t ownTexture = SceneObject->texture;
    SceneObject->drawFlags = 7;
    SceneObject->texture = SkyTexture;
    DrawObject3D(SceneObject);
    SceneObject->texture = ownTexture;
    SceneObject->drawFlags = 3;
}

void DrawFlashPicture() {
    const float t = SceneTime;
    const float w = static_cast<float>(ScreenWidth);
    const float h = static_cast<float>(ScreenHeight);

    glDepthMask(GL_FALSE);
    // Culling stays off from here to the end of the scene.
    glDisable(GL_CULL_FACE);
    BeginScreenLayer();
    glEnable(GL_TEXTURE_2D);
    BindImage(FlashTexture);
    const bool blendWasOn = SaveAndEnableBlend();

    // Blinks about 1.6 times a second; negative alphas add nothing.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, std::sin(10 * t));
    const float a = 10 * std::sin(t);
    const float b = 10 * std::cos(t);
    DrawLayerQuad(64 + a, 176 + a, w - 64 + a, 176 + a, w - 64 + b, h - 176 + b, 64 - a,
                  h - 176 - a);

    RestoreBlend(blendWasOn);
    EndScreenLayer();
    glDepthMask(GL_TRUE);
}
