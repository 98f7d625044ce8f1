// What every fuzz target shares: each input is written to a scratch file in
// memory (the readers take paths), the reader runs with FatalError caught by
// a hook that long-jumps back, and every image it registered is freed afterwards,
// so that one refused input neither ends the run nor leaks.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the input to the scratch file and calls read with its path; returns
// 0 whether the reader accepted the file or refused it through FatalError.
int RunFuzzInput(const uint8_t* data, size_t size, void (*read)(const char* path));

// Ends the run with a crash report when a reader broke a promise that the
// sanitizers cannot see.
void FuzzCheck(bool condition, const char* what);
