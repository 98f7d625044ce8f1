// The shell: the sequencer under a controlled clock, FatalError, the whole
// loop in-process, and the built program run as a user would run it.
#include "platform/window.h"
#include "shell/demo.h"
#include "shell/display.h"
#include "shell/fatal.h"
#include "shell/picture_options.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"
#include "shell/word_list.h"
#include "support/files.h"
#include "support/scene_fixtures.h"
#include "support/test_display.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A counter the test moves by hand; frequency 4 ticks per second, so every
// step is an exact binary fraction of a second.
int64_t ManualTicks;
int64_t ReadManualCounter() {
    return ManualTicks;
}
int64_t ReadManualFrequency() {
    return 4;
}

std::vector<std::string> Log;
int EndTicksSpent; // ticks the end operation of row 0 takes

template <int Row> void LogStart() {
    Log.push_back("start" + std::to_string(Row));
}
template <int Row> void LogEnd() {
    Log.push_back("end" + std::to_string(Row));
    if (Row == 0) {
        ManualTicks += EndTicksSpent;
    }
}
template <int Row> void LogFrame(float dt) {
    Log.push_back("frame" + std::to_string(Row) + "@" + std::to_string(SceneTime) + "/" +
                  std::to_string(dt));
}
void LoadNothing() {}
void QuitInFrame(float) {
    Log.push_back("quit");
    QuitRequested = 1;
}

class Sequencer : public ::testing::Test {
  protected:
    void SetUp() override {
        Log.clear();
        EndTicksSpent = 0;
        ManualTicks = 0;
        ScenePosition = 0;
        SceneTime = 0.0f;
        QuitRequested = 0;
        SceneTable[0] = {LoadNothing, LogStart<0>, LogFrame<0>, LogEnd<0>, 1.0f};
        SceneTable[1] = {LoadNothing, LogStart<1>, LogFrame<1>, LogEnd<1>, 0.5f};
        SceneTable[2] = {LoadNothing, LogStart<2>, LogFrame<2>, LogEnd<2>, 0.5f};
        SceneTable[3] = {LoadNothing, LogStart<3>, LogFrame<3>, LogEnd<3>, 0.5f};
        SetCounterSource(ReadManualCounter, ReadManualFrequency);
        StartClock();
    }
    void TearDown() override { SetCounterSource(nullptr, nullptr); }

    // One pass of the loop after ticks quarter-seconds.
    void Pass(int ticks) {
        ManualTicks += ticks;
        RunFrame();
    }
};

TEST_F(Sequencer, ReachingTheDurationExactlyEndsTheSceneWithoutAFrame) {
    Pass(2); // 0.5 s
    Pass(2); // 1.0 s: the duration itself
    EXPECT_EQ(Log, (std::vector<std::string>{"frame0@0.500000/0.500000", "end0", "start1"}));
    EXPECT_EQ(ScenePosition, 1);
    EXPECT_EQ(SceneTime, 0.0f);
}

TEST_F(Sequencer, ALongFrameEndsOneSceneAPassAndSkipsNone) {
    Pass(40); // ten seconds at once
    Pass(1);
    Pass(40);
    Pass(40);
    EXPECT_EQ(Log, (std::vector<std::string>{"end0", "start1", "frame1@0.250000/0.250000", "end1",
                                             "start2", "end2", "start3"}));
    EXPECT_EQ(QuitRequested, 0);
    Pass(40);
    EXPECT_EQ(Log.back(), "end3");
    EXPECT_EQ(ScenePosition, 4);
    EXPECT_EQ(QuitRequested, 1); // in the same pass as the last end
}

TEST_F(Sequencer, AQuitFromAFrameSkipsTheEndOperation) {
    SceneTable[0].frame = QuitInFrame;
    Pass(1);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(Log, std::vector<std::string>{"quit"});
    EXPECT_EQ(ScenePosition, 0);
}

TEST_F(Sequencer, TimeSpentEndingAndStartingCountsInTheNextScene) {
    EndTicksSpent = 1;
    SceneTable[1].duration = 2.0f;
    Pass(4);
    Pass(1);
    EXPECT_EQ(Log.back(), "frame1@0.500000/0.500000");
}

