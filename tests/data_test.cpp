// The data generator: the pictures, skybox, sprite and mesh it writes, read
// back with the program's own readers from the data folder that the build
// fills; the writers' round trips; the same bytes from a second run; the
// generator's failures; and the soundtrack, decoded as a player decodes it,
// with its instruments' note boundaries.
#include "bsp/bsp_file.h"
#include "bsp/camera_track.h"
#include "bsp/entities.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/visibility.h"
#include "image/image.h"
#include "image/jpeg.h"
#include "image/object3d.h"
#include "image/object3d_write.h"
#include "image/pcx.h"
#include "image/palette.h"
#include "image/pcx_write.h"
#include "image/skybox.h"
#include "image/tga.h"
#include "image/tga_write.h"
#include "shell/fatal.h"
#include "support/files.h"
#include "tools/data/level/level.h"
#include "tools/data/level/textures.h"
#include "tools/data/level/faces.h"
#include "tools/data/level/grid.h"
#include "tools/data/level/light.h"
#include "tools/data/level/tree.h"
#include "tools/data/level/vis.h"
#include "tools/data/music/drums.h"
#include "tools/data/music/math.h"
#include "tools/data/music/synth.h"
#include "tools/data/output.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Pictures and mesh, read from the data folder the build fills.

const std::string DataDir = std::string(TESSALINE_BINARY_DIR) + "/data";

std::string DataPath(const std::string& name) {
    return DataDir + "/" + name;
}

bool IsPowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// Largest channel value on the picture's outermost rows and columns.
int BrightestEdge(const Image* image) {
    int bpp = ImageBytesPerPixel(image), brightest = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if (x != 0 && y != 0 && x != image->width - 1 && y != image->height - 1) {
                continue;
            }
            const uint8_t* p = &image->pixels[(static_cast<size_t>(y) * image->width + x) * bpp];
            brightest = std::max({brightest, int(p[0]), int(p[1]), int(p[2])});
        }
    }
    return brightest;
}

// Mean absolute difference between columns a and b (all channels).
double ColumnDifference(const Image* image, int a, int b) {
    int bpp = ImageBytesPerPixel(image);
    double sum = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int c = 0; c < 3; ++c) {
            size_t row = static_cast<size_t>(y) * image->width;
            sum +=
                std::abs(image->pixels[(row + a) * bpp + c] - image->pixels[(row + b) * bpp + c]);
        }
    }
    return sum / (image->height * 3);
}

// Mean absolute difference between rows a and b.
double RowDifference(const Image* image, int a, int b) {
    int bpp = ImageBytesPerPixel(image);
    double sum = 0;
    for (int x = 0; x < image->width; ++x) {
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(image->pixels[(static_cast<size_t>(a) * image->width + x) * bpp + c] -
                            image->pixels[(static_cast<size_t>(b) * image->width + x) * bpp + c]);
        }
    }
    return sum / (image->width * 3);
}

// A picture repeats without a seam when its wrap-round step (last column to
// first) is no larger than its ordinary steps between neighbours.
double MeanColumnStep(const Image* image) {
    double sum = 0;
    for (int x = 0; x + 1 < image->width; ++x) {
        sum += ColumnDifference(image, x, x + 1);
    }
    return sum / (image->width - 1);
}

double MeanRowStep(const Image* image) {
    double sum = 0;
    for (int y = 0; y + 1 < image->height; ++y) {
        sum += RowDifference(image, y, y + 1);
    }
    return sum / (image->height - 1);
}

TEST(DataArt, LetterPicturesSuitTheirQuads) {
    // Letter, and the picture's size: 256 texels per view unit of its quad.
    const std::pair<char, std::array<int, 2>> letters[] = {
        {'H', {256, 256}}, {'y', {128, 128}}, {'z', {128, 128}}, {'v', {64, 256}},
        {'u', {128, 128}}, {'p', {128, 128}}, {'s', {128, 128}}, {'t', {128, 128}},
        {'D', {256, 256}}, {'o', {128, 128}}, {'a', {128, 128}},
    };
    for (const auto& [letter, size] : letters) {
        SCOPED_TRACE(letter);
        const Image* image =
            GetImage(LoadTga(DataPath(std::string("textures/001") + letter + ".tga").c_str()));
        // No alpha channel: the fade-out acts through the colour's alpha.
        EXPECT_EQ(image->pixelFormat, GL_RGB);
        EXPECT_EQ(image->width, size[0]);
        EXPECT_EQ(image->height, size[1]);
        EXPECT_TRUE(IsPowerOfTwo(image->width) && IsPowerOfTwo(image->height));
        // Black round the glyph: the pictures are added and clamped.
        EXPECT_LE(BrightestEdge(image), 2);
        int bright = 0;
        for (size_t i = 0; i < image->pixels.size(); ++i) {
            bright += image->pixels[i] > 200;
        }
        EXPECT_GT(bright, 100);
    }
}

TEST(DataArt, LettersAreStoredMirrored) {
    // The quads show a picture's right edge at their left, so a letter
    // whose stem is on its left (D, p) holds the stem on the right of its
    // ink in the file.
    for (char letter : {'D', 'p'}) {
        SCOPED_TRACE(letter);
        const Image* image =
            GetImage(LoadTga(DataPath(std::string("textures/001") + letter + ".tga").c_str()));
        std::vector<int> ink(image->width, 0);
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                ink[x] += image->pixels[(static_cast<size_t>(y) * image->width + x) * 3] > 200;
            }
        }
        int first = -1, last = -1, stem = 0;
        for (int x = 0; x < image->width; ++x) {
            if (ink[x] > 0) {
                last = x;
                first = first < 0 ? x : first;
            }
            stem = ink[x] > ink[stem] ? x : stem;
        }
        ASSERT_GE(first, 0);
        EXPECT_GT(stem, (first + last) / 2);
    }
}

