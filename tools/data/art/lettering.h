// Lettering for the pictures: text rendered through FreeType from the
// DejaVu fonts that Debian installs (fonts-dejavu-core), as coverage masks.
#pragma once

#include "tools/data/art/canvas.h"

#include <string>

// Font files, by style.
extern const char* const LetteringBold;          // DejaVu Sans Bold
extern const char* const LetteringCondensedBold; // DejaVu Sans Condensed Bold
extern const char* const LetteringSerifBold;     // DejaVu Serif Bold

// Rendered text: coverage 0...1 tight round the ink, and where the pen
// started on the baseline, in the mask's pixels.
struct TextMask {
    Mask mask;
    float originX;
    float baselineY;
};

// Renders one line of text with the font's em at size pixels, stretched by
// stretchX and stretchY, with tracking pixels added after every letter.
// Ends the program through FatalError when the font cannot be read.
TextMask RenderText(const char* fontFile, const std::string& text, float size, float stretchX,
                    float stretchY, float tracking);

// Adds source into target (clamped to 1) with source's top left corner at
// (left, top), shifted by a fraction of a pixel through bilinear weights.
void StampMask(Mask& target, const Mask& source, float left, float top);
