// The GLU calls the show makes: perspective and look-at matrices, textured
// quadric spheres and mipmap building.
//
// Each follows the classic GLU library's arithmetic so that frames match the
// native build: the perspective matrix in double, look-at in float, spheres as
// quad strips from pole to pole with s running 1 → 0 round the axis, and
// mipmaps scaled to power-of-two sides and halved as mipmaps.h describes.
#include "fixedgl/fixed_gl_state.h"
#include "fixedgl/mipmaps.h"

#include <GL/glu.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <vector>

struct GLUquadric {
    GLboolean textureCoords;
    GLenum orientation;
};

extern "C" {

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fovy / 2 * M_PI / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    double m[16] = {0};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    glMultMatrixd(m);
}

static void Normalize(float v[3]) {
    const float r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (r == 0.0f) {
        return;
    }
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

static void Cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    Normalize(forward);
    Cross(forward, up, side);
    Normalize(side);
    Cross(side, forward, up);
    float m[16] = {side[0], up[0], -forward[0], 0, side[1], up[1], -forward[1], 0,
                   side[2], up[2], -forward[2], 0, 0,       0,     0,           1};
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

GLUquadric* gluNewQuadric() {
    return new GLUquadric{GL_FALSE, GLU_OUTSIDE};
}

void gluDeleteQuadric(GLUquadric* quadric) {
    delete quadric;
}

void gluQuadricTexture(GLUquadric* quadric, GLboolean textureCoords) {
    quadric->textureCoords = textureCoords;
}

void gluQuadricOrientation(GLUquadric* quadric, GLenum orientation) {
    quadric->orientation = orientation;
}

// Filled, about the z axis; one quad strip per stack from the +z pole down.
void gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks) {
    assert(slices >= 2 && stacks >= 1 && slices < 256 && stacks < 256);
    std::vector<float> sinSlice(static_cast<size_t>(slices) + 1);
    std::vector<float> cosSlice(static_cast<size_t>(slices) + 1);
    std::vector<float> sinStack(static_cast<size_t>(stacks) + 1);
    std::vector<float> cosStack(static_cast<size_t>(stacks) + 1);
    for (int i = 0; i < slices; ++i) {
        const double angle = 2 * M_PI * i / slices;
        sinSlice[i] = static_cast<float>(std::sin(angle));
        cosSlice[i] = static_cast<float>(std::cos(angle));
    }
    sinSlice[slices] = sinSlice[0];
    cosSlice[slices] = cosSlice[0];
    for (int j = 0; j <= stacks; ++j) {
        const double angle = M_PI * j / stacks;
        sinStack[j] = static_cast<float>(radius * std::sin(angle));
        cosStack[j] = static_cast<float>(radius * std::cos(angle));
    }
    // Exactly on the axis at the poles.
    sinStack[0] = 0;
    sinStack[stacks] = 0;

    const bool outside = quadric->orientation == GLU_OUTSIDE;
    const bool textured = quadric->textureCoords == GL_TRUE;
    // t of stack boundary j: 1 at the +z pole, 0 at the other (the test
    // hook's flip turns the texture upside down).
    auto stackT = [stacks](int j) {
        const float t = 1 - static_cast<float>(j) / stacks;
        return GetFixedGl().flipSphere ? 1 - t : t;
    };
    for (int j = 0; j < stacks; ++j) {
        const float zLow = cosStack[j];
        const float zHigh = cosStack[j + 1];
        const float radiusLow = sinStack[j];
        const float radiusHigh = sinStack[j + 1];
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            const float s = 1 - static_cast<float>(i) / slices;
            if (outside) {
                if (textured) {
                    glTexCoord2f(s, stackT(j + 1));
                }
                glVertex3f(radiusHigh * sinSlice[i], radiusHigh * cosSlice[i], zHigh);
                if (textured) {
                    glTexCoord2f(s, stackT(j));
                }
                glVertex3f(radiusLow * sinSlice[i], radiusLow * cosSlice[i], zLow);
            } else {
                if (textured) {
                    glTexCoord2f(s, stackT(j));
                }
                glVertex3f(radiusLow * sinSlice[i], radiusLow * cosSlice[i], zLow);
                if (textured) {
                    glTexCoord2f(s, stackT(j + 1));
                }
                glVertex3f(radiusHigh * sinSlice[i], radiusHigh * cosSlice[i], zHigh);
            }
        }
        glEnd();
    }
}

// Any picture of at least 1 x 1; level 0 has the power-of-two sides GLU
// picks, within the driver's largest texture (see mipmaps.h).
GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* data) {
    assert(type == GL_UNSIGNED_BYTE);
    if (width < 1 || height < 1) {
        return GLU_INVALID_VALUE;
    }
    // The test hook's wrong effect: such a texture keeps no picture.
    if (GetFixedGl().omitNonPowerOfTwo &&
        ((width & (width - 1)) != 0 || (height & (height - 1)) != 0)) {
        return 0;
    }
    const int components = format == GL_RGBA              ? 4
                           : format == GL_RGB             ? 3
                           : format == GL_LUMINANCE_ALPHA ? 2
                                                          : 1;
    // Work on tightly packed rows; the layer's unpack alignment is set to 1
    // for the levels made here and put back after.
    FixedGlState& gl = GetFixedGl();
    const GLint alignment = gl.unpackAlignment;
    const size_t rowBytes =
        (static_cast<size_t>(width) * components + alignment - 1) / alignment * alignment;
    std::vector<uint8_t> packed(static_cast<size_t>(width) * height * components);
    const auto* source = static_cast<const uint8_t*>(data);
    for (int row = 0; row < height; ++row) {
        std::copy_n(source + row * rowBytes, static_cast<size_t>(width) * components,
                    packed.begin() + static_cast<ptrdiff_t>(row) * width * components);
    }
    GLint maxSize = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::vector<MipmapLevel> levels =
        BuildMipmapLevels(packed.data(), components, width, height, std::max(maxSize, 1));
    gl.unpackAlignment = 1;
    for (size_t index = 0; index < levels.size(); ++index) {
        const MipmapLevel& level = levels[index];
        glTexImage2D(target, static_cast<GLint>(index), internalFormat, level.width, level.height,
                     0, format, type, level.pixels.data());
    }
    gl.unpackAlignment = alignment;
    return 0;
}

} // extern "C"
