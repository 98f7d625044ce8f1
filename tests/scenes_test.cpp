// The first three scenes and the screen overlay, drawn into the headless
// picture from small fixture files: what is on screen at chosen scene times,
// the time boundaries, the animation rules and the GL state each step leaves.
#include "image/image.h"
#include "image/object3d.h"
#include "image/pcx.h"
#include "math/camera.h"
#include "scenes/object_draw.h"
#include "scenes/object_scene.h"
#include "scenes/overlay.h"
#include "scenes/particles.h"
#include "scenes/swirl_scene.h"
#include "scenes/titles.h"
#include "shell/sequencer.h"
#include "support/files.h"
#include "support/scene_fixtures.h"
#include "support/test_display.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

// One pixel, x from the left and y from the top of the picture.
Rgb PixelAt(int x, int y) {
    const std::vector<uint8_t> p = ReadPictureRgb(x, 479 - y, 1, 1);
    return {p[0], p[1], p[2]};
}

int BrightestChannel() {
    const std::vector<uint8_t> p = ReadPictureRgb(0, 0, 640, 480);
    return *std::max_element(p.begin(), p.end());
}

// Within the 16-bit picture's rounding.
void ExpectColour(Rgb got, FixtureColour want, int tolerance = 9) {
    EXPECT_NEAR(got.r, want.r, tolerance);
    EXPECT_NEAR(got.g, want.g, tolerance);
    EXPECT_NEAR(got.b, want.b, tolerance);
}

void ExpectBlack(Rgb got) {
    EXPECT_EQ(got.r + got.g + got.b, 0) << got.r << "," << got.g << "," << got.b;
}

int StackDepth(GLenum which) {
    GLint depth = 0;
    glGetIntegerv(which, &depth);
    return depth;
}

// Opens the picture and makes a scratch folder with the scenes' files the
// working directory.
class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        dir = MakeScratchDir("scenes");
        WriteTitlesFixtures(dir);
        WriteObjectSceneFixtures(dir);
        WriteSwirlFixtures(dir);
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    // Sets the clock and draws one frame as the sequencer would.
    static void FrameAt(void (*frame)(float), float t, float dt = 0.02f) {
        SceneTime = t;
        frame(dt);
    }
    std::string dir;
};

// ---- Screen overlay -------------------------------------------------------

TEST_F(SceneTest, OverlayAlphaAtOrBelowZeroKeepsPixelsAndAtOrAboveOneReplaces) {
    struct Case {
        float alpha;
        FixtureColour expected;
    };
    // Red over blue.
    const Case cases[] = {{-0.5f, {0, 0, 255}},
                          {0.0f, {0, 0, 255}},
                          {0.5f, {128, 0, 128}},
                          {1.0f, {255, 0, 0}},
                          {1.7f, {255, 0, 0}}};
    for (const Case& c : cases) {
        glClearColor(0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1, 0, 0, c.alpha);
        DrawScreenOverlay();
        for (auto [x, y] : {std::pair{0, 0}, {639, 479}, {320, 240}}) {
            ExpectColour(PixelAt(x, y), c.expected);
        }
    }
    glClearColor(0, 0, 0, 0);
}

TEST_F(SceneTest, OverlayRestoresBlendingAndStacksAndLeavesTexturingOn) {
    for (bool blendOn : {false, true}) {
        if (blendOn) {
            glEnable(GL_BLEND);
        } else {
            glDisable(GL_BLEND);
        }
        glDisable(GL_TEXTURE_2D);
        glBlendFunc(GL_ONE, GL_ONE);
        glMatrixMode(GL_MODELVIEW);
        const int modelView = StackDepth(GL_MODELVIEW_STACK_DEPTH);
        const int projection = StackDepth(GL_PROJECTION_STACK_DEPTH);
        glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
        DrawScreenOverlay();
        EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, blendOn);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(StackDepth(GL_MODELVIEW_STACK_DEPTH), modelView);
        EXPECT_EQ(StackDepth(GL_PROJECTION_STACK_DEPTH), projection);
        EXPECT_EQ(StackDepth(GL_MATRIX_MODE), GL_PROJECTION);
        EXPECT_EQ(StackDepth(GL_BLEND_SRC), GL_SRC_ALPHA);
        EXPECT_EQ(StackDepth(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
        float colour[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[1], 0.5f);
    }
}

// ---- Opening titles -------------------------------------------------------

class TitlesTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        TitlesLoad();
        TitlesStart();
    }
};

