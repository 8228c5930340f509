// The replay viewer, headless: a recording played, paused, stepped, sped up, jumped through and
// watched from other cameras always reaches the states a straight run reaches.
#include <map>
#include <vector>

#include "game/game.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "shell/viewer.h"
#include "support/workdir.h"

namespace {

const std::string V2 = ZARKRIDE_RECORDINGS_DIR "/v2-steered-10s.rec";   // a game, 393 frames
const std::string V1 = ZARKRIDE_RECORDINGS_DIR "/v1-steered-20s.rec";   // a game, 728 frames
constexpr uint64_t V2_END_STATE = 0x72090dd9a8d75d8bull;

struct Pass {
    long frame;
    uint64_t hash;
    ViewerState state;
};

class ViewerTest : public GameDirTest {
protected:
    void TearDown() override
    {
        Viewer_Close();
        GameDirTest::TearDown();
    }

    // Plays `path` for `passes` ticks with these keys (pressed before the pass named), then
    // Escape; gives what each pass left.
    std::vector<Pass> Play(const std::string &path, long passes,
                           std::vector<HeadlessEvent> keys = {})
    {
        std::string error;
        EXPECT_TRUE(Viewer_Open(path.c_str(), &error)) << error;
        HeadlessScript script;
        std::vector<HeadlessEvent> events;
        for (HeadlessEvent key : keys) {
            events.push_back(key);
            events.push_back({key.frame, EV_KEY_UP, key.key});
        }
        events.push_back({passes + 1, EV_KEY_DOWN, VK_ESCAPE});
        script.events = events;
        script.maxPasses = passes + 10;
        std::vector<Pass> seen;
        script.afterPass = [&seen](long pass) {
            if (pass >= 1)
                seen.push_back({g_frameCount, Game_SharedStateHash(), Viewer_State()});
        };
        GFX_SetDeviceLayer(&g_softDevice);
        EXPECT_EQ(App_Main(Headless_Start(script)), 0);
        Viewer_Close();
        return seen;
    }
};

TEST_F(ViewerTest, PlaysToTheRecordedEndAndHoldsItsLastFrameUntilEscape)
{
    std::vector<Pass> seen = Play(V2, 420);
    ASSERT_EQ(seen.size(), 420u);
    EXPECT_EQ(seen[392].frame, 393);
    EXPECT_EQ(seen[392].hash, V2_END_STATE);
    for (size_t i = 393; i < seen.size(); i++) {
        EXPECT_EQ(seen[i].frame, 393);
        EXPECT_TRUE(seen[i].state.ended);
        EXPECT_EQ(seen[i].state.pictures, seen[i - 1].state.pictures + 1) << "the end stays shown";
    }
    EXPECT_EQ(seen.back().hash, V2_END_STATE);
}

TEST_F(ViewerTest, JumpsBackAndForthLandOnTheStatesOfAStraightRun)
{
    std::map<long, uint64_t> straight;
    for (const Pass &p : Play(V1, 728))
        straight[p.frame] = p.hash;
    ASSERT_EQ(straight.size(), 728u);

    // Left from frame 499 lands on 99 (re-run from the start), Right from 109 on 509, Home on 0.
    std::vector<Pass> seen = Play(V1, 700, {{500, EV_KEY_DOWN, VK_LEFT},
                                            {510, EV_KEY_DOWN, VK_RIGHT},
                                            {600, EV_KEY_DOWN, VK_HOME},
                                            {650, EV_KEY_DOWN, VK_RIGHT}});
    EXPECT_EQ(seen[499].frame, 100);
    EXPECT_EQ(seen[509].frame, 510);
    EXPECT_EQ(seen[599].frame, 1);
    EXPECT_EQ(seen[649].frame, 451);
    for (const Pass &p : seen) {
        ASSERT_TRUE(straight.count(p.frame));
        EXPECT_EQ(p.hash, straight[p.frame]) << "frame " << p.frame;
    }
}

TEST_F(ViewerTest, AnyCameraWatchesTheSameGame)
{
    // Cycle 3 with the player's views, the viewer's own director (which draws shots from a
    // generator of its own), then other views of cycle 2.
    std::vector<Pass> seen = Play(V2, 400, {{20, EV_KEY_DOWN, '3'},
                                            {120, EV_KEY_DOWN, 'D'},
                                            {300, EV_KEY_DOWN, '2'},
                                            {320, EV_KEY_DOWN, 'V'},
                                            {340, EV_KEY_DOWN, 'V'}});
    EXPECT_EQ(seen.back().frame, 393);
    EXPECT_EQ(seen.back().hash, V2_END_STATE);
}

TEST_F(ViewerTest, PauseHoldsTheFrameAndTheSpeedsRunTheirShareOfFrames)
{
    std::vector<HeadlessEvent> keys = {{10, EV_KEY_DOWN, VK_SPACE},
                                       {15, EV_KEY_DOWN, VK_OEM_PERIOD},
                                       {20, EV_KEY_DOWN, VK_SPACE}};
    for (int i = 0; i < 3; i++)   // x8
        keys.push_back({30, EV_KEY_DOWN, VK_UP});
    keys.push_back({30, EV_KEY_DOWN, VK_UP});   // no faster than x8
    for (int i = 0; i < 6; i++)   // x1/4: no slower
        keys.push_back({40, EV_KEY_DOWN, VK_DOWN});
    std::vector<Pass> seen = Play(V2, 60, keys);

    for (int pass = 10; pass < 20; pass++)
        EXPECT_EQ(seen[pass - 1].frame, pass < 15 ? 9 : 10) << "paused, one step at 15";
    EXPECT_TRUE(seen[12].state.paused);
    EXPECT_EQ(seen[19].frame, 11);
    for (int pass = 31; pass < 40; pass++) {
        EXPECT_EQ(seen[pass - 1].frame - seen[pass - 2].frame, 8);
        EXPECT_EQ(seen[pass - 1].state.pictures - seen[pass - 2].state.pictures, 1);
    }
    EXPECT_EQ(seen[39].state.speed, 0);
    EXPECT_EQ(seen[59].frame - seen[39].frame, 5) << "a frame every fourth tick";
}

TEST_F(ViewerTest, ARecordingThatCannotBeReadIsRefusedWithItsLine)
{
    WriteFile("bad.rec", "zarkride-recording 2\ngame x\nclock 5\nclock 5\n7 9 left\n");
    std::string error;
    EXPECT_FALSE(Viewer_Open("bad.rec", &error));
    EXPECT_NE(error.find("bad.rec:5"), std::string::npos) << error;
    EXPECT_FALSE(Viewer_Active());
}

}  // namespace
