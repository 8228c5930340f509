// title.cpp -- paints the title picture: the game's name over a neon arena where cycles race.
#include "title.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "output.h"
#include "paint.h"
#include "textures.h"

enum { WIDTH = TITLE_WIDTH, HEIGHT = TITLE_HEIGHT };

// The bold face of the family the game's screen text uses, found when the build is configured.
static const char *const TITLE_FONT = ZARKRIDE_TITLE_FONT;

// --- Colours --------------------------------------------------------------------------------

// The whole picture in floating point, rows top first.
typedef std::vector<Colour> Canvas;

// --- The arena ------------------------------------------------------------------------------

// The eye sits low over the floor looking straight down the arena (+z). The horizon is raised
// above the middle of the picture: the floor and its cycles fill the lower part, the sky above
// leaves room for the name. World units: a cycle is 2 long, the floor grid 1 apart.
static const float FOCAL = 520.0f, CENTRE_X = 320.0f, HORIZON_Y = 238.0f;
static const float EYE_X = 0.0f, EYE_HEIGHT = 1.25f;
static const float GRID = 1.0f;
static const float FAR_WALL_Z = 60.0f, FAR_WALL_HEIGHT = 1.6f;
static const float TRAIL_HEIGHT = 0.55f, CYCLE_LENGTH = 2.0f, CYCLE_HEIGHT = 1.0f;
static const float FOG_DISTANCE = 38.0f;
static const Colour HAZE = {0.30f, 0.05f, 0.34f};

// A cycle and the wall it has laid: corners oldest first; the last is where the wall meets the
// cycle's rear wheel, and the cycle runs on from there in the direction of the last stretch.
struct Rider {
    Colour colour;
    std::vector<Point> trail;
};

static std::vector<Rider> Riders()
{
    return {
        // Cyan, near: down the left side of the arena, then a hard right across the view.
        {{0.15f, 0.85f, 1.0f}, {{-4.0f, 58.0f}, {-4.0f, 6.2f}, {-1.6f, 6.2f}}},
        // Orange: down the right side, cutting left across the cyan cycle's path further off.
        {{1.0f, 0.48f, 0.08f}, {{5.0f, 58.0f}, {5.0f, 11.5f}, {3.2f, 11.5f}}},
        // Magenta, far off on the left: a zigzag, seen over the cyan wall.
        {{1.0f, 0.16f, 0.78f},
         {{-22.0f, 44.0f}, {-15.0f, 44.0f}, {-15.0f, 30.0f}, {-11.0f, 30.0f}, {-11.0f, 24.0f},
          {-8.5f, 24.0f}}},
    };
}

static Ray EyeRay(float sx, float sy)
{
    return {EYE_X, EYE_HEIGHT, 0.0f, (sx - CENTRE_X) / FOCAL, (HORIZON_Y - sy) / FOCAL, 1.0f};
}

// Smallest width in world units that a neon line may have at distance t: about a pixel, so far
// lines thin out no further and do not break up.
static float LineWidth(float world, float t)
{
    return std::max(world, 1.1f * t / FOCAL);
}

static float DistanceToSegment(Point p, Point a, Point b)
{
    float ex = b.x - a.x, ez = b.z - a.z;
    float k = Clamp01(((p.x - a.x) * ex + (p.z - a.z) * ez) / (ex * ex + ez * ez));
    return std::hypot(p.x - a.x - k * ex, p.z - a.z - k * ez);
}

// A trail wall: a translucent ribbon of the rider's colour, brighter towards a white-hot top
// edge and with a thin bright line along the floor.
static Layer TrailLayer(Colour colour, float t, float y)
{
    float rim = Smooth(LineWidth(0.05f, t), 0.0f, TRAIL_HEIGHT - y);
    float foot = Smooth(LineWidth(0.02f, t), 0.0f, y);
    Colour body = colour * (0.30f + 0.40f * y / TRAIL_HEIGHT);
    Colour core = Mix(colour, {1.0f, 1.0f, 1.0f}, 0.55f) * 1.3f;
    Colour c = Mix(body, core, std::max(rim, foot * 0.6f));
    float alpha = 0.55f + 0.45f * std::max(rim, foot);
    return {t, c, alpha, body * 0.35f + core * (0.9f * rim + 0.3f * foot)};
}

