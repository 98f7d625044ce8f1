// The program's spine: start-up, the busy message loop, shutdown.
#include "shell/demo.h"

#include "shell/display.h"
#include "shell/fatal.h"
#include "shell/music.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"

const uint32_t ScreenWidth = 640;
const uint32_t ScreenHeight = 480;
const int32_t FullScreen = 1;
DeviceContextHandle DeviceContext;
uint8_t QuitRequested;

static const char WindowTitle[] = "Tessaline Demo";

void OpenDisplay(bool headless) {
    if (!PlatformInit(headless)) {
        FatalError("Can't open a display");
    }
    const int width = static_cast<int>(ScreenWidth);
    const int height = static_cast<int>(ScreenHeight);
    if (PictureFollowsDisplay()) {
        int desktopWidth = 0;
        int desktopHeight = 0;
        if (GetDesktopSize(&desktopWidth, &desktopHeight)) {
            SetPictureHeight(PictureHeightForDisplay(desktopWidth, desktopHeight));
        }
    }
    if (FullScreen) {
        SetDisplayMode();
        DeviceContext = CreatePlatformWindow(WindowTitle, 0, 0, width, height, true);
        if (DeviceContext == nullptr) {
            FatalError("Resolution change failed");
        }
    } else {
        // Centred by integer halves of the desktop and of the window.
        int desktopWidth = width;
        int desktopHeight = height;
        GetDesktopSize(&desktopWidth, &desktopHeight);
        DeviceContext = CreatePlatformWindow(WindowTitle, desktopWidth / 2 - width / 2,
                                             desktopHeight / 2 - height / 2, width, height, false);
        if (DeviceContext == nullptr) {
            FatalError("Failed to create window");
        }
    }
    // Fixed numbers: the middle of a 640 x 480 screen.
    HideAndParkCursor(320, 240);
    if (!CreateRenderContext()) {
        FatalError("Failed to create OpenGL rendering context");
    }
    // On a screen, frames are paced to its refresh (no tearing, no core
    // spinning on frames nobody sees); the clock still drives the show.
    // Headless runs (capture, bench, tests) present without waiting.
    if (!headless) {
        PaceSwapsToDisplay();
    }
}

int RunDemo(bool headless) {
    OpenDisplay(headless);
    SetupScenes();
    OpenMusic("music/velt2002.mp3");
    PlayMusic();

    QuitRequested = 0;
    StartClock();
    while (!QuitRequested) {
        PlatformEvent event;
        if (PollPlatformEvent(&event)) {
            WindowProc(event);
        } else {
            RunFrame();
        }
    }

    ShutdownDisplay();
    FreeMusic();
    PlatformQuit();
    return 0;
}

void WindowProc(const PlatformEvent& event) {
    switch (event.kind) {
    case PlatformEventKind::Escape:
    case PlatformEventKind::Close:
        QuitRequested = 1;
        break;
    case PlatformEventKind::None:
    case PlatformEventKind::Other:
        break;
    }
}

void ShutdownDisplay() {
    DeletePlatformContext();
    DestroyPlatformWindow();
    DeviceContext = nullptr;
}
