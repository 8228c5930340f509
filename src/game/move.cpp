// move.cpp -- respawning, movement in 2-unit sub-steps, turning and the trails behind the cycles.
#include "game/game.h"

#include <cstdio>
#include <cstdlib>

#include "game/walls.h"
#include "sound/sound.h"

const Heading HEADINGS[4] = {
    {0.0f, 1.0f, 1.570795f},
    {1.0f, 0.0f, 0.0f},
    {0.0f, -1.0f, 4.712385f},
    {-1.0f, 0.0f, 3.14159f},
};

// A trail node's dot on the radar map: the arena scaled down to 200 pixels around (125, 125).
constexpr float RADAR_SCALE = 0.009765625f;
constexpr float RADAR_CENTRE = 125.0f;
constexpr float PLAYER_TRAIL_BLUE = 63.0f;

void Game_ResetAll()
{
    // Run at start-up, before any trail exists; a trail left from an earlier game is freed by
    // the respawn rather than dropped.
    for (int slot = 0; slot < cycleCount; slot++) {
        cycles[slot].score = 0;
        Game_Respawn(slot);
    }
    Game_PickShot();
}

void Game_Respawn(int slot)
{
    Cycle &c = cycles[slot];
    TrailNode *oldTrail = c.trailHead;

    c.speed = MIN_SPEED;
    c.accel = 0.0f;
    if (slot == 0) {
        c.target = 1;
        lookDir = 3;
        camAngle = 1.570795f;
    }
    c.driveTimer = 0;
    c.crashTimer = 0;
    // Anywhere in the middle of the arena, x drawn first; no check against walls or cycles.
    c.x = (float)(Game_Random() % 10000 - 5000);
    c.y = SPAWN_HEIGHT;
    c.z = (float)(Game_Random() % 10000 - 5000);
    c.heading = Game_Random() % 4;
    c.dirX = HEADINGS[c.heading].dirX;
    c.dirZ = HEADINGS[c.heading].dirZ;
    if (slot == playerSlot)
        camAngle = HEADINGS[c.heading].camAngle;

    Game_FreeTrail(oldTrail);
    // A fresh trail: a fixed first corner and the tail that follows the cycle, both right here.
    c.trailHead = c.trailTail = nullptr;
    Game_AddTrailNode(slot);
    Game_AddTrailNode(slot);
}

static void PlaceOnRadar(Vertex &v, float x, float z)
{
    v.sx = x * RADAR_SCALE + RADAR_CENTRE;
    v.sy = RADAR_CENTRE - z * RADAR_SCALE;
}

void *(*g_trailAllocate)(size_t count, size_t size) = calloc;

void Game_AddTrailNode(int slot)
{
    Cycle &c = cycles[slot];
    TrailNode *node = (TrailNode *)g_trailAllocate(1, sizeof(TrailNode));
    if (!node) {
        // A corner cannot be left out without bending a wall off the axes; nothing sensible
        // can go on without memory for one more corner.
        fprintf(stderr, "zarkride: out of memory for the trail of cycle %d\n", slot);
        exit(1);
    }
    PlaceOnRadar(node->vertex, c.x, c.z);
    node->vertex.r = (float)(c.color & 0xFF);
    node->vertex.g = (float)((c.color >> 8) & 0xFF);
    node->vertex.b = slot == 0 ? PLAYER_TRAIL_BLUE : (float)((c.color >> 16) & 0xFF);
    node->vertex.wx = c.x;
    node->vertex.wy = 0.0f;
    node->vertex.wz = c.z;
    node->next = nullptr;

    if (!c.trailHead) {
        c.trailHead = c.trailTail = node;
        return;
    }
    // The last node of the list, kept by the walls' copy of it: trails run to tens of thousands
    // of nodes, too many to walk on every turn.
    TrailNode *last = Game_TrailWalls(slot).newest;
    last->next = node;
    c.trailTail = node;
}

void Game_Turn(int slot, int key)
{
    Cycle &c = cycles[slot];
    if (key == KEY_LEFT)
        c.heading = c.heading == 0 ? 3 : c.heading - 1;
    else if (key == KEY_RIGHT)
        c.heading = c.heading == 3 ? 0 : c.heading + 1;
    else
        return;

    const Cycle &player = cycles[playerSlot];
    SND_SetPosition(SND_CH_TURN, (c.x - player.x) * 0.005f, (c.z - player.z) * 0.005f, 0.0f,
                    0.0f, 0.0f, 0.0f);
    SND_Play(SND_CH_TURN);
    // A computer cycle loses its built-up speed at every turn; the player keeps it.
    if (slot != playerSlot)
        c.speed = MIN_SPEED;
    // The old tail stays here as the corner; the new node follows the cycle from now on.
    Game_AddTrailNode(slot);
    c.dirX = HEADINGS[c.heading].dirX;
    c.dirZ = HEADINGS[c.heading].dirZ;
    if (slot == playerSlot)
        camAngle = HEADINGS[c.heading].camAngle;
}

// The crash timer of a crashed cycle: the warning at 80 frames, the respawn at 120.
static void RunCrashTimer(int slot)
{
    Cycle &c = cycles[slot];
    if (c.crashTimer >= 0) {
        c.crashTimer++;
        if (c.crashTimer == 120) {
            c.crashTimer = -1;
            Game_Respawn(slot);
            SND_Play(slot);
        }
    }
    if (c.crashTimer == 80)
        SND_Play(SND_CH_TURN);
}

void Game_StepCycle(int slot)
{
    Cycle &c = cycles[slot];
    if (c.speed == 0.0f)
        RunCrashTimer(slot);
    if (!(c.speed > 0.0f))
        return;

    // 2-unit sub-steps bound how far a cycle can pass a wall between two tests. The loop reads
    // the speed afresh each time: a crash stops it, a driver's turn slows it.
    float stepped = 0.0f;
    do {
        c.x += SUB_STEP * c.dirX;
        c.z += SUB_STEP * c.dirZ;
        c.speed += c.accel;
        if (c.speed < MIN_SPEED)
            c.speed = MIN_SPEED;
        if (c.speed > MAX_SPEED)
            c.speed = MAX_SPEED;

        Vertex &tail = c.trailTail->vertex;
        tail.wx = c.x;
        tail.wz = c.z;
        PlaceOnRadar(tail, c.x, c.z);

        Game_CheckCollision(slot);
        if (slot != playerSlot || demoMode == 1)
            Game_Drive(slot);
        stepped += SUB_STEP;
    } while (stepped < c.speed);
}

void Game_Update()
{
    // Lower slots move first: their trails have already grown when higher slots are tested.
    for (int slot = 0; slot < cycleCount; slot++)
        Game_StepCycle(slot);
    if (demoMode == 1)
        Game_DemoCamera();
    else
        Game_PlayerCamera();
}
