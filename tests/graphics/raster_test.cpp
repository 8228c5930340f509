// The software device's rasteriser, pixel by pixel on tiny pages: which pixels a triangle or a
// line covers, the depth test, Gouraud and flat colour, texturing (perspective, wrap, modulate,
// colour key) and that nothing lands outside the page.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "graphics/device/soft/raster.h"

namespace {

typedef std::set<std::pair<int, int>> PixelSet;     // (x, y)

const uint16_t PAPER = 0x1234;       // what every page is cleared to

// A page of width x height pixels inside a larger buffer, with a guard margin of GUARD pixels
// all round, so that a write past any edge of the page shows up in the margin.
struct Page {
    enum { GUARD = 3 };
    int width, height, pitch;
    std::vector<uint16_t> colourBuffer, depthBuffer;
    RasterTarget target;

    Page(int w, int h, bool withDepth = true) : width(w), height(h), pitch(w + 2 * GUARD)
    {
        colourBuffer.assign((size_t)pitch * (h + 2 * GUARD), PAPER);
        depthBuffer.assign(colourBuffer.size(), 0xFFFF);
        target = {&colourBuffer[GUARD * pitch + GUARD], pitch,
                  withDepth ? &depthBuffer[GUARD * pitch + GUARD] : nullptr, pitch, w, h};
    }
    uint16_t &At(int x, int y) { return colourBuffer[(size_t)(y + GUARD) * pitch + x + GUARD]; }
    uint16_t &DepthAt(int x, int y) { return depthBuffer[(size_t)(y + GUARD) * pitch + x + GUARD]; }

    PixelSet Drawn()
    {
        PixelSet drawn;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                if (At(x, y) != PAPER)
                    drawn.insert({x, y});
        return drawn;
    }
    // Nothing was written in the margin, colour or depth.
    bool MarginUntouched()
    {
        for (int y = -GUARD; y < height + GUARD; y++)
            for (int x = -GUARD; x < width + GUARD; x++)
                if ((x < 0 || y < 0 || x >= width || y >= height) &&
                    (At(x, y) != PAPER || DepthAt(x, y) != 0xFFFF))
                    return false;
        return true;
    }
};

TLVertex At(float x, float y, uint32_t colour = 0xFFFFFFFF, float z = 0.5f)
{
    return TLVertex{x, y, z, 1.0f, colour, colour, 0.0f, 0.0f};
}

TLVertex Textured(float x, float y, float u, float v, float rhw = 1.0f)
{
    return TLVertex{x, y, 0.5f, rhw, 0xFFFFFFFF, 0xFFFFFFFF, u, v};
}

PixelSet Rectangle(int x0, int y0, int x1, int y1)    // columns x0..x1-1, rows y0..y1-1
{
    PixelSet pixels;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            pixels.insert({x, y});
    return pixels;
}

uint16_t Pack(uint32_t r5, uint32_t g6, uint32_t b5)
{
    return (uint16_t)(r5 << 11 | g6 << 5 | b5);
}

const RasterState UNTEXTURED;

} // namespace

// Each triangle goes into a page of its own: no pixel may be in two of them, and together they
// must make exactly the pixels expected of the whole shape.
TEST(RasterFill, SharedEdgesDrawEveryPixelExactlyOnce)
{
    struct Case {
        const char *what;
        std::vector<TLVertex> fan;
        PixelSet expected;
    } cases[] = {
        {"the text quad: x 0..15, y 17..32",
         {At(0, 17), At(15, 17), At(15, 32), At(0, 32)}, Rectangle(0, 17, 15, 32)},
        {"the other diagonal, drawn the other way round",
         {At(15, 17), At(15, 32), At(0, 32), At(0, 17)}, Rectangle(0, 17, 15, 32)},
        {"edges between pixel centres", {At(0.5f, 0.5f), At(3.5f, 0.5f), At(3.5f, 2.5f),
                                          At(0.5f, 2.5f)}, Rectangle(1, 1, 4, 3)},
        {"edges a hair either side of centres", {At(0.99f, 1.01f), At(4.01f, 1.01f),
                                                  At(4.01f, 3.01f), At(0.99f, 3.01f)},
         Rectangle(1, 2, 5, 4)},
        {"closer than 1/512 pixel: on the centres", {At(0.999f, 1.001f), At(4.001f, 1.001f),
                                                      At(4.001f, 3.001f), At(0.999f, 3.001f)},
         Rectangle(1, 1, 4, 3)},
    };
    for (const Case &c : cases) {
        Page whole(20, 40);
        Raster_DrawTriangleFan(whole.target, UNTEXTURED, c.fan.data(), (int)c.fan.size());
        EXPECT_EQ(whole.Drawn(), c.expected) << c.what;

        PixelSet together;
        for (size_t i = 1; i + 1 < c.fan.size(); i++) {
            Page one(20, 40);
            const TLVertex tri[3] = {c.fan[0], c.fan[i], c.fan[i + 1]};
            Raster_DrawTriangleFan(one.target, UNTEXTURED, tri, 3);
            for (const auto &pixel : one.Drawn())
                EXPECT_TRUE(together.insert(pixel).second)
                    << c.what << ": (" << pixel.first << ", " << pixel.second << ") twice";
        }
        EXPECT_EQ(together, c.expected) << c.what;
    }
}

