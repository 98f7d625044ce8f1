// The soundtrack's mixing desk: buses, panning, ducking and the final sum.
#include "tools/data/music/mix.h"
#include "tools/data/music/math.h"

#include "tools/data/music/effects.h"

#include <algorithm>
#include <cassert>
#include <cmath>

StereoTrack NewStereoTrack(size_t frames) {
    StereoTrack track;
    track.left.assign(frames, 0.0f);
    track.right.assign(frames, 0.0f);
    return track;
}

size_t SecondsToFrames(double seconds) {
    assert(seconds >= 0.0);
    return static_cast<size_t>(std::lround(seconds * MusicRate));
}

MusicMix NewMusicMix(double seconds) {
    size_t frames = SecondsToFrames(seconds);
    MusicMix mix;
    mix.dry = NewStereoTrack(frames);
    mix.ducked = NewStereoTrack(frames);
    mix.reverbSend = NewStereoTrack(frames);
    mix.delaySend = NewStereoTrack(frames);
    mix.duckDepth.assign(frames, 0.0f);
    return mix;
}

// Adds gain × sound into track from frame start on.
static void AddInto(StereoTrack& track, size_t start, const StereoTrack& sound, float leftGain,
                    float rightGain) {
    size_t frames = track.left.size();
    if (start >= frames) {
        return;
    }
    size_t count = std::min(sound.left.size(), frames - start);
    for (size_t i = 0; i < count; ++i) {
        track.left[start + i] += leftGain * sound.left[i];
        track.right[start + i] += rightGain * sound.right[i];
    }
}

void AddSound(MusicMix& mix, double startSeconds, const StereoTrack& sound, const MixSend& send) {
    assert(sound.left.size() == sound.right.size());
    size_t start = SecondsToFrames(std::max(0.0, startSeconds));
    // Constant-power balance, unity in the middle.
    double angle = (std::clamp(send.pan, -1.0f, 1.0f) + 1.0) * M_PI / 4.0;
    float leftGain = static_cast<float>(PortableCos(angle) * M_SQRT2);
    float rightGain = static_cast<float>(PortableSin(angle) * M_SQRT2);
    float left = send.level * leftGain;
    float right = send.level * rightGain;
    AddInto(send.ducked ? mix.ducked : mix.dry, start, sound, left, right);
    if (send.reverb > 0.0f) {
        AddInto(mix.reverbSend, start, sound, left * send.reverb, right * send.reverb);
    }
    if (send.delay > 0.0f) {
        AddInto(mix.delaySend, start, sound, left * send.delay, right * send.delay);
    }
}

void AddDuck(MusicMix& mix, double startSeconds, float level) {
    // The dip: down in 4 ms, held 30 ms, back up over about 200 ms.
    constexpr double Attack = 0.004, Hold = 0.03, Recover = 0.2;
    size_t start = SecondsToFrames(startSeconds);
    size_t length = SecondsToFrames(Attack + Hold + Recover);
    for (size_t i = 0; i < length && start + i < mix.duckDepth.size(); ++i) {
        double t = static_cast<double>(i) / MusicRate;
        double shape = 1.0;
        if (t < Attack) {
            shape = t / Attack;
        } else if (t > Attack + Hold) {
            double x = (t - Attack - Hold) / Recover;
            shape = (1.0 - x) * (1.0 - x);
        }
        float& depth = mix.duckDepth[start + i];
        depth = std::max(depth, static_cast<float>(level * shape));
    }
}

StereoTrack MixDown(const MusicMix& mix, double echoSeconds) {
    size_t frames = mix.dry.left.size();
    StereoTrack reverb = RenderReverb(mix.reverbSend, 0.86f, 0.35f);
    StereoTrack echo = RenderPingPongEcho(mix.delaySend, echoSeconds, 0.42f, 3500.0f);
    StereoTrack master = NewStereoTrack(frames);
    for (size_t i = 0; i < frames; ++i) {
        float pump = 1.0f - 0.55f * mix.duckDepth[i];
        master.left[i] =
            mix.dry.left[i] + pump * mix.ducked.left[i] + reverb.left[i] + echo.left[i];
        master.right[i] =
            mix.dry.right[i] + pump * mix.ducked.right[i] + reverb.right[i] + echo.right[i];
    }
    return master;
}