TEST(DataArt, TitlePicturesHaveTheirSizesAndDarkGrounds) {
    struct Case {
        const char* name;
        int width, height;
        bool additive; // drawn added onto black: must have a black ground
    };
    const Case cases[] = {
        {"textures/zembrit.tga", 512, 256, false},
        {"textures/morvasktop.tga", 512, 256, true},
        {"textures/morvaskbottom.tga", 512, 256, true},
        {"textures/punkt.tga", 512, 128, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Image* image = GetImage(LoadTga(DataPath(c.name).c_str()));
        EXPECT_EQ(image->pixelFormat, GL_RGB);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        if (c.additive) {
            EXPECT_LE(BrightestEdge(image), 8);
        }
    }
    // The banners are laid one over the other: the top one's design stays
    // in the upper half and the bottom one's in the lower half.
    const Image* top = GetImage(LoadTga(DataPath("textures/morvasktop.tga").c_str()));
    const Image* bottom = GetImage(LoadTga(DataPath("textures/morvaskbottom.tga").c_str()));
    auto brightestIn = [](const Image* image, int fromRow, int toRow) {
        int brightest = 0;
        for (size_t i = static_cast<size_t>(fromRow) * image->width * 3;
             i < static_cast<size_t>(toRow) * image->width * 3; ++i) {
            brightest = std::max(brightest, int(image->pixels[i]));
        }
        return brightest;
    };
    EXPECT_LE(brightestIn(top, 160, 256), 8);
    EXPECT_LE(brightestIn(bottom, 0, 96), 8);
}

TEST(DataArt, ObjectMaterialsReadAndTile) {
    const Image* environment = GetImage(LoadPcx(DataPath("textures/mess.pcx").c_str()));
    EXPECT_EQ(environment->width, 256);
    EXPECT_EQ(environment->height, 256);
    EXPECT_EQ(environment->pixelFormat, GL_RGB);

    // The sky is a three-component JPEG that wraps round the sphere.
    std::optional<JpegPicture> decoded = DecodeJpegFile(DataPath("textures/spheresky.jpg").c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->stride, decoded->width * 3);
    const Image* sky = GetImage(LoadJpeg(DataPath("textures/spheresky.jpg").c_str()));
    EXPECT_EQ(sky->width, 512);
    EXPECT_EQ(sky->height, 256);
    EXPECT_LE(ColumnDifference(sky, sky->width - 1, 0), 2 * MeanColumnStep(sky) + 2);

    const Image* mosaic = GetImage(LoadTga(DataPath("textures/mosaico.tga").c_str()));
    EXPECT_EQ(mosaic->pixelFormat, GL_RGB);
    EXPECT_TRUE(IsPowerOfTwo(mosaic->width) && IsPowerOfTwo(mosaic->height));
    EXPECT_LE(ColumnDifference(mosaic, mosaic->width - 1, 0), 1.5 * MeanColumnStep(mosaic));
    EXPECT_LE(RowDifference(mosaic, mosaic->height - 1, 0), 1.5 * MeanRowStep(mosaic));
}

TEST(DataArt, SpriteAndBackdrop) {
    const Image* glow = GetImage(LoadPcx(DataPath("textures/luz.pcx").c_str()));
    EXPECT_TRUE(IsPowerOfTwo(glow->width) && glow->width == glow->height);
    EXPECT_EQ(BrightestEdge(glow), 0);
    const uint8_t* centre =
        &glow->pixels[(static_cast<size_t>(glow->height / 2) * glow->width + glow->width / 2) * 3];
    EXPECT_EQ(centre[0], 255);
    // Grey: the sprite's own colour tints it.
    for (size_t i = 0; i < glow->pixels.size(); i += 3) {
        ASSERT_TRUE(glow->pixels[i] == glow->pixels[i + 1] &&
                    glow->pixels[i] == glow->pixels[i + 2]);
    }

    const Image* blocks = GetImage(LoadTga(DataPath("textures/cubitos.tga").c_str()));
    EXPECT_EQ(blocks->pixelFormat, GL_RGB);
    EXPECT_TRUE(IsPowerOfTwo(blocks->width) && IsPowerOfTwo(blocks->height));
    EXPECT_LE(ColumnDifference(blocks, blocks->width - 1, 0), 1.5 * MeanColumnStep(blocks));
    EXPECT_LE(RowDifference(blocks, blocks->height - 1, 0), 1.5 * MeanRowStep(blocks));
}

// The skybox's faces meet without seams: along each of the cube's twelve
// edges the texels of the two faces that share it show the same sky. The
// texel under a point comes from the skybox's own corner and texture
// coordinate tables, so a face stored turned or mirrored fails here.
TEST(DataArt, SkyboxFacesMeetWithoutSeams) {
    Skybox* skybox = LoadSkybox(DataPath("skybox/space1").c_str(), 16, 1);
    ASSERT_NE(skybox, nullptr);
    using Point = std::array<float, 3>;
    auto corner = [&](int face, int k) {
        const float* c = skybox->corners[skybox->faces[face].cornerIndex[k]];
        return Point{c[0], c[1], c[2]};
    };
    // The point of a face at texture coordinates (s, t): corners 2, 3 and 1
    // of the drawing order carry (0, 0), (1, 0) and (0, 1).
    for (int face = 0; face < 6; ++face) {
        const SkyboxFace& f = skybox->faces[face];
        ASSERT_EQ(f.s[2], 0.0f);
        ASSERT_EQ(f.t[2], 0.0f);
        ASSERT_EQ(f.s[3], 1.0f);
        ASSERT_EQ(f.t[1], 1.0f);
        const Image* image = GetImage(f.image);
        EXPECT_EQ(image->pixelFormat, GL_RGB);
        EXPECT_EQ(image->width, image->height);
        EXPECT_TRUE(IsPowerOfTwo(image->width));
    }
    auto texelAt = [&](int face, Point p, bool& inside) {
        Point o = corner(face, 2), se = corner(face, 3), te = corner(face, 1);
        Point sd{se[0] - o[0], se[1] - o[1], se[2] - o[2]};
        Point td{te[0] - o[0], te[1] - o[1], te[2] - o[2]};
        Point d{p[0] - o[0], p[1] - o[1], p[2] - o[2]};
        float s = (d[0] * sd[0] + d[1] * sd[1] + d[2] * sd[2]) / 400.0f;
        float t = (d[0] * td[0] + d[1] * td[1] + d[2] * td[2]) / 400.0f;
        float normal = std::abs((sd[1] * td[2] - sd[2] * td[1]) * d[0] +
                                (sd[2] * td[0] - sd[0] * td[2]) * d[1] +
                                (sd[0] * td[1] - sd[1] * td[0]) * d[2]);
        inside = normal < 1e-3f && s >= -1e-4f && s <= 1.0001f && t >= -1e-4f && t <= 1.0001f;
        const Image* image = GetImage(skybox->faces[face].image);
        int x = std::clamp(static_cast<int>(s * image->width), 0, image->width - 1);
        int y = std::clamp(static_cast<int>(t * image->height), 0, image->height - 1);
        return &image->pixels[(static_cast<size_t>(y) * image->width + x) * 3];
    };
    // Walk every face's border; where another face holds the same point,
    // compare, and compare again with that face's texel taken mirrored
    // along the edge, which a misplaced face would match as well.
    double matched = 0, mirrored = 0;
    int pairs = 0;
    for (int face = 0; face < 6; ++face) {
        Point o = corner(face, 2), se = corner(face, 3), te = corner(face, 1);
        for (int i = 0; i < 512; ++i) {
            float a = (i + 0.5f) / 512;
            for (int side = 0; side < 4; ++side) {
                float s = side == 0 ? a : side == 1 ? a : side == 2 ? 0.0f : 1.0f;
                float t = side == 0 ? 0.0f : side == 1 ? 1.0f : a;
                float sm = side < 2 ? 1 - a : s, tm = side < 2 ? t : 1 - a;
                Point p, q;
                for (int k = 0; k < 3; ++k) {
                    p[k] = o[k] + s * (se[k] - o[k]) + t * (te[k] - o[k]);
                    q[k] = o[k] + sm * (se[k] - o[k]) + tm * (te[k] - o[k]);
                }
                bool inside = false;
                const uint8_t* here = texelAt(face, p, inside);
                for (int other = 0; other < 6; ++other) {
                    bool onOther = false, onOtherMirrored = false;
                    if (other == face) {
                        continue;
                    }
                    const uint8_t* there = texelAt(other, p, onOther);
                    const uint8_t* thereMirrored = texelAt(other, q, onOtherMirrored);
                    if (!onOther || !onOtherMirrored) {
                        continue;
                    }
                    for (int c = 0; c < 3; ++c) {
                        matched += std::abs(here[c] - there[c]);
                        mirrored += std::abs(here[c] - thereMirrored[c]);
                    }
                    ++pairs;
                }
            }
        }
    }
    EXPECT_EQ(pairs, 6 * 4 * 512);
    EXPECT_LT(matched, 0.5 * mirrored);
    EXPECT_LT(matched / (pairs * 3), 4.0);
    FreeSkybox(skybox);
}

TEST(DataArt, CatMeshIsClosedSmoothAndSized) {
    Object3D* cat = NewObject3D();
    ASSERT_EQ(LoadObject3D(DataPath("objects/cat.3dg").c_str(), 3, cat), 0);
    EXPECT_GE(cat->faceCount, 2000);
    EXPECT_LE(cat->faceCount, 12000);
    // About 150 units nose to tail, standing on z = 0, taller than wide.
    Vec3 size{cat->boundsMax.x - cat->boundsMin.x, cat->boundsMax.y - cat->boundsMin.y,
              cat->boundsMax.z - cat->boundsMin.z};
    EXPECT_NEAR(size.x, 150.0f, 3.0f);
    EXPECT_GT(size.z, 2 * size.y);

    // Closed: every edge is used once in each direction.
    std::map<std::pair<int, int>, int> edges;
    for (int f = 0; f < cat->faceCount; ++f) {
        const int* v = cat->faces[f].vertex;
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(v[k], 0);
            ASSERT_LT(v[k], cat->vertexCount);
            ++edges[{v[k], v[(k + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1);
        auto back = edges.find({edge.second, edge.first});
        ASSERT_TRUE(back != edges.end() && back->second == 1);
    }

    // No flat triangle; drawing order (the file's reversed) turns clockwise
    // seen from outside, so the stored normals oppose it and the enclosed
    // volume comes out negative.
    double volume = 0;
    int agreeing = 0;
    for (int f = 0; f < cat->faceCount; ++f) {
        const int* v = cat->faces[f].vertex;
        const Object3DVertex &a = cat->vertices[v[0]], &b = cat->vertices[v[1]],
                             &c = cat->vertices[v[2]];
        double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        ASSERT_GT(nx * nx + ny * ny + nz * nz, 0.0);
        volume += (a.x * nx + a.y * ny + a.z * nz) / 6;
        const float* n = &cat->faceNormals[3 * f];
        EXPECT_LT(n[0] * nx + n[1] * ny + n[2] * nz, 0.0);
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 254.0f, 1.5f);
        // Smooth: the vertex normals lean the same way as their triangle's.
        for (int k = 0; k < 3; ++k) {
            const float* m = &cat->vertexNormals[3 * v[k]];
            agreeing += m[0] * n[0] + m[1] * n[1] + m[2] * n[2] > 0;
        }
    }
    EXPECT_LT(volume, -0.1 * size.x * size.y * size.z);
    EXPECT_GT(agreeing, 0.99 * 3 * cat->faceCount);
    for (int i = 0; i < cat->vertexCount; ++i) {
        const float* m = &cat->vertexNormals[3 * i];
        ASSERT_NEAR(std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]), 254.0f, 1.5f);
    }
    FreeObject3D(cat);
}

// The writers, each round-tripped through its reader.

TEST(DataWriters, TgaRoundTripsInBothEncodings) {
    // Runs longer than one packet, lone pixels between runs, and alpha.
    const int width = 300, height = 3;
    for (int bpp : {3, 4}) {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * bpp);
        for (int i = 0; i < width * height; ++i) {
            bool run = (i / 7) % 3 == 0 || i < 260;
            for (int c = 0; c < bpp; ++c) {
                pixels[static_cast<size_t>(i) * bpp + c] =
                    static_cast<uint8_t>(run ? 40 * c + 1 : (i * 37 + c * 11) & 0xFF);
            }
        }
        for (TgaEncoding encoding : {TgaEncoding::Uncompressed, TgaEncoding::RunLength}) {
            std::string path = MakeScratchDir("tga_write") + "/picture.tga";
            WriteFileBytes(path, EncodeTga(width, height, bpp, pixels.data(), encoding));
            const Image* image = GetImage(LoadTga(path.c_str()));
            EXPECT_EQ(image->pixelFormat, bpp == 3 ? GL_RGB : GL_RGBA);
            EXPECT_EQ(image->pixels, pixels);
        }
    }
}

