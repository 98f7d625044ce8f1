// The level: loading and its limits, the checks against damaged files,
// levels as map compilers write them, textures and lightmaps, visibility, the
// frustum, drawing, the player start, the camera track, and the level scene's
// frame branches.
#include "bsp/bsp_check.h"
#include "bsp/bsp_file.h"
#include "bsp/camera_track.h"
#include "bsp/entities.h"
#include "bsp/frustum.h"
#include "bsp/level_stats.h"
#include "bsp/level_textures.h"
#include "bsp/lightmaps.h"
#include "bsp/surfaces.h"
#include "bsp/visibility.h"
#include "image/image.h"
#include "image/palette.h"
#include "math/camera.h"
#include "support/bsp_builder.h"
#include "support/files.h"
#include "support/level_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>

namespace {

// Writes the level to a scratch file and returns its path.
std::string WriteTestLevel(const TestLevel& level, const std::string& tag) {
    std::string path = MakeScratchDir(tag) + "/level.bsp";
    WriteFileBytes(path, BuildLevelFile(level));
    return path;
}

// Loads the level file and builds its textures, coordinates, lightmaps and
// visibility arrays, as the level scene's load does.
void LoadAndBuildFile(const std::string& path, const Palette& palette) {
    LoadBSPFile(path.c_str());
    BuildLevelTextures(&palette);
    BuildFaceTexCoords();
    AllocVisibilityArrays();
}

// The same for a test level, with the grey palette.
void LoadAndBuild(const TestLevel& level) {
    LoadAndBuildFile(WriteTestLevel(level, "bsp"), GreyPalette());
}

// Frustum planes that accept everything.
void OpenFrustum() {
    float planes[FrustumPlaneCount][4] = {};
    for (auto& plane : planes) {
        plane[0] = 1.0f;
        plane[3] = 1.0e9f;
    }
    SetFrustumPlanes(planes);
}

// One frame's visibility work from position, without drawing.
void WalkFrom(float x, float y, float z) {
    const float view[3] = {x, y, z};
    SetViewPosition(view);
    UpdateVisibleLeaves();
    MarkVisibleFaces(BspRoot());
    ClearTextureChains();
    WalkBspTree(BspRoot());
}

std::vector<int32_t> ChainOf(int slot) {
    const std::vector<int32_t>& chain = LevelTextures[static_cast<size_t>(slot)].chain;
    return {chain.begin() + 1, chain.begin() + 1 + chain[0]};
}

// Every face in any chain.
std::set<int32_t> ChainedFaces() {
    std::set<int32_t> faces;
    for (size_t slot = 0; slot < LevelTextures.size(); ++slot) {
        for (int32_t f : ChainOf(static_cast<int>(slot))) {
            faces.insert(f);
        }
    }
    return faces;
}

// The visible-leaf bits of leafs 0 ... count - 1.
std::set<int32_t> VisibleLeafs(int32_t count) {
    std::set<int32_t> leafs;
    for (int32_t l = 0; l < count; ++l) {
        if (IsLeafVisible(l)) {
            leafs.insert(l);
        }
    }
    return leafs;
}

// ---- Loading and its limits

TEST(BspLoad, TwoRoomLevelLoadsEveryLump) {
    TestLevel level = MakeTwoRoomLevel();
    LoadBSPFile(WriteTestLevel(level, "bsp").c_str());
    EXPECT_EQ(BspData.numPlanes, 1);
    EXPECT_EQ(BspData.numVertexes, 4);
    EXPECT_EQ(BspData.numNodes, 1);
    EXPECT_EQ(BspData.numLeafs, 3);
    EXPECT_EQ(BspData.numFaces, 2);
    EXPECT_EQ(BspData.numSurfEdges, 8);
    EXPECT_EQ(BspData.numEdges, 5);
    EXPECT_EQ(BspData.numMarkSurfaces, 2);
    EXPECT_EQ(BspData.numModels, 1);
    EXPECT_EQ(BspData.numClipNodes, 0);
    EXPECT_EQ(BspData.lightDataSize, 162);
    EXPECT_EQ(BspData.visDataSize, 2);
    EXPECT_EQ(BspData.entityDataSize, static_cast<int32_t>(level.entities.size() + 1));
    EXPECT_EQ(BspData.nodes[0].children[1], -3);
    EXPECT_EQ(BspData.surfEdges[5], -3);
    EXPECT_EQ(BspData.faces[1].lightOffset, 81);
    EXPECT_EQ(MipTexCount(), 2);
    EXPECT_EQ(MipTexOffset(1), -1);
    EXPECT_STREQ(ReadMipTex(0).name, "wall");
    EXPECT_STREQ(BspData.entityData, level.entities.c_str());
}

TEST(BspLoad, EmptyLumpsGiveZeroCountsAndEntityTextAlwaysEnds) {
    TestLevel level = MakeTwoRoomLevel();
    level.lightData.clear();
    level.visData.clear();
    level.leafs[1].visOffset = -1;
    level.leafs[2].visOffset = -1;
    level.useRaw[LumpEntities] = true;
    level.rawLumps[LumpEntities] = {'{', '}'}; // no zero byte of its own
    LoadBSPFile(WriteTestLevel(level, "bsp").c_str());
    EXPECT_EQ(BspData.lightDataSize, 0);
    EXPECT_EQ(BspData.visDataSize, 0);
    EXPECT_EQ(BspData.entityDataSize, 2);
    EXPECT_EQ(BspData.entityData[2], '\0');
}

// A lump of count records filled so that the level's checks pass.
std::vector<uint8_t> RepeatedLeafs(int count) {
    BspLeaf leaf{-1, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}};
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * sizeof leaf);
    for (int i = 0; i < count; ++i) {
        std::memcpy(bytes.data() + static_cast<size_t>(i) * sizeof leaf, &leaf, sizeof leaf);
    }
    return bytes;
}

TEST(BspLoad, CountsAtTheirMaximumLoad) {
    TestLevel level = MakeTwoRoomLevel();
    level.useRaw[LumpLeafs] = true;
    level.rawLumps[LumpLeafs] = RepeatedLeafs(32767);
    level.useRaw[LumpEntities] = true;
    level.rawLumps[LumpEntities].assign(65536, 'x');
    level.rawLumps[LumpEntities].back() = 0;
    LoadBSPFile(WriteTestLevel(level, "bsp").c_str());
    EXPECT_EQ(BspData.numLeafs, 32767);
    EXPECT_EQ(BspData.entityDataSize, 65536);
}

struct RefusedFile {
    const char* name;
    std::function<void(TestLevel&)> damage;
    const char* message; // regular expression
};

void ExpectRefused(const RefusedFile& refused) {
    SCOPED_TRACE(refused.name);
    TestLevel level = MakeTwoRoomLevel();
    refused.damage(level);
    std::string path = WriteTestLevel(level, "bsp");
    EXPECT_EXIT(
        {
            LoadAndBuild(level);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), refused.message);
}

TEST(BspLoadDeathTest, LimitsVersionAndOddSizes) {
    const RefusedFile cases[] = {
        {"one leaf too many",
         [](TestLevel& l) {
             l.useRaw[LumpLeafs] = true;
             l.rawLumps[LumpLeafs] = RepeatedLeafs(32768);
         },
         "Error: invalid number of leafs\n"},
        {"one entity byte too many",
         [](TestLevel& l) {
             l.useRaw[LumpEntities] = true;
             l.rawLumps[LumpEntities].assign(65537, 0);
         },
         "Error: invalid size of entity data\n"},
        {"maximum passes, then the odd size stops it",
         [](TestLevel& l) {
             l.useRaw[LumpPlanes] = true;
             l.rawLumps[LumpPlanes].assign(8192 * 20 + 4, 0);
         },
         "Error: LoadBSPFile: odd lump size\n"},
        {"one plane too many, odd size or not",
         [](TestLevel& l) {
             l.useRaw[LumpPlanes] = true;
             l.rawLumps[LumpPlanes].assign(8193 * 20 + 4, 0);
         },
         "Error: invalid number of planes\n"},
        {"odd model lump",
         [](TestLevel& l) {
             l.useRaw[LumpModels] = true;
             l.rawLumps[LumpModels].assign(65, 0);
         },
         "Error: LoadBSPFile: odd lump size\n"},
        {"version 30", [](TestLevel& l) { l.version = 30; },
         "Error: /tmp/tessaline-bsp-[0-9]+/level.bsp is not version 29\n"},
    };
    for (const RefusedFile& refused : cases) {
        ExpectRefused(refused);
    }
}

