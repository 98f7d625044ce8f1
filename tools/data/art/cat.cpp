// The object of the mirrored scene, "objects/cat.3dg": a standing cat with
// a rounded body, a head with cheeks, muzzle and two pointed ears, four
// legs with paws and a tail curling up behind.
//
// The cat is modelled as one smooth implicit solid: a distance-like field
// that is negative inside, built from ellipsoids and tapered capsules joined
// with a smooth minimum, so every join is a fillet. Its surface is taken
// from a grid by surface nets: one vertex per grid cell that the surface
// crosses, moved onto the surface along the field's gradient, and one quad
// (two triangles) per grid edge that the surface crosses, joining the four
// cells round that edge. That gives a closed surface of even, well shaped
// triangles. Model units: x forward (the head), y to the cat's left, z up;
// the mesh is scaled to 150 units nose to tail and stored in whole units,
// triangles counter-clockwise seen from outside, normals of length 254.
#include "tools/data/art/parts.h"
#include "tools/data/art/vector.h"

#include "image/object3d_write.h"
#include "shell/fatal.h"
#include "tools/data/output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {
using Vec = ArtVec;

float Length(Vec a) {
    return std::sqrt(Dot(a, a));
}

// Ellipsoid, close to the true distance near its surface.
float Ellipsoid(Vec p, Vec centre, Vec radii) {
    Vec q = Sub(p, centre);
    Vec a = {q[0] / radii[0], q[1] / radii[1], q[2] / radii[2]};
    Vec b = {a[0] / radii[0], a[1] / radii[1], a[2] / radii[2]};
    float k0 = Length(a), k1 = Length(b);
    return k1 > 1e-6f ? k0 * (k0 - 1) / k1 : -std::min({radii[0], radii[1], radii[2]});
}

// A capsule whose radius runs from ra at a to rb at b.
float TaperedCapsule(Vec p, Vec a, float ra, Vec b, float rb) {
    Vec ab = Sub(b, a);
    float h = std::clamp(Dot(Sub(p, a), ab) / Dot(ab, ab), 0.0f, 1.0f);
    return Length(Sub(p, Add(a, Scale(ab, h)))) - (ra + (rb - ra) * h);
}

// Union with a fillet of about k units.
float SmoothUnion(float a, float b, float k) {
    float h = std::max(k - std::abs(a - b), 0.0f) / k;
    return std::min(a, b) - h * h * k * 0.25f;
}

float CatLeg(Vec p, float side, bool front) {
    float y = 10.0f * side;
    if (front) {
        float leg = TaperedCapsule(p, {24, y, 46}, 8.0f, {28, y, 9}, 5.4f);
        return SmoothUnion(leg, Ellipsoid(p, {31, y, 5}, {8.5f, 6.8f, 5}), 4);
    }
    float thigh = Ellipsoid(p, {-25, y * 1.1f, 45}, {16, 8.5f, 18});
    float shin = TaperedCapsule(p, {-32, y, 34}, 6.8f, {-28, y, 9}, 5.2f);
    float paw = Ellipsoid(p, {-25, y, 5}, {8.5f, 6.8f, 5});
    return SmoothUnion(SmoothUnion(thigh, shin, 6), paw, 4);
}

float CatEar(Vec p, float side) {
    // A cone flattened front to back: x distances count double.
    Vec q = {54.0f + (p[0] - 54.0f) * 1.8f, p[1], p[2]};
    return TaperedCapsule(q, {54, 10.5f * side, 93}, 9.0f, {56, 15.0f * side, 115}, 2.0f);
}