// A convex polygon cut into triangles two ways, as a fan from a corner and as a fan around a
// point inside it (once at a pixel centre, where every triangle meets, once off the grid): the
// triangles around the point never share a pixel, and together they give the corner fan's.
TEST(RasterFill, FansAroundACentreSplitTheSamePolygon)
{
    const TLVertex ring[] = {At(2.0f, 1.0f), At(9.3f, 0.6f), At(13.0f, 5.0f), At(12.2f, 11.7f),
                             At(6.0f, 13.0f), At(1.4f, 9.0f), At(0.7f, 4.2f)};
    const int corners = sizeof ring / sizeof ring[0];
    Page fromCorner(16, 16);
    Raster_DrawTriangleFan(fromCorner.target, UNTEXTURED, ring, corners);
    const PixelSet polygon = fromCorner.Drawn();
    ASSERT_GT(polygon.size(), 100u);

    for (TLVertex centre : {At(7.0f, 7.0f), At(6.37f, 7.81f)}) {
        PixelSet together;
        for (int i = 0; i < corners; i++) {
            Page one(16, 16);
            const TLVertex tri[3] = {centre, ring[i], ring[(i + 1) % corners]};
            Raster_DrawTriangleFan(one.target, UNTEXTURED, tri, 3);
            for (const auto &pixel : one.Drawn())
                EXPECT_TRUE(together.insert(pixel).second)
                    << "centre " << centre.sx << "," << centre.sy << ": (" << pixel.first
                    << ", " << pixel.second << ") twice";
        }
        EXPECT_EQ(together, polygon) << "centre " << centre.sx << "," << centre.sy;
        EXPECT_EQ(together.count({7, 7}), 1u);
    }
}

TEST(RasterFill, FlatTrianglesDrawNothing)
{
    struct Case {
        const char *what;
        TLVertex tri[3];
    } cases[] = {
        {"three points on a line", {At(1, 1), At(5, 3), At(9, 5)}},
        {"two corners in one place", {At(1, 1), At(8, 6), At(1, 1)}},
        {"all three in one place", {At(4, 4), At(4, 4), At(4, 4)}},
    };
    for (const Case &c : cases) {
        Page page(12, 12);
        Raster_DrawTriangleFan(page.target, UNTEXTURED, c.tri, 3);
        EXPECT_TRUE(page.Drawn().empty()) << c.what;
    }
}

// The game's guard band lets corners reach 100 pixels past the screen.
TEST(RasterFill, NothingLandsOutsideThePage)
{
    Page page(10, 7);
    const TLVertex big[3] = {At(-100, -100), At(110, -100), At(5, 107)};
    Raster_DrawTriangleFan(page.target, UNTEXTURED, big, 3);
    EXPECT_EQ(page.Drawn(), Rectangle(0, 0, 10, 7));

    const TLVertex lines[] = {At(-100, 3), At(110, 3), At(4, -100), At(-50, 200)};
    Raster_DrawLineStrip(page.target, UNTEXTURED, lines, 4);
    EXPECT_TRUE(page.MarginUntouched());

    // Two million pixels out still covers the page exactly; three million is refused.
    for (float reach : {2000000.0f, 3000000.0f}) {
        Page farPage(10, 7);
        const TLVertex far[3] = {At(-reach, -reach), At(reach, -reach), At(0, reach)};
        Raster_DrawTriangleFan(farPage.target, UNTEXTURED, far, 3);
        EXPECT_EQ(farPage.Drawn().size(), reach < 2100000.0f ? 70u : 0u) << reach;
        EXPECT_TRUE(farPage.MarginUntouched()) << reach;
    }
}

