// walls.h -- the trails on the arena kept as arrays beside their lists, with a bounding box for
// every run of segments, so that the look-ahead test and the driver step over whole runs that
// lie nowhere near the place they ask about. Shared by the game's own files and its tests.
#pragma once

#include <vector>

#include "game/game.h"

// Segments per run. Long enough that a trail of 50,000 corners has few runs to pass over, short
// enough that a run of a weaving trail still has a small box.
enum { WALL_RUN = 32 };

struct WallCorner {
    float x, z;         // world position
};

// Closed bounds of the corners of one run of segments.
struct WallBox {
    float minX, maxX, minZ, maxZ;
};

// One cycle's trail as the wall searches read it. Segment i runs from corner i to corner i + 1;
// every corner but the newest is copied here, oldest first, and run r boxes segments
// r * WALL_RUN .. r * WALL_RUN + WALL_RUN - 1 among them. The newest node moves with its cycle
// every sub-step, so it is read from the list itself and its segment is always tried.
struct TrailWalls {
    const TrailNode *head = nullptr;     // the list this copies; null when nothing is copied
    TrailNode *newest = nullptr;         // its newest node, not copied
    std::vector<WallCorner> corners;
    std::vector<WallBox> runs;
};

// The walls of `slot`'s trail, brought up to date with its list first. The game only grows a
// trail at its end, moves its newest node, or frees it whole with Game_FreeTrail; anything else
// that changes a trail must free it the same way.
const TrailWalls &Game_TrailWalls(int slot);
// Drops the copy of the trail that starts at `head`, which is about to be freed: its memory may
// come back as the head of another trail.
void Game_ForgetWalls(const TrailNode *head);
// Drops every copy and gives back its memory.
void Game_ReleaseWalls();

// Where the look-ahead stretch of `slot` first runs into a wall, in the order the game tries
// walls: the owner's slot and the segment (0 = its oldest), or owner -1 when none is hit. The
// arena's edge is not part of it.
struct WallHit {
    int owner, segment;
};
WallHit Game_FindWallHit(int slot);

// The free room around the point LOOK_AHEAD units in front of a cycle, towards +z, -z, +x, -x,
// as the driver measures it.
struct Room {
    float north, south, east, west;
};
Room Game_MeasureRoom(int slot);
// The same where it is small: every distance that is at most `reach` is the room's own, and
// every other is more than `reach`, as the room's is. Only walls that come that near are read.
Room Game_MeasureRoomNear(int slot, float reach);
