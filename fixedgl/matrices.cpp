// Both matrix stacks and the operations the show applies to them.
//
// Arithmetic follows the usual fixed-function driver: float matrices, the new
// matrix multiplied on the right, rotations about one axis built exactly
// (sines of the angle in double), so that vertices land where the native
// build puts them.
#include "fixedgl/fixed_gl_state.h"

#include <cassert>
#include <cmath>
#include <cstring>

static const FixedMatrix Identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

FixedMatrix MultiplyMatrices(const FixedMatrix& a, const FixedMatrix& b) {
    FixedMatrix product;
    for (int row = 0; row < 4; ++row) {
        const float a0 = a.m[row];
        const float a1 = a.m[4 + row];
        const float a2 = a.m[8 + row];
        const float a3 = a.m[12 + row];
        for (int column = 0; column < 4; ++column) {
            const float* bColumn = &b.m[4 * column];
            product.m[4 * column + row] =
                a0 * bColumn[0] + a1 * bColumn[1] + a2 * bColumn[2] + a3 * bColumn[3];
        }
    }
    return product;
}

static std::vector<FixedMatrix>& CurrentStack() {
    FixedGlState& gl = GetFixedGl();
    return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelView;
}

FixedMatrix& CurrentMatrix() {
    return CurrentStack().back();
}

const FixedMatrix& GetModelViewProjection() {
    FixedGlState& gl = GetFixedGl();
    if (gl.modelViewProjectionStale) {
        gl.modelViewProjection = MultiplyMatrices(gl.projection.back(), gl.modelView.back());
        gl.modelViewProjectionStale = false;
    }
    return gl.modelViewProjection;
}

static void MultiplyCurrent(const FixedMatrix& by) {
    FixedMatrix& top = CurrentMatrix();
    top = MultiplyMatrices(top, by);
    GetFixedGl().modelViewProjectionStale = true;
}

extern "C" {

void glMatrixMode(GLenum mode) {
    assert(mode == GL_MODELVIEW || mode == GL_PROJECTION);
    GetFixedGl().matrixMode = mode;
}

void glLoadIdentity() {
    CurrentMatrix() = Identity;
    GetFixedGl().modelViewProjectionStale = true;
}

void glPushMatrix() {
    std::vector<FixedMatrix>& stack = CurrentStack();
    assert(stack.size() < FixedStackDepth);
    stack.push_back(stack.back());
}

void glPopMatrix() {
    std::vector<FixedMatrix>& stack = CurrentStack();
    assert(stack.size() > 1);
    stack.pop_back();
    GetFixedGl().modelViewProjectionStale = true;
}

void glMultMatrixf(const GLfloat* m) {
    FixedMatrix by;
    std::memcpy(by.m, m, sizeof by.m);
    MultiplyCurrent(by);
}

void glMultMatrixd(const GLdouble* m) {
    FixedMatrix by;
    for (int i = 0; i < 16; ++i) {
        by.m[i] = static_cast<float>(m[i]);
    }
    MultiplyCurrent(by);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    FixedMatrix& top = CurrentMatrix();
    for (int row = 0; row < 4; ++row) {
        top.m[12 + row] =
            top.m[row] * x + top.m[4 + row] * y + top.m[8 + row] * z + top.m[12 + row];
    }
    GetFixedGl().modelViewProjectionStale = true;
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    FixedMatrix& top = CurrentMatrix();
    for (int row = 0; row < 4; ++row) {
        top.m[row] *= x;
        top.m[4 + row] *= y;
        top.m[8 + row] *= z;
    }
    GetFixedGl().modelViewProjectionStale = true;
}

// Angle in degrees about the axis (x, y, z).
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float s = static_cast<float>(std::sin(angle * M_PI / 180.0));
    const float c = static_cast<float>(std::cos(angle * M_PI / 180.0));
    FixedMatrix r = Identity;
    // Element (row, column) of the column-major matrix.
    auto at = [&r](int row, int column) -> float& { return r.m[4 * column + row]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) {
            return;
        }
        x /= length;
        y /= length;
        z /= length;
        const float oneMinusC = 1.0f - c;
        at(0, 0) = oneMinusC * x * x + c;
        at(0, 1) = oneMinusC * x * y - z * s;
        at(0, 2) = oneMinusC * z * x + y * s;
        at(1, 0) = oneMinusC * x * y + z * s;
        at(1, 1) = oneMinusC * y * y + c;
        at(1, 2) = oneMinusC * y * z - x * s;
        at(2, 0) = oneMinusC * z * x - y * s;
        at(2, 1) = oneMinusC * y * z + x * s;
        at(2, 2) = oneMinusC * z * z + c;
    }
    MultiplyCurrent(r);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearZ,
             GLdouble farZ) {
    const auto l = static_cast<float>(left);
    const auto r = static_cast<float>(right);
    const auto b = static_cast<float>(bottom);
    const auto t = static_cast<float>(top);
    const auto n = static_cast<float>(nearZ);
    const auto f = static_cast<float>(farZ);
    FixedMatrix o = Identity;
    o.m[0] = 2.0f / (r - l);
    o.m[5] = 2.0f / (t - b);
    o.m[10] = -2.0f / (f - n);
    o.m[12] = -(r + l) / (r - l);
    o.m[13] = -(t + b) / (t - b);
    o.m[14] = -(f + n) / (f - n);
    MultiplyCurrent(o);
}

void glGetFloatv(GLenum name, GLfloat* values) {
    FixedGlState& gl = GetFixedGl();
    if (name == GL_MODELVIEW_MATRIX) {
        std::memcpy(values, gl.modelView.back().m, sizeof(FixedMatrix));
    } else if (name == GL_PROJECTION_MATRIX) {
        std::memcpy(values, gl.projection.back().m, sizeof(FixedMatrix));
    } else {
        emscripten_glGetFloatv(name, values);
    }
}

} // extern "C"

void ResetFixedMatrices(FixedGlState* gl) {
    gl->modelView.assign(1, Identity);
    gl->projection.assign(1, Identity);
    gl->modelView.reserve(FixedStackDepth);
    gl->projection.reserve(FixedStackDepth);
    gl->matrixMode = GL_MODELVIEW;
    gl->modelViewProjectionStale = true;
}
