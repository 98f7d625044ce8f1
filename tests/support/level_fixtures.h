// Test support: the files the level scene reads, written under a folder.
#pragma once

#include <string>

struct TestLevel;

// Writes "bsp/qorldm1.bsp" (the two-room level of bsp_builder.h),
// "bsp/palette.lmp" (a grey ramp) and "textures/cubitos.tga" (8 x 8 grey)
// under dir.
void WriteLevelSceneFixtures(const std::string& dir);

// The same with level as "bsp/qorldm1.bsp" and MarkerPalette as the palette.
void WriteLevelSceneFixtures(const std::string& dir, const TestLevel& level);
