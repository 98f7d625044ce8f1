// Images and textures: the texture table, the TGA, PCX and JPEG readers,
// palettes, the skybox and 3DG meshes, on fixtures written here; each bad
// file's message; the OpenGL side on the headless context; and the
// tessaline-inspect tool.
#include "image/image.h"
#include "image/jpeg.h"
#include "image/object3d.h"
#include "image/palette.h"
#include "image/pcx.h"
#include "image/skybox.h"
#include "image/tga.h"
#include "math/camera.h"
#include "shell/fatal.h"
#include "support/files.h"
#include "support/image_fixtures.h"
#include "support/test_display.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// FatalError's message, caught by a hook that long-jumps back here.
std::jmp_buf FatalEscape;
std::string FatalMessage;

void CatchFatal(const char* message) {
    FatalMessage = message;
    std::longjmp(FatalEscape, 1);
}

// Runs load and returns FatalError's message, or "" when it returned.
std::string FatalMessageOf(const std::function<void()>& load) {
    SetFatalErrorHook(CatchFatal);
    FatalMessage.clear();
    if (setjmp(FatalEscape) == 0) {
        load();
    }
    SetFatalErrorHook(nullptr);
    return FatalMessage;
}

// One scratch folder per test process (each test case runs in its own).
const std::string& Scratch() {
    static const std::string dir = MakeScratchDir("image");
    return dir;
}

std::string WriteFixture(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = Scratch() + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
}

// A picture whose every byte differs: byte k is k * 7 + 1.
std::vector<uint8_t> CountingPicture(int width, int height, int bpp) {
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * bpp);
    for (size_t k = 0; k < picture.size(); k++) {
        picture[k] = static_cast<uint8_t>(k * 7 + 1);
    }
    return picture;
}

void ExpectDefaultFlags(const Image* image) {
    EXPECT_EQ(image->filter, GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(image->wrap, GL_REPEAT);
    EXPECT_EQ(image->envMode, GL_REPLACE);
}

// ---- texture table

TEST(TextureTable, HandlesFollowRegistrationAndAreNeverReused) {
    EXPECT_EQ(NewImage(), 0);
    EXPECT_EQ(NewImage(), 1);
    FreeImage(1);
    FreeImage(0);
    int rgb = NewRgbImage(4, 2, TexNoMipmap | TexModulate);
    EXPECT_EQ(rgb, 2);
    EXPECT_EQ(TextureTable.count, 3);
    EXPECT_EQ(TextureTable.images[0], nullptr);
    const Image* image = GetImage(rgb);
    EXPECT_TRUE(image->fileName.empty());
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixels.size(), 4u * 2 * 3);
    EXPECT_EQ(image->internalFormat, GL_RGB);
    EXPECT_EQ(image->pixelFormat, GL_RGB);
    EXPECT_EQ(image->filter, GL_LINEAR);
    EXPECT_EQ(image->wrap, GL_REPEAT);
    EXPECT_EQ(image->envMode, GL_MODULATE);
}

TEST(TextureTable, FlagsChooseFilterWrapAndEnvironment) {
    struct Case {
        int flags;
        int filter, wrap, envMode;
    };
    const Case cases[] = {
        {0, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT, GL_REPLACE},
        {TexNoMipmap, GL_LINEAR, GL_REPEAT, GL_REPLACE},
        {TexClamp, GL_LINEAR_MIPMAP_NEAREST, GL_CLAMP, GL_REPLACE},
        {TexModulate, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT, GL_MODULATE},
        {3, GL_LINEAR, GL_CLAMP, GL_REPLACE},
        {7, GL_LINEAR, GL_CLAMP, GL_MODULATE},
        {~7, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT, GL_REPLACE}, // other bits are ignored
    };
    int handle = NewRgbImage(1, 1, 0);
    GetImage(handle)->textureName = 77;
    for (const Case& c : cases) {
        EXPECT_EQ(SetTextureFlags(handle, c.flags), handle);
        const Image* image = GetImage(handle);
        EXPECT_EQ(image->filter, c.filter) << c.flags;
        EXPECT_EQ(image->wrap, c.wrap) << c.flags;
        EXPECT_EQ(image->envMode, c.envMode) << c.flags;
        EXPECT_EQ(image->textureName, 77u);
    }
}

TEST(TextureTable, The1025thImageIsRefused) {
    for (int i = 0; i < TextureTableSize; i++) {
        ASSERT_EQ(NewImage(), i);
    }
    EXPECT_EQ(FatalMessageOf([] { NewImage(); }), "Too many images: the texture table holds 1024");
    EXPECT_EQ(TextureTable.count, TextureTableSize);
}

// Texture level sizes of the bound texture, or 0 when a level is empty.
int TextureLevelWidth(int level) {
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    return width;
}

TEST(TextureTable, UploadBuildsMipmapsOrOneLevelAndBindReappliesParameters) {
    OpenTestDisplay();
    // 3 x 2 RGB: its rows are not a multiple of four bytes long.
    int mipmapped = NewRgbImage(3, 2, 0);
    GetImage(mipmapped)->pixels = CountingPicture(3, 2, 3);
    UploadImage(mipmapped);
    EXPECT_NE(GetImage(mipmapped)->textureName, 0u);
    EXPECT_GT(TextureLevelWidth(1), 0); // the mipmap builder made a chain

    // 2 x 2 RGB: rows of 6 bytes, tightly packed.
    int single = NewRgbImage(2, 2, TexNoMipmap | TexClamp | TexModulate);
    std::vector<uint8_t> pixels = CountingPicture(2, 2, 3);
    GetImage(single)->pixels = pixels;
    UploadImage(single);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), GetImage(single)->textureName);
    EXPECT_EQ(TextureLevelWidth(0), 2);
    EXPECT_EQ(TextureLevelWidth(1), 0);
    std::vector<uint8_t> back(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, pixels);
    EXPECT_EQ(GetImage(single)->pixels, pixels); // the pixels stay with the image

    // Someone else's parameters on the texture and the unit are overwritten.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    BindImage(mipmapped);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    BindImage(single);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);

    // A mipmapped image still magnifies linearly.
    BindImage(mipmapped);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_REPLACE);

    // A second upload makes a second texture object.
    GLuint first = GetImage(single)->textureName;
    UploadImage(single);
    EXPECT_NE(GetImage(single)->textureName, first);
    EXPECT_TRUE(glIsTexture(first));
}

