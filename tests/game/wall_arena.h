// wall_arena.h -- crowded random trails, changed the ways a game changes them, to check the
// game's wall searches against a walk over every node: walls that cross, touch, overlap, have
// no length, and end exactly where a cycle looks.
#pragma once

#include <random>

#include "support/arena.h"

struct WallArena {
    std::mt19937 rng;
    float centreX, centreZ;

    float Pick(int lo, int hi) { return (float)std::uniform_int_distribution<int>(lo, hi)(rng); }

    // A fresh trail of 0 to 150 corners within 300 units of the centre, in whole-unit steps
    // along one axis (now and then a diagonal one), its cycle at its newest corner or anywhere.
    void LayTrail(int slot)
    {
        FreeTrailOf(slot);
        Cycle &c = cycles[slot];
        c.x = centreX + Pick(-150, 150), c.z = centreZ + Pick(-150, 150);
        int nodes = rng() % 3 ? (int)Pick(0, 150) : (int)(rng() % 4);
        for (int i = 0; i < nodes; i++) {
            Game_AddTrailNode(slot);
            int kind = rng() % 10;
            float dx = kind < 5 || kind == 9 ? Pick(-90, 90) : 0.0f;
            float dz = kind >= 5 ? Pick(-90, 90) : 0.0f;
            c.x += std::abs(c.x + dx - centreX) > 300.0f ? -dx : dx;
            c.z += std::abs(c.z + dz - centreZ) > 300.0f ? -dz : dz;
        }
        if (!c.trailTail || rng() % 2)
            c.x = centreX + Pick(-300, 300), c.z = centreZ + Pick(-300, 300);
        else
            c.x = c.trailTail->vertex.wx, c.z = c.trailTail->vertex.wz;
        c.heading = rng() % 4;
        c.dirX = HEADINGS[c.heading].dirX, c.dirZ = HEADINGS[c.heading].dirZ;
    }

    void Lay()
    {
        StartPlay(MAX_CYCLES);
        for (int slot = 0; slot < MAX_CYCLES; slot++)
            LayTrail(slot), cycles[slot].crashTimer = rng() % 8 ? 0 : -1;
    }

    // One change a game makes: a cycle drives on with its newest node, turns, respawns, has its
    // trail freed and laid again, or leaves or comes back into play.
    void Change()
    {
        int slot = rng() % MAX_CYCLES;
        Cycle &c = cycles[slot];
        switch (rng() % 5) {
        case 0:
            if (c.trailTail) {
                c.x = c.trailTail->vertex.wx += Pick(0, 40) * c.dirX;
                c.z = c.trailTail->vertex.wz += Pick(0, 40) * c.dirZ;
            }
            break;
        case 1: Game_Turn(slot, rng() % 2 ? KEY_LEFT : KEY_RIGHT); break;
        case 2: Game_Respawn(slot); break;
        case 3:
            // Another cycle's turn in between takes the memory freed last, so the new trail
            // may well start where the old one did.
            FreeTrailOf(slot);
            Game_Turn((slot + 1) % MAX_CYCLES, KEY_LEFT);
            LayTrail(slot);
            break;
        case 4: c.crashTimer = c.crashTimer == -1 ? 0 : -1; break;
        }
    }
};