TEST_F(Sequencer, SetupLoadsEveryRowThenStartsTheFirst) {
    // SetupScenes fills the real table: check its durations and that the
    // first row started without touching the clock.
    OpenTestDisplay();
    const std::string dir = MakeScratchDir("setup");
    WriteSceneFixtures(dir);
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ScenePosition = 0;
    SetupScenes();
    std::filesystem::current_path(home);
    const float durations[SceneCount] = {23.0f, 24.75f, 24.0f, 100.0f};
    for (int row = 0; row < SceneCount; ++row) {
        EXPECT_EQ(SceneTable[row].duration, durations[row]) << row;
        EXPECT_NE(SceneTable[row].end, nullptr) << row;
    }
    EXPECT_EQ(ScenePosition, 0);
}

TEST(FatalErrorDeathTest, CutsLongMessagesAndExitsWithStatusOne) {
    std::string longText(3000, 'x');
    EXPECT_EXIT(FatalError("%s", longText.c_str()), ::testing::ExitedWithCode(1),
                "Error: x{1023}\n");
    EXPECT_EXIT(FatalError("Error opening %s", "textures/none.tga"), ::testing::ExitedWithCode(1),
                "Error opening textures/none.tga");
}

TEST(DriverDeathTest, WithoutMultitextureOrFramebuffersTheShowStopsWithItsMessage) {
    // A fresh process for each case, where the driver hides one extension:
    // Mesa does so on request (a variable the program itself never reads).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_multitexture", 1);
            OpenDisplay(true);
            LoadMultitexture();
        },
        ::testing::ExitedWithCode(1), "Error: no multitexture extension");
    // Without the framebuffer extension Mesa also falls back to OpenGL 2.1,
    // so the picture has neither.
    EXPECT_EXIT(
        {
            setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_framebuffer_object", 1);
            OpenDisplay(true);
        },
        ::testing::ExitedWithCode(1), "Error: Mode 640x480 16 bits \\+ 16-Zbuffer not found");
}

TEST(PacingDeathTest, HeadlessRunsNeverWaitAndAShownWindowWaitsForTheRefresh) {
    // A fresh process each, since the display opens once per process; the
    // exit status carries the swap interval the start-up left.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            OpenDisplay(true);
            std::exit(ReadSwapInterval() == 0 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            OpenDisplay(false);
            std::exit(ReadSwapInterval() != 0 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Driver, VersionStringsAreReadWithOrWithoutAPrefix) {
    struct Case {
        const char* version;
        int major;
        int minor;
        bool atLeast;
    };
    const Case cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 3, 0, true},
        {"2.1 Mesa 22.3.6", 3, 0, false},
        {"3.0", 3, 0, true},
        {"1.2.1", 1, 3, false},
        {"1.10", 1, 3, true},
        {"OpenGL ES 3.0 (WebGL 2.0)", 3, 0, true},
        {"OpenGL ES 2.0", 3, 0, false},
        {"", 1, 0, false},
        {nullptr, 1, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GlVersionAtLeast(c.version, c.major, c.minor), c.atLeast)
            << (c.version ? c.version : "none");
    }
}

TEST(Driver, ExtensionsAreFoundByWholeNameInTheDriversOwnList) {
    struct Case {
        const char* list;
        bool found;
    };
    const Case cases[] = {
        {"GL_ARB_multitexture", true},
        {"GL_EXT_abgr GL_ARB_multitexture GL_EXT_bgra", true},
        {"GL_EXT_abgr GL_ARB_multitexture", true},
        {"GL_ARB_multitexture_extra GL_EXT_bgra", false},
        {"GL_XGL_ARB_multitexture", false},
        {"GL_EXT_abgr GL_ARB_multitexture_extra GL_ARB_multitexture ", true},
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListHasWord(c.list, "GL_ARB_multitexture"), c.found)
            << (c.list ? c.list : "none");
    }
    // SDL's own helper answers no when a variable of the extension's name
    // says 0; the driver's list is what counts here.
    OpenTestDisplay();
    setenv("GL_ARB_multitexture", "0", 1);
    EXPECT_TRUE(HasGlExtension("GL_ARB_multitexture"));
    unsetenv("GL_ARB_multitexture");
    EXPECT_FALSE(HasGlExtension("GL_ARB_no_such_extension"));
}

