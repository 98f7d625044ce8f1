// The capture and benchmark tools, run in-process on rows of the test's own:
// each row clears to its own colour and draws a bar that moves with
// SceneTime, so a picture tells both the row and the moment. Also the fixedgl
// layer that the web build and tessaline-capture-gles draw through: its
// mipmaps beside desktop GLU's, and its frames beside the native ones.
#include "bsp/bsp_file.h"
#include "fixedgl/mipmaps.h"
#include "shell/demo.h"
#include "shell/fatal.h"
#include "shell/sequencer.h"
#include "support/files.h"
#include "tools/bench/bench.h"
#include "tools/bench/large_level.h"
#include "image/palette.h"
#include "support/bsp_builder.h"
#include "tools/capture/capture.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every key of the bench's JSON is a plain lower-case identifier with
// underscores (keys are the strings followed by a colon).
void ExpectPlainJsonKeys(const std::string& json) {
    size_t keys = 0;
    for (size_t at = json.find('"'); at != std::string::npos; at = json.find('"', at)) {
        size_t end = json.find('"', at + 1);
        ASSERT_NE(end, std::string::npos);
        std::string word = json.substr(at + 1, end - at - 1);
        if (json.compare(end + 1, 1, ":") == 0) {
            ++keys;
            EXPECT_FALSE(word.empty());
            for (char c : word) {
                EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')
                    << "key \"" << word << "\"";
            }
        }
        at = end + 1;
    }
    EXPECT_GT(keys, 20u);
}

