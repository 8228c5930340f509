// draw.cpp -- the drawing primitives: screen-space vertices repacked for the device, one draw
// call each. The scene has already transformed, clipped and projected everything.
#include "graphics/gfx_local.h"

constexpr float NEAR_DEPTH = 10.0f;
constexpr float FAR_DEPTH = 20000.0f;
constexpr float SCREEN_HEIGHT_F = SCREEN_HEIGHT;
enum { POLYGON_MAX = 128 };  // the largest fan drawn in one call (a model face)

float GFX_GetNearPlane()
{
    return NEAR_DEPTH;
}

// A colour component of 0..256 as a byte. Anything outside (or not a number) is held at 0 and 255
// rather than spilling into the next channel.
static uint32_t ColourByte(float component)
{
    float scaled = component * 0.00390625f * 255.0f;
    if (!(scaled >= 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return (uint32_t)(int)scaled;
}

void GFX_ConvertVertex(TLVertex *out, const Vertex *in)
{
    out->sx = in->sx;
    out->sy = SCREEN_HEIGHT_F - in->sy;
    // The projected depth to the device's 0..1: near 10 gives 0, far 20000 gives 1.
    out->sz = (float)(20000.0 * ((double)in->depth - 10.0) / ((20000.0 - 10.0) * in->depth));
    out->rhw = 1.0f / in->depth;
    if (g_flatColourMode) {
        out->color = out->specular = g_flatColour;
    } else {
        uint32_t colour = ColourByte(in->a) << 24 | ColourByte(in->r) << 16 |
                          ColourByte(in->g) << 8 | ColourByte(in->b);
        out->color = out->specular = colour;
    }
    if (g_currentTexture) {
        out->tu = g_currentTexture->uScale * in->u;
        out->tv = g_currentTexture->vScale * in->v;
    }
}

static void Draw(const char *who, int type, const TLVertex *vertices, int count)
{
    if (!g_gfxDevice->DrawPrimitive(g_d3dDevice, type, vertices, count))
        GFX_LogError(GFX_LOG, "%s : DrawPrimitive went down!", who);
}

void GFX_DrawTriangle(const Vertex *p0, const Vertex *p1, const Vertex *p2)
{
    TLVertex v[3] = {};
    GFX_ConvertVertex(&v[0], p0);
    GFX_ConvertVertex(&v[1], p1);
    GFX_ConvertVertex(&v[2], p2);
    Draw("GFX_DrawTriangle", D3DPT_TRIANGLEFAN, v, 3);
}

// Fans longer than any shape of the game are cut to POLYGON_MAX rather than overrun the stack.
static void DrawFan(const char *who, int count, const Vertex *vertices)
{
    if (count > POLYGON_MAX)
        count = POLYGON_MAX;
    if (count < 1)
        return;
    // Only the vertices in use are filled: clearing the whole array (4 KB) cost more than the
    // conversion itself. Texture coordinates start at 0 for an untextured fan, which does not
    // set them, so the device is never handed stale values.
    TLVertex v[POLYGON_MAX];
    for (int i = 0; i < count; i++) {
        v[i].tu = v[i].tv = 0.0f;
        GFX_ConvertVertex(&v[i], &vertices[i]);
    }
    Draw(who, D3DPT_TRIANGLEFAN, v, count);
}

void GFX_DrawPolygon(int count, const Vertex *vertices)
{
    DrawFan("GFX_DrawPolygon", count, vertices);
}

void GFX_DrawVertexArray(int, int count, const Vertex *vertices, int)
{
    DrawFan("GFX_DrawVertexArray", count, vertices);
}

void GFX_DrawLine(const Vertex *p0, const Vertex *p1)
{
    TLVertex v[2] = {};
    GFX_ConvertVertex(&v[0], p0);
    GFX_ConvertVertex(&v[1], p1);
    Draw("GFX_DrawLine", D3DPT_LINESTRIP, v, 2);
}
