// Placeholder until the reader lands.
#include "image/tga.h"
#include "shell/fatal.h"

int LoadTga(const char* path) {
    FatalError("Error opening %s", path);
}
bool DecodeTgaRle(const Image*, FILE*, int, std::vector<uint8_t>*) {
    return false;
}
void SwapRedBlue(Image*, int) {}