// Wheel centres along the cycle, their height and radius.
static const float REAR_WHEEL = 0.44f, FRONT_WHEEL = 1.56f, WHEEL_Y = 0.40f, WHEEL_R = 0.40f;

// The cycle seen side-on, `u` from its tail (0) to its nose (CYCLE_LENGTH), `v` up: two big
// wheels under one rounded shell that covers their top halves, highest over the rider's back
// and sloping down to the nose. Negative inside.
static float CycleShape(float u, float v)
{
    static const float SHELL[][2] = {
        {0.00f, 0.42f}, {0.44f, 0.14f}, {1.56f, 0.14f}, {2.00f, 0.38f}, {1.97f, 0.52f},
        {1.68f, 0.74f}, {1.20f, 0.86f}, {0.80f, 0.93f}, {0.40f, 0.91f}, {0.18f, 0.83f},
        {0.06f, 0.68f}};
    float shell = Polygon(u, v, SHELL, 11) - 0.03f;
    float wheels = std::min(Circle(u, v, REAR_WHEEL, WHEEL_Y, WHEEL_R),
                            Circle(u, v, FRONT_WHEEL, WHEEL_Y, WHEEL_R));
    return SmoothUnion(wheels, shell, 0.08f);
}

// A cycle: dark shell and wheels drawn in lines of the rider's colour, white-hot hubs and a
// headlight at the nose.
static bool CycleLayer(const Ray &ray, const Rider &rider, Layer *layer)
{
    Point rear = rider.trail.back(), before = rider.trail[rider.trail.size() - 2];
    float hx = rear.x - before.x, hz = rear.z - before.z, length = std::hypot(hx, hz);
    Point nose = {rear.x + hx / length * CYCLE_LENGTH, rear.z + hz / length * CYCLE_LENGTH};
    float t, s, v;
    if (!HitUpright(ray, rear, nose, CYCLE_HEIGHT, &t, &s, &v))
        return false;
    float u = s * CYCLE_LENGTH, line = LineWidth(0.035f, t);
    float d = CycleShape(u, v);
    if (d > line * 0.5f)
        return false;
    Colour hot = Mix(rider.colour, {1.0f, 1.0f, 1.0f}, 0.5f) * 1.4f;
    // The shell is dark, with a faint sheen of the rider's colour along its top.
    Colour c = Colour{0.02f, 0.02f, 0.05f} + rider.colour * (0.10f * Smooth(0.3f, 0.9f, v));
    float edge = Smooth(line, line * 0.4f, std::fabs(d));
    // Wheel rims and hubs.
    float rim = 1.0f, hub = 1.0f;
    for (float cu : {REAR_WHEEL, FRONT_WHEEL}) {
        float r = std::hypot(u - cu, v - WHEEL_Y);
        rim = std::min(rim, std::fabs(r - 0.25f));
        hub = std::min(hub, r);
    }
    float wheel = Smooth(line, line * 0.4f, rim);
    float centre = Smooth(LineWidth(0.07f, t), 0.0f, hub);
    // The canopy: a line following the shell's top a little inside it, and the headlight.
    float canopy = Smooth(line, line * 0.3f, std::fabs(d + 0.11f)) * Smooth(0.62f, 0.68f, v);
    float lamp = Smooth(LineWidth(0.09f, t), 0.0f, std::hypot(u - 1.90f, v - 0.45f));
    float lit = std::max(std::max(edge, wheel), std::max(canopy * 0.8f, centre));
    c = Mix(c, rider.colour * 1.2f, lit) + hot * std::max(centre, lamp);
    *layer = {t, c, 1.0f, rider.colour * lit + hot * (centre + 1.5f * lamp)};
    return true;
}

