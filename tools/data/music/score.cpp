// The arrangement. The tune runs at 160 beats a minute in A minor, in bars of
// sixteen sixteenth-note steps (1.5 s), and follows the show's four scenes:
//
//   0 s      intro   15⅓ bars   pad and arpeggio, then a half-time beat
//   23 s     object     16 bars   breakbeat, rolling bass, the hook teased;
//                                  half a bar of silence into the fade
//   47.75 s  swirl      16 bars   spacey chords, a slow lead, then a build
//   71.75 s  flight     24 bars   everything, the hook in full; a breakdown
//                                  and a rebuild into the white fade
//   107.75 s cubes       8 bars   a whole tone up, the hook in harmony
//   119.75 s finale    ~2.7 bars  a last cadence, a snare roll, the final hit
//   123.75 s switch-off            the tape stops with the picture (~125.35 s)
//
// The scenes' lengths (23, 24.75, 24 s…) are not all whole bars, so each
// section has its own start time and counts bars from there: the intro's
// last chord lasts a bar and a third, and the object scene ends in half a
// bar of silence while the picture is black.
#include "tools/data/music/score.h"

#include "tools/data/music/drums.h"
#include "tools/data/music/effects.h"
#include "tools/data/music/synth.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

static constexpr double StepSeconds = 60.0 / 160.0 / 4.0;
static constexpr int BarSteps = 16;

static constexpr double IntroStart = 0.0, ObjectStart = 23.0, SwirlStart = 47.75,
                        FlightStart = 71.75, CubesStart = 107.75, FinaleStart = 119.75,
                        SwitchOffStart = 123.75, TapeHalt = 125.35;

// Seconds of a step (sixteenth note) counted from a section's start.
static double StepTime(double sectionStart, double step) {
    return sectionStart + step * StepSeconds;
}

static double BarTime(double sectionStart, double bar) {
    return StepTime(sectionStart, bar * BarSteps);
}

// A chord: the bass's root and the pad's four-note voicing (MIDI notes).
struct Chord {
    int bass;
    std::array<int, 4> pad;
};

static Chord Transpose(const Chord& chord, int semitones) {
    Chord moved = chord;
    moved.bass += semitones;
    for (int& note : moved.pad) {
        note += semitones;
    }
    return moved;
}

static const Chord ChordAm = {33, {57, 60, 64, 67}};
static const Chord ChordF = {29, {57, 60, 65, 69}};
static const Chord ChordC = {36, {55, 60, 64, 67}};
static const Chord ChordG = {31, {55, 59, 62, 67}};
static const Chord ChordE = {28, {56, 59, 64, 68}};
static const Chord ChordFmaj7 = {29, {53, 57, 60, 64}};
static const Chord ChordEm7 = {28, {52, 55, 59, 62}};
static const Chord ChordDm7 = {38, {50, 53, 57, 60}};
static const Chord ChordAm9 = {33, {52, 57, 60, 71}};

// Two bars per chord.
static const Chord MainProgression[4] = {ChordAm, ChordF, ChordC, ChordG};
static const Chord SpaceProgression[4] = {ChordFmaj7, ChordEm7, ChordDm7, ChordAm9};

static const Chord& ChordForBar(const Chord (&progression)[4], int bar) {
    return progression[(bar / 2) % 4];
}

// One note of a line: start and length in steps, MIDI note.
struct LineNote {
    int step;
    int length;
    int note;
};

// The hook, eight bars over Am F C G. The second ending resolves to E.
static const std::vector<LineNote> HookFirst = {
    {0, 6, 76},   {6, 2, 74},    {8, 4, 76},   {12, 4, 79}, {16, 8, 81},  {24, 4, 79},
    {28, 4, 76},  {32, 6, 77},   {38, 2, 76},  {40, 4, 77}, {44, 4, 81},  {48, 8, 84},
    {56, 4, 81},  {60, 4, 79},   {64, 6, 76},  {70, 2, 74}, {72, 4, 76},  {76, 4, 79},
    {80, 6, 84},  {86, 6, 83},   {92, 4, 79},  {96, 6, 74}, {102, 2, 71}, {104, 4, 74},
    {108, 4, 76}, {112, 12, 74}, {124, 2, 71}, {126, 2, 72}};
