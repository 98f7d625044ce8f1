// Playing the show on a virtual clock and keeping its frames.
//
// State: the counter's readings and the capture in progress are file-static
// because the counter and the fatal-error hook take no user pointer; the
// rest lives in the Capture record that the present hook is given. Frames are
// handed out strictly in order, each exactly once; writing them (PNG files,
// the video encoder's pipe) runs on the frame writer's thread.
#include "tools/capture/capture.h"

#include "scenes/level_scene.h"
#include "shell/demo.h"
#include "shell/fatal.h"
#include "shell/picture_options.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"
#include "tools/capture/frame_writer.h"
#include "tools/capture/picture_reader.h"
#include "tools/capture/video_encoder.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace fs = std::filesystem;

namespace {

// One frame that --at asks for, with the name it is written under.
struct AtFrame {
    int64_t frame;
    std::string name;
};

struct Capture {
    const CaptureOptions* options;
    PictureLayout layout; // how pictures are read back and written
    int64_t firstFrame;   // first frame written
    int64_t endFrame;     // first frame not played (or the largest number)
    std::vector<AtFrame> atFrames;
    std::string pngDir;    // absolute
    std::string videoPath; // absolute
    bool readPictures;     // something is written at all
    int64_t nextFrame;     // the next frame to hand out
    int64_t written;
    int64_t readPass; // the pass whose picture was read last (-1: none)
    VideoEncoder video;
    bool videoStarted;
    FrameWriter writer;   // started when anything is written
    PictureReader reader; // hands the writer its pictures
    bool failed;
    std::string error;
    int64_t expectedFrames; // for the progress line; 0 until known
    std::chrono::steady_clock::time_point startedAt;
    std::chrono::steady_clock::time_point lastProgressAt;
    // From the moment the frame before the span was handed out (for a span
    // from frame 0, the clock's start).
    std::chrono::steady_clock::time_point spanStartedAt;
};

// Counter readings so far: one when the clock starts, then one per pass of
// the loop that runs a sequencer step. Pass k shows the show at k / fps.
int64_t CaptureTicks;
int64_t CaptureTicksPerSecond;
// The capture in progress, for the fatal-error hook.
Capture* ActiveCapture;

int64_t ReadCaptureCounter() {
    if (CaptureTicks == 0 && ActiveCapture != nullptr) {
        // The clock starts after loading: a span from frame 0 is timed from
        // here.
        ActiveCapture->spanStartedAt = std::chrono::steady_clock::now();
    }
    return ++CaptureTicks;
}

int64_t ReadCaptureFrequency() {
    return CaptureTicksPerSecond;
}

// The first frame at or after seconds. The small allowance keeps decimal
// times that land on a frame (0.1 s at 30 fps) from rounding to the next.
int64_t FrameAtOrAfter(double seconds, int32_t fps) {
    return static_cast<int64_t>(std::ceil(seconds * fps - 1e-6));
}

void Fail(Capture* capture, const std::string& reason) {
    if (!capture->failed) {
        capture->failed = true;
        capture->error = reason;
    }
    QuitRequested = 1;
}

std::string FrameNumberName(int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "%06lld.png", static_cast<long long>(frame));
    return name;
}

// Starts the video encoder before its first picture; false after a failure.
bool StartVideoOnce(Capture* capture) {
    if (!capture->videoStarted) {
        std::string reason;
        int32_t crf = capture->options->crf >= 0 ? capture->options->crf : DefaultVideoCrf;
        if (!StartVideo(&capture->video, capture->videoPath, capture->options->fps,
                        capture->options->scale, crf, capture->layout.frameWidth,
                        capture->layout.frameHeight, &reason)) {
            Fail(capture, reason);
            return false;
        }
        capture->videoStarted = true;
    }
    return true;
}

// Hands the current picture to the writer as PNG file name (empty: none)
// and/or a video frame.
void WriteFrame(Capture* capture, const std::string& pngName, bool toVideo) {
    if (toVideo && !StartVideoOnce(capture)) {
        return;
    }
    std::string pngPath = pngName.empty() ? "" : (fs::path(capture->pngDir) / pngName).string();
    HandOverFrame(&capture->reader, pngPath, toVideo);
    ++capture->written;
}

