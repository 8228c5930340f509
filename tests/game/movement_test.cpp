// Movement in sub-steps, turning, trails and respawning.
#include <gtest/gtest.h>

#include "support/arena.h"

TEST(Movement, SubStepsAndAccelerationDecideTheDistancePerFrame)
{
    struct Case {
        const char *what;
        float speed, accel;
        float moved, speedAfter;
    } cases[] = {
        {"speed 10, no key: 5 sub-steps", 10.0f, 0.0f, 10.0f, 10.0f},
        {"up arrow: the speed passes 10 after the fifth sub-step, so a sixth runs", 10.0f, 0.008f,
         12.0f, 10.048f},
        {"down arrow cannot go below 10", 10.0f, -0.008f, 10.0f, 10.0f},
        {"speed 25: 13 sub-steps", 25.0f, 0.0f, 26.0f, 25.0f},
        {"up arrow at the top stays at 25", 25.0f, 0.008f, 26.0f, 25.0f},
        {"an odd speed rounds the distance up to whole sub-steps", 11.0f, 0.0f, 12.0f, 11.0f},
    };
    for (const Case &c : cases) {
        StartPlay(1);
        PlaceCycle(0, 100.0f, -40.0f, 1, c.speed);
        cycles[0].accel = c.accel;
        Game_StepCycle(0);
        EXPECT_FLOAT_EQ(cycles[0].x, 100.0f + c.moved) << c.what;
        EXPECT_FLOAT_EQ(cycles[0].z, -40.0f) << c.what;
        EXPECT_NEAR(cycles[0].speed, c.speedAfter, 1e-4) << c.what;
        // The newest node follows the cycle, on the floor and on the radar.
        const Vertex &tail = cycles[0].trailTail->vertex;
        EXPECT_EQ(tail.wx, cycles[0].x) << c.what;
        EXPECT_EQ(tail.wz, -40.0f) << c.what;
        EXPECT_FLOAT_EQ(tail.sx, cycles[0].x * 0.009765625f + 125.0f) << c.what;
        EXPECT_FLOAT_EQ(tail.sy, 125.0f + 40.0f * 0.009765625f) << c.what;
        EXPECT_EQ(TrailLength(0), 2) << c.what;
    }
}

TEST(Movement, TurnsAddOneCornerAndOnlyComputerCyclesLoseSpeed)
{
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 0, 24.0f);
    PlaceCycle(1, 500.0f, 500.0f, 3, 24.0f);

    Game_Turn(0, KEY_LEFT);
    EXPECT_EQ(cycles[0].heading, 3) << "left from +z is -x";
    EXPECT_EQ(cycles[0].dirX, -1.0f);
    EXPECT_EQ(cycles[0].dirZ, 0.0f);
    EXPECT_FLOAT_EQ(camAngle, 3.14159f) << "the player's camera snaps to the new heading";
    EXPECT_EQ(cycles[0].speed, 24.0f) << "the player keeps its speed";
    EXPECT_EQ(TrailLength(0), 3);

    Game_Turn(1, KEY_RIGHT);
    EXPECT_EQ(cycles[1].heading, 0) << "right from -x is +z";
    EXPECT_EQ(cycles[1].speed, 10.0f) << "a computer cycle drops to 10";
    EXPECT_FLOAT_EQ(camAngle, 3.14159f) << "another cycle's turn leaves the camera";

    Game_Turn(1, 'A');
    EXPECT_EQ(cycles[1].heading, 0) << "other keys do nothing";
    EXPECT_EQ(TrailLength(1), 3);

    // The old tail stays behind as the corner; the new tail moves on.
    const TrailNode *corner = cycles[0].trailHead->next;
    EXPECT_EQ(corner->next, cycles[0].trailTail);
    EXPECT_EQ(corner->vertex.wx, cycles[0].trailTail->vertex.wx);
    Game_StepCycle(0);
    EXPECT_EQ(corner->vertex.wx, 0.0f);
    EXPECT_EQ(cycles[0].trailTail->vertex.wx, -24.0f) << "12 sub-steps at speed 24";
}

TEST(Movement, TrailNodesCarryTheCycleColourAndThePlayersBlueIsFixed)
{
    StartPlay(2);
    cycles[0].color = 0x00C08040;
    cycles[1].color = 0x00C08040;
    PlaceCycle(0, 1024.0f, -2048.0f, 1);
    PlaceCycle(1, 0.0f, 0.0f, 1);
    const Vertex &p = cycles[0].trailHead->vertex;
    EXPECT_EQ(p.r, 64.0f);
    EXPECT_EQ(p.g, 128.0f);
    EXPECT_EQ(p.b, 63.0f);
    EXPECT_EQ(cycles[1].trailHead->vertex.b, 192.0f);
    EXPECT_EQ(p.wy, 0.0f);
    EXPECT_FLOAT_EQ(p.sx, 135.0f);
    EXPECT_FLOAT_EQ(p.sy, 145.0f);
}

