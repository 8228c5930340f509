// painter.cpp -- traces the neon arena: cycles and their walls on a glossy grid under a hazy sky.
#include "painter.h"

#include <algorithm>
#include <cmath>

#include "textures.h"

static const Colour WHITE = {1.0f, 1.0f, 1.0f};
static const Colour NEON = {1.0f, 0.22f, 0.80f};
static const Colour HAZE = {0.30f, 0.05f, 0.34f};
static const Colour FLOOR_COLOUR = {0.008f, 0.010f, 0.030f};
static const Colour GRID_COLOUR = {0.05f, 0.55f, 0.95f};

// World units: a cycle is 2 long and 1 high, the floor grid 1 apart.
static const float CYCLE_LENGTH = 2.0f, CYCLE_HEIGHT = 1.0f;

enum { MAX_LAYERS = 16 };

struct Ray {
    float ox, oy, oz;
    float dx, dy, dz;
};

// One thing a ray passes through: its colour, how much of what lies behind it hides, and the
// light it gives off for the glow.
struct Layer {
    float t;
    Colour colour;
    float alpha;
    Colour glow;
};

// How much floor one pixel covers where a ray lands, across (x) and along (z) the arena.
struct Footprint {
    float across, along;
};

static Ray EyeRay(const PainterStyle &s, float u, float v)
{
    const EyeStyle &eye = s.eye;
    float right = (u - eye.centre) / eye.focal, c = std::cos(eye.yaw), n = std::sin(eye.yaw);
    return {0.0f, eye.height, 0.0f, right * c - n, (eye.horizon - v) / eye.focal, right * n + c};
}

// Smallest width in world units that a line may have at distance t: about a pixel, so far
// lines thin out no further and do not break up.
static float LineWidth(const PainterStyle &s, float world, float t)
{
    return std::max(world, 1.1f * (1.0f / s.scale) * t / s.eye.focal);
}

// Where the ray meets the upright face standing on floor segment a-b up to `height`: `t` along
// the ray, `u` from 0 at a to 1 at b, `v` the height above the floor.
static bool HitUpright(const Ray &ray, Point a, Point b, float height, float *t, float *u,
                       float *v)
{
    float ex = b.x - a.x, ez = b.z - a.z;
    float denom = ray.dx * ez - ray.dz * ex;
    if (std::fabs(denom) < 1e-9f)
        return false;
    float wx = a.x - ray.ox, wz = a.z - ray.oz;
    *t = (wx * ez - wz * ex) / denom;
    *u = (wx * ray.dz - wz * ray.dx) / denom;
    *v = ray.oy + *t * ray.dy;
    return *t > 1e-4f && *u >= 0.0f && *u <= 1.0f && *v >= 0.0f && *v <= height;
}

// Lays the layers over what lies behind them.
static Colour Composite(const Layer *layers, int count, Colour behind, Colour behindGlow,
                        Colour *glow)
{
    Colour c = {0, 0, 0}, g = {0, 0, 0};
    float through = 1.0f;
    for (int i = 0; i < count; i++) {
        c = c + layers[i].colour * (through * layers[i].alpha);
        g = g + layers[i].glow * (through * layers[i].alpha);
        through *= 1.0f - layers[i].alpha;
    }
    *glow = g + behindGlow * through;
    return c + behind * through;
}

static Layer WallLayer(const PainterStyle &s, Colour colour, float t, float y)
{
    const WallStyle &w = s.wall;
    float rim = Smooth(LineWidth(s, w.rim, t), 0.0f, w.height - y);
    float foot = Smooth(LineWidth(s, w.foot, t), 0.0f, y);
    Colour body = colour * (0.30f + w.rise * y / w.height);
    Colour core = Mix(colour, WHITE, w.whiten) * 1.3f;
    Colour c = Mix(body, core, std::max(rim, foot * 0.6f));
    float alpha = w.opacity + w.lineOpacity * std::max(rim, foot);
    return {t, c, alpha, body * w.glow + core * (0.9f * rim + 0.3f * foot)};
}