// The frames a whole run plays at the capture's frame rate, once the scene
// table is filled: frame 0, then one per pass. Each row frames while its
// clock is below its duration and spends one more pass changing scene; the
// level row ends the show itself after its switch-off.
int64_t ShowFrames(int32_t fps) {
    double frameTime = 1.0 / fps;
    int64_t passes = 0;
    for (int32_t row = 0; row < SceneCount; ++row) {
        if (SceneTable[row].frame == LevelSceneFrame) {
            return 1 + passes + LevelScenePasses(frameTime);
        }
        passes += PassesBelow(SceneTable[row].duration, frameTime) + 1;
    }
    return passes; // the last change pass draws nothing and is no frame
}

// The frames to play: up to --to, or to the show's end.
int64_t ExpectedFrames(const Capture& capture) {
    return std::min(capture.endFrame, ShowFrames(capture.options->fps));
}

void ShowProgress(Capture* capture, bool last) {
    auto now = std::chrono::steady_clock::now();
    if (!last && now - capture->lastProgressAt < std::chrono::milliseconds(500)) {
        return;
    }
    capture->lastProgressAt = now;
    double elapsed = std::chrono::duration<double>(now - capture->startedAt).count();
    double rate = elapsed > 0.0 ? static_cast<double>(capture->nextFrame) / elapsed : 0.0;
    int64_t total = std::max(capture->expectedFrames, capture->nextFrame);
    double left = rate > 0.0 ? static_cast<double>(total - capture->nextFrame) / rate : 0.0;
    int64_t leftSeconds = static_cast<int64_t>(std::lround(left));
    std::fprintf(stderr, "\rcapture: frame %lld of %lld, %.1f frames/s, %lld:%02lld left   ",
                 static_cast<long long>(capture->nextFrame), static_cast<long long>(total), rate,
                 static_cast<long long>(leftSeconds / 60),
                 static_cast<long long>(leftSeconds % 60));
    if (last) {
        std::fputc('\n', stderr);
    }
}

// Whether frame is written: in the asked span, or one that --at asks for.
bool IsFrameWritten(const Capture& capture, int64_t frame) {
    if (!capture.readPictures) {
        return false;
    }
    if (!capture.options->at.empty()) {
        return std::any_of(capture.atFrames.begin(), capture.atFrames.end(),
                           [frame](const AtFrame& at) { return at.frame == frame; });
    }
    return frame >= capture.firstFrame && frame < capture.endFrame;
}

// Hands out the next frame with the current picture: written when it lies in
// the asked span (or is one --at asks for), skipped otherwise.
void EmitFrame(Capture* capture) {
    int64_t frame = capture->nextFrame++;
    const CaptureOptions& options = *capture->options;
    if (!options.at.empty()) {
        for (const AtFrame& at : capture->atFrames) {
            if (at.frame == frame) {
                WriteFrame(capture, at.name, false);
            }
        }
    } else if (frame >= capture->firstFrame && frame < capture->endFrame && capture->readPictures) {
        WriteFrame(capture, capture->pngDir.empty() ? "" : FrameNumberName(frame),
                   !capture->videoPath.empty());
    }
    if (capture->readPictures && FrameWriterStopped(&capture->writer)) {
        // A PNG that could not be written fails the capture here; an encoder
        // that quit is reported when the video is finished.
        std::string reason;
        {
            std::lock_guard<std::mutex> guard(capture->writer.lock);
            reason = capture->writer.reason;
        }
        if (!reason.empty()) {
            Fail(capture, reason);
        }
        QuitRequested = 1;
    }
    if (frame + 1 == capture->firstFrame) {
        capture->spanStartedAt = std::chrono::steady_clock::now();
    }
    if (options.progress) {
        ShowProgress(capture, false);
    }
}

// Called for every presented frame, in the pass that drew it. The picture
// stands for its pass's frame and, when the next pass changes scene and
// draws nothing, for that frame too; it is read back only when one of the
// two is written, so that frames before a span cost no read.
void PresentFrame(void* user) {
    Capture* capture = static_cast<Capture*>(user);
    if (capture->expectedFrames == 0) {
        capture->expectedFrames = ExpectedFrames(*capture);
    }
    int64_t pass = CaptureTicks - 1;
    if (pass < capture->nextFrame) {
        // A second present in the same pass: the newest picture counts for
        // the passes that follow.
        if (IsFrameWritten(*capture, pass + 1)) {
            ReadPictureBack(&capture->reader);
            capture->readPass = pass;
        }
        return;
    }
    // Passes that drew nothing (scene changes) repeat the picture before.
    while (capture->nextFrame < pass && capture->nextFrame < capture->endFrame) {
        assert(!IsFrameWritten(*capture, capture->nextFrame) ||
               capture->readPass == capture->nextFrame - 1);
        EmitFrame(capture);
    }
    if (IsFrameWritten(*capture, pass) || IsFrameWritten(*capture, pass + 1)) {
        ReadPictureBack(&capture->reader);
        capture->readPass = pass;
    }
    if (capture->nextFrame < capture->endFrame) {
        EmitFrame(capture);
    }
    if (capture->nextFrame >= capture->endFrame) {
        QuitRequested = 1;
    }
}