TEST(Multitexture, EnableAndDisableLeaveTheStatedUnits) {
    OpenTestDisplay();
    LoadMultitexture();
    EnableMultitexture();
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE1_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    DisableMultitexture();
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    ActiveTextureARB(GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    ActiveTextureARB(GL_TEXTURE0_ARB);
}

TEST(PictureSize, WidthsScalesAndDisplayHeights) {
    // Width 4H/3 to the nearest even number; at 480 lines nothing scales.
    const int32_t widths[][2] = {{480, 640},   {481, 642},   {482, 642},  {720, 960},
                                 {1080, 1440}, {2160, 2880}, {4320, 5760}};
    for (const auto& [height, width] : widths) {
        EXPECT_EQ(PictureWidthFor(height), width) << height;
    }
    EXPECT_EQ(ScalePixels(128, PixelMeasure::Picture), 128);
    EXPECT_EQ(ScalePixels(123.456f, PixelMeasure::SwitchOff), 123.456f);
    SetPictureHeight(1080);
    EXPECT_EQ(PicturePixelWidth(), 1440);
    EXPECT_EQ(ScalePixels(64, PixelMeasure::Picture), 144);
    EXPECT_EQ(ScalePixels(1.5f, PixelMeasure::Outline), 3.375f);
    SetPictureHeight(720);
    EXPECT_EQ(ScalePixels(1, PixelMeasure::CubeView), 1); // rounded down
    SetPictureHeight(480);

    // --hd: the 4:3 area presenting fills, kept within 480 to 4320 lines.
    const int32_t displays[][3] = {{1920, 1080, 1080}, {1024, 768, 768},   {2560, 1080, 1080},
                                   {1080, 1920, 810},  {800, 600, 600},    {320, 240, 480},
                                   {7680, 4320, 4320}, {15360, 8640, 4320}};
    for (const auto& [width, height, lines] : displays) {
        EXPECT_EQ(PictureHeightForDisplay(width, height), lines) << width << " x " << height;
        EXPECT_EQ(PictureHeightForDisplay(width, height),
                  std::clamp(PlacePicture(width, height, 640, 480).height, 480, 4320));
    }
}

TEST(PictureOptions, AreReadWhereAllowedAndBadValuesSayWhy) {
    struct Case {
        std::vector<const char*> arguments;
        const char* allowed;
        PictureOptionResult result;
    };
    const Case cases[] = {
        {{"--height", "1080"}, "--height --hd", PictureOptionResult::Taken},
        {{"--height", "479"}, "--height", PictureOptionResult::Bad},
        {{"--height", "5000"}, "--height", PictureOptionResult::Bad},
        {{"--height", "1e3"}, "--height", PictureOptionResult::Bad},
        {{"--height"}, "--height", PictureOptionResult::Bad},
        {{"--supersample", "9"}, "--supersample", PictureOptionResult::Bad},
        {{"--supersample", "0"}, "--supersample", PictureOptionResult::Bad},
        {{"--supersample", "4"}, "--supersample", PictureOptionResult::Taken},
        {{"--supersample", "2"}, "--height --hd", PictureOptionResult::NotPictureOption},
        {{"--colour", "24"}, "--colour", PictureOptionResult::Bad},
        {{"--colour", "32"}, "--colour", PictureOptionResult::Taken},
        {{"--hd"}, "--height --hd", PictureOptionResult::Taken},
        {{"--hdx"}, "--height --hd", PictureOptionResult::NotPictureOption},
    };
    for (const Case& c : cases) {
        PictureOptions options;
        bool usedValue = false;
        std::string error;
        const char* value = c.arguments.size() > 1 ? c.arguments[1] : nullptr;
        EXPECT_EQ(ReadPictureOption(c.arguments[0], value, c.allowed, &options, &usedValue, &error),
                  c.result)
            << c.arguments[0] << " " << (value ? value : "");
        EXPECT_EQ(error.empty(), c.result != PictureOptionResult::Bad) << c.arguments[0];
        if (c.result == PictureOptionResult::Taken) {
            EXPECT_EQ(usedValue, value != nullptr) << c.arguments[0];
        }
    }
}

TEST(PictureDeathTest, HdDrawsAtTheDesktopsHeightAndDeepColourHasEightBitChannels) {
    // A fresh process each: the display opens once per process. SDL's
    // off-screen driver has a 1024 x 768 desktop.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetPictureFollowsDisplay(true);
            OpenDisplay(true);
            GLint viewport[4] = {};
            glGetIntegerv(GL_VIEWPORT, viewport);
            std::exit(PicturePixelHeight() == 768 && viewport[2] == 1024 && viewport[3] == 768 ? 0
                                                                                               : 2);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            SetPictureHeight(720);
            SetPictureColourBits(32);
            OpenDisplay(true);
            glClearColor(0.5f, 0.25f, 0.125f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            uint8_t pixel[3] = {};
            glReadPixels(959, 719, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
            GLint depthBits = 0;
            glGetIntegerv(GL_DEPTH_BITS, &depthBits);
            // 8-bit channels keep 128, 64 and 32 (5-6-5 gives 132, 65, 33).
            std::exit(pixel[0] == 128 && pixel[1] == 64 && pixel[2] == 32 && depthBits == 24 ? 0
                                                                                             : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Picture, HoldsSixteenBitColourAndKeepsItsContentsAcrossPresents) {
    OpenTestDisplay();
    glViewport(0, 0, 640, 480);
    glClearColor(1.0f, 0.5f, 0.25f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(DeviceContext);
    std::vector<uint8_t> pixel = ReadPictureRgb(639, 479, 1, 1);
    // 5-6-5 bits: 0.5 and 0.25 come back as 130 and 66, not 128 and 64.
    EXPECT_EQ(pixel, (std::vector<uint8_t>{255, 130, 66}));
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_EQ(depthBits, 16);
}

// Fills the picture with a known pattern: red 255 on odd columns, green 255
// on odd rows (single-pixel lines that cross into single-pixel checks), blue
// the same everywhere so that the picture's area shows against the bars.
void DrawLinePattern() {
    std::vector<uint8_t> pattern;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            pattern.insert(pattern.end(), {static_cast<uint8_t>(x % 2 * 255),
                                           static_cast<uint8_t>(y % 2 * 255), 128});
        }
    }
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2i(0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(640, 480, GL_RGB, GL_UNSIGNED_BYTE, pattern.data());
}

TEST(Picture, IsShownInWholeBlocksCentredBetweenBlackBars) {
    OpenTestDisplay();
    DrawLinePattern();
    const uint8_t blue = ReadPictureRgb(0, 0, 1, 1)[2]; // 128 as 5 bits hold it
    // Each window's 4:3 area and bars, worked out by hand: the largest 4:3
    // area that fits, centred, the odd pixel going to the right or top bar.
    struct Case {
        int width;
        int height;
        int areaWidth;
        int areaHeight;
        int left;
        int bottom;
    };
    const Case cases[] = {
        {640, 480, 640, 480, 0, 0},       {1280, 720, 960, 720, 160, 0},
        {1920, 1080, 1440, 1080, 240, 0}, {2560, 1440, 1920, 1440, 320, 0},
        {1366, 768, 1024, 768, 171, 0},   {1367, 768, 1024, 768, 171, 0},
        {800, 700, 800, 600, 0, 50},      {800, 601, 800, 600, 0, 0},
    };
    // Once in one shader pass (what Mesa's drivers give), once with the two
    // blits that contexts without shaders use.
    for (bool twoBlits : {false, true}) {
        PresentWithTwoBlits(twoBlits);
        EXPECT_EQ(PresentsInOnePass(), !twoBlits);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                         (twoBlits ? ", two blits" : ", one pass"));
            const int w = c.width;
            const int h = c.height;
            std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
            ASSERT_TRUE(ReadPresentedPicture(w, h, rgb.data()));
            auto at = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; };
            const int areaWidth = c.areaWidth;
            const int areaHeight = c.areaHeight;
            const int left = c.left;
            const int bottom = c.bottom;
            const double scale = areaWidth / 640.0;
            const bool whole = areaWidth % 640 == 0;

            // Along rows for red (columns), along columns for green (rows): a
            // window pixel whose centre lies half a pixel or more inside a picture
            // pixel's block shows that pixel exactly, so each edge blends one
            // window pixel at most; at a whole scale every pixel does. The bars
            // are black and the area's every pixel carries the blue.
            auto expectLine = [&](int count, int start, int channel, auto pixel) {
                for (int i = 0; i < count; i++) {
                    const uint8_t* p = pixel(i);
                    if (i < start || i >= start + (channel == 0 ? areaWidth : areaHeight)) {
                        ASSERT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0) << "bar pixel " << i;
                        continue;
                    }
                    ASSERT_EQ(p[2], blue) << "area pixel " << i;
                    const double centre = i - start + 0.5;
                    const int source = static_cast<int>(centre / scale);
                    const double edge = std::round(centre / scale) * scale;
                    if (whole || std::abs(centre - edge) >= 0.5) {
                        ASSERT_EQ(p[channel], source % 2 * 255) << "pixel " << i;
                    }
                }
            };
            for (int y : {bottom, h / 2, bottom + areaHeight - 1}) {
                expectLine(w, left, 0, [&](int x) { return at(x, y); });
            }
            for (int x : {left, w / 2, left + areaWidth - 1}) {
                expectLine(h, bottom, 1, [&](int y) { return at(x, y); });
            }
        }
    }
    PresentWithTwoBlits(false);
}

