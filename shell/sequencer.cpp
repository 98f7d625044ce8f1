// The scene table, the clock and the sequencer.
#include "shell/sequencer.h"

#include "platform/window.h"
#include "scenes/level_scene.h"
#include "scenes/object_scene.h"
#include "scenes/swirl_scene.h"
#include "scenes/titles.h"
#include "shell/demo.h"
#include "shell/fatal.h"

#include <cassert>

SceneEntry SceneTable[SceneCount];
int32_t ScenePosition;
float SceneTime;

static int64_t CounterFrequency;
static int64_t LastCounterValue;
static CounterFunction ReadCounter = ReadPlatformCounter;
static CounterFunction ReadCounterFrequency = ReadPlatformCounterFrequency;

static int64_t VirtualTicks;
static int64_t VirtualTicksPerSecond;
static int64_t VirtualTicksPerRead;

// Set by tests that play the loop with rows of their own.
static SceneOperation SceneTableFiller;

static int64_t ReadVirtualCounter() {
    VirtualTicks += VirtualTicksPerRead;
    return VirtualTicks;
}

static int64_t ReadVirtualFrequency() {
    return VirtualTicksPerSecond;
}

void SetCounterSource(CounterFunction read, CounterFunction frequency) {
    ReadCounter = read != nullptr ? read : ReadPlatformCounter;
    ReadCounterFrequency = frequency != nullptr ? frequency : ReadPlatformCounterFrequency;
}

void UseVirtualClock(int64_t ticksPerSecond, int64_t ticksPerRead) {
    assert(ticksPerSecond > 0 && ticksPerRead > 0);
    VirtualTicks = 0;
    VirtualTicksPerSecond = ticksPerSecond;
    VirtualTicksPerRead = ticksPerRead;
    SetCounterSource(ReadVirtualCounter, ReadVirtualFrequency);
}

void SetSceneTableFiller(SceneOperation fill) {
    SceneTableFiller = fill;
}

void FillSceneTable() {
    if (SceneTableFiller != nullptr) {
        SceneTableFiller();
        return;
    }
    SceneTable[0] = {TitlesLoad, TitlesStart, TitlesFrame, TitlesEnd, 23.0f};
    SceneTable[1] = {ObjectSceneLoad, ObjectSceneStart, ObjectSceneFrame, ObjectSceneEnd, 24.75f};
    SceneTable[2] = {SwirlSceneLoad, SwirlSceneStart, SwirlSceneFrame, SwirlSceneEnd, 24.0f};
    SceneTable[3] = {LevelSceneLoad, LevelSceneStart, LevelSceneFrame, LevelSceneEnd, 100.0f};
}

void SetupScenes() {
    FillSceneTable();
    for (int32_t row = ScenePosition; row < SceneCount; ++row) {
        SceneTable[row].load();
    }
    SceneTable[ScenePosition].start();
}

void StartClock() {
    CounterFrequency = ReadCounterFrequency();
    if (CounterFrequency <= 0) {
        FatalError("No high-resolution counter");
    }
    LastCounterValue = ReadCounter();
}

float MeasureFrameTime() {
    int64_t now = ReadCounter();
    int64_t ticks = now - LastCounterValue;
    LastCounterValue = now;
    double frameTime = static_cast<double>(ticks) / static_cast<double>(CounterFrequency);
    SceneTime = AdvanceSceneTime(SceneTime, frameTime);
    return static_cast<float>(frameTime);
}

float AdvanceSceneTime(float sceneTime, double frameTime) {
    return static_cast<float>(sceneTime + frameTime);
}

int64_t PassesBelow(float until, double frameTime) {
    assert(frameTime > 0.0);
    int64_t passes = 0;
    float time = AdvanceSceneTime(0.0f, frameTime);
    while (time < until) {
        ++passes;
        float next = AdvanceSceneTime(time, frameTime);
        if (next <= time) {
            break; // too small a step to move the clock: it would never get there
        }
        time = next;
    }
    return passes;
}

void RunFrame() {
    assert(ScenePosition >= 0 && ScenePosition < SceneCount);
    float dt = MeasureFrameTime();
    const SceneEntry& row = SceneTable[ScenePosition];
    if (SceneTime < row.duration) {
        row.frame(dt);
        return;
    }
    if (row.end != nullptr) {
        row.end();
    }
    ++ScenePosition;
    if (ScenePosition < SceneCount) {
        SceneTime = 0.0f;
        SceneTable[ScenePosition].start();
    } else {
        QuitRequested = 1;
    }
}
