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
//
// The 5-6-5 picture: Mesa's llvmpipe, which draws the desktop's frames, turns
// the fragment's colour and alpha into 8 bits, widens a 5-6-5 pixel to 8 bits
// by repeating its top bits, blends in 8 bits (each product rounded) and
// keeps the top 5, 6 and 5 bits of the sum. Other drivers (SwiftShader in a
// browser) blend in float and round to the nearest 5-6-5 value; where a
// picture feeds back on itself through blending (the object scene's trails)
// the two round to different colours, frame after frame. So the layer's
// picture is RGBA8 and the layer does llvmpipe's arithmetic itself: the
// fragment stage rounds to 8 bits and, where nothing of the picture is
// blended in, keeps the top bits at once; blended batches go to the driver
// premultiplied (the 8-bit product), blended in 8 bits, and a pass over the
// batch's pixels then keeps their top bits. Alpha in the picture stays 1.
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

// 8-bit channels as the 5-6-5 picture keeps them: the top 5, 6 and 5 bits,
// widened to 8 again by repeating them, as the picture reads back.
vec3 Picture565(vec3 c8) {
    vec3 top = floor(c8 / vec3(8.0, 4.0, 8.0));
    return (top * vec3(8.0, 4.0, 8.0) + floor(top / vec3(4.0, 16.0, 4.0))) / 255.0;
}

vec4 Clamped(vec4 texel, vec2 st, vec2 size) {
    vec2 edge = clamp(st, 0.0, 1.0) * size;
    vec2 inside = clamp(min(edge + 0.5, size - edge + 0.5), 0.0, 1.0);
    return texel * (inside.x * inside.y);
}
)";

static const char FragmentMain[] = R"(
void main() {
    vec4 colour = vColour;
    vec4 texel;
)";

// Texture formats as the program key counts them.
enum : int32_t { FormatRgb = 0, FormatRgba = 1, FormatRgbClamp = 2, FormatRgbaClamp = 3 };
enum : int32_t { ModeOff = 0, ModeReplace = 1, ModeModulate = 2 };
// How the fragment reaches the picture: written in 5-6-5 (blending off, or
// nothing of the picture blended in), as is or times its alpha (GL_SRC_ALPHA);
// or blended by the driver in 8 bits, as is or times its alpha.
enum : int32_t {
    WriteOpaque = 0,
    WriteOpaqueTimesAlpha = 1,
    WriteBlended = 2,
    WriteBlendedTimesAlpha = 3
};
constexpr int32_t WriteCount = 4;

// The picture pass: each pixel's top bits, from the copy on unit 2.
static const char RequantizeShader[] = R"(
uniform sampler2D uPicture;
void main() {
    vec4 c = texelFetch(uPicture, ivec2(gl_FragCoord.xy), 0);
    outColour = vec4(Picture565(floor(c.rgb * 255.0 + 0.5)), 1.0);
}
)";

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

// The end of the fragment stage for a way of writing: colour to 8 bits
// (alpha too), the premultiplied product rounded as the driver rounds it.
static std::string WriteCode(int32_t write) {
    std::string code = "    vec4 c8 = floor(clamp(colour, 0.0, 1.0) * 255.0 + 0.5);\n";
    if (write == WriteOpaqueTimesAlpha || write == WriteBlendedTimesAlpha) {
        code += "    c8.rgb = floor((c8.rgb * c8.a + 127.5) / 255.0);\n";
    }
    if (write == WriteOpaque || write == WriteOpaqueTimesAlpha) {
        code += "    outColour = vec4(Picture565(c8.rgb), 1.0);\n";
    } else {
        code += "    outColour = c8 / 255.0;\n";
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

// Key of a combination: unit 0's mode and format, then unit 1's, then the
// way of writing.
static int32_t ProgramKey(const int32_t modes[2], const int32_t formats[2], int32_t write) {
    return ((modes[0] * 4 + formats[0]) * 12 + modes[1] * 4 + formats[1]) * WriteCount + write;
}

static GLuint LinkProgram(const std::string& fragmentText) {
    FixedGlState& gl = State;
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentText.c_str());
    assert(fragment != 0);
    GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, gl.vertexShader);
    emscripten_glAttachShader(program, fragment);
    emscripten_glLinkProgram(program);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    assert(linked);
    return linked ? program : 0;
}

