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

enum { SCENE_MAX_FACE_VERTICES = 128 };

// The frame's world, in order: arena, radar (not in the demo), then each cycle and its trail.
void Scene_Draw();
void Scene_DrawArena();
void Scene_DrawCycle(int slot);
void Scene_DrawExplosion(float x, float z, float k);
void Scene_DrawCycleModel(float x, float y, float z, int heading, int slot);
void Scene_DrawTrail(int slot);
void Scene_DrawRadar();
// Transforms, clips, projects and draws one quadrilateral; gives the clipped vertex count
// (drawn when above 3).
int Scene_DrawQuad(Vertex quad[4]);