TEST(RasterFill, NonFiniteCornersDropOnlyTheirTriangles)
{
    const float nan = std::nanf(""), inf = INFINITY;
    struct Case {
        const char *what;
        TLVertex bad;
    } cases[] = {
        {"x is NaN", At(nan, 6)}, {"y is infinite", At(0, inf)},
        {"depth is NaN", At(0, 6, 0xFFFFFFFF, nan)},
    };
    for (const Case &c : cases) {
        Page page(8, 8);
        const TLVertex fan[4] = {At(0, 0), At(6, 0), At(6, 6), c.bad};
        Raster_DrawTriangleFan(page.target, UNTEXTURED, fan, 4);
        PixelSet upperRight;
        for (int y = 0; y < 6; y++)
            for (int x = y; x < 6; x++)
                upperRight.insert({x, y});
        EXPECT_EQ(page.Drawn(), upperRight) << c.what;

        const TLVertex line[2] = {At(0, 2), c.bad};
        Raster_DrawLineStrip(page.target, UNTEXTURED, line, 2);
        EXPECT_EQ(page.Drawn(), upperRight) << c.what;
    }

    // Textured, a texture coordinate or a w that is not a number drops its triangle too.
    const uint16_t texel = 0x7777;
    RasterTexture texture = {&texel, 1, 1};
    RasterState state;
    state.texture = &texture;
    for (int field = 0; field < 3; field++) {
        Page page(8, 8);
        TLVertex fan[4] = {Textured(0, 0, 0, 0), Textured(6, 0, 1, 0), Textured(6, 6, 1, 1),
                           Textured(0, 6, 0, 1, 0.5f)};
        (field == 0 ? fan[3].tu : field == 1 ? fan[3].tv : fan[3].rhw) = nan;
        Raster_DrawTriangleFan(page.target, state, fan, 4);
        EXPECT_EQ(page.Drawn().size(), 21u) << "field " << field;
    }
}

TEST(RasterDepth, NearerWinsAndEqualDepthPasses)
{
    const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
    auto square = [](uint32_t colour, float z) {
        return std::vector<TLVertex>{At(0, 0, colour, z), At(4, 0, colour, z),
                                     At(4, 4, colour, z), At(0, 4, colour, z)};
    };
    struct Case {
        const char *what;
        float firstZ, secondZ;
        bool test, write;
        uint16_t expectColour, expectDepth;
    } cases[] = {
        {"near drawn after far", 0.75f, 0.25f, true, true, 0x001F, 16384},
        {"far drawn after near", 0.25f, 0.75f, true, true, 0xF800, 16384},
        {"equal depths: the later one", 0.5f, 0.5f, true, true, 0x001F, 32768},
        {"far after near, no test", 0.25f, 0.75f, false, true, 0x001F, 49151},
        {"near after far, no write", 0.75f, 0.25f, true, false, 0x001F, 49151},
        {"below the near plane clamps to 0", 0.5f, -0.25f, true, true, 0x001F, 0},
        {"past the far plane clamps to 65535", 1.5f, 2.0f, true, true, 0x001F, 65535},
    };
    for (const Case &c : cases) {
        Page page(6, 6);
        RasterState first, second;
        second.depthTest = c.test, second.depthWrite = c.write;
        Raster_DrawTriangleFan(page.target, first, square(red, c.firstZ).data(), 4);
        Raster_DrawTriangleFan(page.target, second, square(blue, c.secondZ).data(), 4);
        EXPECT_EQ(page.At(2, 1), c.expectColour) << c.what;
        EXPECT_EQ(page.DepthAt(2, 1), c.expectDepth) << c.what;
    }

    // Without a depth buffer every pixel is drawn, the later over the earlier.
    Page noDepth(6, 6, false);
    Raster_DrawTriangleFan(noDepth.target, UNTEXTURED, square(blue, 0.25f).data(), 4);
    Raster_DrawTriangleFan(noDepth.target, UNTEXTURED, square(red, 0.75f).data(), 4);
    EXPECT_EQ(noDepth.At(2, 1), 0xF800);
}

