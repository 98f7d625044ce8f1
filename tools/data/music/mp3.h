// MP3 encoding of the soundtrack with LAME's libmp3lame.
#pragma once

#include "tools/data/music/mix.h"

#include <cstdint>
#include <vector>

// Encodes a 44.1 kHz stereo track (samples within ±1) as a constant-bitrate
// MP3 of kbps kilobits a second, with the encoder's info frame first so that
// players know the exact length. Returns the file's bytes; a failure of the
// encoder ends the program through FatalError.
std::vector<uint8_t> EncodeMp3(const StereoTrack& track, int kbps);