// What the titles show, told apart by a few pixels of the fixture pictures.
enum class TitlesShows { Black, Logo, FirstWord, SecondWord, Banners, Other };

TitlesShows ClassifyTitlesFrame() {
    if (BrightestChannel() == 0) {
        return TitlesShows::Black;
    }
    const Rgb logoCorner = PixelAt(130, 140); // top-left quarter of the logo
    if (logoCorner.r > 120 && logoCorner.g < 110 && logoCorner.b < 110) {
        return TitlesShows::Logo;
    }
    const Rgb centre = PixelAt(320, 240);
    if (centre.b > 150 && centre.r < 30) {
        return TitlesShows::Banners;
    }
    // Left edge of each word's first letter (H or D) at depth 4 to 5.
    const Rgb letter = PixelAt(225, 250);
    const FixtureColour h = TitlesLetterColour(0);
    const FixtureColour d = TitlesLetterColour(8);
    if (std::abs(letter.r - h.r) < 10 && std::abs(letter.g - h.g) < 10 &&
        std::abs(letter.b - h.b) < 10) {
        return TitlesShows::FirstWord;
    }
    if (std::abs(letter.r - d.r) < 10 && std::abs(letter.g - d.g) < 10 &&
        std::abs(letter.b - d.b) < 10) {
        return TitlesShows::SecondWord;
    }
    return TitlesShows::Other;
}

TEST_F(TitlesTest, EachEffectStartsExactlyAtItsLowerBound) {
    FrameAt(TitlesFrame, 15); // something on screen first
    struct Case {
        float t;
        TitlesShows shows;
    };
    const Case cases[] = {
        {2.99f, TitlesShows::Black},    {3.0f, TitlesShows::Logo},
        {5.99f, TitlesShows::Logo},     {6.0f, TitlesShows::FirstWord},
        {8.999f, TitlesShows::Black},   {9.0f, TitlesShows::SecondWord},
        {11.999f, TitlesShows::Black},  {12.0f, TitlesShows::Banners},
        {22.99f, TitlesShows::Banners},
    };
    for (const Case& c : cases) {
        FrameAt(TitlesFrame, c.t);
        EXPECT_EQ(ClassifyTitlesFrame(), c.shows) << "t = " << c.t;
    }
}

TEST_F(TitlesTest, FramedLogoKeepsEarlierPicturesUnderItsVeil) {
    // A frame never cleared: the veil is 0.2 of the tiled logo over what was
    // there, so a white picture underneath still shows through.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    FrameAt(TitlesFrame, 4);
    const Rgb corner = PixelAt(10, 10);
    EXPECT_GT(std::min({corner.r, corner.g, corner.b}), 150);
    // The logo sits in its 512 x 256 rectangle, top row of the picture up.
    const Rgb topLeft = PixelAt(80, 125);
    const Rgb bottomRight = PixelAt(560, 355);
    EXPECT_GT(topLeft.r, topLeft.b + 60);
    EXPECT_GT(bottomRight.g, bottomRight.b + 60);
    EXPECT_GT(bottomRight.r, bottomRight.b + 60);
}

