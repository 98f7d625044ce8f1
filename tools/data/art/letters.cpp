// The eleven letter pictures of the flying name "Hyzvupst Dovsat".
//
// Each picture is drawn on its own quad (1 x 1, 0.5 x 0.5, or 0.25 x 1 view
// units for the v) at a fixed place in the word, and the two words share
// the v, s and t pictures at different offsets. The glyph inside each
// picture is placed so that, on screen, all letters share one baseline and
// step evenly through both words; the centres below (in quad units from the
// quad's left edge) were worked out from the two words' quad positions.
// The quads show a picture's right edge at their left, so every glyph is
// stored mirrored left to right. The pictures have no alpha channel and are
// black round the glyph: they are added onto a black frame and faded by the
// colour's alpha.
#include "tools/data/art/parts.h"

#include "image/tga_write.h"
#include "tools/data/art/lettering.h"
#include "tools/data/output.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {
struct LetterPicture {
    char letter;
    float quadWidth;   // view units
    float quadHeight;  // view units
    float quadBottom;  // view y of the quad's lower edge
    float glyphCentre; // view units from the quad's left edge
    bool capital;
};

// In the order of the name's letter slots.
const LetterPicture LetterPictures[] = {
    {'H', 1.0f, 1.0f, -0.4f, 0.765f, true},   {'y', 0.5f, 0.5f, -0.28f, 0.375f, false},
    {'z', 0.5f, 0.5f, -0.25f, 0.33f, false},  {'v', 0.25f, 1.0f, -0.35f, 0.155f, false},
    {'u', 0.5f, 0.5f, -0.25f, 0.345f, false}, {'p', 0.5f, 0.5f, -0.25f, 0.32f, false},
    {'s', 0.5f, 0.5f, -0.23f, 0.32f, false},  {'t', 0.5f, 0.5f, -0.25f, 0.30f, false},
    {'D', 1.0f, 1.0f, -0.4f, 0.70f, true},    {'o', 0.5f, 0.5f, -0.28f, 0.31f, false},
    {'a', 0.5f, 0.5f, -0.25f, 0.32f, false},
};

constexpr float TexelsPerUnit = 256.0f;
constexpr float Baseline = -0.10f;     // view y shared by all letters
constexpr float LetterSize = 0.27f;    // em of the small letters, view units
constexpr float CapitalScale = 1.35f;  // capitals are set larger
constexpr float LetterStretchY = 1.3f; // tall, narrow display lettering
constexpr float CapHeight = 0.34f;     // about the capitals' height, for the colour ramp

// Warm white at the top of the letters to amber at the baseline, with a
// cool blue halo round them.
Color LetterFill(float viewY) {
    float k = Clamp01((viewY - Baseline) / CapHeight);
    return MixColor(Color{1.0f, 0.55f, 0.12f}, Color{1.0f, 0.97f, 0.86f}, std::sqrt(k));
}

std::vector<uint8_t> DrawLetter(const LetterPicture& picture) {
    int width = static_cast<int>(picture.quadWidth * TexelsPerUnit);
    int height = static_cast<int>(picture.quadHeight * TexelsPerUnit);
    float size = LetterSize * TexelsPerUnit * (picture.capital ? CapitalScale : 1.0f);
    TextMask text = RenderText(LetteringCondensedBold, std::string(1, picture.letter), size, 1.0f,
                               LetterStretchY, 0.0f);

    // Picture row of the baseline: rows run down from the quad's top edge.
    float quadTop = picture.quadBottom + picture.quadHeight;
    float baselineRow = (quadTop - Baseline) * TexelsPerUnit;
    float left = picture.glyphCentre * TexelsPerUnit - text.mask.width * 0.5f;
    float top = baselineRow - text.baselineY;
    Mask ink = NewMask(width, height);
    StampMask(ink, text.mask, left, top);

    Mask nearGlow = BlurMask(ink, 2.0f);
    Mask farGlow = BlurMask(ink, 6.0f);
    Canvas canvas = NewCanvas(width, height);
    for (int y = 0; y < height; ++y) {
        float viewY = quadTop - (y + 0.5f) / TexelsPerUnit;
        Color fill = LetterFill(viewY);
        for (int x = 0; x < width; ++x) {
            float a = ink.At(x, y);
            // The halo dies away before the picture's edges, which stay black.
            float edge = std::min({x + 0.5f, width - x - 0.5f, y + 0.5f, height - y - 0.5f});
            float fade = SmoothStep(0.0f, 8.0f, edge);
            Color glow = Color{0.30f, 0.50f, 1.0f} * (1.6f * farGlow.At(x, y) * fade) +
                         Color{0.55f, 0.70f, 1.0f} * (0.9f * nearGlow.At(x, y) * fade);
            canvas.At(x, y) = MixColor(glow, fill, a);
        }
    }
    // Stored mirrored: the quad shows the picture's right edge at its left.
    Canvas mirrored = canvas;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            mirrored.At(x, y) = canvas.At(width - 1 - x, y);
        }
    }
    std::vector<uint8_t> rgb = CanvasToRgb(mirrored);
    return EncodeTga(width, height, 3, rgb.data(), TgaEncoding::RunLength);
}
} // namespace

void WriteLetterPictures(const std::string& dir) {
    for (const LetterPicture& picture : LetterPictures) {
        std::string name = std::string("textures/001") + picture.letter + ".tga";
        WriteDataFile(dir, name, DrawLetter(picture));
    }
}
