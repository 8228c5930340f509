// gfx_local.h -- the display and device objects the graphics layer's own files share.
#pragma once

#include "graphics/gfx.h"

extern GfxHandle g_directDraw;      // the display, through its second interface
extern GfxHandle g_direct3D;
extern GfxHandle g_primarySurface;
extern GfxHandle g_backBuffer;
extern GfxHandle g_depthBuffer;
extern GfxHandle g_d3dDevice;
extern GfxHandle g_viewport;

#define GFX_LOG "error.txt"
