// The command-line options that choose the picture's size and colour,
// shared by the player and the tools: --height H, --colour 16|32,
// --supersample N (recordings only) and --hd (the player and the page).
//
// Parsing owns nothing beyond the record it fills; ApplyPictureOptions sets
// the picture size before the display opens.
#pragma once

#include <cstdint>
#include <string>

struct PictureOptions {
    int32_t height = 480;    // lines of the written or shown picture
    int32_t colourBits = 16; // 16: 5-6-5 and 16-bit depth; 32: 8-bit channels and 24-bit depth
    int32_t supersample = 1; // drawn at this many times the lines, averaged down
    bool fitDisplay = false; // --hd: the height of the area the picture fills on the display
};

// What ReadPictureOption made of an argument.
enum class PictureOptionResult { NotPictureOption, Taken, Bad };

// Reads the option name (with value, which may be null when it is the last
// argument) into options when it is one of the picture options that allowed
// names (a space-separated list such as "--height --colour"). Sets *usedValue
// when the value was consumed; on Bad, error says why.
PictureOptionResult ReadPictureOption(const char* name, const char* value, const char* allowed,
                                      PictureOptions* options, bool* usedValue, std::string* error);

// ReadPictureOption on argv[*i] (and the value after it): on Taken, *i moves
// past what was read.
PictureOptionResult TakePictureOption(int argc, const char* const* argv, int* i,
                                      const char* allowed, PictureOptions* options,
                                      std::string* error);

// Reads a whole decimal number in [low, high] from text; false for anything
// else (signs, spaces, trailing characters, overflow).
bool ReadWholeNumber(const char* text, int32_t low, int32_t high, int32_t* value);

// The drawn picture's height: height x supersample.
int32_t DrawnPictureHeight(const PictureOptions& options);

// Sets the picture's drawn size and colour for the display that opens next;
// --hd is settled when the display opens (OpenDisplay reads the desktop).
void ApplyPictureOptions(const PictureOptions& options);

// The help lines of the picture options in allowed, for a usage text.
std::string PictureOptionsUsage(const char* allowed);
