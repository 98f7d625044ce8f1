// The SDL window and everything around it that does not depend on the
// context: start-up, the window and cursor, events, the clock, pacing, the
// present hook, the error box and shutting down.
//
// State: the one window and the present hook (file-static). The context,
// the picture and presenting belong to the window file linked with this one.
#include "platform/sdl_window.h"

#include <cstring>
#include <initializer_list>

static PlatformSurface Surface;
static PresentHook CurrentPresentHook;
static void* PresentHookUser;
static PresentHook CurrentContextEndHook;
static void* ContextEndHookUser;

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
    SetSdlContextAttributes();

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

SDL_Window* GetSdlWindow() {
    return Surface.window;
}

void SetPresentHook(PresentHook hook, void* user) {
    CurrentPresentHook = hook;
    PresentHookUser = user;
}

void SetContextEndHook(PresentHook hook, void* user) {
    CurrentContextEndHook = hook;
    ContextEndHookUser = user;
}

void RunContextEndHook() {
    if (CurrentContextEndHook != nullptr) {
        CurrentContextEndHook(ContextEndHookUser);
    }
}

bool RunPresentHook() {
    if (CurrentPresentHook == nullptr) {
        return false;
    }
    CurrentPresentHook(PresentHookUser);
    return true;
}

void HideAndParkCursor(int x, int y) {
    SDL_ShowCursor(SDL_DISABLE);
    if (Surface.window != nullptr) {
        SDL_WarpMouseInWindow(Surface.window, x, y);
    }
}

void DestroyPlatformWindow() {
    if (Surface.window != nullptr) {
        SDL_DestroyWindow(Surface.window);
        Surface.window = nullptr;
    }
}

int PaceSwapsToDisplay() {
    // Adaptive first: it waits for the refresh, but a frame that missed one
    // shows at once instead of waiting for the next.
    for (int interval : {-1, 1}) {
        if (SDL_GL_SetSwapInterval(interval) == 0) {
            return interval;
        }
    }
    SDL_GL_SetSwapInterval(0);
    return 0;
}

int ReadSwapInterval() {
    return SDL_GL_GetSwapInterval();
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
