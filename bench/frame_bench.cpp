// frame_bench.cpp -- what a whole frame costs on the software device: the game update, the scene,
// the screen text, the rasteriser and the page flip, as the real program runs them. Each
// benchmark starts the game over the headless front end, leaves the title at the first frame,
// times 2,000 frames one by one and reports how they spread: the median, the 99th percentile,
// the slowest and the mean, in milliseconds. A frame has 25 ms; the aim is a median under 3 ms.
// One run is the demo (the camera director cutting between shots of five computer cycles), the
// other is play from the cockpit, where the radar is drawn too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

#include "game/game.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"

namespace {

constexpr long FRAMES = 2000;
constexpr uint32_t SEED = 7;
// Every this many frames the page on show is looked at, the last frame's page included.
constexpr long PAGE_CHECK_EVERY = 100;
// Pages that light less than this share of their pixels on average drew next to nothing: the
// score row alone lights under 1 %, the floor seen from any of the game's cameras far more.
constexpr double LEAST_LIT_SHARE = 0.05;

const char *const DATA_FILES[] = {"Alpha.3df", "floor.3df", "kaboom.3df", "wall1.3df",
                                  "zark2.wrl", "setup.txt"};

// The game reads its data files from the folder it runs in and writes error.txt there, so each
// run gets a fresh copy of the folder the build laid out, and the build's own stays untouched.
class GameFolder {
public:
    bool Enter(std::string *error)
    {
        char pattern[] = "/tmp/zarkride-frames-XXXXXX";
        if (!mkdtemp(pattern)) {
            *error = "cannot make a folder to run the game in";
            return false;
        }
        dir_ = pattern;
        for (const char *name : DATA_FILES) {
            std::string from = std::string(ZARKRIDE_GAME_DIR) + "/" + name;
            std::ifstream in(from, std::ios::binary);
            std::ofstream out(dir_ + "/" + name, std::ios::binary);
            if (!in || !(out << in.rdbuf())) {
                *error = "cannot copy " + from + " (build the game_assets target first)";
                return false;
            }
        }
        char *old = getcwd(nullptr, 0);
        if (!old || chdir(dir_.c_str()) != 0) {
            free(old);
            *error = "cannot enter " + dir_;
            return false;
        }
        oldDir_ = old;
        free(old);
        return true;
    }

    // What the game logged while it ran, if anything.
    std::string ErrorLog() const
    {
        std::ifstream in(dir_ + "/error.txt");
        std::string line, log;
        while (std::getline(in, line))
            log += (log.empty() ? "" : " | ") + line;
        return log;
    }

