// Matrix operations; sums and trigonometry run in double precision.
#include "math/matrix.h"

#include "math/vector.h"

#include <cassert>
#include <cmath>

void Mat4Identity(Mat4* m) {
    for (float& value : m->m) {
        value = 0.0f;
    }
    m->m[0] = m->m[5] = m->m[10] = m->m[15] = 1.0f;
}

void Mat4Multiply(const Mat4* a, const Mat4* b, Mat4* out) {
    assert(out != a && out != b);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<double>(a->m[4 * i + k]) * b->m[4 * k + j];
            }
            out->m[4 * i + j] = static_cast<float>(sum);
        }
    }
}

void Mat4RotateAngles(Mat4* m, float ax, float ay, float az) {
    double sa = std::sin(ax * DegreesToRadians);
    double ca = std::cos(ax * DegreesToRadians);
    double sb = std::sin(ay * DegreesToRadians);
    double cb = std::cos(ay * DegreesToRadians);
    double sc = std::sin(az * DegreesToRadians);
    double cc = std::cos(az * DegreesToRadians);

    // Columns of Rz · Ry · Rx.
    Mat4 r = {{
        static_cast<float>(cb * cc),
        static_cast<float>(cb * sc),
        static_cast<float>(-sb),
        0.0f,
        static_cast<float>(sa * sb * cc - ca * sc),
        static_cast<float>(sa * sb * sc + ca * cc),
        static_cast<float>(sa * cb),
        0.0f,
        static_cast<float>(ca * sb * cc + sa * sc),
        static_cast<float>(ca * sb * sc - sa * cc),
        static_cast<float>(ca * cb),
        0.0f,
        0.0f,
        0.0f,
        0.0f,
        1.0f,
    }};
    Mat4 copy = *m;
    Mat4Multiply(&copy, &r, m);
}
