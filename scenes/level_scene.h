// Level flythrough: the scene's four operations for the scene table.
#pragma once

void LevelSceneLoad();
void LevelSceneStart();
// dt: seconds since the previous frame.
void LevelSceneFrame(float dt);
void LevelSceneEnd();
