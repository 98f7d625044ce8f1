// Writing captured frames off the drawing thread.
//
// One worker thread takes the pictures in the order they were handed over,
// each as the driver read it back, turns each into its frame
// (picture_layout.h) and writes it as a PNG file, into the video encoder, or
// both. The
// drawing thread copies a picture into one of a few buffers (waiting while
// all are in use) and goes on drawing; so at most FrameWriterDepth pictures
// are held at once. The writer owns its thread and buffers; the video
// encoder stays the caller's, and only the worker touches it while the
// writer runs. After the first failure the worker drops every later picture
// and keeps the reason.
#pragma once

#include "tools/capture/picture_layout.h"
#include "tools/capture/video_encoder.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr int FrameWriterDepth = 4;

struct FrameJob {
    std::vector<uint8_t> picture; // as read back (the layout's pixels)
    std::string pngPath;          // empty: no PNG file
    bool toVideo = false;
};

struct FrameWriter {
    PictureLayout layout;
    std::vector<uint8_t> frame;    // the worker's: the frame being written
    VideoEncoder* video = nullptr; // the caller's; used by the worker alone
    std::thread worker;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<FrameJob> waiting; // handed over, not yet written
    std::vector<FrameJob> free;   // buffers to reuse
    int32_t buffers = 0;          // buffers made so far
    bool stopping = false;        // no more jobs will come
    bool failed = false;          // a write failed; reason says why
    bool videoBroken = false;     // the encoder stopped taking pictures
    std::string reason;
};

// Starts the worker for pictures laid out as layout says; video may be null
// when no video is written.
void StartFrameWriter(FrameWriter* writer, const PictureLayout& layout, VideoEncoder* video);

// Queues one picture as read back (caller's memory, copied) to be written as a PNG at
// pngPath (empty: none) and/or into the video. Waits while every buffer is
// in use.
void QueueFrame(FrameWriter* writer, const uint8_t* picture, const std::string& pngPath,
                bool toVideo);

// True once a write has failed or the video encoder stopped taking pictures;
// the drawing thread polls it to stop early.
bool FrameWriterStopped(FrameWriter* writer);

// Writes what is queued, ends the worker and returns false with the reason
// when a PNG could not be written. Safe to call when the writer never
// started or has already finished.
bool FinishFrameWriter(FrameWriter* writer, std::string* reason);
