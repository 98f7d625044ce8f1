// Test support: small pictures and meshes in the show's file formats (TGA,
// PCX, JPEG, 3DG), and the file sets the first three scenes read, written
// under a folder that a test makes its working directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB(A) picture, top row first.
struct FixturePicture {
    int width = 0;
    int height = 0;
    int channels = 3; // 3: RGB, 4: RGBA
    std::vector<uint8_t> pixels;
};

struct FixtureColour {
    uint8_t r, g, b;
};

// A width x height RGB picture of one colour.
FixturePicture SolidPicture(int width, int height, FixtureColour colour);

// Sets one pixel (x from the left, y from the top).
void SetFixturePixel(FixturePicture* picture, int x, int y, FixtureColour colour);

// Uncompressed TGA (type 2), 24 or 32 bits by the picture's channels, rows
// stored bottom first, B, G, R(, A).
void WriteFixtureTga(const std::string& path, const FixturePicture& picture);

// 8-bit run-length PCX with the picture's colours (at most 256) in a trailing
// palette.
void WriteFixturePcx(const std::string& path, const FixturePicture& picture);

// Baseline JPEG at high quality (colours come back within a few levels).
void WriteFixtureJpeg(const std::string& path, const FixturePicture& picture);

// A 3DG mesh: positions and normals per vertex, three indices per triangle
// (face normals are written as zeros).
void WriteFixture3dg(const std::string& path, const std::vector<int16_t>& positions,
                     const std::vector<int16_t>& normals, const std::vector<int16_t>& triangles);

// Colours of the opening titles' fixture pictures (all RGB, no alpha).
FixtureColour TitlesLetterColour(int slot); // slots 0 … 10: solid, with a white top-left hook
constexpr FixtureColour LogoTopLeft = {200, 40, 40};
constexpr FixtureColour LogoTopRight = {40, 200, 40};
constexpr FixtureColour LogoBottomLeft = {40, 40, 200};
constexpr FixtureColour LogoBottomRight = {200, 200, 40};
constexpr FixtureColour TopBannerColour = {0, 0, 200};
constexpr FixtureColour BottomBannerColour = {0, 200, 0};

// The object scene's: an octahedron of radius 40 with normals of length 254,
// a red/yellow checked object picture, a blue sky, a green/black mosaic and
// a white flash picture.
constexpr FixtureColour FlashColour = {255, 255, 255};
constexpr FixtureColour SkyColour = {40, 80, 220};

// The swirl scene's: six solid skybox faces and a soft white light spot.
FixtureColour SkyboxFaceColour(int face); // ft, bk, lf, rt, up, dn

// Write each scene's files under dir (textures/, objects/, skybox/).
void WriteTitlesFixtures(const std::string& dir);
void WriteObjectSceneFixtures(const std::string& dir);
void WriteSwirlFixtures(const std::string& dir);

// Writes the bound picture (640 x 480) as a binary PPM, top row first.
void WritePicturePpm(const std::string& path);
