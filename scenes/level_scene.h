// Level flythrough: row 3 of the scene table. A camera flies along the track
// through the BSP level for 36 s; then the level is drawn into a corner of the
// picture, read back and worn by floating cubes (two, four, then four
// spinning); each segment fades to white; from 52 s the picture switches off
// and the scene sets QuitRequested.
//
// Owns LevelCamera (angle mode, moved by the camera track), CubeCamera
// (look-at mode) and CubeTintBoost. The level store and its textures live
// until the process ends.
#pragma once

#include <cstdint>

struct Camera;

extern Camera* LevelCamera;
extern Camera* CubeCamera;
// Added to the spinning cubes' colours; falls from 2 to 1.
extern float CubeTintBoost;

// Seconds of the scene's clock at which the picture starts switching off.
constexpr float LevelSwitchOffStart = 52.0f;

// Passes the scene draws at a constant frame time of frameTime seconds
// before it sets QuitRequested, the last one included: the passes whose
// clock stays below LevelSwitchOffStart, then the switch-off's frames.
int64_t LevelScenePasses(double frameTime);

void LevelSceneLoad();
void LevelSceneStart();
// dt: seconds since the previous frame.
void LevelSceneFrame(float dt);
void LevelSceneEnd();

// One complete level picture into the current viewport; advances the camera
// track by dt seconds.
void DrawLevel(float dt);

// The level's drawing state: loads the multitexture entry points, enables
// both units and sets the viewport, LevelCamera's projection and the depth
// test. The level's textures and lightmap pages must be uploaded.
void StartLevelDrawing();

// One complete level picture from LevelCamera as it stands, into the
// current viewport.
void DrawLevelView();

// The frame's visibility work from LevelCamera against the current frustum:
// the view leaf, the marked faces and the per-texture chains, no drawing.
void ChainVisibleLevelFaces();
