// The layer's one state record and the WebGL calls it passes things on to.
//
// WebGL's functions are reached by their emscripten_gl… names, since the
// plain gl… names belong to this layer. The record mirrors what WebGL cannot
// hold for us: matrices, the current colour and texture coordinates, the
// vertices of the open primitive, the triangle batch and per-unit texturing.
//
// The picture under the layer is RGBA8, but the layer keeps it exactly as a
// 5-6-5 picture of the desktop's driver (Mesa's llvmpipe) would hold it, read
// back as 8 bits: see "The 5-6-5 picture" in draw.cpp.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <vector>

extern "C" {
void emscripten_glActiveTexture(GLenum unit);
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const GLchar* name);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glBindVertexArray(GLuint array);
void emscripten_glBlendFunc(GLenum source, GLenum destination);
void emscripten_glBlendFuncSeparate(GLenum sourceRgb, GLenum destinationRgb, GLenum sourceAlpha,
                                    GLenum destinationAlpha);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glCopyTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLint sourceX,
                                    GLint sourceY, GLsizei width, GLsizei height);
GLuint emscripten_glCreateProgram();
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glCullFace(GLenum mode);
void emscripten_glDepthFunc(GLenum function);
void emscripten_glDepthMask(GLboolean flag);
void emscripten_glDisable(GLenum capability);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void emscripten_glEnable(GLenum capability);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glFlush();
void emscripten_glGenBuffers(GLsizei count, GLuint* buffers);
void emscripten_glGenTextures(GLsizei count, GLuint* textures);
void emscripten_glGenVertexArrays(GLsizei count, GLuint* arrays);
void emscripten_glGetFloatv(GLenum name, GLfloat* values);
void emscripten_glGetIntegerv(GLenum name, GLint* values);
void emscripten_glGetProgramiv(GLuint program, GLenum name, GLint* value);
void emscripten_glGetShaderiv(GLuint shader, GLenum name, GLint* value);
GLint emscripten_glGetUniformLocation(GLuint program, const GLchar* name);
GLboolean emscripten_glIsEnabled(GLenum capability);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const GLchar* const* text,
                               const GLint* lengths);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width,
                                GLsizei height, GLenum format, GLenum type, const void* pixels);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniform2f(GLint location, GLfloat x, GLfloat y);
void emscripten_glUseProgram(GLuint program);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* pointer);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
}

// Column-major, as OpenGL keeps matrices.
struct FixedMatrix {
    float m[16];
};

// One vertex as the shader takes it: clip-space position, colour clamped to
// 0…1, and the texture coordinates of units 0 and 1.
struct FixedVertex {
    float position[4];
    float colour[4];
    float texCoords[4];
};

// What the layer remembers of a texture object.
struct FixedTexture {
    int32_t width;
    int32_t height;
    bool hasAlpha; // an RGBA picture; RGB and luminance ones read alpha 1
    bool clamp;    // GL_CLAMP: bilinear reads past the edge fetch a black border
};

// A triangle of the batch in window pixels (relative to the viewport);
// behind when a corner lies behind the eye.
struct WindowTriangle {
    float x[3];
    float y[3];
    bool behind;
};

struct FixedTextureUnit {
    bool enabled;
    GLuint texture;
    GLenum envMode; // GL_REPLACE or GL_MODULATE
};

constexpr int FixedUnitCount = 2;
// Texturing combinations: per unit 3 modes x 4 formats, times 4 ways of
// writing the picture (see draw.cpp).
constexpr int FixedProgramCount = 12 * 12 * 4;
constexpr int FixedStackDepth = 32;

struct FixedGlState {
    // Matrix stacks; element 0 is the bottom.
    std::vector<FixedMatrix> modelView;
    std::vector<FixedMatrix> projection;
    GLenum matrixMode;
    FixedMatrix modelViewProjection;
    bool modelViewProjectionStale;

    // Current vertex attributes.
    float colour[4];
    float texCoords[4];

    // The open glBegin/glEnd block; primitive is 0 outside one.
    GLenum primitive;
    std::vector<FixedVertex> open;

    // Triangles waiting for one draw, whether they are expanded lines, and
    // where each polygon's triangles start in it.
    std::vector<FixedVertex> batch;
    bool batchIsLines;
    std::vector<uint32_t> batchPolygons;

    FixedTextureUnit units[FixedUnitCount];
    int32_t activeUnit;
    std::vector<FixedTexture> textures; // indexed by texture name

    // Test hook (SetFixedGlOmission): effects left out.
    bool omitLines;
    bool omitBlend;
    bool omitUnit1;
    bool omitClamp;
    bool omitFragmentAlpha;
    bool omitNonPowerOfTwo;
    bool flipSphere;

    GLenum polygonMode; // GL_FILL or GL_LINE, for both faces
    float lineWidth;
    bool blend;
    GLenum blendSource; // as glBlendFunc gave them
    GLenum blendDestination;
    GLenum driverBlendDestination; // the colour factor last given to the driver
    bool cullFace;
    bool depthTest;
    GLenum cullFaceMode;
    GLint viewport[4];
    GLint unpackAlignment;
    GLint packAlignment;

    // WebGL objects: one program per texturing combination, made on first
    // use (see ProgramKey in draw.cpp), and the one in use.
    GLuint vertexShader;
    GLuint programs[FixedProgramCount];
    GLint sizeLocations[FixedProgramCount][FixedUnitCount];
    int32_t currentProgram;
    GLuint vertexArray;
    GLuint vertexBuffer;

    // The picture's size, a copy of it for the pass that brings blended
    // pixels back to 5-6-5 (on texture unit 2), and that pass's program.
    int32_t pictureWidth;
    int32_t pictureHeight;
    GLuint pictureCopy;
    GLuint requantizeProgram;
    GLuint requantizeVertexArray;
    GLuint requantizeBuffer;
    // Scratch for blended batches: the run of polygons being gathered, as
    // window triangles (see DrawBlendedBatch in draw.cpp).
    std::vector<WindowTriangle> runTriangles;
};

// The layer's state; valid after InitFixedGl.
FixedGlState& GetFixedGl();

// Sends the batch, if any, to WebGL; every state change calls it first.
void FlushBatch();

// The texture record for name, grown on demand.
FixedTexture& GetFixedTexture(GLuint name);

// product = a * b, in float, as the driver multiplies its matrices.
FixedMatrix MultiplyMatrices(const FixedMatrix& a, const FixedMatrix& b);

// The top of the stack that glMatrixMode chose.
FixedMatrix& CurrentMatrix();

// The product of the two stacks' tops, recomputed when one changed.
const FixedMatrix& GetModelViewProjection();

// Both stacks back to one identity matrix, modelview chosen.
void ResetFixedMatrices(FixedGlState* gl);
