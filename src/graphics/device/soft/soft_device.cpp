// soft_device.cpp -- the software device's objects: a display, surfaces in system memory, a 3-D
// device that rasterises into the back buffer, and its viewport.
#include "graphics/device/soft/soft_device.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/device/soft/raster.h"

namespace {

enum ObjectType { OBJ_DISPLAY, OBJ_DIRECT3D, OBJ_SURFACE, OBJ_DEVICE, OBJ_VIEWPORT, OBJ_TEXTURE };

struct Surface {
    int width = 0, height = 0;
    uint32_t caps = 0;
    std::vector<uint16_t> pixels;       // 5-6-5 texels or 16-bit depth values
    bool colourKey = false;
    std::shared_ptr<Surface> back;      // the primary surface's back buffer
    std::shared_ptr<Surface> depth;     // a back buffer's depth buffer
    std::shared_ptr<Surface> nextLevel; // the next smaller level of a mip chain
};

struct Device {
    std::shared_ptr<Surface> target;
    std::shared_ptr<Surface> depth;
    uint32_t states[GFX_RENDER_STATES] = {};
    bool inScene = false;
};

struct Object {
    ObjectType type;
    bool alive = true;
    std::shared_ptr<Surface> surface;   // surfaces and textures
    std::shared_ptr<Device> device;     // devices, and viewports once added to one
};

std::vector<Object> objects;            // handle h is objects[h - 1]; handles are never reused
int badReleases = 0;
SoftPresenter presenter = nullptr;
void *displayWindow = nullptr;
std::shared_ptr<Surface> primary;       // the page on show

GfxHandle Make(ObjectType type, std::shared_ptr<Surface> surface = nullptr,
               std::shared_ptr<Device> device = nullptr)
{
    Object o;
    o.type = type;
    o.surface = std::move(surface);
    o.device = std::move(device);
    objects.push_back(std::move(o));
    return (GfxHandle)objects.size();
}

Object *Find(GfxHandle handle, ObjectType type)
{
    if (handle == 0 || handle > objects.size())
        return nullptr;
    Object &o = objects[handle - 1];
    return o.alive && o.type == type ? &o : nullptr;
}

std::shared_ptr<Surface> NewSurface(int width, int height, uint32_t caps, uint16_t fill = 0)
{
    auto s = std::make_shared<Surface>();
    s->width = width;
    s->height = height;
    s->caps = caps;
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

int DirectDrawCreate(const GfxGuid *guid, GfxHandle *display)
{
    if (guid)
        return 0;   // there is only the one display
    *display = Make(OBJ_DISPLAY);
    return 1;
}

int QueryInterface(GfxHandle handle, int iid, GfxHandle *out)
{
    if (handle == 0 || handle > objects.size() || !objects[handle - 1].alive)
        return 0;
    const Object &o = objects[handle - 1];
    switch (iid) {
    case GFX_IID_DIRECTDRAW2:
        if (o.type != OBJ_DISPLAY) return 0;
        *out = Make(OBJ_DISPLAY);
        return 1;
    case GFX_IID_DIRECT3D2:
        if (o.type != OBJ_DISPLAY) return 0;
        *out = Make(OBJ_DIRECT3D);
        return 1;
    case GFX_IID_SURFACE3:
        if (o.type != OBJ_SURFACE) return 0;
        *out = Make(OBJ_SURFACE, o.surface);
        return 1;
    case GFX_IID_TEXTURE2:
        if (o.type != OBJ_SURFACE || !(o.surface->caps & DDSCAPS_TEXTURE)) return 0;
        *out = Make(OBJ_TEXTURE, o.surface);
        return 1;
    }
    return 0;
}

void Release(GfxHandle handle)
{
    if (handle == 0 || handle > objects.size() || !objects[handle - 1].alive) {
        badReleases++;
        return;
    }
    Object &o = objects[handle - 1];
    o.alive = false;
    o.surface.reset();
    o.device.reset();
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
    return Find(display, OBJ_DISPLAY) && width == 640 && height == 480 && bits == 16;
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
        auto front = NewSurface(640, 480, desc->caps);
        if (desc->backBufferCount >= 1)
            front->back = NewSurface(640, 480, DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE);
        primary = front;
        *out = Make(OBJ_SURFACE, front);
        return 1;
    }
    int width = desc->width, height = desc->height;
    if (width < 1 || height < 1 || width > 4096 || height > 4096)
        return 0;
    if (desc->caps & DDSCAPS_ZBUFFER) {
        *out = Make(OBJ_SURFACE, NewSurface(width, height, desc->caps, 0xFFFF));
        return 1;
    }
    // A texture, with its mip chain when one is asked for.
    int levels = (desc->flags & DDSD_MIPMAPCOUNT) ? desc->mipMapCount : 1;
    if (levels < 1 || levels > 16)
        return 0;
    auto first = NewSurface(width, height, desc->caps);
    auto level = first;
    for (int i = 1; i < levels; i++) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        level->nextLevel = NewSurface(width, height, desc->caps);
        level = level->nextLevel;
    }
    *out = Make(OBJ_SURFACE, first);
    return 1;
}