static const std::vector<LineNote> HookSecond = {
    {0, 6, 76},  {6, 2, 74},   {8, 4, 76},   {12, 4, 79},  {16, 8, 81},  {24, 4, 79}, {28, 4, 76},
    {32, 6, 77}, {38, 2, 76},  {40, 4, 77},  {44, 4, 81},  {48, 8, 84},  {56, 4, 81}, {60, 4, 79},
    {64, 6, 76}, {70, 2, 74},  {72, 4, 76},  {76, 4, 79},  {80, 6, 84},  {86, 6, 83}, {92, 4, 79},
    {96, 6, 79}, {102, 2, 77}, {104, 4, 76}, {108, 4, 74}, {112, 16, 76}};

// The slow line over Fmaj7 Em7 Dm7 Am9; the second time it climbs into the flight.
static const std::vector<LineNote> SpaceLine = {
    {0, 12, 81},   {12, 4, 79},   {16, 16, 76}, {32, 12, 79},  {44, 4, 76},   {48, 16, 74},
    {64, 12, 77},  {76, 4, 76},   {80, 8, 72},  {88, 8, 74},   {96, 24, 76},  {120, 4, 72},
    {124, 4, 74},  {128, 12, 81}, {140, 4, 79}, {144, 16, 76}, {160, 12, 79}, {172, 4, 83},
    {176, 16, 86}, {192, 12, 84}, {204, 4, 83}, {208, 8, 81},  {216, 8, 79},  {224, 8, 76},
    {232, 8, 79},  {240, 8, 81},  {248, 8, 83}};

// Moves a note of A minor by degrees along the scale (negative: down). A
// minor has C major's seven pitches, counted here from C.
static int ScaleShift(int note, int degrees) {
    static const int Scale[7] = {0, 2, 4, 5, 7, 9, 11};
    int octave = note / 12, pitch = note % 12;
    int index = 0;
    while (index < 7 && Scale[index] != pitch) {
        ++index;
    }
    assert(index < 7);
    int degree = octave * 7 + index + degrees;
    assert(degree >= 0);
    return degree / 7 * 12 + Scale[degree % 7];
}

// Sounds of the leads.
static const LeadSound HookLead = {7,       22.0f, 0.8f, 0.35f, 2200.0f,
                                   3800.0f, 0.22f, 0.3f, 18.0f, {0.006f, 0.4f, 0.75f, 0.18f}};
static const LeadSound TeaserLead = {2,       7.0f,  0.3f,  0.7f,  1000.0f,
                                     1800.0f, 0.15f, 0.25f, 12.0f, {0.008f, 0.3f, 0.55f, 0.2f}};
static const LeadSound SpaceLead = {3,      9.0f, 0.5f, 0.3f,  1500.0f,
                                    700.0f, 0.5f, 0.2f, 24.0f, {0.07f, 0.8f, 0.7f, 0.6f}};

// The drum hits, rendered once: a few takes of each so repeats differ a little.
struct DrumKit {
    StereoTrack kick;
    std::vector<StereoTrack> snares, claps, closedHats, openHats;
};

static DrumKit NewDrumKit() {
    DrumKit kit;
    kit.kick = RenderKick();
    for (uint32_t take = 0; take < 4; ++take) {
        kit.snares.push_back(RenderSnare(0x51a7e + take * 977u));
        kit.claps.push_back(RenderClap(0xc1a9 + take * 613u));
        kit.closedHats.push_back(RenderHat(false, 0x4a7 + take * 389u));
        kit.openHats.push_back(RenderHat(true, 0x09e1 + take * 211u));
    }
    return kit;
}

// One bar of drums: a character per step, '.' silent, '-' ghost, 'o' soft,
// 'x' normal, 'X' accent.
struct DrumBar {
    const char* kick;
    const char* snare;
    const char* clap;
    const char* hat;
    const char* open;
};

static const DrumBar HalfTime = {"x.........x.....", "........x.......", "................",
                                 "o.-.o.-.o.-.o.-.", "................"};
static const DrumBar HalfTimeFill = {"x.........x.....", "........x...o.xo", "................",
                                     "o.-.o.-.o.-.o.-.", "................"};
static const DrumBar HatsOnly = {"................", "................", "................",
                                 "-.-.o.-.-.-.o.-.", "................"};
