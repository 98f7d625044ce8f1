// The soundtrack's arrangement: tempo, chords, melodies and drum patterns,
// laid out against the show's scenes, and rendered into the finished master.
#pragma once

#include "tools/data/music/mix.h"

// Length of the soundtrack in seconds: the show's switch-off ends at about
// 125.4 s; a short tail follows.
constexpr double SoundtrackSeconds = 127.5;

// The whole soundtrack, mixed, limited and normalised to a peak of 0.89
// (about -1 dB, room for the encoder's overshoot). Takes a few seconds.
StereoTrack RenderSoundtrack();