float CatField(Vec p) {
    float body = Ellipsoid(p, {0, 0, 50}, {38, 17.5f, 19.5f});
    body = SmoothUnion(body, Ellipsoid(p, {21, 0, 53}, {21, 17, 21}), 10);
    body = SmoothUnion(body, Ellipsoid(p, {-22, 0, 52}, {21, 18.5f, 20}), 10);
    float neck = TaperedCapsule(p, {29, 0, 58}, 14.0f, {47, 0, 74}, 11.5f);
    float head = Ellipsoid(p, {55, 0, 83}, {17, 19, 16.5f});
    head = SmoothUnion(head, Ellipsoid(p, {60, 0, 78}, {13, 20, 11}), 5);
    head = SmoothUnion(head, Ellipsoid(p, {70, 0, 77}, {8, 10, 7}), 4);
    head = SmoothUnion(head, Ellipsoid(p, {75.5f, 0, 80}, {3.5f, 4.5f, 3.5f}), 3);
    head = SmoothUnion(head, CatEar(p, 1), 4);
    head = SmoothUnion(head, CatEar(p, -1), 4);
    float cat = SmoothUnion(body, SmoothUnion(neck, head, 6), 8);
    for (float side : {1.0f, -1.0f}) {
        cat = SmoothUnion(cat, CatLeg(p, side, true), 6);
        cat = SmoothUnion(cat, CatLeg(p, side, false), 7);
    }
    // The tail: a chain of tapered pieces curling up behind.
    const Vec tail[] = {{-36, 0, 58}, {-52, 0, 61},  {-64, 0, 70},
                        {-70, 0, 86}, {-67, 0, 102}, {-57, 0, 111}};
    const float radii[] = {6.5f, 6.0f, 5.6f, 5.2f, 4.9f, 4.6f};
    float tailField = 1e9f;
    for (int i = 0; i + 1 < 6; ++i) {
        tailField =
            std::min(tailField, TaperedCapsule(p, tail[i], radii[i], tail[i + 1], radii[i + 1]));
    }
    return SmoothUnion(cat, tailField, 6);
}

Vec FieldGradient(Vec p) {
    const float h = 0.05f;
    return {CatField({p[0] + h, p[1], p[2]}) - CatField({p[0] - h, p[1], p[2]}),
            CatField({p[0], p[1] + h, p[2]}) - CatField({p[0], p[1] - h, p[2]}),
            CatField({p[0], p[1], p[2] + h}) - CatField({p[0], p[1], p[2] - h})};
}

struct FloatMesh {
    std::vector<Vec> vertices;
    std::vector<std::array<int, 3>> triangles;
};

