// gfx.h -- the graphics layer: device start-up with the hardware-to-software fallback, ".3df"
// textures, the drawing primitives, the drawing state, the frame steps with the screen text, and
// the error log.
#pragma once

#include <cstdint>
#include <cstdio>

#include "graphics/device/device.h"
#include "graphics/vertex.h"

enum { SCREEN_WIDTH = 640, SCREEN_HEIGHT = 480, GFX_MAX_LEVELS = 8 };

// A loaded texture; a null texture means untextured drawing.
struct GfxTexture {
    int32_t width, height;      // level 0, in texels
    int32_t format;             // 1 "rgb565", 2 "argb8332"
    int32_t levelCount;         // mip levels built, 1..8
    float uScale, vScale;       // from a vertex's u, v (texels of a 256 texture) to the device's
    uint32_t handle;            // what the device draws it by
    uint16_t *levelPixels[GFX_MAX_LEVELS];      // the converted texels of each level
    GfxHandle systemSurfaces[GFX_MAX_LEVELS];
    GfxHandle videoSurfaces[GFX_MAX_LEVELS];    // hardware device only
    GfxHandle systemTexture;
    GfxHandle videoTexture;                     // hardware device only
};

// The device layer the graphics run on, and the kind of 3-D device in use: GFX_DEVICE_HAL until
// the hardware cannot give one, then GFX_DEVICE_RGB for the rest of the run.
extern const GfxDevice *g_gfxDevice;
extern int32_t g_gfxDeviceKind;

// The four textures of the game; each is null when its file could not be loaded.
extern GfxTexture *g_fontTexture;
extern GfxTexture *g_floorTexture;
extern GfxTexture *g_explosionTexture;
extern GfxTexture *g_wallTexture;

// Start-up and shutdown. GFX_Init gives 1 when the graphics are ready; GFX_Shutdown is safe
// after a partial or failed start-up and when called twice.
void GFX_SetDeviceLayer(const GfxDevice *device);
int GFX_Init(void *window);
void GFX_Shutdown();
const GfxGuid *GFX_FindDriverGuid();
int GFX_DriverEnumCallback(const GfxGuid *guid, const char *description, const char *name,
                           void *context);
void GFX_SetInitialRenderStates();
// Lets go of the four textures through the device layer that made them. They live until the
// process ends; a process that starts the graphics again on another device layer calls this
// first, while the layer that made them is still in place.
void GFX_ReleaseTextures();

// Textures.
GfxTexture *GFX_LoadTexture(const char *fileName);
int GFX_ReadHeaderLine(char *buffer, FILE *file);       // buffer of at least 257 bytes
int GFX_CountMipLevels(int largest, int smallest);
int Load16BitTexture(GfxTexture *texture, FILE *file);
int GFX_TextureFormatCallback(const GfxSurfaceDesc *desc, void *texture);
void GFX_CollectMipSurfaces(GfxTexture *texture);
int GFX_CreateTextureInterfaces(GfxTexture *texture);
void GFX_FreeTexture(GfxTexture *texture);

// Drawing primitives: screen-space vertices to the device.
void GFX_ConvertVertex(TLVertex *out, const Vertex *in);
void GFX_DrawTriangle(const Vertex *p0, const Vertex *p1, const Vertex *p2);
void GFX_DrawPolygon(int count, const Vertex *vertices);
void GFX_DrawVertexArray(int kind, int count, const Vertex *vertices, int stride);
void GFX_DrawLine(const Vertex *p0, const Vertex *p1);
float GFX_GetNearPlane();

// Drawing state: the current texture, flat colour and blend mode.
extern GfxTexture *g_currentTexture;
extern int32_t g_flatColourMode;
extern uint32_t g_flatColour;
void GFX_SetTexture(GfxTexture *texture);
void GFX_UseFloorTexture();
void GFX_UseWallTexture();
void GFX_UseExplosionTexture();
void GFX_ClearTexture();
void GFX_FlatColourOn();
void GFX_FlatColourOff();
void GFX_SetFlatColour(uint32_t colourAbgr);
void GFX_SetBlendMode(int mode);

// Frame steps and screen text. Screen positions count y up from the bottom edge.
void GFX_PreDraw_Step(int fill);
void GFX_PostDraw_Step();
void GFX_BufferSwap();
int GFX_WritePixels(int selector, int x, int y, int width, int height, const uint16_t *pixels);
void GFX_DrawText(float x, float y, const char *text);

// Error log. Appends one formatted line to the log file at path and carries on; a log that cannot
// be opened loses the line silently. Messages are cut at 4095 characters.
void GFX_LogError(const char *path, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
// Puts relative log paths in `folder` from now on: null, the current folder (the default); "",
// nowhere (the lines are dropped).
void GFX_SetLogFolder(const char *folder);
