// The level's share of the benchmark: its load-time building step by step,
// its per-frame counters, the cost of its own per-frame work (finding the
// leaf, marking, walking, chaining) without the OpenGL calls, and a level
// file drawn from a fixed camera in place of the show.
//
// Owns the samples of the current measurement; BeginLevelSampling empties
// them. Runs against the show's level scene and its LevelCamera.
#pragma once

#include "tools/bench/bench.h"

#include <string>
#include <vector>

// Times the level's load-time building of the level file at path, step by
// step: reading the file alone, the whole loader, the textures (palette from
// the working directory), the texture coordinates and the lightmaps. Leaves
// the level built as the scene's load does. After the scene's load, call it
// with the scene's level and before its start.
void MeasureLevelBuild(const char* path, std::vector<BenchStep>* steps);

// The show's level file, relative to the data folder.
const char* ShowLevelPath();

// A camera position outside the loaded level, above one corner, from which
// all of model 0's bounds lies inside the level's view (StartLevelView).
// False when the level is too large for that: the far plane cuts it.
bool OutsideEye(float eye[3]);

// Makes LevelCamera look from eye at the centre of the loaded level, uploads
// the level's textures and pages and sets the level's drawing state.
void StartLevelView(const float eye[3]);

// One level frame from LevelCamera, presented.
void DrawLevelViewFrame(float dt);

// Releases the camera made by StartLevelView.
void EndLevelView();

// Whether row is the show's level scene.
bool IsLevelSceneRow(int32_t row);

// Forgets earlier samples.
void BeginLevelSampling();

// After a frame of the level scene at scene time t: records the frame's
// counters and times the frame's walk again without drawing, once with the
// visible set kept and once rebuilt.
void SampleLevelFrame(float t);

// Median and maximum of each counter over the sampled frames, the number of
// visible-set rebuilds, and the walk's cost against medianFrameMs. Leaves
// counts alone when no level frame was sampled.
void SummarizeLevelFrames(double medianFrameMs, LevelFrameCounts* counts);
