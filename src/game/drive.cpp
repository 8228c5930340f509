// drive.cpp -- the computer driver: measures the room around the look-ahead point, turns away
// from walls, now and then turns after its target, and otherwise speeds up a little.
#include "game/game.h"

#include <algorithm>
#include <cmath>

#include "game/walls.h"

constexpr float NOTHING_FOUND = 32000.0f;
constexpr float DANGER = 60.0f;          // room ahead at which the driver turns away
constexpr float CHASE_ROOM = 480.0f;     // room a chase turn needs on the target's side
constexpr float SPEED_GAIN = 0.003f;     // per sub-step without a turn
enum { DECISION_PERIOD = 200, CHASE_CHANCE = 4 };

bool Game_InRange(double v, double a, double b)
{
    return (a <= v && v <= b) || (b <= v && v <= a);
}

static void Nearer(float *room, float d)
{
    if (d < *room)
        *room = d;
}

// What segment (a, b) leaves of the room around the look-ahead point (px, pz) of a cycle at
// (x, z); `own` when the segment is of that cycle's own trail. A distance above `reach` is not
// counted.
static void Count(Room &room, bool own, float x, float z, float px, float pz, WallCorner a,
                  WallCorner b, float reach)
{
    if (Game_InRange(x, a.x, b.x)) {
        // The cycle's own walls along its way (its newest segment above all) would read as no
        // room at all.
        if (own && z == pz && a.z == b.z)
            return;
        float d = fminf(fabsf(pz - a.z), fabsf(pz - b.z));
        if (d <= reach)
            Nearer(pz <= a.z ? &room.north : &room.south, d);
    } else if (Game_InRange(z, a.z, b.z)) {
        if (own && x == px && a.x == b.x)
            return;
        float d = fminf(fabsf(px - a.x), fabsf(px - b.x));
        if (d <= reach)
            Nearer(px <= a.x ? &room.east : &room.west, d);
    }
}

// How far v lies outside lo..hi: for every c in lo..hi, fabsf(v - c) is at least this much,
// rounding included, since rounding never reverses an order.
static float Gap(float v, float lo, float hi)
{
    return v < lo ? lo - v : v > hi ? v - hi : 0.0f;
}

// The walls' distances within `reach` of the look-ahead point, NOTHING_FOUND where none.
static Room MeasureWalls(int slot, float reach)
{
    const Cycle &c = cycles[slot];
    const float x = c.x, z = c.z;
    const float px = x + LOOK_AHEAD * c.dirX;
    const float pz = z + LOOK_AHEAD * c.dirZ;
    Room room = {NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND};
    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        const bool own = owner == slot;
        const TrailWalls &w = Game_TrailWalls(owner);
        const WallCorner *k = w.corners.data();
        const size_t fixedSegments = w.corners.size() - 1;
        for (size_t run = 0; run < w.runs.size(); run++) {
            // A segment counts only if it lies across the cycle's line of x or of z, and only
            // as near as its nearest corner.
            const WallBox &box = w.runs[run];
            bool across = box.minX <= x && x <= box.maxX && Gap(pz, box.minZ, box.maxZ) <= reach;
            bool along = box.minZ <= z && z <= box.maxZ && Gap(px, box.minX, box.maxX) <= reach;
            if (!across && !along)
                continue;
            const size_t end = std::min(run * WALL_RUN + WALL_RUN, fixedSegments);
            for (size_t s = run * WALL_RUN; s < end; s++)
                Count(room, own, x, z, px, pz, k[s], k[s + 1], reach);
        }
        const WallCorner tail = {w.newest->vertex.wx, w.newest->vertex.wz};
        Count(room, own, x, z, px, pz, k[fixedSegments], tail, reach);
    }
    return room;
}

// Where no wall was found, the arena's edge bounds the room.
static void EdgeBounds(Room &room, float px, float pz)
{
    if (room.north == NOTHING_FOUND) room.north = ARENA_HALF - pz;
    if (room.south == NOTHING_FOUND) room.south = pz + ARENA_HALF;
    if (room.west == NOTHING_FOUND) room.west = px + ARENA_HALF;
    if (room.east == NOTHING_FOUND) room.east = ARENA_HALF - px;
}

Room Game_MeasureRoom(int slot)
{
    const Cycle &c = cycles[slot];
    Room room = MeasureWalls(slot, INFINITY);
    EdgeBounds(room, c.x + LOOK_AHEAD * c.dirX, c.z + LOOK_AHEAD * c.dirZ);
    return room;
}