// The cycles and trail walls along the ray, nearest first.
static int UprightLayers(const Ray &ray, const std::vector<Rider> &riders, Layer *layers, int max)
{
    int count = 0;
    for (const Rider &rider : riders) {
        for (size_t i = 1; i < rider.trail.size() && count < max; i++) {
            float t, s, y;
            if (HitUpright(ray, rider.trail[i - 1], rider.trail[i], TRAIL_HEIGHT, &t, &s, &y))
                layers[count++] = TrailLayer(rider.colour, t, y);
        }
        if (count < max && CycleLayer(ray, rider, &layers[count]))
            count++;
    }
    std::sort(layers, layers + count, [](const Layer &a, const Layer &b) { return a.t < b.t; });
    return count;
}

// The sky by height above the horizon: night blue overhead warming to a magenta haze.
static Colour Sky(float dy)
{
    float up = Clamp01(dy * FOCAL / HORIZON_Y);
    Colour c = Mix({0.10f, 0.02f, 0.16f}, {0.01f, 0.01f, 0.05f}, std::pow(up, 0.6f));
    return c + Colour{0.55f, 0.10f, 0.45f} * std::exp(-up * 14.0f);
}

// The arena's far wall: dark panels under a magenta rim, a cyan strip along the floor.
static bool FarWall(const Ray &ray, Colour *colour, Colour *glow, float *t)
{
    *t = (FAR_WALL_Z - ray.oz) / ray.dz;
    float x = ray.ox + *t * ray.dx, y = ray.oy + *t * ray.dy;
    if (y < 0.0f || y > FAR_WALL_HEIGHT)
        return false;
    float line = LineWidth(0.05f, *t);
    float seam = std::fabs(std::remainder(x, 6.0f));
    Colour c = Mix({0.05f, 0.03f, 0.10f}, {0.02f, 0.01f, 0.05f}, y / FAR_WALL_HEIGHT);
    c = Mix(c, {0.12f, 0.08f, 0.22f}, Smooth(line, 0.0f, seam));
    Colour rim = Colour{1.0f, 0.30f, 0.85f} * Smooth(2.0f * line, 0.0f, FAR_WALL_HEIGHT - y);
    Colour kick = Colour{0.2f, 0.8f, 1.0f} * Smooth(line, 0.0f, std::fabs(y - 0.08f));
    *colour = c + rim + kick;
    *glow = rim + kick * 0.6f;
    return true;
}

// The floor at (x, z): a dark glossy surface with a cyan grid, lit by the trail walls near it.
// `across` and `along` are how much floor one pixel covers in x and z, so that lines keep a
// pixel's width and fade out before they crowd together near the horizon.
static Colour Floor(Point p, float across, float along, const std::vector<Rider> &riders,
                    Colour *glow)
{
    Colour c = {0.008f, 0.010f, 0.030f};
    float dx = std::fabs(std::remainder(p.x, GRID)) / across;
    float dz = std::fabs(std::remainder(p.z, GRID)) / along;
    float lineX = std::exp(-dx * dx / 0.6f) * Smooth(2.0f, 7.0f, GRID / across);
    float lineZ = std::exp(-dz * dz / 0.6f) * Smooth(2.0f, 7.0f, GRID / along);
    float grid = std::max(lineX, lineZ);
    Colour gridColour = {0.05f, 0.55f, 0.95f};
    c = c + gridColour * grid;
    *glow = gridColour * (0.35f * grid);
    for (const Rider &rider : riders)
        for (size_t i = 1; i < rider.trail.size(); i++) {
            float d = DistanceToSegment(p, rider.trail[i - 1], rider.trail[i]);
            c = c + rider.colour * (0.22f * std::exp(-d / 0.35f));
        }
    return c;
}