const uint8_t RowColours[SceneCount][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

void LoadNothing() {}
void StartNothing() {}
void EndNothing() {}

template <int Row> void DrawRow(float) {
    glViewport(0, 0, 640, 480);
    glClearColor(RowColours[Row][0] / 255.0f, RowColours[Row][1] / 255.0f,
                 RowColours[Row][2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A black bar sweeping the picture once a second, away from the corner
    // the tests read.
    float x = std::fmod(SceneTime, 1.0f) * 1.8f - 0.9f;
    glColor3f(0, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(x, -0.5f);
    glVertex2f(x + 0.1f, -0.5f);
    glVertex2f(x + 0.1f, 0.5f);
    glVertex2f(x, 0.5f);
    glEnd();
    glFlush();
    SwapBuffers(DeviceContext);
}

// The show's durations with the test's rows.
void FillTestRows() {
    SceneTable[0] = {LoadNothing, StartNothing, DrawRow<0>, EndNothing, 23.0f};
    SceneTable[1] = {LoadNothing, StartNothing, DrawRow<1>, EndNothing, 24.75f};
    SceneTable[2] = {LoadNothing, StartNothing, DrawRow<2>, EndNothing, 24.0f};
    SceneTable[3] = {LoadNothing, StartNothing, DrawRow<3>, EndNothing, 100.0f};
}

// A row that fills the whole picture with fresh noise every frame, so that
// any loss or colour conversion on the way to a file shows.
uint32_t NoiseSeed = 1;
void DrawNoise(float) {
    std::vector<uint8_t> pixels(640 * 480 * 3);
    for (uint8_t& value : pixels) {
        NoiseSeed = NoiseSeed * 1664525u + 1013904223u;
        value = static_cast<uint8_t>(NoiseSeed >> 24);
    }
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2f(-1.0f, -1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(640, 480, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glFlush();
    SwapBuffers(DeviceContext);
}

void FillNoiseRows() {
    FillTestRows();
    SceneTable[0].frame = DrawNoise;
    SceneTable[1].frame = DrawNoise;
}

void FailLoadingTheObject() {
    FatalError("Error opening %s", "objects/cat.3dg");
}

void FailStartingRowOne() {
    FatalError("Error loading skybox");
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // top row first
};

Picture ReadPng(const std::string& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        return picture;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

// The top-left pixel: the row's clear colour (the bar never reaches it).
std::vector<uint8_t> CornerColour(const std::string& path) {
    Picture picture = ReadPng(path);
    if (picture.rgb.size() < 3) {
        return {};
    }
    return {picture.rgb[0], picture.rgb[1], picture.rgb[2]};
}

std::vector<uint8_t> RowColour(int row) {
    return {RowColours[row][0], RowColours[row][1], RowColours[row][2]};
}

// The name --png gives a frame: its number, six digits.
std::string FrameName(int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.png", frame);
    return name;
}

std::set<std::string> FileNames(const std::string& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class Capture : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        WriteToneMp3(dir + "/music/velt2002.mp3", 1.0f);
        SetSceneTableFiller(FillTestRows);
        options.dataDir = dir;
        options.fps = 5;
        options.progress = false;
    }
    void TearDown() override { SetSceneTableFiller(nullptr); }

    std::string dir;
    CaptureOptions options;
};

TEST_F(Capture, FramesAreNumberedByShowTimeAndTwoRunsWriteTheSameBytes) {
    options.from = 22.0;
    options.to = 24.0;
    options.pngDir = dir + "/first";
    ASSERT_EQ(RunCapture(options), 0);
    options.pngDir = dir + "/second";
    ASSERT_EQ(RunCapture(options), 0);

    std::set<std::string> expected;
    for (int frame = 110; frame < 120; ++frame) {
        expected.insert(FrameName(frame));
    }
    EXPECT_EQ(FileNames(dir + "/first"), expected);
    for (const std::string& name : expected) {
        EXPECT_EQ(ReadFileBytes(dir + "/first/" + name), ReadFileBytes(dir + "/second/" + name))
            << name;
    }
    Picture first = ReadPng(dir + "/first/000110.png");
    EXPECT_EQ(first.width, 640);
    EXPECT_EQ(first.height, 480);
    // The bar moves: neighbouring frames are different pictures.
    EXPECT_NE(first.rgb, ReadPng(dir + "/first/000111.png").rgb);
    EXPECT_EQ(CornerColour(dir + "/first/000110.png"), RowColour(0));
    EXPECT_EQ(CornerColour(dir + "/first/000119.png"), RowColour(1));
}

TEST_F(Capture, APassThatChangesSceneRepeatsThePictureBefore) {
    // One second a row at 4 fps: exact quarter seconds, so row 0 draws in
    // passes 1 to 3, pass 4 ends it and starts row 1, and so on; the pass
    // that ends row 3 ends the show.
    SetSceneTableFiller([] {
        FillTestRows();
        for (SceneEntry& row : SceneTable) {
            row.duration = 1.0f;
        }
    });
    options.fps = 4;
    options.pngDir = dir + "/frames";
    ASSERT_EQ(RunCapture(options), 0);
    std::set<std::string> names = FileNames(options.pngDir);
    ASSERT_EQ(names.size(), 16u);
    EXPECT_EQ(*names.rbegin(), "000015.png");
    auto frame = [&](int number) { return options.pngDir + "/" + FrameName(number); };
    for (int change : {4, 8, 12}) {
        EXPECT_EQ(ReadFileBytes(frame(change)), ReadFileBytes(frame(change - 1))) << change;
        EXPECT_EQ(CornerColour(frame(change)), RowColour(change / 4 - 1)) << change;
        EXPECT_EQ(CornerColour(frame(change + 1)), RowColour(change / 4)) << change;
    }
    EXPECT_EQ(CornerColour(frame(0)), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_NE(ReadFileBytes(frame(1)), ReadFileBytes(frame(2)));

    // A span that starts on a change pass still gets the picture before it,
    // though no frame before the span is written.
    std::vector<uint8_t> whole = ReadFileBytes(frame(8));
    options.pngDir = dir + "/span";
    options.from = 2.0;
    options.to = 2.5;
    ASSERT_EQ(RunCapture(options), 0);
    EXPECT_EQ(FileNames(options.pngDir), (std::set<std::string>{FrameName(8), FrameName(9)}));
    EXPECT_EQ(ReadFileBytes(options.pngDir + "/" + FrameName(8)), whole);
    EXPECT_EQ(CornerColour(options.pngDir + "/" + FrameName(9)), RowColour(2));
}

TEST_F(Capture, AtWritesOneFileATimeFromTheRightScene) {
    options.pngDir = dir + "/at";
    options.at = {22.8, 23.4, 0.0, 23.4, 0.1};
    ASSERT_EQ(RunCapture(options), 0);
    EXPECT_EQ(FileNames(dir + "/at"),
              (std::set<std::string>{"0.000.png", "0.100.png", "22.800.png", "23.400.png"}));
    // Frame 0 comes before the first pass: the untouched black picture.
    EXPECT_EQ(CornerColour(dir + "/at/0.000.png"), (std::vector<uint8_t>{0, 0, 0}));
    // 0.1 s at 5 fps is the frame at 0.2 s, the first one drawn.
    EXPECT_EQ(CornerColour(dir + "/at/0.100.png"), RowColour(0));
    EXPECT_EQ(CornerColour(dir + "/at/22.800.png"), RowColour(0));
    // Two frames after the scene change: the object scene's row.
    EXPECT_EQ(CornerColour(dir + "/at/23.400.png"), RowColour(1));
}

TEST_F(Capture, AnAtTimeAfterTheShowFails) {
    options.fps = 1;
    options.pngDir = dir + "/at";
    options.at = {10.0, 500.0};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCapture(options), 1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("no frame at 500.000 s: the show ended at"), std::string::npos)
        << message;
    EXPECT_TRUE(fs::exists(dir + "/at/10.000.png"));
}

TEST_F(Capture, VideoLastsTheSpanAndCarriesTheSoundtrack) {
    WriteToneMp3(dir + "/music/velt2002.mp3", 26.0f);
    options.fps = 10;
    options.from = 22.5;
    options.to = 24.5;
    options.scale = 2;
    options.videoPath = dir + "/show.mp4";
    ASSERT_EQ(RunCapture(options), 0);
    CommandResult probe =
        RunCommand("ffprobe -v error -show_entries format=duration:stream=codec_type,width,height,"
                   "nb_frames -of default=noprint_wrappers=1 " +
                   options.videoPath);
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_NE(probe.output.find("codec_type=audio"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("width=1280\nheight=960"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("nb_frames=20\n"), std::string::npos) << probe.output;
    size_t at = probe.output.find("duration=");
    ASSERT_NE(at, std::string::npos) << probe.output;
    EXPECT_NEAR(std::stod(probe.output.substr(at + 9)), 2.0, 0.1);
    EXPECT_FALSE(fs::exists(options.videoPath + ".part.mp4"));
}

TEST_F(Capture, ArchivalVideoDecodesToTheExactFramesWithLosslessSound) {
    WriteToneMp3(dir + "/music/velt2002.mp3", 26.0f);
    SetSceneTableFiller(FillNoiseRows);
    options.fps = 10;
    options.from = 22.5;
    options.to = 23.5; // across the change of row
    options.pngDir = dir + "/frames";
    options.videoPath = dir + "/show.mkv";
    ASSERT_EQ(RunCapture(options), 0);

    CommandResult probe =
        RunCommand("ffprobe -v error -show_entries format=duration:stream=codec_name,width,height "
                   "-of default=noprint_wrappers=1 " +
                   options.videoPath);
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_NE(probe.output.find("codec_name=ffv1\nwidth=640\nheight=480"), std::string::npos)
        << probe.output;
    EXPECT_NE(probe.output.find("codec_name=flac"), std::string::npos) << probe.output;
    size_t at = probe.output.find("duration=");
    ASSERT_NE(at, std::string::npos) << probe.output;
    EXPECT_NEAR(std::stod(probe.output.substr(at + 9)), 1.0, 0.05);
    EXPECT_FALSE(fs::exists(options.videoPath + ".part.mkv"));

    std::string raw = dir + "/decoded.rgb";
    CommandResult decode = RunCommand("ffmpeg -v error -i " + options.videoPath +
                                      " -f rawvideo -pix_fmt rgb24 " + raw);
    ASSERT_EQ(decode.status, 0) << decode.output;
    std::vector<uint8_t> decoded = ReadFileBytes(raw);
    const size_t frameBytes = 640 * 480 * 3;
    ASSERT_EQ(decoded.size(), 10 * frameBytes);
    for (int frame = 0; frame < 10; ++frame) {
        Picture picture = ReadPng(options.pngDir + "/" + FrameName(225 + frame));
        ASSERT_EQ(picture.rgb.size(), frameBytes) << frame;
        EXPECT_TRUE(std::equal(picture.rgb.begin(), picture.rgb.end(),
                               decoded.begin() + frame * frameBytes))
            << "frame " << 225 + frame << " differs";
    }
    // Noise pictures: consecutive frames differ, so none was dropped or repeated.
    EXPECT_FALSE(
        std::equal(decoded.begin(), decoded.begin() + frameBytes, decoded.begin() + frameBytes));
}

TEST_F(Capture, APictureThatCannotBeWrittenFailsTheCaptureWithItsName) {
    // A folder where the third frame's file should go: written on the
    // writer's thread, the failure still ends the capture with status 1.
    options.to = 4.0;
    options.pngDir = dir + "/frames";
    fs::create_directories(options.pngDir + "/" + FrameName(2));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCapture(options), 1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("tessaline-capture: can't write " + options.pngDir + "/" + FrameName(2)),
              std::string::npos)
        << message;
    EXPECT_TRUE(fs::exists(options.pngDir + "/" + FrameName(1)));
}

TEST_F(Capture, AFailedEncoderIsReportedWithStatusOne) {
    options.to = 1.0;
    options.videoPath = dir + "/no-such-folder/show.mp4";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCapture(options), 1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("tessaline-capture: the video encoder (ffmpeg)"), std::string::npos)
        << message;
}

TEST_F(Capture, TheShowsOwnFailureEndsTheCaptureWithItsMessage) {
    SetSceneTableFiller([] {
        FillTestRows();
        SceneTable[1].load = FailLoadingTheObject;
    });
    EXPECT_EXIT(RunCapture(options), ::testing::ExitedWithCode(1),
                "Error: Error opening objects/cat.3dg");

    // A failure while recording leaves neither the video nor its parts.
    SetSceneTableFiller([] {
        FillTestRows();
        SceneTable[1].start = FailStartingRowOne;
    });
    options.from = 22.0;
    options.videoPath = dir + "/show.mp4";
    EXPECT_EXIT(RunCapture(options), ::testing::ExitedWithCode(1), "Error: Error loading skybox");
    EXPECT_FALSE(fs::exists(dir + "/show.mp4"));
    EXPECT_FALSE(fs::exists(dir + "/show.mp4.part.mp4"));
}

TEST(CaptureOptions, BadOptionsAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> cases = {
        {"--fps", "0"},
        {"--fps", "12x"},
        {"--from", "-1"},
        {"--from", "5", "--to", "3"},
        {"--to", "nan"},
        {"--scale", "9", "--video", "a.mp4"},
        {"--scale", "2"},
        {"--at", "1,,2", "--png", "p"},
        {"--at", "1"},
        {"--at", "1", "--png", "p", "--video", "a.mp4"},
        {"--bogus"},
        {"--png"},
        {"--crf", "20"},
        {"--crf", "52", "--video", "a.mp4"},
        {"--crf", "20", "--video", "a.MKV"},
        {"--height", "479"},
        {"--height", "5000"},
        {"--supersample", "9"},
        {"--frame", "21:9"},
        {"--hd"},
    };
    for (const std::vector<const char*>& arguments : cases) {
        std::vector<const char*> argv = {"tessaline-capture"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(
            ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), &options, &error))
            << arguments[0];
        EXPECT_FALSE(error.empty());
    }
    std::vector<const char*> argv = {
        "tessaline-capture", "--fps", "30",      "--from", "1.5",     "--to",  "2", "--png", "out",
        "--video",           "a.mp4", "--scale", "3",      "--quiet", "--crf", "23"};
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), &options, &error))
        << error;
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.from, 1.5);
    EXPECT_EQ(options.to, 2.0);
    EXPECT_EQ(options.scale, 3);
    EXPECT_EQ(options.crf, 23);
    EXPECT_FALSE(options.progress);
}

TEST(Tools, BadOptionsEndWithStatusOneAndAMessage) {
    const std::string binaries = TESSALINE_BINARY_DIR;
    for (const std::string& command :
         {binaries + "/tessaline-capture --fps 0", binaries + "/tessaline-bench --scene 9",
          binaries + "/tessaline --height 479", binaries + "/tessaline --height 5000",
          binaries + "/tessaline-capture --supersample 9",
          binaries + "/tessaline-capture --height"
                     " 4321",
          binaries + "/tessaline-bench --height 100"}) {
        CommandResult result = RunCommand(command);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_NE(result.output.find("bad value for"), std::string::npos) << result.output;
    }
}

TEST(Bench, ReportsEveryFieldForAllScenesOrOne) {
    std::string dir = MakeScratchDir("bench");
    WriteToneMp3(dir + "/music/velt2002.mp3", 1.0f);
    SetSceneTableFiller(FillTestRows);
    BenchOptions options;
    options.dataDir = dir;
    options.frames = 5;
    BenchReport report;
    ASSERT_TRUE(MeasureShow(options, std::chrono::steady_clock::now(), &report));

    EXPECT_GT(report.startup.displayMs, 0.0);
    EXPECT_GT(report.startup.musicMs, 0.0);
    EXPECT_GT(report.startup.firstFrameMs, 0.0);
    EXPECT_GE(report.startup.totalMs, report.startup.displayMs + report.startup.musicMs);
    EXPECT_EQ(report.floor.frames, 5);
    EXPECT_GT(report.floor.medianFps, 0.0);
    ASSERT_EQ(report.scenes.size(), 4u);
    for (int row = 0; row < SceneCount; ++row) {
        const SceneCost& scene = report.scenes[row];
        EXPECT_EQ(scene.row, row);
        EXPECT_EQ(scene.stats.frames, 5);
        EXPECT_GT(scene.stats.medianMs, 0.0);
        EXPECT_GE(scene.stats.p99Ms, scene.stats.medianMs);
        EXPECT_GT(scene.stats.lowFps, 0.0);
        EXPECT_GT(scene.stats.meanFps, 0.0);
        EXPECT_GT(scene.vsFloor, 0.0);
    }
    EXPECT_GT(report.peakRssKb, 0);

    std::string json = FormatBenchJson(report);
    std::string table = FormatBenchTable(report);
    for (const char* key : {"\"frames\": 5",      "\"warmup_frames\"", "\"level_file\": null",
                            "\"display_ms\"",     "\"load_ms\"",       "\"titles\"",
                            "\"object\"",         "\"swirl\"",         "\"level\"",
                            "\"level_build_ms\"", "\"start_ms\"",      "\"music_ms\"",
                            "\"first_frame_ms\"", "\"total_ms\"",      "\"floor\"",
                            "\"median_ms\"",      "\"p99_ms\"",        "\"mean_ms\"",
                            "\"median_fps\"",     "\"low_fps\"",       "\"mean_fps\"",
                            "\"vs_floor\"",       "\"p99_vs_floor\"",  "\"scene_time_step\"",
                            "\"level\": null",    "\"peak_rss_kb\""}) {
        EXPECT_NE(json.find(key), std::string::npos) << key;
    }
    ExpectPlainJsonKeys(json);
    for (const char* label : {"display", "load titles", "load level", "start titles", "music",
                              "first frame", "total", "floor", "median fps", "1% low fps",
                              "mean fps", "x floor", "swirl", "peak resident memory"}) {
        EXPECT_NE(table.find(label), std::string::npos) << label;
    }

    options.scene = 2;
    BenchReport one;
    ASSERT_TRUE(MeasureShow(options, std::chrono::steady_clock::now(), &one));
    ASSERT_EQ(one.scenes.size(), 1u);
    EXPECT_EQ(one.scenes[0].name, "swirl");
    SetSceneTableFiller(nullptr);
}

TEST(Bench, MeasuresALevelFileFromOutsideItWithEveryCount) {
    std::string dir = MakeScratchDir("bench-level");
    Palette palette = GreyPalette();
    WriteFileBytes(dir + "/data/bsp/palette.lmp",
                   std::vector<uint8_t>(palette.rgb, palette.rgb + sizeof palette.rgb));
    LargeLevelShape shape;
    shape.rooms[0] = shape.rooms[1] = 3;
    shape.rooms[2] = 2;
    WriteFileBytes(dir + "/level.bsp", MakeLargeLevelFile(shape));
    // The level file is named from where the bench starts, not from --data.
    fs::path home = fs::current_path();
    fs::current_path(dir);
    std::vector<const char*> argv = {"tessaline-bench", "--data",   "data", "--level",
                                     "level.bsp",       "--frames", "3"};
    BenchOptions options;
    std::string error;
    ASSERT_TRUE(ParseBenchOptions(static_cast<int>(argv.size()), argv.data(), &options, &error))
        << error;
    BenchReport report;
    bool measured = MeasureShow(options, std::chrono::steady_clock::now(), &report);
    fs::current_path(home);
    ASSERT_TRUE(measured);

    EXPECT_EQ(report.levelFile, dir + "/level.bsp");
    ASSERT_EQ(report.startup.levelBuild.size(), 5u);
    ASSERT_EQ(report.scenes.size(), 1u);
    const SceneCost& view = report.scenes[0];
    EXPECT_EQ(view.name, "level view");
    EXPECT_EQ(view.stats.frames, 3);
    EXPECT_GT(view.p99VsFloor, 0.0);
    // The eye is outside the level's box (0 ... 768 across, 384 high) and
    // every room is in view: all 18 rooms' 80 faces are marked, and of each
    // pair of opposite walls the one facing the eye is drawn (both where
    // the eye lies between their planes).
    EXPECT_TRUE(report.eye[0] < 0.0f || report.eye[1] < 0.0f || report.eye[2] > 384.0f);
    const LevelFrameCounts& level = view.level;
    EXPECT_EQ(level.frames, 3);
    EXPECT_GE(level.leafsVisible.median, 18.0);
    EXPECT_EQ(level.facesMarked.median, 18.0 * 80.0);
    EXPECT_GE(level.facesDrawn.median, 18.0 * 40.0);
    EXPECT_LE(level.facesDrawn.median, 18.0 * 64.0);
    EXPECT_EQ(level.facesDrawn.max, level.facesDrawn.median);
    EXPECT_EQ(level.textureBinds.median, 8.0);
    EXPECT_GE(level.lightmapBinds.median, 2.0);
    EXPECT_LE(level.lightmapBinds.median, 8.0 * 3.0); // each page once per texture at most
    EXPECT_EQ(level.visibleSetRebuilds, 1);

    std::string json = FormatBenchJson(report);
    for (const char* key :
         {"\"level_file\": \"", "\"eye\": [", "\"row\": null", "\"name\": \"level view\"",
          "\"faces_drawn\": {\"median\": ", "\"lightmap_binds\": {\"median\"",
          "\"visible_set_rebuilds\": 1", "\"own_work_us\"", "\"own_work_rebuild_percent\"",
          "\"read_file\"", "\"load_bsp_file\"", "\"lightmaps\""}) {
        EXPECT_NE(json.find(key), std::string::npos) << key << "\n" << json;
    }
    EXPECT_EQ(json.find("\"load_ms\""), std::string::npos); // the show's own start-up
    ExpectPlainJsonKeys(json);
    std::string table = FormatBenchTable(report);
    for (const char* label :
         {"level file: ", "eye: ", "level view", "lightmap binds", "p99 x fl"}) {
        EXPECT_NE(table.find(label), std::string::npos) << label << "\n" << table;
    }
}

TEST(Bench, LevelOptionsAreCheckedTogether) {
    struct Case {
        std::vector<const char*> arguments;
        const char* error; // empty: accepted
    };
    const Case cases[] = {
        {{"--level", "a.bsp", "--eye", "1,-2.5,3e2"}, ""},
        {{"--eye", "1,2,3"}, "--eye needs --level"},
        {{"--level", "a.bsp", "--scene", "3"}, "--scene and --level exclude each other"},
        {{"--level", "a.bsp", "--eye", "1,2"}, "bad value for --eye"},
        {{"--level", "a.bsp", "--eye", "1,2,3,4"}, "bad value for --eye"},
        {{"--level", "a.bsp", "--eye", "1,x,3"}, "bad value for --eye"},
        {{"--level", ""}, "bad value for --level"},
        {{"--level"}, "--level needs a value"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"tessaline-bench"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        BenchOptions options;
        std::string error;
        bool parsed =
            ParseBenchOptions(static_cast<int>(argv.size()), argv.data(), &options, &error);
        EXPECT_EQ(parsed, *c.error == '\0') << c.arguments[0] << " " << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        if (parsed) {
            EXPECT_EQ(options.levelFile, "a.bsp");
            EXPECT_TRUE(options.eyeGiven);
            EXPECT_EQ(options.eye[1], -2.5f);
            EXPECT_EQ(options.eye[2], 300.0f);
        }
    }
}

TEST(SummarizeFrames, MedianPercentileAndMean) {
    std::vector<double> costs;
    for (int i = 1; i <= 200; ++i) {
        costs.push_back(i); // 1 ms .. 200 ms, shuffled order does not matter
    }
    FrameStats stats = SummarizeFrames(costs);
    EXPECT_EQ(stats.frames, 200);
    EXPECT_DOUBLE_EQ(stats.medianMs, 100.5);
    EXPECT_DOUBLE_EQ(stats.p99Ms, 198.0);
    EXPECT_DOUBLE_EQ(stats.meanMs, 100.5);
    EXPECT_DOUBLE_EQ(stats.lowFps, 1000.0 / 198.0);
}

// The real show through the built tool, once its data files exist in the
// build: the same moments twice give the same bytes, the first time read
// back through the driver's pixel buffers, the second directly. The last
// moment is the show's last frame, written after its context has gone.
TEST(RealShow, TwoCapturesOfTheSameMomentsAreIdentical) {
    const std::string binaries = TESSALINE_BINARY_DIR;
    if (!fs::exists(binaries + "/data/bsp/qorldm1.bsp")) {
        GTEST_SKIP() << "no show data in " << binaries << "/data yet";
    }
    std::string dir = MakeScratchDir("real-show");
    std::string command = "SDL_AUDIODRIVER=dummy " + binaries +
                          "/tessaline-capture --quiet --fps 5 --data " + binaries +
                          "/data --at 10,35,60,85,125 --png " + dir;
    CommandResult first = RunCommand(command + "/first");
    ASSERT_EQ(first.status, 0) << first.output;
    CommandResult second = RunCommand(command + "/second --direct-reads");
    ASSERT_EQ(second.status, 0) << second.output;
    for (const char* name :
         {"10.000.png", "35.000.png", "60.000.png", "85.000.png", "125.000.png"}) {
        std::vector<uint8_t> bytes = ReadFileBytes(dir + "/first/" + name);
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, ReadFileBytes(dir + "/second/" + name)) << name;
    }
}

// The whole show at 5 frames a second: the progress line's total is the
// number of frames played (the level row ends the show long before its
// row's 100 s), from the first line on.
TEST(RealShow, ProgressCountsTheFramesTheShowPlays) {
    const std::string binaries = TESSALINE_BINARY_DIR;
    if (!fs::exists(binaries + "/data/bsp/qorldm1.bsp")) {
        GTEST_SKIP() << "no show data in " << binaries << "/data yet";
    }
    CommandResult run = RunCommand("SDL_AUDIODRIVER=dummy " + binaries +
                                   "/tessaline-capture --fps 5 --data " + binaries + "/data");
    ASSERT_EQ(run.status, 0) << run.output;
    std::set<long> totals;
    long lastFrame = -1;
    for (size_t at = run.output.find("frame "); at != std::string::npos;
         at = run.output.find("frame ", at + 1)) {
        long frame = 0;
        long total = 0;
        if (std::sscanf(run.output.c_str() + at, "frame %ld of %ld", &frame, &total) == 2) {
            totals.insert(total);
            lastFrame = frame;
        }
    }
    ASSERT_EQ(totals.size(), 1u) << run.output;
    EXPECT_EQ(lastFrame, *totals.begin());
    // 23 + 24.75 + 24 s of the first rows and about 53.6 s of the level's.
    EXPECT_NEAR(static_cast<double>(lastFrame), 5 * (71.75 + 53.6), 5.0);
    EXPECT_NE(run.output.find("capture: span of " + std::to_string(lastFrame) + " frames in "),
              std::string::npos)
        << run.output;
}

} // namespace