TEST_F(TitlesTest, LettersRestUnturnedAtDepthFourAtSevenAndTen) {
    // At rest the first letter of each word is a unit square at depth 4
    // under the 45-degree perspective: H from x = -1.15, D from x = -0.9,
    // both from y = -0.4. Pixels just inside and just outside its left and
    // bottom edges.
    struct Case {
        float t;
        int slot;
        int left; // first column inside
    };
    for (const Case& c : {Case{7, 0, 154}, Case{10, 8, 190}}) {
        FrameAt(TitlesFrame, c.t);
        const FixtureColour colour = TitlesLetterColour(c.slot);
        // Near the edges linear filtering mixes in the clamped border.
        ExpectColour(PixelAt(c.left + 20, 270), colour);
        EXPECT_GT(PixelAt(c.left + 2, 250).r + PixelAt(c.left + 2, 250).b, 150);
        ExpectBlack(PixelAt(c.left - 3, 250));
        EXPECT_GT(PixelAt(c.left + 20, 295).r + PixelAt(c.left + 20, 295).b, 150);
        ExpectBlack(PixelAt(c.left + 20, 301));
        // Half a second later it has turned and receded: its corner moves.
        FrameAt(TitlesFrame, c.t + 0.5f);
        ExpectBlack(PixelAt(c.left + 2, 250));
    }
}

TEST_F(TitlesTest, BottomBannerOnlyAfterNineteenFadingInOverTwoSeconds) {
    struct Case {
        float t;
        int green; // bottom banner's green added over the top banner's blue
    };
    const Case cases[] = {{18.9f, 0},   {19.0f, 0},   {19.5f, 50},
                          {20.0f, 100}, {21.0f, 200}, {22.5f, 200}};
    for (const Case& c : cases) {
        FrameAt(TitlesFrame, c.t);
        const Rgb centre = PixelAt(320, 240);
        EXPECT_NEAR(centre.g, c.green, 9) << "t = " << c.t;
        EXPECT_NEAR(centre.b, TopBannerColour.b, 9) << "t = " << c.t;
    }
}

TEST_F(TitlesTest, FramesKeepStacksAndBlendingAndIgnoreTheFrameTime) {
    struct Case {
        float t;
        bool lettersLeaveBlendOff;
    };
    const Case cases[] = {{1, false}, {4, false}, {7, true}, {10, true}, {14, false}, {20, false}};
    for (const Case& c : cases) {
        for (bool blendOn : {false, true}) {
            if (blendOn) {
                glEnable(GL_BLEND);
            } else {
                glDisable(GL_BLEND);
            }
            const int modelView = StackDepth(GL_MODELVIEW_STACK_DEPTH);
            const int projection = StackDepth(GL_PROJECTION_STACK_DEPTH);
            FrameAt(TitlesFrame, c.t);
            EXPECT_EQ(StackDepth(GL_MODELVIEW_STACK_DEPTH), modelView);
            EXPECT_EQ(StackDepth(GL_PROJECTION_STACK_DEPTH), projection);
            const bool expected = c.lettersLeaveBlendOff ? false : blendOn;
            EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, expected) << "t = " << c.t;
        }
    }
    FrameAt(TitlesFrame, 20.5f, 0.001f);
    const std::vector<uint8_t> quick = ReadPictureRgb(0, 0, 640, 480);
    FrameAt(TitlesFrame, 20.5f, 3.0f);
    EXPECT_EQ(ReadPictureRgb(0, 0, 640, 480), quick);
}

TEST_F(TitlesTest, EndFreesThreeLettersAndTheLogoAndLeavesTheStateForTheNextScene) {
    FrameAt(TitlesFrame, 11.0f); // the letters leave blending off
    FrameAt(TitlesFrame, 22.9f);
    TitlesEnd();
    for (int slot = 0; slot < TitlesLetterCount; ++slot) {
        EXPECT_EQ(TextureTable.images[LetterImages[slot]] == nullptr, slot < 3) << slot;
    }
    EXPECT_EQ(TextureTable.images[LogoImage], nullptr);
    EXPECT_NE(TextureTable.images[TopBannerImage], nullptr);
    EXPECT_NE(TextureTable.images[BottomBannerImage], nullptr);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    float projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective(45, 4/3): m[5] = cot(22.5 degrees), m[0] = m[5] / (4/3).
    EXPECT_NEAR(projection[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5);
    EXPECT_NEAR(projection[0], projection[5] * 0.75, 1e-5);
}

// ---- Mirrored object scene --------------------------------------------------

class ObjectSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        ObjectSceneLoad();
        ObjectSceneStart();
    }
    // A frame on a black picture (the scene itself never clears colour).
    static void CleanFrameAt(float t) {
        glClear(GL_COLOR_BUFFER_BIT);
        FrameAt(ObjectSceneFrame, t);
    }
};

