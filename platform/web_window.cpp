// The window, the WebGL 2 context and the picture, in a web page.
//
// State, all file-static: the canvas's WebGL 2 context, the picture's
// framebuffer (5-6-5 colour and 16-bit depth renderbuffers, kept from frame
// to frame), the framebuffer of the integer prescale used when presenting,
// the queue of key events and the present hook. While the context exists
// the picture stays bound for drawing and reading, as a back buffer would.
// Presenting scales the picture "sharp bilinear" as on the desktop
// (PlacePicture): nearest-neighbour up by a whole factor, then linear to the
// largest 4:3 size that fits the canvas, centred on black.
#include "fixedgl/fixed_gl.h"
#include "platform/es_picture.h"
#include "platform/web_page.h"
#include "platform/window.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

struct PlatformSurface {
    bool open;
};

static PlatformSurface Surface;
static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE Context;
static EsPicture Picture;
static GLuint PrescaleFramebuffer;
static GLuint PrescaleColour;
static int PrescaleFactor;
static PresentHook CurrentPresentHook;
static void* PresentHookUser;
static std::deque<PlatformEventKind> Events;
static bool Failed;

static const char CanvasTarget[] = "#canvas";

EM_JS(void, PageCall, (const char* name, const char* text), {
    const page = Module["page"];
    if (page && page[UTF8ToString(name)]) {
        page[UTF8ToString(name)](UTF8ToString(text));
    }
});

EM_JS(int, PageDesktopWidth, (), { return window.screen.width | 0; });
EM_JS(int, PageDesktopHeight, (), { return window.screen.height | 0; });

static EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (std::string(event->key) == "Escape") {
        Events.push_back(PlatformEventKind::Escape);
        return EM_TRUE;
    }
    Events.push_back(PlatformEventKind::Other);
    return EM_FALSE;
}

bool PlatformInit(bool) {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnKeyDown);
    return true;
}

bool GetDesktopSize(int* width, int* height) {
    *width = PageDesktopWidth();
    *height = PageDesktopHeight();
    return *width > 0 && *height > 0;
}

// The canvas fills the page; full screen is asked for when the show starts.
DeviceContextHandle CreatePlatformWindow(const char*, int, int, int, int, bool) {
    Surface.open = true;
    return &Surface;
}

void HideAndParkCursor(int, int) {
    PageCall("hideCursor", "");
}

ContextResult CreatePlatformContext(DeviceContextHandle surface, int width, int height,
                                    int colourBits) {
    if (surface == nullptr || !surface->open) {
        return ContextResult::NoContext;
    }
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = EM_FALSE;
    Context = emscripten_webgl_create_context(CanvasTarget, &attributes);
    if (Context <= 0) {
        Context = 0;
        return ContextResult::NoContext;
    }
    if (emscripten_webgl_make_context_current(Context) != EMSCRIPTEN_RESULT_SUCCESS) {
        emscripten_webgl_destroy_context(Context);
        Context = 0;
        return ContextResult::NoContext;
    }
    // Firefox gives no 5-6-5 or 16-bit depth renderbuffer (see es_picture.h):
    // the show plays there on the wider picture it gets.
    if (!CreateEsPicture(width, height, colourBits, &Picture, true) ||
        !InitFixedGl(width, height)) {
        return ContextResult::NoPicture;
    }
    return ContextResult::Ok;
}

// The canvas keeps the last picture shown; the context goes with the page.
void DeletePlatformContext() {
    if (Context != 0) {
        FlushFixedGl();
    }
}

void DestroyPlatformWindow() {
    if (Surface.open) {
        PageCall("leaveFullScreen", "");
        Surface.open = false;
    }
}

// Makes the prescale framebuffer factor times the picture's size.
static void SetPrescale(int factor) {
    if (factor == PrescaleFactor) {
        return;
    }
    if (PrescaleFramebuffer == 0) {
        emscripten_glGenFramebuffers(1, &PrescaleFramebuffer);
        emscripten_glGenRenderbuffers(1, &PrescaleColour);
    }
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, PrescaleColour);
    emscripten_glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, Picture.width * factor,
                                     Picture.height * factor);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, 0);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, PrescaleFramebuffer);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                         PrescaleColour);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, Picture.framebuffer);
    PrescaleFactor = factor;
}

