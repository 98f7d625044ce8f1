// Immediate mode on WebGL 2: vertices, primitives, the triangle batch, the
// shader that stands in for the two fixed-function texture units, and the
// switches that pass through.
//
// Vertices are transformed to clip space when they are given, so a batch can
// run across matrix changes; any other change of state sends the batch first.
// Filled polygons become fans of triangles. In line mode each polygon's edges
// become quads one line width across (the wide-line rule: x-major lines grow
// vertically, y-major ones horizontally), culled on the processor as the
// polygon would be.
#include "fixedgl/fixed_gl.h"
#include "fixedgl/fixed_gl_state.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

static FixedGlState State;

FixedGlState& GetFixedGl() {
    return State;
}

// The vertex stage only passes clip-space positions on. The fragment stage
// is made for each texturing combination in use, so that it has no branches
// (the software rasterizers browsers fall back on pay for every one): unit 0
// then unit 1, each off, replacing (an RGB or luminance texture keeps the
// fragment's alpha) or modulating. A GL_CLAMP texture's bilinear reads past
// the edge take in a black border, so a read is scaled by the part of its
// footprint inside the picture (uSize: the texture's size in texels).
static const char VertexShader[] = R"(#version 300 es
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec4 aTexCoords;
out vec4 vColour;
out vec4 vTexCoords;
void main() {
    gl_Position = aPosition;
    vColour = aColour;
    vTexCoords = aTexCoords;
}
)";

static const char FragmentHead[] = R"(#version 300 es
precision highp float;
in vec4 vColour;
in vec4 vTexCoords;
uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform vec2 uSize0;
uniform vec2 uSize1;
out vec4 outColour;

vec4 Clamped(vec4 texel, vec2 st, vec2 size) {
    vec2 edge = clamp(st, 0.0, 1.0) * size;
    vec2 inside = clamp(min(edge + 0.5, size - edge + 0.5), 0.0, 1.0);
    return texel * (inside.x * inside.y);
}

void main() {
    vec4 colour = vColour;
    vec4 texel;
)";

// Texture formats as the program key counts them.
enum : int32_t { FormatRgb = 0, FormatRgba = 1, FormatRgbClamp = 2, FormatRgbaClamp = 3 };
enum : int32_t { ModeOff = 0, ModeReplace = 1, ModeModulate = 2 };

// The fragment code of one unit.
static std::string UnitCode(int unit, int32_t mode, int32_t format) {
    if (mode == ModeOff) {
        return "";
    }
    const std::string n = std::to_string(unit);
    const std::string st = unit == 0 ? "vTexCoords.xy" : "vTexCoords.zw";
    const bool alpha = format == FormatRgba || format == FormatRgbaClamp;
    const bool clamp = format == FormatRgbClamp || format == FormatRgbaClamp;
    std::string code = "    texel = texture(uTexture" + n + ", " + st + ");\n";
    if (clamp) {
        // Without alpha of its own the texel's alpha stays 1.
        code += std::string("    texel") + (alpha ? "" : ".rgb") + " = Clamped(texel, " + st +
                ", uSize" + n + ")" + (alpha ? "" : ".rgb") + ";\n";
    }
    if (mode == ModeReplace) {
        code += alpha ? "    colour = texel;\n" : "    colour.rgb = texel.rgb;\n";
    } else {
        code += "    colour *= texel;\n";
    }
    return code;
}

static GLuint CompileShader(GLenum type, const char* text) {
    GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &text, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled ? shader : 0;
}

// Key of a combination: unit 0's mode and format, then unit 1's.
static int32_t ProgramKey(const int32_t modes[2], const int32_t formats[2]) {
    return (modes[0] * 4 + formats[0]) * 12 + modes[1] * 4 + formats[1];
}

