// draw.cpp -- one frame of the 3-D world: the arena, the radar, and each cycle's body or
// explosion followed by its trail walls. No sorting: the depth buffer sorts it out.
#include "scene/scene.h"

#include "game/game.h"
#include "graphics/gfx.h"
#include "model/model.h"
#include "scene/math3d.h"

constexpr float EXPLOSION_GROWTH = 80.0f;   // half width added per frame of the explosion
constexpr float EXPLOSION_RISE = 100.0f;    // height added per frame
enum { EXPLOSION_FRAMES = 9 };

int Scene_DrawQuad(Vertex quad[4])
{
    Vertex clipped[MATH_CLIP_MAX];
    Math_ViewTransform(4, quad);
    int count = Math_ClipToFrustum(4, quad, clipped);
    // A quadrilateral clipped down to a triangle is not drawn.
    if (count <= 3)
        return count;
    Math_ProjectToScreen(count, clipped);
    GFX_DrawPolygon(count, clipped);
    return count;
}

void Scene_DrawArena()
{
    GFX_UseFloorTexture();
    // When so little floor is in view that it clips to a triangle, the walls are left out too.
    if (Scene_DrawQuad(g_floorQuad) < 4)
        return;
    GFX_UseWallTexture();
    Scene_DrawQuad(g_wallPlusZ);
    Scene_DrawQuad(g_wallMinusZ);
    Scene_DrawQuad(g_wallMinusX);
    Scene_DrawQuad(g_wallPlusX);
}

static void SetBillboardCorner(Vertex *v, float x, float y, float z, float u, float vv, float c)
{
    *v = Vertex();
    v->wx = x, v->wy = y, v->wz = z;
    v->srcU = u, v->srcV = vv;
    v->r = v->g = v->b = v->a = c;
}

// Two crossed billboards standing on the floor at the crash point, growing every frame.
void Scene_DrawExplosion(float x, float z, float k)
{
    const float s = EXPLOSION_GROWTH * k, h = EXPLOSION_RISE * k;
    GFX_UseExplosionTexture();
    GFX_SetBlendMode(1);
    Vertex quad[4];
    SetBillboardCorner(&quad[0], x - s, h, z, 0.0f, 0.0f, 255.0f);
    SetBillboardCorner(&quad[1], x + s, h, z, 256.0f, 0.0f, 255.0f);
    SetBillboardCorner(&quad[2], x + s, 0.0f, z, 256.0f, 128.0f, 255.0f);
    SetBillboardCorner(&quad[3], x - s, 0.0f, z, 0.0f, 128.0f, 125.0f);
    Scene_DrawQuad(quad);
    SetBillboardCorner(&quad[0], x, h, z - s, 0.0f, 0.0f, 255.0f);
    SetBillboardCorner(&quad[1], x, h, z + s, 256.0f, 0.0f, 255.0f);
    SetBillboardCorner(&quad[2], x, 0.0f, z + s, 256.0f, 128.0f, 255.0f);
    SetBillboardCorner(&quad[3], x, 0.0f, z - s, 0.0f, 128.0f, 125.0f);
    Scene_DrawQuad(quad);
    GFX_SetBlendMode(0);
}

// The heading's pre-turned model, placed at the cycle and drawn face by face in the slot's
// colours. Models are not clipped: from the first node that leaves the guard band (or comes
// within a unit of the eye) the rest of the model is left out.
void Scene_DrawCycleModel(float x, float y, float z, int heading, int slot)
{
    static Vertex face[SCENE_MAX_FACE_VERTICES];
    GFX_FlatColourOn();
    int faceNumber = 0;
    for (ModelNode *node = g_headingModels[heading & 3]; node; node = node->next) {
        if (!node->parent || node->vertexCount == 0)
            continue;
        for (int i = 0; i < node->vertexCount; i++) {
            Vertex &v = node->vertices[i];
            v.sx = x + v.wx;
            v.sy = y + v.wy;
            v.depth = z + v.wz;
        }
        Math_ViewTransformPlaced(node->vertexCount, node->vertices);
        if (!Math_ProjectToScreen(node->vertexCount, node->vertices))
            break;
        ModelFaceWalk walk;
        Model_StartFaces(&walk, node);
        int count;
        while (faceNumber < MODEL_MAX_FACES && (count = Model_NextFace(&walk, face)) > 0) {
            GFX_SetFlatColour(g_faceColours[slot][faceNumber]);
            GFX_DrawPolygon(count, face);
            faceNumber++;
        }
    }
    GFX_FlatColourOff();
}

void Scene_DrawCycle(int slot)
{
    const Cycle &c = cycles[slot];
    if (c.crashTimer >= 1 && c.crashTimer <= EXPLOSION_FRAMES)
        Scene_DrawExplosion(c.x, c.z, (float)c.crashTimer);
    else if (c.speed > 0.0f)
        Scene_DrawCycleModel(c.x, c.y, c.z, c.heading, slot);
    // Otherwise nothing: in the frame of the crash, and after the explosion until the respawn.
}

void Scene_Draw()
{
    Scene_DrawArena();
    if (demoMode == 0)
        Scene_DrawRadar();
    for (int slot = 0; slot < cycleCount; slot++) {
        Scene_DrawCycle(slot);
        Scene_DrawTrail(slot);
    }
}