namespace {

// The flythrough of the real level: the level scene starts 71.75 s into the
// show and flies until 36 s of its own (from 34 s under a white fade).
constexpr double FlightStart = 72.0;
constexpr double FlightEnd = 71.75 + 36.0;

// The data folder of the build, or "" (the test skips) before the level.
std::string BuiltShowData() {
    std::string data = std::string(TESSALINE_BINARY_DIR) + "/data";
    return fs::exists(data + "/bsp/qorldm1.bsp") ? data : "";
}

// A copy of the show's data folder (links to every file) whose level has
// no visibility data: every leaf's offset -1, so every leaf is drawn.
std::string DataWithoutVisibility(const std::string& data) {
    std::string copy = MakeScratchDir("no-visibility");
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(data)) {
        fs::path target = copy / fs::relative(entry.path(), data);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else {
            fs::create_symlink(entry.path(), target);
        }
    }
    std::vector<uint8_t> level = ReadFileBytes(data + "/bsp/qorldm1.bsp");
    int32_t lump[2];
    std::memcpy(lump, level.data() + 4 + 8 * LumpLeafs, sizeof lump);
    for (int32_t at = lump[0]; at + 28 <= lump[0] + lump[1]; at += 28) {
        int32_t none = -1;
        std::memcpy(level.data() + at + 4, &none, 4);
    }
    fs::remove(copy + "/bsp/qorldm1.bsp");
    WriteFileBytes(copy + "/bsp/qorldm1.bsp", level);
    return copy;
}

