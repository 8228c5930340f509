// gl_device.cpp -- the hardware device's objects: a display, surfaces, a 3-D device and its
// viewport, as on any device. Texture surfaces and the depth buffer description live in memory;
// the two pages and everything drawn are the OpenGL renderer's (gl_renderer.cpp), which the 3-D
// device makes and lets go of.
#include "graphics/device/gl/gl_device.h"

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "graphics/device/device_objects.h"
#include "graphics/device/gl/gl_renderer.h"

namespace {

struct Surface {
    int width = 0, height = 0;
    uint32_t caps = 0;
    PageRole page = NOT_A_PAGE;
    GfxPixelFormat format = {};
    std::vector<uint16_t> pixels;       // texels in their surface format; empty for pages
    bool colourKey = false;
    std::shared_ptr<Surface> back;      // the primary surface's back buffer
    std::shared_ptr<Surface> depth;     // a back buffer's depth buffer
    std::shared_ptr<Surface> nextLevel; // the next smaller level of a mip chain
    GlTexture card;                     // a texture chain's first level: the card's copy
    bool Drawable() const { return card.name != 0; }    // once loaded
};

struct Device {
    uint32_t states[GFX_RENDER_STATES] = {};
    bool inScene = false;
};

typedef DeviceObjects<Surface, Device> Table;
typedef Table::Object Object;
void *coopWindow = nullptr;             // the window the display was given
GlScreenTaker screenTaker = nullptr;    // the front end's, where the game has a window

Object *Find(GfxHandle handle, DeviceObjectType type)
{
    return Table::Find(handle, type);
}

// The window handle is an SDL window only when a front end with a display made it; look it up
// among SDL's windows by their numbers (given out from 1 up) rather than trusting it.
SDL_Window *AsSdlWindow(void *handle)
{
    if (!handle || !SDL_WasInit(SDL_INIT_VIDEO))
        return nullptr;
    for (Uint32 id = 1; id <= 65536; id++)
        if (SDL_GetWindowFromID(id) == handle)
            return static_cast<SDL_Window *>(handle);
    return nullptr;
}

// ---- The operations.

int DirectDrawEnumerate(GfxDriverCallback callback, void *context)
{
    callback(nullptr, "OpenGL display", "display", context);
    return 1;
}

void Release(GfxHandle handle)
{
    DeviceObjectType type;
    if (Table::Release(handle, &type) && type == OBJ_DEVICE)
        GlRenderer_Destroy();
}

int SetCooperativeLevel(GfxHandle display, void *window, uint32_t)
{
    if (!Find(display, OBJ_DISPLAY))
        return 0;
    coopWindow = window;
    return 1;
}

// The display mode stays as the desktop has it: the window takes the whole screen instead.
int SetDisplayMode(GfxHandle display, int width, int height, int bits)
{
    if (!Find(display, OBJ_DISPLAY) || width != SCREEN_WIDTH || height != SCREEN_HEIGHT || bits != 16)
        return 0;
    if (SDL_Window *window = AsSdlWindow(coopWindow))
        if (screenTaker)
            screenTaker(window);
    return 1;
}

int WaitForVerticalBlank(GfxHandle display)
{
    return Find(display, OBJ_DISPLAY) != nullptr;   // the flip itself waits for it
}

std::shared_ptr<Surface> NewSurface(int width, int height, uint32_t caps)
{
    auto s = std::make_shared<Surface>();
    s->width = width;
    s->height = height;
    s->caps = caps;
    s->pixels.assign((size_t)width * height, 0);
    return s;
}

int CreateSurface(GfxHandle display, const GfxSurfaceDesc *desc, GfxHandle *out)
{
    if (!Find(display, OBJ_DISPLAY))
        return 0;
    if (desc->caps & DDSCAPS_PRIMARYSURFACE) {
        if (desc->backBufferCount < 1)
            return 0;   // the game always draws into a back page
        auto front = std::make_shared<Surface>();
        front->width = SCREEN_WIDTH, front->height = SCREEN_HEIGHT, front->caps = desc->caps;
        front->page = FRONT_PAGE;
        front->back = std::make_shared<Surface>();
        front->back->width = SCREEN_WIDTH, front->back->height = SCREEN_HEIGHT;
        front->back->caps = DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE;
        front->back->page = BACK_PAGE;
        *out = Table::Make(OBJ_SURFACE, front);
        return 1;
    }
    if (desc->caps & DDSCAPS_ZBUFFER) {
        if (desc->width < 1 || desc->height < 1 || desc->width > 4096 || desc->height > 4096)
            return 0;
        auto depth = std::make_shared<Surface>();
        depth->width = desc->width, depth->height = desc->height, depth->caps = desc->caps;
        *out = Table::Make(OBJ_SURFACE, depth);
        return 1;
    }
    // A texture, with its mip chain when one is asked for; the card gets it when it is loaded.
    auto first = Device_MakeTextureChain<Surface>(desc, [desc](int width, int height) {
        auto level = NewSurface(width, height, desc->caps);
        level->format = desc->pixelFormat;
        return level;
    });
    if (!first)
        return 0;
    *out = Table::Make(OBJ_SURFACE, first);
    return 1;
}

int AddAttachedSurface(GfxHandle handle, GfxHandle attached)
{
    Object *o = Find(handle, OBJ_SURFACE);
    Object *a = Find(attached, OBJ_SURFACE);
    if (!o || !a || !(a->surface->caps & DDSCAPS_ZBUFFER) || o->surface->page != BACK_PAGE ||
        a->surface->width != SCREEN_WIDTH || a->surface->height != SCREEN_HEIGHT)
        return 0;
    o->surface->depth = a->surface;
    return 1;
}

// A page locks as a 640 x 480 picture of 5-6-5 pixels, read back from the card.
int Lock(GfxHandle handle, void **bits, int *pitchBytes)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    Surface &s = *o->surface;
    if (s.page == NOT_A_PAGE) {
        if (s.pixels.empty())
            return 0;   // the depth buffer cannot be locked
        *bits = s.pixels.data();
        *pitchBytes = s.width * 2;
        return 1;
    }
    return GlRenderer_Running() && GlRenderer_Lock(s.page, bits, pitchBytes);
}

