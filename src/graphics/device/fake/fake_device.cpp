// fake_device.cpp -- the recording, failing device layer over the software device.
#include "graphics/device/fake/fake_device.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "graphics/device/soft/soft_device.h"

namespace {

FakeDeviceOptions options;
std::vector<std::string> calls;
std::map<std::string, int> counts;
std::vector<FakePrimitive> primitives;
uint32_t textureHandle = 0;
const GfxDevice &soft = g_softDevice;
const GfxGuid SECONDARY_GUID = {{0x5a, 0x52, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}};

// Records the call and says whether it is the one that must fail.
bool Fails(const char *operation, const std::string &detail = "")
{
    calls.push_back(detail.empty() ? operation : std::string(operation) + " " + detail);
    if (options.watch)
        options.watch(calls.back().c_str());
    int n = ++counts[operation];
    if (options.failOperation != operation)
        return false;
    return options.failEveryCall ? n >= options.failAt : n == options.failAt;
}

std::string Hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "0x%x", value);
    return text;
}

int DirectDrawEnumerate(GfxDriverCallback callback, void *context)
{
    if (Fails("DirectDrawEnumerate"))
        return 0;
    if (callback(nullptr, "Primary display", "display", context) && options.secondaryDriver)
        callback(&SECONDARY_GUID, "Secondary display", "display2", context);
    return 1;
}

int DirectDrawCreate(const GfxGuid *guid, GfxHandle *display)
{
    if (Fails("DirectDrawCreate", guid ? "secondary" : "primary"))
        return 0;
    return soft.DirectDrawCreate(nullptr, display);
}

int QueryInterface(GfxHandle object, int iid, GfxHandle *out)
{
    return !Fails("QueryInterface", std::to_string(iid)) && soft.QueryInterface(object, iid, out);
}

void Release(GfxHandle object)
{
    Fails("Release", std::to_string(object));
    soft.Release(object);
}

int SetCooperativeLevel(GfxHandle display, void *window, uint32_t flags)
{
    return !Fails("SetCooperativeLevel", Hex(flags)) && soft.SetCooperativeLevel(display, window, flags);
}

int SetDisplayMode(GfxHandle display, int width, int height, int bits)
{
    return !Fails("SetDisplayMode") && soft.SetDisplayMode(display, width, height, bits);
}

int WaitForVerticalBlank(GfxHandle display)
{
    return !Fails("WaitForVerticalBlank") && soft.WaitForVerticalBlank(display);
}

int CreateSurface(GfxHandle display, const GfxSurfaceDesc *desc, GfxHandle *surface)
{
    return !Fails("CreateSurface", "caps " + Hex(desc->caps)) &&
           soft.CreateSurface(display, desc, surface);
}

int GetAttachedSurface(GfxHandle surface, uint32_t caps, GfxHandle *attached)
{
    return !Fails("GetAttachedSurface") && soft.GetAttachedSurface(surface, caps, attached);
}

int AddAttachedSurface(GfxHandle surface, GfxHandle attached)
{
    return !Fails("AddAttachedSurface") && soft.AddAttachedSurface(surface, attached);
}

int SetColorKey(GfxHandle surface, uint32_t flags, uint32_t low, uint32_t high)
{
    return !Fails("SetColorKey") && soft.SetColorKey(surface, flags, low, high);
}

int Lock(GfxHandle surface, void **bits, int *pitch)
{
    return !Fails("Lock") && soft.Lock(surface, bits, pitch);
}

int Unlock(GfxHandle surface)
{
    return !Fails("Unlock") && soft.Unlock(surface);
}

int ColorFill(GfxHandle surface, uint32_t colour)
{
    return !Fails("ColorFill") && soft.ColorFill(surface, colour);
}

int Flip(GfxHandle primary)
{
    return !Fails("Flip") && soft.Flip(primary);
}

int CreateDevice(GfxHandle direct3d, int kind, GfxHandle target, GfxHandle *device)
{
    if (Fails("CreateDevice", std::to_string(kind)))
        return 0;
    if (kind == GFX_DEVICE_HAL && options.hardware)
        kind = GFX_DEVICE_RGB;      // pretend: the software rasteriser stands in for it
    return soft.CreateDevice(direct3d, kind, target, device);
}