// ---- TGA

struct TgaForm {
    int type;
    int depth;
    int idLength;
};

class TgaForms : public ::testing::TestWithParam<TgaForm> {};

TEST_P(TgaForms, DecodeTopRowFirstInRgbOrder) {
    const TgaForm form = GetParam();
    const int bpp = form.depth / 8;
    // 5 x 3 with a run of equal pixels across the first two rows of the file.
    std::vector<uint8_t> picture = CountingPicture(5, 3, bpp);
    for (int column = 2; column < 5; column++) {
        std::memcpy(&picture[(2 * 5 + column) * bpp], &picture[0], bpp);
    }
    for (int column = 0; column < 2; column++) {
        std::memcpy(&picture[(1 * 5 + column) * bpp], &picture[0], bpp);
    }
    std::string path =
        WriteFixture("picture.tga", MakeTga(form.type, form.depth, 5, 3, picture, form.idLength));
    int handle = LoadTga(path.c_str());
    const Image* image = GetImage(handle);
    EXPECT_EQ(image->fileName, path);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->pixelFormat, bpp == 3 ? GL_RGB : GL_RGBA);
    EXPECT_EQ(image->internalFormat, image->pixelFormat);
    EXPECT_EQ(image->pixels, picture);
    ExpectDefaultFlags(image);
}

INSTANTIATE_TEST_SUITE_P(AllForms, TgaForms,
                         ::testing::Values(TgaForm{2, 24, 0}, TgaForm{2, 32, 0}, TgaForm{10, 24, 0},
                                           TgaForm{10, 32, 0}, TgaForm{2, 24, 9},
                                           TgaForm{10, 32, 255}));

TEST(Tga, RowsAreTakenBottomFirstWhateverTheDescriptorSays) {
    // Paint programs may store rows top first and say so with descriptor bit
    // 5. The reader never looks at it: the show's pictures were made against
    // a reader that always takes the bottom row first, so such a file shows
    // flipped, raw and run-length alike.
    for (int type : {2, 10}) {
        for (uint8_t descriptor : {0x08, 0x28}) {
            std::vector<uint8_t> picture = CountingPicture(3, 4, 4);
            std::vector<uint8_t> file = MakeTga(type, 32, 3, 4, picture);
            file[17] = descriptor;
            int handle = LoadTga(WriteFixture("top.tga", file).c_str());
            EXPECT_EQ(GetImage(handle)->pixels, picture)
                << "type " << type << ", descriptor " << int(descriptor);
        }
    }
}

TEST(Tga, FilesCutShortShowWithTheMissingPixelsBlack) {
    // 4 x 4, 24 bits; the file keeps its bottom row and one pixel of the
    // next, raw and run-length alike. The pixels the file lost are black.
    std::vector<uint8_t> picture = CountingPicture(4, 4, 3);
    for (int type : {2, 10}) {
        std::vector<uint8_t> file = MakeTga(type, 24, 4, 4, picture);
        // Five pixels' data: raw bytes, or (with no runs in a counting
        // picture) one raw packet header followed by the pixels.
        size_t keep = 18 + 5 * 3 + (type == 10 ? 1 : 0);
        file.resize(keep);
        std::vector<uint8_t> expected(picture.size(), 0);
        // The file's first row is the picture's bottom row (3); then the
        // first pixel of row 2.
        std::memcpy(&expected[3 * 12], &picture[3 * 12], 12);
        std::memcpy(&expected[2 * 12], &picture[2 * 12], 3);
        int handle = LoadTga(WriteFixture("cut.tga", file).c_str());
        EXPECT_EQ(GetImage(handle)->pixels, expected) << "type " << type;
    }
}

TEST(Tga, RunLengthPacketsCrossRowsAndStopAtTheLastPixel) {
    // 3 x 2, 24 bits. File (bottom row first): a run of 4 pixels (B, G, R) =
    // (1, 2, 3) fills the bottom row and one pixel of the top row; a raw
    // packet of 3 pixels has one pixel too many; then a packet header whose
    // data is missing. Decoding ends at the last pixel and reads none of it.
    std::vector<uint8_t> file = MakeTga(10, 24, 3, 2, {});
    std::vector<uint8_t> data = {0x83, 1, 2, 3, 0x02, 10, 11, 12, 20, 21, 22, 30, 31, 32, 0x85};
    file.insert(file.end(), data.begin(), data.end());
    int handle = LoadTga(WriteFixture("rle.tga", file).c_str());
    const std::vector<uint8_t> expected = {
        3, 2, 1, 12, 11, 10, 22, 21, 20, // top row: the run's last pixel, then raw
        3, 2, 1, 3,  2,  1,  3,  2,  1,  // bottom row
    };
    EXPECT_EQ(GetImage(handle)->pixels, expected);
}