// Depth runs linearly across the screen and is clamped pixel by pixel, not at the corners.
TEST(RasterDepth, InterpolatesAcrossTheScreen)
{
    auto ramp = [](float zLeft, float zRight) {
        return std::vector<TLVertex>{At(0, 0, 0xFFFFFFFF, zLeft), At(8, 0, 0xFFFFFFFF, zRight),
                                     At(8, 3, 0xFFFFFFFF, zRight), At(0, 3, 0xFFFFFFFF, zLeft)};
    };
    struct Case {
        const char *what;
        float zLeft, zRight;
        int depths[8];      // x = 0 .. 7; -1 where z * 65535 + 0.5 is a whole number, a tie
    } cases[] = {
        // z = x / 8: 8191.875 x + 0.5, truncated
        {"0 to 1", 0.0f, 1.0f, {0, 8192, 16384, 24576, -1, 40959, 49151, 57343}},
        // z = -0.5 + x / 4: through the near plane at x = 2 and the far one at x = 6
        {"both planes crossed", -0.5f, 1.5f, {0, 0, 0, 16384, -1, 49151, 65535, 65535}},
        {"falling through both", 1.5f, -0.5f, {65535, 65535, 65535, 49151, -1, 16384, 0, 0}},
    };
    for (const Case &c : cases) {
        Page page(10, 4);
        Raster_DrawTriangleFan(page.target, UNTEXTURED, ramp(c.zLeft, c.zRight).data(), 4);
        for (int x = 0; x < 8; x++) {
            if (c.depths[x] < 0)
                continue;
            EXPECT_EQ(page.DepthAt(x, 1), c.depths[x]) << c.what << " x " << x;
        }
    }
}

TEST(RasterColour, GouraudFlatAndPacking)
{
    // Green from 0 at x = 0 to 255 at x = 8: at x = 4 it is 127.5, which rounds to 128 and packs
    // to 32 (127 would give 31). Red from 255 to 0 the other way, blue stays 64.
    Page page(10, 3);
    const TLVertex ramp[4] = {At(0, 0, 0xFFFF0040), At(8, 0, 0xFF00FF40), At(8, 2, 0xFF00FF40),
                              At(0, 2, 0xFFFF0040)};
    Raster_DrawTriangleFan(page.target, UNTEXTURED, ramp, 4);
    EXPECT_EQ(page.At(4, 1), Pack(128 >> 3, 32, 64 >> 3));
    EXPECT_EQ(page.At(0, 0), Pack(31, 0, 8));
    EXPECT_EQ(page.At(2, 1), Pack(191 >> 3, 64 >> 2, 8));    // 3/4 red, 1/4 green

    // Shading off: the first corner's colour everywhere, whatever the others say.
    RasterState flat;
    flat.gouraud = false;
    Page flatPage(10, 3);
    Raster_DrawTriangleFan(flatPage.target, flat, ramp, 4);
    EXPECT_EQ(flatPage.At(7, 1), Pack(31, 0, 8));
    const TLVertex line[2] = {At(0, 2, 0xFF00FF00), At(9, 2, 0xFFFF0000)};
    Raster_DrawLineStrip(flatPage.target, flat, line, 2);
    EXPECT_EQ(flatPage.At(8, 2), Pack(0, 63, 0));

    // 5-6-5 by truncation.
    struct Case {
        uint32_t colour;
        uint16_t pixel;
    } cases[] = {{0xFFFFFFFF, 0xFFFF}, {0x00070307, 0x0000}, {0x12080408, 0x0821},
                 {0xFF7F7F7F, Pack(15, 31, 15)}};
    for (const Case &c : cases) {
        Page one(3, 3);
        const TLVertex tri[3] = {At(0, 0, c.colour), At(3, 0, c.colour), At(0, 3, c.colour)};
        Raster_DrawTriangleFan(one.target, UNTEXTURED, tri, 3);
        EXPECT_EQ(one.At(0, 0), c.pixel) << std::hex << c.colour;
    }
}