TEST(DataWriters, PcxRoundTripsEveryIndex) {
    // Every index, with values 0xC0 and above both alone and in runs, and a
    // run longer than one 63-pixel packet.
    const int width = 256, height = 3;
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    for (int i = 0; i < width; ++i) {
        indices[i] = static_cast<uint8_t>(i);
        indices[width + i] = static_cast<uint8_t>(0xC0 + (i / 5) % 64);
        indices[2 * width + i] = i < 200 ? 0xC1 : 7;
    }
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 768; ++i) {
        palette[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    std::string path = MakeScratchDir("pcx_write") + "/picture.pcx";
    WriteFileBytes(path, EncodePcx(width, height, indices.data(), palette.data()));
    const Image* image = GetImage(LoadPcx(path.c_str()));
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    for (size_t i = 0; i < indices.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(image->pixels[3 * i + c], palette[3 * indices[i] + c]) << i;
        }
    }
}

TEST(DataWriters, Object3DRoundTrips) {
    Object3DFile mesh;
    mesh.positions = {{-32768, 0, 5}, {32767, -1, 0}, {0, 300, -7}};
    mesh.vertexNormals = {{254, 0, 0}, {0, -254, 0}, {0, 0, 254}};
    mesh.triangles = {{0, 1, 2}};
    mesh.faceNormals = {{1, 2, -3}};
    std::string path = MakeScratchDir("object3d_write") + "/mesh.3dg";
    WriteFileBytes(path, EncodeObject3D(mesh));
    Object3D* object = NewObject3D();
    ASSERT_EQ(LoadObject3D(path.c_str(), 0, object), 0);
    ASSERT_EQ(object->vertexCount, 3);
    ASSERT_EQ(object->faceCount, 1);
    EXPECT_EQ(object->vertices[0].x, -32768.0f);
    EXPECT_EQ(object->vertices[1].x, 32767.0f);
    EXPECT_EQ(object->vertices[2].z, -7.0f);
    EXPECT_EQ(object->vertexNormals[4], -254.0f);
    EXPECT_EQ(object->faces[0].vertex[0], 2);
    EXPECT_EQ(object->faceNormals[2], -3.0f);
    FreeObject3D(object);
}

} // namespace

namespace fs = std::filesystem;

namespace {

// The folder the build fills by running the generator.
std::string BuiltDataDir() {
    return std::string(TESSALINE_BINARY_DIR) + "/data";
}

std::string Generator() {
    return std::string(TESSALINE_BINARY_DIR) + "/tessaline-data";
}

// Every regular file under dir, as sorted paths relative to dir.
std::vector<std::string> ListFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), dir).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// ---- The generator as a program ----

TEST(DataGenerator, SecondRunWritesTheSameFilesByteForByte) {
    ASSERT_TRUE(fs::exists(BuiltDataDir() + "/music/velt2002.mp3")) << "build the tree first";
    std::string dir = MakeScratchDir("data-run");
    CommandResult run = RunCommand(Generator() + " " + dir + "/out");
    ASSERT_EQ(run.status, 0) << run.output;

    std::vector<std::string> files = ListFiles(dir + "/out");
    ASSERT_EQ(files, ListFiles(BuiltDataDir()));
    for (const std::string& name : files) {
        EXPECT_NE(run.output.find("tessaline-data: " + name + " ("), std::string::npos)
            << "no progress line for " << name;
        EXPECT_TRUE(ReadFileBytes(dir + "/out/" + name) ==
                    ReadFileBytes(BuiltDataDir() + "/" + name))
            << name << " differs between two runs";
    }
    fs::remove_all(dir);
}

TEST(DataGenerator, BadCommandLinesAndUnusableFoldersEndWithStatusOne) {
    std::string dir = MakeScratchDir("data-bad");
    WriteFileBytes(dir + "/plain-file", {1, 2, 3});
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"", "usage: tessaline-data DIR"},
        {"a b", "usage: tessaline-data DIR"},
        {"''", "usage: tessaline-data DIR"},
        {dir + "/plain-file/out", "tessaline-data: error: Cannot make folder " + dir},
    };
    for (const Case& c : cases) {
        CommandResult run = RunCommand(Generator() + " " + c.arguments);
        EXPECT_EQ(run.status, 1) << "arguments: " << c.arguments;
        EXPECT_NE(run.output.find(c.message), std::string::npos)
            << "arguments: " << c.arguments << "\n"
            << run.output;
    }
    fs::remove_all(dir);
}

// FatalError, caught: the message is kept and control jumps back to the test.
std::jmp_buf FatalJump;
std::string FatalMessage;
void CatchFatal(const char* message) {
    FatalMessage = message;
    std::longjmp(FatalJump, 1);
}

// Writes one byte to dir/name expecting FatalError; returns its message, or
// "" when the write went through.
std::string FailedWriteMessage(const std::string& dir, const char* name) {
    FatalMessage.clear();
    SetFatalErrorHook(CatchFatal);
    if (setjmp(FatalJump) == 0) {
        WriteDataFile(dir, name, {1});
    }
    SetFatalErrorHook(nullptr);
    return FatalMessage;
}

TEST(DataGenerator, WriteDataFileMakesFoldersAndReportsWhatItCannotWrite) {
    std::string dir = MakeScratchDir("data-write");
    WriteDataFile(dir, "a/b/c.bin", {7, 8, 9});
    EXPECT_EQ(ReadFileBytes(dir + "/a/b/c.bin"), (std::vector<uint8_t>{7, 8, 9}));
    WriteDataFile(dir, "a/empty.bin", {});
    EXPECT_TRUE(fs::exists(dir + "/a/empty.bin"));
    EXPECT_EQ(fs::file_size(dir + "/a/empty.bin"), 0u);

    // A folder where the file should go, and a file where a folder should go.
    fs::create_directories(dir + "/taken.bin");
    struct Failure {
        const char* name;
        std::string message;
    };
    const Failure failures[] = {
        {"taken.bin", "Cannot write " + dir + "/taken.bin"},
        {"a/b/c.bin/d.bin", "Cannot make folder " + dir + "/a/b/c.bin"},
    };
    for (const Failure& failure : failures) {
        std::string reported = FailedWriteMessage(dir, failure.name);
        EXPECT_EQ(reported.rfind(failure.message, 0), 0u) << failure.name << ": " << reported;
    }
    fs::remove_all(dir);
}

// ---- The soundtrack ----

struct DecodedAudio {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples; // interleaved
};

uint32_t ReadLittle(const std::vector<uint8_t>& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<size_t>(i)];
    }
    return value;
}

// Decodes an MP3 with the mpg123 player into 32-bit float samples, as a
// player would hear it (no clamping, so overshoot shows).
DecodedAudio DecodeMp3(const std::string& path) {
    DecodedAudio audio;
    std::string wav = MakeScratchDir("data-decode") + "/decoded.wav";
    CommandResult run = RunCommand("mpg123 -q -e f32 -w '" + wav + "' '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> bytes = ReadFileBytes(wav);
    fs::remove_all(fs::path(wav).parent_path());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) {
        ADD_FAILURE() << "mpg123 wrote no WAVE file";
        return audio;
    }
    // RIFF chunks after the 12-byte header: "fmt " holds the format, "data" the samples.
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = ReadLittle(bytes, at + 4, 4);
        size_t body = at + 8;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0) {
            EXPECT_EQ(ReadLittle(bytes, body, 2), 3u) << "not float samples";
            audio.channels = static_cast<int>(ReadLittle(bytes, body + 2, 2));
            audio.rate = static_cast<int>(ReadLittle(bytes, body + 4, 4));
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            size_t count = std::min<size_t>(size, bytes.size() - body) / 4;
            audio.samples.resize(count);
            std::memcpy(audio.samples.data(), &bytes[body], count * 4);
        }
        at = body + size + (size & 1);
    }
    return audio;
}