TEST(Movement, RespawnDrawsXThenZThenHeadingAndLeavesAFreshTrail)
{
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 1);
    for (int i = 0; i < 5; i++)
        Game_Turn(0, KEY_LEFT);
    cycles[0].crashTimer = -1;
    cycles[0].speed = 0.0f;
    cycles[0].accel = 0.008f;
    cycles[0].driveTimer = 150;
    lookDir = 1;

    // From seed 1 the generator gives 41, 18467, 6334.
    Game_SeedRandom(1);
    Game_Respawn(0);
    const Cycle &c = cycles[0];
    EXPECT_EQ(c.x, -4959.0f);
    EXPECT_EQ(c.z, 3467.0f);
    EXPECT_EQ(c.y, 12.0f);
    EXPECT_EQ(c.heading, 2);
    EXPECT_EQ(c.dirZ, -1.0f);
    EXPECT_EQ(c.speed, 10.0f);
    EXPECT_EQ(c.accel, 0.0f);
    EXPECT_EQ(c.crashTimer, 0);
    EXPECT_EQ(c.driveTimer, 0);
    EXPECT_EQ(c.target, 1);
    EXPECT_EQ(lookDir, 3);
    EXPECT_FLOAT_EQ(camAngle, 4.712385f);
    ASSERT_EQ(TrailLength(0), 2);
    EXPECT_EQ(c.trailHead->vertex.wx, -4959.0f);
    EXPECT_EQ(c.trailTail->vertex.wz, 3467.0f);
}

TEST(Movement, ResetAllRespawnsEveryCycleInPlayAndPicksTheFirstShot)
{
    StartPlay(3);
    cycles[1].score = 5;
    Game_SeedRandom(1234);
    Game_ResetAll();
    for (int slot = 0; slot < 3; slot++) {
        EXPECT_EQ(cycles[slot].score, 0);
        EXPECT_EQ(TrailLength(slot), 2);
        EXPECT_GE(cycles[slot].x, -5000.0f);
        EXPECT_LE(cycles[slot].x, 4999.0f);
        EXPECT_GE(cycles[slot].z, -5000.0f);
        EXPECT_LE(cycles[slot].z, 4999.0f);
    }
    EXPECT_EQ(cycles[3].trailHead, nullptr) << "slots beyond the count are never touched";
    EXPECT_EQ(shotFrames, 0);
    EXPECT_LT(shotTarget, 3);
}

TEST(Commands, ActOnTheirFrameInTheOrderQueuedAndRefuseWhatNamesNoCycle)
{
    StartPlay(3);
    PlaceCycle(0, 100.0f, -40.0f, 1, 10.0f);
    PlaceCycle(2, 300.0f, 40.0f, 0, 10.0f);
    EXPECT_TRUE(Game_QueueCommand({5, 0, CMD_ACCELERATE}));
    EXPECT_TRUE(Game_QueueCommand({5, 2, CMD_TURN_RIGHT}));
    EXPECT_TRUE(Game_QueueCommand({5, 2, CMD_TURN_RIGHT}));
    EXPECT_TRUE(Game_QueueCommand({6, 0, CMD_RELEASE}));
    EXPECT_FALSE(Game_QueueCommand({6, MAX_CYCLES, CMD_TURN_LEFT}));
    EXPECT_FALSE(Game_QueueCommand({6, 0, CMD_KINDS}));

    EXPECT_EQ(Game_ApplyCommands(4), 0);
    EXPECT_EQ(Game_ApplyCommands(5), 3);
    EXPECT_EQ(cycles[0].accel, 0.008f);
    EXPECT_EQ(cycles[2].heading, 2) << "two right turns, in order";
    EXPECT_EQ(Game_QueuedCommands(), 1);
    EXPECT_EQ(Game_ApplyCommands(6), 1);
    EXPECT_EQ(cycles[0].accel, 0.0f);

    // A full queue refuses more and keeps what it holds.
    for (int i = 0; i < MAX_QUEUED_COMMANDS; i++)
        ASSERT_TRUE(Game_QueueCommand({7, 1, i % 2 ? CMD_TURN_LEFT : CMD_TURN_RIGHT}));
    EXPECT_FALSE(Game_QueueCommand({7, 1, CMD_TURN_LEFT}));
    EXPECT_EQ(Game_ApplyCommands(7), MAX_QUEUED_COMMANDS);
    Game_ClearCommands();
}
