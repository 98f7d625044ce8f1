// The picture options of the command line; see picture_options.h.
#include "shell/picture_options.h"

#include "shell/picture_size.h"
#include "shell/word_list.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool ReadWholeNumber(const char* text, int32_t low, int32_t high, int32_t* value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || number < low || number > high) {
        return false;
    }
    *value = static_cast<int32_t>(number);
    return true;
}

PictureOptionResult ReadPictureOption(const char* name, const char* value, const char* allowed,
                                      PictureOptions* options, bool* usedValue,
                                      std::string* error) {
    *usedValue = false;
    static const char* const Known[] = {"--height", "--colour", "--supersample", "--hd"};
    bool known = false;
    for (const char* option : Known) {
        known = known || std::strcmp(name, option) == 0;
    }
    if (!known || !ListHasWord(allowed, name)) {
        return PictureOptionResult::NotPictureOption;
    }
    if (std::strcmp(name, "--hd") == 0) {
        options->fitDisplay = true;
        return PictureOptionResult::Taken;
    }
    if (value == nullptr) {
        *error = std::string(name) + " needs a value";
        return PictureOptionResult::Bad;
    }
    *usedValue = true;
    bool good = false;
    if (std::strcmp(name, "--height") == 0) {
        good =
            ReadWholeNumber(value, SmallestPictureHeight, LargestPictureHeight, &options->height);
        if (!good) {
            *error = std::string("bad value for --height: \"") + value + "\" (lines, 480 to 4320)";
        }
    } else if (std::strcmp(name, "--colour") == 0) {
        int32_t bits = 0;
        good = ReadWholeNumber(value, 16, 32, &bits) && (bits == 16 || bits == 32);
        options->colourBits = good ? bits : options->colourBits;
        if (!good) {
            *error = std::string("bad value for --colour: \"") + value + "\" (16 or 32)";
        }
    } else {
        good = ReadWholeNumber(value, 1, LargestSupersample, &options->supersample);
        if (!good) {
            *error = std::string("bad value for --supersample: \"") + value + "\" (1 to 4)";
        }
    }
    return good ? PictureOptionResult::Taken : PictureOptionResult::Bad;
}

PictureOptionResult TakePictureOption(int argc, const char* const* argv, int* i,
                                      const char* allowed, PictureOptions* options,
                                      std::string* error) {
    bool usedValue = false;
    const char* value = *i + 1 < argc ? argv[*i + 1] : nullptr;
    const PictureOptionResult result =
        ReadPictureOption(argv[*i], value, allowed, options, &usedValue, error);
    if (result == PictureOptionResult::Taken && usedValue) {
        ++*i;
    }
    return result;
}

int32_t DrawnPictureHeight(const PictureOptions& options) {
    return options.height * options.supersample;
}

void ApplyPictureOptions(const PictureOptions& options) {
    SetPictureHeight(DrawnPictureHeight(options));
    SetPictureColourBits(options.colourBits);
    SetPictureFollowsDisplay(options.fitDisplay);
}

std::string PictureOptionsUsage(const char* allowed) {
    static const struct {
        const char* name;
        const char* help;
    } Lines[] = {
        {"--height", "  --height H        draw H lines, 480 to 4320, 4H/3 wide (default 480)\n"},
        {"--hd", "  --hd              draw at the height the picture fills on the display\n"},
        {"--colour", "  --colour 16|32    16: 5-6-5 colour, 16-bit depth (default); 32: 8-bit\n"
                     "                    channels, 24-bit depth\n"},
        {"--supersample", "  --supersample N   draw N times the lines and average N x N blocks\n"
                          "                    down, 1 to 4 (default 1)\n"},
    };
    std::string text;
    for (const auto& line : Lines) {
        if (ListHasWord(allowed, line.name)) {
            text += line.help;
        }
    }
    return text;
}
