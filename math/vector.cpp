// Vector operations; every one computes in double precision and stores floats.
#include "math/vector.h"

#include <cassert>
#include <cmath>

float Vec3Length(const Vec3* v) {
    double x = v->x;
    double y = v->y;
    double z = v->z;
    return static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

void Vec3Normalize(Vec3* v) {
    double length = Vec3Length(v);
    if (length == 0.0) {
        return; // nothing sensible to scale to; keep the zero vector
    }
    double k = 1.0 / length;
    v->x = static_cast<float>(v->x * k);
    v->y = static_cast<float>(v->y * k);
    v->z = static_cast<float>(v->z * k);
}

float Vec3Dot(const Vec3* a, const Vec3* b) {
    return static_cast<float>(static_cast<double>(a->x) * b->x + static_cast<double>(a->y) * b->y +
                              static_cast<double>(a->z) * b->z);
}

void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out) {
    assert(out != a && out != b);
    out->x =
        static_cast<float>(static_cast<double>(a->y) * b->z - static_cast<double>(a->z) * b->y);
    out->y =
        static_cast<float>(static_cast<double>(a->z) * b->x - static_cast<double>(a->x) * b->z);
    out->z =
        static_cast<float>(static_cast<double>(a->x) * b->y - static_cast<double>(a->y) * b->x);
}

void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out) {
    out->x = static_cast<float>(static_cast<double>(a->x) + b->x);
    out->y = static_cast<float>(static_cast<double>(a->y) + b->y);
    out->z = static_cast<float>(static_cast<double>(a->z) + b->z);
}

void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out) {
    out->x = static_cast<float>(static_cast<double>(b->x) - a->x);
    out->y = static_cast<float>(static_cast<double>(b->y) - a->y);
    out->z = static_cast<float>(static_cast<double>(b->z) - a->z);
}

void Vec3Scale(const Vec3* v, float s, Vec3* out) {
    out->x = static_cast<float>(static_cast<double>(s) * v->x);
    out->y = static_cast<float>(static_cast<double>(s) * v->y);
    out->z = static_cast<float>(static_cast<double>(s) * v->z);
}
