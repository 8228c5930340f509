// The look-ahead test, scoring and the crash timeline.
#include <gtest/gtest.h>

#include "game/wall_arena.h"
#include "game/walls.h"
#include "sound/fake/fake_audio.h"
#include "sound/sound.h"
#include "support/arena.h"
#include "support/workdir.h"

static bool Crashed(int slot)
{
    return cycles[slot].speed == 0.0f;
}

TEST(Collision, LookAheadIsStrict)
{
    // The cycle sits at the origin heading +x, so it looks at (85, 0).
    struct Case {
        const char *what;
        std::pair<float, float> a, b;
        bool crashes;
    } cases[] = {
        {"a crossing wall one unit inside the look-ahead", {84, -100}, {84, 100}, true},
        {"a crossing wall exactly at the look-ahead point", {85, -100}, {85, 100}, false},
        {"a crossing wall through the cycle itself", {0, -100}, {0, 100}, false},
        {"a crossing wall that ends exactly on the line of travel", {50, 0}, {50, 100}, false},
        {"a crossing wall reversed in direction", {50, 100}, {50, -100}, true},
        {"a wall in line whose end is the look-ahead point", {85, 0}, {300, 0}, false},
        {"a wall in line that holds the look-ahead point", {84, 0}, {300, 0}, true},
        {"a wall in line behind the look-ahead point only", {-300, 0}, {0, 0}, false},
        {"a zero-length wall on the way", {50, 0}, {50, 0}, false},
        {"a parallel wall beside the way", {0, 1}, {300, 1}, false},
    };
    for (const Case &c : cases) {
        StartPlay(2);
        PlaceCycle(0, 0.0f, 0.0f, 1);
        PlaceCycle(1, 5000.0f, 5000.0f, 0);
        SetTrail(1, {c.a, c.b});
        Game_CheckCollision(0);
        EXPECT_EQ(Crashed(0), c.crashes) << c.what;
    }

    // The same along z, towards -z: the cycle at the origin looks at (0, -85).
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 2);
    PlaceCycle(1, 5000.0f, 5000.0f, 0);
    SetTrail(1, {{-10, -85}, {10, -85}});
    Game_CheckCollision(0);
    EXPECT_FALSE(Crashed(0));
    SetTrail(1, {{-10, -84}, {10, -84}});
    Game_CheckCollision(0);
    EXPECT_TRUE(Crashed(0));
}

TEST(Collision, ScoresGoToTheWallsOwnerOrAgainstTheRunner)
{
    struct Case {
        const char *what;
        int wallOwner;              // -1: no wall, drive into the edge
        int scores[3];
    } cases[] = {
        {"another cycle's wall scores for its owner", 1, {0, 1, 0}},
        {"one's own wall costs a point", 0, {-1, 0, 0}},
        {"the edge costs a point", -1, {-1, 0, 0}},
    };
    for (const Case &c : cases) {
        StartPlay(3);
        PlaceCycle(0, 0.0f, 0.0f, 1);
        PlaceCycle(1, -3000.0f, 3000.0f, 0);
        PlaceCycle(2, 3000.0f, 3000.0f, 0);
        if (c.wallOwner >= 0)
            SetTrail(c.wallOwner, {{60, -100}, {60, 100}});
        else
            PlaceCycle(0, 10157.0f, 0.0f, 1);
        Game_CheckCollision(0);
        EXPECT_TRUE(Crashed(0)) << c.what;
        for (int slot = 0; slot < 3; slot++)
            EXPECT_EQ(cycles[slot].score, c.scores[slot]) << c.what << " slot " << slot;
    }
}

TEST(Collision, TheArenaEdgeIsStrictAndStopsACycle83To85UnitsInside)
{
    StartPlay(1);
    PlaceCycle(0, 10155.0f, 0.0f, 1);
    Game_CheckCollision(0);
    EXPECT_FALSE(Crashed(0)) << "a look-ahead exactly on the edge is still inside";

    for (float start : {9000.0f, 9001.0f}) {
        for (int heading = 0; heading < 4; heading++) {
            StartPlay(1);
            PlaceCycle(0, 0.0f, 0.0f, heading);
            cycles[0].x = start * cycles[0].dirX;
            cycles[0].z = start * cycles[0].dirZ;
            for (int frame = 0; frame < 200 && !Crashed(0); frame++)
                Game_StepCycle(0);
            ASSERT_TRUE(Crashed(0));
            float along = cycles[0].x * cycles[0].dirX + cycles[0].z * cycles[0].dirZ;
            EXPECT_GE(10240.0f - along, 83.0f) << "heading " << heading;
            EXPECT_LE(10240.0f - along, 85.0f) << "heading " << heading;
            EXPECT_EQ(cycles[0].score, -1);
        }
    }
}

TEST(Collision, TheLowerSlotIsCreditedWhenTwoWallsAreHitAtOnce)
{
    StartPlay(4);
    PlaceCycle(0, -3000.0f, -3000.0f, 0);
    PlaceCycle(1, 3000.0f, 3000.0f, 0);
    PlaceCycle(2, -3000.0f, 3000.0f, 0);
    PlaceCycle(3, 0.0f, 0.0f, 1);
    SetTrail(2, {{40, -50}, {40, 50}});
    SetTrail(1, {{70, -50}, {70, 50}});
    Game_CheckCollision(3);
    EXPECT_EQ(cycles[1].score, 1);
    EXPECT_EQ(cycles[2].score, 0);

    // Walls of a cycle out of play are ignored; walls of a crashed cycle still kill.
    StartPlay(2);
    PlaceCycle(0, 0.0f, 0.0f, 1);
    PlaceCycle(1, 3000.0f, 3000.0f, 0);
    SetTrail(1, {{40, -50}, {40, 50}});
    cycles[1].speed = 0.0f;
    cycles[1].crashTimer = -1;
    Game_CheckCollision(0);
    EXPECT_FALSE(Crashed(0));
    cycles[1].crashTimer = 100;
    Game_CheckCollision(0);
    EXPECT_TRUE(Crashed(0));
    EXPECT_EQ(cycles[1].score, 1);
}

