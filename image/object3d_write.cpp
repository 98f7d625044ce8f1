// Encoding 3DG mesh files: two int16 counts, then four arrays of int16
// triples, with no header, padding or scale.
#include "image/object3d_write.h"

#include <cassert>

static void PutInt16(std::vector<uint8_t>& out, int value) {
    uint16_t bits = static_cast<uint16_t>(value);
    out.push_back(static_cast<uint8_t>(bits & 0xFF));
    out.push_back(static_cast<uint8_t>(bits >> 8));
}

static void PutTriples(std::vector<uint8_t>& out,
                       const std::vector<std::array<int16_t, 3>>& triples) {
    for (const auto& triple : triples) {
        for (int16_t value : triple) {
            PutInt16(out, value);
        }
    }
}

std::vector<uint8_t> EncodeObject3D(const Object3DFile& mesh) {
    assert(mesh.positions.size() <= 32767 && mesh.triangles.size() <= 32767);
    assert(mesh.vertexNormals.size() == mesh.positions.size());
    assert(mesh.faceNormals.size() == mesh.triangles.size());
    std::vector<uint8_t> out;
    out.reserve(4 + 12 * (mesh.positions.size() + mesh.triangles.size()));
    PutInt16(out, static_cast<int>(mesh.positions.size()));
    PutInt16(out, static_cast<int>(mesh.triangles.size()));
    PutTriples(out, mesh.positions);
    PutTriples(out, mesh.vertexNormals);
    PutTriples(out, mesh.triangles);
    PutTriples(out, mesh.faceNormals);
    return out;
}
