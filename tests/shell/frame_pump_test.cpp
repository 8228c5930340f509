// The frame pump and the whole program run headless: start-up, one frame per idle event with a
// pending tick, the title phase, the quit keys and the shutdown order.
#include <vector>

#include "graphics/device/fake/fake_device.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "support/workdir.h"

using FramePump = GameDirTest;

TEST_F(FramePump, AnIdleEventRunsOneFrameOnlyWhenATickIsPending)
{
    g_frameCount = 0;
    titleShowing = 0;
    App_WindowProc(MSG_PAINT, 0);
    EXPECT_EQ(g_frameCount, 0) << "no tick, no frame";

    frameTicks = 3;
    App_WindowProc(MSG_PAINT, 0);
    EXPECT_EQ(g_frameCount, 1) << "ticks are not caught up";
    EXPECT_EQ(frameTicks.load(), 0);

    App_TimerTick();
    App_WindowProc(MSG_PAINT, 0);
    App_WindowProc(MSG_PAINT, 0);
    EXPECT_EQ(g_frameCount, 2);
}

TEST_F(FramePump, NoFrameRunsWhileTheTitleShowsAndTheFirstKeyLeavesIt)
{
    g_frameCount = 0;
    frameTicks = 5;
    App_WindowProc(MSG_PAINT, 0);
    EXPECT_EQ(g_frameCount, 0);
    EXPECT_EQ(frameTicks.load(), 5) << "ticks pile up under the title";

    App_WindowProc(MSG_KEYDOWN, VK_ESCAPE);   // every key leaves the title, Escape included
    EXPECT_EQ(titleShowing, 0);
    EXPECT_EQ(demoMode, 0);
    App_WindowProc(MSG_PAINT, 0);
    EXPECT_EQ(g_frameCount, 1);
    EXPECT_EQ(frameTicks.load(), 0);
}

// Runs App_Main over the headless front end and returns its exit code.
static int RunHeadless(HeadlessScript script)
{
    return App_Main(Headless_Start(script));
}

static std::vector<HeadlessEvent> LeaveTitleThenQuitAt(long quitFrame)
{
    return {
        {1, EV_KEY_DOWN, VK_F8},        // leaves the title
        {1, EV_KEY_UP, VK_F8},
        {quitFrame, EV_KEY_DOWN, VK_ESCAPE},
    };
}

TEST_F(FramePump, HeadlessRunFromStartToAQuitKeyInShutdownOrder)
{
    HeadlessScript script;
    script.clockSeconds = 1234;
    script.events = LeaveTitleThenQuitAt(11);
    EXPECT_EQ(RunHeadless(script), 0);
    EXPECT_EQ(g_frameCount, 10);
    EXPECT_EQ(Headless_Passes(), 10);

    const std::vector<std::string> expected = {
        "RegisterWindowClass Zarkride",
        "CreateGameWindow Zarkride \"Zarkride - a light-cycle arena by the Zarkride team\" 640x480",
        "DebugOutput Could not open JPEG\n",   // no title picture here: the title shows text only
        "BeginTimerPeriod 1",
        "StartTimer 25",
        "StopTimer",
        "EndTimerPeriod 1",
        "Close",
    };
    EXPECT_EQ(Headless_Calls(), expected);
}

TEST_F(FramePump, HeadlessRunsAreDeterministicForOneClockAndScript)
{
    struct Trace {
        std::vector<long> frames;
        int nextRandom;
    };
    auto run = [](uint32_t clock) {
        Game_InitState();
        Trace trace;
        HeadlessScript script;
        script.clockSeconds = clock;
        script.events = LeaveTitleThenQuitAt(30);
        script.events.insert(script.events.begin() + 2, {{5, EV_KEY_DOWN, VK_F1},
                                                         {9, EV_KEY_UP, VK_F1}});
        script.afterPass = [&trace](long) { trace.frames.push_back(g_frameCount); };
        EXPECT_EQ(RunHeadless(script), 0);
        trace.nextRandom = Game_Random();
        return trace;
    };
    Trace a = run(99), b = run(99), c = run(100);
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.frames.size(), 30u);
    EXPECT_EQ(a.nextRandom, b.nextRandom);
    EXPECT_NE(a.nextRandom, c.nextRandom) << "the clock seeds the generator";
}

TEST_F(FramePump, StartUpFailuresEndWithTheirExitCodes)
{
    HeadlessScript script;
    script.failRegisterClass = true;
    EXPECT_EQ(RunHeadless(script), 0);

    script = HeadlessScript();
    script.failCreateWindow = true;
    EXPECT_EQ(RunHeadless(script), 1);
    EXPECT_EQ(Headless_Calls().back(), "CreateGameWindow Zarkride "
                                       "\"Zarkride - a light-cycle arena by the Zarkride team\" 640x480");
}

TEST_F(FramePump, WithoutATimerNoFrameRunsButKeysStillWork)
{
    HeadlessScript script;
    script.failTimerPeriod = true;
    script.failTimer = true;
    script.events = LeaveTitleThenQuitAt(50);
    EXPECT_EQ(RunHeadless(script), 0);
    EXPECT_EQ(g_frameCount, 0);
    EXPECT_EQ(Headless_Passes(), 49) << "the quit key ended the run";
    EXPECT_EQ(Headless_MessageBoxes(), (std::vector<std::string>{"Timer failed", "Timer failed"}));
    // A refused resolution is not given back, and a timer never made is not stopped.
    for (const std::string &call : Headless_Calls()) {
        EXPECT_NE(call, "StopTimer");
        EXPECT_NE(call, "EndTimerPeriod 1");
    }
}

TEST_F(FramePump, ClosingTheWindowEndsTheGameWithCodeZero)
{
    HeadlessScript script;
    script.events = {{1, EV_KEY_DOWN, 'Q'}, {4, EV_RESIZE, 0}, {6, EV_DESTROY, 0}};
    EXPECT_EQ(RunHeadless(script), 0);
    EXPECT_EQ(g_frameCount, 5);
}

TEST_F(FramePump, AGraphicsStartUpFailureEndsTheGameWithItsMessage)
{
    FakeDeviceOptions options;
    options.failOperation = "SetDisplayMode";
    GFX_SetDeviceLayer(FakeDevice_Start(options));
    HeadlessScript script;
    EXPECT_EQ(RunHeadless(script), 1);
    EXPECT_EQ(Headless_MessageBoxes(),
              std::vector<std::string>{"This program will not work with your system"});
    EXPECT_EQ(Headless_Passes(), 0) << "the game never started its loop";
    EXPECT_EQ(ReadFile("error.txt"), "GFX_Init : SetDisplayMode went down!\n");
    GFX_SetDeviceLayer(&g_softDevice);
}

TEST_F(FramePump, AMissingModelFileEndsTheGameWithItsMessage)
{
    remove("zark2.wrl");
    HeadlessScript script;
    EXPECT_EQ(RunHeadless(script), 1);
    EXPECT_EQ(Headless_MessageBoxes(), std::vector<std::string>{"Could not open .WRL file"});
    EXPECT_EQ(Headless_Passes(), 0);
}
