// The soundtrack's tonal instruments: a detuned-saw pad, a plucked arpeggio
// voice, a sub bass and a filtered lead. Each call renders one note (or one
// chord, for the pad) from its onset to the end of its release, as a stereo
// sound the caller owns and adds to the mix. Notes are MIDI numbers and may
// carry fractions; the same arguments always give the same samples.
#pragma once

#include "tools/data/music/dsp.h"
#include "tools/data/music/mix.h"

#include <vector>

// A chord of five detuned sawtooths per note spread across the speakers,
// through a slowly breathing low-pass at about cutoffHz; soft attack, long
// release after gate seconds.
StereoTrack RenderPad(const std::vector<int>& notes, double gate, float cutoffHz);

// A short plucked note (saw and square, a little detuned) whose low-pass
// closes from cutoffHz over about decaySeconds.
StereoTrack RenderPluck(double note, float cutoffHz, float decaySeconds);

// A bass note held gate seconds: a sine for weight and a sawtooth whose
// low-pass snaps shut from cutoffHz, lightly saturated.
StereoTrack RenderBass(double note, double gate, float cutoffHz);

// How a lead sounds.
struct LeadSound {
    int voices;         // sawtooths, 1…9
    float detuneCents;  // the outermost voices' detune either way
    float width;        // the outermost voices' place, 0 (middle) … 1 (speakers)
    float squareLevel;  // a square an octave down, for body, 0…1
    float cutoffHz;     // the low-pass at rest
    float sweepHz;      // how far above rest the low-pass opens at the onset
    float sweepSeconds; // how fast it closes again
    float resonance;    // 0…1
    float vibratoCents; // depth of the vibrato that fades in on long notes
    Envelope amplitude;
};

// One lead note held gate seconds.
StereoTrack RenderLead(double note, double gate, const LeadSound& sound);
