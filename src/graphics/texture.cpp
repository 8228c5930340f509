// texture.cpp -- ".3df" texture files: a four-line text header, then 16-bit texels level after
// level of a mip chain, converted into a surface format the device accepts.
#include "graphics/gfx_local.h"

#include <cstdlib>
#include <cstring>

#include "platform/files.h"

enum { HEADER_LINE_MAX = 256, MAX_SIDE = 256 };

static int formatFound = 0;
static GfxSurfaceDesc acceptedFormat;

int GFX_ReadHeaderLine(char *buffer, FILE *file)
{
    int count = 0;
    for (;;) {
        if (feof(file))
            return 0;
        int c = fgetc(file);
        buffer[count++] = (char)c;
        if (count > HEADER_LINE_MAX)
            return 0;
        if (c == '\n') {
            buffer[count] = 0;
            return 1;
        }
    }
}

int GFX_CountMipLevels(int largest, int smallest)
{
    if (largest == smallest)
        return 1;
    GfxDeviceDesc hardwareDesc = {}, emulationDesc = {};
    if (!g_gfxDevice->GetCaps(g_d3dDevice, &hardwareDesc, &emulationDesc) ||
        g_gfxDeviceKind != GFX_DEVICE_HAL ||
        !(hardwareDesc.triTextureFilterCaps & D3DPTFILTERCAPS_LINEARMIPLINEAR))
        return 1;
    // Levels below the device's smallest texture are not built.
    if (hardwareDesc.minTextureWidth > 0)
        while (smallest < hardwareDesc.minTextureWidth)
            smallest *= 2;
    int side = largest / 2, levels = 1;
    if (side <= smallest)
        return 1;
    do {
        side /= 2;
        levels++;
    } while (side > smallest);
    return levels;
}

int GFX_TextureFormatCallback(const GfxSurfaceDesc *desc, void *context)
{
    const GfxTexture *texture = static_cast<const GfxTexture *>(context);
    const GfxPixelFormat &pf = desc->pixelFormat;
    int accept;
    if (texture->format == 1 || g_gfxDeviceKind != GFX_DEVICE_HAL)
        accept = (pf.flags & DDPF_RGB) && !(pf.flags & (DDPF_ALPHAPIXELS | DDPF_PALETTEINDEXEDTO8)) &&
                 pf.bitCount == 16 && pf.greenMask == 0x07E0;
    else
        accept = (pf.flags & DDPF_ALPHAPIXELS) && (pf.flags & DDPF_RGB) &&
                 !(pf.flags & DDPF_PALETTEINDEXED8) && pf.alphaMask == 0x8000;
    if (!accept)
        return 1;
    acceptedFormat = *desc;
    formatFound = 1;
    return 0;
}

void GFX_CollectMipSurfaces(GfxTexture *texture)
{
    const uint32_t caps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    int complete = 1;
    for (int i = 0; i < texture->levelCount - 1 && texture->systemSurfaces[i]; i++) {
        if (!g_gfxDevice->GetAttachedSurface(texture->systemSurfaces[i], caps,
                                             &texture->systemSurfaces[i + 1])) {
            texture->systemSurfaces[i + 1] = 0;
            complete = 0;
            break;
        }
    }
    if (g_gfxDeviceKind != GFX_DEVICE_HAL || !complete)
        return;
    for (int i = 0; i < texture->levelCount - 1 && texture->videoSurfaces[i]; i++) {
        if (!g_gfxDevice->GetAttachedSurface(texture->videoSurfaces[i], caps,
                                             &texture->videoSurfaces[i + 1])) {
            texture->videoSurfaces[i + 1] = 0;
            break;
        }
    }
}

int GFX_CreateTextureInterfaces(GfxTexture *texture)
{
    const GfxDevice *d = g_gfxDevice;
    if (!d->QueryInterface(texture->systemSurfaces[0], GFX_IID_TEXTURE2, &texture->systemTexture)) {
        texture->systemTexture = 0;
        return 0;
    }
    if (g_gfxDeviceKind != GFX_DEVICE_HAL)
        return 1;
    if (!d->QueryInterface(texture->videoSurfaces[0], GFX_IID_TEXTURE2, &texture->videoTexture)) {
        texture->videoTexture = 0;
        return 0;
    }
    return d->LoadTexture(texture->videoTexture, texture->systemTexture);
}

