// Whole games run headless through zarksim's workings: the same seed and keys give the same
// game, and a long demo sees crashes, scores and respawns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim.h"
#include "sound/fake/fake_audio.h"
#include "sound/sound.h"
#include "support/workdir.h"

using WholeGame = GameDirTest;

static uint64_t RunAndHash(const SimOptions &options, const std::vector<HeadlessEvent> &keys = {})
{
    EXPECT_EQ(Sim_Run(options, keys), 0);
    return Sim_StateHash();
}

static long Count(const std::vector<std::string> &calls, const std::string &call)
{
    return std::count(calls.begin(), calls.end(), call);
}

// The sanitized build runs a shorter demo (ZARKRIDE_DEMO_FRAMES), still long enough for every
// shot of the camera director and many crashes and respawns.
TEST_F(WholeGame, ALongDemoIsTheSameEveryRunAndSeesCrashesScoresRespawnsAndEveryShot)
{
    SimOptions options;
    options.seed = 7;
    options.frames = ZARKRIDE_DEMO_FRAMES;
    options.demo = true;
    bool shotSeen[6] = {};
    options.afterFrame = [&](long) { shotSeen[shotKind] = true; };

    SND_SetBackend(FakeAudio_Backend());
    uint64_t first = RunAndHash(options);
    options.afterFrame = nullptr;
    for (int kind = 0; kind < 6; kind++)
        EXPECT_TRUE(shotSeen[kind]) << "shot " << kind;
    std::vector<std::string> calls = FakeAudio_Calls();
    int scored = 0;
    for (int slot = 0; slot < cycleCount; slot++)
        scored += cycles[slot].score != 0;
    SND_SetBackend(nullptr);

    long crashes = Count(calls, "Play 5") + Count(calls, "Play 7");
    long engineStarts = 0;
    for (int slot = 0; slot < 4; slot++)
        engineStarts += Count(calls, "Play " + std::to_string(slot));
    EXPECT_GT(crashes, options.frames / 2000);   // trails grow, and crashes come faster
    EXPECT_GT(scored, 0);
    // Every crash but those of the last 120 frames ends in a respawn that restarts the engine,
    // on top of the four engines started by the title key.
    EXPECT_GE(engineStarts - 4, crashes - 4);
    EXPECT_LE(engineStarts - 4, crashes);

    EXPECT_EQ(RunAndHash(options), first);
    options.seed = 8;
    EXPECT_NE(RunAndHash(options), first);
}

TEST_F(WholeGame, TheKeyScriptSteersThePlayer)
{
    SimOptions options;
    options.seed = 3;
    options.frames = 40;
    uint64_t straight = RunAndHash(options);
    EXPECT_EQ(cycles[0].trailHead->next->next, nullptr) << "no key, no corner";

    WriteFile("keys.txt", "# turn left, then hold the accelerator\n"
                          "10 down 37\n10 up 37\n\n20 down 38   # up arrow\n");
    std::vector<HeadlessEvent> keys;
    std::string error;
    ASSERT_TRUE(Sim_ReadKeys("keys.txt", &keys, &error)) << error;
    uint64_t steered = RunAndHash(options, keys);
    EXPECT_NE(steered, straight);
    int corners = 0;
    for (const TrailNode *n = cycles[0].trailHead; n; n = n->next)
        corners++;
    EXPECT_EQ(corners, 3);
    EXPECT_GT(cycles[0].speed, 10.0f);
    EXPECT_EQ(RunAndHash(options, keys), steered);
}

TEST_F(WholeGame, BadCommandLinesAndKeyScriptsAreNamed)
{
    struct Case {
        std::vector<const char *> args;
        const char *error;
    } cases[] = {
        {{"--frames"}, "--frames needs N"},
        {{"--frames", "ten"}, "bad value for --frames: ten"},
        {{"--seed", "-1"}, "bad value for --seed: -1"},
        {{"--fast"}, "unknown option --fast"},
    };
    for (const Case &c : cases) {
        std::vector<char *> argv = {const_cast<char *>("zarksim")};
        for (const char *a : c.args)
            argv.push_back(const_cast<char *>(a));
        SimOptions options;
        std::string error;
        EXPECT_FALSE(Sim_ParseArgs((int)argv.size(), argv.data(), &options, &error));
        EXPECT_EQ(error, c.error);
    }

    const char *args[] = {"zarksim", "--seed", "4294967295", "--frames", "5", "--demo", "--state"};
    SimOptions options;
    std::string error;
    ASSERT_TRUE(Sim_ParseArgs(7, const_cast<char **>(args), &options, &error)) << error;
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.frames, 5);
    EXPECT_TRUE(options.demo && options.state);

    WriteFile("keys.txt", "5 down 37\n6 sideways 37\n");
    std::vector<HeadlessEvent> keys;
    EXPECT_FALSE(Sim_ReadKeys("keys.txt", &keys, &error));
    EXPECT_EQ(error, "keys.txt:2: expected \"FRAME down|up CODE\"");
    EXPECT_FALSE(Sim_ReadKeys("missing.txt", &keys, &error));
}

