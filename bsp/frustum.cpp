// The six planes of the current view frustum.
#include "bsp/frustum.h"

#include <GL/gl.h>

#include <cmath>

static FrustumPlane Planes[FrustumPlaneCount];

void NormalizePlane(float plane[4]) {
    float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    for (int i = 0; i < 4; ++i) {
        plane[i] /= length;
    }
}

uint8_t PlaneSignBits(const float normal[3]) {
    uint8_t bits = 0;
    for (int i = 0; i < 3; ++i) {
        if (normal[i] < 0.0f) {
            bits |= static_cast<uint8_t>(1 << i);
        }
    }
    return bits;
}

void ComputeFrustumPlanes(const float projection[16], const float modelView[16],
                          float planes[FrustumPlaneCount][4]) {
    const float* p = projection;
    const float* m = modelView;
    // K = the combined clip matrix; its columns k below are its rows in
    // mathematical terms, and each plane is row 3 plus or minus row 0, 1 or 2.
    float k[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            k[4 * i + j] = m[4 * i] * p[j] + m[4 * i + 1] * p[4 + j] + m[4 * i + 2] * p[8 + j] +
                           m[4 * i + 3] * p[12 + j];
        }
    }
    auto column = [&](int c, int row) { return k[4 * row + c]; };
    // right, left, bottom, top, far, near
    constexpr int Axis[FrustumPlaneCount] = {0, 0, 1, 1, 2, 2};
    constexpr float Sign[FrustumPlaneCount] = {-1, 1, 1, -1, -1, 1};
    for (int plane = 0; plane < FrustumPlaneCount; ++plane) {
        for (int row = 0; row < 4; ++row) {
            planes[plane][row] = column(3, row) + Sign[plane] * column(Axis[plane], row);
        }
        NormalizePlane(planes[plane]);
    }
}

void SetFrustumPlanes(const float planes[FrustumPlaneCount][4]) {
    for (int i = 0; i < FrustumPlaneCount; ++i) {
        Planes[i].normal[0] = planes[i][0];
        Planes[i].normal[1] = planes[i][1];
        Planes[i].normal[2] = planes[i][2];
        Planes[i].dist = planes[i][3];
        Planes[i].signBits = PlaneSignBits(Planes[i].normal);
    }
}

void UpdateFrustum() {
    float projection[16];
    float modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    float planes[FrustumPlaneCount][4];
    ComputeFrustumPlanes(projection, modelView, planes);
    SetFrustumPlanes(planes);
}

const FrustumPlane* GetFrustumPlanes() {
    return Planes;
}
