// drawstate.cpp -- which texture is on, flat colour or vertex colours, and how new pixels meet
// old ones. The software device has no alpha blending: it cuts out black texels instead.
#include "graphics/gfx_local.h"

GfxTexture *g_currentTexture = nullptr;
int32_t g_flatColourMode = 0;
uint32_t g_flatColour = 0xFFFFFFFF;

static void SetState(int state, uint32_t value)
{
    g_gfxDevice->SetRenderState(g_d3dDevice, state, value);
}

void GFX_SetTexture(GfxTexture *texture)
{
    g_currentTexture = texture;
    if (!texture) {
        SetState(D3DRS_TEXTUREHANDLE, 0);
        return;
    }
    if (g_gfxDeviceKind == GFX_DEVICE_HAL) {
        uint32_t filter = texture->levelCount == 1 ? D3DFILTER_LINEAR : D3DFILTER_MIPLINEAR;
        SetState(D3DRS_TEXTUREMAG, filter);
        SetState(D3DRS_TEXTUREMIN, filter);
    }
    SetState(D3DRS_TEXTUREHANDLE, texture->handle);
}

void GFX_UseFloorTexture() { GFX_SetTexture(g_floorTexture); }
void GFX_UseWallTexture() { GFX_SetTexture(g_wallTexture); }
void GFX_UseExplosionTexture() { GFX_SetTexture(g_explosionTexture); }
void GFX_ClearTexture() { GFX_SetTexture(nullptr); }

void GFX_FlatColourOn()
{
    GFX_SetTexture(nullptr);
    g_flatColourMode = 1;
}

void GFX_FlatColourOff()
{
    g_flatColourMode = 0;
}

// Takes 0xAABBGGRR, the order of the cycles' colours, and keeps it as the device's 0xAARRGGBB.
// The software device cannot change its flat colour: it stays opaque white.
void GFX_SetFlatColour(uint32_t value)
{
    if (g_gfxDeviceKind != GFX_DEVICE_HAL || value == 0xFFFFFFFF)
        return;
    g_flatColour = (value & 0xFF00FF00) | (value & 0xFF) << 16 | (value >> 16 & 0xFF);
}

void GFX_SetBlendMode(int mode)
{
    const int hardware = g_gfxDeviceKind == GFX_DEVICE_HAL;
    switch (mode) {
    case 0:
        SetState(hardware ? D3DRS_ALPHABLENDENABLE : D3DRS_COLORKEYENABLE, 0);
        break;
    case 1:
        if (hardware) {
            SetState(D3DRS_ALPHABLENDENABLE, 1);
            SetState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            SetState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        } else {
            SetState(D3DRS_COLORKEYENABLE, 1);
        }
        break;
    case 2:
        if (hardware) {
            SetState(D3DRS_ALPHABLENDENABLE, 1);
            SetState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            SetState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        } else {
            SetState(D3DRS_COLORKEYENABLE, 0);
        }
        break;
    case 3:
        if (hardware) {
            SetState(D3DRS_ALPHABLENDENABLE, 1);
            SetState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
            SetState(D3DRS_DESTBLEND, D3DBLEND_DESTCOLOR);
        } else {
            SetState(D3DRS_COLORKEYENABLE, 0);
        }
        break;
    }
}