TEST(BspLoadDeathTest, MissingShortAndTruncatedFiles) {
    EXPECT_EXIT(LoadBSPFile("/nonexistent/level.bsp"), ::testing::ExitedWithCode(1),
                "Error: Error opening /nonexistent/level.bsp: No such file or directory\n");
    std::string dir = MakeScratchDir("bsp-short");
    WriteFileBytes(dir + "/short.bsp", {29, 0, 0, 0});
    EXPECT_EXIT(LoadBSPFile((dir + "/short.bsp").c_str()), ::testing::ExitedWithCode(1),
                "short.bsp is too short to be a level\n");
    EXPECT_EXIT(LoadBSPFile(dir.c_str()), ::testing::ExitedWithCode(1),
                "Error: File read failure\n");
    // A lump table pointing past the end of the file.
    std::vector<uint8_t> file = BuildLevelFile(MakeTwoRoomLevel());
    int32_t beyond = static_cast<int32_t>(file.size());
    std::memcpy(file.data() + 4 + 8 * LumpVertexes, &beyond, 4);
    WriteFileBytes(dir + "/beyond.bsp", file);
    EXPECT_EXIT(LoadBSPFile((dir + "/beyond.bsp").c_str()), ::testing::ExitedWithCode(1),
                "lump 3 lies outside the file\n");
    int32_t negative = -8;
    file = BuildLevelFile(MakeTwoRoomLevel());
    std::memcpy(file.data() + 8 + 8 * LumpFaces, &negative, 4);
    WriteFileBytes(dir + "/negative.bsp", file);
    EXPECT_EXIT(LoadBSPFile((dir + "/negative.bsp").c_str()), ::testing::ExitedWithCode(1),
                "lump 7 lies outside the file\n");
}

// The two-room level with faces added that all share surf edges 0 ...
// until the faces hold vertices in all; the extra faces have no lightmap.
TestLevel SharedEdgeRangeLevel(int64_t vertices, int32_t edgesPerFace) {
    TestLevel level = MakeTwoRoomLevel();
    while (level.surfEdges.size() < static_cast<size_t>(edgesPerFace)) {
        level.surfEdges.push_back(1 + static_cast<int32_t>(level.surfEdges.size() % 4));
    }
    vertices -= 8; // the two rooms' faces
    while (vertices > 0) {
        auto count = static_cast<int16_t>(std::min<int64_t>(vertices, edgesPerFace));
        level.faces.push_back({0, 0, 0, count, 0, {255, 255, 255, 255}, -1});
        vertices -= count;
    }
    return level;
}

// Faces may share surf edges, but a small file cannot ask for gigabytes of
// texture coordinates.
TEST(BspLoad, FacesSharingSurfEdgesLoadUpToTheVertexLimit) {
    LoadAndBuild(SharedEdgeRangeLevel(MaxFaceVertices, 32000));
    EXPECT_EQ(FaceTexCoords.size(), static_cast<size_t>(MaxFaceVertices));
}

TEST(BspLoadDeathTest, FacesSharingSurfEdgesBeyondTheVertexLimit) {
    const RefusedFile cases[] = {
        {"one vertex too many",
         [](TestLevel& l) { l = SharedEdgeRangeLevel(MaxFaceVertices + 1, 32000); },
         "Error: LoadBSPFile: faces have 512001 vertices in all, more than 512000\n"},
        {"65535 faces sharing one 32767-edge range (34 GB of coordinates)",
         [](TestLevel& l) {
             l = SharedEdgeRangeLevel(8, 32767);
             l.faces.assign(65535, {0, 0, 0, 32767, 0, {255, 255, 255, 255}, -1});
         },
         "Error: LoadBSPFile: faces have 2147385345 vertices in all, more than 512000\n"},
    };
    for (const RefusedFile& refused : cases) {
        ExpectRefused(refused);
    }
}

// ---- Damaged levels: every index is checked before anything follows it

TEST(BspCheckDeathTest, DamagedIndicesAreRefused) {
    const RefusedFile cases[] = {
        {"no model", [](TestLevel& l) { l.models.clear(); }, "level has no models"},
        {"root beyond the nodes", [](TestLevel& l) { l.models[0].headNode[0] = 1; },
         "invalid root node"},
        {"node plane", [](TestLevel& l) { l.nodes[0].planeNum = 1; },
         "node 0 names a missing plane"},
        {"node child node", [](TestLevel& l) { l.nodes[0].children[0] = 1; },
         "node 0 names a missing child"},
        {"node child leaf", [](TestLevel& l) { l.nodes[0].children[1] = -4; },
         "node 0 names a missing child"},
        {"node loops to itself", [](TestLevel& l) { l.nodes[0].children[0] = 0; },
         "node 0 is reached twice in the tree"},
        {"node faces", [](TestLevel& l) { l.nodes[0].numFaces = 3; }, "node 0 names missing faces"},
        {"mark surface", [](TestLevel& l) { l.markSurfaces[1] = 2; },
         "mark surface 1 names a missing face"},
        {"leaf mark surfaces", [](TestLevel& l) { l.leafs[2].firstMarkSurface = 1; },
         "leaf 2 names missing mark surfaces"},
        {"face texinfo", [](TestLevel& l) { l.faces[1].texInfo = 1; },
         "face 1 names a missing texinfo"},
        {"texture slot beyond the table", [](TestLevel& l) { l.texInfo[0].mipTex = 2; },
         "face 0 names texture slot 2, but the level has 2"},
        {"negative texture slot", [](TestLevel& l) { l.texInfo[0].mipTex = -1; },
         "face 0 names texture slot -1, but the level has 2"},
        {"face surf edges", [](TestLevel& l) { l.faces[1].firstSurfEdge = 5; },
         "face 1 names missing surf edges"},
        {"negative edge count", [](TestLevel& l) { l.faces[0].numEdges = -1; },
         "face 0 names missing surf edges"},
        {"surf edge", [](TestLevel& l) { l.surfEdges[2] = 5; }, "surf edge 2 names a missing edge"},
        {"most negative surf edge", [](TestLevel& l) { l.surfEdges[6] = INT32_MIN; },
         "surf edge 6 names a missing edge"},
        {"edge vertex", [](TestLevel& l) { l.edges[3].v[1] = 4; }, "edge 3 names a missing vertex"},
        {"light offset", [](TestLevel& l) { l.faces[1].lightOffset = 162; },
         "face 1 light offset outside the light data"},
        {"negative light offset", [](TestLevel& l) { l.faces[1].lightOffset = -2; },
         "face 1 light offset outside the light data"},
        {"visibility offset", [](TestLevel& l) { l.leafs[2].visOffset = 2; },
         "leaf 2 visibility offset outside the visibility data"},
        {"texture count", [](TestLevel& l) { std::memset(l.textureData.data(), 0x7f, 4); },
         "invalid number of textures"},
        {"texture header outside",
         [](TestLevel& l) {
             int32_t offset = static_cast<int32_t>(l.textureData.size()) - 8;
             std::memcpy(l.textureData.data() + 4, &offset, 4);
         },
         "texture 0 lies outside the texture data"},
        {"texture pixels outside",
         [](TestLevel& l) {
             uint32_t width = 64; // the lump holds 16 x 16 and its mips
             std::memcpy(l.textureData.data() + 12 + 16, &width, 4);
         },
         "texture 0 pixels lie outside the texture data"},
        {"texture of no size",
         [](TestLevel& l) {
             uint32_t height = 0;
             std::memcpy(l.textureData.data() + 12 + 20, &height, 4);
         },
         "texture 0 has an invalid size"},
        {"textures sharing pixels",
         [](TestLevel& l) {
             l.textureData = MakeTextureLump({{"wall", 16, 16, 7, false}});
             // Three slots all pointing at one texture.
             std::vector<uint8_t> lump(16);
             int32_t words[4] = {3, 16, 16, 16};
             std::memcpy(lump.data(), words, 16);
             lump.insert(lump.end(), l.textureData.begin() + 8, l.textureData.end());
             l.textureData = lump;
         },
         "textures larger than the texture data"},
        {"lightmap outside the light data", [](TestLevel& l) { l.faces[1].lightOffset = 82; },
         "face 1 lightmap lies outside the light data"},
        {"lightmap larger than 18 x 18",
         [](TestLevel& l) { l.texInfo[0].s[1] = 3.0f; }, // 384 texels: 25 samples
         "face 0 lightmap is larger than 18 x 18"},
        {"lightmap of a face without vertices", [](TestLevel& l) { l.faces[0].numEdges = 0; },
         "face 0 has invalid lightmap extents"},
        {"infinite texture coordinates", [](TestLevel& l) { l.texInfo[0].s[3] = INFINITY; },
         "face 0 has invalid lightmap extents"},
        {"lightmaps beyond 64 pages",
         [](TestLevel& l) {
             // 17 x 17 samples each: 49 to a page, 3136 in 64 pages.
             l.texInfo[0].s[1] = 2.0f;
             l.texInfo[0].t[2] = 2.0f;
             l.lightData.assign(289, 10);
             l.faces.assign(3137, l.faces[0]);
         },
         "lightmaps do not fit in 64 pages"},
    };
    for (const RefusedFile& refused : cases) {
        ExpectRefused(refused);
    }
}

TEST(BspCheck, DeepestTreeIsWalkedWithoutTrouble) {
    // 32767 nodes in one chain: each node's back child is the next node.
    TestLevel level = MakeTwoRoomLevel();
    level.nodes.assign(32767, level.nodes[0]);
    for (int i = 0; i < 32766; ++i) {
        level.nodes[static_cast<size_t>(i)].children[1] = static_cast<int16_t>(i + 1);
        level.nodes[static_cast<size_t>(i)].planeNum = 0;
        level.nodes[static_cast<size_t>(i)].numFaces = 0;
    }
    level.planes[0].dist = 1.0e6f; // every node sends the viewer to the back
    LoadAndBuild(level);
    OpenFrustum();
    WalkFrom(32, 0, 0);
    EXPECT_EQ(ViewLeaf(), 2);
    EXPECT_EQ(ChainOf(0), std::vector<int32_t>{1}); // the last node's side-1 face
}