static GLuint MakeProgram(int32_t key) {
    FixedGlState& gl = State;
    const int32_t write = key % WriteCount;
    const int32_t units = key / WriteCount;
    const int32_t modes[2] = {units / 12 / 4, units % 12 / 4};
    const int32_t formats[2] = {units / 12 % 4, units % 12 % 4};
    const std::string text = std::string(FragmentHead) + FragmentMain +
                             UnitCode(0, modes[0], formats[0]) + UnitCode(1, modes[1], formats[1]) +
                             WriteCode(write) + "}\n";
    GLuint program = LinkProgram(text);
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
    gl.requantizeProgram = LinkProgram(std::string(FragmentHead) + RequantizeShader);
    if (gl.requantizeProgram == 0) {
        return false;
    }
    emscripten_glUseProgram(gl.requantizeProgram);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(gl.requantizeProgram, "uPicture"), 2);
    emscripten_glUseProgram(gl.programs[0]);
    gl.pictureWidth = width;
    gl.pictureHeight = height;
    emscripten_glGenTextures(1, &gl.pictureCopy);
    emscripten_glActiveTexture(GL_TEXTURE2);
    emscripten_glBindTexture(GL_TEXTURE_2D, gl.pictureCopy);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                            nullptr);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    emscripten_glActiveTexture(GL_TEXTURE0);

    // The batch's vertices and the picture pass's quad, each in a buffer and
    // vertex array of its own.
    const auto stride = static_cast<GLsizei>(sizeof(FixedVertex));
    emscripten_glGenVertexArrays(1, &gl.requantizeVertexArray);
    emscripten_glGenBuffers(1, &gl.requantizeBuffer);
    emscripten_glGenVertexArrays(1, &gl.vertexArray);
    emscripten_glGenBuffers(1, &gl.vertexBuffer);
    const GLuint arrays[2] = {gl.requantizeVertexArray, gl.vertexArray};
    const GLuint buffers[2] = {gl.requantizeBuffer, gl.vertexBuffer};
    for (int i = 0; i < 2; ++i) {
        emscripten_glBindVertexArray(arrays[i]);
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffers[i]);
        for (GLuint attribute = 0; attribute < 3; ++attribute) {
            emscripten_glEnableVertexAttribArray(attribute);
            emscripten_glVertexAttribPointer(attribute, 4, GL_FLOAT, GL_FALSE, stride,
                                             reinterpret_cast<const void*>(16 * attribute));
        }
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
    gl.blendSource = GL_ONE;
    gl.blendDestination = GL_ZERO;
    gl.driverBlendDestination = GL_ZERO;
    // The picture's alpha is never blended: it stays 1, as 5-6-5 reads.
    emscripten_glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ZERO, GL_ONE);
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

// How the batch reaches the picture under the blending in force; gives the
// driver the matching colour factors (the source is always taken as is,
// premultiplied by the fragment stage where GL_SRC_ALPHA asks for it).
static int32_t PrepareWrite() {
    FixedGlState& gl = State;
    if (!gl.blend || gl.omitBlend) {
        return WriteOpaque;
    }
    const bool timesAlpha = gl.blendSource == GL_SRC_ALPHA;
    assert(timesAlpha || gl.blendSource == GL_ONE);
    const GLenum destination = gl.blendDestination;
    assert(destination == GL_ZERO || destination == GL_ONE ||
           destination == GL_ONE_MINUS_SRC_ALPHA);
    if (destination != gl.driverBlendDestination) {
        emscripten_glBlendFuncSeparate(GL_ONE, destination, GL_ZERO, GL_ONE);
        gl.driverBlendDestination = destination;
    }
    if (destination == GL_ZERO) {
        return timesAlpha ? WriteOpaqueTimesAlpha : WriteOpaque;
    }
    return timesAlpha ? WriteBlendedTimesAlpha : WriteBlended;
}