static const DrumBar SoftTicks = {"................", "................", "................",
                                  "o-x-o-x-o-x-o-x-", "................"};
static const DrumBar SpaceBeat = {"x.........x.....", "................", "........o.......",
                                  "o-o-o-o-o-o-o-o-", "......-.......-."};
static const DrumBar Breakbeat = {"X.........X.....", "....X..-....X...", "....o.......o...",
                                  "x.o.x.o.x.o.x.o.", "................"};
static const DrumBar BreakbeatTurn = {"X.........X..x..", "....X..-....X.-X", "....o.......o...",
                                      "x.o.x.o.x.o.x...", "..............o."};
static const DrumBar BreakbeatFill = {"X.........X.....", "....X..-X.x.XxXX", "....o...........",
                                      "x.o.x.o.x.o.....", "................"};
static const DrumBar FlightBeat = {"X.........X.....", "....X..-....X..-", "....x.......x...",
                                   "xoxoxoxoxoxoxo.o", "..............x."};
static const DrumBar FlightTurn = {"X.........X..x..", "....X..-....X.-X", "....x.......x...",
                                   "xoxoxoxoxoxoxo.o", "......x.......x."};
static const DrumBar FlightFill = {"X.........X.....", "....X..-X.xXXxXX", "....x...........",
                                   "xoxoxoxoxoxo....", "................"};
static const DrumBar Breakdown = {"................", "................", "....x.......x...",
                                  "o-o-o-o-o-o-o-o-", "..............o."};
static const DrumBar FourFloor = {"X...X...X...X...", "....X.......X...", "....x.......x...",
                                  "xoxoxoxoxoxoxoxo", "..x...x...x...x."};

static float Velocity(char mark) {
    switch (mark) {
    case 'X':
        return 1.0f;
    case 'x':
        return 0.75f;
    case 'o':
        return 0.45f;
    case '-':
        return 0.22f;
    default:
        return 0.0f;
    }
}

// Plays one bar of drums from barStart at the given level; the kicks also
// pump the ducked bus.
static void PlayDrumBar(MusicMix& mix, const DrumKit& kit, double barStart, const DrumBar& bar,
                        float level) {
    assert(std::strlen(bar.kick) == 16 && std::strlen(bar.snare) == 16 &&
           std::strlen(bar.clap) == 16 && std::strlen(bar.hat) == 16 &&
           std::strlen(bar.open) == 16);
    for (int step = 0; step < BarSteps; ++step) {
        double time = StepTime(barStart, step);
        // A little swing on the off sixteenths.
        double swung = time + (step % 2 == 1 ? 0.012 : 0.0);
        size_t take = static_cast<size_t>(step) % 4;
        if (float v = Velocity(bar.kick[step]); v > 0.0f) {
            AddSound(mix, time, kit.kick, {0.85f * level * v, 0.0f, 0.0f, 0.0f, false});
            AddDuck(mix, time, v);
        }
        if (float v = Velocity(bar.snare[step]); v > 0.0f) {
            AddSound(mix, swung, kit.snares[take], {0.55f * level * v, 0.05f, 0.22f, 0.0f, false});
        }
        if (float v = Velocity(bar.clap[step]); v > 0.0f) {
            AddSound(mix, time, kit.claps[take], {0.5f * level * v, -0.1f, 0.35f, 0.0f, false});
        }
        if (float v = Velocity(bar.hat[step]); v > 0.0f) {
            AddSound(mix, swung, kit.closedHats[take],
                     {0.55f * level * v, 0.3f, 0.04f, 0.0f, false});
        }
        if (float v = Velocity(bar.open[step]); v > 0.0f) {
            AddSound(mix, swung, kit.openHats[take],
                     {0.3f * level * v, -0.25f, 0.08f, 0.0f, false});
        }
    }
}

// A snare roll over a bar: eighths then sixteenths, growing from quiet to loud.
static void PlaySnareRoll(MusicMix& mix, const DrumKit& kit, double barStart, int steps,
                          float fromLevel, float toLevel, bool sixteenths) {
    for (int step = 0; step < steps; step += sixteenths ? 1 : 2) {
        float x = static_cast<float>(step) / static_cast<float>(steps);
        float level = fromLevel + (toLevel - fromLevel) * x;
        AddSound(mix, StepTime(barStart, step), kit.snares[static_cast<size_t>(step) % 4],
                 {0.5f * level, 0.05f, 0.3f, 0.0f, false});
    }
}

