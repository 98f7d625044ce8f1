// The soundtrack: one MP3 file streamed from disk and played once.
//
// The stream and the output device live in the platform layer; this file
// only maps their failures to the program's messages. Every failure happens
// after loading and before the first frame.
#pragma once

// Opens the default sound output at 44100 Hz and the stream of path.
// Failures end the program through FatalError.
void OpenMusic(const char* path);

// Starts the stream from its beginning; failure is fatal.
void PlayMusic();

// Stops the stream and releases it and the sound output.
void FreeMusic();
