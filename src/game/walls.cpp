// walls.cpp -- keeps the array copy of every trail in step with its list.
#include "game/walls.h"

#include <cstdio>
#include <cstdlib>
#include <new>

static TrailWalls walls[MAX_CYCLES];

static void Forget(TrailWalls &w)
{
    // The arrays keep their memory: the next trail of this cycle grows into it.
    w.head = w.newest = nullptr;
    w.corners.clear();
    w.runs.clear();
}

// A corner that will not move again: the node that was the newest has a successor now.
static void AddCorner(TrailWalls &w, float x, float z)
{
    w.corners.push_back({x, z});
    size_t count = w.corners.size();
    if (count < 2)
        return;
    size_t segment = count - 2;
    const WallCorner &from = w.corners[segment];
    if (segment % WALL_RUN == 0)
        w.runs.push_back({from.x, from.x, from.z, from.z});
    WallBox &box = w.runs.back();
    if (x < box.minX) box.minX = x;
    if (x > box.maxX) box.maxX = x;
    if (z < box.minZ) box.minZ = z;
    if (z > box.maxZ) box.maxZ = z;
}

const TrailWalls &Game_TrailWalls(int slot)
{
    TrailWalls &w = walls[slot];
    TrailNode *head = cycles[slot].trailHead;
    if (w.head != head) {
        // A trail this copy has not seen: a respawn, or one laid by hand.
        Forget(w);
        w.head = w.newest = head;
    }
    if (!head)
        return w;
    // Nodes added since the last look. Each was the newest until the next one came, and the
    // newest is the only node that moves, so its place now is where it stays.
    try {
        while (w.newest->next) {
            AddCorner(w, w.newest->vertex.wx, w.newest->vertex.wz);
            w.newest = w.newest->next;
        }
    } catch (const std::bad_alloc &) {
        // As with a trail node that cannot be had: walls left out would let cycles through.
        fprintf(stderr, "zarkride: out of memory for the walls of cycle %d\n", slot);
        exit(1);
    }
    return w;
}

void Game_ForgetWalls(const TrailNode *head)
{
    if (!head)
        return;
    for (TrailWalls &w : walls)
        if (w.head == head)
            Forget(w);
}

void Game_ReleaseWalls()
{
    for (TrailWalls &w : walls) {
        Forget(w);
        std::vector<WallCorner>().swap(w.corners);
        std::vector<WallBox>().swap(w.runs);
    }
}
