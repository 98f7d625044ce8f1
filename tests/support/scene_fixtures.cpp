// Test support: fixture files for the scenes.
#include "support/scene_fixtures.h"
#include "support/level_fixtures.h"

#include "support/files.h"
#include "support/test_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <map>

namespace {

void PutLe16(std::vector<uint8_t>* bytes, int value) {
    bytes->push_back(static_cast<uint8_t>(value & 0xff));
    bytes->push_back(static_cast<uint8_t>((value >> 8) & 0xff));
}

FixtureColour PixelAt(const FixturePicture& picture, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * picture.width + x) * picture.channels;
    return {picture.pixels[at], picture.pixels[at + 1], picture.pixels[at + 2]};
}

FixturePicture Checker(int size, int cell, FixtureColour a, FixtureColour b) {
    FixturePicture picture = SolidPicture(size, size, a);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (((x / cell) + (y / cell)) % 2 == 1) {
                SetFixturePixel(&picture, x, y, b);
            }
        }
    }
    return picture;
}

} // namespace

FixturePicture SolidPicture(int width, int height, FixtureColour colour) {
    FixturePicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SetFixturePixel(&picture, x, y, colour);
        }
    }
    return picture;
}

void SetFixturePixel(FixturePicture* picture, int x, int y, FixtureColour colour) {
    const size_t at = (static_cast<size_t>(y) * picture->width + x) * picture->channels;
    picture->pixels[at] = colour.r;
    picture->pixels[at + 1] = colour.g;
    picture->pixels[at + 2] = colour.b;
}

void WriteFixtureTga(const std::string& path, const FixturePicture& picture) {
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLe16(&bytes, picture.width);
    PutLe16(&bytes, picture.height);
    bytes.push_back(static_cast<uint8_t>(picture.channels * 8));
    bytes.push_back(0);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const size_t at = (static_cast<size_t>(y) * picture.width + x) * picture.channels;
            bytes.push_back(picture.pixels[at + 2]);
            bytes.push_back(picture.pixels[at + 1]);
            bytes.push_back(picture.pixels[at]);
            if (picture.channels == 4) {
                bytes.push_back(picture.pixels[at + 3]);
            }
        }
    }
    WriteFileBytes(path, bytes);
}

void WriteFixturePcx(const std::string& path, const FixturePicture& picture) {
    std::map<uint32_t, uint8_t> indices;
    std::vector<uint8_t> palette(768, 0);
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = 10; // manufacturer
    bytes[1] = 5;  // version
    bytes[2] = 1;  // run-length
    bytes[3] = 8;  // bits per pixel
    bytes[8] = static_cast<uint8_t>((picture.width - 1) & 0xff);
    bytes[9] = static_cast<uint8_t>((picture.width - 1) >> 8);
    bytes[10] = static_cast<uint8_t>((picture.height - 1) & 0xff);
    bytes[11] = static_cast<uint8_t>((picture.height - 1) >> 8);
    bytes[65] = 1; // planes
    bytes[66] = static_cast<uint8_t>(picture.width & 0xff);
    bytes[67] = static_cast<uint8_t>(picture.width >> 8);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const FixtureColour c = PixelAt(picture, x, y);
            const uint32_t key = (c.r << 16) | (c.g << 8) | c.b;
            auto found = indices.find(key);
            if (found == indices.end()) {
                ASSERT_LT(indices.size(), 256u) << "too many colours for " << path;
                const auto index = static_cast<uint8_t>(indices.size());
                palette[3 * index] = c.r;
                palette[3 * index + 1] = c.g;
                palette[3 * index + 2] = c.b;
                found = indices.emplace(key, index).first;
            }
            // Every pixel as a run of one, so that indices above 0xC0 stay safe.
            bytes.push_back(0xC1);
            bytes.push_back(found->second);
        }
    }
    bytes.push_back(12); // palette marker
    bytes.insert(bytes.end(), palette.begin(), palette.end());
    WriteFileBytes(path, bytes);
}

