// The texture bookkeeping both devices share, through the software device's table: loading one
// texture chain into another.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/device/soft/soft_device.h"

struct Chain {
    GfxHandle surface, texture;   // its first level, and that level's texture interface
};

// A texture chain of `levels` levels from `side` x `side`, every texel `fill`.
static Chain Texture(GfxHandle display, int side, int levels, uint16_t fill)
{
    const GfxDevice &d = g_softDevice;
    GfxSurfaceDesc desc = {};
    desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_MIPMAPCOUNT;
    desc.width = desc.height = side;
    desc.mipMapCount = levels;
    desc.caps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    GfxHandle surface = 0, level = 0, texture = 0;
    EXPECT_TRUE(d.CreateSurface(display, &desc, &surface));
    EXPECT_TRUE(d.QueryInterface(surface, GFX_IID_SURFACE3, &level));
    for (int i = 0; i < levels; i++, side /= 2) {
        void *bits;
        int pitch;
        EXPECT_TRUE(d.Lock(level, &bits, &pitch));
        for (int t = 0; t < side * side; t++)
            static_cast<uint16_t *>(bits)[t] = fill;
        d.Unlock(level);
        GfxHandle next = 0;
        if (i + 1 < levels) {
            EXPECT_TRUE(d.GetAttachedSurface(level, DDSCAPS_MIPMAP, &next));
        }
        level = next;
    }
    EXPECT_TRUE(d.QueryInterface(surface, GFX_IID_TEXTURE2, &texture));
    return {surface, texture};
}

// The first texel of a chain's level `levels`, counting from 1.
static uint16_t Texel(const Chain &chain, int levels)
{
    const GfxDevice &d = g_softDevice;
    GfxHandle level = chain.surface;
    for (int i = 1; i < levels; i++)
        EXPECT_TRUE(d.GetAttachedSurface(level, DDSCAPS_MIPMAP, &level));
    void *bits;
    int pitch;
    EXPECT_TRUE(d.Lock(level, &bits, &pitch));
    uint16_t texel = *static_cast<uint16_t *>(bits);
    d.Unlock(level);
    return texel;
}

TEST(DeviceObjects, ATextureLoadsWholeOrNotAtAll)
{
    GfxHandle display = 0;
    ASSERT_TRUE(g_softDevice.DirectDrawCreate(nullptr, &display));
    struct {
        const char *what;
        int side, levels;
        int loads;
    } cases[] = {
        {"the same sizes: every level is copied", 8, 3, 1},
        {"a shorter source: the levels both have", 8, 2, 1},
        {"other sizes: nothing is copied, and the load fails", 16, 3, 0},
    };
    for (const auto &c : cases) {
        Chain to = Texture(display, 8, 3, 0x1111), from = Texture(display, c.side, c.levels, 0x2222);
        EXPECT_EQ(g_softDevice.LoadTexture(to.texture, from.texture), c.loads) << c.what;
        EXPECT_EQ(Texel(to, 1), c.loads ? 0x2222 : 0x1111) << c.what;
        EXPECT_EQ(Texel(to, 3), c.loads && c.levels == 3 ? 0x2222 : 0x1111) << c.what;
    }
}