TEST(Tga, PicturesWithoutPixelsGiveEmptyImages) {
    struct Case {
        int type, width, height;
    };
    for (const Case& c : {Case{10, 4, 0}, Case{2, 0, 5}, Case{10, 0, 5}}) {
        std::string name =
            "empty-" + std::to_string(c.type) + "-" + std::to_string(c.width) + ".tga";
        int handle =
            LoadTga(WriteFixture(name, MakeTga(c.type, 24, c.width, c.height, {})).c_str());
        EXPECT_EQ(GetImage(handle)->width, c.width);
        EXPECT_EQ(GetImage(handle)->height, c.height);
        EXPECT_TRUE(GetImage(handle)->pixels.empty());
        // Uploaded with mipmaps, it makes a texture with nothing in it.
        OpenTestDisplay();
        UploadImage(handle);
        EXPECT_NE(GetImage(handle)->textureName, 0u);
    }
}

TEST(Tga, BadFilesAreRefusedWithTheirMessage) {
    std::string dir = Scratch();
    std::vector<uint8_t> good = MakeTga(2, 24, 4, 4, CountingPicture(4, 4, 3));
    std::vector<uint8_t> goodRle = MakeTga(10, 32, 4, 4, CountingPicture(4, 4, 4));
    auto with = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    auto cut = [](std::vector<uint8_t> bytes, size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const std::string typeMessage = "Invalid TGA texture, only type 2 and 10 supported";
    const std::string depthMessage = "Invalid TGA texture, only 24 or 32 bits supported";
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message; // "%s" stands for the path
    };
    const Case cases[] = {
        {"colour-mapped.tga", with(good, 2, 1), typeMessage},
        {"colour-mapped-rle.tga", with(with(good, 2, 9), 1, 1), typeMessage},
        {"grey.tga", with(good, 2, 3), typeMessage},
        {"colour-map-type.tga", with(good, 1, 1), depthMessage},
        {"sixteen-bits.tga", with(good, 16, 16), depthMessage},
        {"header.tga", cut(good, 17), "Error reading %s: the file is truncated"},
        {"wide.tga", with(with(good, 12, 0x01), 13, 0x20),
         "Error reading %s: 8193 x 4 pixels is too large (at most 8192 per side)"},
        {"tall.tga", with(with(goodRle, 14, 0xFF), 15, 0xFF),
         "Error reading %s: 4 x 65535 pixels is too large (at most 8192 per side)"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        WriteFileBytes(path, c.bytes);
        std::string expected = c.message;
        if (size_t at = expected.find("%s"); at != std::string::npos) {
            expected.replace(at, 2, path);
        }
        EXPECT_EQ(FatalMessageOf([&] { LoadTga(path.c_str()); }), expected) << c.name;
    }
}

TEST(Tga, MissingFileIsFatalAfterTheImageIsRegistered) {
    std::string path = Scratch() + "/none.tga";
    EXPECT_EQ(FatalMessageOf([&] { LoadTga(path.c_str()); }), "Error opening " + path);
    EXPECT_EQ(TextureTable.count, 1);
}

// ---- PCX and palettes

TEST(Pcx, RunLengthCodesFillOneStreamAcrossRows) {
    // xmin 10, xmax 73: the width is 74 (xmin is ignored); two rows.
    const std::vector<uint8_t> data = {
        0xC0,       // one pixel of index 192, not a run header
        0xFF, 7,    // a run of 63 pixels of index 7
        0xCB, 255,  // a run of 11: 10 pixels end row 0, 1 starts row 1
        0xC1, 0xC5, // a run of one pixel of index 0xC5
        0xFF, 0,    // 63 pixels of index 0
        0xCA, 3,    // 9 pixels fit; the run is cut at the end of the picture
        0x42, 0x42, // never read
    };
    std::vector<uint8_t> palette = MakeTestPalette();
    std::string path = WriteFixture("picture.pcx", MakePcx(10, 73, 1, data, palette));
    int handle = LoadPcx(path.c_str());
    const Image* image = GetImage(handle);
    EXPECT_EQ(image->fileName, path);
    ASSERT_EQ(image->width, 74);
    ASSERT_EQ(image->height, 2);
    EXPECT_EQ(image->pixelFormat, GL_RGB);
    EXPECT_EQ(image->internalFormat, GL_RGB);
    ExpectDefaultFlags(image);
    std::vector<int> indices;
    indices.push_back(192);
    indices.insert(indices.end(), 63, 7);
    indices.insert(indices.end(), 11, 255);
    indices.push_back(0xC5);
    indices.insert(indices.end(), 63, 0);
    indices.insert(indices.end(), 9, 3);
    ASSERT_EQ(indices.size(), 148u);
    ASSERT_EQ(image->pixels.size(), 148u * 3);
    for (size_t i = 0; i < indices.size(); i++) {
        const uint8_t* rgb = &image->pixels[3 * i];
        ASSERT_EQ(rgb[0], palette[3 * indices[i]]) << i;
        ASSERT_EQ(rgb[1], palette[3 * indices[i] + 1]) << i;
        ASSERT_EQ(rgb[2], palette[3 * indices[i] + 2]) << i;
    }
    // Index 0 is the first triple; index 255 the last three bytes of the file.
    std::vector<uint8_t> file = ReadFileBytes(path);
    EXPECT_TRUE(
        std::equal(image->pixels.begin() + 3 * 64, image->pixels.begin() + 3 * 65, file.end() - 3));
    EXPECT_TRUE(std::equal(image->pixels.begin() + 3 * 80, image->pixels.begin() + 3 * 81,
                           palette.begin()));
}

TEST(Pcx, PaddedLinesKeepTheirPixelsAndSkipThePadding) {
    // Image libraries pad every line to an even length, some to a multiple of
    // four; each line is run-coded on its own. Index (7x + 13y) mod 256 puts
    // a different value under every shift, values from 0xC0 up included.
    std::vector<uint8_t> palette = MakeTestPalette();
    struct Case {
        int width;
        int height;
        int bytesPerLine;
        uint8_t pad;
    };
    const Case cases[] = {
        {53, 9, 54, 0},    // an odd width: one byte of padding a line
        {53, 4, 56, 0xC7}, // three bytes, a value that must be run-coded
        {1, 3, 2, 0},      // one column
        {6, 2, 6, 0},      // an even width: no padding
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> indices;
        for (int y = 0; y < c.height; y++) {
            for (int x = 0; x < c.width; x++) {
                indices.push_back(static_cast<uint8_t>(7 * x + 13 * y));
            }
        }
        std::string path = WriteFixture(
            "lined.pcx", MakeLinedPcx(c.width, c.height, c.bytesPerLine, indices, c.pad, palette));
        const Image* image = GetImage(LoadPcx(path.c_str()));
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        ASSERT_EQ(image->pixels.size(), indices.size() * 3);
        for (size_t i = 0; i < indices.size(); i++) {
            ASSERT_TRUE(std::equal(image->pixels.begin() + 3 * i, image->pixels.begin() + 3 * i + 3,
                                   palette.begin() + 3 * indices[i]))
                << c.width << " x " << c.height << ", pixel " << i;
        }
    }
}

TEST(Pcx, HeadersWithTheKindLeftAtZeroReadAsEightBitIndices) {
    // Some writers leave bits per pixel, planes and bytes per line at zero;
    // the pixels are still one stream of 8-bit indices, width bytes a line.
    std::vector<uint8_t> palette = MakeTestPalette();
    std::vector<uint8_t> indices;
    for (int i = 0; i < 6 * 3; i++) {
        indices.push_back(static_cast<uint8_t>(7 * i + 200));
    }
    // Bits, planes: both unfilled, or one of them (a zero counts as the
    // show's own kind, 8 bits in one plane).
    const std::pair<int, int> kinds[] = {{0, 0}, {8, 0}, {0, 1}};
    for (auto [bits, planes] : kinds) {
        std::vector<uint8_t> file = MakeLinedPcx(6, 3, 6, indices, 0, palette);
        file[3] = static_cast<uint8_t>(bits);
        file[65] = static_cast<uint8_t>(planes);
        file[66] = file[67] = 0;
        const Image* image = GetImage(LoadPcx(WriteFixture("unfilled.pcx", file).c_str()));
        ASSERT_EQ(image->pixels.size(), indices.size() * 3);
        for (size_t i = 0; i < indices.size(); i++) {
            ASSERT_TRUE(std::equal(image->pixels.begin() + 3 * i, image->pixels.begin() + 3 * i + 3,
                                   palette.begin() + 3 * indices[i]))
                << bits << " bits, " << planes << " planes, pixel " << i;
        }
    }
}

TEST(Pcx, DataCutShortLeavesTheRestAtIndexZero) {
    std::vector<uint8_t> palette = MakeTestPalette();
    // The marker byte before the palette is data to the decoder; dropping it
    // ends the data where the fixture's own bytes end.
    auto withoutMarker = [](std::vector<uint8_t> bytes, size_t dataSize) {
        bytes.erase(bytes.begin() + 128 + static_cast<long>(dataSize));
        return bytes;
    };
    // 16 pixels wanted: 15 given; 14 given and a run header whose value is
    // missing.
    struct Case {
        std::vector<uint8_t> file;
        size_t given;
    };
    const Case cases[] = {
        {withoutMarker(MakePcx(0, 3, 3, {0xCF, 1}, palette), 2), 15},
        {withoutMarker(MakePcx(0, 3, 3, {0xCE, 1, 0xC2}, palette), 3), 14},
    };
    for (const Case& c : cases) {
        const Image* image = GetImage(LoadPcx(WriteFixture("cut.pcx", c.file).c_str()));
        ASSERT_EQ(image->pixels.size(), 16u * 3);
        for (size_t i = 0; i < 16; i++) {
            size_t index = i < c.given ? 1 : 0;
            EXPECT_TRUE(std::equal(image->pixels.begin() + 3 * i, image->pixels.begin() + 3 * i + 3,
                                   palette.begin() + 3 * index))
                << c.given << " given, pixel " << i;
        }
    }
}

TEST(Pcx, BadFilesAreRefusedWithTheirMessage) {
    std::string dir = Scratch();
    std::vector<uint8_t> palette = MakeTestPalette();
    std::vector<uint8_t> shortPalette(palette.begin(), palette.begin() + 700);
    // Bits per pixel and planes of other kinds of PCX: 24-bit colour in three
    // planes, black and white, 16 colours in four planes.
    auto withFormat = [](std::vector<uint8_t> bytes, int bits, int planes) {
        bytes[3] = static_cast<uint8_t>(bits);
        bytes[65] = static_cast<uint8_t>(planes);
        return bytes;
    };
    const std::vector<uint8_t> fourByFour = MakePcx(0, 3, 3, {0xD0, 1}, palette);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    const Case cases[] = {
        {"palette.pcx", MakePcx(0, 0, 0, {1}, shortPalette), "the file is truncated"},
        {"wide.pcx", MakePcx(0, 8192, 0, {0xFF, 1}, palette),
         "8193 x 1 pixels is too large (at most 8192 per side)"},
        {"huge.pcx", MakePcx(0, 65535, 65535, {0xFF, 1}, palette),
         "65536 x 65536 pixels is too large (at most 8192 per side)"},
        {"rgb.pcx", withFormat(fourByFour, 8, 3),
         "3 plane(s) of 8 bits per pixel; only one plane of 8 bits (256 colours) is supported"},
        {"mono.pcx", withFormat(fourByFour, 1, 1),
         "1 plane(s) of 1 bits per pixel; only one plane of 8 bits (256 colours) is supported"},
        {"ega.pcx", withFormat(fourByFour, 1, 4),
         "4 plane(s) of 1 bits per pixel; only one plane of 8 bits (256 colours) is supported"},
        {"bitless.pcx", withFormat(fourByFour, 0, 3),
         "3 plane(s) of 0 bits per pixel; only one plane of 8 bits (256 colours) is supported"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        WriteFileBytes(path, c.bytes);
        EXPECT_EQ(FatalMessageOf([&] { LoadPcx(path.c_str()); }),
                  "Error reading " + path + ": " + c.message)
            << c.name;
    }
    std::string missing = dir + "/none.pcx";
    EXPECT_EQ(FatalMessageOf([&] { LoadPcx(missing.c_str()); }), "Error opening " + missing);
}

TEST(Palette, FilesAreReadFromTheStartOrTheEnd) {
    std::vector<uint8_t> bytes = CountingPicture(800, 1, 1);
    std::string path = WriteFixture("palette.lmp", bytes);
    Palette palette;
    EXPECT_EQ(ReadPaletteFile(path.c_str(), &palette), 0);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 768, palette.rgb));
    EXPECT_EQ(ReadTrailingPalette(path.c_str(), &palette), 0);
    EXPECT_TRUE(std::equal(bytes.end() - 768, bytes.end(), palette.rgb));

    std::string shortPath = WriteFixture("short.lmp", CountingPicture(767, 1, 1));
    for (auto read : {ReadPaletteFile, ReadTrailingPalette}) {
        EXPECT_EQ(FatalMessageOf([&] { read(shortPath.c_str(), &palette); }),
                  "Error reading " + shortPath + ": the file is truncated");
        std::string missing = Scratch() + "/none.lmp";
        EXPECT_EQ(FatalMessageOf([&] { read(missing.c_str(), &palette); }),
                  "Error opening " + missing);
    }
}