static void PlayCrash(MusicMix& mix, double time, float level, uint32_t seed) {
    AddSound(mix, time, RenderCrash(2.4, seed), {0.6f * level, 0.0f, 0.25f, 0.0f, false});
}

// A rising sweep that ends at endTime, and a backwards crash into it.
static void PlayBuild(MusicMix& mix, double endTime, double riserSeconds, float level,
                      uint32_t seed) {
    AddSound(mix, endTime - riserSeconds, RenderRiser(riserSeconds, seed),
             {0.22f * level, 0.0f, 0.4f, 0.0f, false});
    AddSound(mix, endTime - 1.5, RenderReverseCrash(1.5, seed + 1u),
             {0.28f * level, 0.0f, 0.3f, 0.0f, false});
}

// A pad chord from time, held bars bars.
static void PlayPad(MusicMix& mix, double time, const Chord& chord, double seconds, float cutoffHz,
                    float level, float reverb) {
    std::vector<int> notes(chord.pad.begin(), chord.pad.end());
    AddSound(mix, time, RenderPad(notes, seconds, cutoffHz), {level, 0.0f, reverb, 0.0f, true});
}

// One bar of sixteenth-note arpeggio over the chord, an octave above the pad.
static void PlayArpBar(MusicMix& mix, double barStart, const Chord& chord, float cutoffHz,
                       float level, float echo) {
    static const int Pattern[16] = {0, 1, 2, 4, 2, 3, 4, 5, 0, 1, 2, 4, 3, 4, 5, 4};
    // The chord's six lowest tones counting the pad and its octave up, so
    // that the pattern climbs through chord notes without doubling any.
    std::vector<int> pool(chord.pad.begin(), chord.pad.end());
    for (int note : chord.pad) {
        pool.push_back(note + 12);
    }
    std::sort(pool.begin(), pool.end());
    pool.erase(std::unique(pool.begin(), pool.end()), pool.end());
    assert(pool.size() >= 6);
    for (int step = 0; step < BarSteps; ++step) {
        int note = pool[static_cast<size_t>(Pattern[step])] + 12;
        // Accent the beats; pan each note a little left or right.
        float accent = step % 4 == 0 ? 1.0f : (step % 2 == 0 ? 0.8f : 0.65f);
        float pan = step % 2 == 0 ? -0.35f : 0.35f;
        AddSound(mix, StepTime(barStart, step), RenderPluck(note, cutoffHz * accent, 0.16f),
                 {1.25f * level * accent, pan, 0.15f, echo, true});
    }
}

// Bass patterns: steps, lengths and intervals above the chord's root.
struct BassNote {
    int step;
    int length;
    int interval;
};
static const std::vector<BassNote> HeldBass = {{0, 32, 0}};
static const std::vector<BassNote> HalfTimeBass = {{0, 6, 0}, {6, 2, 0}, {10, 2, 12}, {12, 4, 0}};
static const std::vector<BassNote> RollingBass = {{0, 3, 0},  {3, 1, 0},   {6, 2, 12}, {8, 3, 0},
                                                  {11, 1, 0}, {12, 2, 12}, {14, 2, 7}};
static const std::vector<BassNote> DrivingBass = {{0, 2, 0},  {2, 1, 0}, {3, 1, 12}, {4, 2, 0},
                                                  {6, 2, 12}, {8, 2, 0}, {10, 1, 0}, {11, 1, 12},
                                                  {12, 2, 0}, {14, 2, 7}};

static void PlayBassBar(MusicMix& mix, double barStart, const Chord& chord,
                        const std::vector<BassNote>& pattern, float cutoffHz, float level) {
    for (const BassNote& note : pattern) {
        double gate = note.length * StepSeconds - 0.02;
        AddSound(mix, StepTime(barStart, note.step),
                 RenderBass(chord.bass + note.interval, gate, cutoffHz),
                 {level, 0.0f, 0.0f, 0.0f, true});
    }
}

