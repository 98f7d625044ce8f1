// Test support: the files the level scene reads, written under a folder.
#include "support/level_fixtures.h"

#include "image/palette.h"
#include "support/bsp_builder.h"
#include "support/files.h"
#include "support/scene_fixtures.h"

static void WriteSceneFiles(const std::string& dir, const TestLevel& level,
                            const Palette& palette) {
    WriteFileBytes(dir + "/bsp/qorldm1.bsp", BuildLevelFile(level));
    WriteFileBytes(dir + "/bsp/palette.lmp",
                   std::vector<uint8_t>(palette.rgb, palette.rgb + sizeof palette.rgb));
    WriteFixtureTga(dir + "/textures/cubitos.tga", SolidPicture(8, 8, {128, 128, 128}));
}

void WriteLevelSceneFixtures(const std::string& dir) {
    WriteSceneFiles(dir, MakeTwoRoomLevel(), GreyPalette());
}

void WriteLevelSceneFixtures(const std::string& dir, const TestLevel& level) {
    WriteSceneFiles(dir, level, MarkerPalette());
}