TEST_F(ObjectSceneTest, FlashPictureOnlyStrictlyBetweenSevenAndTen) {
    // (100, 240) lies in the picture's band, clear of the object. sin(10 t)
    // is 0.77 at 7 s, so a picture drawn at exactly 7 s would show.
    CleanFrameAt(7.0f);
    EXPECT_LT(PixelAt(100, 240).r, 90);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    CleanFrameAt(7.05f);
    EXPECT_GT(PixelAt(100, 240).r, 200);
    EXPECT_GT(PixelAt(100, 240).g, 200);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)); // the picture turns culling off for good
    CleanFrameAt(7.3f);                      // sin(73) < 0: drawn, adds nothing
    EXPECT_LT(PixelAt(100, 240).r, 90);

    ObjectSceneStart(); // culling on again
    CleanFrameAt(10.0f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(ObjectSceneTest, ObjectDriftFollowsSceneTimeWhateverTheFrameRate) {
    struct Mark {
        float t;
        float x;
    };
    const Mark marks[] = {{7.0f, -260},  {8.0f, -260},  {10.0f, -260},
                          {13.0f, -320}, {19.0f, -200}, {24.7f, -200}};
    for (float dt : {1.0f / 60.0f, 1.0f / 7.0f}) {
        SetObjectPosition(SceneObject, -400, 0, 0);
        float t = 0;
        // Each change of direction may lose one frame's step.
        for (const Mark& mark : marks) {
            while (t + dt < mark.t) {
                t += dt;
                SceneTime = t;
                AnimateObjectScene(dt);
            }
            EXPECT_NEAR(SceneObject->position.x, mark.x, 3 * 20 * dt + 0.1f)
                << "dt " << dt << " t " << mark.t;
        }
    }
}

TEST_F(ObjectSceneTest, CameraAndObjectFollowTheTimeTable) {
    SetObjectPosition(SceneObject, -260, 0, 0);
    SceneTime = 6.99f;
    AnimateObjectScene(0);
    EXPECT_NEAR(SceneCamera->position.z, 150 * std::cos(0.3f * 6.99f), 1e-3f);
    EXPECT_FLOAT_EQ(SceneCamera->target.x, 0);
    EXPECT_FLOAT_EQ(SceneObject->alpha, std::sin(6.99f));
    EXPECT_FLOAT_EQ(SceneObject->angles.z, -699.0f);

    SceneTime = 7.0f; // the close view starts at exactly 7 s
    AnimateObjectScene(0.5f);
    EXPECT_FLOAT_EQ(SceneObject->position.x, -260); // no drift from 7 to 10 s
    EXPECT_FLOAT_EQ(SceneObject->alpha, std::sin(6.99f));
    const float close[][3] = {{-260, 0, 150}, {-260, 50, 0}};
    EXPECT_FLOAT_EQ(SceneCamera->position.x, close[0][0]);
    EXPECT_FLOAT_EQ(SceneCamera->position.z, close[0][2]);
    EXPECT_FLOAT_EQ(SceneCamera->target.y, close[1][1]);

    SceneTime = 11.0f; // wider orbit, target kept from the close view
    AnimateObjectScene(0.5f);
    EXPECT_FLOAT_EQ(SceneObject->position.x, -270);
    EXPECT_NEAR(SceneCamera->position.x, 300 * std::sin(3.3f), 1e-3f);
    EXPECT_FLOAT_EQ(SceneCamera->target.x, -260);

    SceneTime = 19.0f;
    AnimateObjectScene(0.5f);
    EXPECT_FLOAT_EQ(SceneObject->position.x, -270);
    EXPECT_FLOAT_EQ(SceneCamera->position.y, 250);
    EXPECT_FLOAT_EQ(SceneCamera->position.z, 150);
    EXPECT_FLOAT_EQ(SceneCamera->target.y, 100);
}

TEST_F(ObjectSceneTest, FadesToBlackFromTwentyFour) {
    CleanFrameAt(22.9f);
    const int lit = BrightestChannel();
    EXPECT_GT(lit, 40);
    FrameAt(ObjectSceneFrame, 23.0f); // not yet (strictly after 23)
    EXPECT_GT(BrightestChannel(), 40);
    FrameAt(ObjectSceneFrame, 23.75f);
    EXPECT_LT(BrightestChannel(), lit * 0.5);
    for (float t : {24.0f, 24.7f}) {
        FrameAt(ObjectSceneFrame, t);
        EXPECT_EQ(BrightestChannel(), 0) << "t = " << t;
    }
}

TEST_F(ObjectSceneTest, EndReleasesAllButTheFlashPicture) {
    const int32_t handles[] = {ObjectTexture, SkyTexture, MosaicTexture};
    ObjectSceneEnd();
    for (int32_t handle : handles) {
        EXPECT_EQ(TextureTable.images[handle], nullptr);
    }
    EXPECT_NE(TextureTable.images[FlashTexture], nullptr);
}

// A flat view of the origin: 200 x 200 units across the picture's height.
void LookAtOriginFlat() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-133.3, 133.3, -100, 100, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
}

