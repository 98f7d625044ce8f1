// The level scene's share of the benchmark: its load-time building step by
// step, its per-frame counters, and the cost of its own per-frame work
// (finding the leaf, marking, walking, chaining) without the OpenGL calls.
//
// Owns the samples of the current measurement; BeginLevelSampling empties
// them. Runs only against the show's own level scene.
#pragma once

#include "tools/bench/bench.h"

#include <string>
#include <vector>

// Times the level's load-time building again, step by step, in the data
// folder: reading the file alone, the whole loader, the textures, the
// texture coordinates and the lightmaps. Leaves the level built as the
// scene's load left it. Call after the scene's load and before its start.
void MeasureLevelBuild(std::vector<BenchStep>* steps);

// Whether row is the show's level scene.
bool IsLevelSceneRow(int32_t row);

// Forgets earlier samples.
void BeginLevelSampling();

// After a frame of the level scene at scene time t: records the frame's
// counters and times the frame's walk again without drawing, once with the
// visible set kept and once rebuilt.
void SampleLevelFrame(float t);

// Median and maximum of each counter over the sampled frames, the number of
// visible-set rebuilds, and the walk's cost against medianFrameMs.
void AppendLevelCounters(double medianFrameMs, std::vector<BenchCounter>* counters);
