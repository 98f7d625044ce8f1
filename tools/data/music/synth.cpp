// Tonal instruments of the soundtrack, built from the blocks in music_dsp.
#include "tools/data/music/synth.h"
#include "tools/data/music/math.h"

#include <algorithm>
#include <cassert>
#include <cmath>

// Coefficients of moving filters are refreshed this often (samples): tan()
// per sample would cost more than the sound gains.
static constexpr int FilterUpdate = 16;

// A seed for the random start phases of one voice of one note, never 0.
static uint32_t VoiceSeed(double note, int voice) {
    uint32_t seed = static_cast<uint32_t>(std::lround(note * 100.0)) * 2654435761u;
    seed ^= static_cast<uint32_t>(voice + 1) * 40503u;
    return seed == 0 ? 1u : seed;
}

static double RandomPhase(Noise& noise) {
    return 0.5 * (NextNoise(noise) + 1.0f);
}

StereoTrack RenderPad(const std::vector<int>& notes, double gate, float cutoffHz) {
    assert(!notes.empty());
    constexpr int Voices = 5;
    constexpr float DetuneCents = 16.0f;
    const Envelope amplitude = {0.35f, 1.6f, 0.7f, 0.9f};
    size_t frames = SecondsToFrames(gate + amplitude.release);
    StereoTrack sound = NewStereoTrack(frames);

    struct PadVoice {
        Oscillator oscillator;
        double hz;
        float left, right;
    };
    std::vector<PadVoice> voices;
    for (size_t n = 0; n < notes.size(); ++n) {
        for (int v = 0; v < Voices; ++v) {
            Noise noise = {VoiceSeed(notes[n], v)};
            float spread = (static_cast<float>(v) - 2.0f) / 2.0f; // -1 … 1
            double detune = spread * DetuneCents + 2.0 * NextNoise(noise);
            // Alternate notes mirror the spread so that no side gets all the highs.
            float pan = 0.85f * spread * (n % 2 == 0 ? 1.0f : -1.0f);
            PadVoice voice;
            voice.oscillator.phase = RandomPhase(noise);
            voice.hz = NoteFrequency(notes[n] + detune / 100.0);
            voice.left = std::sqrt(0.5f * (1.0f - pan));
            voice.right = std::sqrt(0.5f * (1.0f + pan));
            voices.push_back(voice);
        }
    }
    float scale = 0.9f / std::sqrt(static_cast<float>(voices.size()));
    Filter filterLeft, filterRight;
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        if (i % FilterUpdate == 0) {
            // The filter breathes slowly, opposite ways on the two sides.
            double breath = 0.2 * PortableSin(2.0 * M_PI * 0.23 * t);
            SetFilter(filterLeft, cutoffHz * (1.0 + breath), 0.15f);
            SetFilter(filterRight, cutoffHz * (1.0 - breath), 0.15f);
        }
        float left = 0.0f, right = 0.0f;
        for (PadVoice& voice : voices) {
            float value = NextSaw(voice.oscillator, voice.hz);
            left += voice.left * value;
            right += voice.right * value;
        }
        float level = scale * EnvelopeLevel(amplitude, t, gate);
        sound.left[i] = level * RunFilter(filterLeft, left).low;
        sound.right[i] = level * RunFilter(filterRight, right).low;
    }
    return sound;
}

StereoTrack RenderPluck(double note, float cutoffHz, float decaySeconds) {
    const Envelope amplitude = {0.002f, decaySeconds, 0.0f, 0.05f};
    double gate = 3.0 * decaySeconds;
    size_t frames = SecondsToFrames(gate + amplitude.release);
    StereoTrack sound = NewStereoTrack(frames);
    Noise noise = {VoiceSeed(note, 7)};
    Oscillator saw{RandomPhase(noise)}, square{RandomPhase(noise)};
    double sawHz = NoteFrequency(note), squareHz = NoteFrequency(note + 0.08);
    Filter filter;
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        if (i % FilterUpdate == 0) {
            SetFilter(filter, 180.0 + cutoffHz * PortableExp(-t / (0.45 * decaySeconds)), 0.35f);
        }
        float value = 0.6f * NextSaw(saw, sawHz) + 0.4f * NextSquare(square, squareHz);
        float out = 1.3f * EnvelopeLevel(amplitude, t, gate) * RunFilter(filter, value).low;
        sound.left[i] = out;
        sound.right[i] = out;
    }
    return sound;
}