// Plays a line's notes with first ≤ step < last, shifted by semitones.
static void PlayLine(MusicMix& mix, double origin, const std::vector<LineNote>& line, int first,
                     int last, int semitones, const LeadSound& sound, const MixSend& send) {

    for (const LineNote& note : line) {
        if (note.step < first || note.step >= last) {
            continue;
        }
        double gate = note.length * StepSeconds * 0.92;
        AddSound(mix, StepTime(origin, note.step), RenderLead(note.note + semitones, gate, sound),
                 send);
    }
}

// A line's notes moved a number of scale degrees (for a harmony part).
static std::vector<LineNote> Harmonise(const std::vector<LineNote>& line, int degrees) {
    std::vector<LineNote> harmony = line;
    for (LineNote& note : harmony) {
        note.note = ScaleShift(note.note, degrees);
    }
    return harmony;
}

// The titles: black until 3 s, the logo at 3 s, one word at 6 s and one at
// 9 s, the banners from 12 s. These all fall on every second bar line.
static void ArrangeIntro(MusicMix& mix, const DrumKit& kit) {
    const double s = IntroStart;
    for (int bar = 0; bar < 14; bar += 2) {
        const Chord& chord = ChordForBar(MainProgression, bar);
        float cutoff = 700.0f + 110.0f * bar;
        PlayPad(mix, BarTime(s, bar), chord, 2.95, cutoff, 0.42f, 0.45f);
    }
    // The last chord, E, is held over the bar and a third up to the object scene.
    double lastBar = BarTime(s, 14);
    PlayPad(mix, lastBar, ChordE, ObjectStart - lastBar - 0.05, 2300.0f, 0.42f, 0.45f);
    // The logo and each word arrive on a swell and a soft hit.
    for (int bar : {2, 4, 6}) {
        AddSound(mix, BarTime(s, bar) - 1.5, RenderReverseCrash(1.5, 0x10 + bar),
                 {0.3f, 0.0f, 0.3f, 0.0f, false});
        PlayCrash(mix, BarTime(s, bar), 0.35f, 0x20 + bar);
    }
    for (int bar = 2; bar < 15; ++bar) {
        const Chord& chord = bar == 14 ? ChordE : ChordForBar(MainProgression, bar);
        double t = BarTime(s, bar);
        float grow = static_cast<float>(bar - 2) / 12.0f;
        PlayArpBar(mix, t, chord, 500.0f + 2600.0f * grow, 0.12f + 0.1f * grow, 0.3f);
        if (bar >= 4 && bar < 8) {
            PlayDrumBar(mix, kit, t, bar == 7 ? SoftTicks : HatsOnly, 0.7f);
            if (bar % 2 == 0) {
                PlayBassBar(mix, t, chord, HeldBass, 200.0f, 0.55f);
            }
        } else if (bar >= 8 && bar < 14) {
            PlayDrumBar(mix, kit, t, bar == 13 ? HalfTimeFill : HalfTime, 0.8f);
            PlayBassBar(mix, t, chord, HalfTimeBass, 500.0f + 60.0f * (bar - 8), 0.65f);
        }
    }
    // The banners' beat starts with a crash; the last bar and a third roll
    // into the object scene.
    PlayCrash(mix, BarTime(s, 8), 0.8f, 0x28);
    int rollSteps = static_cast<int>((ObjectStart - lastBar) / StepSeconds);
    PlaySnareRoll(mix, kit, lastBar, rollSteps, 0.2f, 0.9f, true);
    PlayBassBar(mix, lastBar, ChordE, {{0, rollSteps, 0}}, 600.0f, 0.6f);
    PlayBuild(mix, ObjectStart, 6.0, 0.9f, 0x1a);
}

