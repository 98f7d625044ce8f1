// The capture tool's command line.
#include "tools/capture/capture_options.h"

#include "tools/capture/video_encoder.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Finite, non-negative seconds, at most a day.
static bool ReadSeconds(const char* text, double* value) {
    char* end = nullptr;
    errno = 0;
    double number = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(number) || number < 0.0 ||
        number > 86400.0) {
        return false;
    }
    *value = number;
    return true;
}

// Comma-separated seconds, at least one.
static bool ReadTimeList(const char* text, std::vector<double>* times) {
    std::string list(text);
    size_t begin = 0;
    while (true) {
        size_t comma = list.find(',', begin);
        std::string item =
            list.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        double seconds = 0.0;
        if (!ReadSeconds(item.c_str(), &seconds)) {
            return false;
        }
        times->push_back(seconds);
        if (comma == std::string::npos) {
            return true;
        }
        begin = comma + 1;
    }
}

// The options of the capture alone.
static const char* CaptureUsageHead() {
    return "usage: tessaline-capture [options]\n"
           "  --data DIR        play the data files in DIR (default: the working directory)\n"
           "  --fps N           frames per second of show time, 1 to 1000 (default 60)\n"
           "  --from S          first second of show time to write (default 0)\n"
           "  --to S            second of show time to stop at (default: the end of the show)\n"
           "  --png DIR         write every frame as DIR/NNNNNN.png, numbered by frame\n"
           "  --at T1,T2,...    with --png: only the frames at these times, named T.png\n"
           "  --video FILE      write a video with the soundtrack: FILE.mkv an archival\n"
           "                    copy (FFV1 and FLAC, lossless), else H.264 and AAC\n"
           "  --crf N           H.264 quality, 0 (finest) to 51 (coarsest; default 18)\n"
           "  --scale N         enlarge the video N times, 1 to 8 (default 1)\n"
           "  --frame 16:9      centre the picture in a 16:9 frame (black at the sides)\n"
           "  --quiet           no progress line\n";
}

const char* CaptureUsage() {
    static const std::string text = std::string(CaptureUsageHead()) +
                                    PictureOptionsUsage(CapturePictureOptions) +
                                    "  --help            this text\n";
    return text.c_str();
}

bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error) {
    bool sawFrom = false;
    bool sawTo = false;
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (std::strcmp(name, "--quiet") == 0) {
            options->progress = false;
            continue;
        }
        switch (
            TakePictureOption(argc, argv, &i, CapturePictureOptions, &options->picture, error)) {
        case PictureOptionResult::Taken:
            continue;
        case PictureOptionResult::Bad:
            return false;
        case PictureOptionResult::NotPictureOption:
            break;
        }
        static const char* const withValue[] = {"--data", "--fps",   "--from",  "--to",  "--png",
                                                "--at",   "--video", "--scale", "--crf", "--frame"};
        bool known = false;
        for (const char* option : withValue) {
            known = known || std::strcmp(name, option) == 0;
        }
        if (!known) {
            *error = std::string("unknown option ") + name;
            return false;
        }
        if (i + 1 >= argc) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        bool good = true;
        if (std::strcmp(name, "--data") == 0) {
            options->dataDir = value;
            good = *value != '\0';
        } else if (std::strcmp(name, "--fps") == 0) {
            good = ReadWholeNumber(value, 1, 1000, &options->fps);
        } else if (std::strcmp(name, "--from") == 0) {
            good = ReadSeconds(value, &options->from);
            sawFrom = true;
        } else if (std::strcmp(name, "--to") == 0) {
            good = ReadSeconds(value, &options->to);
            sawTo = true;
        } else if (std::strcmp(name, "--png") == 0) {
            options->pngDir = value;
            good = *value != '\0';
        } else if (std::strcmp(name, "--at") == 0) {
            options->at.clear();
            good = ReadTimeList(value, &options->at);
        } else if (std::strcmp(name, "--video") == 0) {
            options->videoPath = value;
            good = *value != '\0';
        } else if (std::strcmp(name, "--scale") == 0) {
            good = ReadWholeNumber(value, 1, 8, &options->scale);
        } else if (std::strcmp(name, "--crf") == 0) {
            good = ReadWholeNumber(value, 0, 51, &options->crf);
        } else if (std::strcmp(name, "--frame") == 0) {
            good = std::strcmp(value, "16:9") == 0 || std::strcmp(value, "4:3") == 0;
            options->wideFrame = std::strcmp(value, "16:9") == 0;
        }
        if (!good) {
            *error = std::string("bad value for ") + name + ": \"" + value + "\"";
            return false;
        }
    }
    if (sawTo && options->to <= options->from) {
        *error = "--to must be later than --from";
        return false;
    }
    if (!options->at.empty()) {
        if (options->pngDir.empty()) {
            *error = "--at needs --png DIR to write its frames to";
            return false;
        }
        if (sawFrom || sawTo || !options->videoPath.empty()) {
            *error = "--at cannot be combined with --from, --to or --video";
            return false;
        }
    }
    if (options->scale != 1 && options->videoPath.empty()) {
        *error = "--scale applies to --video only";
        return false;
    }
    if (options->crf >= 0 &&
        (options->videoPath.empty() || IsArchivalVideoPath(options->videoPath))) {
        *error = "--crf applies to an H.264 --video only (not .mkv, which is lossless)";
        return false;
    }
    return true;
}
