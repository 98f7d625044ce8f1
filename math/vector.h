// Three-float vectors and the few operations the program computes on the
// processor (object recentring, camera-facing sprites).
//
// Vectors are passed by pointer; every result goes through the last pointer,
// which the caller owns. No state.
#pragma once

struct Vec3 {
    float x;
    float y;
    float z;
};

// Degrees to radians, kept in double precision.
constexpr double DegreesToRadians = 0.017453292519943295;

// sqrt(x² + y² + z²).
float Vec3Length(const Vec3* v);

// Scales v in place to unit length. A zero vector is left as it is.
void Vec3Normalize(Vec3* v);

// a · b.
float Vec3Dot(const Vec3* a, const Vec3* b);

// out = a × b; out must be neither a nor b (its components are written one by one).
void Vec3Cross(const Vec3* a, const Vec3* b, Vec3* out);

// out = a + b.
void Vec3Add(const Vec3* a, const Vec3* b, Vec3* out);

// out = b − a: the vector from a to b (note the order).
void Vec3Sub(const Vec3* a, const Vec3* b, Vec3* out);

// out = s · v.
void Vec3Scale(const Vec3* v, float s, Vec3* out);