// What the eye sees along one ray, and the light it gives off into the glow.
static Colour Trace(const Ray &ray, float pixelAcross, float pixelAlong,
                    const std::vector<Rider> &riders, Colour *glow)
{
    enum { MAX_LAYERS = 16 };
    Layer layers[MAX_LAYERS];
    int count = UprightLayers(ray, riders, layers, MAX_LAYERS);

    Colour behind = Sky(ray.dy), behindGlow = {0, 0, 0};
    float wallT;
    Colour wall, wallGlow;
    if (ray.dy < 0.0f && -ray.oy / ray.dy < FAR_WALL_Z) {
        float t = -ray.oy / ray.dy;
        Point p = {ray.ox + t * ray.dx, ray.oz + t * ray.dz};
        behind = Floor(p, pixelAcross, pixelAlong, riders, &behindGlow);
        // The glossy floor mirrors the walls, cycles and sky, more so at a glancing angle.
        Ray mirror = {p.x, 0.0f, p.z, ray.dx, -ray.dy, ray.dz};
        Layer mirrored[MAX_LAYERS];
        int n = UprightLayers(mirror, riders, mirrored, MAX_LAYERS);
        Colour far = Sky(-ray.dy), farGlow = {0, 0, 0}, mirrorGlow;
        if (FarWall(mirror, &wall, &wallGlow, &wallT)) {
            far = wall;
            farGlow = wallGlow;
        }
        Colour reflection = Composite(mirrored, n, far, farGlow, &mirrorGlow);
        float shine = 0.22f + 0.25f * Smooth(0.05f, 0.0f, -ray.dy);
        behind = behind + reflection * shine;
        behindGlow = behindGlow + mirrorGlow * (shine * 0.5f);
        float fog = 1.0f - std::exp(-t / FOG_DISTANCE);
        behind = Mix(behind, HAZE, fog);
    } else if (FarWall(ray, &wall, &wallGlow, &wallT)) {
        float fog = 1.0f - std::exp(-wallT / (2.0f * FOG_DISTANCE));
        behind = Mix(wall, HAZE, fog * 0.6f);
        behindGlow = wallGlow * (1.0f - fog * 0.6f);
    }
    return Composite(layers, count, behind, behindGlow, glow);
}

// The arena, three by three rays a pixel; its glow goes into `glow` for the bloom.
static void PaintArena(Canvas *picture, Canvas *glow)
{
    enum { SUB = 3 };
    std::vector<Rider> riders = Riders();
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            // Floor covered by this pixel, for the grid's line widths.
            float below = std::max(0.5f, y + 0.5f - HORIZON_Y);
            float depth = EYE_HEIGHT * FOCAL / below;
            float across = depth / FOCAL, along = depth * depth / (EYE_HEIGHT * FOCAL);
            Colour sum = {0, 0, 0}, glowSum = {0, 0, 0};
            for (int j = 0; j < SUB; j++)
                for (int i = 0; i < SUB; i++) {
                    Colour g;
                    Ray ray = EyeRay(x + (i + 0.5f) / SUB, y + (j + 0.5f) / SUB);
                    sum = sum + Trace(ray, across, along, riders, &g);
                    glowSum = glowSum + g;
                }
            (*picture)[y * WIDTH + x] = sum * (1.0f / (SUB * SUB));
            (*glow)[y * WIDTH + x] = glowSum * (1.0f / (SUB * SUB));
        }
    // A scatter of faint stars, thinning towards the horizon haze.
    for (int y = 0; y < int(HORIZON_Y) - 20; y++)
        for (int x = 0; x < WIDTH; x++) {
            float h = Tex_Hash(uint32_t(y * WIDTH + x));
            if (h < 0.9965f)
                continue;
            float bright = (0.3f + 0.7f * Tex_Hash(uint32_t(y * WIDTH + x) + 0x9e3779b9U)) *
                           Smooth(HORIZON_Y - 20.0f, HORIZON_Y - 110.0f, float(y));
            Colour &c = (*picture)[y * WIDTH + x];
            c = c + Colour{0.8f, 0.85f, 1.0f} * bright;
        }
}

// --- The name -------------------------------------------------------------------------------

// Coverage 0..1 of set text, one value a pixel.
typedef std::vector<float> Mask;

static std::string FreeTypeError(const char *what, FT_Error code)
{
    const char *text = FT_Error_String(code);
    return std::string(what) + " " + TITLE_FONT + " (FreeType error " + std::to_string(code) +
           (text ? std::string(": ") + text : std::string()) + ")";
}

