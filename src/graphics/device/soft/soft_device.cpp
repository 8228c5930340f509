// soft_device.cpp -- the software device's objects: a display, surfaces in system memory, a 3-D
// device that rasterises into the back buffer, and its viewport.
#include "graphics/device/soft/soft_device.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/device/device_objects.h"
#include "graphics/device/soft/raster.h"
#include "graphics/gfx.h"
#include "platform/prefault.h"

namespace {

struct Surface {
    int width = 0, height = 0;
    uint32_t caps = 0;
    std::vector<uint16_t> pixels;       // 5-6-5 texels or 16-bit depth values
    bool colourKey = false;
    std::shared_ptr<Surface> back;      // the primary surface's back buffer
    std::shared_ptr<Surface> depth;     // a back buffer's depth buffer
    std::shared_ptr<Surface> nextLevel; // the next smaller level of a mip chain
    bool Drawable() const { return true; }  // a texture is drawn from the memory it is in
};

struct Device {
    std::shared_ptr<Surface> target;
    std::shared_ptr<Surface> depth;
    uint32_t states[GFX_RENDER_STATES] = {};
    bool inScene = false;
};

typedef DeviceObjects<Surface, Device> Table;
typedef Table::Object Object;
SoftPresenter presenter = nullptr;
SoftScreenCheck screenCheck = nullptr;
void *displayWindow = nullptr;
std::shared_ptr<Surface> primary;       // the page on show

Object *Find(GfxHandle handle, DeviceObjectType type)
{
    return Table::Find(handle, type);
}

std::shared_ptr<Surface> NewSurface(int width, int height, uint32_t caps, uint16_t fill = 0)
{
    auto s = std::make_shared<Surface>();
    s->width = width;
    s->height = height;
    s->caps = caps;
    s->pixels.reserve((size_t)width * height);
    Platform_Prefault(s->pixels.data(), s->pixels.capacity() * sizeof(uint16_t));
    s->pixels.assign((size_t)width * height, fill);
    return s;
}

// The formats a software device offers textures, in its order of preference.
const GfxPixelFormat TEXTURE_FORMATS[] = {
    {DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0},
    {DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
};

int DirectDrawEnumerate(GfxDriverCallback callback, void *context)
{
    callback(nullptr, "Software display", "display", context);
    return 1;
}

void Release(GfxHandle handle)
{
    DeviceObjectType type;
    Table::Release(handle, &type);
}

int SetCooperativeLevel(GfxHandle display, void *window, uint32_t)
{
    if (!Find(display, OBJ_DISPLAY))
        return 0;
    displayWindow = window;
    return 1;
}

int SetDisplayMode(GfxHandle display, int width, int height, int bits)
{
    return Find(display, OBJ_DISPLAY) && width == SCREEN_WIDTH && height == SCREEN_HEIGHT &&
           bits == 16 && (!screenCheck || screenCheck(displayWindow));
}

int WaitForVerticalBlank(GfxHandle display)
{
    return Find(display, OBJ_DISPLAY) != nullptr;
}

int CreateSurface(GfxHandle display, const GfxSurfaceDesc *desc, GfxHandle *out)
{
    if (!Find(display, OBJ_DISPLAY))
        return 0;
    if (desc->caps & DDSCAPS_PRIMARYSURFACE) {
        auto front = NewSurface(SCREEN_WIDTH, SCREEN_HEIGHT, desc->caps);
        if (desc->backBufferCount >= 1)
            front->back = NewSurface(SCREEN_WIDTH, SCREEN_HEIGHT, DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE);
        primary = front;
        *out = Table::Make(OBJ_SURFACE, front);
        return 1;
    }
    if (desc->caps & DDSCAPS_ZBUFFER) {
        if (desc->width < 1 || desc->height < 1 || desc->width > 4096 || desc->height > 4096)
            return 0;
        *out = Table::Make(OBJ_SURFACE, NewSurface(desc->width, desc->height, desc->caps, 0xFFFF));
        return 1;
    }
    // A texture, with its mip chain when one is asked for.
    auto first = Device_MakeTextureChain<Surface>(
        desc, [desc](int width, int height) { return NewSurface(width, height, desc->caps); });
    if (!first)
        return 0;
    *out = Table::Make(OBJ_SURFACE, first);
    return 1;
}

int AddAttachedSurface(GfxHandle handle, GfxHandle attached)
{
    Object *o = Find(handle, OBJ_SURFACE);
    Object *a = Find(attached, OBJ_SURFACE);
    if (!o || !a || !(a->surface->caps & DDSCAPS_ZBUFFER))
        return 0;
    o->surface->depth = a->surface;
    return 1;
}

int Lock(GfxHandle handle, void **bits, int *pitchBytes)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    *bits = o->surface->pixels.data();
    *pitchBytes = o->surface->width * 2;
    return 1;
}

int Unlock(GfxHandle handle)
{
    return Find(handle, OBJ_SURFACE) != nullptr;
}

int ColorFill(GfxHandle handle, uint32_t colour)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    std::vector<uint16_t> &pixels = o->surface->pixels;
    const uint16_t pixel = (uint16_t)colour;
    // Black, the page every frame starts from, is a fill of equal bytes: the C library's byte
    // fill does it several times faster than a loop of 16-bit stores.
    if ((pixel >> 8) == (pixel & 0xFF))
        memset(pixels.data(), pixel & 0xFF, pixels.size() * sizeof pixels[0]);
    else
        std::fill(pixels.begin(), pixels.end(), pixel);
    return 1;
}

