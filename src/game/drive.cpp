// drive.cpp -- the computer driver: measures the room around the look-ahead point, turns away
// from walls, now and then turns after its target, and otherwise speeds up a little.
#include "game/game.h"

#include <cmath>

constexpr float NOTHING_FOUND = 32000.0f;
constexpr float DANGER = 60.0f;          // room ahead at which the driver turns away
constexpr float CHASE_ROOM = 480.0f;     // room a chase turn needs on the target's side
constexpr float SPEED_GAIN = 0.003f;     // per sub-step without a turn
enum { DECISION_PERIOD = 200, CHASE_CHANCE = 4 };

bool Game_InRange(double v, double a, double b)
{
    return (a <= v && v <= b) || (b <= v && v <= a);
}

// The room around a point: towards +z, -z, +x and -x.
struct Room {
    float north, south, east, west;
};

static void Nearer(float *room, float d)
{
    if (d < *room)
        *room = d;
}

static Room MeasureRoom(int slot, float x, float z, float px, float pz)
{
    Room room = {NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND};
    for (int owner = 0; owner < cycleCount; owner++) {
        const Cycle &wall = cycles[owner];
        if (wall.crashTimer == -1 || !wall.trailHead || !wall.trailHead->next)
            continue;
        for (const TrailNode *na = wall.trailHead; na->next; na = na->next) {
            const Vertex &a = na->vertex, &b = na->next->vertex;
            if (Game_InRange(x, a.wx, b.wx)) {
                // The cycle's own walls along its way (its newest segment above all) would
                // read as no room at all.
                if (owner == slot && z == pz && a.wz == b.wz)
                    continue;
                float d = fminf(fabsf(pz - a.wz), fabsf(pz - b.wz));
                Nearer(pz <= a.wz ? &room.north : &room.south, d);
            } else if (Game_InRange(z, a.wz, b.wz)) {
                if (owner == slot && x == px && a.wx == b.wx)
                    continue;
                float d = fminf(fabsf(px - a.wx), fabsf(px - b.wx));
                Nearer(px <= a.wx ? &room.east : &room.west, d);
            }
        }
    }
    // Where no wall was found, the arena's edge bounds the room.
    if (room.north == NOTHING_FOUND) room.north = ARENA_HALF - pz;
    if (room.south == NOTHING_FOUND) room.south = pz + ARENA_HALF;
    if (room.west == NOTHING_FOUND) room.west = px + ARENA_HALF;
    if (room.east == NOTHING_FOUND) room.east = ARENA_HALF - px;
    return room;
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
    Room room = MeasureRoom(slot, c.x, c.z, px, pz);

    if (Avoid(slot, room)) {
        c.speed = MIN_SPEED;     // the player's cycle too, in the demo
        return;
    }
    if (++c.driveTimer == DECISION_PERIOD) {
        c.driveTimer = 0;
        if (Game_Random() % CHASE_CHANCE != 0)
            return;              // no speed gained on this sub-step
        Chase(slot, room, px, pz);
    }
    c.speed += SPEED_GAIN;
}
