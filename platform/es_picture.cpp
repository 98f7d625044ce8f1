// The off-screen picture on OpenGL ES 3.0 or WebGL 2; see es_picture.h. The
// driver is reached through its emscripten_gl… names, which the web build's
// library provides and gles_entry.cpp provides natively.
//
// The colour is RGBA8, not RGB565: drivers round blending into 5-6-5 each in
// their own way, so the fixedgl layer keeps the 5-6-5 values itself, rounded
// as the desktop's driver rounds them (fixedgl/draw.cpp).
#include "platform/es_picture.h"

#include "platform/gles_entry.h"

static GLint RenderbufferBits(GLuint renderbuffer, GLenum which) {
    GLint bits = 0;
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    emscripten_glGetRenderbufferParameteriv(GL_RENDERBUFFER, which, &bits);
    return bits;
}

bool CreateEsPicture(int width, int height, int colourBits, EsPicture* picture, bool allowWider) {
    GLint largest = 0;
    emscripten_glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        return false;
    }
    const bool deep = colourBits == 32;
    emscripten_glGenRenderbuffers(1, &picture->colour);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, picture->colour);
    emscripten_glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    emscripten_glGenRenderbuffers(1, &picture->depth);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, picture->depth);
    emscripten_glRenderbufferStorage(
        GL_RENDERBUFFER, deep ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16, width, height);
    emscripten_glGenFramebuffers(1, &picture->framebuffer);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, picture->framebuffer);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                         picture->colour);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                         picture->depth);
    if (emscripten_glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    const int depthBits = deep ? 24 : 16;
    const GLint red = RenderbufferBits(picture->colour, GL_RENDERBUFFER_RED_SIZE);
    const GLint green = RenderbufferBits(picture->colour, GL_RENDERBUFFER_GREEN_SIZE);
    const GLint blue = RenderbufferBits(picture->colour, GL_RENDERBUFFER_BLUE_SIZE);
    const GLint depth = RenderbufferBits(picture->depth, GL_RENDERBUFFER_DEPTH_SIZE);
    const bool exact = red == 8 && green == 8 && blue == 8 && depth == depthBits;
    const bool wider = red >= 8 && green >= 8 && blue >= 8 && depth >= depthBits;
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (!(exact || (allowWider && wider))) {
        return false;
    }
    picture->width = width;
    picture->height = height;
    emscripten_glDisable(GL_DITHER);
    emscripten_glClearColor(0, 0, 0, 1);
    emscripten_glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

void DeleteEsPicture(EsPicture* picture) {
    if (picture->framebuffer == 0) {
        return;
    }
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
    emscripten_glDeleteFramebuffers(1, &picture->framebuffer);
    emscripten_glDeleteRenderbuffers(1, &picture->colour);
    emscripten_glDeleteRenderbuffers(1, &picture->depth);
    *picture = EsPicture{};
}