TEST(Palette, PaletteToRgbSamplesNearestInSixteenSixteen) {
    Palette palette;
    for (int i = 0; i < 768; i++) {
        palette.rgb[i] = static_cast<uint8_t>(i / 3 * 2);
    }
    const uint8_t src[8] = {0, 1, 2, 3, 4, 5, 6, 7}; // 4 x 2
    auto firstBytes = [](const std::vector<uint8_t>& rgb) {
        std::vector<int> out;
        for (size_t i = 0; i < rgb.size(); i += 3) {
            out.push_back(rgb[i] / 2);
        }
        return out;
    };
    std::vector<uint8_t> same(4 * 2 * 3);
    PaletteToRgb(src, 4, 2, 4, 2, same.data(), &palette);
    EXPECT_EQ(firstBytes(same), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    std::vector<uint8_t> halved(2 * 1 * 3);
    PaletteToRgb(src, 4, 2, 2, 1, halved.data(), &palette);
    EXPECT_EQ(firstBytes(halved), (std::vector<int>{1, 3}));
    std::vector<uint8_t> doubled(8 * 4 * 3);
    PaletteToRgb(src, 4, 2, 8, 4, doubled.data(), &palette);
    EXPECT_EQ(firstBytes(doubled), (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, //
                                                     0, 0, 1, 1, 2, 2, 3, 3, //
                                                     4, 4, 5, 5, 6, 6, 7, 7, //
                                                     4, 4, 5, 5, 6, 6, 7, 7}));
}