void GFX_FreeTexture(GfxTexture *texture)
{
    for (int i = 0; i < GFX_MAX_LEVELS; i++) {
        free(texture->levelPixels[i]);
        if (texture->systemSurfaces[i])
            g_gfxDevice->Release(texture->systemSurfaces[i]);
        if (texture->videoSurfaces[i])
            g_gfxDevice->Release(texture->videoSurfaces[i]);
    }
    memset(texture, 0, sizeof *texture);
}

// One texel of the file as the surface wants it.
static int ReadTexel(FILE *file, int format, uint16_t *texel)
{
    // A texture is read a byte at a time; the stream is the loader's own, so it needs no lock.
    int b0 = getc_unlocked(file), b1 = getc_unlocked(file);
    if (b0 == EOF || b1 == EOF)
        return 0;
    if (format == 1) {
        *texel = (uint16_t)(b0 * 256 + b1);
        return 1;
    }
    // "argb8332": an alpha byte, then red 3, green 3, blue 2 bits. Each channel is widened by
    // filling the freed low bits with ones unless it is zero.
    int alpha = b0, c = b1;
    int r3 = (c >> 5) & 7, g3 = (c >> 2) & 7, b2 = c & 3;
    int r5 = r3 * 4 + (r3 ? 3 : 0);
    int g5 = g3 * 4 + (g3 ? 3 : 0), g6 = g3 * 8 + (g3 ? 7 : 0);
    int b5 = b2 * 8 + (b2 ? 7 : 0);
    if (g_gfxDeviceKind == GFX_DEVICE_HAL)
        *texel = (uint16_t)((alpha ? 0x8000 : 0) | r5 << 10 | g5 << 5 | b5);
    else
        *texel = (uint16_t)(r5 << 11 | g6 << 5 | b5);
    return 1;
}

static int FailLoad(GfxTexture *texture, const char *message)
{
    GFX_FreeTexture(texture);
    GFX_LogError(GFX_LOG, "GFX_LoadTexture->Load16BitTexture : %s", message);
    return 0;
}

int Load16BitTexture(GfxTexture *texture, FILE *file)
{
    const GfxDevice *d = g_gfxDevice;
    const int hardware = g_gfxDeviceKind == GFX_DEVICE_HAL;
    int w = texture->width, h = texture->height;

    formatFound = 0;
    d->EnumTextureFormats(g_d3dDevice, GFX_TextureFormatCallback, texture);
    if (!formatFound) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture->Load16BitTexture : No known formats for this texture...");
        return 0;
    }

    GfxSurfaceDesc desc = {};
    desc.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.width = w;
    desc.height = h;
    desc.pixelFormat = acceptedFormat.pixelFormat;
    desc.caps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    if (texture->levelCount != 1) {
        desc.flags |= DDSD_MIPMAPCOUNT;
        desc.mipMapCount = texture->levelCount;
        desc.caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    }
    GfxHandle first = 0;
    if (!d->CreateSurface(g_directDraw, &desc, &first))
        return FailLoad(texture, "Can't create mem surface!");
    if (!d->QueryInterface(first, GFX_IID_SURFACE3, &texture->systemSurfaces[0]))
        texture->systemSurfaces[0] = 0;
    d->Release(first);
    if (hardware) {
        desc.caps = (desc.caps & ~DDSCAPS_SYSTEMMEMORY) | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD;
        if (!d->CreateSurface(g_directDraw, &desc, &first))
            return FailLoad(texture, "Can't create vid surface!");
        if (!d->QueryInterface(first, GFX_IID_SURFACE3, &texture->videoSurfaces[0]))
            texture->videoSurfaces[0] = 0;
        d->Release(first);
    }
    GFX_CollectMipSurfaces(texture);
    // Black texels are the transparent ones when the colour-key blend mode is on.
    if (!hardware && texture->systemSurfaces[0])
        d->SetColorKey(texture->systemSurfaces[0], DDCKEY_SRCBLT, 0, 0);

    for (int level = 0; level < texture->levelCount; level++) {
        uint16_t *pixels = (uint16_t *)malloc((size_t)w * h * 2);
        if (!pixels)
            return FailLoad(texture, "out of memory!");
        texture->levelPixels[level] = pixels;
        for (int i = 0; i < w * h; i++)
            if (!ReadTexel(file, texture->format, &pixels[i]))
                return FailLoad(texture, "fread error!");
        void *bits;
        int pitch;
        if (!texture->systemSurfaces[level] || !d->Lock(texture->systemSurfaces[level], &bits, &pitch))
            return FailLoad(texture, "Can't Lock surface for writing!");
        for (int row = 0; row < h; row++)
            memcpy(static_cast<uint8_t *>(bits) + (size_t)row * pitch, pixels + (size_t)row * w,
                   (size_t)w * 2);
        d->Unlock(texture->systemSurfaces[level]);
        w = w <= 3 ? 1 : w / 2;
        h = h <= 3 ? 1 : h / 2;
    }

    if (!GFX_CreateTextureInterfaces(texture))
        return FailLoad(texture, "Can't QueryInterface mem texture!");
    GfxHandle source = hardware ? texture->videoTexture : texture->systemTexture;
    if (!d->GetTextureHandle(source, g_d3dDevice, &texture->handle))
        return FailLoad(texture, "Can't GetHandle() texture!");
    return 1;
}