// Root mean square of both channels from fromSeconds to toSeconds.
double Rms(const DecodedAudio& audio, double fromSeconds, double toSeconds) {
    size_t from = static_cast<size_t>(fromSeconds * audio.rate) * 2;
    size_t to = std::min(audio.samples.size(), static_cast<size_t>(toSeconds * audio.rate) * 2);
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += audio.samples[i] * audio.samples[i];
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

TEST(Soundtrack, DecodesToTheWholeShowInStereoWithoutClipping) {
    std::string path = BuiltDataDir() + "/music/velt2002.mp3";
    std::vector<uint8_t> mp3 = ReadFileBytes(path);
    ASSERT_GE(mp3.size(), 4u) << path;
    // The first frame header: MPEG-1 layer III, and its bitrate index
    // (kbit/s: 32 40 48 56 64 80 96 112 128 160 192 224 256 320).
    static const int Kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
    ASSERT_EQ(mp3[0], 0xFF);
    ASSERT_EQ(mp3[1] & 0xFE, 0xFA) << "not MPEG-1 layer III";
    EXPECT_GE(Kbps[mp3[2] >> 4], 192);

    DecodedAudio audio = DecodeMp3(path);
    ASSERT_EQ(audio.channels, 2);
    ASSERT_EQ(audio.rate, 44100);
    double seconds = static_cast<double>(audio.samples.size()) / 2.0 / audio.rate;
    EXPECT_GE(seconds, 126.0);
    EXPECT_LE(seconds, 140.0);
    float peak = 0.0f;
    for (float sample : audio.samples) {
        peak = std::max(peak, std::fabs(sample));
    }
    EXPECT_LT(peak, 0.99f);
    EXPECT_GT(peak, 0.5f) << "far too quiet";

    // Every scene has music, the flythrough is the loudest, and the file
    // ends in silence rather than being cut off.
    const double scenes[][2] = {{0.5, 23.0}, {23.0, 47.75}, {47.75, 71.75}, {71.75, 123.75}};
    double intro = Rms(audio, scenes[0][0], scenes[0][1]);
    double flight = Rms(audio, scenes[3][0], scenes[3][1]);
    for (const auto& scene : scenes) {
        double level = Rms(audio, scene[0], scene[1]);
        EXPECT_GT(level, 0.03) << "scene from " << scene[0] << " s";
        EXPECT_LE(level, flight) << "scene from " << scene[0] << " s";
    }
    EXPECT_GT(flight, 1.5 * intro);
    EXPECT_LT(Rms(audio, seconds - 0.1, seconds), 0.001);
}

// A rendered note or hit starts from silence and dies away to silence, and
// never jumps by more than a sound of that pitch can move in one sample:
// otherwise it clicks where notes meet.
TEST(Soundtrack, NotesAndHitsStartAndEndWithoutClicks) {
    LeadSound bright = {7,       22.0f, 0.8f, 0.35f, 2200.0f,
                        3800.0f, 0.22f, 0.3f, 18.0f, {0.006f, 0.4f, 0.75f, 0.18f}};
    struct Case {
        const char* name;
        std::function<StereoTrack()> render;
    };
    const Case cases[] = {
        {"pad",
         [] {
             return RenderPad({57, 60, 64, 67}, 1.0, 2500.0f);
         }},
        {"short pad", [] { return RenderPad({45}, 0.05, 8000.0f); }},
        {"pluck", [] { return RenderPluck(81.0, 3000.0f, 0.16f); }},
        {"bass", [] { return RenderBass(33.0, 0.3, 1200.0f); }},
        {"bass, very short", [] { return RenderBass(45.0, 0.01, 3000.0f); }},
        {"lead", [&] { return RenderLead(84.0, 0.7, bright); }},
        {"lead, shorter than its attack", [&] { return RenderLead(60.0, 0.003, bright); }},
        {"kick", [] { return RenderKick(); }},
        {"snare", [] { return RenderSnare(5); }},
        {"clap", [] { return RenderClap(6); }},
        {"closed hat", [] { return RenderHat(false, 7); }},
        {"open hat", [] { return RenderHat(true, 8); }},
        {"crash", [] { return RenderCrash(2.0, 9); }},
        {"riser", [] { return RenderRiser(1.0, 10); }},
        {"reverse crash", [] { return RenderReverseCrash(1.0, 11); }},
    };
    for (const Case& c : cases) {
        StereoTrack sound = c.render();
        ASSERT_EQ(sound.left.size(), sound.right.size()) << c.name;
        ASSERT_GT(sound.left.size(), 100u) << c.name;
        float peak = 0.0f;
        for (const std::vector<float>* channel : {&sound.left, &sound.right}) {
            EXPECT_LT(std::fabs(channel->front()), 0.01f) << c.name << " starts with a click";
            EXPECT_LT(std::fabs(channel->back()), 0.001f) << c.name << " is cut off";
            for (float sample : *channel) {
                ASSERT_TRUE(std::isfinite(sample)) << c.name;
                peak = std::max(peak, std::fabs(sample));
            }
        }
        EXPECT_GT(peak, 0.01f) << c.name << " is silent";
        // Sounds are levelled in the mix; this only catches a filter running away.
        EXPECT_LT(peak, 3.0f) << c.name << " is far too loud";
    }
}

// The synthesiser's own elementary functions (the same bits on every
// machine) agree with the C library's across the ranges it uses them in.
TEST(Soundtrack, PortableMathAgreesWithTheLibrary) {
    double worst[6] = {};
    for (int i = -20000; i <= 20000; ++i) {
        double x = i * 0.0037;                          // -74 … 74
        double reduced = std::remainder(x, M_PI / 2.0); // within ±π/4, where tan is tame
        const double errors[6] = {
            std::fabs(PortableExp(x) / std::exp(x) - 1.0),
            std::fabs(PortableExp2(x) / std::exp2(x) - 1.0),
            std::fabs(PortableSin(x * 40.0) - std::sin(x * 40.0)),
            std::fabs(PortableCos(x) - std::cos(x)),
            std::fabs(PortableTanh(x / 10.0) - std::tanh(x / 10.0)),
            std::fabs(PortableTan(reduced) - std::tan(reduced)),
        };
        for (int k = 0; k < 6; ++k) {
            worst[k] = std::max(worst[k], errors[k]);
        }
    }
    const char* names[6] = {"exp", "exp2", "sin", "cos", "tanh", "tan"};
    for (int k = 0; k < 6; ++k) {
        EXPECT_LT(worst[k], 1e-12) << names[k];
    }
    EXPECT_EQ(PortableExp(0.0), 1.0);
    EXPECT_EQ(PortableExp2(10.0), 1024.0);
    EXPECT_EQ(PortableExp2(-2000.0), 0.0);
    EXPECT_EQ(PortableTanh(50.0), 1.0);
}

} // namespace

// ---- The show's level: the compiler's stages and the file it writes ----

namespace {

// The level file the build wrote, loaded with the program's own loader
// (which also checks every index it follows).
class ShowLevel : public ::testing::Test {
  protected:
    void SetUp() override { LoadBSPFile(DataPath("bsp/qorldm1.bsp").c_str()); }

