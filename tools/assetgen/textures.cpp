// textures.cpp -- draws the floor grid, the wall panels and the explosion from code.
#include "textures.h"

#include <algorithm>
#include <cmath>

#include "paint.h"

enum { SIDE = 256 };
static const float PI = 3.14159265f;

static float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

static void Put(Image *image, int x, int y, Colour c, float alpha = 1.0f)
{
    uint8_t *t = image->At(x, y);
    t[0] = uint8_t(std::lround(Clamp01(c.r / 255.0f) * 255.0f));
    t[1] = uint8_t(std::lround(Clamp01(c.g / 255.0f) * 255.0f));
    t[2] = uint8_t(std::lround(Clamp01(c.b / 255.0f) * 255.0f));
    t[3] = uint8_t(std::lround(Clamp01(alpha) * 255.0f));
}

// Distance from texel centre `x` to the nearest of the lines every `period` texels (lines lie on
// texel edges), measured round the tile so that the pattern joins up with the next copy.
static float LineDistance(int x, int period)
{
    float d = std::fmod(x + 0.5f, float(period));
    return std::min(d, period - d);
}

float Tex_Hash(uint32_t n)
{
    n ^= n >> 16;
    n *= 0x7feb352dU;
    n ^= n >> 15;
    n *= 0x846ca68bU;
    n ^= n >> 16;
    return (n & 0xFFFFFF) / float(0x1000000);
}

// --- Floor ----------------------------------------------------------------------------------

// Grid of the tile: bright lines on its edges, fainter ones every 64 texels (80 world units), so
// that speed reads from the lines streaming past; a brighter node where edge lines cross.
Image Tex_Floor()
{
    const Colour base = {3, 5, 14};
    const Colour majorCore = {60, 230, 255}, majorGlow = {0, 100, 190};
    const Colour minorCore = {0, 70, 115}, minorGlow = {0, 30, 70};
    Image image(SIDE, SIDE);
    for (int y = 0; y < SIDE; y++)
        for (int x = 0; x < SIDE; x++) {
            float edgeX = LineDistance(x, SIDE), edgeY = LineDistance(y, SIDE);
            Colour c = base;
            for (float d : {edgeX, edgeY})
                c = c + majorCore * Smooth(2.0f, 0.6f, d) + majorGlow * (0.4f * std::exp(-d / 3));
            for (float d : {LineDistance(x, 64), LineDistance(y, 64)})
                c = c + minorCore * Smooth(1.2f, 0.4f, d) +
                    minorGlow * (0.3f * std::exp(-d / 1.5f));
            c = c + Colour{120, 255, 255} * Smooth(6.0f, 1.0f, std::hypot(edgeX, edgeY));
            Put(&image, x, y, c);
        }
    return image;
}

// --- Wall -----------------------------------------------------------------------------------

// One 128-row period of the wall; `x` runs along the wall (20 world units a texel), `y` down it
// (8 world units a texel, row 0 at the top of the wall).
static Colour WallTexel(int x, int y)
{
    const Colour panelTop = {22, 22, 52}, panelBottom = {8, 8, 22};
    const Colour seamDark = {2, 2, 8}, seamLight = {60, 60, 110};
    const Colour rimTube = {255, 70, 230}, rimGlow = {150, 20, 160};
    const Colour kickTube = {60, 230, 255}, kickGlow = {0, 100, 170};

    float fy = y + 0.5f;
    Colour c = Mix(panelTop, panelBottom, fy / 128.0f);

    // Panel seams every 32 texels: a dark groove with a lit edge beside it.
    int px = x % 32;
    if (px == 31)
        c = seamDark;
    else if (px == 0)
        c = seamLight;
    else {
        // An inset plate on each panel, outlined by a thin lighter line.
        bool insideX = px >= 4 && px <= 27, insideY = y >= 18 && y <= 104;
        bool outline = insideX && insideY && (px == 4 || px == 27 || y == 18 || y == 104);
        if (outline)
            c = c + Colour{22, 24, 48};
        else if (insideX && insideY)
            c = c * 0.8f;
        // A small light at the top of each plate, alternating colours from panel to panel.
        float lx = px - 15.5f, ly = y - 26.0f;
        float light = Smooth(3.0f, 1.0f, std::sqrt(lx * lx * 6.25f + ly * ly));
        Colour lamp = (x / 32) % 2 ? Colour{255, 160, 40} : Colour{60, 230, 255};
        c = c + lamp * light;
    }

    // Top rim: a metal cap carrying a magenta tube that lights the panels below it.
    if (y < 3)
        c = {30, 28, 56};
    c = c + rimTube * Smooth(2.5f, 1.0f, std::fabs(fy - 4.5f));
    if (y >= 3)
        c = c + rimGlow * (0.5f * std::exp(-std::max(0.0f, fy - 6.0f) / 5.0f));
    // Kick strip along the floor: a cyan tube matching the floor grid, glowing upwards.
    if (y >= 125)
        c = {10, 12, 24};
    c = c + kickTube * Smooth(2.0f, 0.8f, std::fabs(fy - 121.5f));
    if (y < 124)
        c = c + kickGlow * (0.5f * std::exp(-std::max(0.0f, 120.0f - fy) / 4.0f));
    return c;
}

