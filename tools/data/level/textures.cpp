// The level's palette, its seven painted textures and the texture lump that
// holds them with their mip levels.
//
// A texel is one level unit, so a 32-texel stone course is a 32-unit course
// of the level. Light in the pictures comes from the top left: raised edges
// catch it there and fall into shade at the bottom right. Every picture is
// drawn from periodic noise and wrapped layouts, so it tiles without seams.
#include "tools/data/level/textures.h"

#include "tools/data/art/canvas.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace {

// ---- The palette ----

enum PaletteRamp {
    RampGrey,
    RampStone,
    RampSand,
    RampBlueGrey,
    RampSlate,
    RampBrick,
    RampRust,
    RampSteel,
    RampBrass,
    RampWood,
    RampVerdigris,
    RampLampYellow,
    RampLampWhite,
    RampPurple,
    RampOlive,
    RampBlue,
    RampCount
};

constexpr int RampShades = 16;
static_assert(RampCount * RampShades == 256);

// Each ramp runs dark, mid, light (shades 0, 8 and 15), linear between. The
// dark ends keep their brightest channel at 48 or more; only the two lamp
// ramps reach white.
const uint8_t RampColors[RampCount][3][3] = {
    {{52, 52, 54}, {128, 128, 130}, {222, 222, 224}},    // grey
    {{62, 48, 38}, {142, 118, 94}, {228, 212, 186}},     // warm stone
    {{66, 60, 48}, {152, 142, 120}, {234, 226, 204}},    // sand and mortar
    {{50, 54, 64}, {112, 122, 138}, {208, 216, 230}},    // cool blue-grey
    {{50, 58, 54}, {110, 124, 116}, {202, 214, 204}},    // slate
    {{72, 42, 36}, {150, 84, 64}, {228, 172, 150}},      // brick
    {{76, 46, 28}, {170, 98, 52}, {238, 184, 134}},      // rust
    {{52, 58, 66}, {122, 134, 148}, {216, 226, 236}},    // steel
    {{72, 54, 28}, {170, 130, 66}, {242, 216, 152}},     // brass
    {{66, 44, 30}, {142, 98, 62}, {218, 178, 132}},      // wood
    {{38, 64, 58}, {82, 142, 128}, {184, 228, 214}},     // verdigris
    {{96, 74, 34}, {226, 184, 92}, {255, 250, 222}},     // lamp yellow
    {{112, 112, 122}, {204, 208, 222}, {255, 255, 255}}, // lamp white
    {{60, 50, 64}, {126, 110, 134}, {216, 206, 224}},    // purple-grey
    {{54, 58, 36}, {114, 120, 72}, {202, 208, 162}},     // olive
    {{42, 50, 82}, {72, 102, 172}, {172, 202, 250}},     // deep blue
};

std::vector<uint8_t> MakeLevelPalette() {
    std::vector<uint8_t> palette(768);
    for (int ramp = 0; ramp < RampCount; ++ramp) {
        const uint8_t(*ends)[3] = RampColors[ramp];
        for (int shade = 0; shade < RampShades; ++shade) {
            const uint8_t* a = shade < 8 ? ends[0] : ends[1];
            const uint8_t* b = shade < 8 ? ends[1] : ends[2];
            float k = shade < 8 ? shade / 8.0f : (shade - 8) / 7.0f;
            for (int c = 0; c < 3; ++c) {
                palette[3 * (ramp * RampShades + shade) + c] =
                    static_cast<uint8_t>(std::lround(a[c] + (b[c] - a[c]) * k));
            }
        }
    }
    return palette;
}

// The palette entry of the given ramps nearest to (r, g, b) in 0...255, by a
// distance that weighs green most, as the eye does.
uint8_t NearestEntry(const std::vector<uint8_t>& palette, const std::vector<int>& ramps, float r,
                     float g, float b) {
    int best = ramps[0] * RampShades;
    float bestDistance = 1e30f;
    for (int ramp : ramps) {
        for (int shade = 0; shade < RampShades; ++shade) {
            int entry = ramp * RampShades + shade;
            float dr = r - palette[3 * entry], dg = g - palette[3 * entry + 1],
                  db = b - palette[3 * entry + 2];
            float distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = entry;
            }
        }
    }
    return static_cast<uint8_t>(best);
}