static void ArrangeObject(MusicMix& mix, const DrumKit& kit) {
    const double s = ObjectStart;
    PlayCrash(mix, s, 1.0f, 0x0b1);
    PlayCrash(mix, BarTime(s, 8), 0.8f, 0x0b2);
    for (int bar = 0; bar < 16; ++bar) {
        const Chord& chord = ChordForBar(MainProgression, bar);
        double t = BarTime(s, bar);
        if (bar % 2 == 0) {
            PlayPad(mix, t, chord, 2.95, 1500.0f, 0.38f, 0.35f);
        }
        PlayArpBar(mix, t, chord, 2400.0f, 0.17f, 0.25f);
        const DrumBar& beat =
            bar == 15 ? BreakbeatFill : (bar % 4 == 3 ? BreakbeatTurn : Breakbeat);
        PlayDrumBar(mix, kit, t, beat, 0.85f);
        PlayBassBar(mix, t, chord, RollingBass, 900.0f, 0.75f);
    }
    // The hook, held back: a soft square, second half only.
    PlayLine(mix, BarTime(s, 8), HookFirst, 0, 128, 0, TeaserLead,
             {0.26f, 0.0f, 0.3f, 0.22f, false});
    // The half bar of silence before the swirl: only a backwards crash.
    AddSound(mix, SwirlStart - 0.75, RenderReverseCrash(0.75, 0x0b3),
             {0.25f, 0.0f, 0.3f, 0.0f, false});
}

static void ArrangeSwirl(MusicMix& mix, const DrumKit& kit) {
    const double s = SwirlStart;
    // A soft low hit marks the new scene after the silence.
    AddSound(mix, s, kit.kick, {0.6f, 0.0f, 0.2f, 0.0f, false});
    PlayCrash(mix, s, 0.5f, 0x5c);
    // The lights return at 12 s with the beat.
    PlayCrash(mix, BarTime(s, 8), 0.8f, 0x5d);
    AddSound(mix, BarTime(s, 8) - 1.5, RenderReverseCrash(1.5, 0x5f),
             {0.3f, 0.0f, 0.3f, 0.0f, false});
    for (int bar = 0; bar < 16; ++bar) {
        const Chord& chord = ChordForBar(SpaceProgression, bar);
        double t = BarTime(s, bar);
        if (bar % 2 == 0) {
            PlayPad(mix, t, chord, 2.95, 2200.0f + 80.0f * bar, 0.4f, 0.6f);
        }
        float grow = static_cast<float>(bar) / 15.0f;
        // While the lights are gone (bars 6 and 7) only the pad, the lead and
        // a quieter arpeggio remain.
        bool lightsGone = bar == 6 || bar == 7;
        PlayArpBar(mix, t, chord, 1200.0f + 2500.0f * grow,
                   (0.13f + 0.06f * grow) * (lightsGone ? 0.6f : 1.0f), 0.4f);
        if (bar < 8) {
            if (!lightsGone) {
                PlayDrumBar(mix, kit, t, SoftTicks, 0.8f);
            }
            if (bar % 2 == 0) {
                PlayBassBar(mix, t, chord, HeldBass, 150.0f, 0.5f);
            }
        } else if (bar < 14) {
            PlayDrumBar(mix, kit, t, SpaceBeat, 0.75f);
            PlayBassBar(mix, t, chord, HalfTimeBass, 400.0f, 0.6f);
        } else {
            PlayDrumBar(mix, kit, t, FourFloor, 0.55f + 0.2f * (bar - 14));
            PlaySnareRoll(mix, kit, t, BarSteps, bar == 14 ? 0.15f : 0.5f, bar == 14 ? 0.5f : 1.0f,
                          bar == 15);
            PlayBassBar(mix, t, chord, DrivingBass, 600.0f + 300.0f * (bar - 14), 0.65f);
        }
    }
    PlayLine(mix, s, SpaceLine, 0, 256, 0, SpaceLead, {0.3f, -0.1f, 0.5f, 0.3f, false});
    PlayBuild(mix, FlightStart, 6.0, 1.0f, 0x5e);
}

