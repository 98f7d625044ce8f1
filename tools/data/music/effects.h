// Effects that run over whole tracks of the soundtrack: reverb, echo, the
// tape stop that ends the show, and the master's limiter. Each takes its input
// by reference and returns or changes a track of the same length.
#pragma once

#include "tools/data/music/mix.h"

// A room: the input's two channels summed, through eight damped comb filters
// and four all-passes per side (the right side's delays slightly longer, for
// width). roomSize 0…1 sets the decay, damping 0…1 dulls the tail.
StereoTrack RenderReverb(const StereoTrack& input, float roomSize, float damping);

// An echo that bounces between the speakers every delaySeconds; each repeat
// is feedback times the last and loses its highs above toneHz.
StereoTrack RenderPingPongEcho(const StereoTrack& input, double delaySeconds, float feedback,
                               float toneHz);

// Slows the track down like a stopping tape from startSeconds until it halts
// at stopSeconds (the pitch falls with the speed); silence after.
void ApplyTapeStop(StereoTrack& track, double startSeconds, double stopSeconds);

// Removes any DC, scales the track so that its highest peak stands at
// overdrive, rounds off everything above knee smoothly (a gentle limiter:
// drums lose a little of their spikes, not their punch), and scales the
// result so that its highest peak is exactly peak (0…1).
void FinishMaster(StereoTrack& track, float overdrive, float knee, float peak);