    static std::array<double, 3> Vertex(int32_t face, int32_t j) {
        int32_t e = BspData.surfEdges[BspData.faces[face].firstSurfEdge + j];
        const BspEdge& edge = BspData.edges[e >= 0 ? e : -e];
        const float* p = BspData.vertexes[e >= 0 ? edge.v[0] : edge.v[1]].position;
        return {p[0], p[1], p[2]};
    }
};

TEST_F(ShowLevel, FacesLieOnTheirNodesAndBoundTheOneLeafThatListsThem) {
    std::vector<int32_t> owners(BspData.numFaces, 0);
    EXPECT_EQ(BspData.leafs[0].contents, -2);
    EXPECT_EQ(BspData.leafs[0].numMarkSurfaces, 0);
    for (int32_t l = 1; l < BspData.numLeafs; ++l) {
        const BspLeaf& leaf = BspData.leafs[l];
        EXPECT_EQ(leaf.contents, -1) << "leaf " << l;
        EXPECT_GE(leaf.visOffset, 0) << "leaf " << l;
        for (int32_t m = 0; m < leaf.numMarkSurfaces; ++m) {
            int32_t f = BspData.markSurfaces[leaf.firstMarkSurface + m];
            ++owners[f];
            // Every vertex on the leaf's box, and the face looking into it.
            std::array<double, 3> centre = {0, 0, 0};
            for (int32_t j = 0; j < BspData.faces[f].numEdges; ++j) {
                std::array<double, 3> p = Vertex(f, j);
                for (int a = 0; a < 3; ++a) {
                    EXPECT_GE(p[a], leaf.mins[a]) << "face " << f;
                    EXPECT_LE(p[a], leaf.maxs[a]) << "face " << f;
                    centre[a] += p[a] / BspData.faces[f].numEdges;
                }
            }
            const BspPlane& plane = BspData.planes[BspData.faces[f].planeNum];
            double inward = BspData.faces[f].side == 0 ? 1.0 : -1.0;
            for (int a = 0; a < 3; ++a) {
                centre[a] += plane.normal[a] * inward;
                EXPECT_GT(centre[a], leaf.mins[a]) << "face " << f;
                EXPECT_LT(centre[a], leaf.maxs[a]) << "face " << f;
            }
        }
    }
    EXPECT_EQ(std::count(owners.begin(), owners.end(), 1), BspData.numFaces);

    int32_t placed = 0;
    for (int32_t n = 0; n < BspData.numNodes; ++n) {
        const BspNode& node = BspData.nodes[n];
        const BspPlane& plane = BspData.planes[node.planeNum];
        for (int32_t f = node.firstFace; f < node.firstFace + node.numFaces; ++f, ++placed) {
            ASSERT_EQ(BspData.faces[f].planeNum, node.planeNum) << "face " << f;
            // Newell's normal of the polygon against the plane: side 0 faces
            // look along the plane's normal.
            double normal[3] = {0, 0, 0};
            int32_t count = BspData.faces[f].numEdges;
            for (int32_t j = 0; j < count; ++j) {
                std::array<double, 3> p = Vertex(f, j);
                std::array<double, 3> q = Vertex(f, (j + 1) % count);
                EXPECT_NEAR(p[0] * plane.normal[0] + p[1] * plane.normal[1] +
                                p[2] * plane.normal[2],
                            plane.dist, 1e-3)
                    << "face " << f;
                normal[0] += (p[1] - q[1]) * (p[2] + q[2]);
                normal[1] += (p[2] - q[2]) * (p[0] + q[0]);
                normal[2] += (p[0] - q[0]) * (p[1] + q[1]);
            }
            double along = normal[0] * plane.normal[0] + normal[1] * plane.normal[1] +
                           normal[2] * plane.normal[2];
            EXPECT_EQ(along > 0, BspData.faces[f].side == 0) << "face " << f;
        }
    }
    EXPECT_EQ(placed, BspData.numFaces);
}

TEST_F(ShowLevel, NoVertexLiesInsideAnotherFacesEdge) {
    // Edges are axis-aligned: a vertex inside one lies on the same line
    // (same two other coordinates) strictly between the ends. Vertexes by
    // line: the axis, the two fixed coordinates, then the sorted positions.
    std::map<std::array<double, 3>, std::vector<double>> lines;
    for (int32_t v = 0; v < BspData.numVertexes; ++v) {
        const float* p = BspData.vertexes[v].position;
        for (int axis = 0; axis < 3; ++axis) {
            lines[{double(axis), p[(axis + 1) % 3], p[(axis + 2) % 3]}].push_back(p[axis]);
        }
    }
    for (auto& line : lines) {
        std::sort(line.second.begin(), line.second.end());
    }
    int32_t junctions = 0;
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        int32_t count = BspData.faces[f].numEdges;
        for (int32_t j = 0; j < count; ++j) {
            std::array<double, 3> a = Vertex(f, j);
            std::array<double, 3> b = Vertex(f, (j + 1) % count);
            int axis = 0;
            while (axis < 3 && a[axis] == b[axis]) {
                ++axis;
            }
            ASSERT_LT(axis, 3) << "face " << f << " repeats a vertex";
            const std::vector<double>& on =
                lines[{double(axis), a[(axis + 1) % 3], a[(axis + 2) % 3]}];
            auto first = std::upper_bound(on.begin(), on.end(), std::min(a[axis], b[axis]));
            auto last = std::lower_bound(on.begin(), on.end(), std::max(a[axis], b[axis]));
            junctions += static_cast<int32_t>(last - first);
        }
    }
    EXPECT_EQ(junctions, 0);
}

TEST_F(ShowLevel, TexturesLightmapsAndStylesFitTheShow) {
    ASSERT_GE(MipTexCount(), 6);
    for (int32_t slot = 0; slot < MipTexCount(); ++slot) {
        ASSERT_NE(MipTexOffset(slot), -1);
        BspMipTex mip = ReadMipTex(slot);
        EXPECT_TRUE(IsPowerOfTwo(static_cast<int>(mip.width))) << slot;
        EXPECT_TRUE(IsPowerOfTwo(static_cast<int>(mip.height))) << slot;
    }
    Palette palette;
    ASSERT_EQ(ReadPaletteFile(DataPath("bsp/palette.lmp").c_str(), &palette), 0);
    // Building the lightmaps stops the program on a face over 18 x 18
    // samples or on a 65th page.
    BuildLevelTextures(&palette);
    BuildFaceTexCoords();
    EXPECT_GE(LightmapPagesUsed(), 1);
    EXPECT_LE(LightmapPagesUsed(), 64);
    int32_t twoStyles = 0;
    for (int32_t f = 0; f < BspData.numFaces; ++f) {
        EXPECT_EQ(BspData.faces[f].styles[0], 0) << "face " << f;
        EXPECT_NE(BspData.faces[f].lightOffset, -1) << "face " << f;
        twoStyles += BspData.faces[f].styles[1] != 255 ? 1 : 0;
    }
    EXPECT_GT(twoStyles, 0);
}

TEST_F(ShowLevel, VisibilityCullsYetEveryLeafSeesItselfAndItsNeighbours) {
    AllocVisibilityArrays();
    int32_t leafs = BspData.numLeafs - 1;
    std::vector<std::vector<bool>> sees(BspData.numLeafs, std::vector<bool>(BspData.numLeafs));
    double seen = 0;
    for (int32_t l = 1; l <= leafs; ++l) {
        DecompressLeafVisibility(l);
        for (int32_t o = 1; o <= leafs; ++o) {
            sees[l][o] = IsLeafVisible(o);
            seen += sees[l][o] ? 1 : 0;
        }
        EXPECT_TRUE(sees[l][l]) << "leaf " << l;
    }
    EXPECT_LT(seen / (double(leafs) * leafs), 0.5);
    for (int32_t l = 1; l <= leafs; ++l) {
        const BspLeaf& a = BspData.leafs[l];
        for (int32_t o = 1; o <= leafs; ++o) {
            EXPECT_EQ(sees[l][o], sees[o][l]) << l << " and " << o;
            // Boxes that share a patch of side see each other.
            const BspLeaf& b = BspData.leafs[o];
            int touching = 0;
            int overlapping = 0;
            for (int k = 0; k < 3; ++k) {
                touching += a.maxs[k] == b.mins[k] || b.maxs[k] == a.mins[k] ? 1 : 0;
                overlapping += std::min(a.maxs[k], b.maxs[k]) > std::max(a.mins[k], b.mins[k]);
            }
            if (touching == 1 && overlapping == 2) {
                EXPECT_TRUE(sees[l][o]) << l << " and " << o;
            }
        }
    }
}

TEST(ShowLevelLayout, TheCameraKeepsClearAndStartsAtThePlayerStart) {
    LevelGrid grid = BuildLevelGrid(MakeLevelLayout());
    LevelTree tree = BuildLevelTree(grid);
    TrackClearance clearance = MeasureTrackClearance(tree);
    EXPECT_GE(clearance.distance, 32.0) << "at " << clearance.time << " s";

    LoadBSPFile(DataPath("bsp/qorldm1.bsp").c_str());
    float origin[3];
    float angle;
    FindPlayerStart(origin, &angle);
    BuildCameraTrack();
    const CameraKey& first = GetCameraTrack()->keys[0];
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(origin[a], first.values[a], 1.0);
    }
    EXPECT_NEAR(angle + 270.0, first.values[5], 1.0);
}

// A 512 x 256 room, 256 high, with a pillar in the middle and a lamp near
// the west wall; one more light of style 5 in the east.
struct LitRoom {
    LevelLayout layout;
    LevelTree tree;
    std::vector<LevelFace> faces;
    LevelLighting lighting;

    LitRoom() {
        layout.ops = {{OpCarve, StylePlain, {{0, 0, 0}, {512, 256, 256}}},
                      {OpFill, StyleMetal, {{224, 96, 0}, {288, 160, 256}}}};
        layout.lights = {{{64, 128, 128}, 100, 600, 0}, {{480, 32, 64}, 100, 160, 5}};
        LevelGrid grid = BuildLevelGrid(layout);
        tree = BuildLevelTree(grid);
        faces = BuildLevelFaces(grid, tree);
        lighting = LightLevelFaces(faces, tree, layout);
    }

    // The floor's sample at (x, y) for style block b, or -1.
    int FloorSample(int32_t x, int32_t y, int b = 0) const {
        for (size_t f = 0; f < faces.size(); ++f) {
            const LevelFace& face = faces[f];
            if (face.axis != 2 || face.coord != 0 || x < face.mins[0] || x > face.maxs[0] ||
                y < face.mins[1] || y > face.maxs[1]) {
                continue;
            }
            // Floors: s = x, t = -y, samples every 16 units from the face's corner.
            const FaceLighting& light = lighting.faces[f];
            int32_t i = (x - face.mins[0]) / 16;
            int32_t j = (-y + face.maxs[1]) / 16;
            if (light.styles[b] == 255) {
                return -1;
            }
            return lighting
                .data[light.lightOffset + b * light.width * light.height + j * light.width + i];
        }
        return -1;
    }
};

