// MP3 encoding with libmp3lame. LAME is deterministic for the same input and
// settings, so the same track always gives the same bytes.
#include "tools/data/music/mp3.h"

#include "shell/fatal.h"

#include <lame/lame.h>

#include <algorithm>
#include <cassert>

std::vector<uint8_t> EncodeMp3(const StereoTrack& track, int kbps) {
    assert(track.left.size() == track.right.size());
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        FatalError("Cannot start the MP3 encoder");
    }
    lame_set_in_samplerate(lame, MusicRate);
    lame_set_out_samplerate(lame, MusicRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_VBR(lame, vbr_off);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        FatalError("Cannot set up the MP3 encoder for %d kbit/s", kbps);
    }

    std::vector<uint8_t> mp3;
    // LAME's own bound for one call's output: 1.25 × samples + 7200 bytes.
    constexpr int Chunk = 8192;
    std::vector<uint8_t> buffer(Chunk * 5 / 4 + 7200);
    size_t frames = track.left.size();
    for (size_t offset = 0; offset < frames; offset += Chunk) {
        int count = static_cast<int>(std::min<size_t>(Chunk, frames - offset));
        int written = lame_encode_buffer_ieee_float(lame, track.left.data() + offset,
                                                    track.right.data() + offset, count,
                                                    buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0) {
            lame_close(lame);
            FatalError("MP3 encoder failed (code %d)", written);
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    int written = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (written < 0) {
        lame_close(lame);
        FatalError("MP3 encoder failed at the end (code %d)", written);
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);

    // The info frame (length, encoder delay and padding) was left blank at
    // the start of the stream; fill it in now that the stream is complete.
    std::vector<uint8_t> info(4096);
    size_t infoSize = lame_get_lametag_frame(lame, info.data(), info.size());
    lame_close(lame);
    if (infoSize > 0 && infoSize <= mp3.size()) {
        std::copy(info.begin(), info.begin() + static_cast<long>(infoSize), mp3.begin());
    }
    return mp3;
}