int GetAttachedSurface(GfxHandle handle, uint32_t caps, GfxHandle *out)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    std::shared_ptr<Surface> found;
    if (caps & DDSCAPS_BACKBUFFER)
        found = o->surface->back;
    else if (caps & DDSCAPS_MIPMAP)
        found = o->surface->nextLevel;
    if (!found)
        return 0;
    *out = Make(OBJ_SURFACE, found);
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

int SetColorKey(GfxHandle handle, uint32_t, uint32_t low, uint32_t high)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    // Only black can be the key: it is the one transparent colour of the game.
    o->surface->colourKey = low == 0 && high == 0;
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
    std::fill(o->surface->pixels.begin(), o->surface->pixels.end(), (uint16_t)colour);
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
    *out = Make(OBJ_DEVICE, nullptr, device);
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

int EnumTextureFormats(GfxHandle device, GfxFormatCallback callback, void *context)
{
    if (!Find(device, OBJ_DEVICE))
        return 0;
    for (const GfxPixelFormat &format : TEXTURE_FORMATS) {
        GfxSurfaceDesc desc = {};
        desc.flags = DDSD_PIXELFORMAT;
        desc.pixelFormat = format;
        if (callback(&desc, context) == 0)
            break;
    }
    return 1;
}

int CreateViewport(GfxHandle direct3d, GfxHandle *out)
{
    if (!Find(direct3d, OBJ_DIRECT3D))
        return 0;
    *out = Make(OBJ_VIEWPORT);
    return 1;
}

int AddViewport(GfxHandle device, GfxHandle viewport)
{
    Object *d = Find(device, OBJ_DEVICE);
    Object *v = Find(viewport, OBJ_VIEWPORT);
    if (!d || !v)
        return 0;
    v->device = d->device;
    return 1;
}

int SetViewport2(GfxHandle viewport, const GfxViewportDesc *desc)
{
    return Find(viewport, OBJ_VIEWPORT) && desc->width > 0 && desc->height > 0;
}

int SetCurrentViewport(GfxHandle device, GfxHandle viewport)
{
    Object *v = Find(viewport, OBJ_VIEWPORT);
    Object *d = Find(device, OBJ_DEVICE);
    return d && v && v->device == d->device;
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

void SetRenderState(GfxHandle device, int state, uint32_t value)
{
    Object *d = Find(device, OBJ_DEVICE);
    if (d && state >= 0 && state < GFX_RENDER_STATES)
        d->device->states[state] = value;
}

int LoadTexture(GfxHandle destination, GfxHandle source)
{
    Object *d = Find(destination, OBJ_TEXTURE);
    Object *s = Find(source, OBJ_TEXTURE);
    if (!d || !s)
        return 0;
    for (auto to = d->surface, from = s->surface; to && from; to = to->nextLevel, from = from->nextLevel)
        if (to->pixels.size() == from->pixels.size())
            to->pixels = from->pixels;
    return 1;
}

int GetTextureHandle(GfxHandle texture, GfxHandle device, uint32_t *handle)
{
    if (!Find(texture, OBJ_TEXTURE) || !Find(device, OBJ_DEVICE))
        return 0;
    *handle = texture;
    return 1;
}

int BeginScene(GfxHandle device)
{
    Object *d = Find(device, OBJ_DEVICE);
    if (!d || d->device->inScene)
        return 0;
    d->device->inScene = true;
    return 1;
}

int EndScene(GfxHandle device)
{
    Object *d = Find(device, OBJ_DEVICE);
    if (!d || !d->device->inScene)
        return 0;
    d->device->inScene = false;
    return 1;
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
    "soft", DirectDrawEnumerate, DirectDrawCreate, QueryInterface, Release, SetCooperativeLevel,
    SetDisplayMode, WaitForVerticalBlank, CreateSurface, GetAttachedSurface, AddAttachedSurface,
    SetColorKey, Lock, Unlock, ColorFill, Flip, CreateDevice, GetCaps, EnumTextureFormats,
    CreateViewport, AddViewport, SetViewport2, SetCurrentViewport, Clear, SetRenderState,
    LoadTexture, GetTextureHandle, BeginScene, EndScene, DrawPrimitive,
};

void SoftDevice_SetPresenter(SoftPresenter p)
{
    presenter = p;
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
    int live = 0;
    for (const Object &o : objects)
        live += o.alive;
    return live;
}

int SoftDevice_BadReleases()
{
    return badReleases;
}
