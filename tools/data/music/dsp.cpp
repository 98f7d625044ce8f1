// Oscillators, filter, envelopes and noise for the soundtrack's instruments.
#include "tools/data/music/dsp.h"
#include "tools/data/music/math.h"

#include "tools/data/music/mix.h"

#include <algorithm>
#include <cassert>
#include <cmath>

double NoteFrequency(double note) {
    return 440.0 * PortableExp2((note - 69.0) / 12.0);
}

// The band-limited step's correction near a jump at phase 0: t is the phase,
// dt the phase step of one sample.
static double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Moves the phase on by one sample; returns the phase step.
static double AdvancePhase(Oscillator& oscillator, double hz) {
    double step = hz / MusicRate;
    oscillator.phase += step;
    oscillator.phase -= std::floor(oscillator.phase);
    return step;
}

float NextSaw(Oscillator& oscillator, double hz) {
    double step = AdvancePhase(oscillator, hz);
    double t = oscillator.phase;
    return static_cast<float>(2.0 * t - 1.0 - PolyBlep(t, step));
}

float NextSquare(Oscillator& oscillator, double hz) {
    double step = AdvancePhase(oscillator, hz);
    double t = oscillator.phase;
    double value = t < 0.5 ? 1.0 : -1.0;
    double shifted = t + 0.5;
    shifted -= std::floor(shifted);
    value += PolyBlep(t, step) - PolyBlep(shifted, step);
    return static_cast<float>(value);
}

float NextSine(Oscillator& oscillator, double hz) {
    AdvancePhase(oscillator, hz);
    return static_cast<float>(PortableSin(2.0 * M_PI * oscillator.phase));
}

void SetFilter(Filter& filter, double cutoffHz, float resonance) {
    double cutoff = std::clamp(cutoffHz, 10.0, 0.45 * MusicRate);
    double g = PortableTan(M_PI * cutoff / MusicRate);
    double k = 2.0 - 1.9 * std::clamp(resonance, 0.0f, 1.0f);
    double a1 = 1.0 / (1.0 + g * (g + k));
    filter.a1 = static_cast<float>(a1);
    filter.a2 = static_cast<float>(g * a1);
    filter.a3 = static_cast<float>(g * g * a1);
    filter.k = static_cast<float>(k);
}

FilterOutput RunFilter(Filter& filter, float input) {
    float v3 = input - filter.state2;
    float v1 = filter.a1 * filter.state1 + filter.a2 * v3;
    float v2 = filter.state2 + filter.a2 * filter.state1 + filter.a3 * v3;
    filter.state1 = 2.0f * v1 - filter.state1;
    filter.state2 = 2.0f * v2 - filter.state2;
    return {v2, v1, input - filter.k * v1 - v2};
}

// The level of a note still held t seconds after its start.
static double HeldLevel(const Envelope& envelope, double t) {
    if (t < envelope.attack) {
        double x = t / envelope.attack;
        return x * x * (3.0 - 2.0 * x);
    }
    double x = envelope.decay > 0.0f ? (t - envelope.attack) / envelope.decay : 1e9;
    return envelope.sustain + (1.0 - envelope.sustain) * PortableExp(-x);
}

float EnvelopeLevel(const Envelope& envelope, double t, double gate) {
    assert(envelope.attack > 0.0f && envelope.release > 0.0f);
    if (t < 0.0) {
        return 0.0f;
    }
    if (t < gate) {
        return static_cast<float>(HeldLevel(envelope, t));
    }
    double x = (t - gate) / envelope.release;
    if (x >= 1.0) {
        return 0.0f;
    }
    return static_cast<float>(HeldLevel(envelope, gate) * (1.0 - x) * (1.0 - x));
}

float NextNoise(Noise& noise) {
    assert(noise.state != 0);
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return static_cast<float>(static_cast<double>(x) / 2147483648.0 - 1.0);
}