// Sizes the rest of the loader cannot cope with: a zero aspect number would divide by zero, and a
// chain longer than 256 or upside down would need more level slots than a texture has.
static const char *BadSizes(int smallest, int largest, int first, int second)
{
    if (first <= 0 || second <= 0)
        return "has an aspect number that is not positive";
    if (smallest < 1 || largest < smallest)
        return "has its largest side below its smallest";
    if (largest > MAX_SIDE)
        return "has a side above 256";
    if (largest / first < 1 || largest / second < 1)
        return "has an aspect ratio larger than its side";
    return nullptr;
}

GfxTexture *GFX_LoadTexture(const char *fileName)
{
    FILE *file = Platform_OpenFile(fileName, "rb");
    if (!file) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s doesn't exist!", fileName);
        return nullptr;
    }
    char signature[9];
    char line[HEADER_LINE_MAX + 1];
    GfxTexture *texture = nullptr;
    int format = 0, smallest = 0, largest = 0, first = 0, second = 0;
    const char *sizeProblem;

    if (fread(signature, 1, 9, file) != 9 || memcmp(signature, "3df v1.1", 8) != 0) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s isn't a .3df v1.1!", fileName);
        goto fail;
    }
    if (!GFX_ReadHeaderLine(line, file)) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s appears to be corrupt!", fileName);
        goto fail;
    }
    if (strcmp(line, "rgb565\n") == 0) {
        format = 1;
    } else if (strcmp(line, "argb8332\n") == 0) {
        format = 2;
    } else {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s has an unknown texture format (%s)!", fileName,
                     line);
        goto fail;
    }
    if (!GFX_ReadHeaderLine(line, file)) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s appears to be corrupt!(2)", fileName);
        goto fail;
    }
    if (sscanf(line, "lod range: %d %d", &smallest, &largest) < 2) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s Can't work out the lods!", fileName);
        goto fail;
    }
    if (!GFX_ReadHeaderLine(line, file)) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s appears to be corrupt!(3)", fileName);
        goto fail;
    }
    if (sscanf(line, "aspect ratio: %d %d", &first, &second) < 2) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s Can't work out the aspect ratios!", fileName);
        goto fail;
    }
    sizeProblem = BadSizes(smallest, largest, first, second);
    if (sizeProblem) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s %s!", fileName, sizeProblem);
        goto fail;
    }

    texture = (GfxTexture *)calloc(1, sizeof(GfxTexture));
    if (!texture) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s -> out of memory!", fileName);
        goto fail;
    }
    texture->width = largest / second;
    texture->height = largest / first;
    texture->format = format;
    texture->levelCount = GFX_CountMipLevels(largest, smallest);
    texture->uScale = 1.0f / (256.0f / (float)second);
    texture->vScale = 1.0f / (256.0f / (float)first);
    if (!Load16BitTexture(texture, file)) {
        GFX_LogError(GFX_LOG, "GFX_LoadTexture : %s -> Error reading...", fileName);
        free(texture);
        texture = nullptr;
    }
fail:
    fclose(file);
    return texture;
}
