// Sound output and one streamed music file, over SDL2_mixer.
#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

static bool AudioOpen;
static Mix_Music* Music;

bool CheckMixerVersion(char* text, int size) {
    SDL_version built;
    SDL_MIXER_VERSION(&built);
    const SDL_version* linked = Mix_Linked_Version();
    if (linked->major == built.major && linked->minor >= built.minor) {
        return true;
    }
    std::snprintf(text, static_cast<size_t>(size), "built for %d.%d.%d, found %d.%d.%d",
                  built.major, built.minor, built.patch, linked->major, linked->minor,
                  linked->patch);
    return false;
}

bool OpenAudioOutput(int rate) {
    if (AudioOpen) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(rate, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    AudioOpen = true;
    return true;
}

static void FreeStream() {
    if (Music != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(Music);
        Music = nullptr;
    }
}

bool OpenMusicStream(const char* path) {
    FreeStream();
    Music = Mix_LoadMUS(path);
    return Music != nullptr;
}

bool PlayMusicStream() {
    return Music != nullptr && Mix_PlayMusic(Music, 0) == 0;
}

void CloseAudio() {
    FreeStream();
    if (AudioOpen) {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        AudioOpen = false;
    }
}
