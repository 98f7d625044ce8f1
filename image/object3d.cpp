// The 3DG triangle mesh.
//
// File layout (little-endian signed 16-bit integers, no header beyond the
// two counts): V, F; V vertex positions (x, y, z); V vertex normals; F
// triangles (three vertex indices); F triangle normals. 4 + 12V + 12F bytes
// in all. Values become floats unchanged: no scale, normals not normalised.
// Triangles are stored with their indices reversed, (i2, i1, i0), which is
// the winding the drawing code uses.
//
// The whole mesh is read and checked before the object is touched: a short
// file, a vertex count below 1, a negative triangle count or an index
// outside the vertices makes the load fail like a missing file.
#include "image/object3d.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

int16_t ReadInt16(const uint8_t* bytes) {
    return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

// Reads n 3 × int16 triples from bytes into floats.
void ReadTriples(const uint8_t* bytes, int n, float* out) {
    for (int i = 0; i < 3 * n; i++) {
        out[i] = ReadInt16(bytes + 2 * i);
    }
}

} // namespace

Object3D* NewObject3D() {
    auto* object = new Object3D{};
    SetObjectPosition(object, 0, 0, 0);
    SetObjectAngles(object, 0, 0, 0);
    SetObjectScale(object, 1, 1, 1);
    return object;
}

int LoadObject3D(const char* path, uint8_t drawFlags, Object3D* object) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    uint8_t counts[4];
    std::vector<uint8_t> body;
    int vertexCount = 0;
    int faceCount = 0;
    bool ok = std::fread(counts, 1, sizeof counts, file) == sizeof counts;
    if (ok) {
        vertexCount = ReadInt16(counts);
        faceCount = ReadInt16(counts + 2);
        ok = vertexCount > 0 && faceCount >= 0;
    }
    if (ok) {
        // Trailing bytes beyond the mesh are never read.
        body.resize(12 * static_cast<size_t>(vertexCount) + 12 * static_cast<size_t>(faceCount));
        ok = std::fread(body.data(), 1, body.size(), file) == body.size();
    }
    std::fclose(file);
    if (!ok) {
        return -1;
    }
    const uint8_t* positions = body.data();
    const uint8_t* vertexNormals = positions + 6 * vertexCount;
    const uint8_t* triangles = vertexNormals + 6 * vertexCount;
    const uint8_t* faceNormals = triangles + 6 * faceCount;
    for (int i = 0; i < 3 * faceCount; i++) {
        int index = ReadInt16(triangles + 2 * i);
        if (index < 0 || index >= vertexCount) {
            return -1;
        }
    }

    auto vertices = std::make_unique<Object3DVertex[]>(vertexCount);
    auto faces = std::make_unique<Object3DFace[]>(faceCount);
    auto vertexNormalFloats = std::make_unique<float[]>(3 * static_cast<size_t>(vertexCount));
    auto faceNormalFloats = std::make_unique<float[]>(3 * static_cast<size_t>(faceCount));
    for (int i = 0; i < vertexCount; i++) {
        float xyz[3];
        ReadTriples(positions + 6 * i, 1, xyz);
        vertices[i] = Object3DVertex{xyz[0], xyz[1], xyz[2], 0, 0};
    }
    ReadTriples(vertexNormals, vertexCount, vertexNormalFloats.get());
    for (int i = 0; i < faceCount; i++) {
        const uint8_t* triangle = triangles + 6 * i;
        faces[i] =
            Object3DFace{{ReadInt16(triangle + 4), ReadInt16(triangle + 2), ReadInt16(triangle)}};
    }
    ReadTriples(faceNormals, faceCount, faceNormalFloats.get());

    // Bounds start at vertex 0; per axis, only a strictly larger or smaller
    // coordinate moves them.
    Vec3 low = {vertices[0].x, vertices[0].y, vertices[0].z};
    Vec3 high = low;
    for (int i = 1; i < vertexCount; i++) {
        const Object3DVertex& v = vertices[i];
        if (v.x > high.x) {
            high.x = v.x;
        }
        if (v.x < low.x) {
            low.x = v.x;
        }
        if (v.y > high.y) {
            high.y = v.y;
        }
        if (v.y < low.y) {
            low.y = v.y;
        }
        if (v.z > high.z) {
            high.z = v.z;
        }
        if (v.z < low.z) {
            low.z = v.z;
        }
    }

    // Only now is the object changed. A reload replaces the earlier mesh.
    delete[] object->vertices;
    delete[] object->faces;
    delete[] object->vertexNormals;
    delete[] object->faceNormals;
    object->drawFlags = drawFlags;
    object->vertexCount = vertexCount;
    object->faceCount = faceCount;
    object->vertices = vertices.release();
    object->faces = faces.release();
    object->vertexNormals = vertexNormalFloats.release();
    object->faceNormals = faceNormalFloats.release();
    object->boundsMin = low;
    object->boundsMax = high;
    return 0;
}

void CentreObject3D(Object3D* object) {
    Vec3 sum;
    Vec3 centre;
    Vec3Add(&object->boundsMin, &object->boundsMax, &sum);
    Vec3Scale(&sum, 0.5f, &centre);
    for (int i = 0; i < object->vertexCount; i++) {
        Object3DVertex* v = &object->vertices[i];
        v->x -= centre.x;
        v->y -= centre.y;
        v->z -= centre.z;
    }
    Vec3 moved;
    Vec3Sub(&centre, &object->boundsMin, &moved);
    object->boundsMin = moved;
    Vec3Sub(&centre, &object->boundsMax, &moved);
    object->boundsMax = moved;
}

void FreeObject3D(Object3D* object) {
    delete[] object->vertices;
    delete[] object->faces;
    delete[] object->vertexNormals;
    delete[] object->faceNormals;
    delete object;
}

Object3D* SetObjectPosition(Object3D* object, float x, float y, float z) {
    object->position = Vec3{x, y, z};
    return object;
}

Object3D* SetObjectAngles(Object3D* object, float x, float y, float z) {
    object->angles = Vec3{x, y, z};
    return object;
}

Object3D* SetObjectScale(Object3D* object, float x, float y, float z) {
    object->scale = Vec3{x, y, z};
    return object;
}

Object3D* SetObjectTexture(Object3D* object, int32_t texture, int32_t secondTexture) {
    object->texture = texture;
    object->secondTexture = secondTexture;
    return object;
}
