// The computer driver: turning away at 60 units of room, its tie-breaks, chasing, and speed.
#include <gtest/gtest.h>

#include <array>

#include "game/wall_arena.h"
#include "game/walls.h"
#include "support/arena.h"

// A computer cycle in slot 1 and the player parked far away in slot 0.
static void LoneComputerCycle(float x, float z, int heading, float speed = 10.0f)
{
    StartPlay(2);
    PlaceCycle(0, -5000.0f, -5000.0f, 0);
    PlaceCycle(1, x, z, heading, speed);
}

// A seed whose first draw is (or is not) a multiple of four: a chase chance taken or passed.
static uint32_t SeedWhoseFirstDrawModFourIs(bool zero)
{
    for (uint32_t seed = 1;; seed++) {
        Game_SeedRandom(seed);
        if ((Game_Random() % 4 == 0) == zero)
            return seed;
    }
}

TEST(Driver, TurnsAwayWhenTheRoomAheadIsDownTo60)
{
    for (float room : {60.0f, 61.0f}) {
        LoneComputerCycle(0.0f, 0.0f, 1);
        SetTrail(0, {{85.0f + room, -100.0f}, {85.0f + room, 100.0f}});
        Game_Drive(1);
        bool turned = cycles[1].heading != 1;
        EXPECT_EQ(turned, room == 60.0f) << room;
        if (turned) {
            EXPECT_EQ(cycles[1].heading, 2) << "equal room both ways: towards -z";
            EXPECT_EQ(cycles[1].speed, 10.0f);
            EXPECT_EQ(cycles[1].driveTimer, 0) << "an avoidance turn ends the decision";
        } else {
            EXPECT_FLOAT_EQ(cycles[1].speed, 10.003f);
            EXPECT_EQ(cycles[1].driveTimer, 1);
        }
    }
}

TEST(Driver, TurnsTowardsTheSideWithMoreRoomAndBreaksTiesByAxis)
{
    struct Case {
        const char *what;
        float x, z;
        int heading, turnsTo;
    } cases[] = {
        {"+x edge, more room to +z", 10100, -100, 1, 0},
        {"+x edge, more room to -z", 10100, 100, 1, 2},
        {"-x edge, more room to +z", -10100, -100, 3, 0},
        {"-x edge, more room to -z", -10100, 100, 3, 2},
        {"+z edge, more room to +x", -100, 10100, 0, 1},
        {"+z edge, more room to -x", 100, 10100, 0, 3},
        {"-z edge, more room to +x", -100, -10100, 2, 1},
        {"-z edge, more room to -x", 100, -10100, 2, 3},
        {"+x edge, a tie goes to -z", 10100, 0, 1, 2},
        {"-x edge, a tie goes to -z", -10100, 0, 3, 2},
        {"+z edge, a tie goes to +x", 0, 10100, 0, 1},
        {"-z edge, a tie goes to +x", 0, -10100, 2, 1},
    };
    for (const Case &c : cases) {
        LoneComputerCycle(c.x, c.z, c.heading);
        // Its own wall along the way behind it must not read as no room on its side.
        SetTrail(1, {{c.x - 500 * cycles[1].dirX, c.z - 500 * cycles[1].dirZ}, {c.x, c.z}});
        Game_Drive(1);
        EXPECT_EQ(cycles[1].heading, c.turnsTo) << c.what;
    }
}

TEST(Driver, ALoneCycleTurnsOffTheEdgeWhenItsLookAheadIs60Away)
{
    LoneComputerCycle(10000.0f, 0.0f, 1);
    for (int frame = 0; frame < 20 && cycles[1].heading == 1; frame++)
        Game_StepCycle(1);
    EXPECT_EQ(cycles[1].heading, 2);
    EXPECT_EQ(cycles[1].x, 10096.0f) << "the first even x past 10095";
    EXPECT_EQ(cycles[1].speed, 10.0f);
    EXPECT_EQ(TrailLength(1), 3);
}

TEST(Driver, EveryTwoHundredSubStepsItMayChaseItsTarget)
{
    // The target lies to the +z side; a chase turns a cycle heading +x to the left.
    auto setUp = [](bool chance, int slot) {
        LoneComputerCycle(0.0f, 0.0f, 1, 14.0f);
        if (slot == 0) {
            demoMode = 1;
            PlaceCycle(0, 0.0f, 0.0f, 1, 14.0f);
            PlaceCycle(1, -5000.0f, 3000.0f, 0);
            cycles[0].target = 1;
        } else {
            cycles[1].target = 0;
            PlaceCycle(0, -5000.0f, 3000.0f, 0);
        }
        cycles[slot].driveTimer = 199;
        Game_SeedRandom(SeedWhoseFirstDrawModFourIs(chance));
    };

    setUp(true, 1);
    Game_Drive(1);
    EXPECT_EQ(cycles[1].heading, 0);
    EXPECT_FLOAT_EQ(cycles[1].speed, 10.003f) << "a computer cycle drops to 10, then gains";
    EXPECT_EQ(cycles[1].driveTimer, 0);

    setUp(false, 1);
    Game_Drive(1);
    EXPECT_EQ(cycles[1].heading, 1);
    EXPECT_EQ(cycles[1].speed, 14.0f) << "a chance passed gains no speed";
    EXPECT_EQ(cycles[1].driveTimer, 0);

    // In the demo the player's cycle keeps its speed through a chase turn.
    setUp(true, 0);
    Game_Drive(0);
    EXPECT_EQ(cycles[0].heading, 0);
    EXPECT_FLOAT_EQ(cycles[0].speed, 14.003f);

    // The chase wants more than 480 of room on the target's side.
    setUp(true, 1);
    SetTrail(0, {{-100, 480}, {100, 480}});
    Game_Drive(1);
    EXPECT_EQ(cycles[1].heading, 1);
    EXPECT_FLOAT_EQ(cycles[1].speed, 14.003f);
}