// Negative inside the cycle's side-on shape.
static float CycleShape(const CycleStyle &cycle, float u, float v)
{
    float shell = Polygon(u, v, cycle.shell, SHELL_CORNERS) - cycle.shellGrow;
    float wheels = std::min(Circle(u, v, cycle.rearWheel, cycle.wheelV, cycle.wheelRadius),
                            Circle(u, v, cycle.frontWheel, cycle.wheelV, cycle.wheelRadius));
    return SmoothUnion(wheels, shell, 0.08f);
}

static bool CycleLayer(const PainterStyle &s, const Ray &ray, const Rider &rider, Layer *layer)
{
    const CycleStyle &cy = s.cycle;
    Point rear = rider.trail.back(), before = rider.trail[rider.trail.size() - 2];
    float hx = rear.x - before.x, hz = rear.z - before.z, length = std::hypot(hx, hz);
    Point nose = {rear.x + hx / length * CYCLE_LENGTH, rear.z + hz / length * CYCLE_LENGTH};
    float t, along, v;
    if (!HitUpright(ray, rear, nose, CYCLE_HEIGHT, &t, &along, &v))
        return false;
    float u = along * CYCLE_LENGTH, line = LineWidth(s, cy.line, t);
    float d = CycleShape(cy, u, v);
    if (d > line * 0.5f)
        return false;
    Colour hot = Mix(rider.colour, WHITE, cy.whiten) * cy.hot;
    // The body is dark, with a sheen of the rider's colour along its top.
    Colour c = cy.body + rider.colour * (cy.sheen * Smooth(cy.sheenFrom, 0.9f, v));
    float edge = Smooth(line, line * 0.4f, std::fabs(d));
    float rim = 1.0f, hub = 1.0f;
    for (float cu : {cy.rearWheel, cy.frontWheel}) {
        float r = std::hypot(u - cu, v - cy.wheelV);
        rim = std::min(rim, std::fabs(r - 0.25f));
        hub = std::min(hub, r);
    }
    float wheel = Smooth(line, line * 0.4f, rim);
    float centre = Smooth(LineWidth(s, 0.07f, t), 0.0f, hub);
    float canopy =
        Smooth(line, line * 0.3f, std::fabs(d + cy.canopyInset)) * Smooth(0.62f, cy.canopyTo, v);
    float lamp =
        Smooth(LineWidth(s, cy.lampWidth, t), 0.0f, std::hypot(u - cy.lampU, v - cy.lampV));
    float lit = std::max(std::max(edge, wheel), std::max(canopy * 0.8f, centre));
    c = Mix(c, rider.colour * cy.lineGain, lit) + hot * std::max(centre, lamp);
    *layer = {t, c, 1.0f, rider.colour * (cy.lineGlow * lit) + hot * (centre + cy.lampGlow * lamp)};
    return true;
}

// The walls and cycles along the ray, nearest first.
static int UprightLayers(const PainterStyle &s, const Ray &ray, Layer *layers)
{
    int count = 0;
    for (const Rider &rider : s.riders) {
        for (size_t i = 1; i < rider.trail.size() && count < MAX_LAYERS; i++) {
            float t, u, y;
            if (HitUpright(ray, rider.trail[i - 1], rider.trail[i], s.wall.height, &t, &u, &y))
                layers[count++] = WallLayer(s, rider.colour, t, y);
        }
        if (count < MAX_LAYERS && CycleLayer(s, ray, rider, &layers[count]))
            count++;
    }
    std::sort(layers, layers + count, [](const Layer &a, const Layer &b) { return a.t < b.t; });
    return count;
}

