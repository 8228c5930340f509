// scene.h -- the 3-D world of a frame: the arena, the cycles, their explosions and trail walls.
#pragma once

#include "graphics/vertex.h"

constexpr float ARENA_WALL_HEIGHT = 1024.0f;

// The arena: five fixed quadrilaterals, built once at start-up and drawn every frame.
extern Vertex g_floorQuad[4];
extern Vertex g_wallPlusZ[4];
extern Vertex g_wallMinusZ[4];
extern Vertex g_wallMinusX[4];
extern Vertex g_wallPlusX[4];

// Builds the arena, then loads and prepares the cycle model; 0 when the model file is missing.
int Scene_BuildArena();