TEST(LevelCompiler, LightFallsOffAndThePillarCastsAHardShadow) {
    LitRoom room;
    int near = room.FloorSample(96, 128);
    int far = room.FloorSample(208, 32);
    int shadowed = room.FloorSample(400, 128);
    int besideShadow = room.FloorSample(400, 16);
    EXPECT_GT(near, far);
    EXPECT_GT(far, AmbientSample + 10);
    EXPECT_EQ(shadowed, AmbientSample);
    EXPECT_GT(besideShadow, AmbientSample + 5);
    // The styled light has a block of its own, near it only.
    EXPECT_GT(room.FloorSample(480, 32, 1), 20);
    EXPECT_EQ(room.FloorSample(96, 128, 1), -1);
}

TEST(LevelCompiler, EveryLeafIsAnOpenBoxAndFacesCoverItsWalls) {
    LitRoom room;
    // The pillar splits the room: more than one open leaf, all inside it.
    ASSERT_GT(room.tree.leafs.size(), 2u);
    double wallArea = 0;
    for (const LevelFace& face : room.faces) {
        int32_t u = (face.axis + 1) % 3;
        int32_t v = (face.axis + 2) % 3;
        wallArea += double(face.maxs[u] - face.mins[u]) * (face.maxs[v] - face.mins[v]);
        EXPECT_LE(face.maxs[u] - face.mins[u], FaceMaxSize);
        EXPECT_LE(face.maxs[v] - face.mins[v], FaceMaxSize);
    }
    // Room: floor, ceiling, four walls; pillar: four sides (its top and
    // bottom touch the ceiling and floor).
    double room2 = 2.0 * 512 * 256 + 2.0 * 512 * 256 + 2.0 * 256 * 256;
    double pillar = 4.0 * 64 * 256;
    EXPECT_DOUBLE_EQ(wallArea, room2 + pillar - 2.0 * 64 * 64);
}

} // namespace

// ---- The level's palette and textures ----
// The texture lump read back with the level loader's own readers, the
// palette's brightness floor, the mip chains and the seams.

namespace {

// Points the level store's texture lump at a copy of bytes while alive.
struct BorrowedTextureLump {
    std::vector<uint8_t> bytes;
    uint8_t* savedData;
    int32_t savedSize;

    explicit BorrowedTextureLump(const std::vector<uint8_t>& lump)
        : bytes(lump), savedData(BspData.textureData), savedSize(BspData.textureDataSize) {
        BspData.textureData = bytes.data();
        BspData.textureDataSize = static_cast<int32_t>(bytes.size());
    }
    ~BorrowedTextureLump() {
        BspData.textureData = savedData;
        BspData.textureDataSize = savedSize;
    }
};

struct Rgb3 {
    double r, g, b;
};

// Mip level k of a slot as colours, row by row, read through the lump's own
// header offsets.
std::vector<Rgb3> MipColors(const LevelArt& art, int slot, int k) {
    BorrowedTextureLump borrowed(art.textureLump);
    BspMipTex mip = ReadMipTex(slot);
    size_t count = static_cast<size_t>(mip.width >> k) * (mip.height >> k);
    const uint8_t* texels = art.textureLump.data() + MipTexOffset(slot) + mip.offsets[k];
    std::vector<Rgb3> colors(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &art.palette[3 * texels[i]];
        colors[i] = {double(p[0]), double(p[1]), double(p[2])};
    }
    return colors;
}

Rgb3 MeanColor(const std::vector<Rgb3>& colors) {
    Rgb3 sum{0, 0, 0};
    for (const Rgb3& c : colors) {
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
    }
    double n = static_cast<double>(colors.size());
    return {sum.r / n, sum.g / n, sum.b / n};
}

double ColorDistance(const Rgb3& a, const Rgb3& b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

double Luma(const Rgb3& c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

const LevelArt& TheLevelArt() {
    static const LevelArt art = MakeLevelArt();
    return art;
}

TEST(LevelArt, LumpReadsBackWithTheLevelReader) {
    const LevelArt& art = TheLevelArt();
    ASSERT_EQ(art.palette.size(), 768u);
    BorrowedTextureLump borrowed(art.textureLump);
    ASSERT_EQ(MipTexCount(), LevelTextureSlotCount);

    // Every header and mip level lies inside the lump and none overlaps another.
    std::vector<std::pair<size_t, size_t>> ranges = {{0, 4 + 4 * LevelTextureSlotCount}};
    std::vector<std::string> names;
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        int32_t offset = MipTexOffset(slot);
        ASSERT_GE(offset, 0);
        EXPECT_EQ(offset % 4, 0);
        BspMipTex mip = ReadMipTex(slot);
        EXPECT_EQ(mip.width, art.width[slot]);
        EXPECT_EQ(mip.height, art.height[slot]);
        EXPECT_TRUE(mip.width == 64 || mip.width == 128) << mip.width;
        EXPECT_TRUE(mip.height == 64 || mip.height == 128) << mip.height;

        size_t length = strnlen(mip.name, sizeof mip.name);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, sizeof mip.name);
        EXPECT_EQ(std::string(mip.name), LevelTextureName(static_cast<LevelTextureSlot>(slot)));
        for (size_t i = length; i < sizeof mip.name; ++i) {
            EXPECT_EQ(mip.name[i], 0) << "name not zero padded";
        }
        names.push_back(mip.name);

        ranges.push_back({size_t(offset), size_t(offset) + sizeof(BspMipTex)});
        for (int k = 0; k < LevelMipLevels; ++k) {
            size_t start = size_t(offset) + mip.offsets[k];
            size_t size = size_t(mip.width >> k) * (mip.height >> k);
            ASSERT_LE(start + size, art.textureLump.size()) << "level " << k;
            ranges.push_back({start, start + size});
        }
    }
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i) {
        EXPECT_LE(ranges[i - 1].second, ranges[i].first) << "overlap at byte " << ranges[i].first;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "two slots share a name";
}

// A texel of any entry, lit by a dim lightmap texel (modulated), must stay
// above black in a 5-6-5 picture; and the textures must be bright enough on
// the whole that a dim corner still shows them.
TEST(LevelArt, PaletteAndTexturesStayClearOfBlack) {
    const LevelArt& art = TheLevelArt();
    for (int entry = 0; entry < 256; ++entry) {
        const uint8_t* p = &art.palette[3 * entry];
        EXPECT_GE(std::max({p[0], p[1], p[2]}), 48) << "entry " << entry;
        const int dim = 24; // lightmap value
        int r5 = (p[0] * dim / 255 * 31 + 127) / 255, g6 = (p[1] * dim / 255 * 63 + 127) / 255,
            b5 = (p[2] * dim / 255 * 31 + 127) / 255;
        EXPECT_GT(r5 + g6 + b5, 0) << "entry " << entry << " turns black under a dim light";
    }
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        SCOPED_TRACE(LevelTextureName(static_cast<LevelTextureSlot>(slot)));
        std::vector<Rgb3> texels = MipColors(art, slot, 0);
        size_t dark = 0, white = 0;
        for (const Rgb3& c : texels) {
            dark += Luma(c) < 64;
            white += std::min({c.r, c.g, c.b}) >= 250;
        }
        EXPECT_GT(Luma(MeanColor(texels)), 95.0);
        EXPECT_LT(dark, texels.size() / 10) << "mostly in the darkest shades";
        if (slot != LevelTexLamp) {
            EXPECT_EQ(white, 0u) << "pure white leaves no headroom for light";
        }
    }
}

// Each level is the one above it shrunk: a texel is close to the mean of its
// 2 x 2 block, and the whole picture keeps its mean colour down to level 3.
TEST(LevelArt, MipLevelsShrinkThePicture) {
    const LevelArt& art = TheLevelArt();
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        SCOPED_TRACE(LevelTextureName(static_cast<LevelTextureSlot>(slot)));
        Rgb3 mean0 = MeanColor(MipColors(art, slot, 0));
        for (int k = 1; k < LevelMipLevels; ++k) {
            std::vector<Rgb3> above = MipColors(art, slot, k - 1), level = MipColors(art, slot, k);
            int w = int(art.width[slot] >> k), h = int(art.height[slot] >> k);
            double worst = 0, sum = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    Rgb3 block{0, 0, 0};
                    for (int j = 0; j < 4; ++j) {
                        const Rgb3& c = above[size_t(2 * y + j / 2) * (2 * w) + 2 * x + j % 2];
                        block = {block.r + c.r / 4, block.g + c.g / 4, block.b + c.b / 4};
                    }
                    double d = ColorDistance(block, level[size_t(y) * w + x]);
                    worst = std::max(worst, d);
                    sum += d;
                }
            }
            EXPECT_LT(worst, 40.0) << "level " << k;
            EXPECT_LT(sum / (w * h), 8.0) << "level " << k;
            EXPECT_LT(ColorDistance(MeanColor(level), mean0), 6.0) << "level " << k;
        }
    }
}