// The sky by a ray's height above the horizon.
static Colour Sky(const PainterStyle &s, float dy, Colour *glow)
{
    float up = Clamp01(dy * s.eye.focal / s.eye.horizon);
    Colour c = Mix({0.10f, 0.02f, 0.16f}, {0.01f, 0.01f, 0.05f}, std::pow(up, 0.6f));
    c = c + Colour{0.55f, 0.10f, 0.45f} * std::exp(-up * s.sky.hazeFall);
    *glow = s.sky.glow * std::exp(-up * s.sky.glowFall);
    return c;
}

// The arena's far wall: dark panels under a magenta rim, a cyan strip along the floor.
static bool FarWall(const PainterStyle &s, const Ray &ray, Colour *colour, Colour *glow, float *t)
{
    if (s.distance.farWallZ == 0.0f)
        return false;
    *t = (s.distance.farWallZ - ray.oz) / ray.dz;
    float x = ray.ox + *t * ray.dx, y = ray.oy + *t * ray.dy;
    float height = s.distance.farWallHeight;
    if (y < 0.0f || y > height)
        return false;
    float line = LineWidth(s, 0.05f, *t);
    float seam = std::fabs(std::remainder(x, 6.0f));
    Colour c = Mix({0.05f, 0.03f, 0.10f}, {0.02f, 0.01f, 0.05f}, y / height);
    c = Mix(c, {0.12f, 0.08f, 0.22f}, Smooth(line, 0.0f, seam));
    Colour rim = Colour{1.0f, 0.30f, 0.85f} * Smooth(2.0f * line, 0.0f, height - y);
    Colour kick = Colour{0.2f, 0.8f, 1.0f} * Smooth(line, 0.0f, std::fabs(y - 0.08f));
    *colour = c + rim + kick;
    *glow = rim + kick * 0.6f;
    return true;
}

// Where the ray meets the floor, if it does.
static bool HitFloor(const Ray &ray, float *t, Point *at)
{
    if (ray.dy >= 0.0f)
        return false;
    *t = -ray.oy / ray.dy;
    *at = {ray.ox + *t * ray.dx, ray.oz + *t * ray.dz};
    return true;
}

// The closed form for a level eye looking straight ahead: the same for every ray in `row`.
static Footprint RowFootprint(const PainterStyle &s, int row)
{
    float pixel = 1.0f / s.scale;
    float below = std::max(0.5f * pixel, (row + 0.5f) * pixel - s.eye.horizon);
    float depth = s.eye.height * s.eye.focal / below;
    return {depth * pixel / s.eye.focal, depth * depth * pixel / (s.eye.height * s.eye.focal)};
}

// From where the rays a pixel across and down from (u, v) land, `at` being where it lands.
static Footprint NeighbourFootprint(const PainterStyle &s, float u, float v, Point at)
{
    float pixel = 1.0f / s.scale, unused;
    Point right = {0, 0}, down = {0, 0};
    HitFloor(EyeRay(s, u + pixel, v), &unused, &right);
    HitFloor(EyeRay(s, u, v + pixel), &unused, &down);
    return {std::max(1e-6f, std::hypot(right.x - at.x, down.x - at.x)),
            std::max(1e-6f, std::hypot(right.z - at.z, down.z - at.z))};
}

// How far `w` lies from the nearest grid line, in line widths: a line is `span` world units
// (a pixel) wide, or `width` where that is wider and `width` is not 0.
static float GridDistance(float w, float span, float width)
{
    float d = std::fabs(std::remainder(w, 1.0f));
    if (width == 0.0f)
        return d / span;
    float perUnit = 1.0f / span;
    return d * perUnit / std::max(1.0f, width * perUnit);
}