// Captures the flythrough at 4 frames a second into a fresh folder.
std::string CaptureFlight(const std::string& data, const std::string& tag) {
    std::string dir = MakeScratchDir(tag);
    char span[64];
    std::snprintf(span, sizeof span, " --from %.2f --to %.2f", FlightStart, FlightEnd);
    CommandResult result =
        RunCommand("SDL_AUDIODRIVER=dummy " + std::string(TESSALINE_BINARY_DIR) +
                   "/tessaline-capture --quiet --fps 4 --data " + data + span + " --png " + dir);
    EXPECT_EQ(result.status, 0) << result.output;
    return dir;
}

TEST(RealShow, CullingTheLevelChangesNoPixelOfTheFlight) {
    std::string data = BuiltShowData();
    if (data.empty()) {
        GTEST_SKIP() << "no level in the build's data yet";
    }
    std::string culled = CaptureFlight(data, "flight-culled");
    std::string everything = CaptureFlight(DataWithoutVisibility(data), "flight-everything");
    std::set<std::string> names = FileNames(culled);
    ASSERT_GE(names.size(), 130u);
    EXPECT_EQ(names, FileNames(everything));
    int differing = 0;
    for (const std::string& name : names) {
        Picture a = ReadPng(culled + "/" + name);
        Picture b = ReadPng(everything + "/" + name);
        ASSERT_FALSE(a.rgb.empty()) << name;
        if (a.rgb != b.rgb) {
            ADD_FAILURE() << "frame " << name << " differs when every leaf is drawn";
            if (++differing == 5) {
                break;
            }
        }
    }
}

