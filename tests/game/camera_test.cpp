// The player's views, the smoothed look angle, and the demo director's shots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sound/fake/fake_audio.h"
#include "sound/sound.h"
#include "support/arena.h"
#include "support/workdir.h"

// The view matrix a camera at eye looking at target gives.
static std::vector<float> ViewFrom(float ex, float ey, float ez, float tx, float ty, float tz)
{
    float eye[3] = {ex, ey, ez}, target[3] = {tx, ty, tz};
    Math_LookAt(eye, target);
    return std::vector<float>(g_viewMatrix, g_viewMatrix + 16);
}

static std::vector<float> CurrentView()
{
    return std::vector<float>(g_viewMatrix, g_viewMatrix + 16);
}

TEST(Camera, TheFourPlayerViews)
{
    StartPlay(2);
    PlaceCycle(0, 1000.0f, -2000.0f, 3);
    camAngle = HEADINGS[3].camAngle;
    lookDir = 3;
    const float x = 1000.0f, y = 12.0f, z = -2000.0f;
    struct Case {
        int view;
        std::vector<float> expected;
    } cases[] = {
        {0, ViewFrom(x - 50, y + 30, z, x + 20000 * cosf(3.14159f), y + 30,
                     z + 20000 * sinf(3.14159f))},
        {1, ViewFrom(x, y + 100, z - 250, x, y + 40, z)},
        {2, ViewFrom(x + 200, y + 125, z - 250, x, y + 40, z)},
        {3, ViewFrom(x, y + 2000, z - 1024, x, y, z + 1024)},
    };
    for (const Case &c : cases) {
        viewMode = c.view;
        Math_Init();
        Game_PlayerCamera();
        EXPECT_EQ(CurrentView(), c.expected) << "view " << c.view;
    }
}

TEST(Camera, LookingAsideSwingsHalfwayEachFrame)
{
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 0);
    camAngle = 1.570795f;
    viewMode = 0;
    lookDir = 2;    // C held: look back
    Game_PlayerCamera();
    EXPECT_FLOAT_EQ(camAngle, 1.570795f + 1.570795f);
    Game_PlayerCamera();
    EXPECT_FLOAT_EQ(camAngle, 1.570795f + 1.570795f + 0.7853975f);
    lookDir = 3;    // released: swing back the same way
    Game_PlayerCamera();
    EXPECT_FLOAT_EQ(camAngle, (3.14159f + 0.7853975f + 1.570795f) / 2.0f);

    // Left and right look a quarter turn either way; the angle is never wrapped.
    struct { int look; float wanted; } cases[] = {{0, 3.14159f}, {1, 0.0f}, {3, 1.570795f}};
    for (const auto &c : cases) {
        lookDir = c.look;
        for (int frame = 0; frame < 60; frame++)
            Game_PlayerCamera();
        EXPECT_NEAR(camAngle, c.wanted, 1e-5) << "look " << c.look;
    }
}

TEST(Camera, DemoShotsAreDrawnKindFirstThenTarget)
{
    StartPlay(5);
    for (int slot = 0; slot < 5; slot++)
        PlaceCycle(slot, slot * 100.0f, 0.0f, slot % 4);
    for (uint32_t seed = 1; seed < 40; seed++) {
        Game_SeedRandom(seed);
        int kind = Game_Random() % 6, target = Game_Random() % 5;
        Game_SeedRandom(seed);
        shotFrames = 77;
        Game_PickShot();
        EXPECT_EQ(shotKind, kind);
        EXPECT_EQ(shotTarget, target);
        EXPECT_EQ(shotFrames, 0);
    }
}

