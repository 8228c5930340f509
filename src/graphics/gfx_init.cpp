// gfx_init.cpp -- taking the screen for the game: display, flip chain, depth buffer, 3-D device,
// viewport, render states and textures; a hardware device first, the software one when the
// hardware cannot give a device.
#include "graphics/gfx_local.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "graphics/device/soft/soft_device.h"

const GfxDevice *g_gfxDevice = &g_softDevice;
int32_t g_gfxDeviceKind = GFX_DEVICE_HAL;

GfxHandle g_directDraw = 0;
GfxHandle g_direct3D = 0;
GfxHandle g_primarySurface = 0;
GfxHandle g_backBuffer = 0;
GfxHandle g_depthBuffer = 0;
GfxHandle g_d3dDevice = 0;
GfxHandle g_viewport = 0;

GfxTexture *g_fontTexture = nullptr;
GfxTexture *g_floorTexture = nullptr;
GfxTexture *g_explosionTexture = nullptr;
GfxTexture *g_wallTexture = nullptr;

static GfxGuid driverGuid;
static int driverGuidFound = 0;

void GFX_SetDeviceLayer(const GfxDevice *device)
{
    g_gfxDevice = device;
}

int GFX_DriverEnumCallback(const GfxGuid *guid, const char *, const char *, void *)
{
    if (!guid)
        return 1;   // the primary display driver; look for another
    memcpy(&driverGuid, guid, sizeof driverGuid);
    driverGuidFound = 1;
    return 0;
}

const GfxGuid *GFX_FindDriverGuid()
{
    g_gfxDevice->DirectDrawEnumerate(GFX_DriverEnumCallback, nullptr);
    return driverGuidFound ? &driverGuid : nullptr;
}

void GFX_SetInitialRenderStates()
{
    const int hardware = g_gfxDeviceKind == GFX_DEVICE_HAL;
    const struct { int state; uint32_t hardware, software; } states[] = {
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD, D3DSHADE_GOURAUD},
        {D3DRS_ALPHABLENDENABLE, 0, 0},
        {D3DRS_COLORKEYENABLE, 0, 0},
        {D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ONE, D3DBLEND_ONE},
        {D3DRS_SPECULARENABLE, 0, 0},
        {D3DRS_CULLMODE, D3DCULL_NONE, D3DCULL_NONE},
        {D3DRS_TEXTUREPERSPECTIVE, 1, 1},
        {D3DRS_TEXTUREMAPBLEND, D3DTBLEND_MODULATE, D3DTBLEND_MODULATE},
        {D3DRS_DITHERENABLE, 1, 0},
        {D3DRS_TEXTUREMAG, D3DFILTER_LINEAR, D3DFILTER_NEAREST},
        {D3DRS_TEXTUREMIN, D3DFILTER_LINEAR, D3DFILTER_NEAREST},
        {D3DRS_ZENABLE, 1, 1},
        {D3DRS_ZWRITEENABLE, 1, 1},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, D3DCMP_LESSEQUAL},
        {D3DRS_TEXTUREADDRESSU, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
        {D3DRS_TEXTUREADDRESSV, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
    };
    for (const auto &s : states)
        g_gfxDevice->SetRenderState(g_d3dDevice, s.state, hardware ? s.hardware : s.software);
}

static void Forget(GfxHandle *object)
{
    if (*object)
        g_gfxDevice->Release(*object);
    *object = 0;
}

void GFX_Shutdown()
{
    if (!g_directDraw)
        return;
    Forget(&g_viewport);
    Forget(&g_d3dDevice);
    Forget(&g_depthBuffer);
    Forget(&g_backBuffer);
    Forget(&g_primarySurface);
    Forget(&g_direct3D);
    Forget(&g_directDraw);
}

// A crash ends the process by its own signal, and at once. The game never changes the display
// mode, so there is nothing to give back: the window system takes the window and the screen back
// when the process ends. Letting go of the device here would free memory and tear down a GL
// context, and a crash inside malloc or the driver holds the very lock that needs: the process
// would hang, a frozen window on the whole screen. Only async-signal-safe calls, then: the
// default action back, and the signal again, delivered as the handler returns.
static void CrashHandler(int sig)
{
    signal(sig, SIG_DFL);
    raise(sig);
}

// Lets go of a texture left from an earlier start in the same process (a tool or test that runs
// the game twice), all of it: its texture interfaces as well as the surfaces and pixels that
// GFX_FreeTexture gives back. The drawing state forgets it too.
static void DiscardTexture(GfxTexture **slot)
{
    GfxTexture *texture = *slot;
    if (!texture)
        return;
    if (g_currentTexture == texture)
        g_currentTexture = nullptr;
    for (GfxHandle object : {texture->systemTexture, texture->videoTexture})
        if (object)
            g_gfxDevice->Release(object);
    GFX_FreeTexture(texture);
    free(texture);
    *slot = nullptr;
}

void GFX_ReleaseTextures()
{
    for (GfxTexture **slot : {&g_fontTexture, &g_floorTexture, &g_explosionTexture, &g_wallTexture})
        DiscardTexture(slot);
}

