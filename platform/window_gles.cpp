// An OpenGL ES 3.0 context and the picture, over SDL2, for the native build
// of the fixedgl layer (tessaline-capture-gles); the window, the present hook
// and the rest of SDL are in sdl_window.cpp.
//
// State, all file-static: the ES context and the picture (es_picture.h).
// While the context exists the picture stays bound for drawing and reading,
// as a back buffer would, and the layer serves every gl… call; the driver is
// reached only through the emscripten_gl… functions of gles_entry.cpp.
// Presenting to the window stretches the picture over it: the capture reads
// the picture and never looks at the window. ReadPresentedPicture and
// GlVersionAtLeast belong to the desktop window (window.cpp) alone.
#include "fixedgl/fixed_gl.h"
#include "platform/es_picture.h"
#include "platform/gles_entry.h"
#include "platform/sdl_window.h"

#include <cstring>

static SDL_GLContext Context;
static EsPicture Picture;

// OpenGL ES 3.0, the API that WebGL 2 follows.
void SetSdlContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
}

ContextResult CreatePlatformContext(DeviceContextHandle surface, int width, int height,
                                    int colourBits) {
    if (surface == nullptr || surface->window == nullptr) {
        return ContextResult::NoContext;
    }
    Context = SDL_GL_CreateContext(surface->window);
    if (Context == nullptr) {
        return ContextResult::NoContext;
    }
    if (SDL_GL_MakeCurrent(surface->window, Context) != 0 || !LoadGlesFunctions()) {
        SDL_GL_DeleteContext(Context);
        Context = nullptr;
        return ContextResult::NoContext;
    }
    SDL_GL_SetSwapInterval(0);
    if (!CreateEsPicture(width, height, colourBits, &Picture) || !InitFixedGl(width, height)) {
        return ContextResult::NoPicture;
    }
    return ContextResult::Ok;
}

void DeletePlatformContext() {
    if (Context == nullptr) {
        return;
    }
    RunContextEndHook();
    FlushFixedGl();
    DeleteEsPicture(&Picture);
    SDL_GL_MakeCurrent(GetSdlWindow(), nullptr);
    SDL_GL_DeleteContext(Context);
    Context = nullptr;
}

// Stretches the picture over the whole window and swaps; the scene's clear
// colour and bindings are put back.
static void ShowPicture(SDL_Window* window) {
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    emscripten_glBlitFramebuffer(0, 0, Picture.width, Picture.height, 0, 0, width, height,
                                 GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, Picture.framebuffer);
}

void SwapBuffers(DeviceContextHandle surface) {
    FlushFixedGl();
    if (RunPresentHook()) {
        return;
    }
    if (surface != nullptr && surface->window != nullptr && Picture.framebuffer != 0) {
        ShowPicture(surface->window);
    }
}

// Extension entry points are the layer's, which serves multitexturing itself.
void* GetGlProcAddress(const char* name) {
    return FindFixedGlFunction(name);
}

bool HasGlExtension(const char* name) {
    return std::strcmp(name, "GL_ARB_multitexture") == 0;
}

// This window presents through the fixedgl layer's own path.
void PresentWithTwoBlits(bool) {}

bool PresentsInOnePass() {
    return false;
}