// The context is about to go: the pictures still in its buffers are handed
// to the writer.
void EndOfContext(void* user) {
    Capture* capture = static_cast<Capture*>(user);
    if (capture->readPictures) {
        FinishPictureReader(&capture->reader);
    }
}

// A failure of the show: end the writer, stop ffmpeg and remove its files,
// then let the show's own report and exit follow.
void AbandonOnFatalError(const char*) {
    if (ActiveCapture == nullptr) {
        return;
    }
    AbandonPictureReader(&ActiveCapture->reader);
    std::string ignored;
    FinishFrameWriter(&ActiveCapture->writer, &ignored);
    if (ActiveCapture->videoStarted) {
        AbandonVideo(&ActiveCapture->video);
    }
}

// The span's frames and how long they took, drawing and writing: from the
// frame before the span to the last byte out. The capture benchmark reads
// this line.
void ShowSpanTime(const Capture& capture) {
    int64_t frames =
        std::max<int64_t>(0, std::min(capture.nextFrame, capture.endFrame) - capture.firstFrame);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - capture.spanStartedAt)
            .count();
    std::fprintf(stderr, "capture: span of %lld frames in %.3f s, %.2f ms a frame\n",
                 static_cast<long long>(frames), seconds,
                 frames > 0 ? seconds * 1000.0 / static_cast<double>(frames) : 0.0);
}

std::string FormatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// Fills everything RunDemo's passes need; false when an output folder cannot
// be made.
bool PrepareCapture(Capture* capture, const CaptureOptions& options) {
    capture->options = &options;
    PictureLayout& layout = capture->layout;
#ifdef TESSALINE_FIXEDGL
    layout.pixels = PixelLayout::Rgba8;
#else
    // 5-6-5 words are the picture's own bits: the read is a plain copy.
    layout.pixels = PictureColourBits() == 16 ? PixelLayout::Rgb565 : PixelLayout::Rgba8;
#endif
    layout.supersample = options.picture.supersample;
    layout.drawnWidth = PicturePixelWidth();
    layout.drawnHeight = PicturePixelHeight();
    layout.frameHeight = layout.drawnHeight / layout.supersample;
    const int32_t pictureWidth = layout.drawnWidth / layout.supersample;
    // 16:9 of the height, to the nearest even number (3840 for 2160 lines).
    layout.frameWidth = options.wideFrame ? 2 * ((16 * layout.frameHeight + 9) / 18) : pictureWidth;
    layout.pictureLeft = (layout.frameWidth - pictureWidth) / 2;
    capture->firstFrame = FrameAtOrAfter(options.from, options.fps);
    capture->endFrame = options.to >= 0.0 ? FrameAtOrAfter(options.to, options.fps)
                                          : std::numeric_limits<int64_t>::max();
    if (!options.at.empty()) {
        capture->endFrame = 0;
        for (double seconds : options.at) {
            std::string name = AtFrameName(seconds);
            bool seen = false;
            for (const AtFrame& at : capture->atFrames) {
                seen = seen || at.name == name;
            }
            if (!seen) {
                capture->atFrames.push_back({FrameAtOrAfter(seconds, options.fps), name});
                capture->endFrame = std::max(capture->endFrame, capture->atFrames.back().frame + 1);
            }
        }
    }
    capture->readPictures = !options.pngDir.empty() || !options.videoPath.empty();
    capture->startedAt = capture->lastProgressAt = std::chrono::steady_clock::now();

    std::error_code error;
    if (!options.pngDir.empty()) {
        capture->pngDir = fs::absolute(options.pngDir, error).string();
        fs::create_directories(capture->pngDir, error);
        if (error || !fs::is_directory(capture->pngDir)) {
            std::fprintf(stderr, "tessaline-capture: can't make the folder %s\n",
                         options.pngDir.c_str());
            return false;
        }
    }
    if (!options.videoPath.empty()) {
        capture->videoPath = fs::absolute(options.videoPath, error).string();
    }
    if (capture->readPictures) {
        StartFrameWriter(&capture->writer, layout, &capture->video);
        // Frame 0 precedes every pass: the picture as the context made it.
        StartPictureReader(&capture->reader, layout, &capture->writer);
    }
    return true;
}

} // namespace

