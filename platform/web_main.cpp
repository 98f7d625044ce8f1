// Entry point of the show in a web page.
//
// The start-up is the native one, cut where the browser needs it: the
// display opens and every scene loads at once, then the page shows the first
// (black) frame with "click to start"; the click opens and plays the music
// and starts the clock (browsers allow sound only from a click or a key), and
// from then on the browser's frame callback runs one pass of the loop per
// frame: waiting key events, then one sequencer step. Escape ends the show.
// The show's clock is the music's position (ReadMusicClock): while the music
// has not started or waits for data the clock stands still, and so does the
// picture; a pass that finds the clock where it was draws nothing.
//
// index.html?at=T1,T2,… plays the show without sound on a virtual clock of
// 1/60 s per pass, hands the frames at those show times to the page and stops
// at the last one, with the title "frame T"; "end" plays on to the show's end
// (the title gives the time it ended at). index.html?bench plays the
// whole show the same way and reports each scene's frame times in the page.
// ?omit=… leaves an effect out, for tests that show a wrong frame is caught.
// ?height=H draws H lines (480 to 4320) and ?hd the height of the 4:3 area
// the picture fills on the canvas, in device pixels.
// The page may replace this copy of the program with another before the
// click (the viewer chose their own data files): WebRetire stops it for good.
// State: the mode, the times asked for, the frame times and the last clock
// reading, file-static.
#include "fixedgl/fixed_gl.h"
#include "platform/web_page.h"
#include "platform/window.h"
#include "shell/demo.h"
#include "shell/music.h"
#include "shell/picture_options.h"
#include "shell/picture_size.h"
#include "shell/sequencer.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int VirtualFps = 60;
// Wall-clock milliseconds of show played per browser frame on the virtual
// clock, so that the page stays responsive.
constexpr double PassBudgetMs = 40.0;

// The frame number that stands for the show's last frame (?at=end).
constexpr int64_t ShowEndFrame = INT64_MAX;

struct AtFrame {
    int64_t frame; // passes played before it: frame n shows the show at n / 60 s
    std::string name;
};

bool Started;
bool Finished;
std::vector<AtFrame> AtFrames;
size_t NextAtFrame;
bool Bench;
int64_t Passes;
std::vector<double> FrameMs[SceneCount];
std::vector<uint8_t> Picture;
int64_t LastShowClock;

int64_t MusicClockFrequency() {
    return 1000000;
}

std::string FormatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// Comma-separated non-negative seconds, at most a day each, or "end".
bool ReadTimes(const std::string& text, std::vector<AtFrame>* frames) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item == "end") {
            frames->push_back({ShowEndFrame, "end"});
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
            continue;
        }
        char* end = nullptr;
        double seconds = std::strtod(item.c_str(), &end);
        if (item.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 ||
            seconds > 86400) {
            return false;
        }
        // The first frame at or after the time, as the capture tool picks it.
        frames->push_back(
            {static_cast<int64_t>(std::ceil(seconds * VirtualFps - 1e-6)), FormatSeconds(seconds)});
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    std::stable_sort(frames->begin(), frames->end(),
                     [](const AtFrame& a, const AtFrame& b) { return a.frame < b.frame; });
    return !frames->empty();
}

void NoPresent(void*) {}

void EndShow() {
    Finished = true;
    emscripten_cancel_main_loop();
    ShutdownDisplay();
    FreeMusic();
    PlatformQuit();
}

// Hands every asked frame that the passes so far have reached to the page.
void HandOverFrames() {
    while (NextAtFrame < AtFrames.size() && AtFrames[NextAtFrame].frame <= Passes) {
        ReadPictureRgba(Picture.data());
        HandFrameToPage(AtFrames[NextAtFrame].name, Picture.data(), PicturePixelWidth(),
                        PicturePixelHeight());
        ++NextAtFrame;
    }
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

void ReportBench() {
    static const char* const names[SceneCount] = {"titles", "object", "swirl", "level"};
    AddPageReport("scene   frames  median ms  99% ms  mean ms  median fps");
    for (int scene = 0; scene < SceneCount; ++scene) {
        const std::vector<double>& times = FrameMs[scene];
        if (times.empty()) {
            continue;
        }
        double sum = 0;
        for (double t : times) {
            sum += t;
        }
        const double median = Percentile(times, 0.5);
        char line[160];
        std::snprintf(line, sizeof line, "%-7s %6zu  %9.2f  %6.2f  %7.2f  %10.1f", names[scene],
                      times.size(), median, Percentile(times, 0.99),
                      sum / static_cast<double>(times.size()), 1000.0 / median);
        AddPageReport(line);
    }
}

// One browser frame of the virtual clock: passes until the budget is spent.
void VirtualPass() {
    const double start = emscripten_get_now();
    while (!QuitRequested && (Bench || NextAtFrame < AtFrames.size())) {
        const int32_t scene = ScenePosition;
        const double before = emscripten_get_now();
        RunFrame();
        if (PageHasFailed()) {
            return;
        }
        ++Passes;
        // Waiting for each picture keeps the browser's GPU queue short, so
        // that the page answers between browser frames, and times the frame.
        WaitForPicture();
        if (Bench && ScenePosition == scene && !QuitRequested) {
            FrameMs[scene].push_back(emscripten_get_now() - before);
        }
        HandOverFrames();
        if (emscripten_get_now() - start > PassBudgetMs) {
            return;
        }
    }
    const double showEnd = static_cast<double>(Passes) / VirtualFps;
    std::string lastName = AtFrames.empty() ? "" : AtFrames.back().name;
    if (NextAtFrame < AtFrames.size() && AtFrames[NextAtFrame].frame == ShowEndFrame) {
        // The show has ended: its last picture is the frame asked for.
        ReadPictureRgba(Picture.data());
        HandFrameToPage("end", Picture.data(), PicturePixelWidth(), PicturePixelHeight());
        NextAtFrame = AtFrames.size();
        lastName = FormatSeconds(showEnd);
    }
    ShowPictureOnCanvas();
    if (Bench) {
        ReportBench();
        SetPageTitle("bench done");
        SetPageStatus("");
    } else if (NextAtFrame < AtFrames.size()) {
        ShowErrorBox("Error", ("no frame at " + AtFrames[NextAtFrame].name +
                               " s: the show ended at " + FormatSeconds(showEnd) + " s")
                                  .c_str());
        return;
    } else {
        SetPageTitle("frame " + lastName);
        SetPageStatus("");
    }
    Finished = true;
    emscripten_cancel_main_loop();
}

// One browser frame of the show: key events, then one sequencer step.
void ShowPass() {
    if (!Started || Finished) {
        return;
    }
    PlatformEvent event;
    while (PollPlatformEvent(&event)) {
        WindowProc(event);
    }
    if (!QuitRequested) {
        const int64_t clock = ReadMusicClock();
        if (clock == LastShowClock) {
            return; // the music has not moved: the picture waits for it
        }
        LastShowClock = clock;
        const int32_t scene = ScenePosition;
        RunFrame();
        // The last scene ends the show itself, without leaving its row.
        if ((ScenePosition != scene || QuitRequested) && !PageHasFailed()) {
            NoteSceneEnd(scene);
        }
    }
    if (QuitRequested && !PageHasFailed()) {
        EndShow();
    }
}

} // namespace

