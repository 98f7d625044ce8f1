// The TGA reader.
//
// Header (18 bytes, little-endian): ID length at 0, colour map type at 1,
// image type at 2, width at 12, height at 14, pixel depth at 16, descriptor
// at 17; the five colour map bytes at 3 and the x and y origin are ignored.
// Pixels are stored B, G, R(, A), and rows are always taken bottom row first:
// the descriptor is not looked at, so a file with its top-left-origin bit
// (bit 5) set comes out upside down. The show's pictures were drawn, and its
// texture coordinates chosen, against that rule. A run-length
// packet starts with one byte: count = (byte & 0x7F) + 1; bit 7 set means one
// pixel value repeated count times, clear means count pixel values follow.
// Packets may cross rows.
//
// A file cut short still shows: the pixels it no longer holds stay black.
// The picture's size is bounded by MaxImageSide before anything is
// allocated, and reads never pass the end of the file or of a buffer.
#include "image/tga.h"

#include "shell/fatal.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

enum class TgaResult { Ok, CannotOpen, BadType, BadDepth, TooLarge, Truncated };

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// Reverses the order of the rows of a width x height picture of bpp bytes.
void FlipRows(std::vector<uint8_t>* pixels, int width, int height, int bpp) {
    size_t rowBytes = static_cast<size_t>(width) * bpp;
    for (int top = 0, bottom = height - 1; top < bottom; top++, bottom--) {
        std::swap_ranges(pixels->begin() + top * rowBytes, pixels->begin() + (top + 1) * rowBytes,
                         pixels->begin() + bottom * rowBytes);
    }
}

// Fills image (size, pixels, formats) from the file; the caller reports
// failures, so that nothing is left open or allocated when it does.
TgaResult ReadTga(Image* image, const char* path) {
    FileHandle file(std::fopen(path, "rb"));
    if (!file) {
        return TgaResult::CannotOpen;
    }
    uint8_t header[18];
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
        return TgaResult::Truncated;
    }
    int idLength = header[0];
    int colourMapType = header[1];
    int imageType = header[2];
    int width = header[12] | header[13] << 8;
    int height = header[14] | header[15] << 8;
    int depth = header[16];
    if (imageType != 2 && imageType != 10) {
        return TgaResult::BadType;
    }
    if (colourMapType != 0 || (depth != 24 && depth != 32)) {
        return TgaResult::BadDepth;
    }
    image->width = width;
    image->height = height;
    if (width > MaxImageSide || height > MaxImageSide) {
        return TgaResult::TooLarge;
    }
    // An ID field that runs past the end of the file leaves a black picture.
    if (idLength != 0 && std::fseek(file.get(), idLength, SEEK_CUR) != 0) {
        return TgaResult::Truncated;
    }
    int bpp = depth == 24 ? 3 : 4;
    size_t size = static_cast<size_t>(width) * height * bpp;

    if (imageType == 2) {
        // Stored rows in file order; those past the end of the file stay 0.
        image->pixels.assign(size, 0);
        if (std::fread(image->pixels.data(), 1, size, file.get()) < size) {
            // Cut short: the rows the file no longer holds stay black.
        }
        // The decoder below puts the file's first row last, like this.
        FlipRows(&image->pixels, width, height, bpp);
    } else {
        // False when the packets end early: the rest of the picture stays 0.
        DecodeTgaRle(image, file.get(), bpp, &image->pixels);
    }
    image->internalFormat = image->pixelFormat = bpp == 3 ? GL_RGB : GL_RGBA;
    SwapRedBlue(image, bpp);
    return TgaResult::Ok;
}

} // namespace

int LoadTga(const char* path) {
    int handle = NewImage();
    Image* image = GetImage(handle);
    image->fileName = path;
    switch (ReadTga(image, path)) {
    case TgaResult::Ok:
        break;
    case TgaResult::CannotOpen:
        FatalError("Error opening %s", path);
    case TgaResult::BadType:
        FatalError("Invalid TGA texture, only type 2 and 10 supported");
    case TgaResult::BadDepth:
        FatalError("Invalid TGA texture, only 24 or 32 bits supported");
    case TgaResult::TooLarge:
        FatalError("Error reading %s: %d x %d pixels is too large (at most %d per side)", path,
                   image->width, image->height, MaxImageSide);
    case TgaResult::Truncated:
        FatalError("Error reading %s: the file is truncated", path);
    }
    return SetTextureFlags(handle, 0);
}

bool DecodeTgaRle(const Image* image, FILE* file, int bpp, std::vector<uint8_t>* pixels) {
    int width = image->width;
    int height = image->height;
    pixels->assign(static_cast<size_t>(width) * height * bpp, 0);
    if (width == 0 || height == 0) {
        return true;
    }
    // The bottom row of the picture comes first in the file.
    int row = height - 1;
    int column = 0;
    uint8_t value[4];
    for (;;) {
        int packet = std::getc(file);
        if (packet == EOF) {
            return false;
        }
        int count = (packet & 0x7F) + 1;
        bool run = (packet & 0x80) != 0;
        if (run && std::fread(value, 1, bpp, file) != static_cast<size_t>(bpp)) {
            return false;
        }
        for (int i = 0; i < count; i++) {
            if (!run && std::fread(value, 1, bpp, file) != static_cast<size_t>(bpp)) {
                return false;
            }
            std::memcpy(pixels->data() + (static_cast<size_t>(row) * width + column) * bpp, value,
                        bpp);
            if (++column == width) {
                column = 0;
                if (row == 0) {
                    // The picture is full; the rest of the packet and any
                    // further data are never read.
                    return true;
                }
                row--;
            }
        }
    }
}

void SwapRedBlue(Image* image, int bpp) {
    size_t count = static_cast<size_t>(image->width) * image->height;
    uint8_t* pixel = image->pixels.data();
    for (size_t i = 0; i < count; i++, pixel += bpp) {
        uint8_t red = pixel[2];
        pixel[2] = pixel[0];
        pixel[0] = red;
    }
}
