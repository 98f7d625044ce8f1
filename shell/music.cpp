// The soundtrack: one MP3 file streamed from disk and played once.
#include "shell/music.h"

#include "platform/audio.h"
#include "shell/fatal.h"

void OpenMusic(const char* path) {
    char versions[128];
    if (!CheckMixerVersion(versions, sizeof versions)) {
        FatalError("Incorrect SDL2_mixer library: %s", versions);
    }
    if (!OpenAudioOutput(44100)) {
        FatalError("Can't initialize digital sound system");
    }
    if (!OpenMusicStream(path)) {
        FatalError("Can't create stream");
    }
}

void PlayMusic() {
    if (!PlayMusicStream()) {
        FatalError("Can't play stream");
    }
}

void FreeMusic() {
    CloseAudio();
}
