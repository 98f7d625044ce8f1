// Lettering through FreeType. The font is opened for each text and closed
// again; nothing is kept between calls.
#include "tools/data/art/lettering.h"

#include "shell/fatal.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

const char* const LetteringBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const LetteringCondensedBold =
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
const char* const LetteringSerifBold = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";

namespace {
struct PlacedGlyph {
    Mask coverage;
    int left; // bitmap's left edge, pixels from the text origin
    int top;  // bitmap's top edge, pixels above the baseline
};
} // namespace

TextMask RenderText(const char* fontFile, const std::string& text, float size, float stretchX,
                    float stretchY, float tracking) {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        FatalError("Cannot start FreeType");
    }
    FT_Face face;
    if (FT_New_Face(library, fontFile, 0, &face) != 0) {
        FatalError("Cannot open font %s (install fonts-dejavu-core)", fontFile);
    }
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(size * 64)), 72, 72);

    std::vector<PlacedGlyph> glyphs;
    double penX = 0; // pixels
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern);
            penX += kern.x / 64.0 * stretchX;
        }
        // The transform carries the stretch and the fractional pen position,
        // so every letter lands exactly where its advance puts it.
        double whole = std::floor(penX);
        FT_Matrix matrix = {static_cast<FT_Fixed>(std::lround(stretchX * 65536)), 0, 0,
                            static_cast<FT_Fixed>(std::lround(stretchY * 65536))};
        FT_Vector delta = {static_cast<FT_Pos>(std::lround((penX - whole) * 64)), 0};
        FT_Set_Transform(face, &matrix, &delta);
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) {
            FatalError("Cannot draw a letter of \"%s\" with %s", text.c_str(), fontFile);
        }
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        PlacedGlyph glyph{NewMask(static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows)),
                          static_cast<int>(whole) + face->glyph->bitmap_left,
                          face->glyph->bitmap_top};
        for (unsigned y = 0; y < bitmap.rows; ++y) {
            for (unsigned x = 0; x < bitmap.width; ++x) {
                glyph.coverage.At(x, y) = bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
            }
        }
        glyphs.push_back(std::move(glyph));
        penX += face->glyph->advance.x / 64.0 + tracking;
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (const PlacedGlyph& g : glyphs) {
        if (g.coverage.width == 0 || g.coverage.height == 0) {
            continue;
        }
        minX = std::min(minX, g.left);
        maxX = std::max(maxX, g.left + g.coverage.width);
        minY = std::min(minY, -g.top);
        maxY = std::max(maxY, -g.top + g.coverage.height);
    }
    if (minX > maxX) {
        return TextMask{NewMask(1, 1), 0, 0};
    }
    TextMask result{NewMask(maxX - minX, maxY - minY), static_cast<float>(-minX),
                    static_cast<float>(-minY)};
    for (const PlacedGlyph& g : glyphs) {
        StampMask(result.mask, g.coverage, static_cast<float>(g.left - minX),
                  static_cast<float>(-g.top - minY));
    }
    return result;
}

void StampMask(Mask& target, const Mask& source, float left, float top) {
    int baseX = static_cast<int>(std::floor(left));
    int baseY = static_cast<int>(std::floor(top));
    float fx = left - baseX, fy = top - baseY;
    float weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            float v = source.At(x, y);
            if (v == 0) {
                continue;
            }
            for (int k = 0; k < 4; ++k) {
                int tx = baseX + x + (k & 1);
                int ty = baseY + y + (k >> 1);
                if (weights[k] > 0 && tx >= 0 && ty >= 0 && tx < target.width &&
                    ty < target.height) {
                    target.At(tx, ty) = std::min(1.0f, target.At(tx, ty) + v * weights[k]);
                }
            }
        }
    }
}