TEST(BspCheck, UnusedRecordsAreNotJudged) {
    TestLevel level = MakeTwoRoomLevel();
    level.leafs[0].visOffset = 999;             // leaf 0's data is never read
    level.texInfo.push_back({{0}, {0}, 77, 0}); // no face uses it
    level.clipNodes = {{99, {7, 7}}};           // never followed
    level.edges.push_back({{500, 500}});        // no surf edge names it
    level.faces[1].lightOffset = -1;            // no lightmap
    LoadAndBuild(level);
    EXPECT_EQ(FaceLightmaps[1].page, -1);
}

// ---- Levels as map compilers write them

TEST(CompiledLevel, LoadsWithModelsAbsentSlotsUnlitFacesAndStyles) {
    LoadAndBuild(MakeCompiledLevel());
    EXPECT_EQ(BspData.numModels, 3);
    EXPECT_EQ(BspData.numLeafs, 12);
    EXPECT_EQ(VisibilityRowLeafs(), 6);
    // Absent slots: no picture, a chain of the count word alone, even for
    // slot 1 that two faces name.
    for (int slot : {1, 7}) {
        EXPECT_EQ(LevelTextures[static_cast<size_t>(slot)].image, -1) << slot;
        EXPECT_EQ(LevelTextures[static_cast<size_t>(slot)].chain.size(), 1u) << slot;
    }
    // Sides that are multiples of 16 but not powers of two.
    for (auto [slot, width, height] : {std::tuple{2, 64, 48}, {3, 24, 40}}) {
        const Image* image = GetImage(LevelTextures[static_cast<size_t>(slot)].image);
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        EXPECT_EQ(image->pixels[static_cast<size_t>(width * height * 3 - 1)],
                  slot == 2 ? 180 : 160);
    }
    // Liquids, sky and the absent slot's unlit face have no lightmap; the
    // absent slot's lit face and the other models' faces have theirs.
    for (int32_t f = 0; f < 11; ++f) {
        bool unlit = f == 3 || f == 5 || f == 6;
        EXPECT_EQ(FaceLightmaps[static_cast<size_t>(f)].page == -1, unlit) << f;
    }
    // Styles 0, 1, 32, 63 of samples 10: (256 + 22 + 704 + 1386) * 10 >> 7;
    // styles 1, 63 of samples 5: (22 + 1386) * 5 >> 7.
    for (auto [f, stored] : {std::pair{4, 185}, {7, 55}}) {
        const FaceLightmap& lightmap = FaceLightmaps[static_cast<size_t>(f)];
        const uint8_t* page = LightmapPage(lightmap.page);
        EXPECT_EQ(page[lightmap.y * LightmapPageSize + lightmap.x], stored) << f;
        EXPECT_EQ(page[(lightmap.y + 4) * LightmapPageSize + lightmap.x + 4], stored) << f;
    }
}

TEST(CompiledLevel, ViewsChainOnlyTheWorldsLitPresentFaces) {
    LoadAndBuild(MakeCompiledLevel());
    OpenFrustum();
    struct View {
        const char* name;
        float x, y, z;
        int32_t leaf;
        std::set<int32_t> visible; // leafs 0 ... 11
        std::set<int32_t> chained;
    };
    const std::set<int32_t> everything = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const View views[] = {
        // The slanted face 4 and the panel 7 look to their planes' backs,
        // where the viewer is; the absent slot's face 2, the sky and the
        // water are marked but never chained.
        {"front room", 48, 0, 0, 1, {1, 3, 4, 5, 6}, {0, 4, 7}},
        {"in the door's slab", 20, 0, -20, 1, {1, 3, 4, 5, 6}, {0, 4, 7}},
        {"back room", -32, 0, 0, 2, {2}, {1}},
        {"lava corner, whose row hides everything", 10, 60, 0, 6, {}, {}},
        // Leaf 0 sees every leaf bit; only the world's tree is walked.
        {"outside", 200, 0, 0, 0, everything, {0}},
    };
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        WalkFrom(view.x, view.y, view.z);
        EXPECT_EQ(ViewLeaf(), view.leaf);
        EXPECT_EQ(VisibleLeafs(12), view.visible);
        EXPECT_EQ(ChainedFaces(), view.chained);
        for (int32_t f = 0; f < 11; ++f) {
            EXPECT_FALSE(IsFaceMarked(f)) << f;
        }
    }
}

// Runs tessaline-inspect on level, written to a file; standard error is
// in the output too.
CommandResult InspectLevel(const TestLevel& level) {
    return RunCommand(std::string(TESSALINE_BINARY_DIR) + "/tessaline-inspect " +
                      WriteTestLevel(level, "bsp-inspect") + " 2>&1");
}

// Expects the inspection to end with status and to print every line.
void ExpectInspection(const CommandResult& result, int status,
                      std::initializer_list<const char*> lines) {
    EXPECT_EQ(result.status, status) << result.output;
    for (const char* line : lines) {
        EXPECT_NE(result.output.find(line), std::string::npos) << line << "\n" << result.output;
    }
}

TEST(CompiledLevel, InspectToolNamesModelsAbsentSlotsAndUnlitFaces) {
    ExpectInspection(InspectLevel(MakeCompiledLevel()), 0,
                     {"models 3 (only model 0, the world, is drawn); model 0 visLeafs 6",
                      "textures: 8 slots, 2 absent", "2: brick 64 x 48", "7: absent",
                      "faces with a lightmap 8, without 3",
                      "faces naming an absent texture 2; faces of model 0 8",
                      "world leafs with visibility data 6 of 6"});
    // The refused file's message says what is wrong with it.
    TestLevel shared = SharedEdgeRangeLevel(8, 32767);
    shared.faces.assign(65535, {0, 0, 0, 32767, 0, {255, 255, 255, 255}, -1});
    ExpectInspection(
        InspectLevel(shared), 1,
        {"Error: LoadBSPFile: faces have 2147385345 vertices in all, more than 512000"});
}

// ---- Textures and lightmaps

TEST(LevelTextures, PresentSlotsBecomeImagesAbsentOnesNothing) {
    LoadAndBuild(MakeTwoRoomLevel());
    ASSERT_EQ(LevelTextures.size(), 2u);
    const Image* wall = GetImage(LevelTextures[0].image);
    EXPECT_EQ(wall->width, 16);
    EXPECT_EQ(wall->height, 16);
    EXPECT_EQ(wall->fileName, "wall");
    EXPECT_EQ(wall->pixels[0], 7);
    EXPECT_EQ(wall->pixels[16 * 16 * 3 - 1], 7);
    EXPECT_EQ(LevelTextures[0].chain.size(), 3u); // two faces and the count
    EXPECT_EQ(LevelTextures[1].image, -1);
    EXPECT_EQ(LevelTextures[1].chain.size(), 1u);
}

TEST(LevelTextures, CoordinatesInTextureSizesAndLightmapPages) {
    LoadAndBuild(MakeTwoRoomLevel());
    // Face 0's first vertex (0, -64, -64): s = -64, t = -64 in a 16 x 16 texture.
    const FaceTexCoord& first = FaceTexCoords[static_cast<size_t>(FaceTexCoordStart[0])];
    EXPECT_FLOAT_EQ(first.s, -4.0f);
    EXPECT_FLOAT_EQ(first.t, -4.0f);
    // smin = tmin = -64, lightmap at (0, 0): (s - smin + 8) / 2048.
    EXPECT_FLOAT_EQ(first.lightS, 8.0f / 2048.0f);
    EXPECT_FLOAT_EQ(first.lightT, 8.0f / 2048.0f);
    // Face 1 starts at vertex 0 too; its 9 x 9 lightmap sits right of face 0's.
    const FaceTexCoord& other = FaceTexCoords[static_cast<size_t>(FaceTexCoordStart[1])];
    EXPECT_FLOAT_EQ(other.lightS, (16.0f * 9 + 8) / 2048.0f);
    EXPECT_EQ(FaceLightmaps[0].page, 0);
    EXPECT_EQ(FaceLightmaps[0].x, 0);
    EXPECT_EQ(FaceLightmaps[1].x, 9);
    EXPECT_EQ(FaceLightmaps[1].y, 0);
    EXPECT_EQ(LightmapPagesUsed(), 1);
}

TEST(Lightmaps, ExtentsSnapToWholeSamples) {
    struct Case {
        float scale, offset; // s = y * scale + offset over y = -64 ... 64
        int32_t width;
    };
    const Case cases[] = {
        {0.125f, 8.0f, 2},    // s 0 ... 16
        {1.0f / 64, 4.0f, 2}, // s 3 ... 5
        {0.0f, 16.0f, 1},     // s 16 ... 16: extent 0 taken as 1
        {1.0f, 0.0f, 9},      // s -64 ... 64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TestLevel level = MakeTwoRoomLevel();
        level.texInfo[0].s[1] = c.scale;
        level.texInfo[0].s[3] = c.offset;
        LoadAndBuild(level);
        // Both faces share the texinfo, so face 1 lands one width to the right.
        EXPECT_EQ(FaceLightmaps[1].x, c.width);
        EXPECT_EQ(FaceLightmaps[1].y, 0);
    }
}

