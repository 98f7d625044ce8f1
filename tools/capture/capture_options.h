// The capture tool's command line: what to play, from where, and what to
// write.
//
// Parsing owns nothing beyond the record it fills. Times are seconds of show
// time (the clock that starts with the first frame); a frame n shows the
// moment n / fps.
#pragma once

#include "shell/picture_options.h"

#include <cstdint>
#include <string>
#include <vector>

struct CaptureOptions {
    int32_t fps = 60;
    double from = 0.0;      // seconds; frames before it are drawn but not written
    double to = -1.0;       // seconds, exclusive; negative: until the show ends
    std::string dataDir;    // empty: the working directory
    std::string pngDir;     // empty: no pictures
    std::vector<double> at; // show times of the only frames to write (needs pngDir)
    std::string videoPath;  // empty: no video
    int32_t scale = 1;      // whole-pixel enlargement of the video
    int32_t crf = -1;       // H.264 quality, 0 to 51; negative: the encoder's default
    bool progress = true;   // a progress line on standard error
    PictureOptions picture; // the written picture's height, colour and supersampling
    bool wideFrame = false; // --frame 16:9: the picture centred in a 16:9 frame
};

// The options the capture shares with the player.
constexpr char CapturePictureOptions[] = "--height --colour --supersample";

// Reads arguments argv[1 .. argc-1] into options. On a bad option returns
// false with a one-line reason in error.
bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error);

// The usage text printed by --help, one option a line.
const char* CaptureUsage();