TEST(Driver, AvoidanceDropsThePlayersDemoSpeedToo)
{
    LoneComputerCycle(-3000.0f, -3000.0f, 0);
    demoMode = 1;
    PlaceCycle(0, 10100.0f, 0.0f, 1, 20.0f);
    Game_Drive(0);
    EXPECT_EQ(cycles[0].heading, 2);
    EXPECT_EQ(cycles[0].speed, 10.0f);
}

TEST(Driver, RoomIsMeasuredToTheWallsAroundTheLookAheadPoint)
{
    // A box open to the west around the look-ahead point (85, 0): 200 of room to the north,
    // 55 ahead to the east, 100 to the south. The cycle turns north, where there is more room.
    LoneComputerCycle(0.0f, 0.0f, 1);
    SetTrail(0, {{-20, 200}, {140, 200}, {140, -100}, {-20, -100}});
    Game_Drive(1);
    EXPECT_EQ(cycles[1].heading, 0);

    // Move the south wall further out than the north one and the choice flips.
    LoneComputerCycle(0.0f, 0.0f, 1);
    SetTrail(0, {{-20, 200}, {140, 200}, {140, -300}, {-20, -300}});
    Game_Drive(1);
    EXPECT_EQ(cycles[1].heading, 2);
}

// The room as the driver defines it: every trail walked node by node, then the arena's edge
// where no wall was found.
static Room WalkForRoom(int slot)
{
    const Cycle &c = cycles[slot];
    float x = c.x, z = c.z, px = x + LOOK_AHEAD * c.dirX, pz = z + LOOK_AHEAD * c.dirZ;
    Room room = {32000.0f, 32000.0f, 32000.0f, 32000.0f};
    auto nearer = [](float &side, float d) { side = d < side ? d : side; };
    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        for (const TrailNode *n = wall.trailHead; n->next; n = n->next) {
            const Vertex &a = n->vertex, &b = n->next->vertex;
            if (Game_InRange(x, a.wx, b.wx)) {
                if (owner != slot || z != pz || a.wz != b.wz)
                    nearer(pz <= a.wz ? room.north : room.south,
                           fminf(fabsf(pz - a.wz), fabsf(pz - b.wz)));
            } else if (Game_InRange(z, a.wz, b.wz)) {
                if (owner != slot || x != px || a.wx != b.wx)
                    nearer(px <= a.wx ? room.east : room.west,
                           fminf(fabsf(px - a.wx), fabsf(px - b.wx)));
            }
        }
    }
    if (room.north == 32000.0f) room.north = 10240.0f - pz;
    if (room.south == 32000.0f) room.south = pz + 10240.0f;
    if (room.west == 32000.0f) room.west = px + 10240.0f;
    if (room.east == 32000.0f) room.east = 10240.0f - px;
    return room;
}

TEST(Driver, TheRoomFromRunsOfWallsIsTheWalksOnRandomTrails)
{
    // Arenas in the middle, and against each edge (off the whole-unit grid there), where the
    // edge, not a wall, may bound the room within 60.
    const float CENTRES[5][2] = {
        {0.0f, 0.0f}, {10100.3f, 0.0f}, {-10100.3f, 0.0f}, {0.0f, 10100.7f}, {0.0f, -10100.7f},
    };
    auto sides = [](Room r) { return std::array<float, 4>{r.north, r.south, r.east, r.west}; };
    int checks = 0, near = 0;
    for (int game = 0; game < 300; game++) {
        WallArena arena{std::mt19937(game), CENTRES[game % 5][0], CENTRES[game % 5][1]};
        arena.Lay();
        for (int change = 0; change < 30; change++, arena.Change()) {
            for (int slot = 0; slot < MAX_CYCLES; slot++) {
                SCOPED_TRACE("game " + std::to_string(game) + " change " + std::to_string(change));
                auto walked = sides(WalkForRoom(slot)), all = sides(Game_MeasureRoom(slot));
                auto within = sides(Game_MeasureRoomNear(slot, 60.0f));
                ASSERT_EQ(all, walked);
                for (int side = 0; side < 4; side++, checks++) {
                    near += walked[side] <= 60.0f;
                    if (walked[side] <= 60.0f)
                        ASSERT_EQ(within[side], walked[side]);
                    else
                        ASSERT_GT(within[side], 60.0f);
                }
            }
        }
    }
    EXPECT_GT(near, checks / 20) << "rooms within 60 are common enough to have been compared";
}