// The textures repeat across faces: the step from the last column to the
// first (or the last row to the first) is no bigger a jump than the largest
// step between neighbouring columns (rows) inside the picture.
TEST(LevelArt, TexturesRepeatWithoutSeams) {
    const LevelArt& art = TheLevelArt();
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        SCOPED_TRACE(LevelTextureName(static_cast<LevelTextureSlot>(slot)));
        std::vector<Rgb3> texels = MipColors(art, slot, 0);
        int w = int(art.width[slot]), h = int(art.height[slot]);
        auto at = [&](int x, int y) { return texels[size_t(y % h) * w + x % w]; };
        auto step = [](const Rgb3& a, const Rgb3& b) {
            return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        };
        // Mean step between column x and x + 1 (across: rows), wrapping round.
        auto columnStep = [&](int x) {
            double sum = 0;
            for (int y = 0; y < h; ++y) {
                sum += step(at(x, y), at(x + 1, y));
            }
            return sum / h;
        };
        auto rowStep = [&](int y) {
            double sum = 0;
            for (int x = 0; x < w; ++x) {
                sum += step(at(x, y), at(x, y + 1));
            }
            return sum / w;
        };
        double innerColumns = 0, innerRows = 0;
        for (int x = 0; x + 1 < w; ++x) {
            innerColumns = std::max(innerColumns, columnStep(x));
        }
        for (int y = 0; y + 1 < h; ++y) {
            innerRows = std::max(innerRows, rowStep(y));
        }
        EXPECT_LE(columnStep(w - 1), innerColumns + 1.0);
        EXPECT_LE(rowStep(h - 1), innerRows + 1.0);
    }
}

TEST(LevelArt, SameBytesEveryRun) {
    LevelArt again = MakeLevelArt();
    EXPECT_TRUE(again.palette == TheLevelArt().palette);
    EXPECT_TRUE(again.textureLump == TheLevelArt().textureLump);
}

// Not run by default: writes every texture's first level, tiled 2 x 2 so the
// seams show, and the palette as 16 x 16 swatches, as TGA files under
// build/level-art/ for looking at:
//   build/data_test --gtest_also_run_disabled_tests --gtest_filter='LevelArt.DISABLED_*'
TEST(LevelArt, DISABLED_WritePicturesForViewing) {
    const LevelArt& art = TheLevelArt();
    std::string dir = std::string(TESSALINE_BINARY_DIR) + "/level-art";
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        std::vector<Rgb3> texels = MipColors(art, slot, 0);
        int w = int(art.width[slot]), h = int(art.height[slot]);
        std::vector<uint8_t> rgb;
        for (int y = 0; y < 2 * h; ++y) {
            for (int x = 0; x < 2 * w; ++x) {
                const Rgb3& c = texels[size_t(y % h) * w + x % w];
                rgb.insert(rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
            }
        }
        WriteFileBytes(dir + "/" + LevelTextureName(static_cast<LevelTextureSlot>(slot)) + ".tga",
                       EncodeTga(2 * w, 2 * h, 3, rgb.data(), TgaEncoding::Uncompressed));
    }
    std::vector<uint8_t> swatches;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const uint8_t* p = &art.palette[3 * ((y / 16) * 16 + x / 16)];
            swatches.insert(swatches.end(), p, p + 3);
        }
    }
    WriteFileBytes(dir + "/palette.tga",
                   EncodeTga(256, 256, 3, swatches.data(), TgaEncoding::Uncompressed));
}

} // namespace

// ---------------------------------------------------------------------------
// The level's visible sets: the compressed rows read back by the program's
// own decompression, occlusion around corners, and conservativeness checked
// against straight segments through the open space of a generated level.

