// The show's level, laid around the flythrough. The camera track is a loop
// of corridors seen from above: it starts high in a stone hall in the south,
// drops to the floor, leaves by the north-west corner, runs north, east,
// north again, west, south into a tall room where it turns on the spot, west
// to a sunken room, north once more and drops into a deep metal shaft.
// The main floor is at z = -64; the camera flies between z = -20 and 22.
#include "tools/data/level/layout.h"

namespace {

struct LayoutWriter {
    LevelLayout* layout;

    void Op(LayoutOpKind kind, LevelSurfaceStyle style, int32_t x0, int32_t y0, int32_t z0,
            int32_t x1, int32_t y1, int32_t z1) {
        layout->ops.push_back({kind, style, {{x0, y0, z0}, {x1, y1, z1}}});
    }
    void Carve(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1, int32_t z1) {
        Op(OpCarve, StylePlain, x0, y0, z0, x1, y1, z1);
    }
    void Fill(LevelSurfaceStyle style, int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1,
              int32_t z1) {
        Op(OpFill, style, x0, y0, z0, x1, y1, z1);
    }
    void Paint(LevelSurfaceStyle style, int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1,
               int32_t z1) {
        Op(OpPaint, style, x0, y0, z0, x1, y1, z1);
    }
    void Light(float x, float y, float z, float intensity, float radius, uint8_t style = 0) {
        layout->lights.push_back({{x, y, z}, intensity, radius, style});
    }
};

// The start hall: 544 x 416 and 384 high, four metal pillars, a ledge high on
// the south wall below the start, a low dais, and a lamp in the ceiling.
void LayHall(LayoutWriter& w) {
    w.Carve(416, -1472, -64, 960, -1056, 320);
    w.Paint(StyleStone, 400, -1488, -80, 976, -1040, 336);
    w.Fill(StyleTrim, 416, -1472, 112, 960, -1440, 144);
    w.Fill(StyleTrim, 576, -1440, -64, 800, -1344, -32);
    w.Fill(StyleMetal, 448, -1408, -64, 512, -1344, 320);
    w.Fill(StyleMetal, 864, -1408, -64, 928, -1344, 320);
    w.Fill(StyleMetal, 448, -1216, -64, 512, -1152, 320);
    w.Fill(StyleMetal, 864, -1216, -64, 928, -1152, 320);
    w.Fill(StyleTrim, 560, -1440, 288, 592, -1056, 320);
    w.Fill(StyleTrim, 784, -1440, 288, 816, -1056, 320);
    w.Paint(StyleLamp, 624, -1328, 320, 752, -1200, 336);
    w.Light(688, -1264, 296, 95, 384);
    w.Light(688, -1264, 32, 120, 416);
    w.Light(440, -1280, 96, 110, 288);
    w.Light(936, -1280, 96, 110, 288);
    w.Light(688, -1456, 176, 80, 256);
}

// North from the hall's west end to a corner room, then east along a low
// corridor with a niche on each side.
void LayFirstCorridors(LayoutWriter& w) {
    w.Carve(416, -1056, -64, 592, -704, 96);
    for (int32_t y : {-992, -864}) {
        w.Fill(StyleTrim, 416, y, -64, 432, y + 32, 96);
        w.Fill(StyleTrim, 576, y, -64, 592, y + 32, 96);
    }
    w.Paint(StyleLamp, 480, -944, 96, 528, -896, 112);
    w.Light(504, -920, 72, 130, 304);
    w.Fill(StyleTrim, 416, -736, 64, 592, -720, 96);

    w.Carve(416, -720, -64, 720, -512, 160);
    w.Fill(StyleTrim, 416, -560, -64, 720, -512, -32);
    w.Light(576, -608, 128, 135, 336);

    w.Carve(720, -704, -64, 1184, -544, 64);
    w.Carve(880, -736, -64, 944, -704, 32);
    w.Carve(1008, -544, -64, 1072, -512, 32);
    w.Paint(StyleLamp, 896, -752, -64, 928, -736, 16);
    w.Paint(StyleLamp, 1024, -512, -64, 1056, -496, 16);
    w.Light(912, -712, 0, 120, 288);
    w.Light(1040, -536, 0, 120, 288);
}

// The east side: a tall corner room with a pillar, a long gallery north with
// a bench along its west wall, and a second corner room.
void LayEastRooms(LayoutWriter& w) {
    w.Carve(1184, -704, -64, 1408, -384, 224);
    w.Fill(StyleMetal, 1312, -688, -64, 1376, -624, 224);
    w.Paint(StyleLamp, 1248, -560, 224, 1344, -464, 240);
    w.Light(1296, -512, 192, 145, 416);

    w.Carve(1216, -384, -64, 1408, 160, 160);
    w.Fill(StyleTrim, 1216, -384, -64, 1248, 160, 32);
    for (int32_t y : {-256, -32}) {
        w.Fill(StyleMetal, 1392, y, -64, 1408, y + 32, 160);
        w.Light(1368, static_cast<float>(y) + 16, 112, 110, 304);
    }

    w.Carve(1152, 160, -64, 1408, 352, 192);
    w.Paint(StyleLamp, 1248, 256, 192, 1312, 320, 208);
    w.Light(1280, 288, 160, 145, 384);
}

// West along a beamed corridor, a corner room, a short passage south and the
// tall room where the camera turns round.
void LayMiddleRooms(LayoutWriter& w) {
    w.Carve(752, 176, -64, 1152, 336, 96);
    w.Fill(StyleTrim, 912, 176, 64, 944, 336, 96);
    w.Fill(StyleTrim, 1040, 176, 64, 1072, 336, 96);
    w.Light(992, 256, 40, 105, 272);
    w.Light(800, 256, 40, 90, 240);

    w.Carve(576, 160, -64, 816, 368, 160);
    w.Light(640, 320, 128, 120, 336);

    w.Carve(608, -32, -64, 752, 160, 96);

    w.Carve(544, -224, -64, 800, -32, 256);
    w.Fill(StyleMetal, 736, -208, -64, 784, -160, 256);
    w.Fill(StyleMetal, 736, -96, -64, 784, -48, 256);
    w.Paint(StyleLamp, 640, -160, 256, 704, -96, 272);
    w.Light(672, -128, 224, 145, 448);
    // A second, differently styled light: these faces carry two lightmaps.
    w.Light(768, -128, 32, 55, 240, 10);
}

// A tall courtyard in the middle of the loop, below the corridors' floor,
// seen through windows from the corridors on three sides.
void LayCourtyard(LayoutWriter& w) {
    w.Carve(864, -480, -160, 1120, 112, 320);
    w.Fill(StyleMetal, 960, -224, -160, 1024, -160, 320);
    w.Carve(880, -544, -16, 944, -480, 48);   // from the first east corridor
    w.Carve(1120, -320, 32, 1216, -256, 112); // from the gallery, above its bench
    w.Carve(1120, -96, 32, 1216, -32, 112);
    w.Carve(960, 112, -16, 1024, 176, 48); // from the beamed corridor
    w.Paint(StyleLamp, 960, -96, -176, 1024, -32, -160);
    w.Light(992, -64, -120, 160, 448);
    w.Light(992, -320, 240, 130, 416);
    w.Light(992, 80, 40, 120, 300);
    w.Light(912, -448, 40, 120, 300);
    w.Light(1088, -176, 96, 120, 320);
}

// West to a sunken room (two steps down), north along a passage with
// pilasters, and the deep shaft at the end.
void LayWestRooms(LayoutWriter& w) {
    w.Carve(320, -176, -64, 544, -16, 96);
    w.Light(432, -96, 72, 110, 288);

    w.Carve(96, -192, -96, 320, 32, 192);
    w.Fill(StyleTrim, 288, -176, -96, 320, -16, -80);
    w.Fill(StyleMetal, 112, -176, -96, 160, -128, 192);
    w.Fill(StyleMetal, 256, -192, -96, 304, -160, 192);
    w.Light(208, -80, 160, 145, 368);

    w.Carve(112, 32, -64, 272, 352, 96);
    w.Fill(StyleTrim, 112, 160, -64, 128, 192, 96);
    w.Fill(StyleTrim, 256, 160, -64, 272, 192, 96);
    w.Light(192, 96, 72, 105, 256);
    w.Light(192, 256, 72, 105, 256);

    w.Carve(96, 352, -512, 288, 544, 224);
    w.Paint(StyleMetal, 80, 336, -528, 304, 560, 240);
    w.Fill(StyleTrim, 96, 352, -272, 112, 544, -256);
    w.Fill(StyleTrim, 272, 352, -272, 288, 544, -256);
    w.Fill(StyleTrim, 112, 352, -272, 272, 368, -256);
    w.Fill(StyleTrim, 112, 528, -272, 272, 544, -256);
    w.Paint(StyleLamp, 160, 416, -528, 224, 480, -512);
    w.Light(192, 448, -480, 160, 448);
    w.Light(192, 448, 160, 80, 320, 5);
}

} // namespace

LevelLayout MakeLevelLayout() {
    LevelLayout layout;
    LayoutWriter writer{&layout};
    // A band of trim along the foot of the walls on the main floor (painted
    // first, so the rooms' own styles win over it).
    writer.Paint(StyleTrim, 0, -1600, -64, 1600, 640, -32);
    LayHall(writer);
    LayFirstCorridors(writer);
    LayEastRooms(writer);
    LayMiddleRooms(writer);
    LayCourtyard(writer);
    LayWestRooms(writer);
    // The camera track's first key, rounded; the angle turns the camera to
    // the track's first heading (the show adds 270 degrees).
    layout.startOrigin[0] = 741;
    layout.startOrigin[1] = -1403;
    layout.startOrigin[2] = 210;
    layout.startAngle = 89;
    return layout;
}