std::string BinaryPath() {
    return std::string(TESSALINE_BINARY_DIR) + "/tessaline";
}

// The built program in a folder holding a short soundtrack and small scene files.
class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        WriteToneMp3(dir + "/music/velt2002.mp3", 3.0f);
        WriteSceneFixtures(dir);
    }
    CommandResult Run(const std::string& environment, const std::string& after = "") {
        return RunCommand("cd " + dir + " && " + environment + " timeout -s KILL 60 " +
                          BinaryPath() + after);
    }
    std::string dir;
};

TEST_F(Program, MissingSoundtrackIsFatalBeforeAnyFrame) {
    std::filesystem::remove(dir + "/music/velt2002.mp3");
    CommandResult result = Run("SDL_AUDIODRIVER=dummy");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("Can't create stream"), std::string::npos) << result.output;
}

TEST_F(Program, SoundOutputThatCannotOpenIsFatal) {
    CommandResult result = Run("SDL_AUDIODRIVER=no-such-driver");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("Can't initialize digital sound system"), std::string::npos)
        << result.output;
}

TEST_F(Program, CloseRequestEndsTheShowAndTheSoundIsNotSilent) {
    // SDL turns SIGTERM into a quit request, as a window manager's close
    // would be; the disk driver records what would have been heard.
    CommandResult result = Run("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + dir + "/sound.raw",
                               " & pid=$!; sleep 3; kill -TERM $pid; wait $pid");
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<uint8_t> sound = ReadFileBytes(dir + "/sound.raw");
    ASSERT_GT(sound.size(), 44100u);
    size_t loud = 0;
    for (size_t i = 0; i + 1 < sound.size(); i += 2) {
        int16_t sample = static_cast<int16_t>(sound[i] | (sound[i + 1] << 8));
        loud += sample > 1000 || sample < -1000;
    }
    EXPECT_GT(loud, sound.size() / 20);
}

