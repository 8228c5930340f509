// collide.cpp -- the look-ahead test, crashes and scores.
#include "game/game.h"

#include <algorithm>

#include "game/walls.h"
#include "sound/sound.h"

bool Game_Between(double v, double a, double b)
{
    return (a < v && v < b) || (b < v && v < a);
}

// Does segment (a, b) block the stretch from the cycle at (x, z) to its look-ahead point?
static bool Blocks(float x, float z, float px, float pz, WallCorner a, WallCorner b)
{
    if (x == px) {                       // moving along z
        if (a.x == b.x)                  // a wall along z: only if the look-ahead point is in it
            return x == a.x && Game_Between(pz, a.z, b.z);
        return Game_Between(x, a.x, b.x) && Game_Between(a.z, z, pz);
    }
    if (z == pz) {                       // moving along x
        if (a.z == b.z)
            return z == a.z && Game_Between(px, a.x, b.x);
        return Game_Between(a.x, x, px) && Game_Between(z, a.z, b.z);
    }
    return false;
}

// The look-ahead point, not the cycle, is tested: a cycle crashes with room to spare in front of
// it. Strict comparisons: the corner a cycle has just left, and a zero-length segment, never hit.
// Walls are tried slot by slot, oldest segment first; that order decides who scores.
WallHit Game_FindWallHit(int slot)
{
    const Cycle &c = cycles[slot];
    const float x = c.x, z = c.z;
    const float px = x + LOOK_AHEAD * c.dirX;
    const float pz = z + LOOK_AHEAD * c.dirZ;
    // Every segment that blocks has a point inside the box around the stretch, ends included, so
    // a run whose box misses it holds none.
    const float minX = std::min(x, px), maxX = std::max(x, px);
    const float minZ = std::min(z, pz), maxZ = std::max(z, pz);

    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        const TrailWalls &w = Game_TrailWalls(owner);
        const WallCorner *k = w.corners.data();
        const size_t fixedSegments = w.corners.size() - 1;
        for (size_t run = 0; run < w.runs.size(); run++) {
            const WallBox &box = w.runs[run];
            if (box.minX > maxX || box.maxX < minX || box.minZ > maxZ || box.maxZ < minZ)
                continue;
            const size_t end = std::min(run * WALL_RUN + WALL_RUN, fixedSegments);
            for (size_t s = run * WALL_RUN; s < end; s++)
                if (Blocks(x, z, px, pz, k[s], k[s + 1]))
                    return {owner, (int)s};
        }
        // The newest segment, which ends wherever the owner is now.
        const WallCorner tail = {w.newest->vertex.wx, w.newest->vertex.wz};
        if (Blocks(x, z, px, pz, k[fixedSegments], tail))
            return {owner, (int)fixedSegments};
    }
    return {-1, -1};
}

void Game_CheckCollision(int slot)
{
    WallHit hit = Game_FindWallHit(slot);
    if (hit.owner >= 0) {
        Game_Crash(slot, hit.owner);
        return;
    }
    const Cycle &c = cycles[slot];
    float px = c.x + LOOK_AHEAD * c.dirX;
    float pz = c.z + LOOK_AHEAD * c.dirZ;
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
