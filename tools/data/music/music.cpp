// The soundtrack: synthesise, encode, write.
#include "tools/data/music/music.h"

#include "tools/data/music/mp3.h"
#include "tools/data/music/score.h"
#include "tools/data/output.h"

// 256 kbit/s keeps the detuned saws and the cymbals clean.
static constexpr int SoundtrackKbps = 256;

void WriteMusicFiles(const std::string& dir) {
    StereoTrack master = RenderSoundtrack();
    WriteDataFile(dir, "music/velt2002.mp3", EncodeMp3(master, SoundtrackKbps));
}
