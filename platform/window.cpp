// The window, the OpenGL context and the off-screen picture, over SDL2.
//
// State: the one window, its context, the picture's framebuffer object and
// the present hook, all file-static. The framebuffer functions are not part of
// OpenGL 1.x and are fetched from the driver when the context is made.
#include "platform/window.h"

#include <SDL.h>

#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <GL/glext.h>

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

static PFNGLGENFRAMEBUFFERSPROC GenFramebuffers;
static PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers;
static PFNGLBINDFRAMEBUFFERPROC BindFramebuffer;
static PFNGLGENRENDERBUFFERSPROC GenRenderbuffers;
static PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers;
static PFNGLBINDRENDERBUFFERPROC BindRenderbuffer;
static PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage;
static PFNGLGETRENDERBUFFERPARAMETERIVPROC GetRenderbufferParameteriv;
static PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer;
static PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus;
static PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer;

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
    // The window itself needs no depth buffer: every frame is drawn into the
    // off-screen picture and only copied to the window.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (fullScreen) {
        // Made at the desktop's size too: without a window manager the
        // full-screen request alone leaves the window at its first size.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        x = 0;
        y = 0;
        GetDesktopSize(&width, &height);
    }
    Surface.window = SDL_CreateWindow(title, x, y, width, height, flags);
    if (Surface.window == nullptr) {
        return nullptr;
    }
    SDL_RaiseWindow(Surface.window);
    return &Surface;
}

void HideAndParkCursor(int x, int y) {
    SDL_ShowCursor(SDL_DISABLE);
    if (Surface.window != nullptr) {
        SDL_WarpMouseInWindow(Surface.window, x, y);
    }
}

template <typename T> static bool FetchGl(T* entry, const char* name) {
    *entry = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return *entry != nullptr;
}

static bool FetchFramebufferFunctions() {
    return FetchGl(&GenFramebuffers, "glGenFramebuffers") &&
           FetchGl(&DeleteFramebuffers, "glDeleteFramebuffers") &&
           FetchGl(&BindFramebuffer, "glBindFramebuffer") &&
           FetchGl(&GenRenderbuffers, "glGenRenderbuffers") &&
           FetchGl(&DeleteRenderbuffers, "glDeleteRenderbuffers") &&
           FetchGl(&BindRenderbuffer, "glBindRenderbuffer") &&
           FetchGl(&RenderbufferStorage, "glRenderbufferStorage") &&
           FetchGl(&GetRenderbufferParameteriv, "glGetRenderbufferParameteriv") &&
           FetchGl(&FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           FetchGl(&CheckFramebufferStatus, "glCheckFramebufferStatus") &&
           FetchGl(&BlitFramebuffer, "glBlitFramebuffer");
}

static GLint RenderbufferBits(GLuint renderbuffer, GLenum which) {
    GLint bits = 0;
    BindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    GetRenderbufferParameteriv(GL_RENDERBUFFER, which, &bits);
    return bits;
}

// Makes the 5-6-5 colour and 16-bit depth picture and binds it; false when the
// driver cannot give exactly that.
static bool CreatePicture(int width, int height) {
    if (!FetchFramebufferFunctions()) {
        return false;
    }
    GenRenderbuffers(1, &PictureColour);
    BindRenderbuffer(GL_RENDERBUFFER, PictureColour);
    RenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, width, height);
    GenRenderbuffers(1, &PictureDepth);
    BindRenderbuffer(GL_RENDERBUFFER, PictureDepth);
    RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);

    GenFramebuffers(1, &PictureFramebuffer);
    BindFramebuffer(GL_FRAMEBUFFER, PictureFramebuffer);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, PictureColour);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, PictureDepth);
    if (CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    bool exact = RenderbufferBits(PictureColour, GL_RENDERBUFFER_RED_SIZE) == 5 &&
                 RenderbufferBits(PictureColour, GL_RENDERBUFFER_GREEN_SIZE) == 6 &&
                 RenderbufferBits(PictureColour, GL_RENDERBUFFER_BLUE_SIZE) == 5 &&
                 RenderbufferBits(PictureDepth, GL_RENDERBUFFER_DEPTH_SIZE) == 16;
    BindRenderbuffer(GL_RENDERBUFFER, 0);
    if (!exact) {
        return false;
    }
    PictureWidth = width;
    PictureHeight = height;
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
    if (SDL_GL_MakeCurrent(surface->window, Context) != 0) {
        SDL_GL_DeleteContext(Context);
        Context = nullptr;
        return ContextResult::NoContext;
    }
    SDL_GL_SetSwapInterval(0);
    return CreatePicture(width, height) ? ContextResult::Ok : ContextResult::NoPicture;
}

void DeletePlatformContext() {
    if (Context == nullptr) {
        return;
    }
    if (PictureFramebuffer != 0) {
        BindFramebuffer(GL_FRAMEBUFFER, 0);
        DeleteFramebuffers(1, &PictureFramebuffer);
        DeleteRenderbuffers(1, &PictureColour);
        DeleteRenderbuffers(1, &PictureDepth);
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

// Copies the picture into the window at the largest 4:3 size that fits,
// centred, on black. The scene's viewport, clear colour and scissor test are
// put back.
static void ShowPicture(SDL_Window* window) {
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    int width = drawableWidth;
    int height = drawableWidth * PictureHeight / PictureWidth;
    if (height > drawableHeight) {
        height = drawableHeight;
        width = drawableHeight * PictureWidth / PictureHeight;
    }
    int x = (drawableWidth - width) / 2;
    int y = (drawableHeight - height) / 2;

    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);

    // Mesa's software drivers notice a resized window only when a viewport
    // is set on it, so set one every time before drawing into the window.
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    BlitFramebuffer(0, 0, PictureWidth, PictureHeight, x, y, x + width, y + height,
                    GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, PictureFramebuffer);

    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
}

void SwapBuffers(DeviceContextHandle surface) {
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

void* GetGlProcAddress(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

int64_t ReadPlatformCounter() {
    return static_cast<int64_t>(SDL_GetPerformanceCounter());
}

int64_t ReadPlatformCounterFrequency() {
    return static_cast<int64_t>(SDL_GetPerformanceFrequency());
}

bool ShowErrorBox(const char* title, const char* message) {
    // The off-screen and dummy drivers have nobody to show a box to.
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
