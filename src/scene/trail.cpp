// trail.cpp -- a wall of the cycle's colour on every segment of its trail, with a short bright
// head behind the cycle; and the radar map, every trail as lines over a grey square.
#include "scene/scene.h"

#include "game/game.h"
#include "graphics/gfx.h"
#include "scene/math3d.h"

constexpr float TRAIL_HEIGHT = 40.0f;
constexpr float TRAIL_HEAD_LENGTH = 20.0f;
constexpr float TRAIL_HEAD_TOP = 0.75f;     // the head's top at the cycle, of the wall's height
enum { SINK_AFTER = 80 };                   // frames after a crash before the walls sink

constexpr float RADAR_LEFT = 25.0f, RADAR_RIGHT = 225.0f;
constexpr float RADAR_BOTTOM = 255.0f, RADAR_TOP = 455.0f;
constexpr float RADAR_GREY = 86.0f, RADAR_ALPHA = 192.0f;

// A corner of the wall: the node's floor point raised to the given height.
static Vertex Raised(const Vertex &floor, float height)
{
    Vertex v = floor;
    v.wy = height;
    return v;
}

void Scene_DrawTrail(int slot)
{
    const Cycle &c = cycles[slot];
    if (c.crashTimer == -1 || !c.trailHead)
        return;
    float h = TRAIL_HEIGHT;
    if (c.crashTimer > SINK_AFTER)
        h = TRAIL_HEIGHT - (float)(c.crashTimer - SINK_AFTER);
    GFX_ClearTexture();

    // Q0 top and Q1 bottom of a segment's start, Q2 bottom and Q3 top of its end.
    Vertex q[4];
    q[1] = c.trailHead->vertex;
    q[0] = Raised(q[1], h);
    for (const TrailNode *p = c.trailHead->next; p; p = p->next) {
        q[2] = p->vertex;
        q[3] = Raised(q[2], h);
        if (!p->next) {
            // The segment stops short of the cycle; its last stretch is the bright head.
            q[2].wx = c.x - TRAIL_HEAD_LENGTH * c.dirX;
            q[2].wy = 0.0f;
            q[2].wz = c.z - TRAIL_HEAD_LENGTH * c.dirZ;
            q[3] = Raised(q[2], h);
            Scene_DrawQuad(q);
            q[0] = q[3];
            q[1] = q[2];
            q[2] = p->vertex;
            q[3] = Raised(q[2], TRAIL_HEAD_TOP * h);
            q[2].r = q[2].g = q[2].b = 255.0f;
            q[3].r = q[3].g = q[3].b = 255.0f;
        }
        Scene_DrawQuad(q);
        q[0] = q[3];
        q[1] = q[2];
    }
    GFX_FlatColourOff();
}

static Vertex RadarCorner(float x, float y, float depth)
{
    Vertex v = Vertex();
    v.sx = x, v.sy = y, v.depth = depth;
    v.r = v.g = v.b = RADAR_GREY;
    v.a = RADAR_ALPHA;
    return v;
}

// A trail node's radar dot, counted down from the top, as a screen point counted up.
static Vertex RadarPoint(const Vertex &node, float depth)
{
    Vertex v = node;
    v.sy = SCREEN_HEIGHT - v.sy;
    v.depth = depth;
    return v;
}

void Scene_DrawRadar()
{
    // Just in front of the device's near distance, so nearly everything lies behind it.
    const float nearPlane = GFX_GetNearPlane();
    Vertex v0 = RadarCorner(RADAR_LEFT, RADAR_TOP, nearPlane + 2.0f);
    Vertex v1 = RadarCorner(RADAR_RIGHT, RADAR_TOP, nearPlane + 2.0f);
    Vertex v2 = RadarCorner(RADAR_RIGHT, RADAR_BOTTOM, nearPlane + 2.0f);
    Vertex v3 = RadarCorner(RADAR_LEFT, RADAR_BOTTOM, nearPlane + 2.0f);
    GFX_SetBlendMode(1);
    GFX_ClearTexture();
    GFX_SetFlatColour(0xA0606060);
    GFX_DrawTriangle(&v0, &v1, &v2);
    GFX_DrawTriangle(&v2, &v3, &v0);
    GFX_SetBlendMode(0);

    for (int slot = 0; slot < cycleCount; slot++) {
        const Cycle &c = cycles[slot];
        if (c.crashTimer == -1 || !c.trailHead)
            continue;
        GFX_SetFlatColour(c.color);
        Vertex b = RadarPoint(c.trailHead->vertex, nearPlane + 1.0f);
        for (const TrailNode *p = c.trailHead->next; p; p = p->next) {
            Vertex a = b;
            b = RadarPoint(p->vertex, nearPlane + 1.0f);
            GFX_DrawLine(&a, &b);
        }
    }
}
