// The data generator: the data folder the build makes, a second run's bytes,
// its failures, and the soundtrack (decoded as a player would decode it, and
// its instruments' note boundaries).
#include "shell/fatal.h"
#include "support/files.h"
#include "tools/data/music_drums.h"
#include "tools/data/music_synth.h"
#include "tools/data/output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The folder the build fills by running the generator.
std::string BuiltDataDir() {
    return std::string(TESSALINE_BINARY_DIR) + "/data";
}

std::string Generator() {
    return std::string(TESSALINE_BINARY_DIR) + "/tessaline-data";
}

// Every regular file under dir, as sorted paths relative to dir.
std::vector<std::string> ListFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), dir).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// ---- The generator as a program ----

TEST(DataGenerator, SecondRunWritesTheSameFilesByteForByte) {
    ASSERT_TRUE(fs::exists(BuiltDataDir() + "/music/velt2002.mp3")) << "build the tree first";
    std::string dir = MakeScratchDir("data-run");
    CommandResult run = RunCommand(Generator() + " " + dir + "/out");
    ASSERT_EQ(run.status, 0) << run.output;

    std::vector<std::string> files = ListFiles(dir + "/out");
    ASSERT_EQ(files, ListFiles(BuiltDataDir()));
    for (const std::string& name : files) {
        EXPECT_NE(run.output.find("tessaline-data: " + name + " ("), std::string::npos)
            << "no progress line for " << name;
        EXPECT_TRUE(ReadFileBytes(dir + "/out/" + name) ==
                    ReadFileBytes(BuiltDataDir() + "/" + name))
            << name << " differs between two runs";
    }
    fs::remove_all(dir);
}

TEST(DataGenerator, BadCommandLinesAndUnusableFoldersEndWithStatusOne) {
    std::string dir = MakeScratchDir("data-bad");
    WriteFileBytes(dir + "/plain-file", {1, 2, 3});
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"", "usage: tessaline-data DIR"},
        {"a b", "usage: tessaline-data DIR"},
        {"''", "usage: tessaline-data DIR"},
        {dir + "/plain-file/out", "tessaline-data: error: Cannot make folder " + dir},
    };
    for (const Case& c : cases) {
        CommandResult run = RunCommand(Generator() + " " + c.arguments);
        EXPECT_EQ(run.status, 1) << "arguments: " << c.arguments;
        EXPECT_NE(run.output.find(c.message), std::string::npos)
            << "arguments: " << c.arguments << "\n"
            << run.output;
    }
    fs::remove_all(dir);
}

// FatalError, caught: the message is kept and control jumps back to the test.
std::jmp_buf FatalJump;
std::string FatalMessage;
void CatchFatal(const char* message) {
    FatalMessage = message;
    std::longjmp(FatalJump, 1);
}

// Writes one byte to dir/name expecting FatalError; returns its message, or
// "" when the write went through.
std::string FailedWriteMessage(const std::string& dir, const char* name) {
    FatalMessage.clear();
    SetFatalErrorHook(CatchFatal);
    if (setjmp(FatalJump) == 0) {
        WriteDataFile(dir, name, {1});
    }
    SetFatalErrorHook(nullptr);
    return FatalMessage;
}

TEST(DataGenerator, WriteDataFileMakesFoldersAndReportsWhatItCannotWrite) {
    std::string dir = MakeScratchDir("data-write");
    WriteDataFile(dir, "a/b/c.bin", {7, 8, 9});
    EXPECT_EQ(ReadFileBytes(dir + "/a/b/c.bin"), (std::vector<uint8_t>{7, 8, 9}));
    WriteDataFile(dir, "a/empty.bin", {});
    EXPECT_TRUE(fs::exists(dir + "/a/empty.bin"));
    EXPECT_EQ(fs::file_size(dir + "/a/empty.bin"), 0u);

    // A folder where the file should go, and a file where a folder should go.
    fs::create_directories(dir + "/taken.bin");
    struct Failure {
        const char* name;
        std::string message;
    };
    const Failure failures[] = {
        {"taken.bin", "Cannot write " + dir + "/taken.bin"},
        {"a/b/c.bin/d.bin", "Cannot make folder " + dir + "/a/b/c.bin"},
    };
    for (const Failure& failure : failures) {
        std::string reported = FailedWriteMessage(dir, failure.name);
        EXPECT_EQ(reported.rfind(failure.message, 0), 0u) << failure.name << ": " << reported;
    }
    fs::remove_all(dir);
}

// ---- The soundtrack ----

struct DecodedAudio {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples; // interleaved
};

uint32_t ReadLittle(const std::vector<uint8_t>& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<size_t>(i)];
    }
    return value;
}

// Decodes an MP3 with the mpg123 player into 32-bit float samples, as a
// player would hear it (no clamping, so overshoot shows).
DecodedAudio DecodeMp3(const std::string& path) {
    DecodedAudio audio;
    std::string wav = MakeScratchDir("data-decode") + "/decoded.wav";
    CommandResult run = RunCommand("mpg123 -q -e f32 -w '" + wav + "' '" + path + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> bytes = ReadFileBytes(wav);
    fs::remove_all(fs::path(wav).parent_path());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) {
        ADD_FAILURE() << "mpg123 wrote no WAVE file";
        return audio;
    }
    // RIFF chunks after the 12-byte header: "fmt " holds the format, "data" the samples.
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = ReadLittle(bytes, at + 4, 4);
        size_t body = at + 8;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0) {
            EXPECT_EQ(ReadLittle(bytes, body, 2), 3u) << "not float samples";
            audio.channels = static_cast<int>(ReadLittle(bytes, body + 2, 2));
            audio.rate = static_cast<int>(ReadLittle(bytes, body + 4, 4));
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            size_t count = std::min<size_t>(size, bytes.size() - body) / 4;
            audio.samples.resize(count);
            std::memcpy(audio.samples.data(), &bytes[body], count * 4);
        }
        at = body + size + (size & 1);
    }
    return audio;
}

