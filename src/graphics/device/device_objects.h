// device_objects.h -- the bookkeeping the software and hardware devices share: handles standing
// for displays, surfaces, 3-D devices, viewports and texture interfaces, made and released like
// reference-counted objects, and the operations that are bookkeeping alone, textures' among them.
// Each device brings its own Surface (with caps, back, nextLevel, pixels, colourKey, and
// Drawable(): whether a texture can be drawn with yet) and Device (with states and inScene)
// records, and so gets a table of its own; the operations are static so that a device layer can
// name them.
#pragma once

#include <memory>
#include <unordered_map>

#include "graphics/device/device.h"

enum DeviceObjectType { OBJ_DISPLAY, OBJ_DIRECT3D, OBJ_SURFACE, OBJ_DEVICE, OBJ_VIEWPORT, OBJ_TEXTURE };

template <typename Surface, typename Device> class DeviceObjects {
public:
    struct Object {
        DeviceObjectType type;
        std::shared_ptr<Surface> surface;   // surfaces and texture interfaces
        std::shared_ptr<Device> device;     // devices, and viewports once added to one
    };

    // Handle h is the h-th object made. Handles are never reused, so a stale one is caught
    // rather than taken for a newer object; only the objects still held are kept, so a process
    // that makes and lets go of textures over and over does not grow.
    static GfxHandle Make(DeviceObjectType type, std::shared_ptr<Surface> surface = nullptr,
                   std::shared_ptr<Device> device = nullptr)
    {
        Object o;
        o.type = type;
        o.surface = std::move(surface);
        o.device = std::move(device);
        GfxHandle handle = ++LastHandle();
        Objects().emplace(handle, std::move(o));
        return handle;
    }

    static Object *Find(GfxHandle handle, DeviceObjectType type)
    {
        Object *o = FindAny(handle);
        return o && o->type == type ? o : nullptr;
    }

    static Object *FindAny(GfxHandle handle)
    {
        auto found = Objects().find(handle);
        return found == Objects().end() ? nullptr : &found->second;
    }

    // Lets go of an object and gives its type; 0, and one more bad release, when it was gone.
    static int Release(GfxHandle handle, DeviceObjectType *type)
    {
        auto found = Objects().find(handle);
        if (found == Objects().end()) {
            BadReleaseCount()++;
            return 0;
        }
        *type = found->second.type;
        Objects().erase(found);
        return 1;
    }

    static int Live() { return (int)Objects().size(); }

    static int BadReleases() { return BadReleaseCount(); }

    static int DirectDrawCreate(const GfxGuid *guid, GfxHandle *display)
    {
        if (guid)
            return 0;   // there is only the one display
        *display = Make(OBJ_DISPLAY);
        return 1;
    }

    static int QueryInterface(GfxHandle handle, int iid, GfxHandle *out)
    {
        const Object *o = FindAny(handle);
        if (!o)
            return 0;
        switch (iid) {
        case GFX_IID_DIRECTDRAW2:
            if (o->type != OBJ_DISPLAY) return 0;
            *out = Make(OBJ_DISPLAY);
            return 1;
        case GFX_IID_DIRECT3D2:
            if (o->type != OBJ_DISPLAY) return 0;
            *out = Make(OBJ_DIRECT3D);
            return 1;
        case GFX_IID_SURFACE3:
            if (o->type != OBJ_SURFACE) return 0;
            *out = Make(OBJ_SURFACE, o->surface);
            return 1;
        case GFX_IID_TEXTURE2:
            if (o->type != OBJ_SURFACE || !(o->surface->caps & DDSCAPS_TEXTURE)) return 0;
            *out = Make(OBJ_TEXTURE, o->surface);
            return 1;
        }
        return 0;
    }

    // The back buffer of a primary surface, or the next level of a mip chain.
    static int GetAttachedSurface(GfxHandle handle, uint32_t caps, GfxHandle *out)
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

    static int CreateViewport(GfxHandle direct3d, GfxHandle *out)
    {
        if (!Find(direct3d, OBJ_DIRECT3D))
            return 0;
        *out = Make(OBJ_VIEWPORT);
        return 1;
    }

    static int AddViewport(GfxHandle device, GfxHandle viewport)
    {
        Object *d = Find(device, OBJ_DEVICE);
        Object *v = Find(viewport, OBJ_VIEWPORT);
        if (!d || !v)
            return 0;
        v->device = d->device;
        return 1;
    }

    static int SetViewport2(GfxHandle viewport, const GfxViewportDesc *desc)
    {
        return Find(viewport, OBJ_VIEWPORT) && desc->width > 0 && desc->height > 0;
    }

    static int SetCurrentViewport(GfxHandle device, GfxHandle viewport)
    {
        Object *v = Find(viewport, OBJ_VIEWPORT);
        Object *d = Find(device, OBJ_DEVICE);
        return d && v && v->device == d->device;
    }

    static void SetRenderState(GfxHandle device, int state, uint32_t value)
    {
        Object *d = Find(device, OBJ_DEVICE);
        if (d && state >= 0 && state < GFX_RENDER_STATES)
            d->device->states[state] = value;
    }

    static int BeginScene(GfxHandle device)
    {
        Object *d = Find(device, OBJ_DEVICE);
        if (!d || d->device->inScene)
            return 0;
        d->device->inScene = true;
        return 1;
    }

    static int EndScene(GfxHandle device)
    {
        Object *d = Find(device, OBJ_DEVICE);
        if (!d || !d->device->inScene)
            return 0;
        d->device->inScene = false;
        return 1;
    }

    // Black is the only key a surface can have: it is the one transparent colour of the game.
    static int SetColorKey(GfxHandle handle, uint32_t, uint32_t low, uint32_t high)
    {
        Object *o = Find(handle, OBJ_SURFACE);
        if (!o)
            return 0;
        o->surface->colourKey = low == 0 && high == 0;
        return 1;
    }

    // Offers the device's texture formats, in its order of preference, until the callback takes
    // one.
    template <const auto &formats>
    static int EnumTextureFormats(GfxHandle device, GfxFormatCallback callback, void *context)
    {
        if (!Find(device, OBJ_DEVICE))
            return 0;
        for (const GfxPixelFormat &format : formats) {
            GfxSurfaceDesc desc = {};
            desc.flags = DDSD_PIXELFORMAT;
            desc.pixelFormat = format;
            if (callback(&desc, context) == 0)
                break;
        }
        return 1;
    }

    // Copies the texels of one texture chain into another, level by level as far as the shorter
    // goes (a texture loaded into the card's memory): the destination's first level, or null,
    // with nothing copied, when either is not a texture or a level differs in size.
    static Surface *CopyTextureLevels(GfxHandle destination, GfxHandle source)
    {
        Object *d = Find(destination, OBJ_TEXTURE);
        Object *s = Find(source, OBJ_TEXTURE);
        if (!d || !s)
            return nullptr;
        for (Surface *to = d->surface.get(), *from = s->surface.get(); to && from;
             to = to->nextLevel.get(), from = from->nextLevel.get())
            if (to->pixels.size() != from->pixels.size())
                return nullptr;
        for (Surface *to = d->surface.get(), *from = s->surface.get(); to && from;
             to = to->nextLevel.get(), from = from->nextLevel.get())
            to->pixels = from->pixels;
        return d->surface.get();
    }

    // A texture's handle for drawing with on a device: the texture interface's own.
    static int GetTextureHandle(GfxHandle texture, GfxHandle device, uint32_t *handle)
    {
        Object *t = Find(texture, OBJ_TEXTURE);
        if (!t || !Find(device, OBJ_DEVICE) || !t->surface->Drawable())
            return 0;
        *handle = texture;
        return 1;
    }

private:
    // Never destroyed: objects still held when the process ends are left as they are.
    static std::unordered_map<GfxHandle, Object> &Objects()
    {
        static auto *objects = new std::unordered_map<GfxHandle, Object>;
        return *objects;
    }
    static GfxHandle &LastHandle()
    {
        static GfxHandle last = 0;
        return last;
    }
    static int &BadReleaseCount()
    {
        static int count = 0;
        return count;
    }
};

// The levels of a texture as its description asks, each half the one before and made by
// newLevel (width, height); null for sizes or level counts no texture has.
template <typename Surface, typename NewLevel>
std::shared_ptr<Surface> Device_MakeTextureChain(const GfxSurfaceDesc *desc, NewLevel newLevel)
{
    int width = desc->width, height = desc->height;
    int levels = (desc->flags & DDSD_MIPMAPCOUNT) ? desc->mipMapCount : 1;
    if (width < 1 || height < 1 || width > 4096 || height > 4096 || levels < 1 || levels > 16)
        return nullptr;
    std::shared_ptr<Surface> first = newLevel(width, height), level = first;
    for (int i = 1; i < levels; i++) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        level->nextLevel = newLevel(width, height);
        level = level->nextLevel;
    }
    return first;
}
