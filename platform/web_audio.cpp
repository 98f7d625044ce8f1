// Sound output and the music file in a web page: the browser's own audio
// element plays the MP3 from the site (or from the viewer's own files),
// streamed as the native build streams it from disk; the show's clock
// follows its position.
//
// State: the page's one audio element, made by OpenMusicStream, and the
// clock derived from it, both kept by the page. The page notes at load time
// which music files the data has (page.js), so a missing file fails here as
// it does natively. Browsers start sound only after a click or key; the
// entry point calls PlayMusicStream from the click.
#include "platform/audio.h"
#include "platform/web_page.h"

#include <emscripten.h>

EM_JS(int, PageOpenMusic, (const char* path), {
    const page = Module["page"];
    return page && page.openMusic(UTF8ToString(path)) ? 1 : 0;
});

EM_JS(int, PagePlayMusic, (), {
    const page = Module["page"];
    return page && page.playMusic() ? 1 : 0;
});

EM_JS(void, PageStopMusic, (), {
    const page = Module["page"];
    if (page) {
        page.stopMusic();
    }
});

EM_JS(double, PageMusicClock, (), {
    const page = Module["page"];
    return page ? page.readShowClock() : 0;
});

EM_JS(void, PageSceneEnd, (int row), {
    const page = Module["page"];
    if (page) {
        page.sceneEnded(row);
    }
});

int64_t ReadMusicClock() {
    return static_cast<int64_t>(PageMusicClock() * 1e6 + 0.5);
}

void NoteSceneEnd(int row) {
    PageSceneEnd(row);
}

// The browser is the mixer; there is no library version to compare.
bool CheckMixerVersion(char*, int) {
    return true;
}

// The browser chooses its own output rate.
bool OpenAudioOutput(int) {
    return true;
}

bool OpenMusicStream(const char* path) {
    return PageOpenMusic(path) != 0;
}

bool PlayMusicStream() {
    return PagePlayMusic() != 0;
}

void CloseAudio() {
    PageStopMusic();
}
