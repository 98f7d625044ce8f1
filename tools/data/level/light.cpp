// The level's lightmaps (see light.h).
#include "tools/data/level/light.h"

#include "tools/data/level/textures.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

constexpr int32_t LampSample = 127;

// The face's lightmap grid: its 16-unit aligned texture-space corner and size.
struct LightGrid {
    float s[4];
    float t[4];
    int32_t smin;
    int32_t tmin;
    int32_t width;
    int32_t height;
};

LightGrid MakeLightGrid(const LevelFace& face) {
    LightGrid grid{};
    FaceTextureAxes(face.axis, grid.s, grid.t);
    double mins[2] = {999999, 999999};
    double maxs[2] = {-99999, -99999};
    for (const std::array<int32_t, 3>& p : face.points) {
        double s = p[0] * grid.s[0] + p[1] * grid.s[1] + p[2] * grid.s[2] + grid.s[3];
        double t = p[0] * grid.t[0] + p[1] * grid.t[1] + p[2] * grid.t[2] + grid.t[3];
        mins[0] = std::min(mins[0], s);
        maxs[0] = std::max(maxs[0], s);
        mins[1] = std::min(mins[1], t);
        maxs[1] = std::max(maxs[1], t);
    }
    grid.smin = static_cast<int32_t>(std::floor(mins[0] / 16)) * 16;
    grid.tmin = static_cast<int32_t>(std::floor(mins[1] / 16)) * 16;
    int32_t extentS = static_cast<int32_t>(std::ceil(maxs[0] / 16)) * 16 - grid.smin;
    int32_t extentT = static_cast<int32_t>(std::ceil(maxs[1] / 16)) * 16 - grid.tmin;
    grid.width = (std::max(extentS, 1) >> 4) + 1;
    grid.height = (std::max(extentT, 1) >> 4) + 1;
    return grid;
}

// The point where sample (i, j) is lit: the texture-space grid point taken
// back to the face's plane, pulled one unit inside the face's edges and one
// unit off the face, so that shadow rays start in open space.
void SamplePoint(const LevelFace& face, const LightGrid& grid, int32_t i, int32_t j,
                 double point[3]) {
    double s = grid.smin + 16.0 * i;
    double t = grid.tmin + 16.0 * j;
    // The axes are unit vectors along level axes, so each level axis is
    // found again from the one texture axis that carries it.
    for (int a = 0; a < 3; ++a) {
        if (grid.s[a] != 0) {
            point[a] = (s - grid.s[3]) / grid.s[a];
        } else if (grid.t[a] != 0) {
            point[a] = (t - grid.t[3]) / grid.t[a];
        } else {
            point[a] = face.coord;
        }
    }
    for (int a = 0; a < 3; ++a) {
        if (a != face.axis) {
            point[a] = std::clamp(point[a], face.mins[a] + 1.0, face.maxs[a] - 1.0);
        }
    }
    point[face.axis] += face.side == 0 ? 1.0 : -1.0;
}

// The light one lamp gives a point on a face, in sample units.
double LightFrom(const LayoutLight& light, const LevelFace& face, const LevelTree& tree,
                 const double point[3]) {
    double toLight[3];
    double distance = 0;
    for (int a = 0; a < 3; ++a) {
        toLight[a] = light.origin[a] - point[a];
        distance += toLight[a] * toLight[a];
    }
    distance = std::sqrt(distance);
    if (distance >= light.radius || distance < 1e-6) {
        return 0;
    }
    double facing = toLight[face.axis] / distance * (face.side == 0 ? 1 : -1);
    if (facing <= 0) {
        return 0;
    }
    double origin[3] = {light.origin[0], light.origin[1], light.origin[2]};
    if (SegmentHitsSolid(tree, point, origin)) {
        return 0;
    }
    // A squared falloff gives pools with bright middles and soft edges;
    // Lambert's cosine is lifted a little so that walls beside a ceiling lamp
    // still catch some of it.
    double falloff = 1.0 - distance / light.radius;
    return light.intensity * falloff * falloff * (0.25 + 0.75 * facing);
}

uint8_t ToSample(double value) {
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

void LightFace(const LevelFace& face, const LevelTree& tree, const LevelLayout& layout,
               FaceLighting* lighting, std::vector<uint8_t>& data) {
    LightGrid grid = MakeLightGrid(face);
    assert(grid.width <= 18 && grid.height <= 18);
    int32_t count = grid.width * grid.height;
    lighting->width = grid.width;
    lighting->height = grid.height;
    lighting->lightOffset = static_cast<int32_t>(data.size());
    std::fill(std::begin(lighting->styles), std::end(lighting->styles), 255);

    // Style blocks in the order their lights first appear; style 0 always.
    std::vector<uint8_t> styles = {0};
    std::vector<std::vector<double>> blocks(1, std::vector<double>(count, AmbientSample));
    if (face.slot == LevelTexLamp) {
        std::fill(blocks[0].begin(), blocks[0].end(), LampSample);
    } else {
        for (int32_t j = 0; j < grid.height; ++j) {
            for (int32_t i = 0; i < grid.width; ++i) {
                double point[3];
                SamplePoint(face, grid, i, j, point);
                for (const LayoutLight& light : layout.lights) {
                    double value = LightFrom(light, face, tree, point);
                    if (value <= 0.5) {
                        continue;
                    }
                    size_t block =
                        std::find(styles.begin(), styles.end(), light.style) - styles.begin();
                    if (block == styles.size()) {
                        if (styles.size() == 4) {
                            continue; // a face holds four styles at most
                        }
                        styles.push_back(light.style);
                        blocks.emplace_back(count, 0.0);
                    }
                    blocks[block][j * grid.width + i] += value;
                }
            }
        }
    }
    for (size_t b = 0; b < styles.size(); ++b) {
        lighting->styles[b] = styles[b];
        for (double value : blocks[b]) {
            data.push_back(ToSample(value));
        }
    }
}

} // namespace

LevelLighting LightLevelFaces(const std::vector<LevelFace>& faces, const LevelTree& tree,
                              const LevelLayout& layout) {
    LevelLighting lighting;
    lighting.faces.resize(faces.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        LightFace(faces[f], tree, layout, &lighting.faces[f], lighting.data);
    }
    return lighting;
}
