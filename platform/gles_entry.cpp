// The emscripten_gl… functions of the native ES build: each passes its
// arguments to the driver's gl… function of the same name, fetched through
// SDL once the context exists. Also the few plain gl… calls the program makes
// that the fixedgl layer leaves to the driver (glGetIntegerv).
//
// The program must not link the desktop OpenGL library: the layer's own
// glBegin, glClear, … would clash with it. Everything reaches the driver
// through these pointers instead.
#include "platform/gles_entry.h"

#include <SDL.h>

// Return type, name without "gl", parameters, and the arguments passed on.
#define GLES_FUNCTIONS(X)                                                                          \
    X(void, ActiveTexture, (GLenum unit), (unit))                                                  \
    X(void, AttachShader, (GLuint program, GLuint shader), (program, shader))                      \
    X(void, BindAttribLocation, (GLuint program, GLuint index, const GLchar* name),                \
      (program, index, name))                                                                      \
    X(void, BindBuffer, (GLenum target, GLuint buffer), (target, buffer))                          \
    X(void, BindFramebuffer, (GLenum target, GLuint framebuffer), (target, framebuffer))           \
    X(void, BindRenderbuffer, (GLenum target, GLuint renderbuffer), (target, renderbuffer))        \
    X(void, BindTexture, (GLenum target, GLuint texture), (target, texture))                       \
    X(void, BindVertexArray, (GLuint array), (array))                                              \
    X(void, BlendFunc, (GLenum source, GLenum destination), (source, destination))                 \
    X(void, BlendFuncSeparate,                                                                     \
      (GLenum sourceRgb, GLenum destinationRgb, GLenum sourceAlpha, GLenum destinationAlpha),      \
      (sourceRgb, destinationRgb, sourceAlpha, destinationAlpha))                                  \
    X(void, BlitFramebuffer,                                                                       \
      (GLint sourceX0, GLint sourceY0, GLint sourceX1, GLint sourceY1, GLint targetX0,             \
       GLint targetY0, GLint targetX1, GLint targetY1, GLbitfield mask, GLenum filter),            \
      (sourceX0, sourceY0, sourceX1, sourceY1, targetX0, targetY0, targetX1, targetY1, mask,       \
       filter))                                                                                    \
    X(void, BufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage),          \
      (target, size, data, usage))                                                                 \
    X(GLenum, CheckFramebufferStatus, (GLenum target), (target))                                   \
    X(void, Clear, (GLbitfield mask), (mask))                                                      \
    X(void, ClearColor, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha),                 \
      (red, green, blue, alpha))                                                                   \
    X(void, CompileShader, (GLuint shader), (shader))                                              \
    X(void, CopyTexSubImage2D,                                                                     \
      (GLenum target, GLint level, GLint x, GLint y, GLint sourceX, GLint sourceY, GLsizei width,  \
       GLsizei height),                                                                            \
      (target, level, x, y, sourceX, sourceY, width, height))                                      \
    X(GLuint, CreateProgram, (), ())                                                               \
    X(GLuint, CreateShader, (GLenum type), (type))                                                 \
    X(void, CullFace, (GLenum mode), (mode))                                                       \
    X(void, DeleteFramebuffers, (GLsizei count, const GLuint* framebuffers),                       \
      (count, framebuffers))                                                                       \
    X(void, DeleteRenderbuffers, (GLsizei count, const GLuint* renderbuffers),                     \
      (count, renderbuffers))                                                                      \
    X(void, DepthFunc, (GLenum function), (function))                                              \
    X(void, DepthMask, (GLboolean flag), (flag))                                                   \
    X(void, Disable, (GLenum capability), (capability))                                            \
    X(void, DrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count))           \
    X(void, Enable, (GLenum capability), (capability))                                             \
    X(void, EnableVertexAttribArray, (GLuint index), (index))                                      \
    X(void, Flush, (), ())                                                                         \
    X(void, FramebufferRenderbuffer,                                                               \
      (GLenum target, GLenum attachment, GLenum renderbufferTarget, GLuint renderbuffer),          \
      (target, attachment, renderbufferTarget, renderbuffer))                                      \
    X(void, GenBuffers, (GLsizei count, GLuint * buffers), (count, buffers))                       \
    X(void, GenFramebuffers, (GLsizei count, GLuint * framebuffers), (count, framebuffers))        \
    X(void, GenRenderbuffers, (GLsizei count, GLuint * renderbuffers), (count, renderbuffers))     \
    X(void, GenTextures, (GLsizei count, GLuint * textures), (count, textures))                    \
    X(void, GenVertexArrays, (GLsizei count, GLuint * arrays), (count, arrays))                    \
    X(void, GetFloatv, (GLenum name, GLfloat * values), (name, values))                            \
    X(void, GetIntegerv, (GLenum name, GLint * values), (name, values))                            \
    X(void, GetProgramiv, (GLuint program, GLenum name, GLint * value), (program, name, value))    \
    X(void, GetRenderbufferParameteriv, (GLenum target, GLenum name, GLint * value),               \
      (target, name, value))                                                                       \
    X(void, GetShaderiv, (GLuint shader, GLenum name, GLint * value), (shader, name, value))       \
    X(GLint, GetUniformLocation, (GLuint program, const GLchar* name), (program, name))            \
    X(GLboolean, IsEnabled, (GLenum capability), (capability))                                     \
    X(void, LinkProgram, (GLuint program), (program))                                              \
    X(void, PixelStorei, (GLenum name, GLint value), (name, value))                                \
    X(void, ReadPixels,                                                                            \
      (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels), \
      (x, y, width, height, format, type, pixels))                                                 \
    X(void, RenderbufferStorage, (GLenum target, GLenum format, GLsizei width, GLsizei height),    \
      (target, format, width, height))                                                             \
    X(void, ShaderSource,                                                                          \
      (GLuint shader, GLsizei count, const GLchar* const* text, const GLint* lengths),             \
      (shader, count, text, lengths))                                                              \
    X(void, TexImage2D,                                                                            \
      (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,            \
       GLint border, GLenum format, GLenum type, const void* pixels),                              \
      (target, level, internalFormat, width, height, border, format, type, pixels))                \
    X(void, TexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))       \
    X(void, TexSubImage2D,                                                                         \
      (GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, \
       GLenum type, const void* pixels),                                                           \
      (target, level, x, y, width, height, format, type, pixels))                                  \
    X(void, Uniform1i, (GLint location, GLint value), (location, value))                           \
    X(void, Uniform2f, (GLint location, GLfloat x, GLfloat y), (location, x, y))                   \
    X(void, UseProgram, (GLuint program), (program))                                               \
    X(void, VertexAttribPointer,                                                                   \
      (GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride,                \
       const void* pointer),                                                                       \
      (index, size, type, normalized, stride, pointer))                                            \
    X(void, Viewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))

// One pointer per function: Driver<Name>.
#define GLES_POINTER(type, name, parameters, arguments)                                            \
    static type(APIENTRY* Driver##name) parameters;
GLES_FUNCTIONS(GLES_POINTER)

extern "C" {

#define GLES_FORWARD(type, name, parameters, arguments)                                            \
    type emscripten_gl##name parameters {                                                          \
        return Driver##name arguments;                                                             \
    }
GLES_FUNCTIONS(GLES_FORWARD)

// The one driver query the program makes besides the layer's.
void glGetIntegerv(GLenum name, GLint* values) {
    emscripten_glGetIntegerv(name, values);
}

} // extern "C"

bool LoadGlesFunctions() {
    bool found = true;
#define GLES_FETCH(type, name, parameters, arguments)                                              \
    Driver##name =                                                                                 \
        reinterpret_cast<type(APIENTRY*) parameters>(SDL_GL_GetProcAddress("gl" #name));           \
    found = found && Driver##name != nullptr;
    GLES_FUNCTIONS(GLES_FETCH)
#undef GLES_FETCH
    return found;
}