// Called by the page on the first click: music and clock start together.
extern "C" EMSCRIPTEN_KEEPALIVE int WebStartShow() {
    if (Started || Finished || PageHasFailed()) {
        return 0;
    }
    OpenMusic("music/velt2002.mp3");
    PlayMusic();
    QuitRequested = 0;
    SetCounterSource(ReadMusicClock, MusicClockFrequency);
    StartClock();
    LastShowClock = ReadMusicClock();
    Started = true;
    SetPageStatus("");
    return 1;
}

// Called by the page when full screen ends while the show plays: the
// browser takes the Escape that leaves it for itself.
extern "C" EMSCRIPTEN_KEEPALIVE void WebLeftFullScreen() {
    if (Started && !Finished) {
        WindowProc(PlatformEvent{PlatformEventKind::Escape});
    }
}

// Called by the page when it starts another copy of the program in this
// one's place (other data files): this one stops for good.
extern "C" EMSCRIPTEN_KEEPALIVE void WebRetire() {
    Finished = true;
    emscripten_cancel_main_loop();
    StopPageKeys();
}

// The canvas's size in device pixels.
EM_JS(int, CanvasPixelWidth, (), { return Module["canvas"] ? Module["canvas"].width | 0 : 0; });
EM_JS(int, CanvasPixelHeight, (), { return Module["canvas"] ? Module["canvas"].height | 0 : 0; });

// ?height=H draws H lines (480 to 4320); ?hd draws at the height of the 4:3
// area the picture fills on the canvas, in device pixels. False after
// showing why a height was refused.
static bool ChoosePictureHeight() {
    std::string value;
    if (GetPageOption("hd", &value)) {
        SetPictureHeight(PictureHeightForDisplay(CanvasPixelWidth(), CanvasPixelHeight()));
    }
    if (!GetPageOption("height", &value)) {
        return true;
    }
    PictureOptions options;
    bool usedValue = false;
    std::string error;
    if (ReadPictureOption("--height", value.c_str(), "--height", &options, &usedValue, &error) !=
        PictureOptionResult::Taken) {
        ShowErrorBox("Error", ("?height takes lines, 480 to 4320: " + value).c_str());
        return false;
    }
    SetPictureHeight(options.height);
    return true;
}

int main() {
    std::string value;
    const bool virtualClock = GetPageOption("at", &value) || GetPageOption("bench", &value);
    if (GetPageOption("at", &value) && !ReadTimes(value, &AtFrames)) {
        ShowErrorBox("Error",
                     ("?at needs show times in seconds, such as ?at=1.5,30: " + value).c_str());
        return 1;
    }
    Bench = GetPageOption("bench", &value);
    // Tests leave out or spoil one effect with ?omit= (SetFixedGlOmission).
    if (GetPageOption("omit", &value) && !SetFixedGlOmission(value.c_str())) {
        ShowErrorBox("Error",
                     ("?omit takes lines, blend, unit1, clamp, alpha, npot or sphereflip: " + value)
                         .c_str());
        return 1;
    }

    if (!ChoosePictureHeight()) {
        return 1;
    }

    OpenDisplay(false);
    SetupScenes();
    Picture.resize(static_cast<size_t>(PicturePixelWidth()) * PicturePixelHeight() * 4);
    if (virtualClock) {
        UseVirtualClock(VirtualFps, 1);
        SetPresentHook(NoPresent, nullptr);
        QuitRequested = 0;
        StartClock();
        SetPageStatus(Bench ? "measuring frame times" : "playing to the asked time");
        HandOverFrames();
        emscripten_set_main_loop(VirtualPass, 0, 1);
    } else {
        ShowPictureOnCanvas();
        AwaitStartGesture();
        emscripten_set_main_loop(ShowPass, 0, 1);
    }
    return 0;
}