TEST(Lightmaps, StylesScaleAndClamp) {
    struct Case {
        uint8_t styles[4];
        uint8_t first, second; // samples of the first and second style block
        uint8_t stored;
    };
    const Case cases[] = {
        {{0, 255, 255, 255}, 200, 0, 255}, // 200 * 256 >> 7 = 400, clamped
        {{0, 255, 255, 255}, 100, 0, 200},
        {{0, 5, 255, 255}, 100, 50, 242}, // (25600 + 50 * 110) >> 7
        {{5, 255, 255, 255}, 100, 0, 85}, // 100 * 110 >> 7
        {{255, 0, 0, 0}, 100, 100, 0},    // no styles at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stored));
        TestLevel level = MakeTwoRoomLevel();
        // Face 0 only: 9 x 9 samples per style.
        level.faces.resize(1);
        level.nodes[0].numFaces = 1;
        level.markSurfaces = {0, 0};
        std::memcpy(level.faces[0].styles, c.styles, 4);
        level.lightData.assign(81, c.first);
        level.lightData.resize(162, c.second);
        LoadAndBuild(level);
        EXPECT_EQ(LightmapPage(0)[0], c.stored);
        EXPECT_EQ(LightmapPage(0)[8 * LightmapPageSize + 8], c.stored);
        EXPECT_EQ(LightmapPage(0)[9], 0); // outside the block
    }
}

TEST(Lightmaps, BlocksTakeTheLeftmostLowestPlace) {
    // Fresh pages: the first block at (0, 0), the next to its right, a tall
    // one next, and a block too wide for the rest of the row goes on top.
    LoadAndBuild(MakeTwoRoomLevel()); // two 9 x 9 blocks: (0, 0) and (9, 0)
    int32_t x = -1, y = -1;
    EXPECT_EQ(AllocLightmapBlock(100, 4, &x, &y), 0);
    EXPECT_EQ(x, 18);
    EXPECT_EQ(y, 0);
    // Columns 118 ... 127 are empty, but a 10-wide block would have to start
    // at 128 - 10, the one position never tried.
    EXPECT_EQ(AllocLightmapBlock(10, 1, &x, &y), 0);
    EXPECT_EQ(x, 18);
    EXPECT_EQ(y, 4);
    EXPECT_EQ(AllocLightmapBlock(18, 2, &x, &y), 0);
    EXPECT_EQ(x, 28);
    EXPECT_EQ(y, 4);
    // A block that fits no page is refused.
    EXPECT_EQ(AllocLightmapBlock(128, 1, &x, &y), -1);
}

TEST(Lightmaps, EmptyLightLumpLeavesEveryFaceUnlit) {
    TestLevel level = MakeTwoRoomLevel();
    level.lightData.clear();
    LoadAndBuild(level);
    EXPECT_EQ(FaceLightmaps.size(), 2u);
    EXPECT_EQ(FaceLightmaps[0].page, -1);
    EXPECT_EQ(LightmapPagesUsed(), 0);
    // Raw texel coordinates stay in the lightmap slots.
    EXPECT_FLOAT_EQ(FaceTexCoords[0].lightS, -64.0f);
    OpenFrustum();
    WalkFrom(32, 0, 0);
    EXPECT_TRUE(ChainOf(0).empty());
}

// ---- Visibility and traversal

TEST(Visibility, FrontViewerChainsFrontFacesAndClearsEveryMark) {
    LoadAndBuild(MakeTwoRoomLevel());
    OpenFrustum();
    WalkFrom(32, 0, 0);
    EXPECT_EQ(ViewLeaf(), 1);
    EXPECT_EQ(ChainOf(0), std::vector<int32_t>{0});
    EXPECT_FALSE(IsFaceMarked(0));
    EXPECT_FALSE(IsFaceMarked(1)); // side 1: not chained, cleared all the same
    WalkFrom(-32, 0, 0);
    EXPECT_EQ(ViewLeaf(), 2);
    EXPECT_EQ(ChainOf(0), std::vector<int32_t>{1});
    // On the plane itself counts as the front.
    WalkFrom(0, 0, 0);
    EXPECT_EQ(ViewLeaf(), 1);
}

TEST(Visibility, SameLeafTwiceDoesNoWork) {
    LoadAndBuild(MakeTwoRoomLevel());
    OpenFrustum();
    ResetLevelStats();
    WalkFrom(32, 0, 0);
    WalkFrom(40, 10, 0);
    EXPECT_EQ(GetLevelStats()->visibleSetRebuilds, 1);
    EXPECT_EQ(NodeMask(0), 3);
    WalkFrom(-32, 0, 0);
    EXPECT_EQ(GetLevelStats()->visibleSetRebuilds, 2);
}

TEST(Visibility, RunsSkipEightLeafsPerCount) {
    TestLevel level = MakeTwoRoomLevel();
    // 42 leafs; leaf 1's data: leafs 1 and 3, then 3 x 8 hidden, then leaf
    // 34, then leaf 41 (the last byte's bits past leaf 41 name no leaf).
    // Leaf 2 sees everything.
    level.leafs.resize(42, {-1, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}});
    level.models[0].visLeafs = 41;
    level.visData = {0x05, 0x00, 0x03, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    level.leafs[1].visOffset = 0;
    level.leafs[2].visOffset = 5;
    LoadAndBuild(level);
    OpenFrustum();
    WalkFrom(32, 0, 0);
    for (int leaf = 0; leaf < 42; ++leaf) {
        bool expected = leaf == 1 || leaf == 3 || leaf == 34 || leaf == 41;
        EXPECT_EQ(IsLeafVisible(leaf), expected) << leaf;
    }
    EXPECT_EQ(NodeMask(0), 1); // leaf 2 hidden: only the front subtree
    WalkFrom(-32, 0, 0);
    EXPECT_TRUE(IsLeafVisible(2));
    EXPECT_TRUE(IsLeafVisible(40));
}

TEST(Visibility, RowsFollowTheWorldsLeafCountAndStopAtTheLumpsEnd) {
    struct Case {
        const char* name;
        std::function<void(TestLevel&)> change;
        int32_t returned; // by UpdateVisibleLeaves from leaf 2
        std::set<int32_t> visible;
    };
    // Seeing everything sets every bit of the leaf array.
    const std::set<int32_t> Everything = {0, 1, 2, 3, 4, 5, 6, 7};
    const Case cases[] = {
        {"a zero at the lump's end without its count: the rest hidden",
         [](TestLevel& l) {
             l.visData = {0x03, 0x00};
             l.leafs[2].visOffset = 1;
         },
         1,
         {}},
        {"a row cut short after its first byte",
         [](TestLevel& l) {
             l.leafs.resize(42, {-1, -1, {0, 0, 0}, {0, 0, 0}, 0, 0, {}});
             l.models[0].visLeafs = 41;
             l.visData = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x05};
             l.leafs[2].visOffset = 6;
         },
         1,
         {1, 3}},
        {"other models' leafs past visLeafs have no bits",
         [](TestLevel& l) {
             l.leafs.resize(20, {-1, 999, {0, 0, 0}, {0, 0, 0}, 0, 0, {}});
             l.visData = {0x03, 0xFF};
             l.leafs[2].visOffset = 1;
         },
         1,
         {1, 2}},
        {"visLeafs beyond the leafs is cut to them",
         [](TestLevel& l) {
             l.models[0].visLeafs = 1000;
             l.visData = {0x03, 0xFF};
             l.leafs[2].visOffset = 1;
         },
         1,
         {1, 2}},
        {"no visibility data at all: everything, offsets unread",
         [](TestLevel& l) {
             l.visData.clear();
             l.leafs[1].visOffset = 0;
             l.leafs[2].visOffset = 0;
         },
         0, Everything},
        {"a leaf past visLeafs has no row: everything, its offset unread",
         [](TestLevel& l) {
             l.models[0].visLeafs = 1;
             l.leafs[2].visOffset = 999;
         },
         0, Everything},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestLevel level = MakeTwoRoomLevel();
        c.change(level);
        LoadAndBuild(level);
        OpenFrustum();
        const float back[3] = {-32, 0, 0};
        SetViewPosition(back);
        EXPECT_EQ(UpdateVisibleLeaves(), c.returned);
        EXPECT_EQ(ViewLeaf(), 2);
        // Every bit the leaf array holds, its last byte's spare bits too, so
        // that a bit set past the last leaf shows without the sanitizers.
        EXPECT_EQ(VisibleLeafs((BspData.numLeafs / 8 + 1) * 8), c.visible);
    }
}

