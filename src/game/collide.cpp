// collide.cpp -- the look-ahead test, crashes and scores.
#include "game/game.h"

#include "sound/sound.h"

bool Game_Between(double v, double a, double b)
{
    return (a < v && v < b) || (b < v && v < a);
}

// Does segment (a, b) block the stretch from the cycle at (x, z) to its look-ahead point?
static bool Blocks(float x, float z, float px, float pz, const Vertex &a, const Vertex &b)
{
    if (x == px) {                       // moving along z
        if (a.wx == b.wx)                // a wall along z: only if the look-ahead point is in it
            return x == a.wx && Game_Between(pz, a.wz, b.wz);
        return Game_Between(x, a.wx, b.wx) && Game_Between(a.wz, z, pz);
    }
    if (z == pz) {                       // moving along x
        if (a.wz == b.wz)
            return z == a.wz && Game_Between(px, a.wx, b.wx);
        return Game_Between(a.wx, x, px) && Game_Between(z, a.wz, b.wz);
    }
    return false;
}

// The look-ahead point, not the cycle, is tested: a cycle crashes with room to spare in front of
// it. Strict comparisons: the corner a cycle has just left, and a zero-length segment, never hit.
// Walls are tried slot by slot, oldest segment first; that order decides who scores.
void Game_CheckCollision(int slot)
{
    const Cycle &c = cycles[slot];
    float px = c.x + LOOK_AHEAD * c.dirX;
    float pz = c.z + LOOK_AHEAD * c.dirZ;

    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        for (const TrailNode *a = wall.trailHead; a->next; a = a->next) {
            if (Blocks(c.x, c.z, px, pz, a->vertex, a->next->vertex)) {
                Game_Crash(slot, owner);
                return;
            }
        }
    }
    if (px < -ARENA_HALF || px > ARENA_HALF || pz > ARENA_HALF || pz < -ARENA_HALF)
        Game_Crash(slot, -1);
}

void Game_Crash(int slot, int owner)
{
    Cycle &c = cycles[slot];
    SND_Stop(slot);
    SND_Play(slot == playerSlot ? SND_CH_PLAYER_CRASH : SND_CH_CRASH);
    c.speed = 0.0f;
    // The crash timer is still 0; it starts counting in the next frame.
    if (owner > -1 && owner != slot)
        cycles[owner].score += 1;
    else
        c.score -= 1;
}
