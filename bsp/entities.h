// The player start in the level's entity text.
//
// No state. The entity text is a series of { "key" "value" ... } blocks; only
// the first player start's origin and angle are read, by plain text search.
#pragma once

#include <cstdint>

// Longest entity token copied, in characters (the copy holds one more byte).
constexpr int EntityTokenLength = 9;

// Searches BspData's entity text for the first "info_player_start" (else the
// first "info_player_deathmatch") and writes its origin and angle (degrees).
// Without either class nothing is written; without an "origin" after the
// start, position is not written.
void FindPlayerStart(float position[3], float* angle);

// The same search over any zero-terminated text.
void FindPlayerStartIn(const char* text, float position[3], float* angle);

// Copies characters of source to destination (EntityTokenLength + 1 bytes)
// up to a blank, the end of the text or EntityTokenLength characters, and
// terminates the copy. Returns where copying stopped in source.
const char* ReadEntityToken(const char* source, char* destination);