TEST(RealShow, NoPixelOfTheFlightStaysAtTheClearColour) {
    std::string data = BuiltShowData();
    if (data.empty()) {
        GTEST_SKIP() << "no level in the build's data yet";
    }
    std::string dir = CaptureFlight(data, "flight-gaps");
    std::set<std::string> names = FileNames(dir);
    ASSERT_GE(names.size(), 130u);
    for (const std::string& name : names) {
        Picture picture = ReadPng(dir + "/" + name);
        ASSERT_EQ(picture.rgb.size(), 640u * 480u * 3u) << name;
        int black = 0;
        int first = -1;
        for (size_t i = 0; i < picture.rgb.size(); i += 3) {
            if (picture.rgb[i] == 0 && picture.rgb[i + 1] == 0 && picture.rgb[i + 2] == 0) {
                first = first < 0 ? static_cast<int>(i / 3) : first;
                ++black;
            }
        }
        EXPECT_EQ(black, 0) << "frame " << name << ": first at x " << first % 640 << ", y "
                            << first / 640;
    }
}

} // namespace

// The fixedgl layer's mipmaps beside desktop GLU's. The layer's gl… entry
// points need an OpenGL ES context of their own and clash with the desktop
// library, so the test links its level builder (fixedgl/mipmaps.h), whose
// levels its gluBuild2DMipmaps hands to glTexImage2D one by one.
namespace {

// Random RGB texels from a fixed seed, so that every weight of the scaling
// shows in the bytes.
std::vector<uint8_t> MakeNoisePicture(int32_t width, int32_t height) {
    std::mt19937 random(static_cast<uint32_t>(width * 1000 + height));
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (uint8_t& byte : rgb) {
        byte = static_cast<uint8_t>(random() >> 24);
    }
    return rgb;
}

// The picture turned about its diagonal: texel (x, y) moves to (y, x).
std::vector<uint8_t> TurnPicture(const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
    std::vector<uint8_t> turned(rgb.size());
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            std::memcpy(&turned[(static_cast<size_t>(x) * height + y) * 3],
                        &rgb[(static_cast<size_t>(y) * width + x) * 3], 3);
        }
    }
    return turned;
}

// Desktop GLU's mipmaps of an RGB picture, read back level by level from the
// driver's texture.
std::vector<MipmapLevel> BuildGluLevels(const std::vector<uint8_t>& rgb, int32_t width,
                                        int32_t height) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, width, height, GL_RGB, GL_UNSIGNED_BYTE,
                                rgb.data()),
              0);
    std::vector<MipmapLevel> levels;
    for (GLint level = 0; level < 16; ++level) {
        GLint levelWidth = 0;
        GLint levelHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &levelWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &levelHeight);
        if (levelWidth == 0 || levelHeight == 0) {
            break;
        }
        MipmapLevel read{levelWidth, levelHeight,
                         std::vector<uint8_t>(static_cast<size_t>(levelWidth) * levelHeight * 3)};
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, read.pixels.data());
        levels.push_back(std::move(read));
    }
    glDeleteTextures(1, &name);
    return levels;
}

// How many bytes of two equally long pictures differ (all when the lengths do).
size_t CountDifferentBytes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) {
        return std::max(a.size(), b.size());
    }
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

// Opens the headless display for the test's length and hands it back after,
// so that later tests in the same program open their own.
struct DisplayForTest {
    DisplayForTest() { OpenDisplay(true); }
    ~DisplayForTest() { ShutdownDisplay(); }
};

