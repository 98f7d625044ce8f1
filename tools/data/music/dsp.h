// Building blocks of the soundtrack's instruments: band-limited oscillators,
// a state-variable filter, envelopes and a seeded noise source. Each block is
// a small record the caller owns and steps one sample at a time; nothing here
// keeps state of its own, so a sound depends only on its arguments.
#pragma once

#include <cstdint>

// Frequency in Hz of a MIDI note number (69 = A4 = 440 Hz); fractions detune.
double NoteFrequency(double note);

// A phase running 0…1 at a frequency; the oscillators read it.
struct Oscillator {
    double phase = 0.0;
};

// Advances the oscillator by one sample at hz and returns a sawtooth (-1…1)
// with its jump smoothed by a polynomial band-limited step (PolyBLEP), so
// that high notes do not alias.
float NextSaw(Oscillator& oscillator, double hz);

// As NextSaw, a square wave (-1…1) with both edges smoothed.
float NextSquare(Oscillator& oscillator, double hz);

// As NextSaw, a sine.
float NextSine(Oscillator& oscillator, double hz);

// A two-pole state-variable filter (the trapezoidal "zero-delay" form, which
// stays stable as its cutoff moves every sample). Set it, then run it.
struct Filter {
    float a1 = 0.0f, a2 = 0.0f, a3 = 0.0f, k = 2.0f;
    float state1 = 0.0f, state2 = 0.0f;
};

struct FilterOutput {
    float low, band, high;
};

// Cutoff in Hz (kept below 45% of the rate); resonance 0 (none) … 1 (rings).
void SetFilter(Filter& filter, double cutoffHz, float resonance);

// Runs one sample through the filter; the three responses share the state.
FilterOutput RunFilter(Filter& filter, float input);

// Attack, decay and release in seconds; sustain a level 0…1.
struct Envelope {
    float attack, decay, sustain, release;
};

// The envelope's level (0…1) t seconds into a note held gate seconds. The
// attack rises smoothly, the decay falls exponentially to the sustain, and
// the release reaches exactly 0 with zero slope at gate + release, so notes
// start and end without clicks.
float EnvelopeLevel(const Envelope& envelope, double t, double gate);

// A seeded white-noise source (xorshift32); never seed it with 0.
struct Noise {
    uint32_t state;
};

// The next noise sample, uniform in -1…1.
float NextNoise(Noise& noise);