TEST_F(Program, EscapeInARealWindowEndsTheShowAtOnce) {
    if (RunCommand("command -v Xvfb && command -v xdotool").status != 0) {
        GTEST_SKIP() << "Xvfb or xdotool missing";
    }
    // A private X server for this test alone; the program gets it as its
    // display, every other test stays headless.
    std::string display = ":" + std::to_string(50 + getpid() % 40);
    std::string script =
        "Xvfb " + display + " -screen 0 1024x768x24 -nolisten tcp & xpid=$!; sleep 1; " +
        "DISPLAY=" + display + " SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy timeout -s KILL 60 " +
        BinaryPath() + " & pid=$!; sleep 3; " + "DISPLAY=" + display +
        " timeout -s KILL 30 xdotool search --sync --name 'Tessaline Demo' windowfocus --sync key "
        "Escape; " +
        "wait $pid; status=$?; kill $xpid; exit $status";
    CommandResult result = RunCommand("cd " + dir + " && (" + script + ")");
    EXPECT_EQ(result.status, 0) << result.output;
}

// The whole loop in-process: the real start-up and the four scenes on small
// files, driven by a virtual clock of a quarter second per pass.
int PresentedFrames;
void CountPresent(void*) {
    ++PresentedFrames;
}

TEST(Loop, PlaysAllFourRowsOnAVirtualClockAndEnds) {
    std::string dir = MakeScratchDir("loop");
    WriteToneMp3(dir + "/music/velt2002.mp3", 1.0f);
    WriteSceneFixtures(dir);
    std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ShutdownDisplay();
    ScenePosition = 0;
    SceneTime = 0.0f;
    UseVirtualClock(4, 1);
    SetPresentHook(CountPresent, nullptr);
    EXPECT_EQ(RunDemo(true), 0);
    SetPresentHook(nullptr, nullptr);
    SetCounterSource(nullptr, nullptr);
    std::filesystem::current_path(home);
    // The level scene ends the show itself after its switch-off, about 53.6 s
    // in. Before it: 91, 98 and 95 framed passes (each row frames while its
    // clock is below its duration, the pass that reaches it draws nothing).
    EXPECT_EQ(ScenePosition, 3);
    EXPECT_GE(PresentedFrames, 91 + 98 + 95 + 4 * 53);
    EXPECT_LE(PresentedFrames, 91 + 98 + 95 + 4 * 55);
}

} // namespace