// Surface nets over a grid of cell units from low to high.
FloatMesh BuildSurface(Vec low, Vec high, float cell) {
    int n[3];
    for (int a = 0; a < 3; ++a) {
        n[a] = static_cast<int>(std::ceil((high[a] - low[a]) / cell)) + 1;
    }
    auto point = [&](int i, int j, int k) {
        return Vec{low[0] + i * cell, low[1] + j * cell, low[2] + k * cell};
    };
    auto at = [&](int i, int j, int k) { return (static_cast<size_t>(k) * n[1] + j) * n[0] + i; };
    std::vector<float> field(static_cast<size_t>(n[0]) * n[1] * n[2]);
    for (int k = 0; k < n[2]; ++k) {
        for (int j = 0; j < n[1]; ++j) {
            for (int i = 0; i < n[0]; ++i) {
                float f = CatField(point(i, j, k));
                field[at(i, j, k)] = f == 0 ? 1e-6f : f; // no grid point on the surface
            }
        }
    }

    FloatMesh mesh;
    std::vector<int> cellVertex(field.size(), -1); // by the cell's lowest corner
    for (int k = 0; k + 1 < n[2]; ++k) {
        for (int j = 0; j + 1 < n[1]; ++j) {
            for (int i = 0; i + 1 < n[0]; ++i) {
                // Mean of the points where the surface crosses the cell's edges.
                Vec sum = {0, 0, 0};
                int crossings = 0;
                for (int e = 0; e < 12; ++e) {
                    int axis = e / 4, other = e % 4;
                    int d0[3] = {0, 0, 0};
                    d0[(axis + 1) % 3] = other & 1;
                    d0[(axis + 2) % 3] = other >> 1;
                    int d1[3] = {d0[0], d0[1], d0[2]};
                    d1[axis] = 1;
                    float f0 = field[at(i + d0[0], j + d0[1], k + d0[2])];
                    float f1 = field[at(i + d1[0], j + d1[1], k + d1[2])];
                    if ((f0 < 0) == (f1 < 0)) {
                        continue;
                    }
                    float t = f0 / (f0 - f1);
                    Vec p0 = point(i + d0[0], j + d0[1], k + d0[2]);
                    Vec p1 = point(i + d1[0], j + d1[1], k + d1[2]);
                    sum = Add(sum, Add(p0, Scale(Sub(p1, p0), t)));
                    ++crossings;
                }
                if (crossings == 0) {
                    continue;
                }
                Vec p = Scale(sum, 1.0f / crossings);
                // Onto the surface along the gradient, kept to the middle half
                // of the cell: vertices of neighbouring cells then stay more
                // than one unit apart, and whole-unit rounding never merges them.
                Vec cellLow = point(i, j, k);
                for (int step = 0; step < 3; ++step) {
                    Vec g = FieldGradient(p);
                    float g2 = Dot(g, g) / (0.1f * 0.1f);
                    if (g2 < 1e-8f) {
                        break;
                    }
                    p = Sub(p, Scale(g, CatField(p) / (g2 * 0.1f)));
                    for (int a = 0; a < 3; ++a) {
                        p[a] =
                            std::clamp(p[a], cellLow[a] + 0.25f * cell, cellLow[a] + 0.75f * cell);
                    }
                }
                cellVertex[at(i, j, k)] = static_cast<int>(mesh.vertices.size());
                mesh.vertices.push_back(p);
            }
        }
    }

    // One quad per crossed grid edge, joining the four cells round it,
    // ordered counter-clockwise seen from the outside (where the field is
    // positive).
    auto addQuad = [&](int q0, int q1, int q2, int q3) {
        Vec v0 = mesh.vertices[q0], v1 = mesh.vertices[q1];
        Vec v2 = mesh.vertices[q2], v3 = mesh.vertices[q3];
        if (Length(Sub(v0, v2)) <= Length(Sub(v1, v3))) {
            mesh.triangles.push_back({q0, q1, q2});
            mesh.triangles.push_back({q0, q2, q3});
        } else {
            mesh.triangles.push_back({q1, q2, q3});
            mesh.triangles.push_back({q1, q3, q0});
        }
    };
    for (int k = 1; k + 1 < n[2]; ++k) {
        for (int j = 1; j + 1 < n[1]; ++j) {
            for (int i = 1; i + 1 < n[0]; ++i) {
                float f = field[at(i, j, k)];
                for (int axis = 0; axis < 3; ++axis) {
                    int step[3] = {0, 0, 0};
                    step[axis] = 1;
                    float g = field[at(i + step[0], j + step[1], k + step[2])];
                    if ((f < 0) == (g < 0)) {
                        continue;
                    }
                    // The cells round the edge, going round the edge's axis
                    // the right-handed way.
                    int u = (axis + 1) % 3, w = (axis + 2) % 3;
                    int quad[4];
                    const int offsets[4][2] = {{-1, -1}, {0, -1}, {0, 0}, {-1, 0}};
                    for (int c = 0; c < 4; ++c) {
                        int idx[3] = {i, j, k};
                        idx[u] += offsets[c][0];
                        idx[w] += offsets[c][1];
                        quad[c] = cellVertex[at(idx[0], idx[1], idx[2])];
                    }
                    if (f < 0) {
                        addQuad(quad[0], quad[1], quad[2], quad[3]);
                    } else {
                        addQuad(quad[3], quad[2], quad[1], quad[0]);
                    }
                }
            }
        }
    }
    return mesh;
}

std::array<int16_t, 3> NormalTo254(Vec v) {
    float length = Length(v);
    if (length < 1e-12f) {
        return {0, 0, 254};
    }
    return {static_cast<int16_t>(std::lround(v[0] / length * 254)),
            static_cast<int16_t>(std::lround(v[1] / length * 254)),
            static_cast<int16_t>(std::lround(v[2] / length * 254))};
}