// The floor at `at`: lines keep a pixel's width and fade out before they crowd together near
// the horizon.
static Colour Floor(const PainterStyle &s, Point at, Footprint f, Colour *glow)
{
    const FloorStyle &fl = s.floor;
    float dx = GridDistance(at.x, f.across, fl.lineWidth);
    float dz = GridDistance(at.z, f.along, fl.lineWidth);
    float perX = 1.0f / f.across, perZ = 1.0f / f.along;   // pixels a grid square spans
    float lineX = std::exp(-dx * dx / fl.lineSoft) * Smooth(fl.fadeFrom, fl.fadeTo, perX);
    float lineZ = std::exp(-dz * dz / fl.lineSoft) * Smooth(fl.fadeFrom, fl.fadeTo, perZ);
    float grid = std::max(lineX, lineZ);
    Colour c = FLOOR_COLOUR + GRID_COLOUR * (fl.lineGain * grid);
    *glow = GRID_COLOUR * (fl.glow * grid);
    for (const Rider &rider : s.riders)
        for (size_t i = 1; i < rider.trail.size(); i++) {
            Point a = rider.trail[i - 1], b = rider.trail[i];
            float ex = b.x - a.x, ez = b.z - a.z;
            float k = Clamp01(((at.x - a.x) * ex + (at.z - a.z) * ez) / (ex * ex + ez * ez));
            float d = std::hypot(at.x - a.x - k * ex, at.z - a.z - k * ez);
            c = c + rider.colour * (fl.trailLight * std::exp(-d / 0.35f));
        }
    return c;
}

// What the eye sees through the point (u, v) of the screen, and the light it gives off;
// `row` is the pixel row's footprint where the style takes it by row.
static Colour Trace(const PainterStyle &s, float u, float v, Footprint row, Colour *glow)
{
    Ray ray = EyeRay(s, u, v);
    Layer layers[MAX_LAYERS];
    int count = UprightLayers(s, ray, layers);
    Colour behindGlow;
    Colour behind = Sky(s, ray.dy, &behindGlow);
    float t, wallT;
    Point at;
    Colour wall, wallGlow;
    if (HitFloor(ray, &t, &at) && (s.distance.farWallZ == 0.0f || t < s.distance.farWallZ)) {
        Footprint f = s.eye.footprintByRow ? row : NeighbourFootprint(s, u, v, at);
        behind = Floor(s, at, f, &behindGlow);
        // The glossy floor mirrors the walls, cycles and sky, more so at a glancing angle.
        Ray mirror = {at.x, 0.0f, at.z, ray.dx, -ray.dy, ray.dz};
        Layer mirrored[MAX_LAYERS];
        int n = UprightLayers(s, mirror, mirrored);
        Colour farGlow, mirrorGlow;
        Colour far = Sky(s, -ray.dy, &farGlow);
        if (FarWall(s, mirror, &wall, &wallGlow, &wallT)) {
            far = wall;
            farGlow = wallGlow;
        }
        Colour reflection = Composite(mirrored, n, far, farGlow, &mirrorGlow);
        float shine = s.floor.shine + 0.25f * Smooth(0.05f, 0.0f, -ray.dy);
        behind = behind + reflection * shine;
        behindGlow = behindGlow + mirrorGlow * (shine * 0.5f);
        behind = Mix(behind, HAZE, 1.0f - std::exp(-t / s.distance.fog));
    } else if (FarWall(s, ray, &wall, &wallGlow, &wallT)) {
        float fog = 1.0f - std::exp(-wallT / (2.0f * s.distance.fog));
        behind = Mix(wall, HAZE, fog * 0.6f);
        behindGlow = wallGlow * (1.0f - fog * 0.6f);
    }
    if (s.distance.horizonLine > 0.0f) {
        float edge = Smooth(1.2f * (1.0f / s.scale), 0.0f, std::fabs(v - s.eye.horizon));
        behind = behind + NEON * (s.distance.horizonLine * edge);
        behindGlow = behindGlow + NEON * (0.8f * edge);
    }
    return Composite(layers, count, behind, behindGlow, glow);
}

