// The compiled-in camera track of the level flythrough: 22 keys on a
// Kochanek-Bartels (tension, continuity, bias) spline, looping every 35.7 s.
//
// Owns the key array and the track clock (seconds of track time, 0 after
// BuildCameraTrack). The clock only moves in UpdateCameraTrack and always
// stays in [0, 35.7).
#pragma once

#include <cstdint>

struct Camera;

constexpr int CameraKeyCount = 22;
// Track time at which the clock wraps back to 0, seconds.
constexpr float CameraTrackLoop = 35.7f;

struct CameraKey {
    double values[6]; // position x, y, z; angles about x, y, z in degrees
    double tension;
    double continuity;
    double bias;
    int32_t time; // seconds of track time
};

struct CameraTrack {
    const CameraKey* keys;
    int32_t count;
    int32_t lastTime; // time of the last key
};

// Fills the 22 keys from the compiled-in table and resets the clock to 0.
void BuildCameraTrack();

// The track BuildCameraTrack filled.
const CameraTrack* GetCameraTrack();

// Seconds of track time the clock shows.
float CameraTrackTime();

// Advances the clock by dt seconds (the frame that reaches 35.7 shows time 0)
// and writes the track's position and angles into camera.
void UpdateCameraTrack(float dt, Camera* camera);

// The six channels of the track at time seconds. Past the last key the
// last key's values hold.
void EvaluateCameraTrack(const CameraTrack* track, double out[6], double time);

// The cubic Hermite weights at u in [0, 1]: out = h00, h01, h10, h11.
void HermiteBasis(double u, double out[4]);