TEST_F(ObjectSceneTest, ReflectionPassAddsTheSkyByAlphaAndNothingBelowZero) {
    LookAtOriginFlat();
    SetObjectPosition(SceneObject, 0, 0, 0);
    SceneObject->texture = SkyTexture;
    SceneObject->drawFlags = ObjectEnvMap | ObjectAdditive | 1;
    glEnable(GL_CULL_FACE); // as in the scene: only the side facing the eye
    glCullFace(GL_FRONT);
    struct Case {
        float alpha;
        float share;
    };
    for (const Case& c : {Case{-0.5f, 0}, Case{0, 0}, Case{0.5f, 0.5f}, Case{1, 1}}) {
        glDisable(GL_BLEND);
        glClear(GL_COLOR_BUFFER_BIT);
        SceneObject->alpha = c.alpha;
        const int depth = StackDepth(GL_MODELVIEW_STACK_DEPTH);
        DrawObject3D(SceneObject);
        EXPECT_EQ(StackDepth(GL_MODELVIEW_STACK_DEPTH), depth);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        const Rgb centre = PixelAt(320, 240);
        EXPECT_NEAR(centre.b, SkyColour.b * c.share, 12) << "alpha " << c.alpha;
        EXPECT_NEAR(centre.g, SkyColour.g * c.share, 12) << "alpha " << c.alpha;
    }
}

TEST_F(ObjectSceneTest, EmptyObjectDrawsNothingButKeepsStackAndBlend) {
    Object3D* empty = NewObject3D();
    empty->vertexCount = 0;
    empty->faceCount = 0;
    empty->vertices = nullptr;
    empty->faces = nullptr;
    empty->vertexNormals = nullptr;
    empty->faceNormals = nullptr;
    empty->texture = SkyTexture;
    empty->drawFlags = ObjectEnvMap | ObjectAdditive;
    empty->alpha = 1;
    LookAtOriginFlat();
    glClear(GL_COLOR_BUFFER_BIT);
    for (bool blendOn : {false, true}) {
        if (blendOn) {
            glEnable(GL_BLEND);
        } else {
            glDisable(GL_BLEND);
        }
        const int depth = StackDepth(GL_MODELVIEW_STACK_DEPTH);
        DrawObject3D(empty);
        EXPECT_EQ(StackDepth(GL_MODELVIEW_STACK_DEPTH), depth);
        EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, blendOn);
    }
    EXPECT_EQ(BrightestChannel(), 0);
    std::free(empty); // no mesh arrays to release
}