// ---- JPEG

// Top half red, bottom half blue, each pixel of components bytes.
std::vector<uint8_t> TwoBandPicture(int width, int height) {
    std::vector<uint8_t> picture;
    for (int row = 0; row < height; row++) {
        for (int column = 0; column < width; column++) {
            bool top = row < height / 2;
            picture.insert(picture.end(), {static_cast<uint8_t>(top ? 220 : 20), 30,
                                           static_cast<uint8_t>(top ? 20 : 210)});
        }
    }
    return picture;
}

void ExpectNear(const uint8_t* rgb, int r, int g, int b) {
    EXPECT_NEAR(rgb[0], r, 12);
    EXPECT_NEAR(rgb[1], g, 12);
    EXPECT_NEAR(rgb[2], b, 12);
}

TEST(Jpeg, ColourPictureIsRgbTopRowFirst) {
    std::string path = WriteFixture("sky.jpg", MakeJpeg(24, 16, 3, TwoBandPicture(24, 16)));
    int handle = LoadJpeg(path.c_str());
    const Image* image = GetImage(handle);
    EXPECT_EQ(image->fileName, path);
    ASSERT_EQ(image->width, 24);
    ASSERT_EQ(image->height, 16);
    EXPECT_EQ(image->pixelFormat, GL_RGB);
    EXPECT_EQ(image->internalFormat, GL_RGB);
    ExpectDefaultFlags(image);
    ASSERT_EQ(image->pixels.size(), 24u * 16 * 3);
    ExpectNear(&image->pixels[(2 * 24 + 3) * 3], 220, 30, 20);
    ExpectNear(&image->pixels[(13 * 24 + 20) * 3], 20, 30, 210);
}

TEST(Jpeg, GreyscalePictureBecomesRgb) {
    std::vector<uint8_t> grey(8 * 8);
    for (int i = 0; i < 64; i++) {
        grey[i] = i < 32 ? 40 : 200;
    }
    std::optional<JpegPicture> picture =
        DecodeJpegFile(WriteFixture("grey.jpg", MakeJpeg(8, 8, 1, grey)).c_str());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->stride, 24);
    ASSERT_EQ(picture->pixels.size(), 8u * 8 * 3);
    ExpectNear(&picture->pixels[0], 40, 40, 40);
    ExpectNear(&picture->pixels[63 * 3], 200, 200, 200);
}