TEST(Collision, ALowerSlotsCrashDoesNotTakeItsWallAway)
{
    // In one frame slot 0 runs into the edge, then slot 1 into slot 0's wall.
    StartPlay(2);
    PlaceCycle(0, 10150.0f, 0.0f, 1);
    SetTrail(0, {{10000, -200}, {10000, 0}, {10150, 0}});
    PlaceCycle(1, 9916.0f, -100.0f, 1);
    Game_Update();
    EXPECT_TRUE(Crashed(0));
    EXPECT_TRUE(Crashed(1));
    EXPECT_EQ(cycles[0].score, 0) << "lost a point at the edge, won one from slot 1";
    EXPECT_EQ(cycles[1].score, 0);
}

// The look-ahead test as the game defines it: every trail walked node by node, slots in order,
// oldest segment first. The game searches runs of walls instead; it must find the same hit.
static WallHit WalkForHit(int slot)
{
    const Cycle &c = cycles[slot];
    float x = c.x, z = c.z, px = x + LOOK_AHEAD * c.dirX, pz = z + LOOK_AHEAD * c.dirZ;
    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        int segment = 0;
        for (const TrailNode *n = wall.trailHead; n->next; n = n->next, segment++) {
            const Vertex &a = n->vertex, &b = n->next->vertex;
            bool hit = false;
            if (x == px)
                hit = a.wx == b.wx ? x == a.wx && Game_Between(pz, a.wz, b.wz)
                                   : Game_Between(x, a.wx, b.wx) && Game_Between(a.wz, z, pz);
            else if (z == pz)
                hit = a.wz == b.wz ? z == a.wz && Game_Between(px, a.wx, b.wx)
                                   : Game_Between(a.wx, x, px) && Game_Between(z, a.wz, b.wz);
            if (hit)
                return {owner, segment};
        }
    }
    return {-1, -1};
}

TEST(Collision, TheSearchFindsTheSameFirstHitAsTheWalkOnRandomTrails)
{
    WallArena arena{std::mt19937(13), 0.0f, 0.0f};
    int checks = 0, hits = 0, laterHits = 0;
    for (int game = 0; game < 300; game++) {
        arena.Lay();
        for (int change = 0; change < 40; change++, arena.Change()) {
            for (int slot = 0; slot < MAX_CYCLES; slot++, checks++) {
                WallHit walked = WalkForHit(slot), found = Game_FindWallHit(slot);
                ASSERT_EQ(found.owner, walked.owner) << "game " << game << " change " << change;
                ASSERT_EQ(found.segment, walked.segment) << "game " << game << " change " << change;
                hits += walked.owner >= 0;
                laterHits += walked.segment >= WALL_RUN;
            }
        }
    }
    // Not a vacuous comparison: hits are common, many of them past a trail's first run.
    EXPECT_GT(hits, checks / 10);
    EXPECT_GT(laterHits, checks / 50);
}

// The sound channels load the game's own sound files.
using CollisionSounds = GameDirTest;

TEST_F(CollisionSounds, CrashTimelineWarningAndRespawn)
{
    StartPlay(2);
    SND_SetBackend(FakeAudio_Backend());
    SND_Init();
    PlaceCycle(0, 0.0f, 0.0f, 1);
    PlaceCycle(1, 3000.0f, 3000.0f, 3);
    SetTrail(0, {{-100, 0}, {0, 0}, {0, 0}});
    SetTrail(1, {{50, -50}, {50, 50}});

    FakeAudio_ClearCalls();
    Game_CheckCollision(0);
    ASSERT_TRUE(Crashed(0));
    EXPECT_EQ(FakeAudio_Calls(), (std::vector<std::string>{"Stop 0", "Play 5"}));
    EXPECT_EQ(cycles[0].crashTimer, 0) << "the timer starts in the next frame";

    Game_SeedRandom(1);
    for (int frame = 1; frame < 120; frame++) {
        FakeAudio_ClearCalls();
        Game_StepCycle(0);
        ASSERT_EQ(cycles[0].crashTimer, frame);
        bool warned = !FakeAudio_Calls().empty() && FakeAudio_Calls()[0] == "Play 6";
        EXPECT_EQ(warned, frame == 80) << "frame " << frame;
        EXPECT_EQ(TrailLength(0), 3) << "the trail stays until the respawn";
    }
    FakeAudio_ClearCalls();
    Game_StepCycle(0);
    EXPECT_EQ(cycles[0].crashTimer, 0);
    EXPECT_EQ(TrailLength(0), 2);
    EXPECT_EQ(FakeAudio_Calls().front(), "Play 0") << "the engine starts again";
    // It moves in the frame it comes back.
    EXPECT_EQ(cycles[0].speed, 10.0f);
    EXPECT_NE(cycles[0].trailHead->vertex.wx + cycles[0].trailHead->vertex.wz,
              cycles[0].x + cycles[0].z);
    SND_Shutdown();
    SND_SetBackend(nullptr);
}
