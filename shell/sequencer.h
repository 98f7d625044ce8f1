// The scene table, the clock and the sequencer.
//
// Owns SceneTable, ScenePosition, SceneTime and the counter state. A scene is
// framed while SceneTime < its duration; the pass that reaches the duration
// ends it and starts the next one (drawing nothing), so every scene gets its
// start and end, in table order, one row per pass at most.
// The counter can be swapped for a virtual one so that tests and the capture
// tool step the real loop by exact amounts of time.
#pragma once

#include <cstdint>

using SceneOperation = void (*)();
using SceneFrameOperation = void (*)(float frameTime);

struct SceneEntry {
    SceneOperation load;
    SceneOperation start;
    SceneFrameOperation frame; // frame time in seconds
    SceneOperation end;        // may be null
    float duration;            // seconds of SceneTime
};

constexpr int SceneCount = 4;

extern SceneEntry SceneTable[SceneCount];
// Index of the current row; SceneCount after the last scene has ended.
extern int32_t ScenePosition;
// Seconds since the current scene became current.
extern float SceneTime;

// Fills the table, runs every row's load operation from ScenePosition on,
// then the current row's start operation.
void SetupScenes();

// Puts the four rows into SceneTable: the show's scenes, or the rows of the
// filler set below. SetupScenes starts with this; the benchmark calls it to
// run and time each load itself.
void FillSceneTable();

// Makes FillSceneTable call fill instead of writing the show's rows, so that
// tests drive the real loop with rows of their own (nullptr restores the
// show's).
void SetSceneTableFiller(SceneOperation fill);

// Reads the counter's frequency and first value; the show's clock starts here.
// A counter without a frequency is fatal.
void StartClock();

// Seconds since the previous reading; adds them to SceneTime.
float MeasureFrameTime();

// A scene clock of sceneTime seconds after frameTime more, as
// MeasureFrameTime adds them (summed in double, kept as a float).
float AdvanceSceneTime(float sceneTime, double frameTime);

// How many passes of a row, at a constant frame time of frameTime seconds
// (positive), see its clock below until: the passes that frame it.
int64_t PassesBelow(float until, double frameTime);

// One sequencer step: frames the current scene, or ends it and starts the
// next, or after the last one sets QuitRequested.
void RunFrame();

using CounterFunction = int64_t (*)();

// Replaces the counter and its frequency (nullptr for either restores the
// platform's high-resolution counter).
void SetCounterSource(CounterFunction read, CounterFunction frequency);

// A counter that advances ticksPerRead ticks on every reading, at
// ticksPerSecond: each pass of the loop then lasts exactly
// ticksPerRead / ticksPerSecond seconds. Both must be positive.
void UseVirtualClock(int64_t ticksPerSecond, int64_t ticksPerRead);
