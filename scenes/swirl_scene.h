// Light swirl scene: the scene's four operations for the scene table.
#pragma once

void SwirlSceneLoad();
void SwirlSceneStart();
// dt: seconds since the previous frame.
void SwirlSceneFrame(float dt);
void SwirlSceneEnd();
