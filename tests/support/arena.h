// arena.h -- puts cycles and walls exactly where a test wants them.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "game/game.h"
#include "scene/math3d.h"

// A fresh game in play: no title, no demo, the matrices ready, every slot empty.
inline void StartPlay(int count)
{
    Game_InitState();
    Math_Init();
    cycleCount = count;
    titleShowing = 0;
}

inline void FreeTrailOf(int slot)
{
    Game_FreeTrail(cycles[slot].trailHead);
    cycles[slot].trailHead = cycles[slot].trailTail = nullptr;
}

// A driving cycle at (x, z) with a fresh two-node trail there, as after a respawn.
inline void PlaceCycle(int slot, float x, float z, int heading, float speed = 10.0f)
{
    Cycle &c = cycles[slot];
    FreeTrailOf(slot);
    c.x = x, c.y = 12.0f, c.z = z;
    c.heading = heading;
    c.dirX = HEADINGS[heading].dirX;
    c.dirZ = HEADINGS[heading].dirZ;
    c.speed = speed;
    c.crashTimer = 0;
    Game_AddTrailNode(slot);
    Game_AddTrailNode(slot);
}

// Replaces a slot's trail with the given corners, oldest first. The cycle itself is not moved.
inline void SetTrail(int slot, std::initializer_list<std::pair<float, float>> corners)
{
    FreeTrailOf(slot);
    Cycle &c = cycles[slot];
    float x = c.x, z = c.z;
    for (const auto &corner : corners) {
        c.x = corner.first, c.z = corner.second;
        Game_AddTrailNode(slot);
    }
    c.x = x, c.z = z;
}

inline int TrailLength(int slot)
{
    int n = 0;
    for (const TrailNode *node = cycles[slot].trailHead; node; node = node->next)
        n++;
    return n;
}
