// The OpenGL context and the off-screen picture, over SDL2; the window
// itself, the present hook and the rest of SDL are in sdl_window.cpp.
//
// State: the context, the picture's framebuffer object (its colour a
// texture, its depth a renderbuffer) and the buffer that enlarges it for the
// window when presenting takes two blits, all file-static. Where the context
// has shaders, presenting draws the picture in one pass (sharp_present.h). The framebuffer
// functions are not part of OpenGL 1.x: they are fetched from the driver when the context is made,
// once the driver has said that it has them (OpenGL 3.0 or the ARB framebuffer extension).
#include "platform/sdl_window.h"

#include "platform/sharp_present.h"
#include "shell/word_list.h"

#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <GL/glext.h>

#include <cctype>
#include <cstdio>
#include <cstring>

static SDL_GLContext Context;
static int PictureWidth;
static int PictureHeight;
static GLuint PictureFramebuffer;
static GLuint PictureColour;
static GLuint PictureDepth;
// Whole-factor enlargement of the picture, made at the first present that
// needs it and again when the factor changes.
static GLuint ScaleFramebuffer;
static GLuint ScaleColour;
static int ScaleFactor;

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
static PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D;
// Whether presenting draws in one pass (sharp_present.h) or two blits.
static bool OnePassPresent;
// Test hook: presents with the two blits even where shaders exist.
static bool TwoBlitsOnly;

// Any context that still serves OpenGL 1.x.
void SetSdlContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool GlVersionAtLeast(const char* version, int major, int minor) {
    if (version == nullptr) {
        return false;
    }
    // OpenGL ES names itself first ("OpenGL ES 3.0 ..."); desktop OpenGL
    // starts with the number ("4.5 (Compatibility Profile) Mesa ...").
    while (*version != '\0' && !std::isdigit(static_cast<unsigned char>(*version))) {
        ++version;
    }
    int foundMajor = 0;
    int foundMinor = 0;
    if (std::sscanf(version, "%d.%d", &foundMajor, &foundMinor) != 2) {
        return false;
    }
    return foundMajor > major || (foundMajor == major && foundMinor >= minor);
}

// The driver's own answer: the extension string of a compatibility context,
// or the indexed list of a core one (where GL_EXTENSIONS is no longer a
// string). SDL's helper is not used, since it also obeys an environment
// variable of the extension's name.
bool HasGlExtension(const char* name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (list != nullptr) {
        return ListHasWord(list, name);
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    PFNGLGETSTRINGIPROC getStringi = nullptr;
    if (!FetchGlEntry(&getStringi, "glGetStringi")) {
        return false;
    }
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; i++) {
        const char* extension = reinterpret_cast<const char*>(getStringi(GL_EXTENSIONS, i));
        if (extension != nullptr && std::strcmp(extension, name) == 0) {
            return true;
        }
    }
    return false;
}