Room Game_MeasureRoomNear(int slot, float reach)
{
    if (!(reach < NOTHING_FOUND))
        return Game_MeasureRoom(slot);
    const Cycle &c = cycles[slot];
    const float px = c.x + LOOK_AHEAD * c.dirX;
    const float pz = c.z + LOOK_AHEAD * c.dirZ;
    Room room = MeasureWalls(slot, reach);
    // A side with no wall that near is bounded by a wall farther off or else by the edge; only
    // when the edge itself is that near does it matter which, and then everything is measured.
    if ((room.north == NOTHING_FOUND && ARENA_HALF - pz <= reach) ||
        (room.south == NOTHING_FOUND && pz + ARENA_HALF <= reach) ||
        (room.west == NOTHING_FOUND && px + ARENA_HALF <= reach) ||
        (room.east == NOTHING_FOUND && ARENA_HALF - px <= reach))
        return Game_MeasureRoom(slot);
    EdgeBounds(room, px, pz);
    return room;
}

// The room in the direction of travel.
static float RoomAhead(int heading, const Room &room)
{
    switch (heading) {
    case 0: return room.north;
    case 1: return room.east;
    case 2: return room.south;
    case 3: return room.west;
    default: return INFINITY;
    }
}

// Turns towards the side with more room when the way ahead has shrunk to DANGER. On a tie it
// turns towards -z when moving along x, and towards +x when moving along z. 1 = turned.
static int Avoid(int slot, const Room &room)
{
    int key;
    switch (cycles[slot].heading) {
    case 3:
        if (room.west > DANGER) return 0;
        key = room.north <= room.south ? KEY_LEFT : KEY_RIGHT;
        break;
    case 1:
        if (room.east > DANGER) return 0;
        key = room.north <= room.south ? KEY_RIGHT : KEY_LEFT;
        break;
    case 0:
        if (room.north > DANGER) return 0;
        key = room.west <= room.east ? KEY_RIGHT : KEY_LEFT;
        break;
    case 2:
        if (room.south > DANGER) return 0;
        key = room.west <= room.east ? KEY_LEFT : KEY_RIGHT;
        break;
    default:
        return 0;
    }
    Game_Turn(slot, key);
    return 1;
}

// Turns after the target cycle's current position, whatever state it is in, when there is
// plenty of room on that side.
static void Chase(int slot, const Room &room, float px, float pz)
{
    const Cycle &c = cycles[slot];
    const Cycle &target = cycles[c.target];
    if (c.heading == 1 || c.heading == 3) {
        if (target.z > pz && room.north > CHASE_ROOM)
            Game_Turn(slot, c.heading == 1 ? KEY_LEFT : KEY_RIGHT);
        else if (target.z < pz && room.south > CHASE_ROOM)
            Game_Turn(slot, c.heading == 1 ? KEY_RIGHT : KEY_LEFT);
    } else {
        if (target.x > px && room.east > CHASE_ROOM)
            Game_Turn(slot, c.heading == 0 ? KEY_RIGHT : KEY_LEFT);
        else if (target.x < px && room.west > CHASE_ROOM)
            Game_Turn(slot, c.heading == 0 ? KEY_LEFT : KEY_RIGHT);
    }
}

void Game_Drive(int slot)
{
    Cycle &c = cycles[slot];
    if (c.speed == 0.0f)
        return;
    float px = c.x + LOOK_AHEAD * c.dirX;
    float pz = c.z + LOOK_AHEAD * c.dirZ;
    // Most sub-steps only ask whether the way ahead is still clear, which only walls within
    // DANGER can answer; the whole room is measured when a turn has to pick a side.
    Room room = Game_MeasureRoomNear(slot, DANGER);
    if (RoomAhead(c.heading, room) <= DANGER)
        room = Game_MeasureRoom(slot);

    if (Avoid(slot, room)) {
        c.speed = MIN_SPEED;     // the player's cycle too, in the demo
        return;
    }
    if (++c.driveTimer == DECISION_PERIOD) {
        c.driveTimer = 0;
        if (Game_Random() % CHASE_CHANCE != 0)
            return;              // no speed gained on this sub-step
        Chase(slot, Game_MeasureRoom(slot), px, pz);
    }
    c.speed += SPEED_GAIN;
}
