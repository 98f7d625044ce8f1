// The skybox: a 20-unit textured cube drawn around the camera.
//
// Faces 0…5 lie on the planes y = −10, y = +10, x = −10, x = +10, z = +10,
// z = −10 and take the pictures with suffixes "ft", "bk", "lf", "rt", "up",
// "dn". Every face's corners run clockwise seen from inside, so the faces
// are back faces and stay visible when front faces are culled. All faces
// map (s, t) = (1, 1), (0, 1), (0, 0), (1, 0) onto their corners in drawing
// order; t = 0 is a picture's top edge.
#include "image/skybox.h"

#include "image/image.h"
#include "image/jpeg.h"
#include "image/pcx.h"
#include "image/tga.h"
#include "math/camera.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr float Corners[8][3] = {
    {10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
    {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10},
};

constexpr int32_t FaceCorners[6][4] = {
    {2, 1, 0, 3}, {5, 6, 7, 4}, {6, 2, 3, 7}, {1, 5, 4, 0}, {0, 4, 7, 3}, {2, 6, 5, 1},
};

constexpr float FaceS[4] = {1, 0, 0, 1};
constexpr float FaceT[4] = {1, 1, 0, 0};

// Two characters per face, in face order.
constexpr char FaceSuffixes[] = "ftbklfrtupdn";

// Longest face path kept, terminating zero included.
constexpr size_t FacePathSize = 100;

// Texture flags of every skybox picture: linear, clamped, replace.
constexpr int SkyboxFlags = TexNoMipmap | TexClamp;

} // namespace

Skybox* LoadSkybox(const char* base, int format, int sixImages) {
    if (base == nullptr) {
        return nullptr;
    }
    const char* extension = format == 8 ? ".pcx" : ".tga";
    char path[FacePathSize];
    if (sixImages != 0) {
        // Only PCX (8) and TGA (16) sets exist; a base too long for the face
        // path buffer is refused rather than cut.
        if ((format != 8 && format != 16) ||
            std::strlen(base) + 2 + std::strlen(extension) >= FacePathSize) {
            return nullptr;
        }
    }
    auto* skybox = new Skybox{};
    std::memcpy(skybox->corners, Corners, sizeof Corners);
    for (int face = 0; face < 6; face++) {
        SkyboxFace* f = &skybox->faces[face];
        std::memcpy(f->cornerIndex, FaceCorners[face], sizeof f->cornerIndex);
        std::memcpy(f->s, FaceS, sizeof f->s);
        std::memcpy(f->t, FaceT, sizeof f->t);
    }
    skybox->sixImages = sixImages;

    if (sixImages == 0) {
        int image;
        if (std::strstr(base, ".pcx") != nullptr) {
            image = LoadPcx(base);
        } else if (std::strstr(base, ".tga") != nullptr) {
            image = LoadTga(base);
        } else {
            image = LoadJpeg(base);
        }
        SetTextureFlags(image, SkyboxFlags);
        for (SkyboxFace& face : skybox->faces) {
            face.image = image;
        }
        return skybox;
    }
    for (int face = 0; face < 6; face++) {
        std::snprintf(path, sizeof path, "%s%c%c%s", base, FaceSuffixes[2 * face],
                      FaceSuffixes[2 * face + 1], extension);
        int image = format == 8 ? LoadPcx(path) : LoadTga(path);
        skybox->faces[face].image = SetTextureFlags(image, SkyboxFlags);
    }
    return skybox;
}

void UploadSkybox(Skybox* skybox) {
    if (skybox->sixImages != 0) {
        for (const SkyboxFace& face : skybox->faces) {
            UploadImage(face.image);
        }
    } else {
        UploadImage(skybox->faces[0].image);
    }
}

void DrawSkybox(const Skybox* skybox, const Camera* camera) {
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(camera->position.x, camera->position.y, camera->position.z);
    if (skybox->sixImages == 0) {
        BindImage(skybox->faces[0].image);
    }
    for (const SkyboxFace& face : skybox->faces) {
        if (skybox->sixImages != 0) {
            BindImage(face.image);
        }
        glBegin(GL_QUADS);
        for (int i = 0; i < 4; i++) {
            glTexCoord2f(face.s[i], face.t[i]);
            glVertex3fv(skybox->corners[face.cornerIndex[i]]);
        }
        glEnd();
    }
    glPopMatrix();
    glDepthMask(GL_TRUE);
}

void FreeSkybox(Skybox* skybox) {
    if (skybox->sixImages != 0) {
        for (const SkyboxFace& face : skybox->faces) {
            FreeImage(face.image);
        }
    } else {
        FreeImage(skybox->faces[0].image);
    }
    delete skybox;
}