static GLuint MakeProgram(int32_t key) {
    FixedGlState& gl = State;
    const int32_t modes[2] = {key / 12 / 4, key % 12 / 4};
    const int32_t formats[2] = {key / 12 % 4, key % 12 % 4};
    const std::string text = std::string(FragmentHead) + UnitCode(0, modes[0], formats[0]) +
                             UnitCode(1, modes[1], formats[1]) + "    outColour = colour;\n}\n";
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, text.c_str());
    assert(fragment != 0);
    GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, gl.vertexShader);
    emscripten_glAttachShader(program, fragment);
    emscripten_glLinkProgram(program);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    assert(linked);
    emscripten_glUseProgram(program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(program, "uTexture0"), 0);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(program, "uTexture1"), 1);
    gl.sizeLocations[key][0] = emscripten_glGetUniformLocation(program, "uSize0");
    gl.sizeLocations[key][1] = emscripten_glGetUniformLocation(program, "uSize1");
    gl.programs[key] = program;
    return program;
}

bool SetFixedGlOmission(const char* what) {
    const std::string name = what;
    State.omitLines = name == "lines";
    State.omitBlend = name == "blend";
    State.omitUnit1 = name == "unit1";
    State.omitClamp = name == "clamp";
    State.omitFragmentAlpha = name == "alpha";
    State.omitNonPowerOfTwo = name == "npot";
    State.flipSphere = name == "sphereflip";
    return State.omitLines || State.omitBlend || State.omitUnit1 || State.omitClamp ||
           State.omitFragmentAlpha || State.omitNonPowerOfTwo || State.flipSphere;
}

bool InitFixedGl(int width, int height) {
    FixedGlState& gl = State;
    gl.vertexShader = CompileShader(GL_VERTEX_SHADER, VertexShader);
    if (gl.vertexShader == 0) {
        return false;
    }
    for (GLuint& program : gl.programs) {
        program = 0;
    }
    // The plainest combination proves that the shaders build here.
    if (MakeProgram(0) == 0) {
        return false;
    }
    gl.currentProgram = 0;

    emscripten_glGenVertexArrays(1, &gl.vertexArray);
    emscripten_glBindVertexArray(gl.vertexArray);
    emscripten_glGenBuffers(1, &gl.vertexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, gl.vertexBuffer);
    const auto stride = static_cast<GLsizei>(sizeof(FixedVertex));
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        emscripten_glEnableVertexAttribArray(attribute);
        emscripten_glVertexAttribPointer(attribute, 4, GL_FLOAT, GL_FALSE, stride,
                                         reinterpret_cast<const void*>(16 * attribute));
    }

    ResetFixedMatrices(&gl);
    const float white[4] = {1, 1, 1, 1};
    std::memcpy(gl.colour, white, sizeof gl.colour);
    std::memset(gl.texCoords, 0, sizeof gl.texCoords);
    gl.primitive = 0;
    gl.batch.reserve(1 << 14);
    gl.batchIsLines = false;
    for (FixedTextureUnit& unit : gl.units) {
        unit = {false, 0, GL_MODULATE};
    }
    gl.activeUnit = 0;
    gl.polygonMode = GL_FILL;
    gl.lineWidth = 1.0f;
    gl.blend = false;
    gl.cullFace = false;
    gl.depthTest = false;
    gl.cullFaceMode = GL_BACK;
    gl.unpackAlignment = 4;
    gl.packAlignment = 4;
    glViewport(0, 0, width, height);
    return true;
}

// A unit's part of the program key: mode off when it draws nothing (off, or
// no picture bound); its texture's size goes to the clamp reads.
static void UnitSwitches(const FixedTextureUnit& unit, int32_t* mode, int32_t* format,
                         const FixedTexture** texture) {
    *mode = ModeOff;
    *format = FormatRgb;
    *texture = nullptr;
    if (!unit.enabled || unit.texture == 0) {
        return;
    }
    if (&unit == &State.units[1] && State.omitUnit1) {
        return;
    }
    const FixedTexture& bound = GetFixedTexture(unit.texture);
    if (bound.width == 0) {
        return;
    }
    *mode = unit.envMode == GL_REPLACE ? ModeReplace : ModeModulate;
    const bool alpha = bound.hasAlpha || State.omitFragmentAlpha;
    const bool clamp = bound.clamp && !State.omitClamp;
    *format = (alpha ? 1 : 0) | (clamp ? 2 : 0);
    *texture = &bound;
}