static void UseTexturingProgram(int32_t write) {
    FixedGlState& gl = State;
    int32_t modes[FixedUnitCount];
    int32_t formats[FixedUnitCount];
    const FixedTexture* textures[FixedUnitCount];
    for (int unit = 0; unit < FixedUnitCount; ++unit) {
        UnitSwitches(gl.units[unit], &modes[unit], &formats[unit], &textures[unit]);
    }
    const int32_t key = ProgramKey(modes, formats, write);
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

// The pixels of the batch's vertices [first, end) in the picture, a pixel
// wider each way: x, y, width and height; the whole picture when a vertex
// lies behind the eye.
static void BatchArea(size_t first, size_t end, GLint area[4]) {
    const FixedGlState& gl = State;
    float low[2] = {1.0f, 1.0f};
    float high[2] = {-1.0f, -1.0f};
    for (size_t i = first; i < end; ++i) {
        const FixedVertex& v = gl.batch[i];
        if (v.position[3] <= 0.0f) {
            low[0] = low[1] = -1.0f;
            high[0] = high[1] = 1.0f;
            break;
        }
        for (int axis = 0; axis < 2; ++axis) {
            const float ndc = v.position[axis] / v.position[3];
            low[axis] = std::min(low[axis], ndc);
            high[axis] = std::max(high[axis], ndc);
        }
    }
    const int32_t size[2] = {gl.pictureWidth, gl.pictureHeight};
    for (int axis = 0; axis < 2; ++axis) {
        const float origin = static_cast<float>(gl.viewport[axis]);
        const float extent = static_cast<float>(gl.viewport[2 + axis]);
        const float first = origin + (std::max(low[axis], -1.0f) + 1.0f) * 0.5f * extent;
        const float last = origin + (std::min(high[axis], 1.0f) + 1.0f) * 0.5f * extent;
        const int32_t from = std::max(static_cast<int32_t>(std::floor(first)) - 1, 0);
        const int32_t to = std::min(static_cast<int32_t>(std::ceil(last)) + 1, size[axis]);
        area[axis] = from;
        area[2 + axis] = std::max(to - from, 0);
    }
}

// Brings the pixels that the batch's vertices [first, end) touched back to
// 5-6-5: copies them to unit 2 and draws them again through the requantizing
// program, with no blending, depth test or culling; then puts the layer's
// state back (the texturing program is chosen again by the next draw).
static void RequantizeBatchArea(size_t first, size_t end) {
    FixedGlState& gl = State;
    GLint area[4];
    BatchArea(first, end, area);
    if (area[2] == 0 || area[3] == 0) {
        return;
    }
    emscripten_glActiveTexture(GL_TEXTURE2);
    emscripten_glCopyTexSubImage2D(GL_TEXTURE_2D, 0, area[0], area[1], area[0], area[1], area[2],
                                   area[3]);
    emscripten_glActiveTexture(GL_TEXTURE0 + gl.activeUnit);
    emscripten_glUseProgram(gl.requantizeProgram);
    gl.currentProgram = -1;
    emscripten_glViewport(0, 0, gl.pictureWidth, gl.pictureHeight);
    emscripten_glDisable(GL_BLEND);
    if (gl.depthTest) {
        emscripten_glDisable(GL_DEPTH_TEST);
    }
    if (gl.cullFace) {
        emscripten_glDisable(GL_CULL_FACE);
    }
    const float x0 = 2.0f * static_cast<float>(area[0]) / static_cast<float>(gl.pictureWidth) - 1;
    const float y0 = 2.0f * static_cast<float>(area[1]) / static_cast<float>(gl.pictureHeight) - 1;
    const float x1 =
        2.0f * static_cast<float>(area[0] + area[2]) / static_cast<float>(gl.pictureWidth) - 1;
    const float y1 =
        2.0f * static_cast<float>(area[1] + area[3]) / static_cast<float>(gl.pictureHeight) - 1;
    const float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
    FixedVertex quad[6] = {};
    for (int i = 0; i < 6; ++i) {
        quad[i].position[0] = corners[i][0];
        quad[i].position[1] = corners[i][1];
        quad[i].position[3] = 1.0f;
    }
    emscripten_glBindVertexArray(gl.requantizeVertexArray);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, gl.requantizeBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof quad), quad,
                            GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, 6);
    emscripten_glBindVertexArray(gl.vertexArray);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, gl.vertexBuffer);
    emscripten_glEnable(GL_BLEND);
    if (gl.depthTest) {
        emscripten_glEnable(GL_DEPTH_TEST);
    }
    if (gl.cullFace) {
        emscripten_glEnable(GL_CULL_FACE);
    }
    emscripten_glViewport(gl.viewport[0], gl.viewport[1], gl.viewport[2], gl.viewport[3]);
}

