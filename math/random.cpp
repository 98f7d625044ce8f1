// A classic C-runtime style linear congruential generator (multiplier 214013,
// increment 2531011, bits 16…30 of the state), starting from state 1 as an
// unseeded runtime does.
#include "math/random.h"

static constexpr uint32_t FirstRandomState = 1;
static uint32_t RandomState = FirstRandomState;

int32_t NextRandom() {
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7fffu);
}

void RestartRandom() {
    RandomState = FirstRandomState;
}