// A texel lit by a colour: channels widened to 8 bits, multiplied, rounded, narrowed again.
TEST(RasterTexture, ModulatesTexelByColour)
{
    struct Case {
        const char *what;
        uint16_t texel;
        uint32_t colour;
        uint16_t pixel;
    } cases[] = {
        // red 255*128 -> 128 -> 16; green 130*200 -> 102 -> 25; blue 8*255 -> 8 -> 1
        {"mixed", Pack(31, 32, 1), 0xFF80C8FF, Pack(16, 25, 1)},
        {"full colour leaves the texel", 0xA5C3, 0xFFFFFFFF, 0xA5C3},
        {"no colour gives black", 0xFFFF, 0xFF000000, 0x0000},
        // 31 widens to 255 and 63 to 255, so half colour gives 128 (16, 32); widened by a
        // shift alone they would be 248 and 252 and give 124 and 126 (15, 31)
        {"a full texel at half colour", 0xFFFF, 0xFF808080, Pack(16, 32, 16)},
        // green 6 bits 1 -> 4; 4*254 = 1016, +127 -> 1143 / 255 = 4 -> 1; a truncation
        // without rounding would give 3 -> 0
        {"rounding keeps a dim channel", Pack(0, 1, 0), 0x00FEFEFE, Pack(0, 1, 0)},
    };
    for (const Case &c : cases) {
        Page page(4, 4);
        const uint16_t texel = c.texel;
        RasterTexture texture = {&texel, 1, 1};
        RasterState state;
        state.texture = &texture;
        TLVertex tri[3] = {Textured(0, 0, 0, 0), Textured(4, 0, 1, 0), Textured(0, 4, 0, 1)};
        for (TLVertex &v : tri)
            v.color = c.colour;
        Raster_DrawTriangleFan(page.target, state, tri, 3);
        EXPECT_EQ(page.At(1, 1), c.pixel) << c.what;
    }
}

// Every one of the 65,536 texels, one to a pixel, lit by flat colours at and just below full:
// the colours that leave every texel as it is (the game's white among them) are drawn without
// the tables, and must still give exactly what modulating each channel gives.
TEST(RasterTexture, NearWhiteLightsEveryTexelExactly)
{
    std::vector<uint16_t> all(256 * 256);
    for (int i = 0; i < 256 * 256; i++)
        all[i] = (uint16_t)i;
    RasterTexture texture = {all.data(), 256, 256};
    RasterState state;
    state.texture = &texture;
    // A texel channel t of `bits` bits, widened to 8, lit by colour channel c, and narrowed.
    auto lit = [](uint32_t t, int bits, uint32_t c) {
        const uint32_t wide = bits == 5 ? (t << 3 | t >> 2) : (t << 2 | t >> 4);
        return ((wide * c + 127) / 255) >> (8 - bits);
    };
    // 250 to 252 keep a 5-bit channel but not a 6-bit one, so green decides for 0xFDFAFD.
    for (uint32_t colour : {0xFFFFFFu, 0xFEFEFEu, 0xFDFDFDu, 0xFCFCFCu, 0xFAFDFAu, 0xFDFAFDu,
                            0xFFFEF9u, 0xF9FFFEu}) {
        Page page(256, 256);
        TLVertex square[4] = {Textured(-0.5f, -0.5f, 0, 0), Textured(255.5f, -0.5f, 1, 0),
                              Textured(255.5f, 255.5f, 1, 1), Textured(-0.5f, 255.5f, 0, 1)};
        for (TLVertex &v : square)
            v.color = 0xFF000000 | colour;
        Raster_DrawTriangleFan(page.target, state, square, 4);
        int wrong = 0;
        for (uint32_t texel = 0; texel < 65536; texel++) {
            const uint32_t want = lit(texel >> 11, 5, colour >> 16 & 0xFF) << 11 |
                                  lit(texel >> 5 & 63, 6, colour >> 8 & 0xFF) << 5 |
                                  lit(texel & 31, 5, colour & 0xFF);
            wrong += page.At(texel & 255, texel >> 8) != want;
        }
        EXPECT_EQ(wrong, 0) << std::hex << "colour " << colour;
    }
}

