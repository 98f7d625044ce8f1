// Small picture and mesh files made in code.
#include "support/image_fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

void PutInt16(std::vector<uint8_t>* out, int value) {
    out->push_back(static_cast<uint8_t>(value & 0xFF));
    out->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

} // namespace

std::vector<uint8_t> MakeTga(int type, int depth, int width, int height,
                             const std::vector<uint8_t>& picture, int idLength) {
    int bpp = depth / 8;
    std::vector<uint8_t> out(18, 0);
    out[0] = static_cast<uint8_t>(idLength);
    out[2] = static_cast<uint8_t>(type);
    out[12] = static_cast<uint8_t>(width & 0xFF);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height & 0xFF);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = static_cast<uint8_t>(depth);
    for (int i = 0; i < idLength; i++) {
        out.push_back(static_cast<uint8_t>(0xE0 + i));
    }
    if (picture.empty()) {
        return out;
    }
    // Pixels in file order: bottom row first, B, G, R(, A).
    std::vector<std::vector<uint8_t>> stored;
    for (int row = height - 1; row >= 0; row--) {
        for (int column = 0; column < width; column++) {
            const uint8_t* p = &picture[(static_cast<size_t>(row) * width + column) * bpp];
            std::vector<uint8_t> value = {p[2], p[1], p[0]};
            if (bpp == 4) {
                value.push_back(p[3]);
            }
            stored.push_back(value);
        }
    }
    if (type != 10) {
        for (const auto& value : stored) {
            out.insert(out.end(), value.begin(), value.end());
        }
        return out;
    }
    size_t i = 0;
    while (i < stored.size()) {
        size_t run = 1;
        while (i + run < stored.size() && run < 128 && stored[i + run] == stored[i]) {
            run++;
        }
        if (run > 1) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), stored[i].begin(), stored[i].end());
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < stored.size() && raw < 128 &&
               (i + raw + 1 >= stored.size() || stored[i + raw + 1] != stored[i + raw])) {
            raw++;
        }
        out.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; k++) {
            out.insert(out.end(), stored[i + k].begin(), stored[i + k].end());
        }
        i += raw;
    }
    return out;
}

std::vector<uint8_t> MakePcx(int xmin, int xmax, int ymax, const std::vector<uint8_t>& data,
                             const std::vector<uint8_t>& palette) {
    // Sized whole first: growing a vector from its 128-byte header makes
    // GCC 12 at -O3 warn falsely inside the standard library.
    std::vector<uint8_t> out(128 + data.size() + 1 + palette.size(), 0);
    out[0] = 0x0A; // manufacturer
    out[1] = 5;    // version
    out[2] = 1;    // run-length encoding
    out[3] = 8;    // bits per pixel
    out[4] = static_cast<uint8_t>(xmin & 0xFF);
    out[5] = static_cast<uint8_t>(xmin >> 8);
    out[8] = static_cast<uint8_t>(xmax & 0xFF);
    out[9] = static_cast<uint8_t>(xmax >> 8);
    out[10] = static_cast<uint8_t>(ymax & 0xFF);
    out[11] = static_cast<uint8_t>(ymax >> 8);
    out[65] = 1; // planes
    int bytesPerLine = xmax - xmin + 1;
    out[66] = static_cast<uint8_t>(bytesPerLine & 0xFF);
    out[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    auto next = std::copy(data.begin(), data.end(), out.begin() + 128);
    *next++ = 0x0C;
    std::copy(palette.begin(), palette.end(), next);
    return out;
}

std::vector<uint8_t> MakeLinedPcx(int width, int height, int bytesPerLine,
                                  const std::vector<uint8_t>& indices, uint8_t padValue,
                                  const std::vector<uint8_t>& palette) {
    std::vector<uint8_t> out = MakePcx(0, width - 1, height - 1, {}, palette);
    out.resize(128);
    out[66] = static_cast<uint8_t>(bytesPerLine & 0xFF);
    out[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    out[68] = 1; // the palette holds colours
    std::vector<uint8_t> line(bytesPerLine);
    for (int y = 0; y < height; y++) {
        std::fill(line.begin(), line.end(), padValue);
        std::copy_n(indices.begin() + static_cast<long>(y) * width, width, line.begin());
        for (int x = 0; x < bytesPerLine;) {
            int run = 1;
            while (x + run < bytesPerLine && run < 63 && line[x + run] == line[x]) {
                run++;
            }
            if (run > 1 || line[x] >= 0xC0) {
                out.push_back(static_cast<uint8_t>(0xC0 | run));
            }
            out.push_back(line[x]);
            x += run;
        }
    }
    out.push_back(0x0C);
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

std::vector<uint8_t> MakeTestPalette() {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; i++) {
        palette.push_back(static_cast<uint8_t>(i));
        palette.push_back(static_cast<uint8_t>(255 - i));
        palette.push_back(static_cast<uint8_t>(i ^ 0x5A));
    }
    return palette;
}

std::vector<uint8_t> MakeJpeg(int width, int height, int components,
                              const std::vector<uint8_t>& picture) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(
            &picture[static_cast<size_t>(info.next_scanline) * width * components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> Make3dg(int vertexCount, int faceCount, const std::vector<int>& positions,
                             const std::vector<int>& vertexNormals,
                             const std::vector<int>& triangles,
                             const std::vector<int>& faceNormals) {
    std::vector<uint8_t> out;
    PutInt16(&out, vertexCount);
    PutInt16(&out, faceCount);
    for (const std::vector<int>* values : {&positions, &vertexNormals, &triangles, &faceNormals}) {
        for (int value : *values) {
            PutInt16(&out, value);
        }
    }
    return out;
}
