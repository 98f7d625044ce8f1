// Placeholder until the reader lands.
#include "image/object3d.h"
#include "shell/fatal.h"

Object3D* NewObject3D() {
    return new Object3D{};
}
int LoadObject3D(const char*, uint8_t, Object3D*) {
    return -1;
}
void CentreObject3D(Object3D*) {}
void FreeObject3D(Object3D* o) {
    delete o;
}
Object3D* SetObjectPosition(Object3D* o, float, float, float) {
    return o;
}
Object3D* SetObjectAngles(Object3D* o, float, float, float) {
    return o;
}
Object3D* SetObjectScale(Object3D* o, float, float, float) {
    return o;
}
Object3D* SetObjectTexture(Object3D* o, int32_t, int32_t) {
    return o;
}