// Pixel x of a 4 x 1 strip samples texel x when u runs 0..1 over it; whole turns of the texture
// added to u change nothing, a quarter turn moves every pixel on by one texel.
TEST(RasterTexture, WrapsInBothDirections)
{
    const uint16_t texels4[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    const uint16_t texels3[3] = {0x1111, 0x2222, 0x3333};
    struct Case {
        const char *what;
        const uint16_t *texels;
        int width;
        float shift, rhwRight;
        int moved;
    } cases[] = {
        {"as is", texels4, 4, 0.0f, 1.0f, 0},
        {"one turn on", texels4, 4, 1.0f, 1.0f, 0},
        {"three turns back", texels4, 4, -3.0f, 1.0f, 0},
        {"1.25 is 0.25", texels4, 4, 1.25f, 1.0f, 1},
        {"-0.75 is 0.25", texels4, 4, -0.75f, 1.0f, 1},
        {"not a power of two, back a turn", texels3, 3, -1.0f, 1.0f, 0},
        {"not a power of two, -0.6 is 0.4", texels3, 3, -0.6f, 1.0f, 1},
        {"w differing across the strip, 5.3 is 0.3", texels4, 4, 5.3f, 0.999f, 1},
    };
    for (const Case &c : cases) {
        Page page(c.width, 1);
        RasterTexture texture = {c.texels, c.width, 1};
        RasterState state;
        state.texture = &texture;
        const float w = (float)c.width, s = c.shift;
        const TLVertex strip[4] = {Textured(0, 0, s, 0), Textured(w, 0, s + 1, 0, c.rhwRight),
                                   Textured(w, 1, s + 1, 0, c.rhwRight), Textured(0, 1, s, 0)};
        Raster_DrawTriangleFan(page.target, state, strip, 4);
        for (int x = 0; x < c.width; x++)
            EXPECT_EQ(page.At(x, 0), c.texels[(x + c.moved) % c.width]) << c.what << " x " << x;
    }
}

// A wall seen at a slant: w 1 at the left edge (x = 0), 4 at the right (x = 16), u 0 to 1 over a
// 16-texel texture whose texels hold their own numbers. With s = x / 16 across the screen,
// u = (s / 4) / ((1 - s) + s / 4), so at x = 8 u = 0.2 (texel 3) where an affine mapping would
// give 0.5 (texel 8).
TEST(RasterTexture, PerspectiveCorrect)
{
    uint16_t numbers[16];
    for (int i = 0; i < 16; i++)
        numbers[i] = (uint16_t)(0x100 + i);
    RasterTexture texture = {numbers, 16, 1};
    RasterState state;
    state.texture = &texture;
    const TLVertex wall[4] = {Textured(0, 0, 0, 0, 1.0f), Textured(16, 0, 1, 0, 0.25f),
                              Textured(16, 4, 1, 1, 0.25f), Textured(0, 4, 0, 1, 1.0f)};
    Page page(16, 4);
    Raster_DrawTriangleFan(page.target, state, wall, 4);
    struct {
        int x, texel;
    } expected[] = {{0, 0}, {4, 1}, {8, 3}, {12, 6}, {15, 12}};  // 16 u: 0, 1.23, 3.2, 6.86, 12.63
    for (const auto &e : expected)
        for (int y = 0; y < 4; y++)
            EXPECT_EQ(page.At(e.x, y), 0x100 + e.texel) << "x " << e.x << " y " << y;
    EXPECT_NE(page.At(8, 1), 0x100 + 8);
}

// The screen text's square: x 0..15, y 17..32, u from half a texel into the cell, v from its
// top, w the same at every corner. Row 17 + k shows texel row k of the cell; column j shows
// texel floor(0.5 + 16j / 15), so 16 texels go into 15 pixels and texel 8 is the one left out.
TEST(RasterTexture, TextSquareShowsTheCellsTopFifteenRows)
{
    std::vector<uint16_t> font(256 * 256);
    for (int i = 0; i < 256 * 256; i++)
        font[i] = (uint16_t)i;      // texel (x, y) holds y * 256 + x
    RasterTexture texture = {font.data(), 256, 256};
    RasterState state;
    state.texture = &texture;
    const int row = 12, column = 1;     // the cell of 'A'
    const float u0 = (column * 16.0f + 0.5f) / 256.0f, u1 = ((column + 1) * 16.0f + 0.5f) / 256.0f;
    const float v0 = row * 16.0f / 256.0f, v1 = (row * 16.0f + 15.0f) / 256.0f;
    const float rhw = 1.0f / 10.5f;
    const TLVertex tl = Textured(0, 17, u0, v0, rhw), tr = Textured(15, 17, u1, v0, rhw),
                   br = Textured(15, 32, u1, v1, rhw), bl = Textured(0, 32, u0, v1, rhw);
    const TLVertex first[3] = {tl, tr, br}, second[3] = {tl, br, bl};
    Page page(20, 40);
    Raster_DrawTriangleFan(page.target, state, first, 3);
    Raster_DrawTriangleFan(page.target, state, second, 3);
    ASSERT_EQ(page.Drawn().size(), 225u);
    for (int k = 0; k < 15; k++)
        for (int j = 0; j < 15; j++) {
            const int texelX = column * 16 + (int)std::floor(0.5 + 16.0 * j / 15.0);
            const int texelY = row * 16 + k;
            EXPECT_EQ(page.At(j, 17 + k), texelY * 256 + texelX) << "pixel " << j << ", " << 17 + k;
        }
}

TEST(RasterTexture, ColourKeyLeavesHoles)
{
    const uint16_t texels[2] = {0x0000, 0xF800};    // left half black, right half red
    RasterTexture texture = {texels, 2, 1};
    for (bool keyed : {true, false}) {
        Page page(4, 2);
        RasterState state;
        state.texture = &texture;
        state.colourKey = keyed;
        const TLVertex quad[4] = {Textured(0, 0, 0, 0), Textured(4, 0, 1, 0),
                                  Textured(4, 2, 1, 1), Textured(0, 2, 0, 1)};
        Raster_DrawTriangleFan(page.target, state, quad, 4);
        EXPECT_EQ(page.At(1, 1), keyed ? PAPER : 0x0000) << keyed;
        EXPECT_EQ(page.DepthAt(1, 1), keyed ? 0xFFFF : 32768) << keyed;
        EXPECT_EQ(page.At(2, 1), 0xF800) << keyed;
        EXPECT_EQ(page.DepthAt(2, 1), 32768) << keyed;
    }
}

TEST(RasterLine, StepsAlongTheLongerAxisAndLeavesTheLastPixel)
{
    struct Case {
        const char *what;
        std::vector<TLVertex> strip;
        PixelSet expected;
    } cases[] = {
        {"level, 8 long", {At(2, 3), At(10, 3)}, Rectangle(2, 3, 10, 4)},
        {"level, right to left", {At(10, 3), At(2, 3)}, Rectangle(3, 3, 11, 4)},
        {"shallow: y = 1.1 + (x - 0.2) * 3 / 8, rounded",
         {At(0.2f, 1.1f), At(8.2f, 4.1f)},
         {{0, 1}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {5, 3}, {6, 3}, {7, 4}}},
        {"steep, upwards: x = 5.1 + (y - 9) / 4, rounded",
         {At(5.1f, 9), At(3.1f, 1)},
         {{5, 9}, {5, 8}, {5, 7}, {4, 6}, {4, 5}, {4, 4}, {4, 3}, {3, 2}}},
        {"a corner: the joint belongs to the second line only",
         {At(1, 1), At(6, 1), At(6, 5)},
         {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {6, 2}, {6, 3}, {6, 4}}},
        {"both ends nearest one pixel", {At(4.6f, 4), At(5.4f, 4.1f)}, {}},
        {"clipped at both ends", {At(-50, 2), At(100, 2)}, Rectangle(0, 2, 12, 3)},
    };
    for (const Case &c : cases) {
        Page page(12, 12);
        Raster_DrawLineStrip(page.target, UNTEXTURED, c.strip.data(), (int)c.strip.size());
        EXPECT_EQ(page.Drawn(), c.expected) << c.what;
        EXPECT_TRUE(page.MarginUntouched()) << c.what;
    }
}

// Lines go through the same depth, colour and texture steps as triangles.
TEST(RasterLine, ShadesTestsDepthAndTextures)
{
    Page page(12, 4);
    const TLVertex line[2] = {At(0, 1, 0xFF000000, 0.25f), At(8, 1, 0xFF00FF00, 0.25f)};
    Raster_DrawLineStrip(page.target, UNTEXTURED, line, 2);
    EXPECT_EQ(page.At(4, 1), Pack(0, 32, 0));        // green 127.5 rounds to 128
    EXPECT_EQ(page.DepthAt(4, 1), 16384);

    const TLVertex behind[2] = {At(0, 1, 0xFFFF0000, 0.5f), At(12, 1, 0xFFFF0000, 0.5f)};
    Raster_DrawLineStrip(page.target, UNTEXTURED, behind, 2);
    EXPECT_EQ(page.At(4, 1), Pack(0, 32, 0));
    EXPECT_EQ(page.At(9, 1), 0xF800);

    const uint16_t texels[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    RasterTexture texture = {texels, 4, 1};
    RasterState state;
    state.texture = &texture;
    const TLVertex textured[2] = {Textured(0, 3, 0.0f, 0), Textured(8, 3, 1.0f, 0)};
    Raster_DrawLineStrip(page.target, state, textured, 2);
    for (int x = 0; x < 8; x++)
        EXPECT_EQ(page.At(x, 3), texels[x / 2]) << "x " << x;
}