void WriteFixtureJpeg(const std::string& path, const FixturePicture& picture) {
    ASSERT_EQ(picture.channels, 3);
    WriteFileBytes(path, {}); // makes the folders
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    jpeg_compress_struct info = {};
    jpeg_error_mgr errors = {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 98, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < picture.height; ++y) {
        auto* row =
            const_cast<uint8_t*>(&picture.pixels[static_cast<size_t>(y) * picture.width * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

void WriteFixture3dg(const std::string& path, const std::vector<int16_t>& positions,
                     const std::vector<int16_t>& normals, const std::vector<int16_t>& triangles) {
    ASSERT_EQ(positions.size(), normals.size());
    std::vector<uint8_t> bytes;
    PutLe16(&bytes, static_cast<int>(positions.size() / 3));
    PutLe16(&bytes, static_cast<int>(triangles.size() / 3));
    for (int16_t v : positions) {
        PutLe16(&bytes, v);
    }
    for (int16_t v : normals) {
        PutLe16(&bytes, v);
    }
    for (int16_t v : triangles) {
        PutLe16(&bytes, v);
    }
    for (size_t i = 0; i < triangles.size(); ++i) {
        PutLe16(&bytes, 0);
    }
    WriteFileBytes(path, bytes);
}

FixtureColour TitlesLetterColour(int slot) {
    static const FixtureColour colours[11] = {
        {250, 60, 60},  {60, 250, 60},  {60, 60, 250},  {250, 250, 60},
        {60, 250, 250}, {250, 60, 250}, {250, 150, 60}, {150, 60, 250},
        {60, 150, 250}, {150, 250, 60}, {250, 60, 150},
    };
    return colours[slot];
}

void WriteTitlesFixtures(const std::string& dir) {
    static const char* const letters = "HyzvupstDoa";
    for (int slot = 0; slot < 11; ++slot) {
        // 16 x 16 (power of two: these are not mipmapped), with a white hook
        // along the top and left edges that shows the picture's orientation.
        FixturePicture letter = SolidPicture(16, 16, TitlesLetterColour(slot));
        for (int i = 0; i < 16; ++i) {
            SetFixturePixel(&letter, i, 0, {255, 255, 255});
            SetFixturePixel(&letter, 0, i, {255, 255, 255});
            if (i < 8) {
                SetFixturePixel(&letter, i, 1, {255, 255, 255});
                SetFixturePixel(&letter, 1, i, {255, 255, 255});
            }
        }
        WriteFixtureTga(dir + "/textures/001" + letters[slot] + ".tga", letter);
    }
    FixturePicture logo = SolidPicture(32, 16, LogoTopLeft);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool right = x >= 16;
            const bool bottom = y >= 8;
            SetFixturePixel(&logo, x, y,
                            bottom ? (right ? LogoBottomRight : LogoBottomLeft)
                                   : (right ? LogoTopRight : LogoTopLeft));
        }
    }
    WriteFixtureTga(dir + "/textures/zembrit.tga", logo);
    WriteFixtureTga(dir + "/textures/morvasktop.tga", SolidPicture(32, 16, TopBannerColour));
    WriteFixtureTga(dir + "/textures/morvaskbottom.tga", SolidPicture(32, 16, BottomBannerColour));
}

void WriteObjectSceneFixtures(const std::string& dir) {
    // Octahedron: six corners on the axes, eight faces wound counter-clockwise
    // seen from outside in the file.
    const std::vector<int16_t> positions = {40, 0,   0, -40, 0, 0,  0, 40, 0,
                                            0,  -40, 0, 0,   0, 40, 0, 0,  -40};
    std::vector<int16_t> normals;
    for (int16_t p : positions) {
        normals.push_back(static_cast<int16_t>(p / 40 * 254));
    }
    const std::vector<int16_t> triangles = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4,
                                            2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    WriteFixture3dg(dir + "/objects/cat.3dg", positions, normals, triangles);
    WriteFixturePcx(dir + "/textures/mess.pcx", Checker(16, 4, {220, 30, 30}, {230, 210, 40}));
    FixturePicture sky = SolidPicture(32, 32, SkyColour);
    WriteFixtureJpeg(dir + "/textures/spheresky.jpg", sky);
    WriteFixtureTga(dir + "/textures/mosaico.tga", Checker(16, 2, {30, 160, 60}, {10, 20, 10}));
    WriteFixtureTga(dir + "/textures/punkt.tga", SolidPicture(16, 16, FlashColour));
}

FixtureColour SkyboxFaceColour(int face) {
    static const FixtureColour colours[6] = {
        {80, 0, 0}, {0, 80, 0}, {0, 0, 80}, {80, 80, 0}, {0, 80, 80}, {80, 0, 80},
    };
    return colours[face];
}

void WriteSwirlFixtures(const std::string& dir) {
    static const char* const suffixes[6] = {"ft", "bk", "lf", "rt", "up", "dn"};
    for (int face = 0; face < 6; ++face) {
        WriteFixtureTga(dir + "/skybox/space1" + suffixes[face] + ".tga",
                        SolidPicture(16, 16, SkyboxFaceColour(face)));
    }
    // A soft spot: grey levels falling from the centre to black at the rim.
    FixturePicture light = SolidPicture(16, 16, {0, 0, 0});
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const float dx = static_cast<float>(x) - 7.5f;
            const float dy = static_cast<float>(y) - 7.5f;
            const float fall = 1.0f - (dx * dx + dy * dy) / 64.0f;
            const auto level = static_cast<uint8_t>(fall > 0 ? 255 * fall : 0);
            SetFixturePixel(&light, x, y, {level, level, level});
        }
    }
    WriteFixturePcx(dir + "/textures/luz.pcx", light);
}

void WriteSceneFixtures(const std::string& dir) {
    WriteTitlesFixtures(dir);
    WriteObjectSceneFixtures(dir);
    WriteSwirlFixtures(dir);
    WriteLevelSceneFixtures(dir);
}

void WritePicturePpm(const std::string& path) {
    const int w = 640;
    const int h = 480;
    const std::vector<uint8_t> rgb = ReadPictureRgb(0, 0, w, h);
    std::string header = "P6\n640 480\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int y = h - 1; y >= 0; --y) {
        bytes.insert(bytes.end(), rgb.begin() + static_cast<long>(y) * w * 3,
                     rgb.begin() + static_cast<long>(y + 1) * w * 3);
    }
    WriteFileBytes(path, bytes);
}
