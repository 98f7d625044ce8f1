// Opening titles. Timeline (SceneTime t, each span closed below): black until
// 3 s, framed logo until 6 s, word 1 until 9 s, word 2 until 12 s, then the
// banners to the end at 23 s; the bottom banner fades in after 19 s.
//
// The pictures use the replace environment, so a colour's alpha only shows
// on pictures without an alpha channel of their own.
#include "scenes/titles.h"

#include "image/image.h"
#include "image/tga.h"
#include "scenes/overlay.h"
#include "shell/demo.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cassert>
#include <cmath>

int32_t LetterImages[TitlesLetterCount];
int32_t LogoImage;
int32_t TopBannerImage;
int32_t BottomBannerImage;
float LettersClock;

namespace {

const char* const LetterFiles[TitlesLetterCount] = {
    "textures/001H.tga", "textures/001y.tga", "textures/001z.tga", "textures/001v.tga",
    "textures/001u.tga", "textures/001p.tga", "textures/001s.tga", "textures/001t.tga",
    "textures/001D.tga", "textures/001o.tga", "textures/001a.tga",
};

// One flying letter: offset (x, y) in view space, spin factor k, z component
// of the spin axis, and the quad's size in view units.
struct LetterRow {
    int slot;
    float x;
    float y;
    float k;
    float axisZ;
    float w;
    float h;
};

const LetterRow FirstWord[] = {
    {0, -1.15f, -0.4f, 1, -0.72f, 1, 1},       {1, -0.52f, -0.28f, 5, -0.89f, 0.5f, 0.5f},
    {2, -0.32f, -0.25f, 8, 0.59f, 0.5f, 0.5f}, {3, 0.01f, -0.35f, 3, -0.79f, 0.25f, 1},
    {4, -0.01f, -0.25f, 2, 0.83f, 0.5f, 0.5f}, {5, 0.17f, -0.25f, 9, -0.12f, 0.5f, 0.5f},
    {6, 0.32f, -0.23f, 4, 0.62f, 0.5f, 0.5f},  {7, 0.48f, -0.25f, 7, -0.05f, 0.5f, 0.5f},
};

// Dovsat reuses the v, s and t of the first word.
const LetterRow SecondWord[] = {
    {8, -0.9f, -0.4f, 1, -0.72f, 1, 1},         {9, -0.27f, -0.28f, 5, -0.89f, 0.5f, 0.5f},
    {3, 0.05f, -0.35f, 3, -0.79f, 0.25f, 1},    {6, 0.05f, -0.23f, 4, 0.62f, 0.5f, 0.5f},
    {10, 0.22f, -0.25f, 7, -0.05f, 0.5f, 0.5f}, {7, 0.4f, -0.25f, 7, -0.05f, 0.5f, 0.5f},
};

float Width() {
    return static_cast<float>(ScreenWidth);
}

float Height() {
    return static_cast<float>(ScreenHeight);
}

// Ends a 2D layer begun with the depth writes off and blending saved.
void EndBlendedLayer(bool blendWasOn) {
    RestoreBlend(blendWasOn);
    EndScreenLayer();
    glDepthMask(GL_TRUE);
}

} // namespace

void TitlesLoad() {
    for (int i = 0; i < TitlesLetterCount; ++i) {
        LetterImages[i] = LoadTga(LetterFiles[i]);
        SetTextureFlags(LetterImages[i], TexNoMipmap | TexClamp);
    }
    LogoImage = SetTextureFlags(LoadTga("textures/zembrit.tga"), 0);
    TopBannerImage = SetTextureFlags(LoadTga("textures/morvasktop.tga"), 0);
    BottomBannerImage = SetTextureFlags(LoadTga("textures/morvaskbottom.tga"), 0);
}

void TitlesStart() {
    glEnable(GL_TEXTURE_2D);
    for (int32_t handle : LetterImages) {
        UploadImage(handle);
    }
    UploadImage(LogoImage);
    UploadImage(TopBannerImage);
    UploadImage(BottomBannerImage);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0f / 3.0f, 4.0, 4096.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 0, 0, 0);
}

void TitlesFrame(float) {
    const float t = SceneTime;
    if (t < 3.0f) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else if (t < 6.0f) {
        DrawFramedLogo();
    } else if (t < 9.0f) {
        LettersClock = t - 7.0f;
        DrawFlyingLetters(1);
    } else if (t < 12.0f) {
        LettersClock = t - 10.0f;
        DrawFlyingLetters(2);
    } else {
        DrawSwayingBanners();
    }
    glFlush();
    SwapBuffers(DeviceContext);
}

