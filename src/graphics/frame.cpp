// frame.cpp -- the two steps around every frame's drawing, the page flip, raw pixel writes for
// the title picture, and the screen text drawn with the font texture.
#include "graphics/gfx_local.h"

#include <cstring>

#include "game/game.h"

constexpr float CELL = 16.0f;           // font cell size in texels, and text advance in pixels
constexpr float TEXT_DEPTH = 10.5f;     // just in front of the near depth

static const char *HELP_LINES[] = {
    "ARROW KEYS: TURN/ACCEL",
    "Z:LOOK LEFT  X:LOOK RIGHT  C:LOOK BACK",
    "V:CHANGE VIEW",
};

void GFX_PreDraw_Step(int fill)
{
    const GfxDevice *d = g_gfxDevice;
    GfxRect screen = {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
    if (!d->Clear(g_viewport, 1, &screen, D3DCLEAR_ZBUFFER))
        GFX_LogError(GFX_LOG, "GFX_PreDraw_Step : Clear went down!");
    if (fill && !d->ColorFill(g_backBuffer, 0))
        GFX_LogError(GFX_LOG, "GFX_PreDraw_Step : Blt went down!");
    if (!d->BeginScene(g_d3dDevice))
        GFX_LogError(GFX_LOG, "GFX_PreDraw_Step : BeginScene went down!");
}

void GFX_PostDraw_Step()
{
    // Scores spread across the screen: 0 and 600 with two cycles, 150 apart with five.
    int spacing = 600 / (cycleCount - 1);
    GFX_FlatColourOn();
    if (titleShowing == 0) {
        if (showScores) {
            for (int i = 0; i < cycleCount; i++) {
                GFX_SetFlatColour(cycles[i].color);
                char score[16];
                snprintf(score, sizeof score, "%d", cycles[i].score);
                GFX_DrawText((float)(i * spacing), 448.0f, score);
            }
        }
        if (helpShowing) {
            GFX_DrawText(0.0f, 448.0f, HELP_LINES[0]);
            GFX_DrawText(0.0f, 433.0f, HELP_LINES[1]);
            GFX_DrawText(0.0f, 418.0f, HELP_LINES[2]);
        }
    }
    GFX_FlatColourOff();
    if (!g_gfxDevice->EndScene(g_d3dDevice))
        GFX_LogError(GFX_LOG, "GFX_PostDraw_Step : EndScene went down!");
    GFX_BufferSwap();
}

void GFX_BufferSwap()
{
    if (!g_gfxDevice->WaitForVerticalBlank(g_directDraw))
        GFX_LogError(GFX_LOG, "GFX_BufferSwap : WaitForVerticalBlank went down!");
    if (!g_gfxDevice->Flip(g_primarySurface))
        GFX_LogError(GFX_LOG, "GFX_BufferSwap : Flip went down!");
}

int GFX_WritePixels(int, int, int, int width, int height, const uint16_t *pixels)
{
    void *bits;
    int pitch;
    if (!g_gfxDevice->Lock(g_backBuffer, &bits, &pitch)) {
        GFX_LogError(GFX_LOG, "GFX_WritePixels : Lock went down!");
        return 0;
    }
    // The block always lands at the top-left corner, clipped to the page.
    int rows = height < SCREEN_HEIGHT ? height : SCREEN_HEIGHT;
    int columns = width < SCREEN_WIDTH ? width : SCREEN_WIDTH;
    for (int r = 0; r < rows; r++)
        memcpy(static_cast<uint8_t *>(bits) + (size_t)r * pitch, pixels + (size_t)r * width,
               (size_t)columns * 2);
    g_gfxDevice->Unlock(g_backBuffer);
    return 1;
}

void GFX_DrawText(float x, float y, const char *text)
{
    GFX_SetTexture(g_fontTexture);
    GFX_SetBlendMode(0);
    for (int i = 0; text[i]; i++) {
        // Codes 0..127 sit in cell rows 8..15; the signed code makes 128..255 wrap to rows 0..7.
        int code = (signed char)text[i];
        int row = (code + 128) / 16;
        int column = code % 16;
        float left = x + CELL * i, right = x + CELL * (i + 1) - 1.0f;
        float bottom = y, top = y + (CELL - 1.0f);
        float uLeft = column * CELL + 0.5f, uRight = (column + 1) * CELL + 0.5f;
        float vTop = row * CELL, vBottom = row * CELL + 15.0f;

        Vertex tl = {}, bl = {}, tr = {}, br = {};
        const struct { Vertex *v; float sx, sy, u, v_; } corners[] = {
            {&tl, left, top, uLeft, vTop}, {&bl, left, bottom, uLeft, vBottom},
            {&tr, right, top, uRight, vTop}, {&br, right, bottom, uRight, vBottom},
        };
        for (const auto &c : corners) {
            c.v->sx = c.sx, c.v->sy = c.sy;
            c.v->r = c.v->g = c.v->b = c.v->a = 255.0f;
            c.v->depth = TEXT_DEPTH;
            c.v->u = c.u, c.v->v = c.v_;
        }
        GFX_DrawTriangle(&tl, &tr, &br);
        GFX_DrawTriangle(&tl, &br, &bl);
    }
}
