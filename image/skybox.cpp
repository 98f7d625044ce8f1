// Placeholder until the reader lands.
#include "image/skybox.h"
#include "shell/fatal.h"

Skybox* LoadSkybox(const char*, int, int) {
    return nullptr;
}
void UploadSkybox(Skybox*) {}
void DrawSkybox(const Skybox*, const Camera*) {}
void FreeSkybox(Skybox*) {}