// The two pages swap roles: the finished back buffer is shown, the shown page is drawn next.
int Flip(GfxHandle handle)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o || !o->surface->back)
        return 0;
    Surface &front = *o->surface;
    front.pixels.swap(front.back->pixels);
    if (presenter)
        presenter(displayWindow, front.pixels.data(), front.width * 2, front.width, front.height);
    return 1;
}

int CreateDevice(GfxHandle direct3d, int kind, GfxHandle target, GfxHandle *out)
{
    Object *t = Find(target, OBJ_SURFACE);
    if (!Find(direct3d, OBJ_DIRECT3D) || !t || kind != GFX_DEVICE_RGB)
        return 0;   // no hardware here
    auto device = std::make_shared<Device>();
    device->target = t->surface;
    device->depth = t->surface->depth;
    *out = Table::Make(OBJ_DEVICE, nullptr, device);
    return 1;
}

int GetCaps(GfxHandle device, GfxDeviceDesc *hardware, GfxDeviceDesc *emulation)
{
    if (!Find(device, OBJ_DEVICE))
        return 0;
    *hardware = GfxDeviceDesc();
    *emulation = GfxDeviceDesc();
    return 1;
}

int Clear(GfxHandle viewport, int count, const GfxRect *rects, uint32_t flags)
{
    Object *v = Find(viewport, OBJ_VIEWPORT);
    if (!v || !v->device)
        return 0;
    std::shared_ptr<Surface> depth = v->device->depth;
    if (!(flags & D3DCLEAR_ZBUFFER) || !depth)
        return 1;
    for (int i = 0; i < count; i++) {
        int x1 = std::max(rects[i].x1, 0), x2 = std::min(rects[i].x2, depth->width);
        int y1 = std::max(rects[i].y1, 0), y2 = std::min(rects[i].y2, depth->height);
        for (int y = y1; y < y2; y++)
            std::fill_n(&depth->pixels[(size_t)y * depth->width + x1], std::max(x2 - x1, 0), 0xFFFF);
    }
    return 1;
}

int LoadTexture(GfxHandle destination, GfxHandle source)
{
    return Table::CopyTextureLevels(destination, source) != nullptr;
}

int DrawPrimitive(GfxHandle handle, int type, const TLVertex *vertices, int count)
{
    Object *o = Find(handle, OBJ_DEVICE);
    if (!o || !o->device->target || (type != D3DPT_TRIANGLEFAN && type != D3DPT_LINESTRIP))
        return 0;
    const Device &d = *o->device;
    Surface &target = *d.target;
    RasterTarget rt = {target.pixels.data(), target.width, nullptr, 0, target.width, target.height};
    if (d.depth && d.depth->width == target.width && d.depth->height == target.height) {
        rt.depth = d.depth->pixels.data();
        rt.depthPitch = d.depth->width;
    }
    RasterState state;
    RasterTexture texture;
    if (Object *t = Find(d.states[D3DRS_TEXTUREHANDLE], OBJ_TEXTURE)) {
        texture = {t->surface->pixels.data(), t->surface->width, t->surface->height};
        state.texture = &texture;
        state.colourKey = d.states[D3DRS_COLORKEYENABLE] && t->surface->colourKey;
    }
    state.depthTest = d.states[D3DRS_ZENABLE] != 0;
    state.depthWrite = d.states[D3DRS_ZWRITEENABLE] != 0;
    state.gouraud = d.states[D3DRS_SHADEMODE] == D3DSHADE_GOURAUD;
    if (type == D3DPT_TRIANGLEFAN)
        Raster_DrawTriangleFan(rt, state, vertices, count);
    else
        Raster_DrawLineStrip(rt, state, vertices, count);
    return 1;
}

}  // namespace

const GfxDevice g_softDevice = {
    "soft", DirectDrawEnumerate, Table::DirectDrawCreate, Table::QueryInterface, Release,
    SetCooperativeLevel, SetDisplayMode, WaitForVerticalBlank, CreateSurface,
    Table::GetAttachedSurface, AddAttachedSurface, Table::SetColorKey, Lock, Unlock, ColorFill,
    Flip, CreateDevice, GetCaps, Table::EnumTextureFormats<TEXTURE_FORMATS>, Table::CreateViewport,
    Table::AddViewport, Table::SetViewport2, Table::SetCurrentViewport, Clear,
    Table::SetRenderState, LoadTexture, Table::GetTextureHandle, Table::BeginScene,
    Table::EndScene, DrawPrimitive,
};

void SoftDevice_SetPresenter(SoftPresenter p)
{
    presenter = p;
}

void SoftDevice_SetScreenCheck(SoftScreenCheck canShow)
{
    screenCheck = canShow;
}

int SoftDevice_FrontPage(const uint16_t **pixels, int *pitchPixels, int *width, int *height)
{
    if (!primary)
        return 0;
    *pixels = primary->pixels.data();
    *pitchPixels = primary->width;
    *width = primary->width;
    *height = primary->height;
    return 1;
}

int SoftDevice_LiveObjects()
{
    return Table::Live();
}

int SoftDevice_BadReleases()
{
    return Table::BadReleases();
}
