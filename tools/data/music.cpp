// Placeholder until the soundtrack is synthesised.
#include "tools/data/music.h"

void WriteMusicFiles(const std::string&) {}
