// texture_fuzz.cpp -- a ".3df" texture file as a player may have replaced it, loaded the way the
// game loads its four textures, on the software device, then drawn on a quad whose coordinates
// run past the texture's edges in both directions, so the device wraps them. A file that loads
// there is loaded again as a hardware device with mip-map filtering takes it, the whole chain of
// levels read (the fake device stands in for OpenGL, which needs a display). A texture that loads
// has a size the device can draw; loaded or refused, it leaves no device object behind.
#include <cstdio>

#include "fuzz_support.h"
#include "graphics/device/fake/fake_device.h"
#include "graphics/gfx_local.h"

// A quad of about 40 x 40 pixels in the middle of the screen, showing the texture three times
// over each way, starting one texture left of and above its origin.
static void DrawTextured(GfxTexture *texture)
{
    const float corners[4][4] = {
        {300, 260, -256, -256}, {340, 260, 512, -256}, {340, 220, 512, 512}, {300, 220, -256, 512},
    };
    Vertex quad[4] = {};
    for (int i = 0; i < 4; i++) {
        quad[i].sx = corners[i][0];
        quad[i].sy = corners[i][1];
        quad[i].u = corners[i][2];
        quad[i].v = corners[i][3];
        quad[i].depth = 20.0f + (float)i;
        quad[i].r = quad[i].g = quad[i].b = quad[i].a = 255.0f;
    }
    // No frame around it: the quad always lies at the same depths, which the depth test lets
    // through again, and clearing the whole screen for it would cost more than the drawing.
    GFX_SetTexture(texture);
    GFX_DrawPolygon(4, quad);
    GFX_SetBlendMode(1);    // the colour-key blend of the explosion
    GFX_DrawPolygon(4, quad);
    GFX_SetBlendMode(0);
    GFX_ClearTexture();
}

// Lets go of everything the texture holds, its texture interfaces included, as the game does
// when it starts its graphics again.
static void Discard(GfxTexture *texture)
{
    for (GfxHandle object : {texture->systemTexture, texture->videoTexture})
        if (object)
            g_gfxDevice->Release(object);
    GFX_FreeTexture(texture);
    free(texture);
}

static GfxTexture *LoadAndCheck(const char *path)
{
    const int live = SoftDevice_LiveObjects();
    GfxTexture *texture = GFX_LoadTexture(path);
    if (texture) {
        FUZZ_CHECK(texture->width >= 1 && texture->width <= 256);
        FUZZ_CHECK(texture->height >= 1 && texture->height <= 256);
        FUZZ_CHECK(texture->levelCount >= 1 && texture->levelCount <= GFX_MAX_LEVELS);
        FUZZ_CHECK(texture->format == 1 || texture->format == 2);
        FUZZ_CHECK(texture->handle != 0);
    } else {
        FUZZ_CHECK(SoftDevice_LiveObjects() == live);
    }
    return texture;
}

// The graphics layer holds one display and its device at a time. Both are started once, the
// software device and the fake one as mip-capable hardware, and swapped in as each load needs.
struct Session {
    const GfxDevice *device;
    int32_t kind;
    GfxHandle directDraw, direct3D, primarySurface, backBuffer, depthBuffer, d3dDevice, viewport;
};
static Session software, hardware;

static Session Current()
{
    return {g_gfxDevice, g_gfxDeviceKind, g_directDraw, g_direct3D, g_primarySurface,
            g_backBuffer, g_depthBuffer, g_d3dDevice, g_viewport};
}

static void Use(const Session &s)
{
    GFX_SetDeviceLayer(s.device);
    g_gfxDeviceKind = s.kind;
    g_directDraw = s.directDraw, g_direct3D = s.direct3D, g_primarySurface = s.primarySurface;
    g_backBuffer = s.backBuffer, g_depthBuffer = s.depthBuffer, g_d3dDevice = s.d3dDevice;
    g_viewport = s.viewport;
}

static FakeDeviceOptions MipHardware()
{
    FakeDeviceOptions options;
    options.hardware = true;
    options.hardwareCaps.triTextureFilterCaps = D3DPTFILTERCAPS_LINEARMIPLINEAR;
    return options;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    fuzz::InPrivateFolder here;
    GFX_SetDeviceLayer(FakeDevice_Start(MipHardware()));
    g_gfxDeviceKind = GFX_DEVICE_HAL;
    FUZZ_CHECK(fuzz::KeepingCrashHandlers([] { return GFX_Init(nullptr); }));
    FUZZ_CHECK(g_gfxDeviceKind == GFX_DEVICE_HAL);
    hardware = Current();
    fuzz::StartSoftwareGraphics();
    software = Current();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("texture.3df", data, size);
    const int live = SoftDevice_LiveObjects();
    GfxTexture *texture = LoadAndCheck("texture.3df");
    if (texture) {
        DrawTextured(texture);
        Discard(texture);
        FakeDevice_Start(MipHardware());     // forgets the calls it recorded, which only grow
        Use(hardware);
        texture = LoadAndCheck("texture.3df");
        if (texture)
            Discard(texture);
        Use(software);
    }
    FUZZ_CHECK(SoftDevice_LiveObjects() == live);
    FUZZ_CHECK(SoftDevice_BadReleases() == 0);
    remove("error.txt");
    return 0;
}