StereoTrack RenderBass(double note, double gate, float cutoffHz) {
    const Envelope amplitude = {0.004f, 0.3f, 0.8f, 0.05f};
    size_t frames = SecondsToFrames(gate + amplitude.release);
    StereoTrack sound = NewStereoTrack(frames);
    Oscillator sine, saw;
    double hz = NoteFrequency(note);
    Filter filter;
    const float drive = 1.6f, norm = 1.0f / PortableTanh(1.6f);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        if (i % FilterUpdate == 0) {
            SetFilter(filter, 90.0 + cutoffHz * PortableExp(-t / 0.12), 0.3f);
        }
        float body = NextSine(sine, hz);
        float edge = RunFilter(filter, NextSaw(saw, hz)).low;
        float value = norm * PortableTanh(drive * (0.75f * body + 0.45f * edge));
        float out = 0.6f * EnvelopeLevel(amplitude, t, gate) * value;
        sound.left[i] = out;
        sound.right[i] = out;
    }
    return sound;
}

StereoTrack RenderLead(double note, double gate, const LeadSound& sound) {
    assert(sound.voices >= 1 && sound.voices <= 9);
    size_t frames = SecondsToFrames(gate + sound.amplitude.release);
    StereoTrack out = NewStereoTrack(frames);
    struct LeadVoice {
        Oscillator oscillator;
        double hz;
        float left, right;
    };
    std::vector<LeadVoice> voices(static_cast<size_t>(sound.voices));
    for (int v = 0; v < sound.voices; ++v) {
        Noise noise = {VoiceSeed(note, v + 11)};
        float spread = sound.voices == 1 ? 0.0f : 2.0f * v / (sound.voices - 1.0f) - 1.0f;
        float pan = sound.width * spread * (v % 2 == 0 ? 1.0f : -1.0f);
        LeadVoice& voice = voices[static_cast<size_t>(v)];
        voice.oscillator.phase = RandomPhase(noise);
        voice.hz = NoteFrequency(note + spread * sound.detuneCents / 100.0);
        voice.left = std::sqrt(0.5f * (1.0f - pan));
        voice.right = std::sqrt(0.5f * (1.0f + pan));
    }
    Oscillator square;
    double squareHz = NoteFrequency(note - 12.0);
    float scale = 1.4f / std::sqrt(static_cast<float>(sound.voices));
    Filter filterLeft, filterRight;
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / MusicRate;
        if (i % FilterUpdate == 0) {
            double cutoff = sound.cutoffHz + sound.sweepHz * PortableExp(-t / sound.sweepSeconds);
            SetFilter(filterLeft, cutoff, sound.resonance);
            SetFilter(filterRight, cutoff, sound.resonance);
        }
        // Vibrato fades in from 0.25 s to 0.6 s into the note, at 5.5 Hz.
        double depth = sound.vibratoCents * std::clamp((t - 0.25) / 0.35, 0.0, 1.0);
        double bend = PortableExp2(depth * PortableSin(2.0 * M_PI * 5.5 * t) / 1200.0);
        float left = 0.0f, right = 0.0f;
        for (LeadVoice& voice : voices) {
            float value = NextSaw(voice.oscillator, voice.hz * bend);
            left += voice.left * value;
            right += voice.right * value;
        }
        left *= scale;
        right *= scale;
        if (sound.squareLevel > 0.0f) {
            float body = sound.squareLevel * 0.9f * NextSquare(square, squareHz * bend);
            left += body;
            right += body;
        }
        float level = EnvelopeLevel(sound.amplitude, t, gate);
        out.left[i] = level * RunFilter(filterLeft, left).low;
        out.right[i] = level * RunFilter(filterRight, right).low;
    }
    return out;
}