std::string AtFrameName(double seconds) {
    return FormatSeconds(seconds) + ".png";
}

int RunCapture(const CaptureOptions& options) {
    ApplyPictureOptions(options.picture);
    Capture capture{};
    capture.readPass = -1;
    if (!PrepareCapture(&capture, options)) {
        ApplyPictureOptions(PictureOptions{});
        return 1;
    }
    fs::path home = fs::current_path();
    if (!options.dataDir.empty()) {
        std::error_code error;
        fs::current_path(options.dataDir, error);
        if (error) {
            std::fprintf(stderr, "tessaline-capture: can't open the data folder %s\n",
                         options.dataDir.c_str());
            ApplyPictureOptions(PictureOptions{});
            return 1;
        }
    }
    std::string musicPath = fs::absolute("music/velt2002.mp3").string();

    // The show starts from its first row, as a fresh process would.
    ScenePosition = 0;
    SceneTime = 0.0f;
    CaptureTicks = 0;
    CaptureTicksPerSecond = options.fps;
    ActiveCapture = &capture;
    SetCounterSource(ReadCaptureCounter, ReadCaptureFrequency);
    SetPresentHook(PresentFrame, &capture);
    SetContextEndHook(EndOfContext, &capture);
    SetFatalErrorHook(AbandonOnFatalError);
    RunDemo(true);
    SetFatalErrorHook(nullptr);
    SetContextEndHook(nullptr, nullptr);
    SetPresentHook(nullptr, nullptr);
    SetCounterSource(nullptr, nullptr);
    ActiveCapture = nullptr;
    fs::current_path(home);
    // Later runs in this process start from the show's own picture.
    ApplyPictureOptions(PictureOptions{});

    // The show's last passes may have drawn nothing: their frames still
    // belong to the span.
    int64_t lastPass = CaptureTicks - 1;
    while (!capture.failed && !(capture.readPictures && FrameWriterStopped(&capture.writer)) &&
           capture.nextFrame < lastPass && capture.nextFrame < capture.endFrame) {
        EmitFrame(&capture);
    }
    if (options.progress) {
        ShowProgress(&capture, true);
    }
    if (capture.reader.failed) {
        Fail(&capture, "can't read a picture back from the driver");
    }
    std::string reason;
    if (!FinishFrameWriter(&capture.writer, &reason)) {
        Fail(&capture, reason);
    }
    if (capture.videoStarted) {
        if (capture.failed) {
            AbandonVideo(&capture.video);
        } else {
            double musicStart = static_cast<double>(capture.firstFrame) / options.fps;
            if (!FinishVideo(&capture.video, musicPath, musicStart, &reason)) {
                Fail(&capture, reason);
            }
        }
    }
    if (options.progress && !capture.failed) {
        ShowSpanTime(capture);
    }
    double showEnd = static_cast<double>(capture.nextFrame) / options.fps;
    for (const AtFrame& at : capture.atFrames) {
        if (at.frame >= capture.nextFrame) {
            Fail(&capture, "no frame at " + at.name.substr(0, at.name.size() - 4) +
                               " s: the show ended at " + FormatSeconds(showEnd) + " s");
        }
    }
    if (capture.readPictures && capture.written == 0) {
        Fail(&capture, "no frame written: the show ended at " + FormatSeconds(showEnd) + " s");
    }
    QuitRequested = 0;
    if (capture.failed) {
        std::fprintf(stderr, "tessaline-capture: %s\n", capture.error.c_str());
        return 1;
    }
    if (capture.endFrame != std::numeric_limits<int64_t>::max() &&
        capture.nextFrame < capture.endFrame && options.at.empty()) {
        std::fprintf(stderr, "tessaline-capture: the show ended at %s s, before --to\n",
                     FormatSeconds(showEnd).c_str());
    }
    return 0;
}
