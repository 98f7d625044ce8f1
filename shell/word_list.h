// Space-separated lists of words: the driver's extension list, and the
// option names a program accepts. No state.
#pragma once

// Whether the list names word as a whole word: "GL_ARB_multitexture" is not
// found in "GL_ARB_multitexture_x". False for no list or an empty word.
bool ListHasWord(const char* list, const char* word);
