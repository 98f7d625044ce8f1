// Recording frames to a video with the soundtrack, through ffmpeg.
#include "tools/capture/video_encoder.h"

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

// Quotes text for the shell: inside single quotes only the quote itself needs
// care, written as '\''.
static std::string QuoteForShell(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The last non-empty line ffmpeg wrote, or a note that it wrote nothing.
static std::string LastLogLine(const std::string& logPath) {
    std::ifstream log(logPath);
    std::string line;
    std::string last;
    while (std::getline(log, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            last = line;
        }
    }
    return last.empty() ? "no message" : last;
}

// A status from pclose or system as a sentence.
static std::string DescribeStatus(int status) {
    if (status == -1) {
        return "could not be run";
    }
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return "was stopped by signal " + std::to_string(WTERMSIG(status));
}

static bool Succeeded(int status) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IsArchivalVideoPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".mkv";
}

bool StartVideo(VideoEncoder* video, const std::string& path, int32_t fps, int32_t scale,
                int32_t crf, int32_t width, int32_t height, std::string* error) {
    std::string logTemplate =
        (std::filesystem::temp_directory_path() / "tessaline-ffmpeg-XXXXXX").string();
    int logFile = mkstemp(logTemplate.data());
    if (logFile < 0) {
        *error = "can't make a temporary file for the video encoder's messages";
        return false;
    }
    close(logFile);
    video->path = path;
    video->archival = IsArchivalVideoPath(path);
    video->partPath = path + (video->archival ? ".part.mkv" : ".part.mp4");
    video->crf = crf;
    video->logPath = logTemplate;
    video->fps = fps;
    video->scale = scale;
    video->width = width;
    video->height = height;
    video->frames = 0;
    video->broken = false;

    // FFV1 keeps the RGB bytes exactly (bgr0 only reorders them), every
    // frame a key frame with checksummed slices. For H.264, yuv420p keeps
    // the video playable everywhere (the sizes are even); "ultrafast" costs
    // about half of "veryfast" (3.5 against 7.5 ms of processor a frame
    // here), which matters while the software renderer keeps both cores
    // busy, for files about three times larger at the same quality.
    std::string codec = video->archival
                            ? "-c:v ffv1 -level 3 -g 1 -slices 4 -slicecrc 1 -pix_fmt bgr0 "
                              "-f matroska "
                            : "-c:v libx264 -preset ultrafast -crf " + std::to_string(crf) +
                                  " -pix_fmt yuv420p -f mp4 ";
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::string command = "ffmpeg -hide_banner -nostdin -loglevel error -y -f rawvideo "
                          "-pix_fmt rgb24 -s " +
                          size + " -framerate " + std::to_string(fps) + " -i - -vf scale=iw*" +
                          std::to_string(scale) + ":ih*" + std::to_string(scale) +
                          ":flags=neighbor " + codec + QuoteForShell(video->partPath) + " 2>" +
                          QuoteForShell(video->logPath);
    // A write to an ffmpeg that has quit must fail, not end this process.
    std::signal(SIGPIPE, SIG_IGN);
    video->pipe = popen(command.c_str(), "w");
    if (video->pipe == nullptr) {
        *error = "can't start ffmpeg";
        std::filesystem::remove(video->logPath);
        return false;
    }
    return true;
}

bool WriteVideoFrame(VideoEncoder* video, const uint8_t* rgb) {
    if (video->broken || video->pipe == nullptr) {
        return false;
    }
    size_t bytes = static_cast<size_t>(video->width) * video->height * 3;
    if (std::fwrite(rgb, 1, bytes, video->pipe) != bytes) {
        video->broken = true;
        return false;
    }
    ++video->frames;
    return true;
}

bool FinishVideo(VideoEncoder* video, const std::string& musicPath, double musicStart,
                 std::string* error) {
    int status = pclose(video->pipe);
    video->pipe = nullptr;
    bool good = Succeeded(status) && !video->broken;
    if (!good) {
        *error =
            "the video encoder (ffmpeg) " +
            (Succeeded(status) ? std::string("stopped taking pictures") : DescribeStatus(status)) +
            ": " + LastLogLine(video->logPath);
    } else if (video->frames == 0) {
        *error = "no frame to put in the video";
        good = false;
    } else {
        // Exact seconds of the pictures; apad makes a short soundtrack reach
        // them, -t cuts a long one.
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.6f",
                      static_cast<double>(video->frames) / video->fps);
        char start[32];
        std::snprintf(start, sizeof start, "%.6f", musicStart);
        // The archival copy keeps the decoded samples exactly (FLAC).
        std::string sound = video->archival
                                ? " -c:a flac -t " + std::string(seconds) + " -f matroska "
                                : " -c:a aac -b:a 192k -t " + std::string(seconds) +
                                      " -movflags +faststart -f mp4 ";
        std::string command = "ffmpeg -hide_banner -nostdin -loglevel error -y -i " +
                              QuoteForShell(video->partPath) + " -ss " + start + " -i " +
                              QuoteForShell(musicPath) +
                              " -map 0:v:0 -map 1:a:0 -c:v copy -af apad" + sound +
                              QuoteForShell(video->path) + " 2>" + QuoteForShell(video->logPath);
        status = std::system(command.c_str());
        good = Succeeded(status);
        if (!good) {
            *error = "adding the soundtrack (ffmpeg) " + DescribeStatus(status) + ": " +
                     LastLogLine(video->logPath);
            // Whatever the failed run left is no video.
            std::error_code ignored;
            std::filesystem::remove(video->path, ignored);
        }
    }
    std::error_code ignored;
    std::filesystem::remove(video->partPath, ignored);
    std::filesystem::remove(video->logPath, ignored);
    return good;
}

void AbandonVideo(VideoEncoder* video) {
    if (video->pipe != nullptr) {
        pclose(video->pipe);
        video->pipe = nullptr;
    }
    std::error_code ignored;
    std::filesystem::remove(video->partPath, ignored);
    std::filesystem::remove(video->logPath, ignored);
}
