// arena.cpp -- the arena: a square floor with a wall along each edge, the same edge the crash
// test stops cycles at.
#include "scene/scene.h"

#include <cstring>

#include "game/game.h"
#include "model/model.h"

Vertex g_floorQuad[4];
Vertex g_wallPlusZ[4];
Vertex g_wallMinusZ[4];
Vertex g_wallMinusX[4];
Vertex g_wallPlusX[4];

// The floor tiles its texture 16 times as densely per world unit as the walls do along their
// length; u and v are in texels of a 256 texture and wrap.
constexpr float FLOOR_TILING = 16384.0f;
constexpr float WALL_U = 1024.0f, WALL_V = 128.0f;

static void SetCorner(Vertex *v, float x, float y, float z, float u, float vv)
{
    memset(v, 0, sizeof *v);
    v->wx = x, v->wy = y, v->wz = z;
    v->srcU = u, v->srcV = vv;
    v->r = v->g = v->b = 255.0f;
    v->a = 0.0f;
}

// A wall: the tops of its two ends, then the bottoms below them in reverse.
static void SetWall(Vertex *wall, float x0, float z0, float x1, float z1)
{
    SetCorner(&wall[0], x0, ARENA_WALL_HEIGHT, z0, 0.0f, 0.0f);
    SetCorner(&wall[1], x1, ARENA_WALL_HEIGHT, z1, WALL_U, 0.0f);
    SetCorner(&wall[2], x1, 0.0f, z1, WALL_U, WALL_V);
    SetCorner(&wall[3], x0, 0.0f, z0, 0.0f, WALL_V);
}

int Scene_BuildArena()
{
    const float e = ARENA_HALF;
    SetCorner(&g_floorQuad[0], e, 0.0f, -e, 0.0f, 0.0f);
    SetCorner(&g_floorQuad[1], -e, 0.0f, -e, FLOOR_TILING, 0.0f);
    SetCorner(&g_floorQuad[2], -e, 0.0f, e, FLOOR_TILING, FLOOR_TILING);
    SetCorner(&g_floorQuad[3], e, 0.0f, e, 0.0f, FLOOR_TILING);
    SetWall(g_wallPlusZ, -e, e, e, e);
    SetWall(g_wallMinusZ, -e, -e, e, -e);
    SetWall(g_wallMinusX, -e, -e, -e, e);
    SetWall(g_wallPlusX, e, -e, e, e);
    return Model_Init();
}