// Sets `text` centred on column `centreX` with its baseline on row `baseline`: `size` pixels to
// the em, stretched `tall` times upwards, leaning forward by `lean`, with `tracking` pixels of
// extra space between letters. Unhinted, so the outline alone decides the pixels.
static bool SetText(FT_Face face, const char *text, int size, float tall, float lean,
                    float tracking, float centreX, int baseline, Mask *mask, std::string *error)
{
    FT_Error code = FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
    if (code) {
        *error = FreeTypeError("cannot size the font", code);
        return false;
    }
    FT_Matrix shape = {0x10000, FT_Fixed(lean * 0x10000), 0, FT_Fixed(tall * 0x10000)};
    // Pass 0 measures the line, pass 1 draws it.
    long width = 0;
    for (int pass = 0; pass < 2; pass++) {
        FT_Pos pen = pass == 0 ? 0 : FT_Pos(std::lround((centreX - width / 128.0f) * 64.0f));
        for (const char *c = text; *c; c++) {
            FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong((unsigned char)*c));
            if (glyph == 0) {
                *error = std::string("the font ") + TITLE_FONT + " has no glyph for '" + *c + "'";
                return false;
            }
            FT_Vector delta = {pen & 63, 0};
            FT_Set_Transform(face, &shape, &delta);
            code = FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP |
                                                  (pass ? FT_LOAD_RENDER : 0));
            if (code) {
                *error = FreeTypeError("cannot render the title with", code);
                return false;
            }
            FT_GlyphSlot slot = face->glyph;
            if (pass == 1) {
                if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
                    *error = std::string("the font ") + TITLE_FONT + " gave no grey-level glyphs";
                    return false;
                }
                int left = int(pen >> 6) + slot->bitmap_left, top = baseline - slot->bitmap_top;
                for (unsigned row = 0; row < slot->bitmap.rows; row++)
                    for (unsigned col = 0; col < slot->bitmap.width; col++) {
                        int x = left + int(col), y = top + int(row);
                        if (x < 0 || x >= WIDTH || y < 0 || y >= HEIGHT)
                            continue;
                        float v = slot->bitmap.buffer[row * slot->bitmap.pitch + col] / 255.0f;
                        float &m = (*mask)[y * WIDTH + x];
                        m = std::max(m, v);
                    }
            }
            pen += slot->advance.x + (c[1] ? FT_Pos(tracking * 64.0f) : 0);
        }
        width = pen;
    }
    return true;
}

// The mask grown outwards by `radius` pixels, edges kept soft.
static Mask Grow(const Mask &mask, float radius)
{
    struct Offset {
        int dx, dy;
        float weight;
    };
    std::vector<Offset> disc;
    int reach = int(std::ceil(radius)) + 1;
    for (int dy = -reach; dy <= reach; dy++)
        for (int dx = -reach; dx <= reach; dx++) {
            float weight = Clamp01(radius + 1.0f - std::hypot(float(dx), float(dy)));
            if (weight > 0.0f)
                disc.push_back({dx, dy, weight});
        }
    Mask grown(mask.size(), 0.0f);
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            float most = 0.0f;
            for (const Offset &o : disc) {
                int sx = x + o.dx, sy = y + o.dy;
                if (sx >= 0 && sx < WIDTH && sy >= 0 && sy < HEIGHT)
                    most = std::max(most, mask[sy * WIDTH + sx] * o.weight);
            }
            grown[y * WIDTH + x] = most;
        }
    return grown;
}

// First and last rows with any coverage.
static void RowsCovered(const Mask &mask, int *top, int *bottom)
{
    *top = HEIGHT;
    *bottom = -1;
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++)
            if (mask[y * WIDTH + x] > 0.0f) {
                *top = std::min(*top, y);
                *bottom = std::max(*bottom, y);
            }
}

// Chrome for the letters: white sky above a sharp horizon line, deep blue below it rising to
// a pale cyan at the foot, as if the letters mirrored the arena.
static Colour Chrome(float v)
{
    if (v < 0.52f)
        return Mix({1.0f, 1.0f, 1.0f}, {0.55f, 0.88f, 1.0f}, v / 0.52f);
    return Mix({0.05f, 0.18f, 0.55f}, {0.65f, 0.95f, 1.0f}, std::pow((v - 0.52f) / 0.48f, 1.3f));
}

