// The keyboard commands, and the engine sounds the message loop keeps up to date.
#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "sound/fake/fake_audio.h"
#include "sound/sound.h"
#include "support/arena.h"
#include "support/workdir.h"

class Keys : public GameDirTest {
protected:
    void SetUp() override
    {
        GameDirTest::SetUp();
        SND_SetBackend(FakeAudio_Backend());
        SND_Init();
    }
    void TearDown() override
    {
        SND_Shutdown();
        SND_SetBackend(nullptr);
        WorkDirTest::TearDown();
    }
    // Looking, the view and help act at once; steering keys act when the next frame starts.
    static void Down(int key) { App_WindowProc(MSG_KEYDOWN, key); }
    static void Up(int key) { App_WindowProc(MSG_KEYUP, key); }
    static int NextFrame() { return Game_ApplyCommands(g_frameCount + 1); }
};

TEST_F(Keys, TheFirstKeyLeavesTheTitleAndStartsTheEngines)
{
    StartPlay(4);
    titleShowing = 1;
    Down(VK_ESCAPE);
    EXPECT_EQ(titleShowing, 0);
    EXPECT_EQ(demoMode, 0);
    EXPECT_EQ(FakeAudio_Channel(0).volume, -600);
    EXPECT_EQ(FakeAudio_Channel(1).volume, -100);
    EXPECT_EQ(FakeAudio_Channel(2).volume, -100);
    EXPECT_EQ(FakeAudio_Channel(3).volume, 0) << "channels 3 and 4 keep their volume";
    for (int channel = 0; channel < 5; channel++)
        EXPECT_EQ(FakeAudio_Channel(channel).playing, channel < 4) << channel;

    // In play the same key quits; D only starts the demo from the title.
    StartPlay(2);
    titleShowing = 1;
    Down('D');
    EXPECT_EQ(demoMode, 1);
    EXPECT_EQ(titleShowing, 0);
}

TEST_F(Keys, PlayKeysSteerLookAndShowHelpWhileHeld)
{
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 0);
    PlaceCycle(1, 3000.0f, 3000.0f, 0);

    Down(VK_UP);
    EXPECT_EQ(cycles[0].accel, 0.0f) << "not before its frame";
    EXPECT_EQ(NextFrame(), 1);
    EXPECT_FLOAT_EQ(cycles[0].accel, 0.008f);
    Down(VK_DOWN);
    NextFrame();
    EXPECT_FLOAT_EQ(cycles[0].accel, -0.008f);
    Down('C');
    EXPECT_EQ(lookDir, 2);
    Down('X');
    EXPECT_EQ(lookDir, 1);
    Down('Z');
    EXPECT_EQ(lookDir, 0);
    Down(VK_F1);
    EXPECT_EQ(helpShowing, 1);
    // Releasing any key, even one that was never pressed, ends all three.
    Up('Q');
    EXPECT_EQ(lookDir, 3);
    EXPECT_EQ(helpShowing, 0);
    NextFrame();
    EXPECT_EQ(cycles[0].accel, 0.0f);

    // Key repeat: every repeated left arrow turns another quarter.
    for (int repeat = 0; repeat < 3; repeat++)
        Down(VK_LEFT);
    EXPECT_EQ(NextFrame(), 3);
    EXPECT_EQ(cycles[0].heading, 1);
    EXPECT_EQ(TrailLength(0), 5);
    Down(VK_RIGHT);
    NextFrame();
    EXPECT_EQ(cycles[0].heading, 2);
    EXPECT_EQ(FakeAudio_Channel(SND_CH_TURN).plays, 4) << "each turn clicks";

    for (int press = 1; press <= 4; press++) {
        Down('V');
        EXPECT_EQ(viewMode, press % 4);
    }
}

TEST_F(Keys, EveryKeyTheGameDoesNotUseQuits)
{
    struct Case { int key; bool quits; } cases[] = {
        {VK_ESCAPE, true}, {VK_SHIFT, true}, {VK_CONTROL, true}, {VK_SPACE, true}, {'A', true},
        {'D', true}, {'1', true}, {KEY_OTHER, true}, {VK_F8, false}, {VK_F1, false},
        {'V', false}, {'C', false}, {VK_UP, false}, {VK_LEFT, false},
    };
    for (const Case &c : cases) {
        StartPlay(2);
        HeadlessScript script;
        script.events = {{1, EV_KEY_DOWN, VK_F8}, {2, EV_KEY_DOWN, c.key}};
        script.maxPasses = 5;
        App_Main(Headless_Start(script));
        EXPECT_EQ(Headless_Passes(), c.quits ? 1 : 5) << "key " << c.key;
    }
}

TEST_F(Keys, TheLoopPitchesThePlayersEngineAndPlacesTheOthersAroundIt)
{
    struct Pass { float speed; unsigned hertz; } passes[] = {
        {10.0f, 22450}, {25.0f, 28450}, {0.0f, 18450}, {10.048f, 22469},
    };
    for (const Pass &p : passes) {
        HeadlessScript script;
        script.maxPasses = 1;
        script.afterPass = [&p](long) { cycles[0].speed = p.speed; };
        App_Main(Headless_Start(script));
        EXPECT_EQ(FakeAudio_Channel(0).frequency, p.hertz) << p.speed;
    }

    // The player heads +x, so its right is -z. A cycle 400 ahead and 800 to the right, heading
    // -z at speed 13, is placed at (2, 1) and moves right at 4.
    HeadlessScript script;
    script.maxPasses = 1;
    script.afterPass = [](long) {
        PlaceCycle(0, 0.0f, 0.0f, 1);
        PlaceCycle(1, 400.0f, -800.0f, 2, 13.0f);
    };
    App_Main(Headless_Start(script));
    const FakeChannel &c = FakeAudio_Channel(1);
    EXPECT_FLOAT_EQ(c.position[0], 2.0f);
    EXPECT_FLOAT_EQ(c.position[1], 1.0f);
    EXPECT_FLOAT_EQ(c.position[2], 0.0f);
    EXPECT_FLOAT_EQ(c.velocity[0], 4.0f);
    EXPECT_FLOAT_EQ(c.velocity[1], 0.0f);
}
