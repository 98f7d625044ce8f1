// Opening titles: the scene's four operations for the scene table.
#pragma once

void TitlesLoad();
void TitlesStart();
// dt: seconds since the previous frame.
void TitlesFrame(float dt);
void TitlesEnd();
