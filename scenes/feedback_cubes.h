// The level scene's feedback cubes: textured cubes that wear pictures of the
// level read back from the corner of the frame, over a scrolling backdrop.
//
// Owns FeedbackCubes, CubeImages (one square RGB image per cube, re-sent to
// its texture at every draw) and BackdropImage. The cubes are set up by
// InitFeedbackCubes at load; their textures are uploaded at the scene's start.
#pragma once

#include "math/vector.h"

#include <cstdint>

constexpr int FeedbackCubeCount = 6;

struct FeedbackCube {
    Vec3 position;
    Vec3 spin; // degrees per second of SceneTime about x, y, z
    Vec3 fillColour;
    int32_t outline; // non-zero: draw the edges too
    Vec3 outlineColour;
    int32_t size; // texture side in pixels
};

extern FeedbackCube FeedbackCubes[FeedbackCubeCount];
extern int CubeImages[FeedbackCubeCount];
extern int BackdropImage;

// Sets up the six cubes and registers their images (sizes 128, 128, 64, 64,
// 64, 64; no mipmaps, clamped, modulated). The spins about x and z come from
// the shared random generator, in -100 ... 99.
void InitFeedbackCubes();

// Reads the picture's rectangle (x, y from the bottom left, the image's size)
// into cube image i's pixels.
void ReadCubeImage(int i, int x, int y);

// The picture's 128 x 128 corner as four 64 x 64 blocks for cubes 2 ... 5:
// (0, 0), (64, 0), (0, 64) and (64, 64), corners from the bottom left.
void ReadCubeBlocks();

// Two blended, drifting copies of the backdrop over the whole screen, without
// touching the depth buffer.
void DrawScrollingBackdrop();

// Draws cube i at its position: spinning at its rates, or gently rocking.
void DrawFeedbackCube(int i, bool spin);

// One quad list: the six faces of the 20-unit cube round the origin.
void DrawCubeMesh();
