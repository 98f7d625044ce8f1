// Reading pictures back, through pixel buffers where the driver has them;
// see picture_reader.h.
#include "tools/capture/picture_reader.h"

#include "platform/window.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <cstddef>

static bool DirectReadsOnly;

void ReadPicturesDirectly(bool direct) {
    DirectReadsOnly = direct;
}

#ifndef TESSALINE_FIXEDGL
// Pixel buffer objects: OpenGL 2.1, or 1.5 with GL_ARB_pixel_buffer_object.
// Fetched once a context exists; the same driver serves every later one.
using GenBuffersProc = void (*)(GLsizei, GLuint*);
using DeleteBuffersProc = void (*)(GLsizei, const GLuint*);
using BindBufferProc = void (*)(GLenum, GLuint);
using BufferDataProc = void (*)(GLenum, ptrdiff_t, const void*, GLenum);
using MapBufferProc = void* (*)(GLenum, GLenum);
using UnmapBufferProc = GLboolean (*)(GLenum);

static GenBuffersProc GenBuffers;
static DeleteBuffersProc DeleteBuffers;
static BindBufferProc BindBuffer;
static BufferDataProc BufferData;
static MapBufferProc MapBuffer;
static UnmapBufferProc UnmapBuffer;

static bool FetchPixelBuffers() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!GlVersionAtLeast(version, 2, 1) &&
        !(GlVersionAtLeast(version, 1, 5) && HasGlExtension("GL_ARB_pixel_buffer_object"))) {
        return false;
    }
    return FetchGlEntry(&GenBuffers, "glGenBuffers") &&
           FetchGlEntry(&DeleteBuffers, "glDeleteBuffers") &&
           FetchGlEntry(&BindBuffer, "glBindBuffer") && FetchGlEntry(&BufferData, "glBufferData") &&
           FetchGlEntry(&MapBuffer, "glMapBuffer") && FetchGlEntry(&UnmapBuffer, "glUnmapBuffer");
}

// Hands the writer the waiting frames whose read is at most last, oldest
// first, each group of one read from its mapped buffer.
static void HandOverWaiting(PictureReader* reader, int64_t last) {
    while (!reader->waiting.empty() && reader->waiting.front().read <= last) {
        const int64_t read = reader->waiting.front().read;
        const uint8_t* picture = reader->picture.data();
        if (read >= 0) {
            BindBuffer(GL_PIXEL_PACK_BUFFER, reader->buffers[read % PictureReadDepth]);
            picture = static_cast<const uint8_t*>(MapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
        }
        while (!reader->waiting.empty() && reader->waiting.front().read == read) {
            const WaitingFrame& frame = reader->waiting.front();
            if (picture != nullptr) {
                QueueFrame(reader->writer, picture, frame.pngPath, frame.toVideo);
            } else {
                reader->failed = true;
            }
            reader->waiting.pop_front();
        }
        if (read >= 0) {
            if (picture != nullptr) {
                UnmapBuffer(GL_PIXEL_PACK_BUFFER);
            }
            BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        }
    }
}
#endif

void StartPictureReader(PictureReader* reader, const PictureLayout& layout, FrameWriter* writer) {
    reader->layout = layout;
    reader->writer = writer;
    reader->buffered = false;
    reader->buffersTried = false;
    reader->failed = false;
    reader->reads = 0;
    reader->waiting.clear();
    // Before the first read the picture is the context's own: black, which
    // is zero in either layout.
    reader->picture.assign(DrawnPictureBytes(layout), 0);
}

#ifndef TESSALINE_FIXEDGL
// Makes the pixel buffers on the first read, when the context exists.
static void MakePixelBuffers(PictureReader* reader) {
    reader->buffersTried = true;
    if (DirectReadsOnly || !FetchPixelBuffers()) {
        return;
    }
    GenBuffers(PictureReadDepth, reader->buffers);
    for (GLuint buffer : reader->buffers) {
        BindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        BufferData(GL_PIXEL_PACK_BUFFER, static_cast<ptrdiff_t>(reader->picture.size()), nullptr,
                   GL_STREAM_READ);
    }
    BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    reader->buffered = true;
}
#endif

void ReadPictureBack(PictureReader* reader) {
    const PictureLayout& layout = reader->layout;
    void* target = reader->picture.data();
#ifndef TESSALINE_FIXEDGL
    if (!reader->buffersTried) {
        MakePixelBuffers(reader);
    }
    if (reader->buffered) {
        // The buffer this read takes still holds the read PictureReadDepth
        // before: its frames go first.
        HandOverWaiting(reader, reader->reads - PictureReadDepth);
        BindBuffer(GL_PIXEL_PACK_BUFFER, reader->buffers[reader->reads % PictureReadDepth]);
        target = nullptr; // offset 0 in the bound buffer
    }
#endif
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (layout.pixels == PixelLayout::Rgb565) {
        glReadPixels(0, 0, layout.drawnWidth, layout.drawnHeight, GL_RGB, GL_UNSIGNED_SHORT_5_6_5,
                     target);
    } else {
        glReadPixels(0, 0, layout.drawnWidth, layout.drawnHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                     target);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
#ifndef TESSALINE_FIXEDGL
    if (reader->buffered) {
        // Scenes read pixels into their own memory.
        BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
#endif
    ++reader->reads;
}

void HandOverFrame(PictureReader* reader, const std::string& pngPath, bool toVideo) {
    if (reader->buffered) {
        reader->waiting.push_back({reader->reads - 1, pngPath, toVideo});
        return;
    }
    QueueFrame(reader->writer, reader->picture.data(), pngPath, toVideo);
}

void FinishPictureReader([[maybe_unused]] PictureReader* reader) {
#ifndef TESSALINE_FIXEDGL
    if (reader->buffered) {
        HandOverWaiting(reader, reader->reads);
        // Frames handed over after this (the show's last passes) show the
        // last picture, now kept in memory.
        if (reader->reads > 0) {
            BindBuffer(GL_PIXEL_PACK_BUFFER,
                       reader->buffers[(reader->reads - 1) % PictureReadDepth]);
            const auto* last =
                static_cast<const uint8_t*>(MapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
            if (last != nullptr) {
                std::copy_n(last, reader->picture.size(), reader->picture.data());
                UnmapBuffer(GL_PIXEL_PACK_BUFFER);
            } else {
                reader->failed = true;
            }
            BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        }
        DeleteBuffers(PictureReadDepth, reader->buffers);
        reader->buffered = false;
    }
#endif
    assert(reader->waiting.empty());
}

void AbandonPictureReader(PictureReader* reader) {
    reader->waiting.clear();
    // The context takes its buffers with it.
    reader->buffered = false;
}
