// Fuzz target of the palette readers and of PaletteToRgb's scaling: the
// first four bytes of the input pick source and destination sizes (1…64),
// the rest is read as a palette file from its start and from its end.
#include "fuzz_harness.h"

#include "image/palette.h"

#include <vector>

namespace {

void ReadPalettes(const char* path) {
    Palette first;
    Palette last;
    ReadPaletteFile(path, &first);
    ReadTrailingPalette(path, &last);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 4) {
        int sw = data[0] % 64 + 1;
        int sh = data[1] % 64 + 1;
        int dw = data[2] % 64 + 1;
        int dh = data[3] % 64 + 1;
        std::vector<uint8_t> source(static_cast<size_t>(sw) * sh);
        for (size_t i = 0; i < source.size(); i++) {
            source[i] = data[(4 + i) % size];
        }
        Palette palette;
        for (int i = 0; i < PaletteFileSize; i++) {
            palette.rgb[i] = static_cast<uint8_t>(i);
        }
        std::vector<uint8_t> rgb(static_cast<size_t>(dw) * dh * 3);
        PaletteToRgb(source.data(), sw, sh, dw, dh, rgb.data(), &palette);
    }
    return RunFuzzInput(data, size, ReadPalettes);
}