int Unlock(GfxHandle handle)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    Surface &s = *o->surface;
    if (s.page == NOT_A_PAGE || !GlRenderer_Running())
        return 1;
    return GlRenderer_Unlock(s.page);
}

int ColorFill(GfxHandle handle, uint32_t colour)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o)
        return 0;
    Surface &s = *o->surface;
    if (s.page == NOT_A_PAGE) {
        std::fill(s.pixels.begin(), s.pixels.end(), (uint16_t)colour);
        return 1;
    }
    if (!GlRenderer_Running())
        return 0;
    GlRenderer_Fill(s.page, colour);
    return 1;
}

int Flip(GfxHandle handle)
{
    Object *o = Find(handle, OBJ_SURFACE);
    if (!o || o->surface->page != FRONT_PAGE || !GlRenderer_Running())
        return 0;
    return GlRenderer_Flip();
}

int CreateDevice(GfxHandle direct3d, int kind, GfxHandle target, GfxHandle *out)
{
    Object *t = Find(target, OBJ_SURFACE);
    if (!Find(direct3d, OBJ_DIRECT3D) || !t || t->surface->page != BACK_PAGE ||
        kind != GFX_DEVICE_HAL || GlRenderer_Running())
        return 0;
    SDL_Window *window = AsSdlWindow(coopWindow);
    if (!window || !GlRenderer_Create(window))
        return 0;
    *out = Table::Make(OBJ_DEVICE, nullptr, std::make_shared<Device>());
    return 1;
}

int GetCaps(GfxHandle device, GfxDeviceDesc *hardware, GfxDeviceDesc *emulation)
{
    if (!Find(device, OBJ_DEVICE))
        return 0;
    *hardware = GfxDeviceDesc();
    hardware->triTextureFilterCaps = 0x3F;  // nearest, linear and all four mip-mapped filters
    *emulation = GfxDeviceDesc();
    return 1;
}

// The formats the card takes textures in, in its order of preference.
const GfxPixelFormat TEXTURE_FORMATS[] = {
    {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
};

// Clears the depth of the back page within each rectangle, given in screen pixels.
int Clear(GfxHandle viewport, int count, const GfxRect *rects, uint32_t flags)
{
    Object *v = Find(viewport, OBJ_VIEWPORT);
    if (!v || !v->device || !GlRenderer_Running())
        return 0;
    if (flags & D3DCLEAR_ZBUFFER)
        GlRenderer_ClearDepth(count, rects);
    return 1;
}

// The card is sent every level of the destination's chain once the texels are copied over.
int LoadTexture(GfxHandle destination, GfxHandle source)
{
    if (!GlRenderer_Running())
        return 0;
    Surface *first = Table::CopyTextureLevels(destination, source);
    if (!first)
        return 0;
    std::vector<GlTextureLevel> levels;
    for (const Surface *level = first; level; level = level->nextLevel.get())
        levels.push_back({level->width, level->height, level->pixels.data()});
    return GlRenderer_Upload(&first->card, first->format, levels.data(), (int)levels.size());
}

int DrawPrimitive(GfxHandle handle, int type, const TLVertex *vertices, int count)
{
    Object *o = Find(handle, OBJ_DEVICE);
    if (!o || !GlRenderer_Running() || !vertices || count < 1 ||
        (type != D3DPT_TRIANGLEFAN && type != D3DPT_LINESTRIP))
        return 0;
    const uint32_t *states = o->device->states;
    Object *t = Find(states[D3DRS_TEXTUREHANDLE], OBJ_TEXTURE);
    Surface *texture = t ? t->surface.get() : nullptr;
    GlRenderer_Draw(states, texture ? &texture->card : nullptr,
                    texture && texture->format.alphaMask, texture && texture->colourKey, type,
                    vertices, count);
    return 1;
}

}  // namespace

const GfxDevice g_glDevice = {
    "gl", DirectDrawEnumerate, Table::DirectDrawCreate, Table::QueryInterface, Release,
    SetCooperativeLevel, SetDisplayMode, WaitForVerticalBlank, CreateSurface,
    Table::GetAttachedSurface, AddAttachedSurface, Table::SetColorKey, Lock, Unlock, ColorFill,
    Flip, CreateDevice, GetCaps, Table::EnumTextureFormats<TEXTURE_FORMATS>, Table::CreateViewport,
    Table::AddViewport, Table::SetViewport2, Table::SetCurrentViewport, Clear,
    Table::SetRenderState, LoadTexture, Table::GetTextureHandle, Table::BeginScene,
    Table::EndScene, DrawPrimitive,
};

int GlDevice_LiveObjects()
{
    return Table::Live();
}

void GlDevice_SetScreenTaker(GlScreenTaker take)
{
    screenTaker = take;
}
