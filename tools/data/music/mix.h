// The soundtrack's mixing desk. Every note is rendered on its own as a short
// stereo sound and added into the buses at its onset; the effects (reverb,
// echo, the kick's ducking) then run once over whole buses. The mix owns its
// buses; all of them are MusicRate frames per second and equally long.
#pragma once

#include <cstddef>
#include <vector>

constexpr int MusicRate = 44100;

// A stereo run of samples at MusicRate; full scale is ±1.
struct StereoTrack {
    std::vector<float> left;
    std::vector<float> right;
};

// Silence of the given number of frames.
StereoTrack NewStereoTrack(size_t frames);

// Frames in seconds of sound, rounded to the nearest frame.
size_t SecondsToFrames(double seconds);

// How one sound enters the mix: its level, its place between the speakers
// (-1 left … 1 right), how much of it feeds the reverb and the echo, and
// whether the kick pumps it.
struct MixSend {
    float level;
    float pan;
    float reverb;
    float delay;
    bool ducked;
};

struct MusicMix {
    StereoTrack dry;              // drums and leads, as played
    StereoTrack ducked;           // bass, pads and chords: dipped under each kick
    StereoTrack reverbSend;       // what the reverb hears
    StereoTrack delaySend;        // what the echo hears
    std::vector<float> duckDepth; // 0…1 per frame: how far the ducked bus dips
};

// An empty mix of the given length in seconds.
MusicMix NewMusicMix(double seconds);

// Adds sound, starting at startSeconds, into the buses that send names.
// Whatever runs past the end of the mix is dropped.
void AddSound(MusicMix& mix, double startSeconds, const StereoTrack& sound, const MixSend& send);

// Marks a kick at startSeconds (level 0…1): the ducked bus dips under it.
void AddDuck(MusicMix& mix, double startSeconds, float level);

// Runs the effects (the echo repeats every echoSeconds) and sums the buses
// into one stereo track, not yet limited or normalised.
StereoTrack MixDown(const MusicMix& mix, double echoSeconds);