void TitlesEnd() {
    FreeImage(LetterImages[0]);
    FreeImage(LetterImages[1]);
    FreeImage(LetterImages[2]);
    FreeImage(LogoImage);
}

// Logo in a thin frame under a tiled veil. The colour buffer is not cleared:
// the veil settles over what earlier frames left.
void DrawFramedLogo() {
    const float t = SceneTime;
    const float w = Width();
    const float h = Height();

    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    BeginScreenLayer();
    glEnable(GL_TEXTURE_2D);
    BindImage(LogoImage);
    const bool blendWasOn = SaveAndEnableBlend();

    // The logo replaces what is under it (scaled by its own alpha).
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    DrawLayerQuad(64, 112, w - 64, 112, w - 64, h - 112, 64, h - 112);

    // Its frame: the same rectangle, outlined, added on top.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 0.7f);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(ScalePixels(1.5f, PixelMeasure::Outline));
    DrawLayerQuad(64, 112, w - 64, 112, w - 64, h - 112, 64, h - 112);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    // The veil: the logo repeated about 20 x 10 times with texture
    // coordinates that swim and shear with t.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.2f);
    glBegin(GL_QUADS);
    glTexCoord2f(std::cos(t), std::cos(t));
    glVertex2f(0, 0);
    glTexCoord2f(std::sin(t) + 20, std::cos(2 * t));
    glVertex2f(w, 0);
    glTexCoord2f(std::cos(2 * t) + 20, std::sin(t) + 10);
    glVertex2f(w, h);
    glTexCoord2f(std::cos(2 * t), std::sin(2 * t) + 10);
    glVertex2f(0, h);
    glEnd();

    EndBlendedLayer(blendWasOn);
}

// With u = LettersClock, each letter sits at depth −4 − u² turned by u²·k
// degrees about its own corner: from −1 to 0 it arrives, at 0 it rests
// unturned at −4, to 2 it recedes to −8 while its alpha 2 − u falls to 0.
void DrawFlyingLetters(int word) {
    assert(word == 1 || word == 2);
    const float u = LettersClock;
    const LetterRow* rows = word == 1 ? FirstWord : SecondWord;
    const int rowCount = word == 1 ? 8 : 6;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 1 - (u - 1));

    for (int i = 0; i < rowCount; ++i) {
        const LetterRow& row = rows[i];
        glPushMatrix();
        glTranslatef(row.x, row.y, -4 - u * u);
        glRotatef(u * u * row.k, 0, 0, row.axisZ);
        // Bound directly: wrap and filter from the upload, and the replace
        // environment that the last BindImage left, apply.
        glBindTexture(GL_TEXTURE_2D, GetImage(LetterImages[row.slot])->textureName);
        glBegin(GL_QUADS);
        glTexCoord2f(1, 1);
        glVertex3f(0, 0, 0);
        glTexCoord2f(1, 0);
        glVertex3f(0, row.h, 0);
        glTexCoord2f(0, 0);
        glVertex3f(row.w, row.h, 0);
        glTexCoord2f(0, 1);
        glVertex3f(row.w, 0, 0);
        glEnd();
        glPopMatrix();
    }

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

// Two banners added onto black, their corners swaying by up to 10 (top) and
// 20 (bottom) pixels; the bottom one appears after 19 s, alpha (t − 19) / 2.
void DrawSwayingBanners() {
    const float t = SceneTime;
    const float w = Width();
    const float h = Height();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    BeginScreenLayer();
    glEnable(GL_TEXTURE_2D);
    BindImage(TopBannerImage);
    const bool blendWasOn = SaveAndEnableBlend();

    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 1);
    const float a = 10 * std::sin(t);
    const float b = 10 * std::cos(t);
    DrawLayerQuad(64 + a, 112 + a, w - 64 + a, 112 + a, w - 64 + b, h - 112 + b, 64 - a,
                  h - 112 - a);

    if (t > 19.0f) {
        BindImage(BottomBannerImage);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1, 1, 1, (t - 19) * 0.5f);
        const float c = 20 * std::sin(t);
        const float d = 20 * std::cos(t);
        DrawLayerQuad(68 + c, 115 + c, w - 68 + c, 115 + c, w - 68 + d, h - 115 + d, 68 - c,
                      h - 115 - c);
    }

    EndBlendedLayer(blendWasOn);
}