static void UseTexturingProgram() {
    FixedGlState& gl = State;
    int32_t modes[FixedUnitCount];
    int32_t formats[FixedUnitCount];
    const FixedTexture* textures[FixedUnitCount];
    for (int unit = 0; unit < FixedUnitCount; ++unit) {
        UnitSwitches(gl.units[unit], &modes[unit], &formats[unit], &textures[unit]);
    }
    const int32_t key = ProgramKey(modes, formats);
    if (gl.programs[key] == 0) {
        MakeProgram(key);
        gl.currentProgram = -1;
    }
    if (key != gl.currentProgram) {
        emscripten_glUseProgram(gl.programs[key]);
        gl.currentProgram = key;
    }
    for (int unit = 0; unit < FixedUnitCount; ++unit) {
        if (textures[unit] != nullptr && textures[unit]->clamp) {
            emscripten_glUniform2f(gl.sizeLocations[key][unit],
                                   static_cast<float>(textures[unit]->width),
                                   static_cast<float>(textures[unit]->height));
        }
    }
}

void FlushBatch() {
    FixedGlState& gl = State;
    if (gl.batch.empty()) {
        return;
    }
    UseTexturingProgram();
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(gl.batch.size() * sizeof(FixedVertex)),
                            gl.batch.data(), GL_STREAM_DRAW);
    // Expanded lines have no facing of their own: their polygons were culled
    // already.
    const bool uncull = gl.batchIsLines && gl.cullFace;
    if (uncull) {
        emscripten_glDisable(GL_CULL_FACE);
    }
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(gl.batch.size()));
    if (uncull) {
        emscripten_glEnable(GL_CULL_FACE);
    }
    gl.batch.clear();
}

void FlushFixedGl() {
    FlushBatch();
}

// ---- vertices and primitives

static void AddVertex(float x, float y, float z) {
    FixedGlState& gl = State;
    assert(gl.primitive != 0);
    const float* m = GetModelViewProjection().m;
    FixedVertex v;
    for (int row = 0; row < 4; ++row) {
        v.position[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    }
    std::memcpy(v.colour, gl.colour, sizeof v.colour);
    std::memcpy(v.texCoords, gl.texCoords, sizeof v.texCoords);
    gl.open.push_back(v);
}

// Twice the signed area of the polygon in normalized device coordinates;
// positive when it winds counter-clockwise (front-facing). Zero when a corner
// lies behind the eye and the facing cannot be told this way.
static float FacingArea(const FixedVertex* const* corners, size_t count) {
    float area = 0.0f;
    for (size_t i = 0; i < count; ++i) {
        const float* a = corners[i]->position;
        const float* b = corners[(i + 1) % count]->position;
        if (a[3] <= 0.0f || b[3] <= 0.0f) {
            return 0.0f;
        }
        area += (a[0] / a[3]) * (b[1] / b[3]) - (b[0] / b[3]) * (a[1] / a[3]);
    }
    return area;
}

static bool IsCulled(const FixedVertex* const* corners, size_t count) {
    const FixedGlState& gl = State;
    if (!gl.cullFace) {
        return false;
    }
    if (gl.cullFaceMode == GL_FRONT_AND_BACK) {
        return true;
    }
    const float area = FacingArea(corners, count);
    if (area == 0.0f) {
        return false;
    }
    const bool front = area > 0.0f;
    return gl.cullFaceMode == GL_FRONT ? front : !front;
}

static FixedVertex Mix(const FixedVertex& a, const FixedVertex& b, float f) {
    FixedVertex v;
    for (int i = 0; i < 4; ++i) {
        v.position[i] = a.position[i] + (b.position[i] - a.position[i]) * f;
        v.colour[i] = a.colour[i] + (b.colour[i] - a.colour[i]) * f;
        v.texCoords[i] = a.texCoords[i] + (b.texCoords[i] - a.texCoords[i]) * f;
    }
    return v;
}

// One edge as a quad lineWidth pixels across, cut at the near plane first.
static void AddWideLine(FixedVertex a, FixedVertex b) {
    FixedGlState& gl = State;
    const float da = a.position[2] + a.position[3];
    const float db = b.position[2] + b.position[3];
    if (da < 0.0f && db < 0.0f) {
        return;
    }
    if (da < 0.0f) {
        a = Mix(a, b, da / (da - db));
    } else if (db < 0.0f) {
        b = Mix(b, a, db / (db - da));
    }
    const float width = static_cast<float>(gl.viewport[2]);
    const float height = static_cast<float>(gl.viewport[3]);
    const float dx = (b.position[0] / b.position[3] - a.position[0] / a.position[3]) * width;
    const float dy = (b.position[1] / b.position[3] - a.position[1] / a.position[3]) * height;
    // Half the width in normalized device units, along the minor axis.
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    if (std::fabs(dx) >= std::fabs(dy)) {
        offsetY = gl.lineWidth / height;
    } else {
        offsetX = gl.lineWidth / width;
    }
    FixedVertex corners[4] = {a, b, b, a};
    const float signs[4] = {-1.0f, -1.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        corners[i].position[0] += signs[i] * offsetX * corners[i].position[3];
        corners[i].position[1] += signs[i] * offsetY * corners[i].position[3];
    }
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int i : order) {
        gl.batch.push_back(corners[i]);
    }
}

