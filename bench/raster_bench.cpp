// raster_bench.cpp -- what the software device's rasteriser costs per frame: a textured polygon
// filling the whole 640 x 480 screen (the worst a frame of arena floor can ask), and a frame's
// screen text. A frame has 25 ms, and the scene, the text and the present all share it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "graphics/device/soft/raster.h"

namespace {

const int SCREEN_WIDTH = 640, SCREEN_HEIGHT = 480;

// The device's page: 5-6-5 colour and 16-bit depth, cleared to black and to the far plane.
struct Page {
    std::vector<uint16_t> colour, depth;
    RasterTarget target;

    Page() : colour(SCREEN_WIDTH * SCREEN_HEIGHT, 0), depth(SCREEN_WIDTH * SCREEN_HEIGHT, 0xFFFF)
    {
        target = {colour.data(), SCREEN_WIDTH, depth.data(), SCREEN_WIDTH, SCREEN_WIDTH,
                  SCREEN_HEIGHT};
    }

    int64_t LitPixels() const
    {
        int64_t lit = 0;
        for (uint16_t pixel : colour)
            lit += pixel != 0;
        return lit;
    }
};

// A 256 x 256 picture with detail in every texel, so that no lookup hits a lucky run.
std::vector<uint16_t> MakeTexture()
{
    std::vector<uint16_t> texels(256 * 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            uint32_t r = (uint32_t)(x * 7 + y * 3) & 31, g = (uint32_t)(x ^ y) & 63,
                     b = (uint32_t)(x * y + 5) & 31;
            texels[y * 256 + x] = (uint16_t)(r << 11 | g << 5 | b | 0x0821);
        }
    return texels;
}

TLVertex Vertex(float x, float y, float z, float rhw, uint32_t colour, float u, float v)
{
    return TLVertex{x, y, z, rhw, colour, colour, u, v};
}

// The screen-filling quad: a floor seen in perspective, far (depth 0.9, w 2000) at the top of
// the screen, near (depth 0.1, w 20) at the bottom, the texture repeated 8 times across.
// `nearW` equal to `farW` makes it a flat-on wall with no perspective to correct.
void TimeFullScreenQuad(benchmark::State &state, float farW, float nearW, uint32_t bottomColour)
{
    Page page;
    std::vector<uint16_t> texels = MakeTexture();
    RasterTexture texture = {texels.data(), 256, 256};
    RasterState raster;
    raster.texture = &texture;      // modulate, depth test and write on: the defaults
    const uint32_t topColour = 0xFFE0C0A0;
    const TLVertex quad[4] = {
        Vertex(0, 0, 0.9f, 1.0f / farW, topColour, 0, 0),
        Vertex(640, 0, 0.9f, 1.0f / farW, topColour, 8, 0),
        Vertex(640, 480, 0.1f, 1.0f / nearW, bottomColour, 8, 8),
        Vertex(0, 480, 0.1f, 1.0f / nearW, bottomColour, 0, 8),
    };
    // The depth buffer keeps the first frame's values; each later frame draws the same depths,
    // which pass the LESSEQUAL test, so every frame does the whole work of a fresh one.
    for (auto _ : state) {
        Raster_DrawTriangleFan(page.target, raster, quad, 4);
        benchmark::ClobberMemory();
    }
    if (page.LitPixels() < SCREEN_WIDTH * SCREEN_HEIGHT * 9 / 10)
        state.SkipWithError("the quad did not cover the screen");
    state.SetItemsProcessed(state.iterations() * SCREEN_WIDTH * SCREEN_HEIGHT);  // pixels
}

// The case the device is measured by: perspective-correct, one colour.
void BM_FullScreenQuad_Perspective(benchmark::State &state)
{
    TimeFullScreenQuad(state, 2000.0f, 20.0f, 0xFFE0C0A0);
}
BENCHMARK(BM_FullScreenQuad_Perspective)->Unit(benchmark::kMillisecond);

// The same with the colour shading from top to bottom, as a lit floor would be.
void BM_FullScreenQuad_PerspectiveGouraud(benchmark::State &state)
{
    TimeFullScreenQuad(state, 2000.0f, 20.0f, 0xFF406080);
}
BENCHMARK(BM_FullScreenQuad_PerspectiveGouraud)->Unit(benchmark::kMillisecond);

// Flat on to the screen, so no division per pixel.
void BM_FullScreenQuad_FlatOn(benchmark::State &state)
{
    TimeFullScreenQuad(state, 20.0f, 20.0f, 0xFFE0C0A0);
}
BENCHMARK(BM_FullScreenQuad_FlatOn)->Unit(benchmark::kMillisecond);

// A frame's screen text: 80 characters in two rows of 40, each a 15 x 15 square of two
// triangles showing one 16 x 16 cell of a 256 x 256 font, laid out as the score row and help
// lines are: depth 10.5 in front of the scene, white, character after character 16 pixels apart.
void BM_ScreenText80Characters(benchmark::State &state)
{
    Page page;
    std::vector<uint16_t> texels = MakeTexture();
    RasterTexture font = {texels.data(), 256, 256};
    RasterState raster;
    raster.texture = &font;
    const float depth = (float)(20000.0 * 0.5 / (19990.0 * 10.5)), rhw = 1.0f / 10.5f;
    const uint32_t white = 0xFEFEFEFE;

    std::vector<TLVertex> corners;      // TL, TR, BR, BL per character
    for (int i = 0; i < 80; i++) {
        const int code = 'A' + i % 58;
        const float row = (float)((code + 128) / 16 % 16), column = (float)(code % 16);
        const float left = (float)(16 * (i % 40)), top = (float)(17 + 15 * (i / 40));
        const float right = left + 15.0f, bottom = top + 15.0f;
        const float u0 = (column * 16.0f + 0.5f) / 256.0f, u1 = u0 + 16.0f / 256.0f;
        const float v0 = row * 16.0f / 256.0f, v1 = (row * 16.0f + 15.0f) / 256.0f;
        corners.push_back(Vertex(left, top, depth, rhw, white, u0, v0));
        corners.push_back(Vertex(right, top, depth, rhw, white, u1, v0));
        corners.push_back(Vertex(right, bottom, depth, rhw, white, u1, v1));
        corners.push_back(Vertex(left, bottom, depth, rhw, white, u0, v1));
    }
    for (auto _ : state) {
        for (size_t c = 0; c < corners.size(); c += 4) {
            const TLVertex first[3] = {corners[c], corners[c + 1], corners[c + 2]};
            const TLVertex second[3] = {corners[c], corners[c + 2], corners[c + 3]};
            Raster_DrawTriangleFan(page.target, raster, first, 3);
            Raster_DrawTriangleFan(page.target, raster, second, 3);
        }
        benchmark::ClobberMemory();
    }
    if (page.LitPixels() < 80 * 15 * 15 * 9 / 10)
        state.SkipWithError("the characters were not drawn");
    state.SetItemsProcessed(state.iterations() * 80);   // characters
}
BENCHMARK(BM_ScreenText80Characters)->Unit(benchmark::kMillisecond);

}  // namespace