// ---- Painting tools ----

int Wrap(int v, int n) {
    return ((v % n) + n) % n;
}

// Tiling fractal noise over a w x h picture with cellsX x cellsY lattice
// cells in its first octave; about -1...1.
float TileNoise(float x, float y, int w, int h, int cellsX, int cellsY, int octaves,
                uint32_t seed) {
    return PeriodicFractalNoise2(x * cellsX / w, y * cellsY / h, cellsX, cellsY, octaves, seed);
}

// A random value in [0, 1) for an integer key.
float HashUnit(int key, uint32_t seed) {
    return static_cast<float>(HashLattice(key, 0, 0, seed) >> 8) * (1.0f / 16777216.0f);
}

struct Block {
    int x, y, w, h; // may run past the right or bottom edge: they wrap
};

// The block number of every texel (top row first); texels no block covers
// stay -1. Blocks are laid out in the picture and wrap round its edges.
std::vector<int> LayBlocks(int w, int h, const std::vector<Block>& blocks) {
    std::vector<int> ids(static_cast<size_t>(w) * h, -1);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        for (int y = b.y; y < b.y + b.h; ++y) {
            for (int x = b.x; x < b.x + b.w; ++x) {
                ids[static_cast<size_t>(Wrap(y, h)) * w + Wrap(x, w)] = static_cast<int>(i);
            }
        }
    }
    return ids;
}

// Texels from (x, y) to the nearest texel of another block along a row or a
// column, minus one (0 on a block's outermost texels), at most cap.
int EdgeDistance(const std::vector<int>& ids, int w, int h, int x, int y, int cap) {
    int id = ids[static_cast<size_t>(y) * w + x];
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    int nearest = cap;
    for (const auto& step : steps) {
        for (int k = 1; k <= nearest; ++k) {
            int px = Wrap(x + step[0] * k, w), py = Wrap(y + step[1] * k, h);
            if (ids[static_cast<size_t>(py) * w + px] != id) {
                nearest = k - 1;
                break;
            }
        }
    }
    return nearest;
}

// How laid blocks stand out of their joints: flat at base, rising by rise
// over bevel texels from the joint, with noise bumps on top.
struct Relief {
    float base;
    float rise;
    float bevel;   // texels
    int bumpCells; // noise lattice cells across the picture
    int octaves;
    uint32_t seed;
    float bumpScale;
};

// Height of laid blocks: 0 in the joints, the relief elsewhere. edge gets
// each texel's distance to the nearest joint (capped at 6).
Mask BlockRelief(const std::vector<int>& ids, int w, int h, const Relief& relief,
                 std::vector<int>* edge) {
    Mask height = NewMask(w, h);
    edge->assign(ids.size(), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int d = EdgeDistance(ids, w, h, x, y, 6);
            (*edge)[static_cast<size_t>(y) * w + x] = d;
            float bumps = TileNoise(x, y, w, h, relief.bumpCells, relief.bumpCells, relief.octaves,
                                    relief.seed) *
                          relief.bumpScale;
            height.At(x, y) =
                d == 0 ? 0.0f : relief.base + relief.rise * SmoothStep(0, relief.bevel, d) + bumps;
        }
    }
    return height;
}

// Lighting of a height field by a light from the top left: positive where
// the surface turns towards it, negative where it turns away. Slopes are
// taken across the picture's edges, so a tiling height field shades evenly.
Mask Emboss(const Mask& height, float strength) {
    Mask shade = NewMask(height.width, height.height);
    int w = height.width, h = height.height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float dx = height.At(Wrap(x + 1, w), y) - height.At(Wrap(x - 1, w), y);
            float dy = height.At(x, Wrap(y + 1, h)) - height.At(x, Wrap(y - 1, h));
            shade.At(x, y) = std::clamp((dx + dy) * strength, -0.6f, 0.6f);
        }
    }
    return shade;
}