void ShowPictureOnCanvas() {
    if (Context == 0 || Picture.framebuffer == 0) {
        return;
    }
    FlushFixedGl();
    int canvasWidth = 0;
    int canvasHeight = 0;
    emscripten_get_canvas_element_size(CanvasTarget, &canvasWidth, &canvasHeight);
    if (canvasWidth <= 0 || canvasHeight <= 0) {
        return;
    }
    const PresentArea area = PlacePicture(canvasWidth, canvasHeight, Picture.width, Picture.height);
    const int x = area.x;
    const int y = area.y;
    const int width = area.width;
    const int height = area.height;
    const int factor = area.factor;
    SetPrescale(factor);

    GLfloat clearColour[4];
    emscripten_glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    emscripten_glBindFramebuffer(GL_READ_FRAMEBUFFER, Picture.framebuffer);
    emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, PrescaleFramebuffer);
    emscripten_glBlitFramebuffer(0, 0, Picture.width, Picture.height, 0, 0, Picture.width * factor,
                                 Picture.height * factor, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    emscripten_glBindFramebuffer(GL_READ_FRAMEBUFFER, PrescaleFramebuffer);
    emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    emscripten_glClearColor(0, 0, 0, 1);
    emscripten_glClear(GL_COLOR_BUFFER_BIT);
    emscripten_glBlitFramebuffer(0, 0, Picture.width * factor, Picture.height * factor, x, y,
                                 x + width, y + height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, Picture.framebuffer);
    emscripten_glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

void ReadPictureRgba(uint8_t* rgba) {
    FlushFixedGl();
    std::vector<uint8_t> rows(static_cast<size_t>(Picture.width) * Picture.height * 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    emscripten_glReadPixels(0, 0, Picture.width, Picture.height, GL_RGBA, GL_UNSIGNED_BYTE,
                            rows.data());
    const size_t rowBytes = static_cast<size_t>(Picture.width) * 4;
    for (int row = 0; row < Picture.height; ++row) {
        std::copy_n(rows.data() + (Picture.height - 1 - row) * rowBytes, rowBytes,
                    rgba + row * rowBytes);
    }
}

void WaitForPicture() {
    FlushFixedGl();
    uint8_t pixel[4];
    emscripten_glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

void SwapBuffers(DeviceContextHandle surface) {
    if (CurrentPresentHook != nullptr) {
        FlushFixedGl();
        CurrentPresentHook(PresentHookUser);
        return;
    }
    if (surface != nullptr && surface->open) {
        ShowPictureOnCanvas();
    }
}

void SetPresentHook(PresentHook hook, void* user) {
    CurrentPresentHook = hook;
    PresentHookUser = user;
}

bool PollPlatformEvent(PlatformEvent* event) {
    if (Events.empty()) {
        return false;
    }
    event->kind = Events.front();
    Events.pop_front();
    return true;
}

void* GetGlProcAddress(const char* name) {
    return FindFixedGlFunction(name);
}

// The layer serves both texture units itself: multitexture is the one
// extension the program asks about.
bool HasGlExtension(const char* name) {
    return std::string(name) == "GL_ARB_multitexture";
}

// The page's frame callback already runs once per display refresh.
int PaceSwapsToDisplay() {
    return 1;
}

int ReadSwapInterval() {
    return 1;
}

// Microseconds of the page's high-resolution clock.
int64_t ReadPlatformCounter() {
    return static_cast<int64_t>(emscripten_get_now() * 1000.0);
}

int64_t ReadPlatformCounterFrequency() {
    return 1000000;
}

bool ShowErrorBox(const char*, const char* message) {
    Failed = true;
    emscripten_cancel_main_loop();
    PageCall("showError", message);
    return true;
}

bool PageHasFailed() {
    return Failed;
}

void StopPageKeys() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
}

void PlatformQuit() {}

void SetPageStatus(const std::string& text) {
    PageCall("setStatus", text.c_str());
}

void AwaitStartGesture() {
    PageCall("awaitStart", "click to start");
}

void SetPageTitle(const std::string& title) {
    PageCall("setTitle", title.c_str());
}

void AddPageReport(const std::string& line) {
    PageCall("addReport", line.c_str());
}

EM_JS(int, PageOption, (const char* key, char* value, int size), {
    const params = new URLSearchParams(window.location.search);
    const name = UTF8ToString(key);
    if (!params.has(name)) {
        return 0;
    }
    stringToUTF8(params.get(name), value, size);
    return 1;
});

bool GetPageOption(const char* key, std::string* value) {
    char text[1024];
    if (!PageOption(key, text, sizeof text)) {
        return false;
    }
    *value = text;
    return true;
}

EM_JS(void, PageFrame, (const char* name, const uint8_t* rgba, int width, int height), {
    const page = Module["page"];
    if (page && page.frame) {
        page.frame(UTF8ToString(name), HEAPU8.slice(rgba, rgba + width * height * 4), width,
                   height);
    }
});

void HandFrameToPage(const std::string& name, const uint8_t* rgba, int width, int height) {
    PageFrame(name.c_str(), rgba, width, height);
}

// This window presents through the fixedgl layer's own path.
void PresentWithTwoBlits(bool) {}

bool PresentsInOnePass() {
    return false;
}
