// Placeholder until the reader lands.
#include "image/palette.h"
#include "shell/fatal.h"

int ReadPaletteFile(const char* path, Palette*) {
    FatalError("Error opening %s", path);
}
int ReadTrailingPalette(const char* path, Palette*) {
    FatalError("Error opening %s", path);
}
void ExpandPalette(Image*, const Palette*) {}
void PaletteToRgb(const uint8_t*, int, int, int, int, uint8_t*, const Palette*) {}
