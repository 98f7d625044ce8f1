// Reading finished pictures back for the frame writer, overlapped with
// drawing where the driver has pixel buffer objects.
//
// Each read goes into the next of PictureReadDepth pixel buffers and returns
// at once; the frames that stand for it wait in a list and are handed to the
// frame writer (copied out of the mapped buffer) only when that buffer is
// about to take a new read, or when the capture or the context ends. So the
// driver moves one picture while the next is drawn. Where the driver has no
// such buffers (or the test hook says so) a read is a plain glReadPixels and
// its frames are handed over at once. Either way the writer gets the same
// frames in the same order. The reader owns its buffers and the list; the
// frame writer stays the caller's.
#pragma once

#include "tools/capture/frame_writer.h"
#include "tools/capture/picture_layout.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

constexpr int PictureReadDepth = 2;

// A frame handed over before its picture has left the pixel buffers.
struct WaitingFrame {
    int64_t read; // which read it shows; -1: the picture before the first
    std::string pngPath;
    bool toVideo = false;
};

struct PictureReader {
    PictureLayout layout;
    FrameWriter* writer = nullptr;
    bool buffersTried = false;          // the first read decided buffered
    bool buffered = false;              // reads go through pixel buffers
    bool failed = false;                // a buffer could not be mapped: frames were lost
    uint32_t buffers[PictureReadDepth]; // GL buffer names, when buffered
    int64_t reads = 0;                  // reads made so far
    std::vector<uint8_t> picture;       // plain reads: the last one; buffered: black
    std::deque<WaitingFrame> waiting;   // buffered: not yet handed to the writer
};

// Test hook: plain reads even where the driver has pixel buffers.
void ReadPicturesDirectly(bool direct);

// Prepares reading pictures of layout for writer; needs no context (the
// buffers are made on the first read). Until the first read, frames show a
// black picture.
void StartPictureReader(PictureReader* reader, const PictureLayout& layout, FrameWriter* writer);

// Reads the bound picture back (the layout's pixels, bottom row first). The
// scene's packing state is left as found.
void ReadPictureBack(PictureReader* reader);

// Hands the frame writer a frame showing the last picture read, as a PNG at
// pngPath (empty: none) and/or a video frame; buffered, it may wait in the list.
void HandOverFrame(PictureReader* reader, const std::string& pngPath, bool toVideo);

// Hands every waiting frame to the writer and deletes the buffers; needs the
// context. Safe to call twice.
void FinishPictureReader(PictureReader* reader);

// Forgets the waiting frames and the buffers without touching the writer or
// the context (after a failure).
void AbandonPictureReader(PictureReader* reader);