static void ArrangeFlight(MusicMix& mix, const DrumKit& kit) {
    const double s = FlightStart;
    for (uint32_t bar : {0u, 8u, 20u}) {
        PlayCrash(mix, BarTime(s, bar), 1.0f, 0xf00 + bar);
    }
    PlayCrash(mix, BarTime(s, 16), 0.6f, 0xf10);
    for (int bar = 0; bar < 24; ++bar) {
        const Chord& chord = ChordForBar(MainProgression, bar);
        double t = BarTime(s, bar);
        bool breakdown = bar >= 16 && bar < 20;
        if (bar % 2 == 0) {
            PlayPad(mix, t, chord, 2.95, breakdown ? 2600.0f : 2000.0f, breakdown ? 0.45f : 0.38f,
                    0.4f);
        }
        PlayArpBar(mix, t, chord, breakdown ? 1500.0f + 400.0f * (bar - 16) : 3000.0f, 0.16f, 0.3f);
        if (breakdown) {
            PlayDrumBar(mix, kit, t, Breakdown, 0.8f);
            if (bar % 2 == 0) {
                PlayBassBar(mix, t, chord, HeldBass, 200.0f, 0.5f);
            }
            continue;
        }
        const DrumBar* beat = &FlightBeat;
        if (bar >= 20) {
            beat = &FourFloor;
        } else if (bar % 8 == 7) {
            beat = &FlightFill;
        } else if (bar % 4 == 3) {
            beat = &FlightTurn;
        }
        PlayDrumBar(mix, kit, t, *beat, 1.0f);
        PlayBassBar(mix, t, chord, DrivingBass, bar >= 20 ? 1400.0f : 1200.0f, 0.8f);
        if (bar >= 22) {
            PlaySnareRoll(mix, kit, t, BarSteps, bar == 22 ? 0.3f : 0.6f, bar == 22 ? 0.6f : 1.0f,
                          bar == 23);
        }
    }
    const MixSend lead = {0.34f, 0.0f, 0.25f, 0.2f, false};
    PlayLine(mix, s, HookFirst, 0, 128, 0, HookLead, lead);
    PlayLine(mix, BarTime(s, 8), HookSecond, 0, 128, 0, HookLead, lead);
    // In the breakdown the hook comes back dark and an octave down, opening up again.
    LeadSound dark = HookLead;
    dark.cutoffHz = 900.0f;
    dark.sweepHz = 1200.0f;
    PlayLine(mix, BarTime(s, 16), HookFirst, 0, 64, -12, dark, {0.4f, 0.0f, 0.45f, 0.35f, false});
    PlayLine(mix, BarTime(s, 16), HookFirst, 64, 128, 0, HookLead, lead);
    PlayBuild(mix, CubesStart, 3.0, 1.0f, 0xf1);
}

static void ArrangeCubes(MusicMix& mix, const DrumKit& kit) {
    const double s = CubesStart;
    constexpr int Up = 2; // a whole tone higher from here to the end
    PlayCrash(mix, s, 1.0f, 0xc0);
    PlayCrash(mix, BarTime(s, 4), 1.0f, 0xc4);
    for (int bar = 0; bar < 8; ++bar) {
        Chord chord = Transpose(ChordForBar(MainProgression, bar), Up);
        double t = BarTime(s, bar);
        if (bar % 2 == 0) {
            PlayPad(mix, t, chord, 2.95, 2400.0f, 0.4f, 0.4f);
        }
        PlayArpBar(mix, t, chord, 3300.0f, 0.16f, 0.3f);
        PlayDrumBar(mix, kit, t, bar % 4 == 3 ? FlightFill : FlightBeat, 1.0f);
        PlayBassBar(mix, t, chord, DrivingBass, 1400.0f, 0.8f);
    }
    const MixSend lead = {0.34f, -0.15f, 0.25f, 0.2f, false};
    const MixSend harmony = {0.22f, 0.3f, 0.3f, 0.15f, false};
    PlayLine(mix, s, HookSecond, 0, 128, Up, HookLead, lead);
    PlayLine(mix, s, Harmonise(HookSecond, -2), 0, 128, Up, HookLead, harmony);
    // Sweeps into the white fades before the four cubes and the spinning group.
    PlayBuild(mix, BarTime(s, 4), 2.0, 0.7f, 0xc5);
    PlayBuild(mix, FinaleStart, 2.0, 0.9f, 0xc6);
}