TEST(Visibility, LeafWithoutDataOrLeafZeroSeesEverything) {
    TestLevel level = MakeTwoRoomLevel();
    level.visData = {0x01}; // leaf 1 sees only itself
    level.leafs[2].visOffset = -1;
    LoadAndBuild(level);
    OpenFrustum();
    const float front[3] = {32, 0, 0};
    SetViewPosition(front);
    EXPECT_EQ(UpdateVisibleLeaves(), 1);
    EXPECT_FALSE(IsLeafVisible(2));
    const float back[3] = {-32, 0, 0};
    SetViewPosition(back);
    EXPECT_EQ(UpdateVisibleLeaves(), 0);
    EXPECT_TRUE(IsLeafVisible(0));
    EXPECT_TRUE(IsLeafVisible(1));
    EXPECT_EQ(NodeMask(0), 3);

    // A root that is leaf 0 itself: everything, and nothing to walk.
    level = MakeTwoRoomLevel();
    level.models[0].headNode[0] = -1;
    LoadAndBuild(level);
    SetViewPosition(front);
    EXPECT_EQ(UpdateVisibleLeaves(), 0);
    EXPECT_EQ(ViewLeaf(), 0);
}

TEST(Visibility, LeafBehindAFrustumPlaneGivesNoFaces) {
    TestLevel level = MakeTwoRoomLevel();
    // Face 0 only in leaf 1, face 1 only in leaf 2.
    level.leafs[1].numMarkSurfaces = 1;
    level.leafs[2].firstMarkSurface = 1;
    level.leafs[2].numMarkSurfaces = 1;
    LoadAndBuild(level);
    // Every plane accepts everything but one: x >= 1 (leaf 2 lies wholly at x <= 0).
    float planes[FrustumPlaneCount][4] = {};
    for (auto& plane : planes) {
        plane[0] = 1.0f;
        plane[3] = 1.0e9f;
    }
    planes[4][3] = -1.0f;
    SetFrustumPlanes(planes);
    ResetLevelStats();
    const float view[3] = {32, 0, 0};
    SetViewPosition(view);
    UpdateVisibleLeaves();
    EXPECT_EQ(MarkVisibleFaces(BspRoot()), 1);
    EXPECT_TRUE(IsFaceMarked(0));
    EXPECT_FALSE(IsFaceMarked(1));
    EXPECT_EQ(GetLevelStats()->leafsVisible, 1);
}

TEST(Visibility, BoxSidesAgainstAPlane) {
    const int16_t mins[3] = {-10, -10, -10};
    const int16_t maxs[3] = {10, 10, 10};
    auto plane = [](float nx, float ny, float nz, float dist) {
        FrustumPlane p{{nx, ny, nz}, dist, 0};
        p.signBits = PlaneSignBits(p.normal);
        return p;
    };
    FrustumPlane front = plane(1, 0, 0, 20);  // x >= -20: all inside
    FrustumPlane back = plane(-1, 0, 0, -20); // x <= -20: all outside
    FrustumPlane cross = plane(0, -1, 0, 0);  // y <= 0: both
    FrustumPlane touch = plane(0, 0, 1, -10); // z >= 10: the top face touches
    EXPECT_EQ(BoxOnPlaneSide(mins, maxs, &front), 1);
    EXPECT_EQ(BoxOnPlaneSide(mins, maxs, &back), 2);
    EXPECT_EQ(BoxOnPlaneSide(mins, maxs, &cross), 3);
    EXPECT_EQ(BoxOnPlaneSide(mins, maxs, &touch), 3);
}

TEST(Visibility, FacesWithoutLightmapsNeverEnterAChain) {
    TestLevel level = MakeTwoRoomLevel();
    level.faces[0].lightOffset = -1;
    LoadAndBuild(level);
    OpenFrustum();
    WalkFrom(32, 0, 0);
    EXPECT_TRUE(ChainOf(0).empty());
    EXPECT_FALSE(IsFaceMarked(0));
}

// ---- Frustum

TEST(Frustum, IdentityMatricesGiveTheUnitCube) {
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float planes[FrustumPlaneCount][4];
    ComputeFrustumPlanes(identity, identity, planes);
    const float expected[FrustumPlaneCount][4] = {
        {-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1}, // right x <= 1, left x >= -1, bottom
        {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}, // top, far z <= 1, near z >= -1
    };
    for (int i = 0; i < FrustumPlaneCount; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_FLOAT_EQ(planes[i][j], expected[i][j]) << i << "," << j;
        }
    }
}

TEST(Frustum, ScaledPlanesAreNormalisedAndSignBitsFollowNegativeComponents) {
    float plane[4] = {0, 3, 4, 10};
    NormalizePlane(plane);
    EXPECT_FLOAT_EQ(plane[1], 0.6f);
    EXPECT_FLOAT_EQ(plane[2], 0.8f);
    EXPECT_FLOAT_EQ(plane[3], 2.0f);
    const float down[3] = {0, -1, 0};
    const float diagonal[3] = {-0.5f, 0, -0.5f};
    const float positive[3] = {0.5f, 0, 0.5f};
    const float negativeZero[3] = {-0.0f, 0, 0};
    EXPECT_EQ(PlaneSignBits(down), 2);
    EXPECT_EQ(PlaneSignBits(diagonal), 5);
    EXPECT_EQ(PlaneSignBits(positive), 0);
    EXPECT_EQ(PlaneSignBits(negativeZero), 0);
}

// ---- Player start

TEST(Entities, PlayerStartCases) {
    struct Case {
        const char* text;
        float x, y, z, angle;
    };
    const Case cases[] = {
        {"{ \"classname\" \"info_player_start\" \"origin\" \"128 -64 24\" \"angle\" \"90\" }", 128,
         -64, 24, 90},
        {"{ \"classname\" \"info_player_deathmatch\" \"origin\" \"1 2 3\" }"
         "{ \"classname\" \"info_player_deathmatch\" \"origin\" \"4 5 6\" }",
         1, 2, 3, 0},
        {"{ \"origin\" \"7 7 7\" \"classname\" \"info_player_deathmatch\" }"
         "{ \"origin\" \"010 0 0\" \"classname\" \"info_player_start\" }",
         8, 0, 0, 0}, // the start wins; 010 is octal
        {"{ \"classname\" \"info_player_start\" \"origin\" \"0x10 2.75 -3\" }"
         "{ \"classname\" \"lamp\" \"angle\" \"45\" }",
         16, 2, -3, 0}, // a later entity's angle is ignored; fractions dropped
        {"{ \"classname\" \"info_player_start\" }{ \"origin\" \"9 8 7\" \"angle\" \"30\" }", 9, 8,
         7, 0}, // origin from a later entity, angle not
        {"{ \"classname\" \"info_player_start\" \"origin\" \"12345678901 5 6\" }", 123456789.0f, 1,
         5, 0}, // tokens stop at nine characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        float position[3] = {-1, -1, -1};
        float angle = -1;
        FindPlayerStartIn(c.text, position, &angle);
        EXPECT_EQ(position[0], c.x);
        EXPECT_EQ(position[1], c.y);
        EXPECT_EQ(position[2], c.z);
        EXPECT_EQ(angle, c.angle);
    }
}

TEST(Entities, NoStartAndTruncatedTextsAreSafe) {
    float position[3] = {-1, -1, -1};
    float angle = -1;
    FindPlayerStartIn("{ \"classname\" \"world\" }", position, &angle);
    EXPECT_EQ(position[0], -1);
    EXPECT_EQ(angle, -1);
    // The text ends inside the origin's value, or right after a key. Each
    // text is read twice: followed, past its zero byte, by digits that a
    // reader running past the end would pick up, and exactly sized, which the
    // sanitizer build checks.
    struct Case {
        const char* text;
        float x, y, z, angle;
    };
    const Case cases[] = {
        {"info_player_start\" \"origin\" \"12", 12, 0, 0, 0},
        {"info_player_start origin", 0, 0, 0, 0},
        {"info_player_start angle", -1, -1, -1, 0}, // no origin: the position stays
    };
    const std::string bait = "123456789 77 88 99";
    for (const Case& c : cases) {
        std::vector<char> exact(c.text, c.text + std::strlen(c.text) + 1);
        std::vector<char> baited = exact;
        baited.insert(baited.end(), bait.c_str(), bait.c_str() + bait.size() + 1);
        for (const std::vector<char>* text : {&baited, &exact}) {
            SCOPED_TRACE(std::string(c.text) + (text == &baited ? " (baited)" : " (exact)"));
            float p[3] = {-1, -1, -1};
            float a = -1;
            FindPlayerStartIn(text->data(), p, &a);
            EXPECT_EQ(p[0], c.x);
            EXPECT_EQ(p[1], c.y);
            EXPECT_EQ(p[2], c.z);
            EXPECT_EQ(a, c.angle);
        }
    }
    char token[EntityTokenLength + 1];
    const char* source = "abc def";
    EXPECT_EQ(ReadEntityToken(source, token), source + 3);
    EXPECT_STREQ(token, "abc");
    const char ended[] = "ab\0"
                         "1234567";
    EXPECT_EQ(ReadEntityToken(ended, token), ended + 2);
    EXPECT_STREQ(token, "ab");
}

// ---- Camera track

