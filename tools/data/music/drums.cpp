// Drums and noise sweeps of the soundtrack.
#include "tools/data/music/drums.h"
#include "tools/data/music/math.h"

#include "tools/data/music/dsp.h"

#include <algorithm>
#include <cmath>

// Fades the last fadeSeconds of a sound to zero along a half cosine, so that
// a cut-off tail makes no click.
static void FadeTail(StereoTrack& sound, double fadeSeconds) {
    size_t frames = sound.left.size();
    size_t fade = std::min(frames, SecondsToFrames(fadeSeconds));
    for (size_t i = 0; i < fade; ++i) {
        float gain = static_cast<float>(0.5 - 0.5 * PortableCos(M_PI * i / fade));
        sound.left[frames - 1 - i] *= gain;
        sound.right[frames - 1 - i] *= gain;
    }
}

// A 1 ms rise at the start, for hits whose first sample would jump.
static float Onset(double t) {
    return static_cast<float>(std::min(1.0, t / 0.001));
}

StereoTrack RenderKick() {
    size_t frames = SecondsToFrames(0.55);
    StereoTrack sound = NewStereoTrack(frames);
    Oscillator body;
    Noise noise = {0x6b1c5u};
    Filter click;
    SetFilter(click, 3000.0, 0.0f);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        double hz = 48.0 + 115.0 * PortableExp(-t / 0.035) + 250.0 * PortableExp(-t / 0.004);
        float level = static_cast<float>(PortableExp(-t / 0.22));
        float value = level * NextSine(body, hz);
        value += 0.25f * static_cast<float>(PortableExp(-t / 0.006)) *
                 RunFilter(click, NextNoise(noise)).band;
        float out = 0.95f * Onset(t) * PortableTanh(1.4f * value) / PortableTanh(1.4f);
        sound.left[i] = out;
        sound.right[i] = out;
    }
    FadeTail(sound, 0.05);
    return sound;
}

StereoTrack RenderSnare(uint32_t seed) {
    size_t frames = SecondsToFrames(0.4);
    StereoTrack sound = NewStereoTrack(frames);
    Oscillator low, high;
    Noise noise = {seed | 1u};
    Filter band, air;
    SetFilter(band, 4200.0, 0.2f);
    SetFilter(air, 7000.0, 0.0f);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        double drop = 1.0 + 0.5 * PortableExp(-t / 0.01);
        float tone = static_cast<float>(PortableExp(-t / 0.06)) *
                     (0.6f * NextSine(low, 185.0 * drop) + 0.3f * NextSine(high, 330.0 * drop));
        float hiss = NextNoise(noise);
        float bright = RunFilter(band, hiss).band * 1.2f + 0.7f * RunFilter(air, hiss).band;
        float rattle = static_cast<float>(PortableExp(-t / 0.13)) * bright;
        float out = 0.8f * Onset(t) * (tone + 0.7f * rattle);
        sound.left[i] = out;
        sound.right[i] = out;
    }
    FadeTail(sound, 0.05);
    return sound;
}

StereoTrack RenderClap(uint32_t seed) {
    size_t frames = SecondsToFrames(0.3);
    StereoTrack sound = NewStereoTrack(frames);
    Noise noise = {seed | 1u};
    Filter band;
    SetFilter(band, 1400.0, 0.3f);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        // Three hands 11 ms apart, then the room.
        double bursts = 0.0;
        for (int k = 0; k < 3; ++k) {
            double since = t - 0.011 * k;
            if (since >= 0.0) {
                bursts = std::max(bursts, PortableExp(-since / 0.004));
            }
        }
        double tail = t >= 0.022 ? 0.6 * PortableExp(-(t - 0.022) / 0.09) : 0.0;
        float out = 1.3f * Onset(t) * static_cast<float>(std::max(bursts, tail)) *
                    RunFilter(band, NextNoise(noise)).band;
        sound.left[i] = out;
        sound.right[i] = out;
    }
    FadeTail(sound, 0.04);
    return sound;
}

// The six square partials of an analogue drum machine's cymbals, in Hz.
static constexpr double MetalPartials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};

// One channel of metal: the partials (raised by pitch) and noise, high-passed.
struct Metal {
    Oscillator partials[6];
    Filter band, high;
    Noise noise;
};

static float NextMetal(Metal& metal, double pitch) {
    float sum = 0.0f;
    for (int k = 0; k < 6; ++k) {
        sum += NextSquare(metal.partials[k], MetalPartials[k] * pitch);
    }
    float mixed = 0.12f * sum + 0.6f * NextNoise(metal.noise);
    float ring = RunFilter(metal.band, mixed).band;
    return RunFilter(metal.high, ring).high;
}

static Metal NewMetal(uint32_t seed, double bandHz) {
    Metal metal;
    metal.noise = {seed | 1u};
    for (Oscillator& partial : metal.partials) {
        partial.phase = 0.5 * (NextNoise(metal.noise) + 1.0);
    }
    SetFilter(metal.band, bandHz, 0.3f);
    SetFilter(metal.high, 6500.0, 0.0f);
    return metal;
}

StereoTrack RenderHat(bool open, uint32_t seed) {
    double decay = open ? 0.22 : 0.035;
    size_t frames = SecondsToFrames(open ? 0.7 : 0.15);
    StereoTrack sound = NewStereoTrack(frames);
    Metal metal = NewMetal(seed, 10000.0);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        float out = Onset(t) * static_cast<float>(PortableExp(-t / decay)) * NextMetal(metal, 1.7);
        sound.left[i] = out;
        sound.right[i] = out;
    }
    FadeTail(sound, 0.03);
    return sound;
}

StereoTrack RenderCrash(double seconds, uint32_t seed) {
    size_t frames = SecondsToFrames(seconds);
    StereoTrack sound = NewStereoTrack(frames);
    Metal left = NewMetal(seed, 8000.0), right = NewMetal(seed * 7919u + 17u, 8500.0);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        float level = Onset(t) * static_cast<float>(0.3 * PortableExp(-t / 0.05) +
                                                    0.7 * PortableExp(-t / (0.3 * seconds)));
        sound.left[i] = 2.0f * level * NextMetal(left, 1.3);
        sound.right[i] = 2.0f * level * NextMetal(right, 1.31);
    }
    FadeTail(sound, 0.3 * seconds);
    return sound;
}

StereoTrack RenderRiser(double seconds, uint32_t seed) {
    size_t frames = SecondsToFrames(seconds);
    StereoTrack sound = NewStereoTrack(frames);
    Noise left = {seed | 1u}, right = {(seed * 2654435761u) | 1u};
    Filter filterLeft, filterRight;
    for (size_t i = 0; i < frames; ++i) {
        double x = static_cast<double>(i) / static_cast<double>(frames);
        if (i % 16 == 0) {
            double hz = 300.0 * PortableExp2(5.321928094887363 * x); // 300 · 40^x
            SetFilter(filterLeft, hz, 0.55f);
            SetFilter(filterRight, hz * 1.05, 0.55f);
        }
        float level = static_cast<float>(x * x);
        sound.left[i] = level * RunFilter(filterLeft, NextNoise(left)).band;
        sound.right[i] = level * RunFilter(filterRight, NextNoise(right)).band;
    }
    FadeTail(sound, 0.01);
    return sound;
}

StereoTrack RenderReverseCrash(double seconds, uint32_t seed) {
    StereoTrack sound = RenderCrash(seconds, seed);
    std::reverse(sound.left.begin(), sound.left.end());
    std::reverse(sound.right.begin(), sound.right.end());
    FadeTail(sound, 0.01);
    return sound;
}
