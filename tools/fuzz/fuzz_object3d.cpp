// Fuzz target of the 3DG reader: a load either fails leaving the object as
// it was, or yields a mesh whose every index names a vertex and whose
// bounds hold every vertex; the mesh is then recentred and freed.
#include "fuzz_harness.h"

#include "image/object3d.h"

namespace {

void ReadMesh(const char* path) {
    Object3D* object = NewObject3D();
    if (LoadObject3D(path, 2, object) == 0) {
        FuzzCheck(object->vertexCount > 0 && object->faceCount >= 0, "counts");
        for (int i = 0; i < object->faceCount; i++) {
            for (int32_t index : object->faces[i].vertex) {
                FuzzCheck(index >= 0 && index < object->vertexCount, "index outside the mesh");
            }
        }
        for (int i = 0; i < object->vertexCount; i++) {
            const Object3DVertex& v = object->vertices[i];
            FuzzCheck(v.x >= object->boundsMin.x && v.x <= object->boundsMax.x, "bounds x");
            FuzzCheck(v.y >= object->boundsMin.y && v.y <= object->boundsMax.y, "bounds y");
            FuzzCheck(v.z >= object->boundsMin.z && v.z <= object->boundsMax.z, "bounds z");
        }
        CentreObject3D(object);
        FuzzCheck(object->boundsMin.x == -object->boundsMax.x, "centred");
    } else {
        FuzzCheck(object->vertices == nullptr && object->drawFlags == 0, "failed load changed it");
    }
    FreeObject3D(object);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunFuzzInput(data, size, ReadMesh);
}
