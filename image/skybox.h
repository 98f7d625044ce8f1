// The skybox: a 20-unit textured cube drawn around the camera before
// anything else, without depth writes, so that it always lies behind.
//
// A Skybox owns the images of its faces (one per face, or one for all) and
// releases them in FreeSkybox.
#pragma once

#include <cstdint>

struct Camera;

struct SkyboxFace {
    int32_t cornerIndex[4]; // corners in drawing order
    float s[4];             // texture coordinates of those corners
    float t[4];
    int32_t image; // image handle
};

struct Skybox {
    float corners[8][3]; // x, y, z in world units
    SkyboxFace faces[6]; // ft, bk, lf, rt, up, dn
    int32_t sixImages;   // non-zero: one image per face; zero: one image for all
};

// Reads a skybox. With sixImages set, base is the path without face suffix
// and extension, and format picks the pictures: 8 for PCX, 16 for TGA; with
// it clear, base is the one picture's whole file name. Returns none when
// base is missing; the caller owns the result (FreeSkybox).
Skybox* LoadSkybox(const char* base, int format, int sixImages);

// Creates the OpenGL textures of the skybox's images.
void UploadSkybox(Skybox* skybox);

// Draws the cube centred on the camera's position into the current
// model-view matrix; leaves depth writes on and the matrix as found.
void DrawSkybox(const Skybox* skybox, const Camera* camera);

// Frees the skybox's images and the record.
void FreeSkybox(Skybox* skybox);