Image Tex_Wall()
{
    Image image(SIDE, SIDE);
    for (int y = 0; y < SIDE; y++)
        for (int x = 0; x < SIDE; x++)
            Put(&image, x, y, WallTexel(x, y % 128));
    return image;
}

// --- Explosion ------------------------------------------------------------------------------

enum { RAYS = 28, SPARKS = 60 };
static const float FIREBALL_RADIUS = 62.0f, MAX_RADIUS = 118.0f;

// Heat 0..1 to fire: dark red at the fringe through orange and yellow to white at the core.
static Colour FireColour(float heat)
{
    static const struct { float at; Colour c; } ramp[] = {
        {0.00f, {70, 0, 0}},     {0.20f, {200, 20, 0}},   {0.45f, {255, 110, 0}},
        {0.70f, {255, 210, 40}}, {0.88f, {255, 250, 170}}, {1.00f, {255, 255, 255}}};
    for (size_t i = 1; i < sizeof ramp / sizeof ramp[0]; i++)
        if (heat <= ramp[i].at) {
            float t = (heat - ramp[i - 1].at) / (ramp[i].at - ramp[i - 1].at);
            return Mix(ramp[i - 1].c, ramp[i].c, t);
        }
    return ramp[5].c;
}

// How far the fire reaches in direction `angle`: a ragged ball with flame tongues shooting out.
static float Reach(float angle)
{
    float reach = FIREBALL_RADIUS * (1.0f + 0.12f * std::sin(5.0f * angle + 1.3f) +
                                     0.08f * std::sin(9.0f * angle + 0.4f) +
                                     0.05f * std::sin(17.0f * angle + 2.1f));
    for (int i = 0; i < RAYS; i++) {
        float rayAngle = 2.0f * PI * (i + Tex_Hash(i * 3 + 1)) / RAYS;
        float length = Lerp(FIREBALL_RADIUS, MAX_RADIUS, 0.3f + 0.7f * Tex_Hash(i * 3 + 2));
        float width = 0.05f + 0.07f * Tex_Hash(i * 3 + 3);
        float off = std::fabs(std::remainder(angle - rayAngle, 2.0f * PI));
        float k = Clamp01(1.0f - off / width);
        reach = std::max(reach, FIREBALL_RADIUS * 0.8f + (length - FIREBALL_RADIUS * 0.8f) * k * k);
    }
    return std::min(reach, MAX_RADIUS);
}

Image Tex_Kaboom()
{
    Image image(SIDE, SIDE);
    const float centre = SIDE / 2.0f;
    for (int y = 0; y < SIDE; y++)
        for (int x = 0; x < SIDE; x++) {
            float dx = x + 0.5f - centre, dy = y + 0.5f - centre;
            float r = std::hypot(dx, dy);
            float heat = 1.0f - r / Reach(std::atan2(dy, dx));
            // Turbulence: a fixed ripple breaks the rings of equal heat into licks of flame.
            heat += 0.06f * std::sin(0.35f * dx + 2.0f * std::sin(0.21f * dy)) *
                    std::sin(0.29f * dy + 1.7f * std::sin(0.17f * dx)) * Clamp01(r / 20.0f);
            heat = std::pow(Clamp01(heat), 0.8f);
            if (heat <= 0.0f)
                continue;
            Put(&image, x, y, FireColour(heat));
        }
    // Sparks flung out beyond the fireball: a hot texel with a glowing cross round it.
    for (int i = 0; i < SPARKS; i++) {
        float angle = 2.0f * PI * Tex_Hash(1000 + i);
        float distance = FIREBALL_RADIUS + (MAX_RADIUS - 2.0f - FIREBALL_RADIUS) * Tex_Hash(2000 + i);
        int sx = int(centre + distance * std::cos(angle));
        int sy = int(centre + distance * std::sin(angle));
        static const struct { int dx, dy; float heat; } CROSS[] = {
            {0, 0, 0.9f}, {-1, 0, 0.3f}, {1, 0, 0.3f}, {0, -1, 0.3f}, {0, 1, 0.3f}};
        for (const auto &o : CROSS) {
            uint8_t *t = image.At(sx + o.dx, sy + o.dy);
            Colour spark = FireColour(o.heat);
            if (spark.r + spark.g + spark.b > t[0] + t[1] + t[2])
                Put(&image, sx + o.dx, sy + o.dy, spark);
        }
    }
    return image;
}
