// Light swirl scene. Timeline (SceneTime t): until 12 s the sprites (half-side
// 32) sit on a spiral of radius 40, particle i at angle 0.1 i t, and from 8 s
// fade by 0.03 a frame; from 12 s they come back at half-side 16 (alpha +0.05
// a frame until 15 s) on a spiral of shrinking radius, particle i at angle
// 0.05 i t; after 22 s they fade by 0.05 a frame and the screen goes black
// over the 23rd second.
#include "scenes/swirl_scene.h"

#include "image/image.h"
#include "image/pcx.h"
#include "image/skybox.h"
#include "math/camera.h"
#include "math/random.h"
#include "scenes/overlay.h"
#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

Skybox* SwirlSkybox;
Camera* SwirlCamera;
ParticleSet SwirlParticles;
float SwirlRadius = 40.0f;

void SwirlSceneLoad() {
    SwirlSkybox = LoadSkybox("skybox/space1", 16, 1);
    if (SwirlSkybox == nullptr) {
        FatalError("Error loading skybox");
    }

    SwirlCamera = NewCamera();
    SetCameraFieldOfView(SwirlCamera, 90);
    SetCameraAspect(SwirlCamera,
                    static_cast<float>(ScreenWidth) / static_cast<float>(ScreenHeight));
    SetCameraExtraAngle(SwirlCamera, 0);
    SwirlCamera->lookAtMode = 1;

    SwirlParticles = NewParticleSet(SwirlParticleCount);
    for (int32_t i = 0; i < SwirlParticleCount; ++i) {
        Particle& particle = SwirlParticles.particles[i];
        particle.position = {0, 0, 0};
        // Seven draws per particle; the first four do not show.
        int32_t draws[7];
        for (int32_t& draw : draws) {
            draw = NextRandom();
        }
        particle.colour[0] = static_cast<float>(draws[6] % 256) / 256.0f;
        particle.colour[1] = static_cast<float>(draws[5] % 256) / 256.0f;
        particle.colour[2] = static_cast<float>(draws[4] % 256) / 256.0f;
        particle.colour[3] = 1.0f;
        particle.size = 32.0f;
        particle.active = 1;
    }

    SwirlParticles.textureCount = 1;
    SwirlParticles.textures = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
    SwirlParticles.textures[0] =
        SetTextureFlags(LoadPcx("textures/luz.pcx"), TexNoMipmap | TexClamp | TexModulate);
}

void SwirlSceneStart() {
    glEnable(GL_TEXTURE_2D);
    UploadSkybox(SwirlSkybox);
    UploadParticleTextures(&SwirlParticles);

    glViewport(0, 0, PicturePixelWidth(), PicturePixelHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(SwirlCamera->fieldOfView, SwirlCamera->aspect, 4.0, 4096.0);

    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glDisable(GL_BLEND);
}

void SwirlSceneFrame(float dt) {
    const float t = SceneTime;
    AnimateSwirl(dt);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ApplyCamera(SwirlCamera);
    DrawSkybox(SwirlSkybox, SwirlCamera);
    DrawParticles(SwirlCamera, &SwirlParticles);
    if (t > 22.0f) {
        glColor4f(0, 0, 0, t - 22.0f);
        DrawScreenOverlay();
    }
    glFlush();
    SwapBuffers(DeviceContext);
}

void SwirlSceneEnd() {
    FreeSkybox(SwirlSkybox);
    SwirlSkybox = nullptr;
    FreeParticleSet(&SwirlParticles);
    FreeCamera(SwirlCamera);
    SwirlCamera = nullptr;
}

void AnimateSwirl(float dt) {
    const float t = SceneTime;
    Particle* particles = SwirlParticles.particles;
    const int32_t count = SwirlParticles.particleCount;

    if (t < 12.0f) {
        for (int32_t i = 0; i < count; ++i) {
            const float a = 0.1f * static_cast<float>(i) * t;
            particles[i].position = {40 * std::sin(a), 40 * std::cos(a),
                                     0.32f * a * std::sin(a) - 60};
        }
        if (t > 8.0f) {
            for (int32_t i = 0; i < count; ++i) {
                float& alpha = particles[i].colour[3];
                if (alpha > 0) {
                    alpha -= 0.03f;
                } else if (alpha < 0) {
                    alpha = 0; // one frame below zero at most
                }
            }
        }
    } else {
        if (t < 15.0f) {
            for (int32_t i = 0; i < count; ++i) {
                float& alpha = particles[i].colour[3];
                if (alpha < 1) {
                    alpha += 0.05f;
                } else if (alpha > 1) {
                    alpha = 1;
                }
                particles[i].size = 16.0f;
            }
        } else if (t > 22.0f) {
            for (int32_t i = 0; i < count; ++i) {
                float& alpha = particles[i].colour[3];
                if (alpha > 0) {
                    alpha -= 0.05f;
                } else if (alpha < 0) {
                    alpha = 0;
                }
            }
        }
        const float radius = SwirlRadius;
        for (int32_t i = 0; i < count; ++i) {
            const float a = 0.05f * static_cast<float>(i) * t;
            particles[i].position = {radius * std::sin(a), radius * std::cos(a), 2 * a - 60};
        }
        SwirlRadius -= 3 * dt;
    }

    SetCameraPosition(SwirlCamera, 20 * std::sin(0.7f * t), 20 * std::cos(0.6f * t), 20);
    SetCameraTarget(SwirlCamera, 0, 0, 0);
}