void Painter_Trace(const PainterStyle &s, Canvas *picture, Canvas *glow, std::vector<float> *cover)
{
    int width = s.width, height = s.height, sub = s.samples;
    float pixel = 1.0f / s.scale;
    picture->assign(size_t(width) * height, Colour{0, 0, 0});
    glow->assign(size_t(width) * height, Colour{0, 0, 0});
    cover->assign(size_t(width) * height, 0.0f);
    for (int y = 0; y < height; y++) {
        Footprint row = s.eye.footprintByRow ? RowFootprint(s, y) : Footprint{0, 0};
        for (int x = 0; x < width; x++) {
            Colour sum = {0, 0, 0}, glowSum = {0, 0, 0};
            int inside = 0;
            for (int j = 0; j < sub; j++)
                for (int i = 0; i < sub; i++) {
                    float u = (x + (i + 0.5f) / sub) * pixel, v = (y + (j + 0.5f) / sub) * pixel;
                    if (s.outline && s.outline(u, v) > 0.0f)
                        continue;
                    Colour g;
                    sum = sum + Trace(s, u, v, row, &g);
                    glowSum = glowSum + g;
                    inside++;
                }
            size_t at = size_t(y) * width + x;
            if (inside) {
                (*picture)[at] = sum * (1.0f / inside);
                (*glow)[at] = glowSum * (1.0f / inside);
            }
            (*cover)[at] = inside / float(sub * sub);
        }
    }

    // A scatter of faint stars, thinning towards the horizon haze.
    if (s.sky.starThreshold >= 1.0f)
        return;
    float lowest = s.eye.horizon - s.sky.starGap;
    for (int y = 0; y < int(lowest * s.scale); y++)
        for (int x = 0; x < width; x++) {
            uint32_t n = uint32_t(y * width + x);
            if (Tex_Hash(n) < s.sky.starThreshold)
                continue;
            float bright = (0.3f + 0.7f * Tex_Hash(n + 0x9e3779b9U)) *
                           Smooth(lowest, s.eye.horizon - s.sky.starFade, (y + 0.5f) * pixel);
            Colour &c = (*picture)[size_t(y) * width + x];
            c = c + Colour{0.8f, 0.85f, 1.0f} * bright;
        }
}

// Gaussian blur of `sigma` pixels, across then down; past the edges the picture repeats
// outwards, or is dark.
static Canvas Blur(const Canvas &in, int width, int height, float sigma, bool repeatEdges)
{
    int reach = int(std::ceil(3.0f * sigma));
    std::vector<float> weights(2 * reach + 1);
    float total = 0.0f;
    for (int k = -reach; k <= reach; k++)
        total += weights[k + reach] = std::exp(-k * k / (2.0f * sigma * sigma));
    for (float &w : weights)
        w /= total;
    Canvas across(in.size()), out(in.size());
    // One pass: `count` runs of `length`, the runs `stride` apart and their texels `step` apart.
    auto pass = [&](const Canvas &from, Canvas *to, int count, int stride, int length, int step) {
        for (int run = 0; run < count; run++)
            for (int i = 0; i < length; i++) {
                Colour sum = {0, 0, 0};
                for (int k = -reach; k <= reach; k++) {
                    int at = i + k;
                    if (at < 0 || at >= length) {
                        if (!repeatEdges)
                            continue;
                        at = std::min(length - 1, std::max(0, at));
                    }
                    sum = sum + from[size_t(run) * stride + size_t(at) * step] * weights[k + reach];
                }
                (*to)[size_t(run) * stride + size_t(i) * step] = sum;
            }
    };
    pass(in, &across, height, width, width, 1);
    pass(across, &out, width, 1, height, width);
    return out;
}

void Painter_Bloom(const PainterStyle &s, const Canvas &glow, Canvas *tight, Canvas *wide)
{
    *tight = Blur(glow, s.width, s.height, s.bloom.tight * s.scale, s.bloom.repeatEdges);
    *wide = Blur(glow, s.width, s.height, s.bloom.wide * s.scale, s.bloom.repeatEdges);
}
