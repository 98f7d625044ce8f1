// The display mode, the OpenGL context and the ARB multitexture entry points.
#include "shell/display.h"

#include "platform/window.h"
#include "shell/demo.h"
#include "shell/fatal.h"
#include "shell/picture_size.h"

#include <GL/glext.h>

MultiTexCoord2fFunction MultiTexCoord2fARB;
MultiTexCoord2fvFunction MultiTexCoord2fvARB;
ActiveTextureFunction ActiveTextureARB;
ActiveTextureFunction ClientActiveTextureARB;

void SetDisplayMode() {
    int width = 0;
    int height = 0;
    if (!GetDesktopSize(&width, &height)) {
        FatalError("Resolution change failed");
    }
}

bool CreateRenderContext() {
    const int width = PicturePixelWidth();
    const int height = PicturePixelHeight();
    const int colourBits = PictureColourBits();
    switch (CreatePlatformContext(DeviceContext, width, height, colourBits)) {
    case ContextResult::Ok:
        return true;
    case ContextResult::NoPicture:
        FatalError("Mode %dx%d %d bits + %d-Zbuffer not found", width, height, colourBits,
                   colourBits == 32 ? 24 : 16);
    case ContextResult::NoContext:
        break;
    }
    return false;
}

void LoadMultitexture() {
    // The loader returns a pointer for any name, so the driver is asked first.
    if (!HasGlExtension("GL_ARB_multitexture")) {
        FatalError("no multitexture extension");
    }
    MultiTexCoord2fARB =
        reinterpret_cast<MultiTexCoord2fFunction>(GetGlProcAddress("glMultiTexCoord2fARB"));
    MultiTexCoord2fvARB =
        reinterpret_cast<MultiTexCoord2fvFunction>(GetGlProcAddress("glMultiTexCoord2fvARB"));
    ActiveTextureARB =
        reinterpret_cast<ActiveTextureFunction>(GetGlProcAddress("glActiveTextureARB"));
    ClientActiveTextureARB =
        reinterpret_cast<ActiveTextureFunction>(GetGlProcAddress("glClientActiveTextureARB"));
    if (MultiTexCoord2fARB == nullptr || MultiTexCoord2fvARB == nullptr ||
        ActiveTextureARB == nullptr || ClientActiveTextureARB == nullptr) {
        FatalError("no multitexture extension");
    }
}

static void SetUnitTexturing(GLenum unit, bool on) {
    ActiveTextureARB(unit);
    ClientActiveTextureARB(unit);
    if (on) {
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

void EnableMultitexture() {
    SetUnitTexturing(GL_TEXTURE0_ARB, true);
    SetUnitTexturing(GL_TEXTURE1_ARB, true);
}

void DisableMultitexture() {
    SetUnitTexturing(GL_TEXTURE1_ARB, false);
    SetUnitTexturing(GL_TEXTURE0_ARB, false);
}