TEST(CameraTrack, KeysExactlyAtTheirTimes) {
    BuildCameraTrack();
    const CameraTrack* track = GetCameraTrack();
    ASSERT_EQ(track->count, 22);
    EXPECT_EQ(track->lastTime, 35);
    const int32_t times[22] = {0,  1,  3,  5,  6,  8,  10, 11, 13, 15, 17,
                               18, 20, 22, 23, 25, 27, 28, 30, 32, 34, 35};
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(track->keys[i].time, times[i]);
    }
    double values[6];
    EvaluateCameraTrack(track, values, 0.0);
    EXPECT_EQ(values[0], static_cast<double>(740.88806f));
    EXPECT_EQ(values[5], static_cast<double>(359.4375f));
    EvaluateCameraTrack(track, values, 17.0);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(values[c], track->keys[10].values[c]) << c;
    }
    // Past the last key the camera rests on it.
    EvaluateCameraTrack(track, values, 35.5);
    EXPECT_EQ(values[2], static_cast<double>(-191.86617f));
}

TEST(CameraTrack, BetweenKeysFollowsTheSplineOfTheKeyTable) {
    // Worked out apart from the code, in exact fractions, from the key table
    // (single-precision values) and the Catmull-Rom rule on the key times:
    // the first segment, an inner one at u = 1/2 and at u = 5/8, and the last.
    struct Case {
        double time;
        double values[6];
    };
    const Case cases[] = {
        {0.5, {741.619804382, -1327.934758504, 206.810461362, 34.666666667, 0, 359.1875}},
        {2.0, {756.181629181, -1258.996495565, 86.249625315, 42.295572917, 0, 364.921875}},
        {7.25, {479.305270314, -680.251492023, 5.530840766, 90.717773438, 0, 249.213623047}},
        {34.5, {191.061865489, 448.742937724, -88.390414039, 43.6796875, 0, -73.807291667}},
    };
    BuildCameraTrack();
    const CameraTrack* track = GetCameraTrack();
    for (const Case& c : cases) {
        double values[6];
        EvaluateCameraTrack(track, values, c.time);
        for (int channel = 0; channel < 6; ++channel) {
            EXPECT_NEAR(values[channel], c.values[channel], 1e-6)
                << "time " << c.time << ", channel " << channel;
        }
    }
    double h[4];
    HermiteBasis(0.5, h);
    EXPECT_DOUBLE_EQ(h[0], 0.5);
    EXPECT_DOUBLE_EQ(h[1], 0.5);
    EXPECT_DOUBLE_EQ(h[2], 0.125);
    EXPECT_DOUBLE_EQ(h[3], -0.125);
}

TEST(CameraTrack, ClockWrapsToExactlyZero) {
    BuildCameraTrack();
    Camera* camera = NewCamera();
    UpdateCameraTrack(35.6f, camera);
    EXPECT_FLOAT_EQ(CameraTrackTime(), 35.6f);
    EXPECT_EQ(camera->position.z, static_cast<float>(-191.86617f)); // holding the last key
    UpdateCameraTrack(0.2f, camera);
    EXPECT_EQ(CameraTrackTime(), 0.0f);
    EXPECT_EQ(camera->position.x, 740.88806f);
    EXPECT_EQ(camera->angles.x, 81.375f);
    FreeCamera(camera);
}

} // namespace

namespace {

// ---- The inspection tool

TEST(InspectTool, DescribesALevel) {
    ExpectInspection(InspectLevel(MakeTwoRoomLevel()), 0,
                     {"planes 1, vertexes 4, nodes 1, leafs 3, clip nodes 0", "textures: 2 slots",
                      "0: wall 16 x 16", "1: absent",
                      "faces with a lightmap 2, without 0; lightmap pages used 1 of 64",
                      "world leafs with visibility data 2 of 2; each sees 100.0% of them",
                      "player start (32, 0, 8), angle 90"});
    TestLevel damaged = MakeTwoRoomLevel();
    damaged.nodes[0].planeNum = 4;
    ExpectInspection(InspectLevel(damaged), 1,
                     {"Error: LoadBSPFile: node 0 names a missing plane"});
}

} // namespace

#include "math/random.h"
#include "scenes/feedback_cubes.h"
#include "scenes/level_scene.h"
#include "scenes/switch_off.h"
#include "shell/demo.h"
#include "shell/display.h"
#include "shell/sequencer.h"
#include "support/test_display.h"
#include "tools/bench/large_level.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <filesystem>
#include <new>