// Textures live until the process ends; one left from an earlier start is let go of before its
// replacement is loaded.
static void LoadTextureInto(GfxTexture **slot, const char *fileName)
{
    DiscardTexture(slot);
    *slot = GFX_LoadTexture(fileName);
}

static int Fail(const char *message)
{
    GFX_LogError(GFX_LOG, "%s", message);
    return 0;
}

static int ShutDownAndFail(const char *message)
{
    GFX_Shutdown();
    return Fail(message);
}

int GFX_Init(void *window)
{
    const int hardware = g_gfxDeviceKind == GFX_DEVICE_HAL;
    const GfxDevice *d = g_gfxDevice;

    GfxHandle firstDraw = 0;
    const GfxGuid *guid = hardware ? GFX_FindDriverGuid() : nullptr;
    if (!d->DirectDrawCreate(guid, &firstDraw) && !d->DirectDrawCreate(nullptr, &firstDraw))
        return Fail("GFX_Init : DirectDrawCreate went down!");

    int gotDraw2 = d->QueryInterface(firstDraw, GFX_IID_DIRECTDRAW2, &g_directDraw);
    d->Release(firstDraw);
    if (!gotDraw2) {
        g_directDraw = 0;
        return Fail("GFX_Init : QueryInterface - ddraw went down!");
    }
    if (!d->QueryInterface(g_directDraw, GFX_IID_DIRECT3D2, &g_direct3D)) {
        g_direct3D = 0;
        Forget(&g_directDraw);
        return Fail("GFX_Init : QueryInterface - d3d went down!");
    }
    if (!d->SetCooperativeLevel(g_directDraw, window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) {
        Forget(&g_direct3D);
        Forget(&g_directDraw);
        return Fail("GFX_Init : SetCooperativeLevel went down!");
    }
    if (!d->SetDisplayMode(g_directDraw, SCREEN_WIDTH, SCREEN_HEIGHT, 16)) {
        d->SetCooperativeLevel(g_directDraw, window, DDSCL_NORMAL);
        Forget(&g_direct3D);
        Forget(&g_directDraw);
        return Fail("GFX_Init : SetDisplayMode went down!");
    }

    const uint32_t memory = hardware ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
    GfxSurfaceDesc primary = {};
    primary.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    primary.backBufferCount = 1;
    primary.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE | memory;
    if (!d->CreateSurface(g_directDraw, &primary, &g_primarySurface)) {
        g_primarySurface = 0;
        return ShutDownAndFail("GFX_Init : CreateSurface went down!");
    }
    if (!d->GetAttachedSurface(g_primarySurface, DDSCAPS_BACKBUFFER, &g_backBuffer)) {
        g_backBuffer = 0;
        return ShutDownAndFail("GFX_Init : GetAttachedSurface went down!");
    }
    GfxSurfaceDesc depth = {};
    depth.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_ZBUFFERBITDEPTH;
    depth.width = SCREEN_WIDTH;
    depth.height = SCREEN_HEIGHT;
    depth.zBufferBitDepth = 16;
    depth.caps = DDSCAPS_ZBUFFER | memory;
    if (!d->CreateSurface(g_directDraw, &depth, &g_depthBuffer)) {
        g_depthBuffer = 0;
        return ShutDownAndFail("GFX_Init : CreateSurface - zbuffer went down!");
    }
    if (!d->AddAttachedSurface(g_backBuffer, g_depthBuffer))
        return ShutDownAndFail("GFX_Init : AddAttachedSurface went down!");

    if (!d->CreateDevice(g_direct3D, g_gfxDeviceKind, g_backBuffer, &g_d3dDevice)) {
        g_d3dDevice = 0;
        if (!hardware)
            return ShutDownAndFail("GFX_Init : Create3DDevice (1)!");
        // No hardware device: build everything again for the software one, silently.
        g_gfxDeviceKind = GFX_DEVICE_RGB;
        GFX_Shutdown();
        return GFX_Init(window);
    }

    if (!d->CreateViewport(g_direct3D, &g_viewport)) {
        g_viewport = 0;
        return ShutDownAndFail("GFX_Init : CreateViewport!");
    }
    if (!d->AddViewport(g_d3dDevice, g_viewport))
        return ShutDownAndFail("GFX_Init : AddViewport!");
    // The clip values are screen sizes: everything reaches the device already transformed.
    const GfxViewportDesc view = {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0.0f, 0.0f, (float)SCREEN_WIDTH,
                                  (float)SCREEN_HEIGHT, 
                                  0.0f, 1.0f};
    if (!d->SetViewport2(g_viewport, &view))
        return ShutDownAndFail("GFX_Init : SetViewport2!");
    if (!d->SetCurrentViewport(g_d3dDevice, g_viewport))
        return ShutDownAndFail("GFX_Init : SetCurrentViewport!");

    GFX_SetInitialRenderStates();

    LoadTextureInto(&g_fontTexture, "Alpha.3df");
    LoadTextureInto(&g_floorTexture, "floor.3df");
    LoadTextureInto(&g_explosionTexture, "kaboom.3df");
    LoadTextureInto(&g_wallTexture, "wall1.3df");

    signal(SIGSEGV, CrashHandler);
    signal(SIGILL, CrashHandler);
    return 1;
}
