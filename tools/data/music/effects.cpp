// Effects over whole tracks: reverb, echo, tape stop and the master's limiter.
#include "tools/data/music/effects.h"
#include "tools/data/music/math.h"

#include <algorithm>
#include <cassert>
#include <cmath>

// Freeverb's tuning, in frames at 44.1 kHz; the right side adds RightSpread.
static constexpr int CombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
static constexpr int AllPassLengths[4] = {556, 441, 341, 225};
static constexpr int RightSpread = 23;

struct CombFilter {
    std::vector<float> buffer;
    size_t index = 0;
    float store = 0.0f;
};

struct AllPass {
    std::vector<float> buffer;
    size_t index = 0;
};

// One side of the room: the comb filters in parallel, the all-passes in turn.
static void RunReverbSide(const std::vector<float>& input, std::vector<float>& output, int spread,
                          float feedback, float damping) {
    CombFilter combs[8];
    AllPass passes[4];
    for (int i = 0; i < 8; ++i) {
        combs[i].buffer.assign(CombLengths[i] + spread, 0.0f);
    }
    for (int i = 0; i < 4; ++i) {
        passes[i].buffer.assign(AllPassLengths[i] + spread, 0.0f);
    }
    for (size_t n = 0; n < input.size(); ++n) {
        float in = input[n];
        float sum = 0.0f;
        for (CombFilter& comb : combs) {
            float out = comb.buffer[comb.index];
            comb.store = out * (1.0f - damping) + comb.store * damping;
            comb.buffer[comb.index] = in + comb.store * feedback;
            if (++comb.index == comb.buffer.size()) {
                comb.index = 0;
            }
            sum += out;
        }
        for (AllPass& pass : passes) {
            float delayed = pass.buffer[pass.index];
            pass.buffer[pass.index] = sum + delayed * 0.5f;
            sum = delayed - sum;
            if (++pass.index == pass.buffer.size()) {
                pass.index = 0;
            }
        }
        output[n] = sum;
    }
}

StereoTrack RenderReverb(const StereoTrack& input, float roomSize, float damping) {
    size_t frames = input.left.size();
    // Freeverb scales its input down this far to keep the eight combs' sum near unity.
    constexpr float InputGain = 0.015f;
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i) {
        mono[i] = (input.left[i] + input.right[i]) * InputGain;
    }
    float feedback = 0.7f + 0.28f * roomSize;
    float damp = 0.4f * damping;
    StereoTrack output = NewStereoTrack(frames);
    RunReverbSide(mono, output.left, 0, feedback, damp);
    RunReverbSide(mono, output.right, RightSpread, feedback, damp);
    return output;
}

StereoTrack RenderPingPongEcho(const StereoTrack& input, double delaySeconds, float feedback,
                               float toneHz) {
    size_t frames = input.left.size();
    size_t delay = SecondsToFrames(delaySeconds);
    assert(delay > 0);
    // One-pole low-pass in the loop: y += a (x - y), a = 1 - e^(-2π f / rate).
    float smoothing = static_cast<float>(1.0 - PortableExp(-2.0 * M_PI * toneHz / MusicRate));
    std::vector<float> lineLeft(delay, 0.0f), lineRight(delay, 0.0f);
    float toneLeft = 0.0f, toneRight = 0.0f;
    StereoTrack output = NewStereoTrack(frames);
    size_t index = 0;
    for (size_t i = 0; i < frames; ++i) {
        float outLeft = lineLeft[index];
        float outRight = lineRight[index];
        toneLeft += smoothing * (outLeft - toneLeft);
        toneRight += smoothing * (outRight - toneRight);
        // The input enters on the left (both channels summed) and each repeat
        // crosses to the other side.
        lineLeft[index] = 0.5f * (input.left[i] + input.right[i]) + feedback * toneRight;
        lineRight[index] = feedback * toneLeft;
        output.left[i] = outLeft;
        output.right[i] = outRight;
        if (++index == delay) {
            index = 0;
        }
    }
    return output;
}

void ApplyTapeStop(StereoTrack& track, double startSeconds, double stopSeconds) {
    assert(stopSeconds > startSeconds);
    size_t frames = track.left.size();
    size_t start = std::min(SecondsToFrames(startSeconds), frames);
    size_t stop = std::min(SecondsToFrames(stopSeconds), frames);
    std::vector<float> left(track.left), right(track.right);
    // The speed falls as (1 - x)^2 over the stop, x going 0 → 1; the read
    // position is its running sum, read with linear interpolation. The level
    // fades over the last fifth so that the halt makes no click.
    double position = static_cast<double>(start);
    for (size_t i = start; i < frames; ++i) {
        float gain = 0.0f;
        float outLeft = 0.0f, outRight = 0.0f;
        if (i < stop) {
            double x = static_cast<double>(i - start) / static_cast<double>(stop - start);
            double speed = (1.0 - x) * (1.0 - x);
            size_t whole = static_cast<size_t>(position);
            float fraction = static_cast<float>(position - static_cast<double>(whole));
            if (whole + 1 < frames) {
                outLeft = left[whole] + fraction * (left[whole + 1] - left[whole]);
                outRight = right[whole] + fraction * (right[whole + 1] - right[whole]);
            }
            double fade = (1.0 - x) / 0.2;
            gain = x < 0.8 ? 1.0f : static_cast<float>(fade * fade);
            position += speed;
        }
        track.left[i] = gain * outLeft;
        track.right[i] = gain * outRight;
    }
}

// Rounds values above knee towards 1 along a tanh curve with matching slope.
static float SoftLimit(float value, float knee) {
    float size = std::fabs(value);
    if (size <= knee) {
        return value;
    }
    float room = 1.0f - knee;
    float limited = knee + room * PortableTanh((size - knee) / room);
    return value < 0.0f ? -limited : limited;
}

// Scales both channels by scale; returns the highest magnitude after.
static float ScaleTrack(StereoTrack& track, float scale, float knee) {
    float highest = 0.0f;
    for (std::vector<float>* channel : {&track.left, &track.right}) {
        for (float& sample : *channel) {
            sample = knee > 0.0f ? SoftLimit(sample * scale, knee) : sample * scale;
            highest = std::max(highest, std::fabs(sample));
        }
    }
    return highest;
}

void FinishMaster(StereoTrack& track, float overdrive, float knee, float peak) {
    assert(knee > 0.0f && knee < 1.0f && peak > 0.0f && peak <= 1.0f);
    // DC blocker: y = x - x1 + r y1 (a high-pass near 10 Hz).
    constexpr float Pole = 0.9986f;
    for (std::vector<float>* channel : {&track.left, &track.right}) {
        float lastIn = 0.0f, lastOut = 0.0f;
        for (float& sample : *channel) {
            float out = sample - lastIn + Pole * lastOut;
            lastIn = sample;
            lastOut = out;
            sample = out;
        }
    }
    float highest = ScaleTrack(track, 1.0f, 0.0f);
    if (highest == 0.0f) {
        return;
    }
    highest = ScaleTrack(track, overdrive / highest, knee);
    ScaleTrack(track, peak / highest, 0.0f);
}
