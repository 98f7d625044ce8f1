// Encoding JPEG pictures through libjpeg's memory destination. Errors go to
// the library's standard error manager, which ends the program: with the
// parameters fixed here there are none to expect.
#include "tools/data/art/jpeg.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

std::vector<uint8_t> EncodeJpeg(int width, int height, const uint8_t* rgb, int quality) {
    jpeg_compress_struct compressor;
    jpeg_error_mgr errors;
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compressor, &buffer, &size);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb + static_cast<size_t>(compressor.next_scanline) * width * 3);
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&compressor);
    std::free(buffer);
    return bytes;
}
