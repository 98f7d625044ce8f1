// Opening titles: black, a framed logo under a drifting veil, the two words
// of the name flying at the viewer, and two swaying banners.
//
// Owns the fourteen image handles and LettersClock. All motion follows
// SceneTime; the frame-time argument is not used. Nothing here tests depth;
// there is no camera.
#pragma once

#include <cstdint>

constexpr int TitlesLetterCount = 11;

// Handles of the letter pictures H y z v u p s t D o a, in that order.
extern int32_t LetterImages[TitlesLetterCount];
extern int32_t LogoImage;
extern int32_t TopBannerImage;
extern int32_t BottomBannerImage;
// Local time of the flying-letters effect (seconds; 0 = letters at rest).
extern float LettersClock;

// Reads the fourteen pictures; a missing one is fatal.
void TitlesLoad();
// Uploads the textures and sets the 45-degree perspective, identity
// model-view, no culling and alpha blending.
void TitlesStart();
// Draws the frame for SceneTime and presents it; dt (seconds) is ignored.
void TitlesFrame(float dt);
// Frees the pictures of the first three letters and the logo.
void TitlesEnd();

// The three effects; each draws into the current frame without presenting.
void DrawFramedLogo();
// word: 1 (Hyzvupst) or 2 (Dovsat); reads LettersClock.
void DrawFlyingLetters(int word);
void DrawSwayingBanners();
