// The soundtrack's drums and noises: kick, snare, hi-hats, crash, and the
// rising and reversed sweeps that lead into a new section. Each call renders
// one hit from its onset until it has died away, as a stereo sound the caller
// owns; seed picks the noise, so the same seed gives the same hit.
#pragma once

#include "tools/data/music/mix.h"

#include <cstdint>

// A deep kick: a sine falling from about 160 Hz to 48 Hz with a short click.
StereoTrack RenderKick();

// A snare: a tuned body and a burst of bright noise.
StereoTrack RenderSnare(uint32_t seed);

// A hand clap: three quick noise bursts and a short tail.
StereoTrack RenderClap(uint32_t seed);

// A hi-hat: metallic square partials and noise, closed (short) or open.
StereoTrack RenderHat(bool open, uint32_t seed);

// A crash cymbal ringing about seconds, different noise on each side.
StereoTrack RenderCrash(double seconds, uint32_t seed);

// Noise whose band sweeps up and grows over seconds, ending at full level.
StereoTrack RenderRiser(double seconds, uint32_t seed);

// A crash played backwards over seconds: swells into the next downbeat.
StereoTrack RenderReverseCrash(double seconds, uint32_t seed);