static WindowTriangle ToWindow(const FixedVertex* corners) {
    const FixedGlState& gl = State;
    WindowTriangle t{};
    for (int i = 0; i < 3; ++i) {
        const float w = corners[i].position[3];
        if (w <= 0.0f) {
            t.behind = true;
            return t;
        }
        t.x[i] = (corners[i].position[0] / w + 1.0f) * 0.5f * static_cast<float>(gl.viewport[2]);
        t.y[i] = (corners[i].position[1] / w + 1.0f) * 0.5f * static_cast<float>(gl.viewport[3]);
    }
    return t;
}

// Whether b's projection on the normal of a's edge from corner i lies
// wholly on the far side of it, touching allowed.
static bool Separates(const WindowTriangle& a, int i, const WindowTriangle& b) {
    const int j = (i + 1) % 3;
    const float nx = a.y[j] - a.y[i];
    const float ny = a.x[i] - a.x[j];
    float aLow = 0.0f;
    float aHigh = 0.0f;
    float bLow = 0.0f;
    float bHigh = 0.0f;
    for (int k = 0; k < 3; ++k) {
        const float pa = nx * a.x[k] + ny * a.y[k];
        const float pb = nx * b.x[k] + ny * b.y[k];
        aLow = k == 0 ? pa : std::min(aLow, pa);
        aHigh = k == 0 ? pa : std::max(aHigh, pa);
        bLow = k == 0 ? pb : std::min(bLow, pb);
        bHigh = k == 0 ? pb : std::max(bHigh, pb);
    }
    const float slack = 1e-4f * (std::fabs(nx) + std::fabs(ny));
    return aHigh <= bLow + slack || bHigh <= aLow + slack;
}

// Whether a triangle takes part in the overlap tests: one that culling
// drops or that has no area fills no pixel. One with a corner behind the eye
// is left out too: such triangles belong to shapes round the eye (the sky
// spheres), which cover each pixel once.
static bool Counts(const WindowTriangle& t) {
    const FixedGlState& gl = State;
    if (t.behind) {
        return false;
    }
    const float area =
        (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.x[2] - t.x[0]) * (t.y[1] - t.y[0]);
    if (area == 0.0f) {
        return false;
    }
    if (!gl.cullFace || gl.batchIsLines) {
        return true;
    }
    if (gl.cullFaceMode == GL_FRONT_AND_BACK) {
        return false;
    }
    const bool front = area > 0.0f;
    return gl.cullFaceMode == GL_FRONT ? !front : front;
}

// Whether two triangles share pixels: their insides overlap (triangles that
// only share an edge never fill a pixel twice).
static bool Overlap(const WindowTriangle& a, const WindowTriangle& b) {
    for (int i = 0; i < 3; ++i) {
        if (Separates(a, i, b) || Separates(b, i, a)) {
            return false;
        }
    }
    return true;
}

// Draws the batch's vertices [first, end) with the program for write.
static void DrawBatchPart(int32_t write, size_t first, size_t end) {
    FixedGlState& gl = State;
    UseTexturingProgram(write);
    // Expanded lines have no facing of their own: their polygons were culled
    // already.
    const bool uncull = gl.batchIsLines && gl.cullFace;
    if (uncull) {
        emscripten_glDisable(GL_CULL_FACE);
    }
    emscripten_glDrawArrays(GL_TRIANGLES, static_cast<GLint>(first),
                            static_cast<GLsizei>(end - first));
    if (uncull) {
        emscripten_glEnable(GL_CULL_FACE);
    }
}