static void ArrangeFinale(MusicMix& mix, const DrumKit& kit) {
    const double s = FinaleStart;
    constexpr int Up = 2;
    PlayCrash(mix, s, 1.0f, 0xe0);
    const Chord chords[3] = {Transpose(ChordF, Up), Transpose(ChordG, Up), Transpose(ChordE, Up)};
    const int leadNotes[3] = {81, 83, 80};
    const int harmonyNotes[3] = {77, 79, 76};
    double rollSteps = (SwitchOffStart - BarTime(s, 2)) / StepSeconds;
    for (int bar = 0; bar < 3; ++bar) {
        double t = BarTime(s, bar);
        double seconds = bar < 2 ? 1.45 : SwitchOffStart - t - 0.03;
        PlayPad(mix, t, chords[bar], seconds, 2600.0f, 0.34f, 0.4f);
        AddSound(mix, t, RenderLead(leadNotes[bar] + Up, seconds, HookLead),
                 {0.34f, 0.0f, 0.3f, 0.25f, false});
        AddSound(mix, t, RenderLead(harmonyNotes[bar] + Up, seconds, HookLead),
                 {0.2f, 0.3f, 0.3f, 0.15f, false});
        if (bar < 2) {
            PlayArpBar(mix, t, chords[bar], 3500.0f, 0.16f, 0.3f);
            PlayDrumBar(mix, kit, t, FourFloor, 1.0f);
            PlayBassBar(mix, t, chords[bar], DrivingBass, 1600.0f, 0.8f);
        } else {
            PlaySnareRoll(mix, kit, t, static_cast<int>(rollSteps), 0.4f, 1.0f, true);
            PlayBassBar(mix, t, chords[bar], {{0, static_cast<int>(rollSteps), 0}}, 900.0f, 0.7f);
        }
    }
    // The final hit on B minor, which the tape stop then drags down.
    Chord last = Transpose(ChordAm, Up);
    double t = SwitchOffStart;
    AddSound(mix, t, RenderKick(), {1.0f, 0.0f, 0.0f, 0.0f, false});
    PlayCrash(mix, t, 1.1f, 0xe1);
    PlayPad(mix, t, last, 2.0, 3000.0f, 0.45f, 0.5f);
    AddSound(mix, t, RenderBass(last.bass, 2.0, 1200.0f), {0.8f, 0.0f, 0.0f, 0.0f, false});
    AddSound(mix, t, RenderLead(81 + Up, 2.0, HookLead), {0.36f, 0.0f, 0.35f, 0.2f, false});
    AddSound(mix, t, RenderLead(76 + Up, 2.0, HookLead), {0.22f, 0.25f, 0.35f, 0.1f, false});
}

StereoTrack RenderSoundtrack() {
#if defined(__SSE__)
    // Reverb and filter tails decay into denormal floats, which are very slow
    // on x86; flush them to zero (the same on every run).
    unsigned int savedCsr = _mm_getcsr();
    _mm_setcsr(savedCsr | 0x8040);
#endif
    MusicMix mix = NewMusicMix(SoundtrackSeconds);
    DrumKit kit = NewDrumKit();
    ArrangeIntro(mix, kit);
    ArrangeObject(mix, kit);
    ArrangeSwirl(mix, kit);
    ArrangeFlight(mix, kit);
    ArrangeCubes(mix, kit);
    ArrangeFinale(mix, kit);
    StereoTrack master = MixDown(mix, 3 * StepSeconds);
    ApplyTapeStop(master, SwitchOffStart + 0.25, TapeHalt);
    // The tail: the room keeps ringing after the tape has stopped.
    StereoTrack ending = NewStereoTrack(master.left.size());
    size_t from = SecondsToFrames(SwitchOffStart);
    std::copy(master.left.begin() + static_cast<long>(from), master.left.end(),
              ending.left.begin() + static_cast<long>(from));
    std::copy(master.right.begin() + static_cast<long>(from), master.right.end(),
              ending.right.begin() + static_cast<long>(from));
    StereoTrack tail = RenderReverb(ending, 0.9f, 0.5f);
    for (size_t i = from; i < master.left.size(); ++i) {
        master.left[i] += 0.6f * tail.left[i];
        master.right[i] += 0.6f * tail.right[i];
    }
    FinishMaster(master, 1.25f, 0.8f, 0.89f);
    // The last second and a half fades out, so the file ends in silence.
    size_t fadeStart = SecondsToFrames(SoundtrackSeconds - 1.5);
    size_t frames = master.left.size();
    for (size_t i = fadeStart; i < frames; ++i) {
        double x =
            static_cast<double>(frames - 1 - i) / static_cast<double>(frames - 1 - fadeStart);
        float gain = static_cast<float>(x * x);
        master.left[i] *= gain;
        master.right[i] *= gain;
    }
#if defined(__SSE__)
    _mm_setcsr(savedCsr);
#endif
    return master;
}