// Where the start-of-scan marker of a JPEG file lies; its coded data follows
// the marker's segment.
size_t StartOfScan(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 2; i + 3 < jpeg.size(); i++) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
            return i;
        }
    }
    return jpeg.size();
}

TEST(Jpeg, AFileThatEndsEarlyShowsWhatItHolds) {
    // Cut a quarter of the way into its coded data, as an interrupted copy
    // leaves it: the decoder warns and fills the rest; the top rows show.
    std::vector<uint8_t> whole = MakeJpeg(64, 64, 3, TwoBandPicture(64, 64));
    size_t marker = StartOfScan(whole);
    ASSERT_LT(marker + 3, whole.size());
    size_t scan = marker + 2 + (whole[marker + 2] << 8 | whole[marker + 3]);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(scan) +
                                                static_cast<long>(whole.size() - scan) / 4);
    std::string path = WriteFixture("cut.jpg", cut);
    ::testing::internal::CaptureStderr();
    int handle = -1;
    std::string message = FatalMessageOf([&] { handle = LoadJpeg(path.c_str()); });
    std::string warnings = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(message, "");
    EXPECT_NE(warnings.find("Premature end of JPEG file"), std::string::npos) << warnings;
    const Image* image = GetImage(handle);
    EXPECT_EQ(image->fileName, path);
    ASSERT_EQ(image->width, 64);
    ASSERT_EQ(image->height, 64);
    ASSERT_EQ(image->pixels.size(), 64u * 64 * 3);
    for (int row : {0, 4, 7}) {
        for (int column : {0, 31, 63}) {
            ExpectNear(&image->pixels[(row * 64 + column) * 3], 220, 30, 20);
        }
    }
}