// Blended batches of more polygons (meshes, drawn with a depth test) are
// brought back to 5-6-5 as one run: finding their overlaps would cost more
// than the few pixels where they differ.
constexpr size_t MaxSplitPolygons = 128;

// A blended batch: the desktop's driver keeps each polygon's pixels in 5-6-5
// before the next polygon blends over them, so the batch is drawn in runs of
// polygons that do not overlap one another, each run brought back to 5-6-5.
static void DrawBlendedBatch(int32_t write) {
    FixedGlState& gl = State;
    const std::vector<uint32_t>& starts = gl.batchPolygons;
    if (starts.size() > MaxSplitPolygons) {
        DrawBatchPart(write, 0, gl.batch.size());
        RequantizeBatchArea(0, gl.batch.size());
        return;
    }
    std::vector<WindowTriangle>& run = gl.runTriangles;
    size_t runStart = 0;
    run.clear();
    for (size_t p = 0; p <= starts.size(); ++p) {
        const size_t first = p < starts.size() ? starts[p] : gl.batch.size();
        const size_t end = p + 1 < starts.size() ? starts[p + 1] : gl.batch.size();
        bool overlaps = p == starts.size();
        const size_t runEnd = run.size();
        for (size_t v = first; v + 3 <= end && !overlaps; v += 3) {
            const WindowTriangle t = ToWindow(&gl.batch[v]);
            if (!Counts(t)) {
                continue;
            }
            for (size_t i = 0; i < runEnd && !overlaps; ++i) {
                overlaps = Overlap(t, run[i]);
            }
            run.push_back(t);
        }
        if (overlaps && first > runStart) {
            DrawBatchPart(write, runStart, first);
            RequantizeBatchArea(runStart, first);
            runStart = first;
            run.clear();
            for (size_t v = first; v + 3 <= end; v += 3) {
                const WindowTriangle t = ToWindow(&gl.batch[v]);
                if (Counts(t)) {
                    run.push_back(t);
                }
            }
        }
    }
}

void FlushBatch() {
    FixedGlState& gl = State;
    if (gl.batch.empty()) {
        return;
    }
    const int32_t write = PrepareWrite();
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(gl.batch.size() * sizeof(FixedVertex)),
                            gl.batch.data(), GL_STREAM_DRAW);
    if (write == WriteBlended || write == WriteBlendedTimesAlpha) {
        DrawBlendedBatch(write);
    } else {
        DrawBatchPart(write, 0, gl.batch.size());
    }
    gl.batch.clear();
    gl.batchPolygons.clear();
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
        gl.batchPolygons.push_back(static_cast<uint32_t>(gl.batch.size()));
        for (size_t i = 0; i < count; ++i) {
            AddWideLine(*corners[i], *corners[(i + 1) % count]);
        }
        return;
    }
    gl.batchPolygons.push_back(static_cast<uint32_t>(gl.batch.size()));
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

// The factors reach the driver when a batch is drawn (PrepareWrite).
void glBlendFunc(GLenum source, GLenum destination) {
    FlushBatch();
    State.blendSource = source;
    State.blendDestination = destination;
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

// The clear colour as the 5-6-5 picture keeps it (alpha 1, as it reads).
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    FlushBatch();
    (void)alpha;
    const float channels[3] = {red, green, blue};
    const int bits[3] = {5, 6, 5};
    float kept[3];
    for (int i = 0; i < 3; ++i) {
        const auto c8 = static_cast<int>(std::lround(std::clamp(channels[i], 0.0f, 1.0f) * 255));
        const int top = c8 >> (8 - bits[i]);
        kept[i] = static_cast<float>((top << (8 - bits[i])) | (top >> (2 * bits[i] - 8))) / 255;
    }
    emscripten_glClearColor(kept[0], kept[1], kept[2], 1.0f);
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