TEST_F(ObjectSceneTest, EnvironmentCoordinatesComeFromTheTurnedNormals) {
    // The fixture octahedron: vertex 0 has normal (254, 0, 0), vertex 4 (0, 0, 254).
    struct Case {
        Vec3 angles;
        int vertex;
        float s, t;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, 254 / 256.0f, 127 / 256.0f},
        {{0, 0, 0}, 4, 127 / 256.0f, 127 / 256.0f},
        {{90, 0, 0}, 4, 127 / 256.0f, 0},
        {{0, 0, 90}, 0, 127 / 256.0f, 254 / 256.0f},
        {{0, 90, 0}, 4, 254 / 256.0f, 127 / 256.0f},
        {{0, 0, 180}, 0, 0, 127 / 256.0f},
    };
    for (const Case& c : cases) {
        SetObjectAngles(SceneObject, c.angles.x, c.angles.y, c.angles.z);
        ComputeEnvironmentTexCoords(SceneObject);
        EXPECT_NEAR(SceneObject->vertices[c.vertex].s, c.s, 1e-5f);
        EXPECT_NEAR(SceneObject->vertices[c.vertex].t, c.t, 1e-5f);
    }
    // Without ObjectEnvMap the coordinates stay as the last computation left them.
    const float s = SceneObject->vertices[0].s;
    SetObjectAngles(SceneObject, 10, 20, 30);
    SceneObject->drawFlags = 1;
    LookAtOriginFlat();
    DrawObject3D(SceneObject);
    EXPECT_EQ(SceneObject->vertices[0].s, s);
}

// ---- Light swirl ----------------------------------------------------------

class SwirlTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        SwirlSceneLoad();
        SwirlSceneStart();
    }
    static float Alpha(int i = 0) { return SwirlParticles.particles[i].colour[3]; }
    static float Size(int i = 0) { return SwirlParticles.particles[i].size; }
    static void AnimateAt(float t, float dt = 0.02f) {
        SceneTime = t;
        AnimateSwirl(dt);
    }
};

