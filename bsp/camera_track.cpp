// The compiled-in camera track of the level flythrough.
#include "bsp/camera_track.h"

#include "math/camera.h"

#include <cassert>
#include <cstring>

namespace {

// Position x, y, z and angles about x, y, z of each key, as stored in single
// precision.
constexpr float KeyTable[CameraKeyCount][6] = {
    {740.88806f, -1402.6244f, 210.24052f, 81.375f, 0.0f, 359.4375f},
    {742.1628f, -1272.8068f, 190.33424f, 7.0625f, 0.0f, 359.3125f},
    {742.447f, -1247.9111f, -6.032173f, 87.6875f, 0.0f, 363.5625f},
    {522.21375f, -1088.3217f, -3.606793f, 96.75f, 0.0f, 309.0625f},
    {513.86536f, -822.9153f, 4.540599f, 89.0625f, 0.0f, 199.9375f},
    {505.98523f, -632.2286f, 5.665972f, 91.875f, 0.0f, 282.125f},
    {899.19507f, -626.1345f, 8.942193f, 88.8125f, 0.0f, 272.6875f},
    {976.8287f, -625.28345f, 7.223679f, 93.1875f, 0.0f, 181.25f},
    {1192.8889f, -611.29285f, 10.365f, 93.25f, 0.0f, 327.3125f},
    {1323.4204f, -447.67953f, 15.661999f, 85.0f, 0.0f, 389.0625f},
    {1291.538f, -14.070606f, 18.736366f, 71.75f, 0.0f, 267.625f},
    {1305.5759f, 222.82169f, 9.090321f, 79.6875f, 0.0f, 242.125f},
    {1085.8759f, 241.15636f, 10.179323f, 79.25f, 0.0f, 181.125f},
    {711.2232f, 238.41245f, -1.987402f, 82.375f, 0.0f, 231.75f},
    {658.0874f, -84.74512f, 13.577349f, 87.75f, 0.0f, 269.6875f},
    {658.04333f, -84.76335f, 13.574056f, 90.9375f, 0.0f, 94.5f},
    {463.64517f, -104.15059f, 20.389223f, 91.25f, 0.0f, 90.625f},
    {197.09573f, -100.979836f, 21.707567f, 87.6875f, 0.0f, -86.3125f},
    {197.18391f, 73.72133f, 8.236851f, 91.5625f, 0.0f, -0.4375f},
    {190.68855f, 292.00757f, 5.119446f, 88.875f, 0.0f, 0.125f},
    {190.20836f, 440.81702f, -13.172589f, 75.8125f, 0.0f, 1.875f},
    {192.3048f, 444.95828f, -191.86617f, 0.0f, 0.0f, -179.9375f},
};

CameraKey Keys[CameraKeyCount];
CameraTrack Track;
float TrackClock;

} // namespace

void BuildCameraTrack() {
    std::memset(Keys, 0, sizeof Keys);
    for (int i = 0; i < CameraKeyCount; ++i) {
        for (int channel = 0; channel < 6; ++channel) {
            Keys[i].values[channel] = KeyTable[i][channel];
        }
        // Keys every 1.7 s, truncated to whole seconds: 0, 1, 3, 5, 6, 8, ...
        Keys[i].time = static_cast<int32_t>(i * 1.7);
    }
    Track = {Keys, CameraKeyCount, 35};
    TrackClock = 0.0f;
}

const CameraTrack* GetCameraTrack() {
    return &Track;
}

float CameraTrackTime() {
    return TrackClock;
}

void UpdateCameraTrack(float dt, Camera* camera) {
    TrackClock += dt;
    if (TrackClock >= CameraTrackLoop) {
        TrackClock = 0.0f;
    }
    double values[6];
    EvaluateCameraTrack(&Track, values, TrackClock);
    camera->position = {static_cast<float>(values[0]), static_cast<float>(values[1]),
                        static_cast<float>(values[2])};
    camera->angles = {static_cast<float>(values[3]), static_cast<float>(values[4]),
                      static_cast<float>(values[5])};
}

void HermiteBasis(double u, double out[4]) {
    double u2 = u * u;
    double u3 = u2 * u;
    out[1] = 3.0 * u2 - 2.0 * u3;
    out[0] = 1.0 - out[1];
    out[2] = u3 - 2.0 * u2 + u;
    out[3] = u3 - u2;
}

void EvaluateCameraTrack(const CameraTrack* track, double out[6], double time) {
    assert(track->count >= 2);
    const CameraKey* keys = track->keys;
    int k = 0;
    while (k + 1 < track->count && time > keys[k + 1].time) {
        ++k;
    }
    if (k + 1 >= track->count) {
        // Between the last key and the wrap the camera rests on the last key.
        std::memcpy(out, keys[track->count - 1].values, sizeof keys[0].values);
        return;
    }
    const CameraKey& k0 = keys[k];
    const CameraKey& k1 = keys[k + 1];
    int32_t span = k1.time - k0.time;
    double u = (time - k0.time) / span;
    double h[4];
    HermiteBasis(u, h);

    double a1 = (1 - k0.tension) * (1 + k0.continuity) * (1 + k0.bias);
    double a2 = (1 - k0.tension) * (1 - k0.continuity) * (1 - k0.bias);
    double b1 = (1 - k1.tension) * (1 - k1.continuity) * (1 + k1.bias);
    double b2 = (1 - k1.tension) * (1 + k1.continuity) * (1 - k1.bias);
    bool firstKey = k0.time == 0;
    bool lastKey = k1.time == track->lastTime;
    // Tangents are scaled to the segment's span so that neighbouring segments
    // of different lengths meet smoothly.
    double g = firstKey ? 0.0 : static_cast<double>(span) / (k1.time - keys[k - 1].time);
    double d = lastKey ? 0.0 : static_cast<double>(span) / (keys[k + 2].time - k0.time);
    for (int channel = 0; channel < 6; ++channel) {
        double p0 = k0.values[channel];
        double p1 = k1.values[channel];
        double delta = p1 - p0;
        double r0 = firstKey ? 0.5 * (a1 + a2) * delta
                             : g * (a1 * (p0 - keys[k - 1].values[channel]) + a2 * delta);
        double r1 = lastKey ? 0.5 * (b1 + b2) * delta
                            : d * (b1 * delta + b2 * (keys[k + 2].values[channel] - p1));
        out[channel] = h[0] * p0 + h[1] * p1 + h[2] * r0 + h[3] * r1;
    }
}
