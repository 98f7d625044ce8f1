// Recording frames to a video with the soundtrack, through ffmpeg.
//
// Two kinds, chosen by the file's extension: ".mkv" is an archival copy,
// FFV1 video (lossless RGB, every frame a key frame) in Matroska with the
// soundtrack decoded and stored losslessly as FLAC; anything else is an
// H.264 video (4:2:0, quality set by the CRF) with AAC sound in MP4.
// Pictures stream into one ffmpeg process that encodes them to a video-only
// file next to the result ("<file>.part.mkv" or "<file>.part.mp4");
// finishing adds the music, cut to the pictures' exact length, in a second
// ffmpeg run and removes the part file. The record owns the pipe, the part file and ffmpeg's
// message log (a temporary file) until FinishVideo or AbandonVideo.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// H.264's constant rate factor when none is asked for: 0 is lossless, 51
// the coarsest; 18 looks like the picture it came from.
constexpr int32_t DefaultVideoCrf = 18;

// True for a path that asks for the archival kind (".mkv", any case).
bool IsArchivalVideoPath(const std::string& path);

struct VideoEncoder {
    FILE* pipe = nullptr;  // ffmpeg's standard input while encoding
    std::string path;      // the finished video
    std::string partPath;  // pictures only, while encoding
    std::string logPath;   // ffmpeg's messages
    bool archival = false; // FFV1 and FLAC in Matroska
    int32_t fps = 60;
    int32_t scale = 1;
    int32_t crf = DefaultVideoCrf; // H.264 only
    int32_t width = 0;
    int32_t height = 0;
    int64_t frames = 0;  // pictures written so far
    bool broken = false; // ffmpeg stopped taking pictures
};

// Starts ffmpeg for width x height pictures at fps, enlarged scale times with
// nearest-neighbour pixels, ending in path (its extension picks the kind; crf
// is H.264's quality). False with a reason in error.
// Writes to an ffmpeg that has quit fail instead of raising SIGPIPE from here
// on.
bool StartVideo(VideoEncoder* video, const std::string& path, int32_t fps, int32_t scale,
                int32_t crf, int32_t width, int32_t height, std::string* error);

// Adds one RGB picture (top row first, caller's memory). False once ffmpeg no
// longer takes pictures.
bool WriteVideoFrame(VideoEncoder* video, const uint8_t* rgb);

// Ends the pictures and adds musicPath from musicStart seconds on, cut (or
// padded with silence) to frames / fps seconds. False with ffmpeg's reason in
// error when either run fails; the part file is removed either way.
bool FinishVideo(VideoEncoder* video, const std::string& musicPath, double musicStart,
                 std::string* error);

// Stops ffmpeg and removes the part file and the log; the result is not
// touched.
void AbandonVideo(VideoEncoder* video);
