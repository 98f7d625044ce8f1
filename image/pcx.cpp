// Placeholder until the reader lands.
#include "image/pcx.h"
#include "shell/fatal.h"

int LoadPcx(const char* path) {
    FatalError("Error opening %s", path);
}
