// The JPEG reader: libjpeg's standard decompression sequence with default
// parameters, all scanlines collected into one buffer, top row first.
//
// libjpeg reports errors by calling the error manager's error_exit, which
// must not return. Ours long-jumps back into RunDecoder, so that the decoder
// and the file are released before the message goes to FatalError with the
// decoder's own text. Warnings about corrupt but decodable data, a file that
// ends early among them, go to standard error through the standard error
// manager and decoding goes on: the library fills what is missing.
//
// Colour spaces: YCbCr and RGB files decode to RGB as they are; greyscale
// files are expanded to RGB by the library (the one parameter changed from
// the defaults); CMYK, YCCK and unknown ones are refused.
#include "image/jpeg.h"

#include "image/image.h"
#include "shell/fatal.h"

#include <GL/gl.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>

namespace {

enum class JpegResult { Ok, DecoderError, TooLarge, UnsupportedColour };

// Everything one decoding touches, on the heap so that nothing the long jump
// skips over holds a value in a register.
struct JpegDecoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
    std::vector<JSAMPROW> rows;
    JpegPicture picture;
};

[[noreturn]] void EscapeDecoder(j_common_ptr info) {
    auto* decoder = static_cast<JpegDecoder*>(info->client_data);
    (*info->err->format_message)(info, decoder->message);
    std::longjmp(decoder->escape, 1);
}

JpegResult RunDecoder(JpegDecoder* decoder, FILE* file) {
    jpeg_decompress_struct* info = &decoder->info;
    info->err = jpeg_std_error(&decoder->errors);
    decoder->errors.error_exit = EscapeDecoder;
    info->client_data = decoder;
    if (setjmp(decoder->escape) != 0) {
        return JpegResult::DecoderError;
    }
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    if (info->image_width > static_cast<JDIMENSION>(MaxImageSide) ||
        info->image_height > static_cast<JDIMENSION>(MaxImageSide)) {
        decoder->picture.width = static_cast<int32_t>(info->image_width);
        decoder->picture.height = static_cast<int32_t>(info->image_height);
        return JpegResult::TooLarge;
    }
    switch (info->jpeg_color_space) {
    case JCS_YCbCr:
    case JCS_RGB:
        break;
    case JCS_GRAYSCALE:
        info->out_color_space = JCS_RGB;
        break;
    default:
        return JpegResult::UnsupportedColour;
    }
    jpeg_start_decompress(info);
    if (info->out_color_components != 3) {
        return JpegResult::UnsupportedColour;
    }
    JpegPicture* picture = &decoder->picture;
    picture->width = static_cast<int32_t>(info->output_width);
    picture->height = static_cast<int32_t>(info->output_height);
    picture->stride = picture->width * info->out_color_components;
    picture->pixels.resize(static_cast<size_t>(picture->stride) * picture->height);
    decoder->rows.resize(picture->height);
    for (int i = 0; i < picture->height; i++) {
        decoder->rows[i] = picture->pixels.data() + static_cast<size_t>(i) * picture->stride;
    }
    // jpeg_read_scanlines may return fewer lines than asked for.
    JDIMENSION done = 0;
    while (info->output_scanline < info->output_height) {
        done += jpeg_read_scanlines(info, decoder->rows.data() + done, info->output_height - done);
    }
    jpeg_finish_decompress(info);
    return JpegResult::Ok;
}

} // namespace

std::optional<JpegPicture> DecodeJpegFile(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    // FatalError may long-jump in tests and tools: everything is released
    // before it is called.
    JpegResult result;
    char message[JMSG_LENGTH_MAX];
    int width;
    int height;
    {
        auto decoder = std::make_unique<JpegDecoder>();
        result = RunDecoder(decoder.get(), file);
        jpeg_destroy_decompress(&decoder->info);
        std::fclose(file);
        if (result == JpegResult::Ok) {
            return std::move(decoder->picture);
        }
        std::memcpy(message, decoder->message, sizeof message);
        width = decoder->picture.width;
        height = decoder->picture.height;
    }
    switch (result) {
    case JpegResult::Ok:
    case JpegResult::DecoderError:
        FatalError("Error reading %s: %s", path, message);
    case JpegResult::TooLarge:
        FatalError("Error reading %s: %d x %d pixels is too large (at most %d per side)", path,
                   width, height, MaxImageSide);
    case JpegResult::UnsupportedColour:
        FatalError("Error reading %s: only colour and greyscale JPEG pictures are supported "
                   "(not CMYK or YCCK)",
                   path);
    }
    FatalError("Error reading %s", path);
}

int LoadJpeg(const char* path) {
    int handle = NewImage();
    Image* image = GetImage(handle);
    image->fileName = path;
    std::optional<JpegPicture> picture = DecodeJpegFile(path);
    if (!picture) {
        FatalError("Error opening %s", path);
    }
    image->width = picture->width;
    image->height = picture->height;
    image->pixels = std::move(picture->pixels);
    image->internalFormat = image->pixelFormat = GL_RGB;
    return SetTextureFlags(handle, 0);
}