// The loader hands out a pointer for any name, so whether the driver has
// framebuffer objects is read from its version and extensions first.
static bool FetchFramebufferFunctions() {
    if (!GlVersionAtLeast(reinterpret_cast<const char*>(glGetString(GL_VERSION)), 3, 0) &&
        !HasGlExtension("GL_ARB_framebuffer_object")) {
        return false;
    }
    return FetchGlEntry(&GenFramebuffers, "glGenFramebuffers") &&
           FetchGlEntry(&DeleteFramebuffers, "glDeleteFramebuffers") &&
           FetchGlEntry(&BindFramebuffer, "glBindFramebuffer") &&
           FetchGlEntry(&GenRenderbuffers, "glGenRenderbuffers") &&
           FetchGlEntry(&DeleteRenderbuffers, "glDeleteRenderbuffers") &&
           FetchGlEntry(&BindRenderbuffer, "glBindRenderbuffer") &&
           FetchGlEntry(&RenderbufferStorage, "glRenderbufferStorage") &&
           FetchGlEntry(&GetRenderbufferParameteriv, "glGetRenderbufferParameteriv") &&
           FetchGlEntry(&FramebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           FetchGlEntry(&CheckFramebufferStatus, "glCheckFramebufferStatus") &&
           FetchGlEntry(&BlitFramebuffer, "glBlitFramebuffer") &&
           FetchGlEntry(&FramebufferTexture2D, "glFramebufferTexture2D");
}

static GLint RenderbufferBits(GLuint renderbuffer, GLenum which) {
    GLint bits = 0;
    BindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    GetRenderbufferParameteriv(GL_RENDERBUFFER, which, &bits);
    return bits;
}

// Makes the picture (5-6-5 colour and 16-bit depth, or 8-bit channels and
// 24-bit depth) and binds it; false when the driver cannot give exactly that.
static bool CreatePicture(int width, int height, int colourBits) {
    if (!FetchFramebufferFunctions()) {
        return false;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        return false;
    }
    GLint largestTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestTexture);
    if (width > largestTexture || height > largestTexture) {
        return false;
    }
    // The colour is a texture, so that presenting can draw it in one pass.
    const bool deep = colourBits == 32;
    glGenTextures(1, &PictureColour);
    glBindTexture(GL_TEXTURE_2D, PictureColour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, deep ? GL_RGBA8 : GL_RGB565, width, height, 0, GL_RGB,
                 deep ? GL_UNSIGNED_BYTE : GL_UNSIGNED_SHORT_5_6_5, nullptr);
    GLint red = 0;
    GLint green = 0;
    GLint blue = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &red);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_GREEN_SIZE, &green);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_BLUE_SIZE, &blue);
    glBindTexture(GL_TEXTURE_2D, 0);
    GenRenderbuffers(1, &PictureDepth);
    BindRenderbuffer(GL_RENDERBUFFER, PictureDepth);
    RenderbufferStorage(GL_RENDERBUFFER, deep ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16, width,
                        height);

    GenFramebuffers(1, &PictureFramebuffer);
    BindFramebuffer(GL_FRAMEBUFFER, PictureFramebuffer);
    FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, PictureColour, 0);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, PictureDepth);
    if (CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    bool exact = red == (deep ? 8 : 5) && green == (deep ? 8 : 6) && blue == (deep ? 8 : 5) &&
                 RenderbufferBits(PictureDepth, GL_RENDERBUFFER_DEPTH_SIZE) == (deep ? 24 : 16);
    BindRenderbuffer(GL_RENDERBUFFER, 0);
    if (!exact) {
        return false;
    }
    PictureWidth = width;
    PictureHeight = height;
    OnePassPresent = PrepareSharpPresent();
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
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
    if (SDL_GL_MakeCurrent(surface->window, Context) != 0) {
        SDL_GL_DeleteContext(Context);
        Context = nullptr;
        return ContextResult::NoContext;
    }
    // Presenting waits for nothing unless PaceSwapsToDisplay asks for it.
    SDL_GL_SetSwapInterval(0);
    return CreatePicture(width, height, colourBits) ? ContextResult::Ok : ContextResult::NoPicture;
}

void DeletePlatformContext() {
    if (Context == nullptr) {
        return;
    }
    RunContextEndHook();
    if (ScaleFramebuffer != 0) {
        DeleteFramebuffers(1, &ScaleFramebuffer);
        DeleteRenderbuffers(1, &ScaleColour);
        ScaleFramebuffer = ScaleColour = 0;
        ScaleFactor = 0;
    }
    if (PictureFramebuffer != 0) {
        BindFramebuffer(GL_FRAMEBUFFER, 0);
        DeleteFramebuffers(1, &PictureFramebuffer);
        glDeleteTextures(1, &PictureColour);
        DeleteRenderbuffers(1, &PictureDepth);
        PictureFramebuffer = PictureColour = PictureDepth = 0;
    }
    DeleteSharpPresent();
    OnePassPresent = false;
    SDL_GL_MakeCurrent(GetSdlWindow(), nullptr);
    SDL_GL_DeleteContext(Context);
    Context = nullptr;
}

// Makes the enlargement buffer factor times the picture's size; false when
// the driver cannot.
static bool PrepareScaleBuffer(int factor) {
    if (ScaleFramebuffer != 0 && ScaleFactor == factor) {
        return true;
    }
    if (ScaleFramebuffer == 0) {
        GenFramebuffers(1, &ScaleFramebuffer);
        GenRenderbuffers(1, &ScaleColour);
    }
    BindRenderbuffer(GL_RENDERBUFFER, ScaleColour);
    RenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, PictureWidth * factor, PictureHeight * factor);
    BindRenderbuffer(GL_RENDERBUFFER, 0);
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, ScaleFramebuffer);
    FramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            ScaleColour);
    ScaleFactor =
        CheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE ? factor : 0;
    return ScaleFactor == factor;
}

