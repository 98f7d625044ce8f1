// Writing a picture as a PNG file with libpng.
#include "png_write.h"

#include <csetjmp>
#include <cstdio>

#include <png.h>

bool WritePng(const char* path, const InspectedPicture& picture) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "Error: cannot write %s\n", path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    // libpng reports its errors by long-jumping here; it has printed them.
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "Error: cannot write %s\n", path);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8,
                 picture.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(picture.width) * picture.channels;
    for (int row = 0; row < picture.height; row++) {
        png_write_row(png, picture.pixels.data() + row * stride);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bool written = std::fclose(file) == 0;
    if (!written) {
        std::fprintf(stderr, "Error: cannot write %s\n", path);
    }
    return written;
}
