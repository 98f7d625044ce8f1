// tessaline-fuzz-seeds DIR: writes the fuzz targets' seed corpora, small
// well-formed files of every form each reader accepts and a few it refuses,
// into DIR/tga, DIR/pcx, DIR/jpeg, DIR/palette, DIR/3dg and DIR/bsp.
#include "support/bsp_builder.h"
#include "support/image_fixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Root;

void Write(const std::string& corpus, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(Root + "/" + corpus);
    std::ofstream out(Root + "/" + corpus + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// width x height pixels of bpp bytes with runs of equal pixels.
std::vector<uint8_t> Picture(int width, int height, int bpp) {
    std::vector<uint8_t> picture;
    for (int i = 0; i < width * height; i++) {
        for (int k = 0; k < bpp; k++) {
            picture.push_back(static_cast<uint8_t>((i / 3) * 40 + k * 70));
        }
    }
    return picture;
}

void WriteTgaSeeds() {
    for (int type : {2, 10}) {
        for (int depth : {24, 32}) {
            std::string name = std::to_string(type) + "-" + std::to_string(depth);
            Write("tga", name + ".tga", MakeTga(type, depth, 5, 3, Picture(5, 3, depth / 8)));
            Write("tga", name + "-id.tga", MakeTga(type, depth, 2, 2, Picture(2, 2, depth / 8), 4));
        }
    }
    Write("tga", "empty.tga", MakeTga(10, 24, 3, 0, {}));
}

void WritePcxSeeds() {
    std::vector<uint8_t> palette = MakeTestPalette();
    Write("pcx", "runs.pcx", MakePcx(0, 7, 3, {0xC0, 0xC5, 9, 0xFF, 7}, palette));
    Write("pcx", "plain.pcx", MakePcx(2, 3, 1, {1, 2, 3, 4}, palette));
    Write("pcx", "one.pcx", MakePcx(0, 0, 0, {0xC1, 255}, palette));
    Write("pcx", "padded.pcx", MakeLinedPcx(5, 3, 6, Picture(5, 3, 1), 0xC3, palette));
}

void WriteJpegSeeds() {
    Write("jpeg", "colour.jpg", MakeJpeg(16, 8, 3, Picture(16, 8, 3)));
    Write("jpeg", "odd.jpg", MakeJpeg(9, 5, 3, Picture(9, 5, 3)));
    Write("jpeg", "grey.jpg", MakeJpeg(8, 8, 1, Picture(8, 8, 1)));
    Write("jpeg", "cmyk.jpg", MakeJpeg(8, 8, 4, Picture(8, 8, 4)));
    std::vector<uint8_t> cut = MakeJpeg(32, 32, 3, Picture(32, 32, 3));
    cut.resize(cut.size() * 3 / 4);
    Write("jpeg", "cut.jpg", cut);
}

void WritePaletteSeeds() {
    std::vector<uint8_t> palette = MakeTestPalette();
    Write("palette", "palette.lmp", palette);
    std::vector<uint8_t> longer = palette;
    longer.insert(longer.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    Write("palette", "longer.lmp", longer);
}

void WriteMeshSeeds() {
    Write("3dg", "triangle.3dg",
          Make3dg(3, 1, {-32768, 0, 10, 32767, -4, 20, 5, 100, -30}, {1, 0, 0, 0, 1, 0, 0, 0, 1},
                  {0, 1, 2}, {0, 0, 1}));
    // A cube: 8 corners, 12 triangles.
    std::vector<int> corners;
    for (int i = 0; i < 8; i++) {
        corners.insert(corners.end(), {i & 1 ? 10 : -10, i & 2 ? 10 : -10, i & 4 ? 10 : -10});
    }
    std::vector<int> triangles = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                  2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    Write("3dg", "cube.3dg", Make3dg(8, 12, corners, corners, triangles, std::vector<int>(36, 1)));
}

void WriteLevelSeeds() {
    TestLevel level = MakeTwoRoomLevel();
    Write("bsp", "two-rooms.bsp", BuildLevelFile(level));
    TestLevel dark = level;
    dark.lightData.clear();
    dark.visData.clear();
    dark.leafs[1].visOffset = -1;
    dark.leafs[2].visOffset = -1;
    Write("bsp", "no-light.bsp", BuildLevelFile(dark));
    TestLevel runs = level;
    runs.leafs.resize(42, {-1, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}});
    runs.models[0].visLeafs = 41;
    runs.visData = {0x05, 0x00, 0x03, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    runs.leafs[2].visOffset = 5;
    runs.faces[0].styles[1] = 5;
    runs.lightData.resize(243, 30);
    runs.faces[1].lightOffset = 162;
    Write("bsp", "runs.bsp", BuildLevelFile(runs));
    // As a map compiler writes them: several models, absent texture slots,
    // unlit liquids and sky, four light styles, non-axial planes.
    Write("bsp", "compiled.bsp", BuildLevelFile(MakeCompiledLevel()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaline-fuzz-seeds DIR\n");
        return 2;
    }
    Root = argv[1];
    WriteTgaSeeds();
    WritePcxSeeds();
    WriteJpegSeeds();
    WritePaletteSeeds();
    WriteMeshSeeds();
    WriteLevelSeeds();
    return 0;
}