// Every level's size and bytes match desktop GLU's for pictures whose sides
// are powers of two or not, down to one texel wide or high.
TEST(FixedGlMipmaps, LevelsMatchDesktopGluForAnySize) {
    DisplayForTest display;
    struct Case {
        int32_t width;
        int32_t height;
        int32_t levelWidth; // level 0, worked out by GLU's nearest power of two
        int32_t levelHeight;
    };
    const Case cases[] = {
        {64, 48, 64, 64}, // 48 lies exactly between 32 and 64: up
        {24, 40, 32, 32}, // 24 ties and goes up, 40 goes down
        {57, 23, 64, 16}, // GLU's own example
        {3, 5, 4, 4},     // magnified across, shrunk down
        {1, 40, 1, 32},   // one texel wide, shrunk
        {1, 24, 1, 32},   // one texel wide, magnified
        {40, 1, 32, 1},   // one texel high
        {64, 32, 64, 32}, // powers of two: kept byte for byte
        {1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const std::vector<uint8_t> picture = MakeNoisePicture(c.width, c.height);
        const std::vector<MipmapLevel> layer =
            BuildMipmapLevels(picture.data(), 3, c.width, c.height, 4096);
        // Desktop GLU leaves the last row black when it scales the width
        // alone; the layer keeps the picture there, and is set beside GLU's
        // mipmaps of the turned picture, turned back.
        const bool widthAlone = c.levelWidth != c.width && c.levelHeight == c.height;
        std::vector<MipmapLevel> glu;
        if (widthAlone) {
            for (const MipmapLevel& level :
                 BuildGluLevels(TurnPicture(picture, c.width, c.height), c.height, c.width)) {
                glu.push_back({level.height, level.width,
                               TurnPicture(level.pixels, level.width, level.height)});
            }
        } else {
            glu = BuildGluLevels(picture, c.width, c.height);
        }
        ASSERT_FALSE(layer.empty());
        ASSERT_FALSE(glu.empty());
        EXPECT_EQ(layer[0].width, c.levelWidth);
        EXPECT_EQ(layer[0].height, c.levelHeight);
        EXPECT_EQ(glu[0].width, c.levelWidth);
        EXPECT_EQ(glu[0].height, c.levelHeight);
        ASSERT_EQ(layer.size(), glu.size());
        for (size_t i = 0; i < layer.size(); ++i) {
            EXPECT_EQ(layer[i].width, glu[i].width) << "level " << i;
            EXPECT_EQ(layer[i].height, glu[i].height) << "level " << i;
            EXPECT_EQ(CountDifferentBytes(layer[i].pixels, glu[i].pixels), 0u) << "level " << i;
        }
        if (c.levelWidth == c.width && c.levelHeight == c.height) {
            EXPECT_EQ(CountDifferentBytes(layer[0].pixels, picture), 0u);
        }
    }
}

// A picture larger than the driver's largest texture has both sides halved
// until it fits; an exact halving is the next mipmap level.
TEST(FixedGlMipmaps, APictureTooLargeIsHalvedUntilItFits) {
    const std::vector<uint8_t> odd = MakeNoisePicture(57, 23);
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (const MipmapLevel& level : BuildMipmapLevels(odd.data(), 3, 57, 23, 16)) {
        sizes.emplace_back(level.width, level.height);
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}};
    EXPECT_EQ(sizes, expected);

    const std::vector<uint8_t> even = MakeNoisePicture(64, 32);
    const std::vector<MipmapLevel> whole = BuildMipmapLevels(even.data(), 3, 64, 32, 4096);
    const std::vector<MipmapLevel> fitted = BuildMipmapLevels(even.data(), 3, 64, 32, 32);
    ASSERT_EQ(fitted.size() + 1, whole.size());
    for (size_t i = 0; i < fitted.size(); ++i) {
        EXPECT_EQ(fitted[i].width, whole[i + 1].width);
        EXPECT_EQ(fitted[i].height, whole[i + 1].height);
        EXPECT_EQ(CountDifferentBytes(fitted[i].pixels, whole[i + 1].pixels), 0u) << i;
    }
}

} // namespace

namespace {

// How far two pictures of the same size lie apart: the mean absolute
// difference per channel (0…255) and the share of pixels whose largest
// channel difference exceeds 48 (0…1), as the browser tests measure.
struct FrameDistance {
    double mean;
    double share;
};

FrameDistance MeasureDistance(const Picture& a, const Picture& b) {
    EXPECT_EQ(a.rgb.size(), b.rgb.size());
    const size_t size = std::min(a.rgb.size(), b.rgb.size());
    double total = 0.0;
    size_t far = 0;
    for (size_t i = 0; i + 3 <= size; i += 3) {
        int largest = 0;
        for (size_t c = i; c < i + 3; ++c) {
            const int difference = std::abs(a.rgb[c] - b.rgb[c]);
            total += difference;
            largest = std::max(largest, difference);
        }
        far += largest > 48 ? 1 : 0;
    }
    return {size > 0 ? total / static_cast<double>(size) : 0.0,
            size > 0 ? static_cast<double>(far) / static_cast<double>(size / 3) : 0.0};
}

// Captures frames at times (seconds) at fps frames a second with one of the
// built capture tools; extra options go first. Returns the folder.
std::string CaptureAt(const std::string& tool, const std::string& extra, const std::string& times,
                      const std::string& tag, int fps = 5) {
    std::string dir = MakeScratchDir(tag);
    std::string command = "SDL_AUDIODRIVER=dummy ";
    command += std::string(TESSALINE_BINARY_DIR) + "/" + tool + extra;
    command += " --quiet --fps " + std::to_string(fps) + " --data " + BuiltShowData() + " --at " +
               times + " --png " + dir;
    CommandResult result = RunCommand(command);
    EXPECT_EQ(result.status, 0) << tool << extra << ": " << result.output;
    return dir;
}

} // namespace

#ifdef TESSALINE_GLES_CAPTURE
namespace {

// Frames drawn through the fixedgl layer on OpenGL ES against the native
// OpenGL ones, per scene, within tolerances set a few times above the
// differences measured with Mesa's llvmpipe (README.md); then with one
// effect left out the frame that shows it must fall outside them.
TEST(RealShow, TheGlesCaptureMatchesTheNativeOneAndCatchesALeftOutEffect) {
    if (BuiltShowData().empty()) {
        GTEST_SKIP() << "no show data in the build yet";
    }
    struct Tolerance {
        const char* time; // as --at takes it and the file is named
        const char* scene;
        double mean;
        double share;
    };
    const Tolerance tolerances[] = {
        {"5", "titles, the logo's outline", 0.5, 0.001},
        {"7", "titles", 0.5, 0.001},
        {"30", "object scene", 3.0, 0.001},
        {"55", "swirl", 1.5, 0.001},
        {"85", "flythrough", 1.0, 0.001},
        {"110", "feedback cubes", 0.5, 0.001},
        {"121.4", "feedback cubes", 0.5, 0.001},
        {"124.2", "switch-off", 0.5, 0.001},
    };
    std::string times;
    for (const Tolerance& t : tolerances) {
        if (!times.empty()) {
            times += ',';
        }
        times += t.time;
    }
    const std::string native = CaptureAt("tessaline-capture", "", times, "gles-native");
    const std::string gles = CaptureAt("tessaline-capture-gles", "", times, "gles-layer");
    auto distance = [&native](const std::string& folder, const Tolerance& t) {
        const std::string name = AtFrameName(std::stod(t.time));
        Picture expected = ReadPng(native + "/" + name);
        Picture actual = ReadPng(folder + "/" + name);
        EXPECT_FALSE(expected.rgb.empty()) << name;
        EXPECT_FALSE(actual.rgb.empty()) << folder << "/" << name;
        return MeasureDistance(expected, actual);
    };
    for (const Tolerance& t : tolerances) {
        const FrameDistance d = distance(gles, t);
        EXPECT_LE(d.mean, t.mean) << t.time << " s, " << t.scene;
        EXPECT_LE(d.share, t.share) << t.time << " s, " << t.scene;
    }

    struct Omission {
        const char* what;
        size_t row; // of tolerances: the frame that shows the effect
    };
    const Omission omissions[] = {
        {"lines", 0}, {"blend", 0}, {"unit1", 4}, {"alpha", 0}, {"sphereflip", 2}};
    for (const Omission& omission : omissions) {
        const Tolerance& t = tolerances[omission.row];
        const std::string folder =
            CaptureAt("tessaline-capture-gles", std::string(" --omit ") + omission.what, t.time,
                      std::string("gles-omit-") + omission.what);
        const FrameDistance d = distance(folder, t);
        EXPECT_TRUE(d.mean > t.mean || d.share > t.share)
            << "without " << omission.what << " at " << t.time << " s: mean " << d.mean
            << ", share " << d.share;
    }
}

} // namespace
#endif