// Distances in texels from (x, y) to the nearest and the second nearest of
// one random point per cell of a cellsX x cellsY grid over the w x h picture
// (the grid wraps, so the pattern tiles).
void CellDistances(float x, float y, int w, int h, int cellsX, int cellsY, uint32_t seed,
                   float* nearest, float* second) {
    float cw = static_cast<float>(w) / cellsX, ch = static_cast<float>(h) / cellsY;
    int cx = static_cast<int>(std::floor(x / cw)), cy = static_cast<int>(std::floor(y / ch));
    float d1 = 1e30f, d2 = 1e30f;
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            int gx = cx + i, gy = cy + j;
            uint32_t hash = HashLattice(Wrap(gx, cellsX), Wrap(gy, cellsY), 0, seed);
            float px = (gx + 0.15f + 0.7f * (hash & 0xFFFF) / 65536.0f) * cw;
            float py = (gy + 0.15f + 0.7f * (hash >> 16) / 65536.0f) * ch;
            float d = std::hypot(px - x, py - y);
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
    }
    *nearest = d1;
    *second = d2;
}

// ---- The textures ----

// Large dressed stone blocks in courses of 32, joints staggered, in a
// recessed mortar; each block its own shade of warm stone.
Canvas PaintWall(int w, int h) {
    const std::vector<Block> blocks = {
        {0, 0, 48, 32},  {48, 0, 80, 32},  {24, 32, 64, 32}, {88, 32, 64, 32},
        {8, 64, 56, 32}, {64, 64, 72, 32}, {40, 96, 64, 32}, {104, 96, 64, 32},
    };
    std::vector<int> ids = LayBlocks(w, h, blocks);
    std::vector<int> edge;
    Mask height = BlockRelief(ids, w, h, {0.45f, 0.55f, 3, 16, 3, 301, 0.18f}, &edge);
    Mask shade = Emboss(height, 0.9f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            int id = ids[i], d = edge[i];
            float grain = TileNoise(x, y, w, h, 32, 32, 3, 302);
            float stain = TileNoise(x, y, w, h, 4, 4, 3, 303);
            Color c;
            if (d == 0) {
                c = Color{0.40f, 0.37f, 0.32f} * (0.9f + 0.1f * grain);
            } else {
                float tone = 0.86f + 0.22f * HashUnit(id, 304);
                Color base = MixColor(Color{0.58f, 0.47f, 0.37f}, Color{0.66f, 0.60f, 0.49f},
                                      HashUnit(id, 305));
                c = base * (tone + 0.07f * grain + 0.08f * stain);
                // Small pits and chips.
                float pits = TileNoise(x, y, w, h, 64, 64, 1, 306);
                c = c * (1.0f - 0.25f * SmoothStep(0.45f, 0.75f, pits));
                // Darker near the joints, where grime collects.
                c = c * (0.82f + 0.18f * SmoothStep(0, 5, d));
            }
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

// Flagstones of slate and grey in a fixed pattern of 32-unit multiples, their
// edges a little uneven, in dark grout.
Canvas PaintFloor(int w, int h) {
    const std::vector<Block> slabs = {
        {0, 0, 64, 64},  {64, 0, 64, 32},  {64, 32, 32, 32}, {96, 32, 32, 64},
        {0, 64, 32, 64}, {32, 64, 64, 64}, {96, 96, 32, 32},
    };
    std::vector<int> laid = LayBlocks(w, h, slabs);
    // Chip the straight edges by looking the slab up at a slightly moved point.
    std::vector<int> ids(laid.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int jx = static_cast<int>(std::lround(x + 1.3f * TileNoise(x, y, w, h, 8, 8, 2, 311)));
            int jy = static_cast<int>(std::lround(y + 1.3f * TileNoise(x, y, w, h, 8, 8, 2, 312)));
            ids[static_cast<size_t>(y) * w + x] =
                laid[static_cast<size_t>(Wrap(jy, h)) * w + Wrap(jx, w)];
        }
    }
    std::vector<int> edge;
    Mask height = BlockRelief(ids, w, h, {0.5f, 0.5f, 2, 8, 4, 313, 0.25f}, &edge);
    Mask shade = Emboss(height, 0.6f);
    const Color tints[3] = {{0.50f, 0.52f, 0.51f}, {0.53f, 0.53f, 0.54f}, {0.49f, 0.51f, 0.54f}};
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            int id = ids[i], d = edge[i];
            float grain = TileNoise(x, y, w, h, 32, 32, 2, 314);
            float wear = TileNoise(x, y, w, h, 4, 4, 3, 315);
            Color c;
            if (d == 0) {
                c = Color{0.30f, 0.30f, 0.30f};
            } else {
                Color base = tints[HashLattice(id, 0, 0, 316) % 3];
                c = base * (0.92f + 0.18f * HashUnit(id, 317) + 0.06f * grain + 0.1f * wear);
                // Lighter flecks in the stone.
                float fleck = TileNoise(x, y, w, h, 64, 64, 1, 318);
                c = MixColor(c, Color{0.72f, 0.74f, 0.72f}, 0.5f * SmoothStep(0.5f, 0.8f, fleck));
                c = c * (0.85f + 0.15f * SmoothStep(0, 4, d));
            }
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

// Boards 16 units wide running along s, joints staggered, nailed to a cross
// beam every 128 units.
Canvas PaintCeiling(int w, int h) {
    const int board = 16, beam = 12, beamX = 58;
    const int boardLength = w - beam; // from one side of the beam round to the other
    // Where each row's board is joined, counted from the beam's right side.
    auto jointOf = [&](int row) {
        return 16 + 8 * static_cast<int>(HashLattice(row, 0, 0, 321) % ((boardLength - 32) / 8));
    };
    Mask height = NewMask(w, h);
    std::vector<int> pieces(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        int row = y / board, joint = jointOf(row);
        for (int x = 0; x < w; ++x) {
            int u = Wrap(x - beamX - beam, w); // along the board
            float v;
            int piece;
            if (u >= boardLength) {
                float across = (u - boardLength + 0.5f) / beam * 2 - 1;
                v = 1.4f - 0.4f * std::pow(std::abs(across), 4.0f);
                piece = -1;
            } else {
                v = (y % board == 0 || u == joint) ? 0.0f : 0.6f;
                piece = row * 2 + (u >= joint ? 1 : 0);
            }
            height.At(x, y) = v;
            pieces[static_cast<size_t>(y) * w + x] = piece;
        }
    }
    Mask shade = Emboss(height, 0.5f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        int yy = y % board, joint = jointOf(y / board);
        for (int x = 0; x < w; ++x) {
            int piece = pieces[static_cast<size_t>(y) * w + x];
            int u = Wrap(x - beamX - beam, w);
            // Grain: rings stretched along the board, bent by noise.
            float bend = TileNoise(x, y, w, h, 2, 16, 3, 322);
            float rings = 0.5f + 0.5f * std::sin((y * 0.9f + bend * 9.0f) * 1.7f);
            float fibre = TileNoise(x, y, w, h, 32, 64, 2, 323);
            Color c;
            if (piece < 0) {
                float beamGrain = TileNoise(x, y, w, h, 32, 2, 3, 324);
                c = Color{0.44f, 0.30f, 0.20f} * (0.95f + 0.1f * beamGrain);
            } else if (height.At(x, y) == 0.0f) {
                c = Color{0.30f, 0.21f, 0.15f};
            } else {
                Color base = MixColor(Color{0.55f, 0.39f, 0.25f}, Color{0.64f, 0.48f, 0.32f},
                                      HashUnit(piece, 325));
                c = base * (0.88f + 0.12f * rings + 0.06f * fibre);
                // Two nails at each end of every board.
                bool nailed = u == 2 || u == boardLength - 3 || u == joint - 3 || u == joint + 3;
                if (nailed && (yy == 4 || yy == 12)) {
                    c = Color{0.28f, 0.26f, 0.25f};
                }
            }
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

// A moulded band repeating every 32 rows: a rounded brass moulding, a dark
// groove, a brick-red frieze with square brass studs every 16 units, a groove
// and a second moulding.
Canvas PaintTrim(int w, int h) {
    Mask height = NewMask(w, h);
    std::vector<int> part(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        int yy = y % 32;
        for (int x = 0; x < w; ++x) {
            float v;
            int p;
            if (yy < 5) {
                v = 1.0f + 0.5f * std::sin((yy + 0.5f) / 5 * 3.14159f); // top moulding
                p = 0;
            } else if (yy == 5 || yy == 26) {
                v = 0.1f; // groove
                p = 1;
            } else if (yy > 26) {
                v = 1.0f + 0.4f * std::sin((yy - 26.5f) / 5 * 3.14159f); // lower moulding
                p = 0;
            } else {
                // Studs: 8 x 8, centred in each 16-unit cell of the frieze.
                int sx = x % 16, sy = yy - 6; // frieze rows 0...19
                bool stud = sx >= 4 && sx < 12 && sy >= 6 && sy < 14;
                if (stud) {
                    int inset = std::min({sx - 4, 11 - sx, sy - 6, 13 - sy});
                    v = 0.9f + 0.25f * std::min(inset, 2);
                    p = 3;
                } else {
                    v = 0.6f;
                    p = 2;
                }
            }
            height.At(x, y) = v;
            part[static_cast<size_t>(y) * w + x] = p;
        }
    }
    Mask shade = Emboss(height, 0.55f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float grain = TileNoise(x, y, w, h, 16, 16, 3, 331);
            float tarnish = TileNoise(x, y, w, h, 4, 4, 2, 332);
            Color c;
            switch (part[static_cast<size_t>(y) * w + x]) {
            case 0:
                c = Color{0.66f, 0.51f, 0.27f} * (0.95f + 0.08f * grain + 0.08f * tarnish);
                break;
            case 1:
                c = Color{0.30f, 0.20f, 0.14f};
                break;
            case 2:
                c = Color{0.54f, 0.31f, 0.24f} * (0.92f + 0.1f * grain);
                break;
            default:
                c = Color{0.72f, 0.56f, 0.30f} * (0.96f + 0.06f * grain);
                break;
            }
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

// Four 64-unit steel plates with raised seams, rivets every 16 units along
// their edges, brushed streaks running down and rust where water ran.
Canvas PaintMetal(int w, int h) {
    const int plate = 64;
    Mask height = NewMask(w, h);
    std::vector<float> rivetLight(static_cast<size_t>(w) * h, 0.0f);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int px = x % plate, py = y % plate;
            int d = std::min({px, plate - 1 - px, py, plate - 1 - py});
            float v = d == 0 ? 0.0f : 0.6f + 0.2f * SmoothStep(0, 2, d);
            // Rivets: domes of radius 2.5 on a line 5 units inside each edge.
            for (int ry : {5, plate - 6}) {
                for (int rx = 8; rx < plate; rx += 16) {
                    for (int k = 0; k < 2; ++k) {
                        float cx = k == 0 ? rx : ry, cy = k == 0 ? ry : rx;
                        float r = std::hypot(px - cx, py - cy);
                        if (r < 2.6f) {
                            v = std::max(v, 0.8f + 0.5f * std::sqrt(1 - (r / 2.6f) * (r / 2.6f)));
                        }
                    }
                }
            }
            height.At(x, y) = v;
        }
    }
    Mask shade = Emboss(height, 0.7f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int id = (y / plate) * (w / plate) + x / plate;
            float brushed = TileNoise(x, y, w, h, 32, 2, 2, 341);
            float mottle = TileNoise(x, y, w, h, 8, 8, 3, 342);
            float tone = 0.9f + 0.16f * HashUnit(id, 343);
            Color c = Color{0.50f, 0.55f, 0.61f} * (tone + 0.06f * brushed + 0.06f * mottle);
            if (height.At(x, y) == 0.0f) {
                c = Color{0.27f, 0.29f, 0.32f};
            }
            // Rust: streaks that run down from the seams and rivet lines.
            int py = y % plate;
            float streak = 0.5f + 0.5f * TileNoise(x, y, w, h, 32, 1, 2, 344);
            float fromTop = std::exp(-py / 20.0f) * streak;
            float patch = SmoothStep(0.35f, 0.8f, TileNoise(x, y, w, h, 4, 4, 3, 345));
            float rust = Clamp01(0.7f * fromTop * SmoothStep(0.3f, 0.7f, streak) + 0.6f * patch);
            c = MixColor(c, Color{0.52f, 0.33f, 0.20f} * (0.9f + 0.15f * mottle), rust);
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

// A light fitting: a steel frame round a warm glowing panel divided into
// four cells by thin bars, brightest at its middle.
Canvas PaintLamp(int w, int h) {
    const int frame = 7;
    Mask height = NewMask(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int d = std::min({x, w - 1 - x, y, h - 1 - y});
            height.At(x, y) = d < frame ? 0.4f + 0.6f * SmoothStep(0, 3, d) : 0.2f;
        }
    }
    Mask shade = Emboss(height, 0.6f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int d = std::min({x, w - 1 - x, y, h - 1 - y});
            float grain = TileNoise(x, y, w, h, 16, 16, 2, 351);
            Color c;
            if (d < frame) {
                c = Color{0.46f, 0.50f, 0.56f} * (0.95f + 0.06f * grain) * (1.0f + shade.At(x, y));
            } else {
                // Distance from the panel's middle, 0 there and 1 at the frame.
                float u = (x + 0.5f - w / 2.0f) / (w / 2.0f - frame);
                float v = (y + 0.5f - h / 2.0f) / (h / 2.0f - frame);
                float r = std::min(1.0f, std::sqrt(u * u + v * v) / 1.3f);
                c = MixColor(Color{1.0f, 1.0f, 0.97f}, Color{0.97f, 0.80f, 0.45f}, r * r);
                bool bar =
                    std::abs(x + 0.5f - w / 2.0f) < 1.0f || std::abs(y + 0.5f - h / 2.0f) < 1.0f;
                if (bar) {
                    c = Color{0.80f, 0.62f, 0.34f};
                }
                // A soft shadow inside the frame.
                c = c * (0.8f + 0.2f * SmoothStep(frame, frame + 3.0f, d));
            }
            canvas.At(x, y) = c;
        }
    }
    return canvas;
}

// Rough rock: lumpy at several scales with sharp ridges, split by a few thin
// cracks, cool grey with warmer patches; higher parts are lighter.
Canvas PaintStone(int w, int h) {
    Mask height = NewMask(w, h);
    std::vector<float> crack(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float d1, d2;
            CellDistances(x + 0.5f, y + 0.5f, w, h, 3, 3, 361, &d1, &d2);
            // Cracks run along the cell borders but fade out in places.
            float broken = SmoothStep(-0.2f, 0.3f, TileNoise(x, y, w, h, 4, 4, 2, 367));
            float k = 1.0f - (1.0f - SmoothStep(0.4f, 1.6f, d2 - d1)) * broken; // 0 in a crack
            crack[static_cast<size_t>(y) * w + x] = k;
            float lumps = TileNoise(x, y, w, h, 4, 4, 5, 362);
            float ridges = 1.0f - std::abs(TileNoise(x, y, w, h, 8, 8, 3, 363));
            height.At(x, y) = 3.0f * lumps + 1.2f * ridges + 1.0f * k;
        }
    }
    Mask shade = Emboss(height, 0.42f);
    Canvas canvas = NewCanvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float patch = TileNoise(x, y, w, h, 3, 3, 3, 364);
            float speck = TileNoise(x, y, w, h, 64, 64, 1, 366);
            float lumps = TileNoise(x, y, w, h, 4, 4, 5, 362);
            Color c = MixColor(Color{0.49f, 0.52f, 0.57f}, Color{0.56f, 0.50f, 0.43f},
                               0.8f * SmoothStep(0.0f, 0.6f, patch));
            c = c * (0.92f + 0.2f * lumps + 0.08f * speck);
            float k = crack[static_cast<size_t>(y) * w + x];
            c = c * (0.6f + 0.4f * k);
            canvas.At(x, y) = c * (1.0f + shade.At(x, y));
        }
    }
    return canvas;
}

struct TextureRecipe {
    const char* name;
    int width, height;
    Canvas (*paint)(int w, int h);
    std::vector<int> ramps; // the ramps its texels are drawn from
};

const TextureRecipe& Recipe(LevelTextureSlot slot) {
    static const TextureRecipe recipes[LevelTextureSlotCount] = {
        {"wall1", 128, 128, PaintWall, {RampStone, RampSand, RampGrey}},
        {"floor1", 128, 128, PaintFloor, {RampSlate, RampGrey, RampBlueGrey}},
        {"ceiling1", 128, 128, PaintCeiling, {RampWood, RampRust}},
        {"trim1", 64, 64, PaintTrim, {RampBrass, RampBrick}},
        {"metal1", 128, 128, PaintMetal, {RampSteel, RampRust, RampGrey}},
        {"lamp1", 64, 64, PaintLamp, {RampLampWhite, RampLampYellow, RampSteel}},
        {"stone1", 128, 128, PaintStone, {RampBlueGrey, RampStone, RampGrey}},
    };
    return recipes[slot];
}

// The four mip levels of one texture, level 0 first, as palette indices.
// Each level after the first averages 2 x 2 texels of the one before in RGB
// and takes the nearest colour of the whole palette: a blend of two ramps
// (a frame round a glow) may lie nearer to a third.
std::vector<std::vector<uint8_t>> MakeMipLevels(const TextureRecipe& recipe,
                                                const std::vector<uint8_t>& palette) {
    std::vector<std::vector<uint8_t>> levels;
    Canvas canvas = recipe.paint(recipe.width, recipe.height);
    std::vector<uint8_t> rgb = CanvasToRgb(canvas);
    std::vector<uint8_t> level(canvas.pixels.size());
    for (size_t i = 0; i < level.size(); ++i) {
        level[i] = NearestEntry(palette, recipe.ramps, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    levels.push_back(std::move(level));
    std::vector<int> allRamps(RampCount);
    for (int ramp = 0; ramp < RampCount; ++ramp) {
        allRamps[ramp] = ramp;
    }
    for (int k = 1; k < LevelMipLevels; ++k) {
        const std::vector<uint8_t>& above = levels.back();
        int aw = recipe.width >> (k - 1), w = recipe.width >> k, h = recipe.height >> k;
        std::vector<uint8_t> next(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum[3] = {0, 0, 0};
                for (int j = 0; j < 4; ++j) {
                    uint8_t entry =
                        above[static_cast<size_t>(2 * y + (j >> 1)) * aw + 2 * x + (j & 1)];
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += palette[3 * entry + c];
                    }
                }
                next[static_cast<size_t>(y) * w + x] =
                    NearestEntry(palette, allRamps, sum[0] / 4, sum[1] / 4, sum[2] / 4);
            }
        }
        levels.push_back(std::move(next));
    }
    return levels;
}

void PutLittle32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace

const char* LevelTextureName(LevelTextureSlot slot) {
    return Recipe(slot).name;
}

LevelArt MakeLevelArt() {
    LevelArt art;
    art.palette = MakeLevelPalette();
    std::vector<uint8_t>& lump = art.textureLump;
    // Count word and offset table first; the textures follow.
    lump.assign(4 + 4 * LevelTextureSlotCount, 0);
    PutLittle32(lump, 0, LevelTextureSlotCount);
    for (int slot = 0; slot < LevelTextureSlotCount; ++slot) {
        const TextureRecipe& recipe = Recipe(static_cast<LevelTextureSlot>(slot));
        art.width[slot] = static_cast<uint32_t>(recipe.width);
        art.height[slot] = static_cast<uint32_t>(recipe.height);
        std::vector<std::vector<uint8_t>> levels = MakeMipLevels(recipe, art.palette);

        lump.resize((lump.size() + 3) & ~size_t{3}, 0);
        size_t header = lump.size();
        PutLittle32(lump, 4 + 4 * slot, static_cast<uint32_t>(header));
        lump.resize(header + 40, 0);
        assert(std::strlen(recipe.name) < 16);
        std::memcpy(&lump[header], recipe.name, std::strlen(recipe.name));
        PutLittle32(lump, header + 16, art.width[slot]);
        PutLittle32(lump, header + 20, art.height[slot]);
        for (int k = 0; k < LevelMipLevels; ++k) {
            PutLittle32(lump, header + 24 + 4 * k, static_cast<uint32_t>(lump.size() - header));
            lump.insert(lump.end(), levels[k].begin(), levels[k].end());
        }
    }
    return art;
}