// The name with a dark backing, a magenta neon outline and a chrome face, and the line under it.
static bool PaintName(Canvas *picture, Canvas *glow, Mask *letters, std::string *error)
{
    FT_Library library;
    FT_Error code = FT_Init_FreeType(&library);
    if (code) {
        *error = FreeTypeError("cannot start FreeType for", code);
        return false;
    }
    FT_Face face;
    code = FT_New_Face(library, TITLE_FONT, 0, &face);
    if (code) {
        *error = FreeTypeError("cannot open the font", code);
        FT_Done_FreeType(library);
        return false;
    }
    Mask name(WIDTH * HEIGHT, 0.0f), tagline(WIDTH * HEIGHT, 0.0f);
    bool ok = SetText(face, "ZARKRIDE", 96, 1.3f, 0.22f, 3.0f, 318.0f, 168, &name, error) &&
              SetText(face, "LIGHT CYCLE ARENA", 17, 1.0f, 0.0f, 9.0f, 320.0f, 206, &tagline,
                      error);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok)
        return false;

    Mask shadow = Grow(name, 10.0f), outline = Grow(name, 4.0f), gap = Grow(name, 1.5f);
    Mask tagShadow = Grow(tagline, 4.0f);
    int top, bottom;
    RowsCovered(name, &top, &bottom);
    const Colour neon = {1.0f, 0.22f, 0.80f}, gapColour = {0.06f, 0.0f, 0.10f};
    const Colour tagColour = {0.70f, 0.95f, 1.0f};
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            int i = y * WIDTH + x;
            Colour &c = (*picture)[i];
            Colour &g = (*glow)[i];
            c = c * (1.0f - 0.7f * std::max(shadow[i], tagShadow[i]));
            c = Mix(c, neon * 1.3f, outline[i]);
            g = g + neon * (1.1f * outline[i]);
            c = Mix(c, gapColour, gap[i]);
            float v = Clamp01((y + 0.5f - top) / float(bottom + 1 - top));
            c = Mix(c, Chrome(v), name[i]);
            g = g + Colour{0.3f, 0.7f, 1.0f} * (0.15f * name[i]);
            c = Mix(c, tagColour, tagline[i]);
            g = g + tagColour * (0.5f * tagline[i]);
            (*letters)[i] = std::max(name[i], tagline[i]);
        }
    return true;
}

// --- Glow and finish ------------------------------------------------------------------------

// Gaussian blur of `sigma` pixels, across then down; the edges repeat outwards.
static Canvas Blur(const Canvas &in, float sigma)
{
    int reach = int(std::ceil(3.0f * sigma));
    std::vector<float> weights(2 * reach + 1);
    float total = 0.0f;
    for (int k = -reach; k <= reach; k++)
        total += weights[k + reach] = std::exp(-k * k / (2.0f * sigma * sigma));
    for (float &w : weights)
        w /= total;
    Canvas across(in.size()), out(in.size());
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            Colour sum = {0, 0, 0};
            for (int k = -reach; k <= reach; k++)
                sum = sum + in[y * WIDTH + std::min(WIDTH - 1, std::max(0, x + k))] *
                                weights[k + reach];
            across[y * WIDTH + x] = sum;
        }
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            Colour sum = {0, 0, 0};
            for (int k = -reach; k <= reach; k++)
                sum = sum + across[std::min(HEIGHT - 1, std::max(0, y + k)) * WIDTH + x] *
                                weights[k + reach];
            out[y * WIDTH + x] = sum;
        }
    return out;
}