// Root mean square of both channels from fromSeconds to toSeconds.
double Rms(const DecodedAudio& audio, double fromSeconds, double toSeconds) {
    size_t from = static_cast<size_t>(fromSeconds * audio.rate) * 2;
    size_t to = std::min(audio.samples.size(), static_cast<size_t>(toSeconds * audio.rate) * 2);
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += audio.samples[i] * audio.samples[i];
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

TEST(Soundtrack, DecodesToTheWholeShowInStereoWithoutClipping) {
    std::string path = BuiltDataDir() + "/music/velt2002.mp3";
    std::vector<uint8_t> mp3 = ReadFileBytes(path);
    ASSERT_GE(mp3.size(), 4u) << path;
    // The first frame header: MPEG-1 layer III, and its bitrate index
    // (kbit/s: 32 40 48 56 64 80 96 112 128 160 192 224 256 320).
    static const int Kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
    ASSERT_EQ(mp3[0], 0xFF);
    ASSERT_EQ(mp3[1] & 0xFE, 0xFA) << "not MPEG-1 layer III";
    EXPECT_GE(Kbps[mp3[2] >> 4], 192);

    DecodedAudio audio = DecodeMp3(path);
    ASSERT_EQ(audio.channels, 2);
    ASSERT_EQ(audio.rate, 44100);
    double seconds = static_cast<double>(audio.samples.size()) / 2.0 / audio.rate;
    EXPECT_GE(seconds, 126.0);
    EXPECT_LE(seconds, 140.0);
    float peak = 0.0f;
    for (float sample : audio.samples) {
        peak = std::max(peak, std::fabs(sample));
    }
    EXPECT_LT(peak, 0.99f);
    EXPECT_GT(peak, 0.5f) << "far too quiet";

    // Every scene has music, the flythrough is the loudest, and the file
    // ends in silence rather than being cut off.
    const double scenes[][2] = {{0.5, 23.0}, {23.0, 47.75}, {47.75, 71.75}, {71.75, 123.75}};
    double intro = Rms(audio, scenes[0][0], scenes[0][1]);
    double flight = Rms(audio, scenes[3][0], scenes[3][1]);
    for (const auto& scene : scenes) {
        double level = Rms(audio, scene[0], scene[1]);
        EXPECT_GT(level, 0.03) << "scene from " << scene[0] << " s";
        EXPECT_LE(level, flight) << "scene from " << scene[0] << " s";
    }
    EXPECT_GT(flight, 1.5 * intro);
    EXPECT_LT(Rms(audio, seconds - 0.1, seconds), 0.001);
}

// A rendered note or hit starts from silence and dies away to silence, and
// never jumps by more than a sound of that pitch can move in one sample:
// otherwise it clicks where notes meet.
TEST(Soundtrack, NotesAndHitsStartAndEndWithoutClicks) {
    LeadSound bright = {7,       22.0f, 0.8f, 0.35f, 2200.0f,
                        3800.0f, 0.22f, 0.3f, 18.0f, {0.006f, 0.4f, 0.75f, 0.18f}};
    struct Case {
        const char* name;
        std::function<StereoTrack()> render;
    };
    const Case cases[] = {
        {"pad",
         [] {
             return RenderPad({57, 60, 64, 67}, 1.0, 2500.0f);
         }},
        {"short pad", [] { return RenderPad({45}, 0.05, 8000.0f); }},
        {"pluck", [] { return RenderPluck(81.0, 3000.0f, 0.16f); }},
        {"bass", [] { return RenderBass(33.0, 0.3, 1200.0f); }},
        {"bass, very short", [] { return RenderBass(45.0, 0.01, 3000.0f); }},
        {"lead", [&] { return RenderLead(84.0, 0.7, bright); }},
        {"lead, shorter than its attack", [&] { return RenderLead(60.0, 0.003, bright); }},
        {"kick", [] { return RenderKick(); }},
        {"snare", [] { return RenderSnare(5); }},
        {"clap", [] { return RenderClap(6); }},
        {"closed hat", [] { return RenderHat(false, 7); }},
        {"open hat", [] { return RenderHat(true, 8); }},
        {"crash", [] { return RenderCrash(2.0, 9); }},
        {"riser", [] { return RenderRiser(1.0, 10); }},
        {"reverse crash", [] { return RenderReverseCrash(1.0, 11); }},
    };
    for (const Case& c : cases) {
        StereoTrack sound = c.render();
        ASSERT_EQ(sound.left.size(), sound.right.size()) << c.name;
        ASSERT_GT(sound.left.size(), 100u) << c.name;
        float peak = 0.0f;
        for (const std::vector<float>* channel : {&sound.left, &sound.right}) {
            EXPECT_LT(std::fabs(channel->front()), 0.01f) << c.name << " starts with a click";
            EXPECT_LT(std::fabs(channel->back()), 0.001f) << c.name << " is cut off";
            for (float sample : *channel) {
                ASSERT_TRUE(std::isfinite(sample)) << c.name;
                peak = std::max(peak, std::fabs(sample));
            }
        }
        EXPECT_GT(peak, 0.01f) << c.name << " is silent";
        // Sounds are levelled in the mix; this only catches a filter running away.
        EXPECT_LT(peak, 3.0f) << c.name << " is far too loud";
    }
}

} // namespace