namespace {

// A picture shrunk to width x height: each new pixel is the mean of the old
// pixels it covers, weighted by the area each covers (a box filter of any
// ratio, so 720 lines come down to 480 as exactly as 960 do).
Picture ShrinkByArea(const Picture& picture, int width, int height) {
    // Per axis, the weights of each old pixel in each new one.
    auto weights = [](int from, int to) {
        std::vector<std::vector<std::pair<int, double>>> table(to);
        const double step = static_cast<double>(from) / to;
        for (int i = 0; i < to; ++i) {
            const double begin = i * step;
            const double end = begin + step;
            for (int k = static_cast<int>(begin); k < from && k < end; ++k) {
                const double cover = std::min(end, k + 1.0) - std::max(begin, double(k));
                if (cover > 0.0) {
                    table[i].push_back({k, cover / step});
                }
            }
        }
        return table;
    };
    const auto across = weights(picture.width, width);
    const auto down = weights(picture.height, height);
    std::vector<double> rows(static_cast<size_t>(width) * picture.height * 3, 0.0);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (const auto& [k, w] : across[x]) {
                for (int c = 0; c < 3; ++c) {
                    rows[(static_cast<size_t>(y) * width + x) * 3 + c] +=
                        w * picture.rgb[(static_cast<size_t>(y) * picture.width + k) * 3 + c];
                }
            }
        }
    }
    Picture small{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                for (const auto& [k, w] : down[y]) {
                    sum += w * rows[(static_cast<size_t>(k) * width + x) * 3 + c];
                }
                small.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
            }
        }
    }
    return small;
}

// Where a comparison looks, in 640 x 480 pixels: the whole frame, or only
// the pixels within band of the rectangle's edges (where an outline lies).
struct Region {
    int x0 = 0;
    int y0 = 0;
    int x1 = 640;
    int y1 = 480;
    int band = 0;
    bool Holds(int x, int y) const {
        const bool inside = x >= x0 - band && x < x1 + band && y >= y0 - band && y < y1 + band;
        const bool deep = x >= x0 + band && x < x1 - band && y >= y0 + band && y < y1 - band;
        return inside && (band == 0 || !deep);
    }
};

// One moment of the show compared between sizes, with the tolerance its
// frames keep when a larger picture is averaged down to 480 lines.
struct SizeTolerance {
    const char* time; // as --at takes it, at SizeFps
    const char* scene;
    Region region;
    double mean;  // mean difference per channel
    double share; // of pixels more than 48 apart in a channel
};

// Four frames a second: the switch-off's first frame then shows the picture
// squeezed to a band (at slower rates it is a line at once).
constexpr int SizeFps = 4;

// Measured (README.md): the titles differ by the veil's mipmap levels and
// the outline by its width, which at 480 lines is rounded to whole pixels;
// the rest by texture filtering and edges drawn finer.
const SizeTolerance SizeTolerances[] = {
    {"5", "titles", {}, 4.0, 0.015},
    {"5", "titles, the logo's outline", {64, 112, 576, 368, 3}, 24.0, 0.40},
    {"30", "object scene", {}, 3.0, 0.005},
    {"55", "swirl", {}, 1.5, 0.001},
    {"85", "flythrough", {}, 2.0, 0.001},
    {"110", "feedback cubes", {}, 4.0, 0.012},
    {"123.75", "switch-off", {}, 0.5, 0.001},
};

std::string SizeTimes() {
    std::set<std::string> seen;
    std::string times;
    for (const SizeTolerance& t : SizeTolerances) {
        if (seen.insert(t.time).second) {
            if (!times.empty()) {
                times += ',';
            }
            times += t.time;
        }
    }
    return times;
}

FrameDistance SizeDistance(const std::string& small, const std::string& large,
                           const SizeTolerance& t) {
    const std::string name = AtFrameName(std::stod(t.time));
    const Picture expected = ReadPng(small + "/" + name);
    const Picture actual = ReadPng(large + "/" + name);
    EXPECT_EQ(expected.width, 640) << name;
    EXPECT_GT(actual.width, 0) << large << "/" << name;
    if (expected.width != 640 || actual.width == 0) {
        return {};
    }
    // Only the region's pixels count.
    Picture a{0, 0, {}};
    Picture b{0, 0, {}};
    const Picture shrunk = ShrinkByArea(actual, 640, 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (t.region.Holds(x, y)) {
                const size_t at = (static_cast<size_t>(y) * 640 + x) * 3;
                a.rgb.insert(a.rgb.end(), expected.rgb.begin() + at, expected.rgb.begin() + at + 3);
                b.rgb.insert(b.rgb.end(), shrunk.rgb.begin() + at, shrunk.rgb.begin() + at + 3);
            }
        }
    }
    return MeasureDistance(a, b);
}

} // namespace