TEST(Camera, EachDemoShotMovesItsEyeAsDirected)
{
    StartPlay(2);
    PlaceCycle(0, 100.0f, 200.0f, 1);     // towards +x
    PlaceCycle(1, -300.0f, 400.0f, 0);    // towards +z
    const float aimY = 42.0f;
    auto shot = [](int kind, int target) {
        shotKind = kind;
        shotTarget = target;
        shotFrames = 0;
        shotDistance = 800.0f;
        shotAngle = kind == 5 ? 1.0471966666666666 : 0.0;
    };

    // Kind 0: from the side (direction swapped), closing in by 4 a frame.
    shot(0, 0);
    Game_DemoCamera();
    std::vector<float> placed = CurrentView();
    EXPECT_EQ(placed, ViewFrom(100, aimY, 200 + 800, 100, aimY, 200));
    EXPECT_EQ(shotDistance, 796.0f);

    // Kind 3: closes in by 10 a frame for 60 frames, then holds its eye.
    shot(3, 1);
    for (int frame = 0; frame < 60; frame++)
        Game_DemoCamera();
    EXPECT_EQ(shotDistance, 200.0f);
    float held[3] = {shotEye[0], shotEye[1], shotEye[2]};
    EXPECT_EQ(held[0], -300.0f + 210.0f);
    EXPECT_EQ(held[1], 62.0f);
    for (int frame = 0; frame < 50; frame++)
        Game_DemoCamera();
    EXPECT_EQ(shotEye[0], held[0]);
    EXPECT_EQ(shotDistance, 200.0f);

    // Kind 4: orbits at 300 units and 300 high.
    shot(4, 0);
    Game_DemoCamera();
    EXPECT_EQ(shotEye[0], 400.0f);
    EXPECT_EQ(shotEye[1], 312.0f);
    EXPECT_DOUBLE_EQ(shotAngle, 0.03);

    // Kind 5: a fixed eye behind the -z edge, panning; the target plays no part.
    Game_SeedRandom(3);
    for (int pick = 0; pick < 100 && shotKind != 5; pick++)
        Game_PickShot();
    ASSERT_EQ(shotKind, 5);
    EXPECT_EQ(shotEye[0], 0.0f);
    EXPECT_EQ(shotEye[1], 2000.0f);
    EXPECT_EQ(shotEye[2], -10000.0f);
    Game_DemoCamera();
    placed = CurrentView();
    EXPECT_EQ(placed, ViewFrom(0, 2000, -10000, (float)(5000 * cos(1.0471966666666666)), 0,
                                      (float)(5000 * sin(1.0471966666666666))));

    // Kinds 1 and 2 fix the eye ahead of the cycle when the shot is picked.
    for (uint32_t seed = 1; seed < 200; seed++) {
        Game_SeedRandom(seed);
        Game_PickShot();
        if (shotKind != 1 && shotKind != 2)
            continue;
        const Cycle &t = cycles[shotTarget];
        float ahead = shotKind == 1 ? 1200.0f : 800.0f;
        float side = shotKind == 2 ? 200.0f : 0.0f;
        EXPECT_EQ(shotEye[0], t.x + ahead * t.dirX + (t.dirX == 0.0f ? side : 0.0f));
        EXPECT_EQ(shotEye[1], t.y + (shotKind == 1 ? 250.0f : 150.0f));
        EXPECT_EQ(shotEye[2], t.z + ahead * t.dirZ + (t.dirX == 0.0f ? 0.0f : side));
    }
}

TEST(Camera, TheDirectorCutsEvery200Frames)
{
    StartPlay(3);
    demoMode = 1;
    Game_SeedRandom(11);
    Game_ResetAll();
    int cuts = 0;
    for (int frame = 1; frame <= 1000; frame++) {
        Game_DemoCamera();
        if (shotFrames == 0)
            cuts++;
        ASSERT_EQ(shotFrames, frame % 200);
    }
    EXPECT_EQ(cuts, 5);
}

// The sound channels load the game's own sound files.
using CameraSounds = GameDirTest;

TEST_F(CameraSounds, DemoSoundsArePlacedAroundTheDemoCamera)
{
    StartPlay(3);
    SND_SetBackend(FakeAudio_Backend());
    SND_Init();
    PlaceCycle(0, 400.0f, 800.0f, 1);
    PlaceCycle(1, -400.0f, 0.0f, 2);
    PlaceCycle(2, 0.0f, 0.0f, 0);
    shotEye[0] = 0.0f, shotEye[1] = 500.0f, shotEye[2] = 400.0f;
    Game_DemoSounds();
    const float expected[3][6] = {
        {1.0f, 1.0f, 0, 1, 0, 0}, {-1.0f, -1.0f, 0, 0, -1, 0}, {0.0f, -1.0f, 0, 0, 1, 0}};
    for (int slot = 0; slot < 3; slot++) {
        const FakeChannel &c = FakeAudio_Channel(slot);
        for (int i = 0; i < 3; i++) {
            EXPECT_FLOAT_EQ(c.position[i], expected[slot][i]) << slot;
            EXPECT_FLOAT_EQ(c.velocity[i], expected[slot][3 + i]) << slot;
        }
    }
    SND_Shutdown();
    SND_SetBackend(nullptr);
}