bool Title_Paint(Image *out, std::string *error)
{
    Canvas picture(WIDTH * HEIGHT), glow(WIDTH * HEIGHT);
    Mask letters(WIDTH * HEIGHT, 0.0f);
    PaintArena(&picture, &glow);
    if (!PaintName(&picture, &glow, &letters, error))
        return false;

    // Bloom: a tight halo and a wide one, so neon lines glow into the dark around them.
    Canvas tight = Blur(glow, 2.5f), wide = Blur(glow, 12.0f);
    // The band the game writes its two lines on: near-black, the arena fading into it.
    const Colour band = {0.015f, 0.015f, 0.03f};
    *out = Image(WIDTH, HEIGHT);
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            int i = y * WIDTH + x;
            // The letters' faces stand in front of the glow, so their chrome stays crisp.
            Colour c = picture[i] + (tight[i] * 0.7f + wide[i] * 0.8f) * (1.0f - letters[i]);
            // Light past full brightness in one channel spills into the others: hot neon whitens.
            float over = std::max(0.0f, std::max(c.r, std::max(c.g, c.b)) - 1.0f);
            c = c + Colour{1.0f, 1.0f, 1.0f} * (0.5f * over);
            c = Mix(c, band, Smooth(TITLE_BAND_TOP - 34.0f, TITLE_BAND_TOP - 2.0f, float(y)));
            if (y >= TITLE_BAND_TOP)
                c = band;
            uint8_t *texel = out->At(x, y);
            texel[0] = uint8_t(std::lround(Clamp01(c.r) * 255.0f));
            texel[1] = uint8_t(std::lround(Clamp01(c.g) * 255.0f));
            texel[2] = uint8_t(std::lround(Clamp01(c.b) * 255.0f));
            texel[3] = 255;
        }
    return true;
}

// --- The file -------------------------------------------------------------------------------

// libjpeg reports a fatal error by calling error_exit, which must not return; this one keeps the
// message and jumps back to the encoder's caller.
struct JpegFailure {
    jpeg_error_mgr manager;   // first, so the library's pointer to it is a pointer to this
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

static void JpegErrorExit(j_common_ptr info)
{
    JpegFailure *failure = reinterpret_cast<JpegFailure *>(info->err);
    info->err->format_message(info, failure->message);
    longjmp(failure->jump, 1);
}

bool Title_EncodeJpeg(const Image &image, std::vector<uint8_t> *file, std::string *error)
{
    std::vector<JSAMPLE> row(size_t(image.width) * 3);
    jpeg_compress_struct encoder = {};   // zeroed, so that a failing create leaves nothing to free
    JpegFailure failure;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    encoder.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JpegErrorExit;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&encoder);
        free(buffer);
        *error = std::string("cannot encode the title picture: ") + failure.message;
        return false;
    }
    jpeg_create_compress(&encoder);
    jpeg_mem_dest(&encoder, &buffer, &size);
    encoder.image_width = JDIMENSION(image.width);
    encoder.image_height = JDIMENSION(image.height);
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 90, TRUE);
    // Every component at full resolution: the picture is thin coloured lines on black, which
    // halved colour would smear; and the dark band's top edge falls on a block boundary.
    for (int c = 0; c < 3; c++)
        encoder.comp_info[c].h_samp_factor = encoder.comp_info[c].v_samp_factor = 1;
    encoder.dct_method = JDCT_ISLOW;   // integer arithmetic only: the same bytes on any machine
    encoder.optimize_coding = TRUE;
    jpeg_start_compress(&encoder, TRUE);
    while (encoder.next_scanline < encoder.image_height) {
        const uint8_t *texel = image.At(0, int(encoder.next_scanline));
        for (int x = 0; x < image.width; x++)
            for (int c = 0; c < 3; c++)
                row[size_t(x) * 3 + c] = texel[x * 4 + c];
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&encoder, rows, 1);
    }
    jpeg_finish_compress(&encoder);
    file->assign(buffer, buffer + size);
    jpeg_destroy_compress(&encoder);
    free(buffer);
    return true;
}

bool Title_WriteJpeg(const std::string &path, std::string *error)
{
    Image picture;
    std::vector<uint8_t> file;
    return Title_Paint(&picture, error) && Title_EncodeJpeg(picture, &file, error) &&
           WriteWholeFile(path, file.data(), file.size(), error);
}