TEST_F(WholeGame, RunsExactlyTheFramesAskedWhateverTheScriptHolds)
{
    WriteFile("keys.txt", "45 down 37\n010 down 37\n10 up 37\n");   // out of order, one too late
    std::vector<HeadlessEvent> keys;
    std::string error;
    ASSERT_TRUE(Sim_ReadKeys("keys.txt", &keys, &error)) << error;
    EXPECT_EQ(keys.front().frame, 10) << "decimal frame numbers";
    SimOptions options;
    options.frames = 40;
    long last = 0;
    options.afterFrame = [&last](long frame) { last = frame; };
    ASSERT_EQ(Sim_Run(options, keys), 0);
    EXPECT_EQ(last, 40);

    // A picture of a frame the run never reaches is an error, not a missing file.
    options.screenshots = {{41, "late.png"}};
    EXPECT_EQ(Sim_Run(options, keys), 1);
    EXPECT_TRUE(ReadFile("late.png").empty());

    // Pictures are named from where zarksim was started, whatever --data says.
    const std::string command = std::string("cd '") + dir_ + "' && '" + ZARKRIDE_BINARY_DIR +
                                "/bin/zarksim' --data '" + ZARKRIDE_GAME_DIR +
                                "' --frames 1 --screenshot 1:here.png";
    ASSERT_EQ(system(command.c_str()), 0);
    EXPECT_FALSE(ReadFile("here.png").empty());
    EXPECT_TRUE(ReadFile(std::string(ZARKRIDE_GAME_DIR) + "/here.png").empty());
}

// The sound a player would hear, rendered in step with the frames: the tune on the title, then
// the engines, and a burst of sound at each frame where the game plays an explosion or a turn
// at full volume (within 1.1 units of the hearer).
TEST_F(WholeGame, TheAudioFollowsTheGameFrameByFrame)
{
    WriteFile("zark.mid", ReadFile(std::string(ZARKRIDE_GAME_DIR) + "/zark.mid"));
    SimOptions options;
    options.seed = 7;
    options.frames = 400;
    options.demo = true;
    options.title = 80;

    // Where the bursts fall, from the calls the game makes frame by frame. The explosions sound
    // where the hearer is; a turn, where it happens, in units of 200 world units.
    std::vector<long> bursts;
    SND_SetBackend(FakeAudio_Backend());
    options.afterFrame = [&bursts](long frame) {
        const std::vector<std::string> &calls = FakeAudio_Calls();
        auto played = [&calls](const char *call) {
            return std::find(calls.begin(), calls.end(), call) != calls.end();
        };
        const float *at = FakeAudio_Channel(SND_CH_TURN).position;
        bool nearTurn = played("Play 6") && std::hypot(at[0], at[1], at[2]) <= 1.1f;
        if (played("Play 5") || played("Play 7") || nearTurn)
            bursts.push_back(frame);
        FakeAudio_ClearCalls();
    };
    ASSERT_EQ(Sim_Run(options, {}), 0);
    SND_SetBackend(nullptr);
    ASSERT_FALSE(bursts.empty());

    options.afterFrame = nullptr;
    options.audioFile = "heard.wav";
    ASSERT_EQ(Sim_Run(options, {}), 0);
    const std::string file = ReadFile("heard.wav");
    ASSERT_EQ(file.size(), 44u + 479 * 1200 * 4) << "79 title passes and 400 frames of 25 ms";
    const int16_t *samples = reinterpret_cast<const int16_t *>(file.data() + 44);
    // How loud a pass's 25 ms is, and how much of it is high, quick sound (the changes from one
    // sample to the next): the engines hum low, the bursts crack. Pass p is frame p - 79.
    auto loudness = [samples](long pass, bool quick) {
        double sum = 0;
        const int16_t *block = samples + (pass - 1) * 2400;
        for (int i = 2; i < 2400; i++) {
            double v = quick ? block[i] - block[i - 2] : block[i];
            sum += v * v;
        }
        return std::sqrt(sum / 2398);
    };
    double title = 0;
    for (long pass = 1; pass < 80; pass++)
        title = std::max(title, loudness(pass, false));
    EXPECT_GT(title, 1000.0) << "the tune on the title";
    for (long frame : bursts) {
        double before = 0, after = 0;
        for (long pass = frame + 79 - 4; pass < frame + 79; pass++)
            before = std::max(before, loudness(pass, true));
        for (long pass = frame + 79; pass < frame + 79 + 3; pass++)
            after = std::max(after, loudness(pass, true));
        EXPECT_GT(after, before * 1.5) << "a burst at frame " << frame;
    }
}
