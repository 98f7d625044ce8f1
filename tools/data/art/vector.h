// Three-float vectors for the generator's shape and direction work (the
// cat's distance field, the skybox's directions). Plain values, no state.
#pragma once

#include <array>

using ArtVec = std::array<float, 3>;

inline ArtVec Add(ArtVec a, ArtVec b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline ArtVec Sub(ArtVec a, ArtVec b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline ArtVec Scale(ArtVec a, float k) {
    return {a[0] * k, a[1] * k, a[2] * k};
}
inline float Dot(ArtVec a, ArtVec b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
