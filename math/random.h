// The show's one pseudo-random integer generator.
//
// Owns the generator's state, which is never seeded: every run draws the same
// sequence (the particle colours of the swirl, the cube spins of the level).
// Only tests restart it, to see a sequence from its start whatever ran before.
#pragma once

#include <cstdint>

// Largest value NextRandom returns.
constexpr int32_t RandomMax = 32767;

// The next value of the sequence, 0 … RandomMax.
int32_t NextRandom();

// Restarts the sequence from its first value, as a fresh process has it.
void RestartRandom();
