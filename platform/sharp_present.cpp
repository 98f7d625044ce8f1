// The one-pass present; see sharp_present.h.
#include "platform/sharp_present.h"

#define GL_GLEXT_PROTOTYPES 0
#include <GL/glext.h>

#include <algorithm>

static PFNGLCREATESHADERPROC CreateShader;
static PFNGLSHADERSOURCEPROC ShaderSource;
static PFNGLCOMPILESHADERPROC CompileShader;
static PFNGLGETSHADERIVPROC GetShaderiv;
static PFNGLDELETESHADERPROC DeleteShader;
static PFNGLCREATEPROGRAMPROC CreateProgram;
static PFNGLATTACHSHADERPROC AttachShader;
static PFNGLLINKPROGRAMPROC LinkProgram;
static PFNGLGETPROGRAMIVPROC GetProgramiv;
static PFNGLDELETEPROGRAMPROC DeleteProgram;
static PFNGLUSEPROGRAMPROC UseProgram;
static PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation;
static PFNGLUNIFORM1IPROC Uniform1i;
static PFNGLUNIFORM2FPROC Uniform2f;
static PFNGLACTIVETEXTUREPROC ActiveTexture;

static GLuint Program;
static GLint PictureSizeUniform;
static GLint TexelSizeUniform;
static GLint ScaleUniform;

// Texture coordinates arrive in picture pixels' units through the standard
// attribute; the quad's corners are already in clip space.
static const char VertexSource[] = R"(#version 110
uniform vec2 pictureSize;
varying vec2 picturePosition;
void main() {
    picturePosition = gl_MultiTexCoord0.xy * pictureSize;
    gl_Position = gl_Vertex;
}
)";

// A window pixel whose centre lies within a picture pixel, farther than half
// a window pixel from its edges, takes that picture pixel's colour exactly;
// nearer an edge, the colour blends linearly to the neighbour's over one
// window pixel, as shrinking the whole-factor enlargement would. edge is the
// nearest edge between picture pixels, offset the position from it: scaled
// to window pixels and held within half a picture pixel, offset lands on the
// nearer pixel's centre everywhere but in the 1 / scale picture pixels
// around the edge, where it slides from one centre to the other. scale is
// window pixels per picture pixel (at least 1), texelSize one picture pixel
// in texture coordinates.
static const char FragmentSource[] = R"(#version 110
uniform sampler2D picture;
uniform vec2 texelSize;
uniform vec2 scale;
varying vec2 picturePosition;
void main() {
    vec2 edge = floor(picturePosition + 0.5);
    vec2 offset = clamp((picturePosition - edge) * scale, -0.5, 0.5);
    gl_FragColor = texture2D(picture, (edge + offset) * texelSize);
}
)";

static bool FetchShaderFunctions() {
    if (!GlVersionAtLeast(reinterpret_cast<const char*>(glGetString(GL_VERSION)), 2, 0)) {
        return false;
    }
    return FetchGlEntry(&CreateShader, "glCreateShader") &&
           FetchGlEntry(&ShaderSource, "glShaderSource") &&
           FetchGlEntry(&CompileShader, "glCompileShader") &&
           FetchGlEntry(&GetShaderiv, "glGetShaderiv") &&
           FetchGlEntry(&DeleteShader, "glDeleteShader") &&
           FetchGlEntry(&CreateProgram, "glCreateProgram") &&
           FetchGlEntry(&AttachShader, "glAttachShader") &&
           FetchGlEntry(&LinkProgram, "glLinkProgram") &&
           FetchGlEntry(&GetProgramiv, "glGetProgramiv") &&
           FetchGlEntry(&DeleteProgram, "glDeleteProgram") &&
           FetchGlEntry(&UseProgram, "glUseProgram") &&
           FetchGlEntry(&GetUniformLocation, "glGetUniformLocation") &&
           FetchGlEntry(&Uniform1i, "glUniform1i") && FetchGlEntry(&Uniform2f, "glUniform2f") &&
           FetchGlEntry(&ActiveTexture, "glActiveTexture");
}

static GLuint Compile(GLenum kind, const char* source) {
    GLuint shader = CreateShader(kind);
    ShaderSource(shader, 1, &source, nullptr);
    CompileShader(shader);
    GLint compiled = GL_FALSE;
    GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        DeleteShader(shader);
        return 0;
    }
    return shader;
}

bool PrepareSharpPresent() {
    if (Program != 0) {
        return true;
    }
    if (!FetchShaderFunctions()) {
        return false;
    }
    GLuint vertex = Compile(GL_VERTEX_SHADER, VertexSource);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, FragmentSource);
    if (vertex != 0 && fragment != 0) {
        Program = CreateProgram();
        AttachShader(Program, vertex);
        AttachShader(Program, fragment);
        LinkProgram(Program);
        GLint linked = GL_FALSE;
        GetProgramiv(Program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            DeleteProgram(Program);
            Program = 0;
        }
    }
    if (vertex != 0) {
        DeleteShader(vertex);
    }
    if (fragment != 0) {
        DeleteShader(fragment);
    }
    if (Program == 0) {
        return false;
    }
    PictureSizeUniform = GetUniformLocation(Program, "pictureSize");
    ScaleUniform = GetUniformLocation(Program, "scale");
    TexelSizeUniform = GetUniformLocation(Program, "texelSize");
    UseProgram(Program);
    Uniform1i(GetUniformLocation(Program, "picture"), 0);
    UseProgram(0);
    return true;
}

void DrawSharpPicture(GLuint pictureTexture, int pictureWidth, int pictureHeight,
                      const PresentArea& area) {
    // Everything the draw touches goes back as the scene left it.
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT |
                 GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_SCISSOR_BIT);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glViewport(area.x, area.y, area.width, area.height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    ActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, pictureTexture);
    UseProgram(Program);
    Uniform2f(PictureSizeUniform, static_cast<float>(pictureWidth),
              static_cast<float>(pictureHeight));
    Uniform2f(TexelSizeUniform, 1.0f / static_cast<float>(pictureWidth),
              1.0f / static_cast<float>(pictureHeight));
    // A picture larger than its area is shrunk linearly.
    Uniform2f(ScaleUniform,
              std::max(1.0f, static_cast<float>(area.width) / static_cast<float>(pictureWidth)),
              std::max(1.0f, static_cast<float>(area.height) / static_cast<float>(pictureHeight)));
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    UseProgram(static_cast<GLuint>(program));
    glPopAttrib();
}

void DeleteSharpPresent() {
    if (Program != 0) {
        DeleteProgram(Program);
        Program = 0;
    }
}
