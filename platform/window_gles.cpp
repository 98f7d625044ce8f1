// The window, an OpenGL ES 3.0 context and the picture, over SDL2, for the
// native build of the fixedgl layer (tessaline-capture-gles).
//
// State, all file-static: the one window, its ES context, the picture's
// framebuffer (5-6-5 colour and 16-bit depth renderbuffers) and the present
// hook. While the context exists the picture stays bound for drawing and
// reading, as a back buffer would, and the layer serves every gl… call; the
// driver is reached only through the emscripten_gl… functions of
// gles_entry.cpp. Presenting to the window stretches the picture over it:
// the capture reads the picture and never looks at the window.
// PlacePicture, ReadPresentedPicture and GlVersionAtLeast belong to the
// desktop window (window.cpp) alone.
#include "fixedgl/fixed_gl.h"
#include "platform/gles_entry.h"
#include "platform/window.h"

#include <SDL.h>

#include <cstring>

struct PlatformSurface {
    SDL_Window* window;
};

static PlatformSurface Surface;
static SDL_GLContext Context;
static int PictureWidth;
static int PictureHeight;
static GLuint PictureFramebuffer;
static GLuint PictureColour;
static GLuint PictureDepth;
static PresentHook CurrentPresentHook;
static void* PresentHookUser;

bool PlatformInit(bool headless) {
    if (headless) {
        // Nothing is shown or heard: no display server, no sound device.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    }
    return SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
}

bool GetDesktopSize(int* width, int* height) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return false;
    }
    *width = mode.w;
    *height = mode.h;
    return true;
}

DeviceContextHandle CreatePlatformWindow(const char* title, int x, int y, int width, int height,
                                         bool fullScreen) {
    // OpenGL ES 3.0, the API WebGL 2 follows; the window needs no depth
    // buffer, since every frame is drawn into the picture.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        x = 0;
        y = 0;
        GetDesktopSize(&width, &height);
    }
    Surface.window = SDL_CreateWindow(title, x, y, width, height, flags);
    return Surface.window != nullptr ? &Surface : nullptr;
}

void HideAndParkCursor(int x, int y) {
    SDL_ShowCursor(SDL_DISABLE);
    if (Surface.window != nullptr) {
        SDL_WarpMouseInWindow(Surface.window, x, y);
    }
}

static GLint RenderbufferBits(GLuint renderbuffer, GLenum which) {
    GLint bits = 0;
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    emscripten_glGetRenderbufferParameteriv(GL_RENDERBUFFER, which, &bits);
    return bits;
}

// Makes the 5-6-5 colour and 16-bit depth picture and binds it; false when
// the driver cannot give exactly that.
static bool CreatePicture(int width, int height) {
    emscripten_glGenRenderbuffers(1, &PictureColour);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, PictureColour);
    emscripten_glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, width, height);
    emscripten_glGenRenderbuffers(1, &PictureDepth);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, PictureDepth);
    emscripten_glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    emscripten_glGenFramebuffers(1, &PictureFramebuffer);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, PictureFramebuffer);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                         PictureColour);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                         PictureDepth);
    if (emscripten_glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    const bool exact = RenderbufferBits(PictureColour, GL_RENDERBUFFER_RED_SIZE) == 5 &&
                       RenderbufferBits(PictureColour, GL_RENDERBUFFER_GREEN_SIZE) == 6 &&
                       RenderbufferBits(PictureColour, GL_RENDERBUFFER_BLUE_SIZE) == 5 &&
                       RenderbufferBits(PictureDepth, GL_RENDERBUFFER_DEPTH_SIZE) == 16;
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (!exact) {
        return false;
    }
    PictureWidth = width;
    PictureHeight = height;
    // Pictures are stored as they are drawn, as in the browser: no dithering.
    emscripten_glDisable(GL_DITHER);
    emscripten_glClearColor(0, 0, 0, 0);
    emscripten_glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

ContextResult CreatePlatformContext(DeviceContextHandle surface, int width, int height) {
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
    if (!CreatePicture(width, height) || !InitFixedGl(width, height)) {
        return ContextResult::NoPicture;
    }
    return ContextResult::Ok;
}

int PaceSwapsToDisplay() {
    for (int interval : {-1, 1}) {
        if (SDL_GL_SetSwapInterval(interval) == 0) {
            return interval;
        }
    }
    SDL_GL_SetSwapInterval(0);
    return 0;
}

void DeletePlatformContext() {
    if (Context == nullptr) {
        return;
    }
    FlushFixedGl();
    if (PictureFramebuffer != 0) {
        emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
        emscripten_glDeleteFramebuffers(1, &PictureFramebuffer);
        emscripten_glDeleteRenderbuffers(1, &PictureColour);
        emscripten_glDeleteRenderbuffers(1, &PictureDepth);
        PictureFramebuffer = PictureColour = PictureDepth = 0;
    }
    SDL_GL_MakeCurrent(Surface.window, nullptr);
    SDL_GL_DeleteContext(Context);
    Context = nullptr;
}

void DestroyPlatformWindow() {
    if (Surface.window != nullptr) {
        SDL_DestroyWindow(Surface.window);
        Surface.window = nullptr;
    }
}

// Stretches the picture over the whole window and swaps; the scene's clear
// colour and bindings are put back.
static void ShowPicture(SDL_Window* window) {
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    emscripten_glBlitFramebuffer(0, 0, PictureWidth, PictureHeight, 0, 0, width, height,
                                 GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, PictureFramebuffer);
}

void SwapBuffers(DeviceContextHandle surface) {
    FlushFixedGl();
    if (CurrentPresentHook != nullptr) {
        CurrentPresentHook(PresentHookUser);
        return;
    }
    if (surface != nullptr && surface->window != nullptr && PictureFramebuffer != 0) {
        ShowPicture(surface->window);
    }
}

void SetPresentHook(PresentHook hook, void* user) {
    CurrentPresentHook = hook;
    PresentHookUser = user;
}

bool PollPlatformEvent(PlatformEvent* event) {
    SDL_Event sdlEvent;
    if (!SDL_PollEvent(&sdlEvent)) {
        return false;
    }
    event->kind = PlatformEventKind::Other;
    if (sdlEvent.type == SDL_KEYDOWN && sdlEvent.key.keysym.sym == SDLK_ESCAPE) {
        event->kind = PlatformEventKind::Escape;
    } else if (sdlEvent.type == SDL_QUIT || (sdlEvent.type == SDL_WINDOWEVENT &&
                                             sdlEvent.window.event == SDL_WINDOWEVENT_CLOSE)) {
        event->kind = PlatformEventKind::Close;
    }
    return true;
}

// Extension entry points are the layer's, which serves multitexturing itself.
void* GetGlProcAddress(const char* name) {
    return FindFixedGlFunction(name);
}

bool HasGlExtension(const char* name) {
    return std::strcmp(name, "GL_ARB_multitexture") == 0;
}

int64_t ReadPlatformCounter() {
    return static_cast<int64_t>(SDL_GetPerformanceCounter());
}

int64_t ReadPlatformCounterFrequency() {
    return static_cast<int64_t>(SDL_GetPerformanceFrequency());
}

bool ShowErrorBox(const char* title, const char* message) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
        std::strcmp(driver, "dummy") == 0) {
        return false;
    }
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, nullptr) == 0;
}

void PlatformQuit() {
    SDL_Quit();
}