    ~GameFolder()
    {
        if (!oldDir_.empty() && chdir(oldDir_.c_str()) != 0)
            perror("frame_bench: cannot go back to the starting folder");
        if (!dir_.empty()) {
            for (const char *name : DATA_FILES)
                unlink((dir_ + "/" + name).c_str());
            unlink((dir_ + "/error.txt").c_str());
            rmdir(dir_.c_str());
        }
    }

private:
    std::string dir_, oldDir_;
};

struct GameRun {
    int exitCode = -1;
    std::vector<double> frameMs;        // one wall time per idle pass, in order
    long framesRun = 0;                 // frames the game counted itself
    long passes = 0;                    // idle passes the front end delivered
    std::vector<std::string> messageBoxes;
    std::vector<double> litShares;      // share of non-black pixels of each page looked at
    int demo = -1, view = -1, cycles = 0;
};

// The share of non-black pixels of the page on show; false when there is no display.
bool LitShare(double *share)
{
    const uint16_t *pixels;
    int pitch, width, height;
    if (!SoftDevice_FrontPage(&pixels, &pitch, &width, &height) || width <= 0 || height <= 0)
        return false;
    long lit = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            lit += pixels[(size_t)y * pitch + x] != 0;
    *share = (double)lit / ((double)width * height);
    return true;
}

// Runs the program from start-up to quit: the title is left at the first frame (D for the demo,
// else F8, a key that does nothing in play), FRAMES frames run, then Escape quits. A frame's
// time runs from the end of one idle pass to the end of the next, so it holds everything the
// loop does for that frame: the events, the update, the drawing, the flip and the engine sounds.
GameRun RunGame(bool demo)
{
    using Clock = std::chrono::steady_clock;
    GameRun run;
    run.frameMs.reserve(FRAMES);
    Clock::time_point last;

    const int leaveKey = demo ? (int)'D' : (int)VK_F8;
    HeadlessScript script;
    script.clockSeconds = SEED;
    script.events.push_back({1, EV_KEY_DOWN, leaveKey});
    script.events.push_back({1, EV_KEY_UP, leaveKey});
    script.events.push_back({FRAMES + 1, EV_KEY_DOWN, VK_ESCAPE});
    script.maxPasses = FRAMES + 1;
    script.onMessageBox = [&run](const char *text) { run.messageBoxes.push_back(text); };
    script.afterPass = [&](long pass) {
        Clock::time_point now = Clock::now();
        if (pass > 0)
            run.frameMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        if (pass > 0 && pass % PAGE_CHECK_EVERY == 0) {
            // Pages are looked at outside the timed span, and the last one before the game
            // shuts its display down.
            double share;
            if (LitShare(&share))
                run.litShares.push_back(share);
        }
        if (pass == FRAMES)
            run.demo = demoMode, run.view = viewMode, run.cycles = cycleCount;
        last = Clock::now();
    };

    Game_InitState();
    GFX_SetDeviceLayer(&g_softDevice);
    run.exitCode = App_Main(Headless_Start(script));
    run.framesRun = g_frameCount;
    run.passes = Headless_Passes();
    Game_InitState();
    return run;
}

double MeanOf(const std::vector<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / (double)values.size();
}

// Why a run cannot stand for FRAMES frames of the game it was meant to be, or "" when it can.
std::string Fault(const GameRun &run, bool demo)
{
    if (run.exitCode != 0)
        return "the game exited with " + std::to_string(run.exitCode);
    if (!run.messageBoxes.empty())
        return "the game showed a message box: " + run.messageBoxes.front();
    if ((long)run.frameMs.size() != FRAMES || run.framesRun != FRAMES || run.passes != FRAMES)
        return "timed " + std::to_string(run.frameMs.size()) + " passes, the game ran " +
               std::to_string(run.framesRun) + " frames over " + std::to_string(run.passes) +
               " passes; wanted " + std::to_string(FRAMES) + " of each";
    if (run.demo != (demo ? 1 : 0))
        return demo ? "the title key did not start the demo" : "play ran as a demo";
    if (!demo && run.view != 0)
        return "play left the cockpit view";
    long looked = (long)run.litShares.size();
    if (looked != FRAMES / PAGE_CHECK_EVERY)
        return "a page was on show at " + std::to_string(looked) + " of the " +
               std::to_string(FRAMES / PAGE_CHECK_EVERY) + " frames looked at";
    if (MeanOf(run.litShares) < LEAST_LIT_SHARE)
        return "the pages are nearly black (" + std::to_string(MeanOf(run.litShares) * 100.0) +
               "% lit on average): the frames drew next to nothing";
    return "";
}

// Nearest-rank percentile of sorted samples.
double Percentile(const std::vector<double> &sorted, double percent)
{
    size_t rank = (size_t)std::ceil(percent / 100.0 * (double)sorted.size());
    return sorted[std::max<size_t>(rank, 1) - 1];
}

void TimeWholeFrames(benchmark::State &state, bool demo)
{
    GameFolder folder;
    std::string error;
    if (!folder.Enter(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }

    std::vector<double> samples;
    std::vector<double> litShares;
    int cyclesInPlay = 0;
    for (auto _ : state) {
        GameRun run = RunGame(demo);
        std::string fault = Fault(run, demo);
        if (!fault.empty()) {
            std::string log = folder.ErrorLog();
            if (!log.empty())
                fault += "; error.txt: " + log;
            state.SkipWithError(fault.c_str());
            return;
        }
        state.SetIterationTime(std::accumulate(run.frameMs.begin(), run.frameMs.end(), 0.0) /
                               1000.0);
        samples.insert(samples.end(), run.frameMs.begin(), run.frameMs.end());
        litShares.insert(litShares.end(), run.litShares.begin(), run.litShares.end());
        cyclesInPlay = run.cycles;
    }

    std::sort(samples.begin(), samples.end());
    double sum = std::accumulate(samples.begin(), samples.end(), 0.0);
    size_t n = samples.size();
    double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    state.counters["median_ms"] = median;
    state.counters["p99_ms"] = Percentile(samples, 99.0);
    state.counters["max_ms"] = samples.back();
    state.counters["mean_ms"] = sum / (double)n;
    state.counters["frames"] = (double)n;
    state.counters["cycles"] = cyclesInPlay;
    state.counters["lit_pct"] = MeanOf(litShares) * 100.0;
    state.counters["least_lit_pct"] = *std::min_element(litShares.begin(), litShares.end()) * 100.0;
    state.SetItemsProcessed((int64_t)n);    // frames per second of drawing flat out
}

void BM_WholeFrames_Demo(benchmark::State &state)
{
    TimeWholeFrames(state, true);
}
BENCHMARK(BM_WholeFrames_Demo)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WholeFrames_Play(benchmark::State &state)
{
    TimeWholeFrames(state, false);
}
BENCHMARK(BM_WholeFrames_Play)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
