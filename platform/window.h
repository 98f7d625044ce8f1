// The window, the OpenGL context and the picture, over SDL2.
//
// Owns the SDL window, its OpenGL context and the off-screen picture (a
// framebuffer object of the size asked for, 640 x 480 for the show, with
// 16-bit 5-6-5 colour and a 16-bit depth buffer, or 8-bit channels and a
// 24-bit depth buffer).
// While a context exists the picture's framebuffer stays bound for drawing and
// reading, so viewports, clears and pixel reads act on it as on a back buffer;
// presenting copies it to the window and leaves its contents untouched.
// Presenting does not wait for the display unless PaceSwapsToDisplay asks.
// This header exposes no SDL type: the rest of the program stays SDL-free.
#pragma once

#include <cstdint>

// The surface every frame is presented on; stands in for a device context.
struct PlatformSurface;
using DeviceContextHandle = PlatformSurface*;

enum class PlatformEventKind { None, Escape, Close, Other };

struct PlatformEvent {
    PlatformEventKind kind;
};

// Outcome of making the context and the picture.
enum class ContextResult { Ok, NoContext, NoPicture };

// Called in place of showing the window when set; the picture is bound for
// reading while it runs.
using PresentHook = void (*)(void* user);

// Starts SDL's video and event subsystems; false when no video driver works.
// headless picks SDL's off-screen video driver (no display server needed) and
// its silent audio driver.
bool PlatformInit(bool headless);

// The desktop's size in pixels; false when it cannot be read.
bool GetDesktopSize(int* width, int* height);

// Makes the window: borderless over the whole desktop when fullScreen is set,
// else a captioned window of width x height pixels at (x, y). Returns the
// surface to present on, or nullptr. The picture keeps its own size whatever
// the window's.
DeviceContextHandle CreatePlatformWindow(const char* title, int x, int y, int width, int height,
                                         bool fullScreen);

// Hides the mouse cursor and parks it at (x, y) in window pixels.
void HideAndParkCursor(int x, int y);

// Makes an OpenGL 1.x-compatible context current on the surface and the
// off-screen picture of width x height pixels: colourBits 16 gives 5-6-5
// colour with a 16-bit depth buffer, 32 gives 8-bit channels with a 24-bit
// depth buffer. NoPicture when the driver has no framebuffer objects, not
// those bits or not that size.
ContextResult CreatePlatformContext(DeviceContextHandle surface, int width, int height,
                                    int colourBits);

// Makes each present wait for the display's refresh: adaptive vertical sync
// where the driver offers it (a late frame shows at once), else plain
// vertical sync, else none. Returns the swap interval set: -1, 1 or 0.
int PaceSwapsToDisplay();

// The current context's swap interval: 0 when presents wait for nothing.
int ReadSwapInterval();

// Deletes the picture and the context; safe to call when none exists.
void DeletePlatformContext();

// Destroys the window so that the desktop shows again; safe to call twice.
void DestroyPlatformWindow();

// Presents the finished picture: hands it to the present hook when one is set,
// otherwise shows it in the window scaled to the largest 4:3 size that fits,
// centred on black, crisp (see PlacePicture). The picture keeps its contents.
void SwapBuffers(DeviceContextHandle surface);

// Where the picture lands in a window: the area (x, y from the bottom left,
// in window pixels) and the whole factor it is first enlarged by with
// nearest pixels, the smallest that reaches the area; linear filtering then
// shrinks it to the area.
struct PresentArea {
    int x;
    int y;
    int width;
    int height;
    int factor;
};

// The area for a drawable of drawableWidth x drawableHeight pixels and a
// picture of pictureWidth x pictureHeight: the largest of the picture's shape
// that fits, centred.
PresentArea PlacePicture(int drawableWidth, int drawableHeight, int pictureWidth,
                         int pictureHeight);

// Draws the picture as presenting shows it in a window of width x height
// pixels, into an off-screen buffer of that size, and reads it back into rgb
// (width x height x 3 bytes, caller's, bottom row first). False when there
// is no picture or no such buffer.
bool ReadPresentedPicture(int width, int height, uint8_t* rgb);

// Test hook: presents with two blits (nearest up, linear down) even where
// the context has shaders for the one-pass present.
void PresentWithTwoBlits(bool twoBlits);

// Whether presenting draws the picture in one shader pass.
bool PresentsInOnePass();

// Replaces window presentation with hook (nullptr restores it).
void SetPresentHook(PresentHook hook, void* user);

// Runs hook (nullptr: none) when the context is about to be deleted, with
// the context still current: the last chance to read what it holds.
void SetContextEndHook(PresentHook hook, void* user);

// Takes one waiting window event off the queue; false when none waits.
bool PollPlatformEvent(PlatformEvent* event);

// Looks up an OpenGL entry point by name in the current context's driver.
// Some loaders return a pointer for any name: ask HasGlExtension first.
void* GetGlProcAddress(const char* name);

// Looks up an entry point into *entry, typed as the caller's pointer; false
// when the driver has none by that name.
template <typename T> bool FetchGlEntry(T* entry, const char* name) {
    *entry = reinterpret_cast<T>(GetGlProcAddress(name));
    return *entry != nullptr;
}

// Whether the current context's driver lists the extension (a whole name).
// Asks the driver alone: no environment variable changes the answer.
bool HasGlExtension(const char* name);

// Whether an OpenGL version string ("4.5 (Compatibility Profile) Mesa …",
// "OpenGL ES 3.0 …") is at least major.minor; false for none.
bool GlVersionAtLeast(const char* version, int major, int minor);

// The high-resolution counter and its ticks per second.
int64_t ReadPlatformCounter();
int64_t ReadPlatformCounterFrequency();

// Shows a modal error box when a display can show one; false otherwise.
bool ShowErrorBox(const char* title, const char* message);

// Ends SDL; the last call of a run.
void PlatformQuit();