using IntVec = std::array<int, 3>;

IntVec IntCross(IntVec a, IntVec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

bool IsDegenerate(const std::vector<IntVec>& points, const std::array<int, 3>& t) {
    IntVec a = points[t[0]], b = points[t[1]], c = points[t[2]];
    IntVec n =
        IntCross({b[0] - a[0], b[1] - a[1], b[2] - a[2]}, {c[0] - a[0], c[1] - a[1], c[2] - a[2]});
    return n[0] == 0 && n[1] == 0 && n[2] == 0;
}

// Rounding to whole units can flatten a small triangle into a line; such a
// triangle gets one corner moved by one unit, in the first direction that
// leaves every triangle round that corner with an area.
void MendFlatTriangles(std::vector<IntVec>& points, const std::vector<std::array<int, 3>>& tris) {
    std::vector<std::vector<int>> around(points.size());
    for (size_t t = 0; t < tris.size(); ++t) {
        for (int c : tris[t]) {
            around[c].push_back(static_cast<int>(t));
        }
    }
    const IntVec moves[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int pass = 0; pass < 4; ++pass) {
        bool changed = false;
        for (const auto& tri : tris) {
            if (!IsDegenerate(points, tri)) {
                continue;
            }
            bool mended = false;
            for (int corner = 0; corner < 3 && !mended; ++corner) {
                int v = tri[corner];
                IntVec original = points[v];
                for (const IntVec& move : moves) {
                    points[v] = {original[0] + move[0], original[1] + move[1],
                                 original[2] + move[2]};
                    bool good = std::none_of(around[v].begin(), around[v].end(),
                                             [&](int t) { return IsDegenerate(points, tris[t]); });
                    if (good) {
                        mended = true;
                        break;
                    }
                }
                if (!mended) {
                    points[v] = original;
                }
            }
            changed = changed || mended;
        }
        if (!changed) {
            break;
        }
    }
}

Object3DFile BuildCat() {
    FloatMesh mesh = BuildSurface({-84, -36, -8}, {90, 36, 126}, 3.3f);

    // Scale to 150 units from nose to tail tip.
    float minX = 1e9f, maxX = -1e9f;
    for (const Vec& v : mesh.vertices) {
        minX = std::min(minX, v[0]);
        maxX = std::max(maxX, v[0]);
    }
    float scale = 150.0f / (maxX - minX);

    Object3DFile file;
    std::vector<IntVec> points;
    for (const Vec& v : mesh.vertices) {
        points.push_back({static_cast<int>(std::lround(v[0] * scale)),
                          static_cast<int>(std::lround(v[1] * scale)),
                          static_cast<int>(std::lround(v[2] * scale))});
        file.vertexNormals.push_back(NormalTo254(FieldGradient(v)));
    }
    MendFlatTriangles(points, mesh.triangles);
    for (const IntVec& p : points) {
        file.positions.push_back(
            {static_cast<int16_t>(p[0]), static_cast<int16_t>(p[1]), static_cast<int16_t>(p[2])});
    }
    for (const auto& t : mesh.triangles) {
        if (IsDegenerate(points, t)) {
            FatalError("The cat mesh has a flat triangle");
        }
        file.triangles.push_back(
            {static_cast<int16_t>(t[0]), static_cast<int16_t>(t[1]), static_cast<int16_t>(t[2])});
        IntVec a = points[t[0]], b = points[t[1]], c = points[t[2]];
        IntVec n = IntCross({b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                            {c[0] - a[0], c[1] - a[1], c[2] - a[2]});
        file.faceNormals.push_back(NormalTo254(
            {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])}));
    }
    return file;
}
} // namespace

void WriteCatObject(const std::string& dir) {
    WriteDataFile(dir, "objects/cat.3dg", EncodeObject3D(BuildCat()));
}