TEST(Jpeg, BadFilesAreRefusedWithTheDecodersMessage) {
    std::string dir = Scratch();
    std::vector<uint8_t> good = MakeJpeg(16, 16, 3, TwoBandPicture(16, 16));
    // Cut before its scan: tables, but no picture at all.
    std::vector<uint8_t> headerOnly(good.begin(),
                                    good.begin() + static_cast<long>(StartOfScan(good)));
    std::vector<uint8_t> wide = MakeJpeg(8200, 8, 3, TwoBandPicture(8200, 8));
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    const Case cases[] = {
        {"text.jpg",
         {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'},
         "Not a JPEG file: starts with 0x6e 0x6f"},
        {"empty.jpg", {}, "Empty input file"},
        {"header.jpg", headerOnly, "Invalid JPEG file structure: missing SOS marker"},
        {"wide.jpg", wide, "8200 x 8 pixels is too large (at most 8192 per side)"},
        {"cmyk.jpg", MakeJpeg(8, 8, 4, std::vector<uint8_t>(8 * 8 * 4, 100)),
         "only colour and greyscale JPEG pictures are supported (not CMYK or YCCK)"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        WriteFileBytes(path, c.bytes);
        EXPECT_EQ(FatalMessageOf([&] { LoadJpeg(path.c_str()); }),
                  "Error reading " + path + ": " + c.message)
            << c.name;
    }
    std::string missing = dir + "/none.jpg";
    EXPECT_FALSE(DecodeJpegFile(missing.c_str()));
    EXPECT_EQ(FatalMessageOf([&] { LoadJpeg(missing.c_str()); }), "Error opening " + missing);
}

// ---- skybox

const char* const FaceNames[6] = {"ft", "bk", "lf", "rt", "up", "dn"};

// Writes a six-picture TGA set under base; face i is 8 x 8 of colour
// (40 * i + 20, 0, 0) except that the top four rows of "rt" are green.
void WriteSkyboxSet(const std::string& base) {
    for (int face = 0; face < 6; face++) {
        std::vector<uint8_t> picture;
        for (int i = 0; i < 64; i++) {
            bool green = face == 3 && i < 32;
            picture.insert(picture.end(), {static_cast<uint8_t>(green ? 0 : 40 * face + 20),
                                           static_cast<uint8_t>(green ? 255 : 0), 0});
        }
        WriteFileBytes(base + FaceNames[face] + ".tga", MakeTga(2, 24, 8, 8, picture));
    }
}

TEST(Skybox, SixPictureSetIsReadInFaceOrder) {
    std::string base = Scratch() + "/skybox/space1";
    WriteSkyboxSet(base);
    NewImage(); // handles continue from earlier images
    Skybox* skybox = LoadSkybox(base.c_str(), 16, 1);
    ASSERT_NE(skybox, nullptr);
    EXPECT_EQ(skybox->sixImages, 1);
    for (int face = 0; face < 6; face++) {
        int handle = skybox->faces[face].image;
        EXPECT_EQ(handle, face + 1);
        const Image* image = GetImage(handle);
        EXPECT_EQ(image->fileName, base + FaceNames[face] + ".tga");
        EXPECT_EQ(image->filter, GL_LINEAR);
        EXPECT_EQ(image->wrap, GL_CLAMP);
        EXPECT_EQ(image->envMode, GL_REPLACE);
    }
    EXPECT_EQ(skybox->faces[4].cornerIndex[1], 4);
    EXPECT_EQ(skybox->corners[2][0], -10.0f);
    FreeSkybox(skybox);
    EXPECT_EQ(TextureTable.images[1], nullptr);
    EXPECT_EQ(TextureTable.images[6], nullptr);
}

TEST(Skybox, OnePictureServesAllFacesThroughItsReader) {
    std::string path = WriteFixture("sky.jpg", MakeJpeg(8, 8, 3, TwoBandPicture(8, 8)));
    Skybox* skybox = LoadSkybox(path.c_str(), 16, 0);
    ASSERT_NE(skybox, nullptr);
    for (const SkyboxFace& face : skybox->faces) {
        EXPECT_EQ(face.image, 0);
    }
    EXPECT_EQ(TextureTable.count, 1);
    EXPECT_EQ(GetImage(0)->filter, GL_LINEAR);
    EXPECT_EQ(GetImage(0)->wrap, GL_CLAMP);
    FreeSkybox(skybox);
}

TEST(Skybox, MissingOrUnusableSetsAreRefused) {
    std::string dir = Scratch();
    std::string base = dir + "/space1";
    EXPECT_EQ(FatalMessageOf([&] { LoadSkybox(base.c_str(), 16, 1); }),
              "Error opening " + base + "ft.tga");
    EXPECT_EQ(FatalMessageOf([&] { LoadSkybox(base.c_str(), 8, 1); }),
              "Error opening " + base + "ft.pcx");
    EXPECT_EQ(LoadSkybox(nullptr, 16, 1), nullptr);
    WriteSkyboxSet(base);
    EXPECT_EQ(LoadSkybox(base.c_str(), 24, 1), nullptr);
    // The face path fits in 100 characters with its zero, or is refused.
    std::string longBase = dir + "/" + std::string(100 - dir.size() - 1 - 7, 'x');
    ASSERT_EQ(longBase.size() + 6, 99u);
    WriteSkyboxSet(longBase);
    Skybox* fits = LoadSkybox(longBase.c_str(), 16, 1);
    ASSERT_NE(fits, nullptr);
    FreeSkybox(fits);
    std::string tooLong = longBase + "y";
    EXPECT_EQ(LoadSkybox(tooLong.c_str(), 16, 1), nullptr);
}

TEST(Skybox, DrawsBehindEverythingAroundTheCameraAndRestoresState) {
    OpenTestDisplay();
    std::string base = Scratch() + "/space1";
    WriteSkyboxSet(base);
    Skybox* skybox = LoadSkybox(base.c_str(), 16, 1);
    ASSERT_NE(skybox, nullptr);
    UploadSkybox(skybox);

    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 640.0 / 480.0, 4.0, 4096.0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    // The faces are back faces seen from inside: culling front faces keeps them.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glClearDepth(0.5);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_ALWAYS);

    Camera* camera = NewCamera();
    camera->lookAtMode = 1;
    SetCameraPosition(camera, 300, -50, 7); // far outside the cube's own place
    SetCameraTarget(camera, 301, -50, 7);   // looking along +x, at "rt"
    ApplyCamera(camera);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    DrawSkybox(skybox, camera);

    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
    float depth = 0;
    glReadPixels(320, 240, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.5f, 0.01f); // no depth was written

    // Looking along +x with y up, +z is screen right: the picture's top edge
    // (green) lies at z = +10, its red lower half at the left. These columns
    // see the face at z = +6 and z = -6.
    std::vector<uint8_t> right = ReadPictureRgb(464, 240, 1, 1);
    std::vector<uint8_t> left = ReadPictureRgb(176, 240, 1, 1);
    EXPECT_LT(right[0], 40);
    EXPECT_GT(right[1], 200);
    EXPECT_NEAR(left[0], 140, 12);
    EXPECT_LT(left[1], 40);

    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LESS);
    FreeCamera(camera);
    FreeSkybox(skybox);
}

// ---- 3DG

// Three vertices at the extremes of 16 bits, one triangle (0, 1, 2).
std::vector<uint8_t> ThreeVertexMesh() {
    return Make3dg(3, 1, {-32768, 0, 10, 32767, -4, 20, 5, 100, -30}, {1, 0, 0, 0, 2, 0, 0, 0, 3},
                   {0, 1, 2}, {7, -8, 9});
}

TEST(Object3D, NewObjectIsPlacedAtTheOriginWithUnitScale) {
    Object3D* object = NewObject3D();
    EXPECT_EQ(object->position.x, 0.0f);
    EXPECT_EQ(object->angles.z, 0.0f);
    EXPECT_EQ(object->scale.x, 1.0f);
    EXPECT_EQ(object->scale.y, 1.0f);
    EXPECT_EQ(object->scale.z, 1.0f);
    EXPECT_EQ(SetObjectTexture(object, 4, 5), object);
    EXPECT_EQ(object->texture, 4);
    EXPECT_EQ(object->secondTexture, 5);
    FreeObject3D(object);
}

TEST(Object3D, MeshIsReadWithReversedTrianglesAndItsBounds) {
    Object3D* object = NewObject3D();
    ASSERT_EQ(LoadObject3D(WriteFixture("cat.3dg", ThreeVertexMesh()).c_str(), 6, object), 0);
    EXPECT_EQ(object->drawFlags, 6);
    ASSERT_EQ(object->vertexCount, 3);
    ASSERT_EQ(object->faceCount, 1);
    EXPECT_EQ(object->vertices[0].x, -32768.0f);
    EXPECT_EQ(object->vertices[1].x, 32767.0f);
    EXPECT_EQ(object->vertices[2].y, 100.0f);
    EXPECT_EQ(object->faces[0].vertex[0], 2);
    EXPECT_EQ(object->faces[0].vertex[1], 1);
    EXPECT_EQ(object->faces[0].vertex[2], 0);
    EXPECT_EQ(object->vertexNormals[4], 2.0f); // not normalised
    EXPECT_EQ(object->faceNormals[1], -8.0f);
    EXPECT_EQ(object->boundsMin.x, -32768.0f);
    EXPECT_EQ(object->boundsMax.x, 32767.0f);
    EXPECT_EQ(object->boundsMin.y, -4.0f);
    EXPECT_EQ(object->boundsMax.y, 100.0f);
    EXPECT_EQ(object->boundsMin.z, -30.0f);
    EXPECT_EQ(object->boundsMax.z, 20.0f);

    CentreObject3D(object);
    EXPECT_EQ(object->boundsMin.x, -object->boundsMax.x);
    EXPECT_EQ(object->boundsMin.y, -object->boundsMax.y);
    EXPECT_EQ(object->boundsMin.z, -object->boundsMax.z);
    EXPECT_EQ(object->vertices[2].y, 52.0f);
    EXPECT_EQ(object->vertices[2].z, -25.0f);
    EXPECT_EQ(object->vertexNormals[4], 2.0f);
    FreeObject3D(object);
}

TEST(Object3D, BadOrMissingFilesReturnMinusOneAndLeaveTheObjectAlone) {
    std::vector<uint8_t> good = ThreeVertexMesh();
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
    auto withTriangle = [](int a, int b, int c) {
        return Make3dg(3, 1, {0, 0, 0, 1, 1, 1, 2, 2, 2}, std::vector<int>(9, 0), {a, b, c},
                       {0, 0, 0});
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"counts.3dg", cut(3)},
        {"positions.3dg", cut(4 + 17)},
        {"face-normals.3dg", cut(good.size() - 1)},
        {"no-vertices.3dg", Make3dg(0, 0, {}, {}, {}, {})},
        {"negative-vertices.3dg", Make3dg(-3, 0, {}, {}, {}, {})},
        {"negative-faces.3dg", Make3dg(1, -1, {0, 0, 0}, {0, 0, 0}, {}, {})},
        {"index-high.3dg", withTriangle(0, 1, 3)},
        {"index-negative.3dg", withTriangle(-1, 1, 2)},
    };
    Object3D* object = NewObject3D();
    SetObjectPosition(object, 1, 2, 3);
    object->drawFlags = 0xAB;
    object->texture = 9;
    unsigned char snapshot[sizeof(Object3D)];
    std::memcpy(snapshot, object, sizeof snapshot);
    for (const Case& c : cases) {
        EXPECT_EQ(LoadObject3D(WriteFixture(c.name, c.bytes).c_str(), 2, object), -1) << c.name;
        EXPECT_EQ(std::memcmp(snapshot, object, sizeof snapshot), 0) << c.name;
    }
    EXPECT_EQ(LoadObject3D((Scratch() + "/none.3dg").c_str(), 2, object), -1);
    EXPECT_EQ(std::memcmp(snapshot, object, sizeof snapshot), 0);
    // A mesh without triangles is fine.
    EXPECT_EQ(LoadObject3D(
                  WriteFixture("points.3dg", Make3dg(1, 0, {4, 5, 6}, {0, 0, 1}, {}, {})).c_str(),
                  2, object),
              0);
    EXPECT_EQ(object->boundsMax.z, 6.0f);
    FreeObject3D(object);
}