static void AddPolygon(const FixedVertex* const* corners, size_t count, bool lines) {
    FixedGlState& gl = State;
    if (lines) {
        if (gl.omitLines || IsCulled(corners, count)) {
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            AddWideLine(*corners[i], *corners[(i + 1) % count]);
        }
        return;
    }
    for (size_t i = 1; i + 1 < count; ++i) {
        gl.batch.push_back(*corners[0]);
        gl.batch.push_back(*corners[i]);
        gl.batch.push_back(*corners[i + 1]);
    }
}

extern "C" {

void glBegin(GLenum mode) {
    FixedGlState& gl = State;
    assert(gl.primitive == 0);
    assert(mode == GL_TRIANGLES || mode == GL_QUADS || mode == GL_POLYGON ||
           mode == GL_QUAD_STRIP || mode == GL_TRIANGLE_FAN || mode == GL_TRIANGLE_STRIP);
    gl.primitive = mode;
    gl.open.clear();
}

void glEnd() {
    FixedGlState& gl = State;
    assert(gl.primitive != 0);
    const bool lines = gl.polygonMode == GL_LINE;
    if (!gl.batch.empty() && gl.batchIsLines != lines) {
        FlushBatch();
    }
    gl.batchIsLines = lines;
    const std::vector<FixedVertex>& v = gl.open;
    const size_t n = v.size();
    const FixedVertex* corners[4];
    switch (gl.primitive) {
    case GL_TRIANGLES:
    case GL_QUADS: {
        const size_t size = gl.primitive == GL_TRIANGLES ? 3 : 4;
        for (size_t first = 0; first + size <= n; first += size) {
            for (size_t i = 0; i < size; ++i) {
                corners[i] = &v[first + i];
            }
            AddPolygon(corners, size, lines);
        }
        break;
    }
    case GL_QUAD_STRIP:
        for (size_t first = 0; first + 4 <= n; first += 2) {
            corners[0] = &v[first];
            corners[1] = &v[first + 1];
            corners[2] = &v[first + 3];
            corners[3] = &v[first + 2];
            AddPolygon(corners, 4, lines);
        }
        break;
    case GL_TRIANGLE_STRIP:
        for (size_t first = 0; first + 3 <= n; ++first) {
            const bool odd = (first & 1) != 0;
            corners[0] = &v[first + (odd ? 1 : 0)];
            corners[1] = &v[first + (odd ? 0 : 1)];
            corners[2] = &v[first + 2];
            AddPolygon(corners, 3, lines);
        }
        break;
    default: { // GL_POLYGON and GL_TRIANGLE_FAN: one fan
        if (n >= 3) {
            std::vector<const FixedVertex*> all(n);
            for (size_t i = 0; i < n; ++i) {
                all[i] = &v[i];
            }
            AddPolygon(all.data(), n, lines);
        }
        break;
    }
    }
    gl.primitive = 0;
}

void glVertex2f(GLfloat x, GLfloat y) {
    AddVertex(x, y, 0.0f);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    AddVertex(x, y, z);
}

void glVertex3fv(const GLfloat* v) {
    AddVertex(v[0], v[1], v[2]);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    // Colours are clamped as the fixed-function vertex stage clamps them.
    float* colour = State.colour;
    colour[0] = std::clamp(red, 0.0f, 1.0f);
    colour[1] = std::clamp(green, 0.0f, 1.0f);
    colour[2] = std::clamp(blue, 0.0f, 1.0f);
    colour[3] = std::clamp(alpha, 0.0f, 1.0f);
}

void glColor4fv(const GLfloat* v) {
    glColor4f(v[0], v[1], v[2], v[3]);
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    glColor4f(red, green, blue, 1.0f);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    State.texCoords[0] = s;
    State.texCoords[1] = t;
}

void glTexCoord2fv(const GLfloat* v) {
    glTexCoord2f(v[0], v[1]);
}

// ---- switches

void glEnable(GLenum capability) {
    FlushBatch();
    FixedGlState& gl = State;
    switch (capability) {
    case GL_TEXTURE_2D:
        gl.units[gl.activeUnit].enabled = true;
        return;
    case GL_BLEND:
        gl.blend = true;
        if (gl.omitBlend) {
            return;
        }
        break;
    case GL_CULL_FACE:
        gl.cullFace = true;
        break;
    case GL_DEPTH_TEST:
        gl.depthTest = true;
        break;
    default:
        break;
    }
    emscripten_glEnable(capability);
}

void glDisable(GLenum capability) {
    FlushBatch();
    FixedGlState& gl = State;
    switch (capability) {
    case GL_TEXTURE_2D:
        gl.units[gl.activeUnit].enabled = false;
        return;
    case GL_BLEND:
        gl.blend = false;
        break;
    case GL_CULL_FACE:
        gl.cullFace = false;
        break;
    case GL_DEPTH_TEST:
        gl.depthTest = false;
        break;
    default:
        break;
    }
    emscripten_glDisable(capability);
}

GLboolean glIsEnabled(GLenum capability) {
    const FixedGlState& gl = State;
    switch (capability) {
    case GL_TEXTURE_2D:
        return gl.units[gl.activeUnit].enabled ? GL_TRUE : GL_FALSE;
    case GL_BLEND:
        return gl.blend ? GL_TRUE : GL_FALSE;
    case GL_CULL_FACE:
        return gl.cullFace ? GL_TRUE : GL_FALSE;
    case GL_DEPTH_TEST:
        return gl.depthTest ? GL_TRUE : GL_FALSE;
    default:
        return emscripten_glIsEnabled(capability);
    }
}

void glBlendFunc(GLenum source, GLenum destination) {
    FlushBatch();
    emscripten_glBlendFunc(source, destination);
}

void glDepthFunc(GLenum function) {
    FlushBatch();
    emscripten_glDepthFunc(function);
}

void glDepthMask(GLboolean flag) {
    FlushBatch();
    emscripten_glDepthMask(flag);
}

void glCullFace(GLenum mode) {
    FlushBatch();
    State.cullFaceMode = mode;
    emscripten_glCullFace(mode);
}

void glClear(GLbitfield mask) {
    FlushBatch();
    emscripten_glClear(mask);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    FlushBatch();
    emscripten_glClearColor(red, green, blue, alpha);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    FlushBatch();
    FixedGlState& gl = State;
    gl.viewport[0] = x;
    gl.viewport[1] = y;
    gl.viewport[2] = width;
    gl.viewport[3] = height;
    emscripten_glViewport(x, y, width, height);
}

// Colours never change inside a primitive in the show, so flat and smooth
// shading draw alike.
void glShadeModel(GLenum) {}

void glPolygonMode(GLenum face, GLenum mode) {
    assert(face == GL_FRONT_AND_BACK);
    (void)face;
    State.polygonMode = mode;
}

void glLineWidth(GLfloat width) {
    FlushBatch();
    State.lineWidth = std::max(width, 1.0f);
}

void glFlush() {
    FlushBatch();
    emscripten_glFlush();
}

void glFinish() {
    glFlush();
}

} // extern "C"
