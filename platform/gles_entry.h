// The native OpenGL ES 3.0 functions under the names the fixedgl layer and
// the ES window call them by (emscripten_gl…), as the web build's library
// provides them there.
//
// State: one pointer per function, file-static in gles_entry.cpp, fetched by
// LoadGlesFunctions once an ES context is current. Until then (and when it
// fails) no function may be called.
#pragma once

#include "fixedgl/fixed_gl_state.h"

extern "C" {
void emscripten_glBindFramebuffer(GLenum target, GLuint framebuffer);
void emscripten_glBindRenderbuffer(GLenum target, GLuint renderbuffer);
void emscripten_glBlitFramebuffer(GLint sourceX0, GLint sourceY0, GLint sourceX1, GLint sourceY1,
                                  GLint targetX0, GLint targetY0, GLint targetX1, GLint targetY1,
                                  GLbitfield mask, GLenum filter);
GLenum emscripten_glCheckFramebufferStatus(GLenum target);
void emscripten_glDeleteFramebuffers(GLsizei count, const GLuint* framebuffers);
void emscripten_glDeleteRenderbuffers(GLsizei count, const GLuint* renderbuffers);
void emscripten_glFramebufferRenderbuffer(GLenum target, GLenum attachment,
                                          GLenum renderbufferTarget, GLuint renderbuffer);
void emscripten_glGenFramebuffers(GLsizei count, GLuint* framebuffers);
void emscripten_glGenRenderbuffers(GLsizei count, GLuint* renderbuffers);
void emscripten_glGetRenderbufferParameteriv(GLenum target, GLenum name, GLint* value);
void emscripten_glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height);
}

// Fetches every function from the current ES context's driver; false when
// one is missing.
bool LoadGlesFunctions();
