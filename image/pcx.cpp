// The PCX reader.
//
// Only xmax (offset 8) and ymax (offset 10) of the 128-byte header are used:
// width = xmax + 1, height = ymax + 1; xmin and ymin are taken as 0 and the
// rest (version, encoding, planes, bytes per line) is not looked at. The data
// is read as one stream of 8-bit indices, top row first, without line ends:
// a byte above 0xC0 is a run header (count = byte & 0x3F, the next byte is the
// value); any other byte, 0xC0 included, is one pixel. The palette is the
// last 768 bytes of the file, so the pixel data must end before them.
#include "image/pcx.h"

#include "image/image.h"
#include "image/palette.h"
#include "shell/fatal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

enum class PcxResult { Ok, CannotOpen, TooLarge, Truncated };

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Decodes the indices into image->pixels; the caller reports failures.
PcxResult ReadPcxIndices(Image* image, const char* path) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        return PcxResult::CannotOpen;
    }
    uint8_t header[128];
    long fileSize = 0;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        fileSize = std::ftell(file.get());
    }
    std::rewind(file.get());
    if (fileSize < 128 + PaletteFileSize ||
        std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
        return PcxResult::Truncated;
    }
    image->width = (header[8] | header[9] << 8) + 1;
    image->height = (header[10] | header[11] << 8) + 1;
    if (image->width > MaxImageSide || image->height > MaxImageSide) {
        return PcxResult::TooLarge;
    }
    size_t count = static_cast<size_t>(image->width) * image->height;
    // A two-byte run yields at most 63 pixels, so fewer than count / 31.5
    // data bytes cannot fill the picture.
    size_t dataBytes = static_cast<size_t>(fileSize) - 128 - PaletteFileSize;
    if (dataBytes * 32 < count) {
        return PcxResult::Truncated;
    }
    std::vector<uint8_t> data(dataBytes);
    if (std::fread(data.data(), 1, dataBytes, file.get()) != dataBytes) {
        return PcxResult::Truncated;
    }
    image->pixels.assign(count, 0);
    size_t in = 0;
    size_t p = 0;
    while (p < count) {
        if (in == dataBytes) {
            return PcxResult::Truncated;
        }
        uint8_t b = data[in++];
        size_t run = 1;
        uint8_t value = b;
        if (b > 0xC0) {
            if (in == dataBytes) {
                return PcxResult::Truncated;
            }
            run = b & 0x3F;
            value = data[in++];
        }
        // A run that would pass the end of the picture is cut there.
        size_t n = std::min(run, count - p);
        std::memset(image->pixels.data() + p, value, n);
        p += run;
    }
    return PcxResult::Ok;
}

} // namespace

int LoadPcx(const char* path) {
    int handle = NewImage();
    Image* image = GetImage(handle);
    image->fileName = path;
    switch (ReadPcxIndices(image, path)) {
    case PcxResult::Ok:
        break;
    case PcxResult::CannotOpen:
        FatalError("Error opening %s", path);
    case PcxResult::TooLarge:
        FatalError("Error reading %s: %d x %d pixels is too large (at most %d per side)", path,
                   image->width, image->height, MaxImageSide);
    case PcxResult::Truncated:
        FatalError("Error reading %s: the file is truncated", path);
    }
    Palette palette;
    ReadTrailingPalette(path, &palette);
    ExpandPalette(image, &palette);
    return SetTextureFlags(handle, 0);
}
