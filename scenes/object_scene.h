// Mirrored object scene: the scene's four operations for the scene table.
#pragma once

void ObjectSceneLoad();
void ObjectSceneStart();
// dt: seconds since the previous frame.
void ObjectSceneFrame(float dt);
void ObjectSceneEnd();
