// The show's one pseudo-random integer generator.
//
// Owns the generator's state, which is never seeded: every run draws the same
// sequence (the particle colours of the swirl, the cube spins of the level).
#pragma once

#include <cstdint>

// Largest value NextRandom returns.
constexpr int32_t RandomMax = 32767;

// The next value of the sequence, 0 … RandomMax.
int32_t NextRandom();