int GetCaps(GfxHandle device, GfxDeviceDesc *hardware, GfxDeviceDesc *emulation)
{
    if (Fails("GetCaps") || !soft.GetCaps(device, hardware, emulation))
        return 0;
    *hardware = options.hardwareCaps;
    return 1;
}

int EnumTextureFormats(GfxHandle device, GfxFormatCallback callback, void *context)
{
    return !Fails("EnumTextureFormats") && soft.EnumTextureFormats(device, callback, context);
}

int CreateViewport(GfxHandle direct3d, GfxHandle *viewport)
{
    return !Fails("CreateViewport") && soft.CreateViewport(direct3d, viewport);
}

int AddViewport(GfxHandle device, GfxHandle viewport)
{
    return !Fails("AddViewport") && soft.AddViewport(device, viewport);
}

int SetViewport2(GfxHandle viewport, const GfxViewportDesc *desc)
{
    return !Fails("SetViewport2") && soft.SetViewport2(viewport, desc);
}

int SetCurrentViewport(GfxHandle device, GfxHandle viewport)
{
    return !Fails("SetCurrentViewport") && soft.SetCurrentViewport(device, viewport);
}

int Clear(GfxHandle viewport, int count, const GfxRect *rects, uint32_t flags)
{
    return !Fails("Clear") && soft.Clear(viewport, count, rects, flags);
}

void SetRenderState(GfxHandle device, int state, uint32_t value)
{
    Fails("SetRenderState", std::to_string(state) + " " + std::to_string(value));
    if (state == D3DRS_TEXTUREHANDLE)
        textureHandle = value;
    soft.SetRenderState(device, state, value);
}

int LoadTexture(GfxHandle destination, GfxHandle source)
{
    return !Fails("LoadTexture") && soft.LoadTexture(destination, source);
}

int GetTextureHandle(GfxHandle texture, GfxHandle device, uint32_t *handle)
{
    return !Fails("GetTextureHandle") && soft.GetTextureHandle(texture, device, handle);
}

int BeginScene(GfxHandle device)
{
    return !Fails("BeginScene") && soft.BeginScene(device);
}

int EndScene(GfxHandle device)
{
    return !Fails("EndScene") && soft.EndScene(device);
}

int DrawPrimitive(GfxHandle device, int type, const TLVertex *vertices, int count)
{
    if (Fails("DrawPrimitive", std::to_string(type) + " " + std::to_string(count)))
        return 0;
    primitives.push_back({type, std::vector<TLVertex>(vertices, vertices + count), textureHandle});
    return soft.DrawPrimitive(device, type, vertices, count);
}

const GfxDevice fakeDevice = {
    "fake", DirectDrawEnumerate, DirectDrawCreate, QueryInterface, Release, SetCooperativeLevel,
    SetDisplayMode, WaitForVerticalBlank, CreateSurface, GetAttachedSurface, AddAttachedSurface,
    SetColorKey, Lock, Unlock, ColorFill, Flip, CreateDevice, GetCaps, EnumTextureFormats,
    CreateViewport, AddViewport, SetViewport2, SetCurrentViewport, Clear, SetRenderState,
    LoadTexture, GetTextureHandle, BeginScene, EndScene, DrawPrimitive,
};

}  // namespace

const GfxDevice *FakeDevice_Start(const FakeDeviceOptions &chosen)
{
    options = chosen;
    calls.clear();
    counts.clear();
    primitives.clear();
    textureHandle = 0;
    return &fakeDevice;
}

const std::vector<std::string> &FakeDevice_Calls()
{
    return calls;
}

int FakeDevice_Count(const std::string &call)
{
    return (int)std::count(calls.begin(), calls.end(), call);
}

const std::vector<FakePrimitive> &FakeDevice_Primitives()
{
    return primitives;
}

void FakeDevice_ClearPrimitives()
{
    primitives.clear();
}
