// Writing captured frames off the drawing thread.
#include "tools/capture/frame_writer.h"

#include "tools/capture/png_file.h"

#include <algorithm>

namespace {

void WriteJobs(FrameWriter* writer) {
    std::unique_lock<std::mutex> guard(writer->lock);
    while (true) {
        writer->changed.wait(guard,
                             [writer] { return writer->stopping || !writer->waiting.empty(); });
        if (writer->waiting.empty()) {
            return; // stopping, and everything is written
        }
        FrameJob job = std::move(writer->waiting.front());
        writer->waiting.pop_front();
        bool skip = writer->failed || writer->videoBroken;
        guard.unlock();

        bool pngFailed = false;
        bool videoFailed = false;
        if (!skip) {
            FinishPicture(writer->layout, job.picture.data(), writer->frame.data());
        }
        if (!skip && !job.pngPath.empty()) {
            pngFailed = !WritePngRgb(job.pngPath, writer->frame.data(), writer->layout.frameWidth,
                                     writer->layout.frameHeight);
        }
        if (!skip && !pngFailed && job.toVideo) {
            videoFailed = !WriteVideoFrame(writer->video, writer->frame.data());
        }

        guard.lock();
        if (pngFailed && !writer->failed) {
            writer->failed = true;
            writer->reason = "can't write " + job.pngPath;
        }
        writer->videoBroken = writer->videoBroken || videoFailed;
        writer->free.push_back(std::move(job));
        writer->changed.notify_all();
    }
}

} // namespace

void StartFrameWriter(FrameWriter* writer, const PictureLayout& layout, VideoEncoder* video) {
    writer->layout = layout;
    writer->frame.assign(FramePictureBytes(layout), 0);
    writer->video = video;
    writer->stopping = false;
    writer->worker = std::thread(WriteJobs, writer);
}

void QueueFrame(FrameWriter* writer, const uint8_t* picture, const std::string& pngPath,
                bool toVideo) {
    const size_t bytes = DrawnPictureBytes(writer->layout);
    std::unique_lock<std::mutex> guard(writer->lock);
    if (writer->free.empty() && writer->buffers < FrameWriterDepth) {
        writer->free.emplace_back();
        writer->free.back().picture.resize(bytes);
        ++writer->buffers;
    }
    writer->changed.wait(guard, [writer] { return !writer->free.empty(); });
    FrameJob job = std::move(writer->free.back());
    writer->free.pop_back();
    // The copy runs unlocked: the worker never touches a buffer in neither list.
    guard.unlock();
    std::copy_n(picture, bytes, job.picture.data());
    job.pngPath = pngPath;
    job.toVideo = toVideo;
    guard.lock();
    writer->waiting.push_back(std::move(job));
    writer->changed.notify_all();
}

bool FrameWriterStopped(FrameWriter* writer) {
    std::lock_guard<std::mutex> guard(writer->lock);
    return writer->failed || writer->videoBroken;
}

bool FinishFrameWriter(FrameWriter* writer, std::string* reason) {
    if (writer->worker.joinable()) {
        {
            std::lock_guard<std::mutex> guard(writer->lock);
            writer->stopping = true;
            writer->changed.notify_all();
        }
        writer->worker.join();
    }
    if (writer->failed) {
        *reason = writer->reason;
        return false;
    }
    return true;
}
