// The show's level as a designer writes it: open boxes carved out of solid
// rock, solid blocks put back (pillars, ledges, steps, beams), painted
// surfaces (lamp panels, stone, metal) and the point lights.
//
// No state. Every coordinate is a multiple of 16 level units, so that faces,
// texture axes and the 16-unit lightmap grid all line up. The place is laid
// around the flythrough's compiled-in camera track; the level compiler checks
// the track's clearance against the finished tree.
#pragma once

#include <cstdint>
#include <vector>

// How a solid cell's surfaces are textured; the face's orientation picks
// the side, top or bottom texture of its style (see faces.cpp).
enum LevelSurfaceStyle : uint8_t {
    StylePlain, // plaster walls, tiled floor, panelled ceiling
    StyleStone, // rough stone walls
    StyleMetal, // riveted plates all round
    StyleTrim,  // banded edges, tiled tops
    StyleLamp,  // glowing panel all round
    StyleCount
};

struct LayoutBox {
    int32_t mins[3];
    int32_t maxs[3];
};

enum LayoutOpKind : uint8_t {
    OpCarve, // the box becomes open space
    OpFill,  // the box becomes solid with the op's style
    OpPaint, // solid cells inside the box take the op's style; open ones stay open
};

struct LayoutOp {
    LayoutOpKind kind;
    LevelSurfaceStyle style;
    LayoutBox box;
};

// A point light: intensity in lightmap sample units at the light, falling
// off with the square of (1 - distance / radius) to nothing at radius
// (level units). Style 0 is the steady
// light; any other style is stored in a second lightmap of its own.
struct LayoutLight {
    float origin[3];
    float intensity;
    float radius;
    uint8_t style;
};

struct LevelLayout {
    std::vector<LayoutOp> ops; // applied in order over a world of plain solid
    std::vector<LayoutLight> lights;
    int32_t startOrigin[3]; // the player start (the camera track's first key)
    int32_t startAngle;     // degrees about the vertical axis
};

// The show's level.
LevelLayout MakeLevelLayout();
