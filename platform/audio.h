// Sound output and one streamed music file, over SDL2_mixer.
//
// Owns the mixer's output device and the one music stream; both are
// file-static. The stream decodes on SDL's audio thread; nothing here is
// shared with it beyond what SDL_mixer guards itself.
#pragma once

// Checks that the SDL2_mixer found at run time is the series this program was
// built against (same major version, no older minor). On a mismatch writes
// both versions into text (size bytes) and returns false.
bool CheckMixerVersion(char* text, int size);

// Opens the default output device at rate Hz, 16-bit stereo; false on failure.
bool OpenAudioOutput(int rate);

// Opens path as a music stream, replacing any earlier one; false when the file
// cannot be opened or decoded.
bool OpenMusicStream(const char* path);

// Starts the stream from its beginning, played once; false on failure.
bool PlayMusicStream();

// Stops and frees the stream, then closes the output; safe to call twice.
void CloseAudio();
