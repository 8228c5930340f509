// Whole games run headless through zarksim's workings: the same seed and keys give the same
// game, and a long demo sees crashes, scores and respawns.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(WholeGame, ALongDemoIsTheSameEveryRunAndSeesCrashesScoresAndRespawns)
{
    SimOptions options;
    options.seed = 7;
    options.frames = 20000;
    options.demo = true;

    SND_SetBackend(FakeAudio_Backend());
    uint64_t first = RunAndHash(options);
    std::vector<std::string> calls = FakeAudio_Calls();
    int scored = 0;
    for (int slot = 0; slot < cycleCount; slot++)
        scored += cycles[slot].score != 0;
    SND_SetBackend(nullptr);

    long crashes = Count(calls, "Play 5") + Count(calls, "Play 7");
    long engineStarts = 0;
    for (int slot = 0; slot < 4; slot++)
        engineStarts += Count(calls, "Play " + std::to_string(slot));
    EXPECT_GT(crashes, 10);
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