namespace {

bool RowBit(const std::vector<uint8_t>& row, size_t leaf) {
    return (row[leaf >> 3] >> (leaf & 7)) & 1;
}

// Whether the segment a → b lies in the union of the closed boxes: the
// stretches inside each box must join up from one end to the other.
bool SegmentInOpenSpace(const std::vector<LeafBox>& boxes, const double a[3], const double b[3]) {
    std::vector<std::pair<double, double>> spans;
    for (const LeafBox& box : boxes) {
        double t0 = 0.0;
        double t1 = 1.0;
        for (int k = 0; k < 3 && t0 <= t1; ++k) {
            double d = b[k] - a[k];
            if (d == 0.0) {
                if (a[k] < box.mins[k] || a[k] > box.maxs[k]) {
                    t0 = 2.0;
                }
                continue;
            }
            double ta = (box.mins[k] - a[k]) / d;
            double tb = (box.maxs[k] - a[k]) / d;
            t0 = std::max(t0, std::min(ta, tb));
            t1 = std::min(t1, std::max(ta, tb));
        }
        if (t0 <= t1) {
            spans.push_back({t0, t1});
        }
    }
    std::sort(spans.begin(), spans.end());
    double covered = 0.0;
    for (const auto& span : spans) {
        if (span.first > covered) {
            break;
        }
        covered = std::max(covered, span.second);
    }
    return covered >= 1.0;
}

// A level of rooms, pillars and corridors on a grid with uneven spacing,
// cut into boxes along x. Where open cells would meet only along an edge or
// at a corner, the cells around are opened too, so that every straight path
// through the open space also passes through face-connected boxes.
std::vector<LeafBox> MakeGridLevel(int nx, int ny, int nz, int rooms, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> lines[3];
    int sizes[3] = {nx, ny, nz};
    for (int k = 0; k < 3; ++k) {
        lines[k].push_back(0);
        for (int i = 0; i < sizes[k]; ++i) {
            lines[k].push_back(lines[k].back() + 16 + static_cast<int32_t>(rng() % 49));
        }
    }
    std::vector<uint8_t> open(static_cast<size_t>(nx * ny * nz), 0);
    auto at = [&](int x, int y, int z) -> bool {
        return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz &&
               open[static_cast<size_t>((z * ny + y) * nx + x)];
    };
    auto set = [&](int x, int y, int z, bool value) {
        open[static_cast<size_t>((z * ny + y) * nx + x)] = value;
    };
    int lastX = -1, lastY = -1;
    for (int r = 0; r < rooms; ++r) {
        int w = 2 + static_cast<int>(rng() % 4), d = 2 + static_cast<int>(rng() % 4);
        int h = 1 + static_cast<int>(rng() % static_cast<uint32_t>(nz));
        int x0 = static_cast<int>(rng() % static_cast<uint32_t>(nx - w));
        int y0 = static_cast<int>(rng() % static_cast<uint32_t>(ny - d));
        for (int z = 0; z < h; ++z) {
            for (int y = y0; y < y0 + d; ++y) {
                for (int x = x0; x < x0 + w; ++x) {
                    bool pillar = x > x0 && y > y0 && x < x0 + w - 1 && y < y0 + d - 1 &&
                                  (x * 7 + y * 3) % 5 == 0;
                    set(x, y, z, !pillar);
                }
            }
        }
        int cx = x0 + w / 2, cy = y0 + d / 2;
        for (int x = lastX, y = lastY; lastX >= 0 && (x != cx || y != cy);) {
            set(x, y, 0, true);
            x != cx ? x += (x < cx ? 1 : -1) : y += (y < cy ? 1 : -1);
        }
        lastX = cx;
        lastY = cy;
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (int z = -1; z < nz; ++z) {
            for (int y = -1; y < ny; ++y) {
                for (int x = -1; x < nx; ++x) {
                    // In this 2x2x2 block, two open cells that differ in
                    // several axes need a path of open cells stepping one
                    // axis at a time towards the other.
                    auto cell = [&](int m) {
                        return at(x + (m & 1), y + (m >> 1 & 1), z + (m >> 2));
                    };
                    std::function<bool(int, int)> joined = [&](int from, int to) {
                        if (from == to) {
                            return true;
                        }
                        for (int bit = 1; bit < 8; bit <<= 1) {
                            int step = from ^ bit;
                            if (((from ^ to) & bit) && cell(step) && joined(step, to)) {
                                return true;
                            }
                        }
                        return false;
                    };
                    bool pinched = false;
                    for (int m = 0; m < 8 && !pinched; ++m) {
                        for (int o = m + 1; o < 8 && !pinched; ++o) {
                            pinched = cell(m) && cell(o) && !joined(m, o);
                        }
                    }
                    for (int m = 0; m < 8 && pinched; ++m) {
                        int cx = x + (m & 1), cy = y + (m >> 1 & 1), cz = z + (m >> 2);
                        if (cx >= 0 && cy >= 0 && cz >= 0 && cx < nx && cy < ny && cz < nz &&
                            !at(cx, cy, cz)) {
                            set(cx, cy, cz, true);
                            changed = true;
                        }
                    }
                }
            }
        }
    }
    std::vector<LeafBox> boxes;
    for (int z = 0; z < nz; ++z) {
        for (int y = 0; y < ny; ++y) {
            for (int x = 0; x < nx;) {
                if (!at(x, y, z)) {
                    ++x;
                    continue;
                }
                int start = x;
                while (at(x, y, z)) {
                    ++x;
                }
                boxes.push_back(
                    {{lines[0][static_cast<size_t>(start)], lines[1][static_cast<size_t>(y)],
                      lines[2][static_cast<size_t>(z)]},
                     {lines[0][static_cast<size_t>(x)], lines[1][static_cast<size_t>(y + 1)],
                      lines[2][static_cast<size_t>(z + 1)]}});
            }
        }
    }
    return boxes;
}

// Rows of every length class go through the program's decompression: short
// rows, a partial last byte, a run of more than 255 zero bytes, rows that end
// in zeros.
TEST(LevelVis, CompressedRowsReadBackThroughTheProgramsDecompression) {
    std::mt19937 rng(7);
    struct Case {
        size_t leafs;
        int pattern; // 0 none, 1 all, 2 first and last, 3 sparse random, 4 dense random
    };
    const Case cases[] = {{1, 1},    {7, 2},    {9, 1},    {9, 0},    {64, 3},
                          {2100, 0}, {2100, 2}, {2045, 3}, {2047, 4}, {4100, 2}};
    BspLevel saved = BspData;
    for (const Case& c : cases) {
        std::vector<uint8_t> row((c.leafs + 7) / 8, 0);
        for (size_t leaf = 0; leaf < c.leafs; ++leaf) {
            bool on = c.pattern == 1 || (c.pattern == 2 && (leaf == 0 || leaf + 1 == c.leafs)) ||
                      (c.pattern == 3 && rng() % 97 == 0) || (c.pattern == 4 && rng() % 3 == 0);
            if (on) {
                row[leaf >> 3] = static_cast<uint8_t>(row[leaf >> 3] | (1u << (leaf & 7)));
            }
        }
        std::vector<uint8_t> packed = CompressVisRow(row);
        for (size_t i = 0; i < packed.size(); ++i) {
            if (packed[i] == 0) {
                ASSERT_LT(i + 1, packed.size());
                EXPECT_GE(packed[i + 1], 1);
                ++i;
            }
        }
        // Leaf 0 is the solid leaf; the open leafs are 1 … n.
        std::vector<BspLeaf> leafs(c.leafs + 1, BspLeaf{});
        leafs[1].visOffset = 0;
        BspModel world{};
        world.visLeafs = static_cast<int32_t>(c.leafs);
        BspData = BspLevel{};
        BspData.models = &world;
        BspData.numModels = 1;
        BspData.leafs = leafs.data();
        BspData.numLeafs = static_cast<int32_t>(leafs.size());
        BspData.visData = packed.data();
        BspData.visDataSize = static_cast<int32_t>(packed.size());
        AllocVisibilityArrays();
        DecompressLeafVisibility(1);
        for (size_t leaf = 0; leaf < c.leafs; ++leaf) {
            ASSERT_EQ(IsLeafVisible(static_cast<int32_t>(leaf + 1)), RowBit(row, leaf))
                << c.leafs << " leafs, pattern " << c.pattern << ", leaf " << leaf + 1;
        }
        EXPECT_FALSE(IsLeafVisible(0));
    }
    EXPECT_EQ(CompressVisRow(std::vector<uint8_t>(600, 0)),
              (std::vector<uint8_t>{0, 255, 0, 255, 0, 90}));
    BspData = saved;
}

// A U-shaped corridor: the first leg sees straight along itself and around
// one corner into the middle leg, but nothing of the far leg.
TEST(LevelVis, WallsHideWhatLiesAroundTwoCorners) {
    const std::vector<LeafBox> boxes = {
        {{0, 0, 0}, {64, 64, 64}},       // 0: the first leg
        {{64, 0, 0}, {128, 64, 64}},     // 1
        {{128, 0, 0}, {192, 64, 64}},    // 2: the first corner
        {{128, 64, 0}, {192, 256, 64}},  // 3: the middle leg
        {{128, 256, 0}, {192, 320, 64}}, // 4: the second corner
        {{64, 256, 0}, {128, 320, 64}},  // 5
        {{0, 256, 0}, {64, 320, 64}},    // 6: the far leg
    };
    LevelVisibility vis = ComputeLevelVisibility(boxes);
    EXPECT_EQ(vis.portalCount, 6);
    ASSERT_EQ(vis.rows.size(), 7u);
    const bool fromStart[7] = {true, true, true, true, false, false, false};
    for (size_t leaf = 0; leaf < 7; ++leaf) {
        EXPECT_EQ(RowBit(vis.rows[0], leaf), fromStart[leaf]) << "leaf " << leaf;
        EXPECT_TRUE(RowBit(vis.rows[leaf], leaf));
    }
    EXPECT_TRUE(RowBit(vis.rows[3], 6)); // the middle leg sees both ends
    EXPECT_TRUE(RowBit(vis.rows[3], 0));
    // Boxes meeting only along an edge are not joined.
    LevelVisibility apart =
        ComputeLevelVisibility({{{0, 0, 0}, {64, 64, 64}}, {{64, 64, 0}, {128, 128, 64}}});
    EXPECT_EQ(apart.portalCount, 0);
    EXPECT_FALSE(RowBit(apart.rows[0], 1));
}

// Two rooms beside one long hall see each other only along the plane of the
// hall's wall: the one line of sight grazes it, and it counts.
TEST(LevelVis, LinesAlongAWallPlaneCount) {
    const std::vector<LeafBox> boxes = {
        {{0, 0, 0}, {64, 64, 64}},     // 0: a room left of the wall plane x = 64
        {{64, 32, 0}, {128, 224, 64}}, // 1: the hall right of it
        {{0, 192, 0}, {64, 256, 64}},  // 2: a second room left of it
    };
    LevelVisibility vis = ComputeLevelVisibility(boxes);
    const double from[3] = {64, 10, 32};
    const double to[3] = {64, 250, 32};
    ASSERT_TRUE(SegmentInOpenSpace(boxes, from, to));
    EXPECT_TRUE(RowBit(vis.rows[0], 2));
    EXPECT_TRUE(RowBit(vis.rows[2], 0));
}

// Every segment through the open space of a generated level joins leafs that
// see each other: endpoints anywhere inside, and endpoints on box faces,
// edges and corners at whole units, whose segments often run exactly along
// walls and through box edges. The sets are symmetric, the same on a second
// run, and still hide something.
TEST(LevelVis, EverySegmentThroughOpenSpaceIsInTheSets) {
    const std::vector<LeafBox> boxes = MakeGridLevel(18, 18, 3, 12, 2024);
    ASSERT_GT(boxes.size(), 40u);
    LevelVisibility vis = ComputeLevelVisibility(boxes);
    size_t n = boxes.size();
    size_t hidden = 0;
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            ASSERT_EQ(RowBit(vis.rows[i], j), RowBit(vis.rows[j], i)) << i << " " << j;
            hidden += RowBit(vis.rows[i], j) ? 0 : 1;
        }
    }
    EXPECT_GT(hidden, n * n / 10);
    EXPECT_EQ(ComputeLevelVisibility(boxes).rows, vis.rows);

    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int open = 0;
    for (int s = 0; s < 60000; ++s) {
        size_t ends[2] = {rng() % n, rng() % n};
        double points[2][3];
        for (int e = 0; e < 2; ++e) {
            const LeafBox& box = boxes[ends[e]];
            for (int k = 0; k < 3; ++k) {
                int32_t span = box.maxs[k] - box.mins[k];
                if (s % 2 == 0) {
                    points[e][k] = box.mins[k] + unit(rng) * span;
                } else {
                    uint32_t pick = rng() % 4;
                    points[e][k] = pick == 0 ? box.mins[k]
                                   : pick == 1
                                       ? box.maxs[k]
                                       : box.mins[k] + static_cast<int32_t>(
                                                           rng() % static_cast<uint32_t>(span + 1));
                }
            }
        }
        if (!SegmentInOpenSpace(boxes, points[0], points[1])) {
            continue;
        }
        ++open;
        ASSERT_TRUE(RowBit(vis.rows[ends[0]], ends[1]))
            << "leaf " << ends[0] << " misses leaf " << ends[1] << ": (" << points[0][0] << " "
            << points[0][1] << " " << points[0][2] << ") to (" << points[1][0] << " "
            << points[1][1] << " " << points[1][2] << ")";
    }
    EXPECT_GT(open, 2000);
}

} // namespace
