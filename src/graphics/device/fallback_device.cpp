// fallback_device.cpp -- one device layer over two. Handles of the software layer carry the top
// bit, so that every call on an object goes to the layer that made it.
#include "graphics/device/fallback_device.h"

namespace {

const GfxHandle SOFTWARE = 0x80000000u;

const GfxDevice *hardware = nullptr;
const GfxDevice *software = nullptr;
bool fellBack = false;

const GfxDevice *Current()
{
    return fellBack ? software : hardware;
}

const GfxDevice *Of(GfxHandle handle)
{
    return handle & SOFTWARE ? software : hardware;
}

GfxHandle Inner(GfxHandle handle)
{
    return handle & ~SOFTWARE;
}

GfxHandle Outer(GfxHandle inner, GfxHandle sameLayerAs)
{
    return inner ? inner | (sameLayerAs & SOFTWARE) : 0;
}

bool SameLayer(GfxHandle a, GfxHandle b)
{
    return (a & SOFTWARE) == (b & SOFTWARE);
}

int DirectDrawEnumerate(GfxDriverCallback callback, void *context)
{
    return Current()->DirectDrawEnumerate(callback, context);
}

int DirectDrawCreate(const GfxGuid *guid, GfxHandle *display)
{
    GfxHandle inner = 0;
    if (!Current()->DirectDrawCreate(guid, &inner))
        return 0;
    *display = Outer(inner, fellBack ? SOFTWARE : 0);
    return 1;
}

int QueryInterface(GfxHandle object, int iid, GfxHandle *out)
{
    GfxHandle inner = 0;
    if (!Of(object)->QueryInterface(Inner(object), iid, &inner))
        return 0;
    *out = Outer(inner, object);
    return 1;
}

void Release(GfxHandle object)
{
    Of(object)->Release(Inner(object));
}

int SetCooperativeLevel(GfxHandle display, void *window, uint32_t flags)
{
    return Of(display)->SetCooperativeLevel(Inner(display), window, flags);
}

int SetDisplayMode(GfxHandle display, int width, int height, int bits)
{
    return Of(display)->SetDisplayMode(Inner(display), width, height, bits);
}

int WaitForVerticalBlank(GfxHandle display)
{
    return Of(display)->WaitForVerticalBlank(Inner(display));
}

int CreateSurface(GfxHandle display, const GfxSurfaceDesc *desc, GfxHandle *surface)
{
    GfxHandle inner = 0;
    if (!Of(display)->CreateSurface(Inner(display), desc, &inner))
        return 0;
    *surface = Outer(inner, display);
    return 1;
}

int GetAttachedSurface(GfxHandle surface, uint32_t caps, GfxHandle *attached)
{
    GfxHandle inner = 0;
    if (!Of(surface)->GetAttachedSurface(Inner(surface), caps, &inner))
        return 0;
    *attached = Outer(inner, surface);
    return 1;
}

int AddAttachedSurface(GfxHandle surface, GfxHandle attached)
{
    return SameLayer(surface, attached) &&
           Of(surface)->AddAttachedSurface(Inner(surface), Inner(attached));
}

int SetColorKey(GfxHandle surface, uint32_t flags, uint32_t low, uint32_t high)
{
    return Of(surface)->SetColorKey(Inner(surface), flags, low, high);
}

int Lock(GfxHandle surface, void **bits, int *pitchBytes)
{
    return Of(surface)->Lock(Inner(surface), bits, pitchBytes);
}

int Unlock(GfxHandle surface)
{
    return Of(surface)->Unlock(Inner(surface));
}

int ColorFill(GfxHandle surface, uint32_t colour)
{
    return Of(surface)->ColorFill(Inner(surface), colour);
}

int Flip(GfxHandle primary)
{
    return Of(primary)->Flip(Inner(primary));
}

// The one place the layers change: the hardware layer cannot make a hardware device.
int CreateDevice(GfxHandle direct3d, int kind, GfxHandle target, GfxHandle *device)
{
    GfxHandle inner = 0;
    if (!SameLayer(direct3d, target) ||
        !Of(direct3d)->CreateDevice(Inner(direct3d), kind, Inner(target), &inner)) {
        if (kind == GFX_DEVICE_HAL && !(direct3d & SOFTWARE))
            fellBack = true;
        return 0;
    }
    *device = Outer(inner, direct3d);
    return 1;
}

int GetCaps(GfxHandle device, GfxDeviceDesc *hardwareDesc, GfxDeviceDesc *emulationDesc)
{
    return Of(device)->GetCaps(Inner(device), hardwareDesc, emulationDesc);
}

int EnumTextureFormats(GfxHandle device, GfxFormatCallback callback, void *context)
{
    return Of(device)->EnumTextureFormats(Inner(device), callback, context);
}

int CreateViewport(GfxHandle direct3d, GfxHandle *viewport)
{
    GfxHandle inner = 0;
    if (!Of(direct3d)->CreateViewport(Inner(direct3d), &inner))
        return 0;
    *viewport = Outer(inner, direct3d);
    return 1;
}

int AddViewport(GfxHandle device, GfxHandle viewport)
{
    return SameLayer(device, viewport) && Of(device)->AddViewport(Inner(device), Inner(viewport));
}

int SetViewport2(GfxHandle viewport, const GfxViewportDesc *desc)
{
    return Of(viewport)->SetViewport2(Inner(viewport), desc);
}

int SetCurrentViewport(GfxHandle device, GfxHandle viewport)
{
    return SameLayer(device, viewport) &&
           Of(device)->SetCurrentViewport(Inner(device), Inner(viewport));
}

int Clear(GfxHandle viewport, int count, const GfxRect *rects, uint32_t flags)
{
    return Of(viewport)->Clear(Inner(viewport), count, rects, flags);
}

// Texture handles are marked like objects, so the texture state takes the layer's own back.
void SetRenderState(GfxHandle device, int state, uint32_t value)
{
    if (state == D3DRS_TEXTUREHANDLE)
        value = Inner(value);
    Of(device)->SetRenderState(Inner(device), state, value);
}

int LoadTexture(GfxHandle destination, GfxHandle source)
{
    return SameLayer(destination, source) &&
           Of(destination)->LoadTexture(Inner(destination), Inner(source));
}

int GetTextureHandle(GfxHandle texture, GfxHandle device, uint32_t *handle)
{
    uint32_t inner = 0;
    if (!SameLayer(texture, device) ||
        !Of(texture)->GetTextureHandle(Inner(texture), Inner(device), &inner))
        return 0;
    *handle = Outer(inner, device);
    return 1;
}

int BeginScene(GfxHandle device)
{
    return Of(device)->BeginScene(Inner(device));
}

int EndScene(GfxHandle device)
{
    return Of(device)->EndScene(Inner(device));
}

int DrawPrimitive(GfxHandle device, int type, const TLVertex *vertices, int count)
{
    return Of(device)->DrawPrimitive(Inner(device), type, vertices, count);
}

const GfxDevice fallbackDevice = {
    "fallback", DirectDrawEnumerate, DirectDrawCreate, QueryInterface, Release,
    SetCooperativeLevel, SetDisplayMode, WaitForVerticalBlank, CreateSurface, GetAttachedSurface,
    AddAttachedSurface, SetColorKey, Lock, Unlock, ColorFill, Flip, CreateDevice, GetCaps,
    EnumTextureFormats, CreateViewport, AddViewport, SetViewport2, SetCurrentViewport, Clear,
    SetRenderState, LoadTexture, GetTextureHandle, BeginScene, EndScene, DrawPrimitive,
};

}  // namespace

const GfxDevice *FallbackDevice_Start(const GfxDevice *hardwareLayer, const GfxDevice *softwareLayer)
{
    hardware = hardwareLayer;
    software = softwareLayer;
    fellBack = false;
    return &fallbackDevice;
}

const GfxDevice *FallbackDevice_Current()
{
    return Current();
}
