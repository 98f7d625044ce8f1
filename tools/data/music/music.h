// The show's soundtrack, synthesised and encoded as MP3.
#pragma once

#include <string>

// Writes "music/velt2002.mp3" under dir (with a progress line); ends the
// program through FatalError when it cannot be encoded or written.
void WriteMusicFiles(const std::string& dir);