TEST_F(SwirlTest, LoadMakesFiftyLitParticlesColouredByTheUnseededGenerator) {
    ASSERT_EQ(SwirlParticles.particleCount, 50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(SwirlParticles.particles[i].active, 1);
        EXPECT_EQ(Size(i), 32.0f);
        EXPECT_EQ(Alpha(i), 1.0f);
    }
    // The first particle takes draws 5, 6 and 7 of the fresh sequence
    // (19169, 15724, 11478) as blue, green and red, modulo 256.
    const float* colour = SwirlParticles.particles[0].colour;
    EXPECT_EQ(colour[0], 214 / 256.0f);
    EXPECT_EQ(colour[1], 108 / 256.0f);
    EXPECT_EQ(colour[2], 225 / 256.0f);
    ASSERT_EQ(SwirlParticles.textureCount, 1);
    const Image* light = GetImage(SwirlParticles.textures[0]);
    EXPECT_EQ(light->filter, GL_LINEAR);
    EXPECT_EQ(light->wrap, GL_CLAMP);
    EXPECT_EQ(light->envMode, GL_MODULATE);
    EXPECT_FLOAT_EQ(SwirlRadius, 40.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(SwirlTest, AlphaAndSizeFollowThePhaseRulesFrameByFrame) {
    AnimateAt(8.0f); // fading starts strictly after 8 s
    EXPECT_EQ(Alpha(), 1.0f);
    AnimateAt(8.02f);
    EXPECT_FLOAT_EQ(Alpha(), 0.97f);
    for (int frame = 0; frame < 40; ++frame) {
        AnimateAt(8.04f + 0.02f * static_cast<float>(frame));
    }
    EXPECT_EQ(Alpha(), 0.0f); // one frame below zero, then held at zero
    EXPECT_EQ(Size(), 32.0f);
    EXPECT_FLOAT_EQ(SwirlRadius, 40.0f); // the first spiral does not shrink it

    AnimateAt(12.0f, 0.5f); // second spiral from exactly 12 s
    EXPECT_FLOAT_EQ(Alpha(), 0.05f);
    EXPECT_EQ(Size(), 16.0f);
    EXPECT_FLOAT_EQ(SwirlRadius, 38.5f);
    AnimateAt(12.02f, 0.5f);
    EXPECT_FLOAT_EQ(Alpha(), 0.10f);

    AnimateAt(15.0f); // from 15 s to 22 s alpha stays where it got to
    EXPECT_FLOAT_EQ(Alpha(), 0.10f);
    AnimateAt(22.0f);
    EXPECT_FLOAT_EQ(Alpha(), 0.10f);
    AnimateAt(22.02f);
    EXPECT_FLOAT_EQ(Alpha(), 0.05f);
}

TEST_F(SwirlTest, ParticlesWindAlongTwoSpirals) {
    AnimateAt(2.0f);
    const Vec3 p0 = SwirlParticles.particles[0].position;
    EXPECT_FLOAT_EQ(p0.x, 0);
    EXPECT_FLOAT_EQ(p0.y, 40);
    EXPECT_FLOAT_EQ(p0.z, -60);
    const Vec3 p10 = SwirlParticles.particles[10].position; // angle 0.1 * 10 * 2 = 2
    EXPECT_NEAR(p10.x, 40 * std::sin(2.0f), 1e-4f);
    EXPECT_NEAR(p10.y, 40 * std::cos(2.0f), 1e-4f);
    EXPECT_NEAR(p10.z, 0.32f * 2 * std::sin(2.0f) - 60, 1e-4f);
    EXPECT_NEAR(SwirlCamera->position.x, 20 * std::sin(1.4f), 1e-4f);
    EXPECT_NEAR(SwirlCamera->position.y, 20 * std::cos(1.2f), 1e-4f);
    EXPECT_FLOAT_EQ(SwirlCamera->position.z, 20);

    SwirlRadius = 10;
    AnimateAt(20.0f, 1.0f); // particle 10 at angle 0.05 * 10 * 20 = 10, radius 10
    const Vec3 q10 = SwirlParticles.particles[10].position;
    EXPECT_NEAR(q10.x, 10 * std::sin(10.0f), 1e-4f);
    EXPECT_NEAR(q10.y, 10 * std::cos(10.0f), 1e-4f);
    EXPECT_NEAR(q10.z, 2 * 10.0f - 60, 1e-4f);
    EXPECT_FLOAT_EQ(SwirlParticles.particles[0].position.y, 10);
    EXPECT_FLOAT_EQ(SwirlRadius, 7);
}

TEST_F(SwirlTest, OverlayHalvesThePictureAtTwentyTwoAndAHalfAndBlacksItFromTwentyThree) {
    // Without sprites only the skybox shows: solid faces in the corners.
    for (int i = 0; i < 50; ++i) {
        SwirlParticles.particles[i].active = 0;
    }
    // Then the eye looks at the middle of the "dn" face at both times.
    FrameAt(SwirlSceneFrame, 22.0f);
    ExpectColour(PixelAt(320, 240), SkyboxFaceColour(5));
    FrameAt(SwirlSceneFrame, 22.5f);
    const FixtureColour dn = SkyboxFaceColour(5);
    ExpectColour(PixelAt(320, 240), {static_cast<uint8_t>(dn.r / 2), static_cast<uint8_t>(dn.g / 2),
                                     static_cast<uint8_t>(dn.b / 2)});
    for (int i = 0; i < 50; ++i) {
        SwirlParticles.particles[i].active = 1;
        SwirlParticles.particles[i].colour[3] = 1;
    }
    for (float t : {23.0f, 23.9f}) {
        FrameAt(SwirlSceneFrame, t);
        EXPECT_EQ(BrightestChannel(), 0) << "t = " << t;
    }
}

bool IsDim(Rgb c) {
    return std::max({c.r, c.g, c.b}) < 100;
}

TEST_F(SwirlTest, EarlySpritesBunchIntoOneBrightSpot) {
    FrameAt(SwirlSceneFrame, 0.001f);
    // All fifty near (0, 40, -60), added on top of one another: seen from
    // the camera at about (0, 20, 20), looking down at the origin, that is
    // above the picture; the lower part of the big squares shows at the top.
    const Rgb spot = PixelAt(320, 3);
    EXPECT_EQ(std::min({spot.r, spot.g, spot.b}), 255);
    EXPECT_TRUE(IsDim(PixelAt(320, 400)));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(SwirlTest, EndReleasesTheSkyboxParticlesAndTheirPicture) {
    const int32_t light = SwirlParticles.textures[0];
    SwirlSceneEnd();
    EXPECT_EQ(TextureTable.images[light], nullptr);
    EXPECT_EQ(SwirlParticles.particles, nullptr);
    EXPECT_EQ(SwirlSkybox, nullptr);
}

// One sprite of half-side 10 at the origin, seen from 100 units away along
// the given axis with the scene's perspective and front-face culling; the
// sprite picture is white in its top half and black below.
class SpriteTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        FixturePicture picture = SolidPicture(16, 16, {0, 0, 0});
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                SetFixturePixel(&picture, x, y, {255, 255, 255});
            }
        }
        WriteFixturePcx(dir + "/textures/halfwhite.pcx", picture);
        set = NewParticleSet(1);
        set.textureCount = 1;
        set.textures = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
        set.textures[0] = SetTextureFlags(LoadPcx("textures/halfwhite.pcx"), 7);
        UploadParticleTextures(&set);
        set.particles[0] = {1, 10, {0, 0, 0}, {1, 1, 1, 1}};
        camera = NewCamera();
        camera->lookAtMode = 1;
        SetCameraTarget(camera, 0, 0, 0);

        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90, 640.0f / 480.0f, 4, 4096);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        glClearColor(0, 0, 0, 0);
    }
    void TearDown() override {
        FreeParticleSet(&set);
        FreeCamera(camera);
    }
    void Draw(float x, float y, float z) {
        SetCameraPosition(camera, x, y, z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ApplyCamera(camera);
        DrawParticles(camera, &set);
    }
    ParticleSet set = {};
    Camera* camera = nullptr;
};