// Every allocation through operator new in this test program is counted, so
// that a test can see that the level's frames allocate nothing. Both ends go
// to malloc and free, which GCC cannot see through once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
static long NewCalls;
static void* CountedAllocation(std::size_t size) noexcept {
    ++NewCalls;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    if (void* block = CountedAllocation(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocation(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace {

// ---- Drawing the chains

// Starts a level frame on a cleared picture with the scene's projection.
void BeginTestLevelPicture() {
    BeginLevelFrame();
    EnableMultitexture();
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 640.0 / 480.0, 4.0, 4096.0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Builds, uploads and draws the level from position looking along yaw
// degrees (0: +y, 90: -x), with the scene's projection.
void DrawLevelFrom(float x, float y, float z, float yaw) {
    BeginTestLevelPicture();
    Camera* camera = NewCamera();
    SetCameraAngles(camera, 90, 0, yaw);
    SetCameraPosition(camera, x, y, z);
    ApplyCamera(camera);
    FreeCamera(camera);
    UpdateFrustum();
    WalkFrom(x, y, z);
    DrawTextureChains();
    glFlush();
    DisableMultitexture();
}

// Loads and builds the level file on the test display, its textures and
// lightmaps uploaded and multitexturing on, ready to draw.
void UploadLevelFile(const std::string& path, const Palette& palette) {
    OpenTestDisplay();
    LoadAndBuildFile(path, palette);
    UploadLevelTextures();
    UploadLightmaps();
    LoadMultitexture();
}

// The same for a test level, with the grey palette.
void UploadTestLevel(const TestLevel& level) {
    UploadLevelFile(WriteTestLevel(level, "bsp"), GreyPalette());
}

TEST(LevelDrawing, FacesShowTextureTimesLightmap) {
    TestLevel level = MakeTwoRoomLevel();
    level.textureData = MakeTextureLump({{"wall", 16, 16, 200, false}, {"", 0, 0, 0, true}});
    UploadTestLevel(level); // lightmap samples 100 store 200
    DrawLevelFrom(32, 0, 0, 90);
    std::vector<uint8_t> centre = ReadPictureRgb(320, 240, 1, 1);
    EXPECT_NEAR(centre[0], 200 * 200 / 255, 8);
    EXPECT_NEAR(centre[1], 200 * 200 / 255, 8);
    // Looking away (+x) nothing is in view: the leaf box test drops both.
    DrawLevelFrom(32, 0, 0, 270);
    EXPECT_EQ(ReadPictureRgb(320, 240, 1, 1), std::vector<uint8_t>({0, 0, 0}));
}

TEST(LevelDrawing, BindsOncePerTextureAndPagePerFrame) {
    TestLevel level = MakeTwoRoomLevel();
    level.faces[1].side = 0; // both faces drawn from the front
    UploadTestLevel(level);
    DrawLevelFrom(32, 0, 0, 90);
    const LevelStats* stats = GetLevelStats();
    EXPECT_EQ(stats->facesDrawn, 2);
    EXPECT_EQ(stats->textureBinds, 1); // slot 1 has an empty chain: no bind
    EXPECT_EQ(stats->lightmapBinds, 1);
    // The next frame binds its first page again.
    DrawLevelFrom(32, 0, 0, 90);
    EXPECT_EQ(stats->lightmapBinds, 1);
    EXPECT_EQ(stats->facesDrawn, 2);
}

// ---- Chains drawn grouped by lightmap page

TEST(LevelDrawing, ChainsAreOrderedByPageFromTheFirstPageKeepingChainOrder) {
    FaceLightmaps.assign(8, FaceLightmap{-1, 0, 0});
    const int32_t pages[6] = {3, 1, 3, 0, 1, 63};
    for (int32_t f = 0; f < 6; ++f) {
        FaceLightmaps[static_cast<size_t>(f)].page = pages[f];
    }
    const int32_t chain[6] = {0, 1, 2, 3, 4, 5};
    struct Case {
        int32_t firstPage;
        std::vector<int32_t> order;
    };
    const Case cases[] = {
        {0, {3, 1, 4, 0, 2, 5}},  // pages 0, 1, 3, 63
        {3, {0, 2, 5, 3, 1, 4}},  // 3, 63, then round to 0 and 1
        {2, {0, 2, 5, 3, 1, 4}},  // an empty first page changes nothing
        {63, {5, 3, 1, 4, 0, 2}}, // 63, 0, 1, 3
    };
    for (const Case& c : cases) {
        std::vector<int32_t> ordered(6, -1);
        OrderFacesByPage(chain, 6, c.firstPage, ordered.data());
        EXPECT_EQ(ordered, c.order) << "from page " << c.firstPage;
    }
    // A chain in walk order, not face order, keeps its own order per page.
    const int32_t walked[4] = {4, 2, 1, 0};
    std::vector<int32_t> ordered(4, -1);
    OrderFacesByPage(walked, 4, 0, ordered.data());
    EXPECT_EQ(ordered, std::vector<int32_t>({4, 1, 2, 0}));
}

// The chains as the walk filled them, drawn face after face in chain order:
// the drawing before faces were grouped by page, for comparison.
void DrawChainsInWalkOrder() {
    for (const LevelTexture& texture : LevelTextures) {
        if (texture.chain[0] == 0) {
            continue;
        }
        ActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, GetImage(texture.image)->textureName);
        ActiveTextureARB(GL_TEXTURE1_ARB);
        for (int32_t i = 1; i <= texture.chain[0]; ++i) {
            DrawLevelFace(texture.chain[static_cast<size_t>(i)]);
        }
    }
}

// The whole picture of the loaded level seen by camera, with the chains
// drawn by draw; lightmapBinds gets the frame's lightmap binds.
std::vector<uint8_t> PictureOfLevel(const Camera* camera, void (*draw)(), int32_t* lightmapBinds) {
    BeginTestLevelPicture();
    glEnable(GL_DEPTH_TEST); // as the level scene draws
    glDepthFunc(GL_LEQUAL);
    ApplyCamera(camera);
    UpdateFrustum();
    // Forgetting the view leaf makes each picture rebuild its visible set.
    ForgetViewLeaf();
    WalkFrom(camera->position.x, camera->position.y, camera->position.z);
    draw();
    glFlush();
    DisableMultitexture();
    glDisable(GL_DEPTH_TEST);
    *lightmapBinds = GetLevelStats()->lightmapBinds;
    return ReadPictureRgb(0, 0, 640, 480);
}

// Compares the grouped drawing with the walk's order from every camera;
// returns the lightmap binds of both, summed over the cameras.
std::pair<int32_t, int32_t> ExpectSamePictures(const std::vector<Camera*>& cameras,
                                               const std::string& level) {
    std::pair<int32_t, int32_t> binds{0, 0};
    for (size_t i = 0; i < cameras.size(); ++i) {
        int32_t walkBinds = 0;
        int32_t groupedBinds = 0;
        std::vector<uint8_t> walk = PictureOfLevel(cameras[i], DrawChainsInWalkOrder, &walkBinds);
        std::vector<uint8_t> grouped = PictureOfLevel(cameras[i], DrawTextureChains, &groupedBinds);
        size_t lit = static_cast<size_t>(
            std::count_if(walk.begin(), walk.end(), [](uint8_t v) { return v != 0; }));
        EXPECT_GT(lit, walk.size() / 20) << level << " view " << i << " shows too little";
        size_t differing = 0;
        for (size_t k = 0; k < walk.size(); k += 3) {
            differing += walk[k] != grouped[k] || walk[k + 1] != grouped[k + 1] ||
                         walk[k + 2] != grouped[k + 2];
        }
        EXPECT_EQ(differing, 0u) << level << " view " << i << " differs when grouped";
        EXPECT_LE(groupedBinds, walkBinds) << level << " view " << i;
        binds.first += walkBinds;
        binds.second += groupedBinds;
    }
    return binds;
}

Camera* LookAtCamera(float x, float y, float z, float tx, float ty, float tz) {
    Camera* camera = NewCamera();
    SetCameraPosition(camera, x, y, z);
    SetCameraTarget(camera, tx, ty, tz);
    camera->lookAtMode = 1;
    return camera;
}

TEST(LevelDrawing, GroupingByPageChangesNoPixelOfLevelsWithoutDepthTies) {
    // These levels have no two faces of one texture at the same 16-bit
    // depth on any pixel, so the order cannot show. Rooms on two storeys:
    // about 2,500 faces over five pages.
    LargeLevelShape shape;
    shape.rooms[0] = shape.rooms[1] = 4;
    shape.rooms[2] = 2;
    TestLevel rooms;
    static_cast<BspRecords&>(rooms) = MakeLargeLevel(shape);
    UploadTestLevel(rooms);
    ASSERT_GE(LightmapPagesUsed(), 4);
    std::vector<Camera*> cameras = {
        LookAtCamera(-250, -350, 800, 512, 512, 192),   // outside, all of it in view
        LookAtCamera(128, 128, 96, 900, 700, 200),      // inside the first room
        LookAtCamera(900, 600, 300, 100, 200, 100),     // in a room of the upper storey
        LookAtCamera(1300, 1200, -300, 512, 512, 192)}; // outside, from below
    std::pair<int32_t, int32_t> binds = ExpectSamePictures(cameras, "rooms");
    // The faces really were drawn in another order.
    EXPECT_LT(binds.second, binds.first);
    for (Camera* camera : cameras) {
        FreeCamera(camera);
    }

    TestLevel twoRooms = MakeTwoRoomLevel();
    twoRooms.textureData = MakeTextureLump({{"wall", 16, 16, 200, false}, {"", 0, 0, 0, true}});
    twoRooms.faces[1].side = 0; // both faces seen from the front
    UploadTestLevel(twoRooms);
    Camera* camera = LookAtCamera(40, 10, 5, 0, 0, 0);
    ExpectSamePictures({camera}, "two rooms");
    FreeCamera(camera);

    // A map compiler's level: other models, absent slots, unlit faces.
    UploadTestLevel(MakeCompiledLevel());
    camera = LookAtCamera(48, 0, 0, 0, 0, 0);
    ExpectSamePictures({camera}, "compiled");
    FreeCamera(camera);
}

// The show's level from the track, once the build has made it: its faces
// never tie in depth, so grouping changes none of its pixels.
TEST(LevelDrawing, GroupingByPageChangesNoPixelOfTheShowsLevelWhichHasNoDepthTies) {
    std::string data = std::string(TESSALINE_BINARY_DIR) + "/data/bsp/";
    if (!std::filesystem::exists(data + "qorldm1.bsp")) {
        GTEST_SKIP() << "no level in the build's data yet";
    }
    Palette palette;
    ASSERT_EQ(ReadPaletteFile((data + "palette.lmp").c_str(), &palette), 0);
    UploadLevelFile(data + "qorldm1.bsp", palette);
    BuildCameraTrack();
    std::vector<Camera*> cameras;
    Camera* flying = NewCamera();
    for (int i = 0; i < 12; ++i) {
        UpdateCameraTrack(i == 0 ? 0.0f : 2.9f, flying);
        Camera* camera = NewCamera();
        *camera = *flying;
        cameras.push_back(camera);
    }
    FreeCamera(flying);
    ExpectSamePictures(cameras, "the show's level");
    for (Camera* camera : cameras) {
        FreeCamera(camera);
    }
}

// ---- The level scene's frames

// A data folder with the level, its palette and the backdrop picture; the
// working directory moves there.
void EnterLevelData() {
    std::string dir = MakeScratchDir("level-scene");
    WriteLevelSceneFixtures(dir);
    std::filesystem::current_path(dir);
}

int Presented;
void CountPresent(void*) {
    ++Presented;
}

class LevelScene : public ::testing::Test {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        EnterLevelData();
        RestartRandom(); // as in a fresh process, whatever ran before
        LevelSceneLoad();
        LevelSceneStart();
        SetPresentHook(CountPresent, nullptr);
        Presented = 0;
        QuitRequested = 0;
    }
    void TearDown() override { SetPresentHook(nullptr, nullptr); }

    void Frame(float t, float dt) {
        SceneTime = t;
        LevelSceneFrame(dt);
    }

    // Marks every cube picture so that a read-back shows.
    void MarkCubeImages() {
        for (int image : CubeImages) {
            std::vector<uint8_t>& pixels = GetImage(image)->pixels;
            std::fill(pixels.begin(), pixels.end(), 0xAB);
        }
    }
    bool CubeImageRead(int i) { return GetImage(CubeImages[i])->pixels[0] != 0xAB; }
};

TEST_F(LevelScene, LoadSetsUpCamerasCubesAndPlayerStart) {
    EXPECT_EQ(LevelCamera->lookAtMode, 0);
    EXPECT_EQ(LevelCamera->angles.z, 90.0f + 270.0f);
    EXPECT_EQ(LevelCamera->position.x, 32.0f);
    EXPECT_EQ(CubeCamera->lookAtMode, 1);
    EXPECT_EQ(CubeCamera->position.z, -50.0f);
    EXPECT_EQ(FeedbackCubes[1].position.x, -15.0f);
    EXPECT_EQ(FeedbackCubes[5].size, 64);
    // The load drew the generator's first twelve values (41, 18467, 6334,
    // 26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705, 28145), two per
    // cube, each as (value mod 200) - 100.
    const float spins[6][2] = {{-59, -33}, {34, 0}, {69, 24}, {-22, 58}, {62, -36}, {5, 45}};
    for (int i = 0; i < FeedbackCubeCount; ++i) {
        EXPECT_EQ(FeedbackCubes[i].spin.x, spins[i][0]) << i;
        EXPECT_EQ(FeedbackCubes[i].spin.z, spins[i][1]) << i;
        EXPECT_EQ(FeedbackCubes[i].spin.y, 0.0f) << i;
    }
    EXPECT_EQ(CubeTintBoost, 2.0f);
}

TEST_F(LevelScene, FlythroughFadesToWhiteFrom34Seconds) {
    Frame(34.0f, 0.02f);
    EXPECT_EQ(Presented, 1);
    EXPECT_NE(ReadPictureRgb(10, 10, 1, 1), std::vector<uint8_t>({255, 255, 255}));
    Frame(35.0f, 0.02f);
    for (auto [x, y] : {std::pair{0, 0}, {320, 240}, {639, 479}}) {
        EXPECT_EQ(ReadPictureRgb(x, y, 1, 1), std::vector<uint8_t>({255, 255, 255}));
    }
    EXPECT_EQ(Presented, 2);
}

TEST_F(LevelScene, CubeSegmentsReadTheirCornersFromTheBoundaryOn) {
    MarkCubeImages();
    Frame(35.99f, 0.01f);
    EXPECT_FALSE(CubeImageRead(0));
    Frame(36.0f, 0.01f); // two cubes from 256 x 128
    EXPECT_TRUE(CubeImageRead(0));
    EXPECT_TRUE(CubeImageRead(1));
    EXPECT_FALSE(CubeImageRead(2));
    MarkCubeImages();
    Frame(42.0f, 0.01f); // four cubes from 64-pixel blocks
    EXPECT_FALSE(CubeImageRead(0));
    for (int i = 2; i < 6; ++i) {
        EXPECT_TRUE(CubeImageRead(i)) << i;
    }
    EXPECT_EQ(CubeCamera->position.z, -50.0f);
    Frame(47.99f, 0.01f);
    EXPECT_EQ(CubeCamera->position.z, -50.0f);
    Frame(48.0f, 0.01f); // the spinning group
    EXPECT_EQ(CubeCamera->position.z, -70.0f);
    EXPECT_EQ(FeedbackCubes[5].position.x, -20.0f);
    EXPECT_EQ(FeedbackCubes[5].position.y, 20.0f);
    EXPECT_EQ(Presented, 5);
    EXPECT_EQ(SwitchOffInsetV, 0.0f);
}

TEST_F(LevelScene, BlocksComeFromTheirCornersOfThePicture) {
    // Block 4 is the window rectangle whose lower left corner is (0, 64): a
    // white square drawn there (and nowhere else in the 128 x 128 corner)
    // shows up in cube image 4 alone.
    MarkCubeImages();
    Frame(42.0f, 0.01f);
    glViewport(0, 0, 640, 480);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 64, 64, 64);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    ReadCubeBlocks();
    EXPECT_EQ(GetImage(CubeImages[4])->pixels[0], 255);
    EXPECT_EQ(GetImage(CubeImages[4])->pixels.back(), 255);
    for (int i : {2, 3, 5}) {
        EXPECT_EQ(GetImage(CubeImages[i])->pixels[0], 0) << i;
        EXPECT_EQ(GetImage(CubeImages[i])->pixels.back(), 0) << i;
    }
    // The two-cube segment reads two 128-pixel squares side by side.
    glEnable(GL_SCISSOR_TEST);
    glScissor(128, 0, 128, 128);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    ReadCubeImage(0, 0, 0);
    ReadCubeImage(1, 128, 0);
    EXPECT_EQ(GetImage(CubeImages[0])->pixels.back(), 0);
    EXPECT_EQ(GetImage(CubeImages[1])->pixels[0], 255);
}

TEST_F(LevelScene, TintBoostFallsToOneAndStays) {
    const float expected[] = {1.75f, 1.5f, 1.25f, 1.0f, 1.0f, 1.0f};
    float t = 48.0f;
    for (float value : expected) {
        Frame(t, 0.25f);
        EXPECT_EQ(CubeTintBoost, value);
        t += 0.25f;
    }
    // Boosted colours stay clamped at 1.
    EXPECT_LE(FeedbackCubes[2].fillColour.x, 1.0f);
}

TEST_F(LevelScene, SwitchOffShrinksToALineThenADotThenQuits) {
    Frame(51.9f, 0.01f); // the show always arrives from the spinning group
    Frame(52.0f, 0.1f);
    EXPECT_EQ(SwitchOffInsetV, 80.0f);
    EXPECT_EQ(SwitchOffInsetH, 0.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 80, 640, 320}));
    EXPECT_EQ(ReadPictureRgb(320, 79, 1, 1), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(ReadPictureRgb(320, 80, 1, 1), std::vector<uint8_t>({255, 255, 255}));
    EXPECT_EQ(ReadPictureRgb(0, 399, 1, 1), std::vector<uint8_t>({255, 255, 255}));
    EXPECT_EQ(ReadPictureRgb(0, 400, 1, 1), std::vector<uint8_t>({0, 0, 0}));
    int frames = 1;
    float t = 52.0f;
    while (!QuitRequested && frames < 100) {
        t += 0.1f;
        Frame(t, 0.1f);
        ++frames;
    }
    // 0.3 s to the line, 0.8 s to the dot, half a second of the dot.
    EXPECT_GE(frames, 14);
    EXPECT_LE(frames, 16);
    EXPECT_EQ(SwitchOffInsetV, 239.0f);
    EXPECT_EQ(SwitchOffInsetH, 319.0f);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({319, 239, 2, 2}));
    EXPECT_EQ(ReadPictureRgb(319, 239, 1, 1), std::vector<uint8_t>({255, 255, 255}));
    EXPECT_EQ(ReadPictureRgb(318, 239, 1, 1), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(Presented, frames + 1);
}

TEST_F(LevelScene, FramesAllocateNothing) {
    // Every branch once first: the OpenGL driver builds what it needs for
    // each new kind of drawing the first time it meets it.
    const float times[] = {2.0f, 35.0f, 37.0f, 41.0f, 43.0f, 47.0f, 49.0f, 51.0f, 52.0f};
    for (float t : times) {
        Frame(t, 0.02f);
    }
    long before = NewCalls;
    for (float t : times) {
        Frame(t, 0.02f);
    }
    EXPECT_EQ(NewCalls, before);
}

// The level a map compiler would write, played through the scene: its
// world shows from inside it, from inside the door's slab and from outside;
// the other models, liquids, sky and absent slots never do (their pictures
// are red, the world's grey).
TEST(LevelSceneCompiledLevel, ShowsTheWorldAndNothingElse) {
    OpenTestDisplay();
    std::string dir = MakeScratchDir("level-scene-compiled");
    WriteLevelSceneFixtures(dir, MakeCompiledLevel());
    std::filesystem::current_path(dir);
    LevelSceneLoad();
    // The show arrives here with a fresh context's texture units: unit 0
    // active and unit 1 modulating. Tests before this one in the process may
    // have left them otherwise.
    if (ActiveTextureARB != nullptr) {
        ActiveTextureARB(GL_TEXTURE1_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        ActiveTextureARB(GL_TEXTURE0_ARB);
    }
    LevelSceneStart();
    SetPresentHook(CountPresent, nullptr);
    // The mipmap builder scaled the brick's 64 x 48 to power-of-two sides.
    ActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, GetImage(LevelTextures[2].image)->textureName);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 64);
    EXPECT_GT(height, 0);
    EXPECT_EQ(height & (height - 1), 0) << height;

    struct View {
        const char* name;
        float x, y, z;
        int32_t leaf;
    };
    const View views[] = {{"inside", 48, 0, 0, 1},
                          {"inside the door's slab", 20, 0, -20, 1},
                          {"outside", 200, 0, 0, 0}};
    const std::set<int32_t> worldFaces = {0, 1, 4, 7};
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        SetCameraAngles(LevelCamera, 90, 0, 90); // looking along -x, at the wall
        SetCameraPosition(LevelCamera, view.x, view.y, view.z);
        DrawLevelView();
        EXPECT_EQ(ViewLeaf(), view.leaf);
        std::set<int32_t> chained = ChainedFaces();
        EXPECT_TRUE(chained.count(0)) << "the wall";
        EXPECT_TRUE(
            std::includes(worldFaces.begin(), worldFaces.end(), chained.begin(), chained.end()));
        EXPECT_EQ(GetLevelStats()->facesDrawn, static_cast<int32_t>(chained.size()));
        // The wall: grey 200 under a lightmap of 200.
        std::vector<uint8_t> centre = ReadPictureRgb(320, 240, 1, 1);
        EXPECT_NEAR(centre[0], 200 * 200 / 255, 8);
        EXPECT_EQ(centre[0], centre[2]);
        std::vector<uint8_t> picture = ReadPictureRgb(0, 0, 640, 480);
        int red = 0;
        for (size_t i = 0; i < picture.size(); i += 3) {
            red += picture[i] > picture[i + 1] + 16 ? 1 : 0;
        }
        EXPECT_EQ(red, 0);
    }
    // The whole scene once, wherever its track takes the camera.
    for (float t : {1.0f, 35.0f, 37.0f, 43.0f, 49.0f, 52.0f}) {
        SceneTime = t;
        LevelSceneFrame(0.02f);
    }
    SetPresentHook(nullptr, nullptr);
    LevelSceneEnd();
}

TEST_F(LevelScene, TrackAdvancesOnlyWhileTheLevelIsDrawn) {
    Frame(1.0f, 0.5f);
    EXPECT_FLOAT_EQ(CameraTrackTime(), 0.5f);
    Frame(40.0f, 0.5f); // drawn into the corner
    EXPECT_FLOAT_EQ(CameraTrackTime(), 1.0f);
    Frame(52.0f, 0.5f); // switch-off: no level
    EXPECT_FLOAT_EQ(CameraTrackTime(), 1.0f);
    LevelSceneEnd();
    EXPECT_EQ(LevelCamera, nullptr);
}

} // namespace
