// The PCX reader.
//
// Of the 128-byte header the reader uses xmax (offset 8) and ymax (offset 10):
// width = xmax + 1, height = ymax + 1, xmin and ymin taken as 0; bits per
// pixel (offset 3) and the plane count (offset 65), which must say one plane
// of 8-bit indices; and bytes per line (offset 66). A kind field left at
// zero was not filled in by its writer: bits 0 count as 8 and planes 0 as
// one, as the show's files were always read. Writers pad every line to
// an even number of bytes (some to more), so an odd-width picture stores
// width + 1 bytes a line: each line's first width pixels are kept and the
// rest of its bytes skipped. A header whose bytes per line is below the width
// is damaged; its lines are read width bytes long.
// The data is one stream of run-length codes, top row first: a byte above
// 0xC0 is a run header (count = byte & 0x3F, the next byte is the value); any
// other byte, 0xC0 included, is one pixel. Runs may cross line ends. The
// palette is the last 768 bytes of the file, so the data must end before them;
// data that ends early leaves the rest of the picture at index 0.
#include "image/pcx.h"

#include "image/image.h"
#include "image/palette.h"
#include "shell/fatal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

enum class PcxResult { Ok, CannotOpen, NotEightBit, TooLarge, Truncated };

struct PcxFormat {
    int bitsPerPixel;
    int planes;
};

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Writes a run of count copies of value at stream position *position, lines
// of stride bytes of which the first width are pixels; stops at the end.
void WriteRun(Image* image, size_t stride, size_t end, uint8_t value, size_t count,
              size_t* position) {
    const size_t width = static_cast<size_t>(image->width);
    size_t p = *position;
    const size_t stop = std::min(p + count, end);
    while (p < stop) {
        size_t row = p / stride;
        size_t column = p % stride;
        size_t n = std::min(stop - p, stride - column);
        if (column < width) {
            std::memset(image->pixels.data() + row * width + column, value,
                        std::min(n, width - column));
        }
        p += n;
    }
    *position = p;
}

// Decodes the indices into image->pixels; the caller reports failures.
PcxResult ReadPcxIndices(Image* image, PcxFormat* format, const char* path) {
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
    format->bitsPerPixel = header[3];
    format->planes = header[65];
    int bits = format->bitsPerPixel == 0 ? 8 : format->bitsPerPixel;
    int planes = format->planes == 0 ? 1 : format->planes;
    if (bits != 8 || planes != 1) {
        return PcxResult::NotEightBit;
    }
    image->width = (header[8] | header[9] << 8) + 1;
    image->height = (header[10] | header[11] << 8) + 1;
    if (image->width > MaxImageSide || image->height > MaxImageSide) {
        return PcxResult::TooLarge;
    }
    const size_t width = static_cast<size_t>(image->width);
    const size_t height = static_cast<size_t>(image->height);
    const size_t stride = std::max<size_t>(header[66] | header[67] << 8, width);
    // The stream ends with the last line's pixels; its padding may be absent.
    const size_t end = (height - 1) * stride + width;
    size_t dataBytes = static_cast<size_t>(fileSize) - 128 - PaletteFileSize;
    std::vector<uint8_t> data(dataBytes);
    if (std::fread(data.data(), 1, dataBytes, file.get()) != dataBytes) {
        return PcxResult::Truncated;
    }
    image->pixels.assign(width * height, 0);
    size_t in = 0;
    size_t p = 0;
    // Data that ends before the picture is full (a file cut short) leaves
    // the rest of the picture at index 0.
    while (p < end && in < dataBytes) {
        uint8_t b = data[in++];
        size_t run = 1;
        uint8_t value = b;
        if (b > 0xC0) {
            if (in == dataBytes) {
                break;
            }
            run = b & 0x3F;
            value = data[in++];
        }
        // A run that would pass the end of the picture is cut there.
        WriteRun(image, stride, end, value, run, &p);
    }
    return PcxResult::Ok;
}

} // namespace

int LoadPcx(const char* path) {
    int handle = NewImage();
    Image* image = GetImage(handle);
    image->fileName = path;
    PcxFormat format{};
    switch (ReadPcxIndices(image, &format, path)) {
    case PcxResult::Ok:
        break;
    case PcxResult::CannotOpen:
        FatalError("Error opening %s", path);
    case PcxResult::NotEightBit:
        FatalError("Error reading %s: %d plane(s) of %d bits per pixel; only one plane of 8 "
                   "bits (256 colours) is supported",
                   path, format.planes, format.bitsPerPixel);
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
