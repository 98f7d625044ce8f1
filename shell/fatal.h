// The one way a load-time failure ends the program.
//
// FatalError formats its message (at most 1023 characters; longer ones are
// cut), restores the display, writes the message to standard error, shows it
// in a box titled "Error" where a box can be shown, and exits with status 1.
// A hook lets a test or fuzz harness take the message instead; the hook must
// not return (it long-jumps or exits), or the normal path follows.
#pragma once

// Longest message kept, in characters; the buffer holds one more byte.
constexpr int FatalErrorMessageSize = 1024;

using FatalErrorHook = void (*)(const char* message);

// printf-style; never returns.
[[noreturn]] void FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Routes FatalError's formatted message to hook first (nullptr removes it).
void SetFatalErrorHook(FatalErrorHook hook);