// A larger picture is the same show drawn finer: averaged down to 480 lines,
// each scene's frames stay close to the 480-line ones (README.md gives the
// measured differences). Each pixel-sized number left at its 480-line value
// in a larger picture falls outside those tolerances.
TEST(PictureSizes, LargerPicturesAveragedDownMatchThe480LineFrames) {
    if (BuiltShowData().empty()) {
        GTEST_SKIP() << "no show data in the build yet";
    }
    const std::string times = SizeTimes();
    const std::string tool = "tessaline-capture";
    const std::string small = CaptureAt(tool, "", times, "size-480", SizeFps);
    for (const char* height : {"960", "720"}) {
        const std::string large = CaptureAt(tool, std::string(" --height ") + height, times,
                                            std::string("size-") + height, SizeFps);
        EXPECT_EQ(ReadPng(large + "/5.000.png").height, std::stoi(height));
        for (const SizeTolerance& t : SizeTolerances) {
            const FrameDistance d = SizeDistance(small, large, t);
            std::printf("%s lines, %s s (%s): mean %.3f, far %.4f %%\n", height, t.time, t.scene,
                        d.mean, d.share * 100.0);
            EXPECT_LE(d.mean, t.mean) << height << " lines, " << t.time << " s, " << t.scene;
            EXPECT_LE(d.share, t.share) << height << " lines, " << t.time << " s, " << t.scene;
        }
    }

    // The outline alone, in the titles' frame; the cubes' views and the
    // switch-off's insets in one run, since neither shows in the other's
    // frame.
    const std::string outline =
        CaptureAt(tool, " --height 960 --unscaled outline", "5", "size-unscaled-outline", SizeFps);
    const std::string views = CaptureAt(tool, " --height 960 --unscaled cubes --unscaled switchoff",
                                        "110,123.75", "size-unscaled-views", SizeFps);
    struct Unscaled {
        const char* measure;
        const std::string& folder;
        size_t row; // of SizeTolerances: the comparison that shows it
    };
    for (const Unscaled& u : {Unscaled{"outline", outline, 1}, Unscaled{"cubes", views, 5},
                              Unscaled{"switchoff", views, 6}}) {
        const SizeTolerance& t = SizeTolerances[u.row];
        const FrameDistance d = SizeDistance(small, u.folder, t);
        std::printf("%s left unscaled, %s s: mean %.3f, far %.4f %%\n", u.measure, t.time, d.mean,
                    d.share * 100.0);
        EXPECT_TRUE(d.mean > t.mean || d.share > t.share)
            << u.measure << " left unscaled at " << t.time << " s: mean " << d.mean << ", share "
            << d.share;
    }
}

namespace {

// Runs the built capture on the show's data with options; returns its
// status and output.
CommandResult CaptureShow(const std::string& options) {
    return RunCommand("SDL_AUDIODRIVER=dummy " + std::string(TESSALINE_BINARY_DIR) +
                      "/tessaline-capture --quiet --data " + BuiltShowData() + " " + options);
}

// The width, height and frame count ffprobe finds in a video's picture.
std::string ProbeVideoSize(const std::string& path) {
    CommandResult probe = RunCommand("ffprobe -v error -select_streams v -count_frames "
                                     "-show_entries stream=codec_name,width,height,nb_read_frames "
                                     "-of csv=p=0 " +
                                     path);
    EXPECT_EQ(probe.status, 0) << probe.output;
    return probe.output;
}

} // namespace

// Supersampling draws twice the lines and averages each 2 x 2 block: the
// frames are exactly the 960-line frames averaged down. Deep colour keeps
// channel values that 5-6-5 cannot hold.
TEST(PictureSizes, SupersamplingAveragesTheLargerFramesAndDeepColourHasEightBits) {
    if (BuiltShowData().empty()) {
        GTEST_SKIP() << "no show data in the build yet";
    }
    const std::string tool = "tessaline-capture";
    const std::string large = CaptureAt(tool, " --height 960", "5,30", "ss-960", SizeFps);
    const std::string sampled = CaptureAt(tool, " --supersample 2", "5,30", "ss-2", SizeFps);
    for (const char* name : {"5.000.png", "30.000.png"}) {
        const Picture picture = ReadPng(sampled + "/" + name);
        ASSERT_EQ(picture.width, 640) << name;
        ASSERT_EQ(picture.height, 480) << name;
        EXPECT_TRUE(picture.rgb == ShrinkByArea(ReadPng(large + "/" + name), 640, 480).rgb) << name;
    }

    const std::string deep = CaptureAt(tool, " --colour 32", "30", "deep", SizeFps);
    const Picture picture = ReadPng(deep + "/30.000.png");
    ASSERT_EQ(picture.width, 640);
    // 5-6-5 widens red and blue to (v << 3) | (v >> 2) and green to
    // (v << 2) | (v >> 4): other values come from eight-bit channels only.
    std::set<int> fiveBit;
    for (int v = 0; v < 32; ++v) {
        fiveBit.insert((v << 3) | (v >> 2));
    }
    size_t beyond = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        beyond += fiveBit.count(picture.rgb[i]) == 0 ? 1 : 0;
    }
    EXPECT_GT(beyond, picture.rgb.size() / 3 / 10);
}

// 2,160 lines to lossless video, 4:3 and in a 16:9 frame whose sides are
// black and whose middle is the picture; one frame of every scene at 4,320
// lines. Few frames a second: every frame before a span is drawn too.
TEST(PictureSizes, RecordsAt2160And4320Lines) {
    if (BuiltShowData().empty()) {
        GTEST_SKIP() << "no show data in the build yet";
    }
#ifdef TESSALINE_SANITIZED
    GTEST_SKIP() << "recorded in the normal build; supersampling and framing run here";
#endif
    const std::string dir = MakeScratchDir("size-large");
    CommandResult object =
        CaptureShow("--fps 2 --from 30 --to 31 --height 2160 --video " + dir + "/object.mkv");
    ASSERT_EQ(object.status, 0) << object.output;
    EXPECT_EQ(ProbeVideoSize(dir + "/object.mkv"), "ffv1,2880,2160,2\n");

    CommandResult cubes =
        CaptureShow("--fps 1 --from 110 --to 111 --height 2160 --frame 16:9 " +
                    std::string("--png ") + dir + "/cubes --video " + dir + "/cubes.mkv");
    ASSERT_EQ(cubes.status, 0) << cubes.output;
    EXPECT_EQ(ProbeVideoSize(dir + "/cubes.mkv"), "ffv1,3840,2160,1\n");
    const std::string raw = dir + "/cubes.rgb";
    CommandResult decode = RunCommand("ffmpeg -v error -i " + dir + "/cubes.mkv" +
                                      " -f rawvideo -pix_fmt rgb24 " + raw);
    ASSERT_EQ(decode.status, 0) << decode.output;
    const std::vector<uint8_t> decoded = ReadFileBytes(raw);
    const Picture written = ReadPng(dir + "/cubes/" + FrameName(110));
    ASSERT_EQ(written.width, 3840);
    EXPECT_TRUE(decoded == written.rgb);
    // Bars of (3840 - 2880) / 2 = 480 columns; the picture fills the rest.
    size_t barLit = 0;
    size_t pictureLit = 0;
    for (size_t i = 0; i < written.rgb.size(); i += 3) {
        const size_t column = (i / 3) % 3840;
        const bool lit = written.rgb[i] + written.rgb[i + 1] + written.rgb[i + 2] > 0;
        (column < 480 || column >= 3360 ? barLit : pictureLit) += lit ? 1 : 0;
    }
    EXPECT_EQ(barLit, 0u);
    EXPECT_GT(pictureLit, 2880u * 2160u / 2);

    const std::string huge =
        CaptureAt("tessaline-capture", " --height 4320", "5,30,55,85,110,124", "size-4320", 1);
    for (const char* name :
         {"5.000.png", "30.000.png", "55.000.png", "85.000.png", "110.000.png", "124.000.png"}) {
        const Picture picture = ReadPng(huge + "/" + name);
        EXPECT_EQ(picture.width, 5760) << name;
        EXPECT_EQ(picture.height, 4320) << name;
    }
}