// Draws the picture into framebuffer target (0: the window) of width x
// height pixels, on black, "sharp bilinear": enlarged first by a whole factor
// with nearest pixels, then brought to the area's size with linear
// filtering. The factor is the smallest whole one that reaches the area, so
// the linear step only shrinks: every picture pixel becomes a block of the
// same size whose edges blend over less than one window pixel, and a whole
// factor gives hard edges. Leaves target bound for drawing and the picture
// for reading; the caller saves the state it changes.
static void DrawScaledPicture(GLuint target, int width, int height) {
    PresentArea area = PlacePicture(width, height, PictureWidth, PictureHeight);
    // Mesa's software drivers notice a resized window only when a viewport
    // is set on it, so set one every time before drawing into the window.
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glViewport(0, 0, width, height);
    if (area.width != width || area.height != height) {
        // Black bars; an area over the whole window needs none.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (OnePassPresent && !TwoBlitsOnly) {
        DrawSharpPicture(PictureColour, PictureWidth, PictureHeight, area);
        return;
    }
    const int right = area.x + area.width;
    const int top = area.y + area.height;
    const int scaledWidth = PictureWidth * area.factor;
    const int scaledHeight = PictureHeight * area.factor;
    if (area.factor == 1 || (area.width == scaledWidth && area.height == scaledHeight) ||
        !PrepareScaleBuffer(area.factor)) {
        // One step: the area is the picture's size or a whole multiple of it,
        // or smaller than the picture.
        GLenum filter = area.width % PictureWidth == 0 && area.height % PictureHeight == 0
                            ? GL_NEAREST
                            : GL_LINEAR;
        BindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
        BlitFramebuffer(0, 0, PictureWidth, PictureHeight, area.x, area.y, right, top,
                        GL_COLOR_BUFFER_BIT, filter);
        return;
    }
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, ScaleFramebuffer);
    BlitFramebuffer(0, 0, PictureWidth, PictureHeight, 0, 0, scaledWidth, scaledHeight,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
    BindFramebuffer(GL_READ_FRAMEBUFFER, ScaleFramebuffer);
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    BlitFramebuffer(0, 0, scaledWidth, scaledHeight, area.x, area.y, right, top,
                    GL_COLOR_BUFFER_BIT, GL_LINEAR);
    BindFramebuffer(GL_READ_FRAMEBUFFER, PictureFramebuffer);
}

// The state that presenting changes and puts back for the scene.
struct SceneDrawState {
    GLfloat clearColour[4];
    GLint viewport[4];
    GLboolean scissor;
};

static SceneDrawState SaveSceneDrawState() {
    SceneDrawState state{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, state.clearColour);
    glGetIntegerv(GL_VIEWPORT, state.viewport);
    state.scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    return state;
}

static void RestoreSceneDrawState(const SceneDrawState& state) {
    BindFramebuffer(GL_FRAMEBUFFER, PictureFramebuffer);
    glViewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    glClearColor(state.clearColour[0], state.clearColour[1], state.clearColour[2],
                 state.clearColour[3]);
    if (state.scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
}

// Shows the picture in the window and swaps.
static void ShowPicture(SDL_Window* window) {
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    SceneDrawState state = SaveSceneDrawState();
    DrawScaledPicture(0, drawableWidth, drawableHeight);
    SDL_GL_SwapWindow(window);
    RestoreSceneDrawState(state);
}

bool ReadPresentedPicture(int width, int height, uint8_t* rgb) {
    if (PictureFramebuffer == 0 || width <= 0 || height <= 0) {
        return false;
    }
    SceneDrawState state = SaveSceneDrawState();
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GenRenderbuffers(1, &colour);
    BindRenderbuffer(GL_RENDERBUFFER, colour);
    RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    BindRenderbuffer(GL_RENDERBUFFER, 0);
    GenFramebuffers(1, &framebuffer);
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    FramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    bool complete = CheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        DrawScaledPicture(framebuffer, width, height);
        BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        GLint alignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    }
    RestoreSceneDrawState(state);
    DeleteFramebuffers(1, &framebuffer);
    DeleteRenderbuffers(1, &colour);
    return complete;
}

void SwapBuffers(DeviceContextHandle surface) {
    if (RunPresentHook()) {
        return;
    }
    if (surface != nullptr && surface->window != nullptr && PictureFramebuffer != 0) {
        ShowPicture(surface->window);
    }
}

void* GetGlProcAddress(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

void PresentWithTwoBlits(bool twoBlits) {
    TwoBlitsOnly = twoBlits;
}

bool PresentsInOnePass() {
    return OnePassPresent && !TwoBlitsOnly;
}