TEST_F(SpriteTest, UpVectorAlongTheEyeFallsBackToWorldY) {
    // The carried up vector (0, 0, 1) points straight at an eye on the z
    // axis; the sprite then stands on world y: white half up, 24 pixels
    // (10 units at 100 with a 90-degree view) each way.
    Draw(0, 0, 100);
    EXPECT_GT(PixelAt(320, 228).r, 200);
    EXPECT_GT(PixelAt(300, 220).r, 200);
    ExpectBlack(PixelAt(320, 252));
    ExpectBlack(PixelAt(320, 212));
    ExpectBlack(PixelAt(350, 228));
}

TEST_F(SpriteTest, SpriteFacesTheEyeWithItsTopAlongTheCarriedUpVector) {
    // Seen from +x the up vector (0, 0, 1) is screen left: the white half is
    // on the left. The sprite survives front-face culling.
    Draw(100, 0, 0);
    EXPECT_GT(PixelAt(308, 240).r, 200);
    ExpectBlack(PixelAt(332, 240));
    ExpectBlack(PixelAt(280, 240));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(SpriteTest, EyeOnTheSpriteDrawsNothing) {
    SetCameraPosition(camera, 0, 0, 0);
    SetCameraTarget(camera, 0, 0, -1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ApplyCamera(camera);
    DrawParticles(camera, &set);
    EXPECT_EQ(BrightestChannel(), 0);
}

} // namespace
