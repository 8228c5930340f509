// device.h -- what the graphics code asks of a display and its 3-D device: the display object,
// its surfaces (pages, depth buffer, textures and their mip chains), a 3-D device of a given kind
// with its viewport and render states, and the drawing of pre-transformed vertices. Objects are
// handles, created and released like reference-counted objects. Every operation that can fail
// returns 1 for success and 0 for failure; the graphics code decides what a failure means.
#pragma once

#include <cstdint>

#include "graphics/device/tlvertex.h"

typedef uint32_t GfxHandle;     // 0 = no object

struct GfxGuid {
    uint8_t bytes[16];
};

// Interfaces an object can be asked for.
enum { GFX_IID_DIRECTDRAW2 = 1, GFX_IID_DIRECT3D2, GFX_IID_SURFACE3, GFX_IID_TEXTURE2 };

// Kinds of 3-D device.
enum { GFX_DEVICE_HAL = 1, GFX_DEVICE_RGB = 2 };

// Cooperative levels.
enum { DDSCL_FULLSCREEN = 0x1, DDSCL_NORMAL = 0x8, DDSCL_EXCLUSIVE = 0x10 };

// Which fields of a surface description are filled in.
enum {
    DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_BACKBUFFERCOUNT = 0x20,
    DDSD_ZBUFFERBITDEPTH = 0x40, DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000,
};

// Surface capabilities.
enum : uint32_t {
    DDSCAPS_BACKBUFFER = 0x4, DDSCAPS_COMPLEX = 0x8, DDSCAPS_FLIP = 0x10,
    DDSCAPS_PRIMARYSURFACE = 0x200, DDSCAPS_SYSTEMMEMORY = 0x800, DDSCAPS_TEXTURE = 0x1000,
    DDSCAPS_3DDEVICE = 0x2000, DDSCAPS_VIDEOMEMORY = 0x4000, DDSCAPS_ZBUFFER = 0x20000,
    DDSCAPS_MIPMAP = 0x400000, DDSCAPS_ALLOCONLOAD = 0x4000000,
};

// Pixel format flags.
enum { DDPF_ALPHAPIXELS = 0x1, DDPF_PALETTEINDEXEDTO8 = 0x10, DDPF_PALETTEINDEXED8 = 0x20, DDPF_RGB = 0x40 };

// Colour key, clear and primitive kinds.
enum { DDCKEY_SRCBLT = 0x8, D3DCLEAR_ZBUFFER = 0x2 };
enum { D3DPT_LINESTRIP = 3, D3DPT_TRIANGLEFAN = 6 };
enum { D3DPTFILTERCAPS_LINEARMIPLINEAR = 0x20 };

// Render states and their values.
enum {
    D3DRS_TEXTUREHANDLE = 1, D3DRS_TEXTUREPERSPECTIVE = 4, D3DRS_ZENABLE = 7, D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14, D3DRS_TEXTUREMAG = 17, D3DRS_TEXTUREMIN = 18, D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20, D3DRS_TEXTUREMAPBLEND = 21, D3DRS_CULLMODE = 22, D3DRS_ZFUNC = 23,
    D3DRS_DITHERENABLE = 26, D3DRS_ALPHABLENDENABLE = 27, D3DRS_SPECULARENABLE = 29,
    D3DRS_COLORKEYENABLE = 41, D3DRS_TEXTUREADDRESSU = 44, D3DRS_TEXTUREADDRESSV = 45,
    GFX_RENDER_STATES = 64,
};
enum {
    D3DSHADE_GOURAUD = 2, D3DCULL_NONE = 1, D3DTBLEND_MODULATE = 2, D3DCMP_LESSEQUAL = 4,
    D3DTADDRESS_WRAP = 1, D3DFILTER_NEAREST = 1, D3DFILTER_LINEAR = 2, D3DFILTER_MIPLINEAR = 4,
    D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTCOLOR = 9,
};

struct GfxPixelFormat {
    uint32_t flags;
    uint32_t bitCount;
    uint32_t redMask, greenMask, blueMask, alphaMask;
};

struct GfxSurfaceDesc {
    uint32_t flags;         // DDSD_ bits
    int width, height;
    int backBufferCount;
    int mipMapCount;
    int zBufferBitDepth;
    uint32_t caps;          // DDSCAPS_ bits
    GfxPixelFormat pixelFormat;
};

struct GfxViewportDesc {
    int x, y, width, height;
    float clipX, clipY, clipWidth, clipHeight;
    float minZ, maxZ;
};

struct GfxDeviceDesc {
    uint32_t triTextureFilterCaps;  // D3DPTFILTERCAPS_ bits
    int minTextureWidth;            // 0: no minimum
};

struct GfxRect {
    int x1, y1, x2, y2;
};

typedef int (*GfxDriverCallback)(const GfxGuid *guid, const char *description, const char *name,
                                 void *context);     // 0 = stop, 1 = go on
typedef int (*GfxFormatCallback)(const GfxSurfaceDesc *desc, void *context);   // 0 = stop

struct GfxDevice {
    const char *name;
    // The display.
    int  (*DirectDrawEnumerate)(GfxDriverCallback callback, void *context);
    int  (*DirectDrawCreate)(const GfxGuid *guid, GfxHandle *display);
    int  (*QueryInterface)(GfxHandle object, int iid, GfxHandle *out);
    void (*Release)(GfxHandle object);
    int  (*SetCooperativeLevel)(GfxHandle display, void *window, uint32_t flags);
    int  (*SetDisplayMode)(GfxHandle display, int width, int height, int bits);
    int  (*WaitForVerticalBlank)(GfxHandle display);
    // Surfaces: pages, the depth buffer and textures.
    int  (*CreateSurface)(GfxHandle display, const GfxSurfaceDesc *desc, GfxHandle *surface);
    int  (*GetAttachedSurface)(GfxHandle surface, uint32_t caps, GfxHandle *attached);
    int  (*AddAttachedSurface)(GfxHandle surface, GfxHandle attached);
    int  (*SetColorKey)(GfxHandle surface, uint32_t flags, uint32_t low, uint32_t high);
    int  (*Lock)(GfxHandle surface, void **bits, int *pitchBytes);
    int  (*Unlock)(GfxHandle surface);
    int  (*ColorFill)(GfxHandle surface, uint32_t colour);
    int  (*Flip)(GfxHandle primary);
    // The 3-D device.
    int  (*CreateDevice)(GfxHandle direct3d, int kind, GfxHandle renderTarget, GfxHandle *device);
    int  (*GetCaps)(GfxHandle device, GfxDeviceDesc *hardware, GfxDeviceDesc *emulation);
    int  (*EnumTextureFormats)(GfxHandle device, GfxFormatCallback callback, void *context);
    int  (*CreateViewport)(GfxHandle direct3d, GfxHandle *viewport);
    int  (*AddViewport)(GfxHandle device, GfxHandle viewport);
    int  (*SetViewport2)(GfxHandle viewport, const GfxViewportDesc *desc);
    int  (*SetCurrentViewport)(GfxHandle device, GfxHandle viewport);
    int  (*Clear)(GfxHandle viewport, int count, const GfxRect *rects, uint32_t flags);
    void (*SetRenderState)(GfxHandle device, int state, uint32_t value);
    int  (*LoadTexture)(GfxHandle destination, GfxHandle source);
    int  (*GetTextureHandle)(GfxHandle texture, GfxHandle device, uint32_t *handle);
    int  (*BeginScene)(GfxHandle device);
    int  (*EndScene)(GfxHandle device);
    int  (*DrawPrimitive)(GfxHandle device, int type, const TLVertex *vertices, int count);
};
