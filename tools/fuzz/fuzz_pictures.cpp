// Fuzz targets of the picture readers; FUZZ_READER picks the one built:
// 1 TGA, 2 PCX, 3 JPEG. Every accepted picture must hold exactly
// width x height pixels of the bytes its format implies, within the size cap.
#include "fuzz_harness.h"

#include "image/image.h"
#include "image/jpeg.h"
#include "image/pcx.h"
#include "image/tga.h"

namespace {

void CheckPicture(int handle) {
    const Image* image = GetImage(handle);
    FuzzCheck(image->width >= 0 && image->width <= MaxImageSide, "width out of range");
    FuzzCheck(image->height >= 0 && image->height <= MaxImageSide, "height out of range");
    FuzzCheck(image->pixels.size() ==
                  static_cast<size_t>(image->width) * image->height * ImageBytesPerPixel(image),
              "pixel buffer size");
    FuzzCheck(image->internalFormat == image->pixelFormat, "formats differ");
}

void ReadPicture(const char* path) {
#if FUZZ_READER == 1
    CheckPicture(LoadTga(path));
#elif FUZZ_READER == 2
    CheckPicture(LoadPcx(path));
#else
    CheckPicture(LoadJpeg(path));
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunFuzzInput(data, size, ReadPicture);
}