// ---- tessaline-inspect

const std::string Inspect = std::string(TESSALINE_BINARY_DIR) + "/tessaline-inspect";

// Decodes a PNG file into RGBA bytes, top row first.
std::vector<uint8_t> ReadPngRgba(const std::string& path, int* width, int* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return pixels;
}

TEST(Inspect, DescribesAPictureAndWritesItAsPngTopRowFirst) {
    std::vector<uint8_t> picture = CountingPicture(3, 2, 4);
    std::string path = WriteFixture("letter.tga", MakeTga(10, 32, 3, 2, picture));
    std::string png = Scratch() + "/letter.png";
    CommandResult result = RunCommand(Inspect + " --png " + png + " " + path);
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("size: 3 x 2 pixels"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("bytes per pixel: 4"), std::string::npos);
    EXPECT_NE(result.output.find("GL format: GL_RGBA"), std::string::npos);
    EXPECT_NE(result.output.find("texture flags: 0"), std::string::npos);
    int width = 0;
    int height = 0;
    EXPECT_EQ(ReadPngRgba(png, &width, &height), picture);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
}

TEST(Inspect, ReadsEveryFileAndGivesTheShowsMessagesForBadOnes) {
    std::string mesh = WriteFixture("cat.3dg", ThreeVertexMesh());
    std::string badMesh = WriteFixture("bad.3dg", Make3dg(0, 0, {}, {}, {}, {}));
    std::string badTga = WriteFixture("bad.tga", MakeTga(1, 24, 2, 2, {}));
    std::string palette = WriteFixture("palette.lmp", MakeTestPalette());
    std::string unknown = WriteFixture("level.xyz", {1, 2, 3});
    std::vector<uint8_t> rgbPcxBytes = MakePcx(0, 1, 1, {0xCC, 9}, MakeTestPalette());
    rgbPcxBytes[65] = 3; // three planes: a 24-bit picture
    std::string rgbPcx = WriteFixture("rgb.pcx", rgbPcxBytes);
    CommandResult result = RunCommand(Inspect + " " + badTga + " " + mesh + " " + badMesh + " " +
                                      palette + " " + unknown + " " + rgbPcx + " 2>&1");
    EXPECT_EQ(result.status, 1);
    for (const std::string& expected : {
             std::string("Error: Invalid TGA texture, only type 2 and 10 supported"),
             std::string("vertices: 3, triangles: 1"),
             std::string("bounds: (-32768, -4, -30) to (32767, 100, 20)"),
             std::string("vertex normal lengths: shortest 1, longest 3, mean 2"),
             std::string("Error: Error loading 3DG"),
             std::string("entry 255: 255 0 165"),
             std::string("Error: unknown kind of file " + unknown),
             std::string("Error: Error reading " + rgbPcx +
                         ": 3 plane(s) of 8 bits per pixel; only one plane of 8 bits"),
         }) {
        EXPECT_NE(result.output.find(expected), std::string::npos) << expected << "\n"
                                                                   << result.output;
    }
}

} // namespace
