// icon.cpp -- paints the game's icon: a neon cycle and its wall on the arena's grid.
#include "icon.h"

#include <algorithm>
#include <cmath>

#include <png.h>

#include "output.h"
#include "paint.h"
#include "textures.h"

// --- Colours --------------------------------------------------------------------------------

// The title picture's palette, so the icon and the game's first screen read as one.
static const Colour WHITE = {1.0f, 1.0f, 1.0f};
static const Colour CYAN = {0.15f, 0.85f, 1.0f};
static const Colour NEON = {1.0f, 0.22f, 0.80f};
static const Colour ORANGE = {1.0f, 0.48f, 0.08f};
static const Colour GRID_COLOUR = {0.05f, 0.55f, 0.95f};
static const Colour HAZE = {0.30f, 0.05f, 0.34f};
static const Colour FLOOR_COLOUR = {0.008f, 0.010f, 0.030f};

// --- The scene ------------------------------------------------------------------------------

// The eye sits a little above a cycle's height, looking along the arena (+z) turned YAW radians
// to the left, so that a cycle crossing the view to the right comes a little towards it and its
// wall runs off into the distance on the left. The horizon runs above the middle so the floor
// fills most of the plate. Screen units are icon widths, the picture's top left (0, 0) and its
// bottom right (1, 1). World units: a cycle is 2 long and 1 high, the floor grid 1 apart.
static const float FOCAL = 1.4f, HORIZON_V = 0.30f, EYE_HEIGHT = 1.45f, YAW = 0.6f;
static const float TRAIL_HEIGHT = 0.7f, CYCLE_LENGTH = 2.0f, CYCLE_HEIGHT = 1.0f;
static const float FOG_DISTANCE = 22.0f;

// A cycle and the wall it has laid: corners oldest first; the last is where the wall meets the
// cycle's rear wheel, and the cycle runs on from there in the direction of the last stretch.
struct Rider {
    Colour colour;
    int corners;
    Point trail[3];
};

// The player's cyan cycle, close and nearly side-on, its wall running off into the distance on the
// left; far off on the right a rival's orange cycle comes the other way.
static const Rider RIDERS[] = {
    {CYAN, 2, {{-60.0f, 3.4f}, {-3.3f, 3.4f}}},
    {ORANGE, 2, {{12.0f, 18.0f}, {-8.2f, 18.0f}}},
};

// The size being painted: a pixel's side in screen units, so that lines never get thinner than
// about a pixel, whatever the size.
struct Painter {
    float pixel;

    // Smallest width in world units that a line may have at distance t.
    float LineWidth(float world, float t) const { return std::max(world, 1.1f * pixel * t / FOCAL); }
};

static Ray EyeRay(float u, float v)
{
    float right = (u - 0.5f) / FOCAL, c = std::cos(YAW), s = std::sin(YAW);
    return {0.0f, EYE_HEIGHT, 0.0f, right * c - s, (HORIZON_V - v) / FOCAL, right * s + c};
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

// A wall: a translucent ribbon of the rider's colour, brighter upwards, with a white-hot top
// edge and a bright line along the floor.
static Layer WallLayer(const Painter &p, Colour colour, float t, float y)
{
    float rim = Smooth(p.LineWidth(0.06f, t), 0.0f, TRAIL_HEIGHT - y);
    float foot = Smooth(p.LineWidth(0.03f, t), 0.0f, y);
    Colour body = colour * (0.30f + 0.45f * y / TRAIL_HEIGHT);
    Colour core = Mix(colour, WHITE, 0.6f) * 1.3f;
    Colour c = Mix(body, core, std::max(rim, foot * 0.6f));
    float alpha = 0.6f + 0.4f * std::max(rim, foot);
    return {t, c, alpha, body * 0.4f + core * (0.9f * rim + 0.3f * foot)};
}

// Wheel centres along the cycle, their height and radius.
static const float REAR_WHEEL = 0.46f, FRONT_WHEEL = 1.54f, WHEEL_Y = 0.39f, WHEEL_R = 0.39f;

// The cycle side-on, `u` from its tail (0) to its nose (CYCLE_LENGTH), `v` up: one smooth shell
// over the top halves of two big wheels, highest over the rider's back and sloping to the nose.
// Negative inside.
static float CycleShape(float u, float v)
{
    static const float SHELL[][2] = {
        {0.02f, 0.42f}, {0.40f, 0.20f}, {1.60f, 0.20f}, {1.98f, 0.38f}, {1.95f, 0.50f},
        {1.66f, 0.70f}, {1.20f, 0.84f}, {0.78f, 0.92f}, {0.38f, 0.90f}, {0.14f, 0.80f},
        {0.04f, 0.64f}};
    float shell = Polygon(u, v, SHELL, 11) - 0.04f;
    float wheels = std::min(Circle(u, v, REAR_WHEEL, WHEEL_Y, WHEEL_R),
                            Circle(u, v, FRONT_WHEEL, WHEEL_Y, WHEEL_R));
    return SmoothUnion(wheels, shell, 0.08f);
}

// A cycle: a dark body drawn in bold lines of the rider's colour, rims round the wheels,
// white-hot hubs and a headlight at the nose.
static bool CycleLayer(const Painter &p, const Ray &ray, const Rider &rider, Layer *layer)
{
    Point rear = rider.trail[rider.corners - 1], before = rider.trail[rider.corners - 2];
    float hx = rear.x - before.x, hz = rear.z - before.z, length = std::hypot(hx, hz);
    Point nose = {rear.x + hx / length * CYCLE_LENGTH, rear.z + hz / length * CYCLE_LENGTH};
    float t, s, v;
    if (!HitUpright(ray, rear, nose, CYCLE_HEIGHT, &t, &s, &v))
        return false;
    float u = s * CYCLE_LENGTH, line = p.LineWidth(0.05f, t);
    float d = CycleShape(u, v);
    if (d > line * 0.5f)
        return false;
    Colour hot = Mix(rider.colour, WHITE, 0.55f) * 1.5f;
    // The body is dark, with a sheen of the rider's colour along its top.
    Colour c = Colour{0.02f, 0.03f, 0.07f} + rider.colour * (0.14f * Smooth(0.35f, 0.9f, v));
    float edge = Smooth(line, line * 0.4f, std::fabs(d));
    float rim = 1.0f, hub = 1.0f;
    for (float cu : {REAR_WHEEL, FRONT_WHEEL}) {
        float r = std::hypot(u - cu, v - WHEEL_Y);
        rim = std::min(rim, std::fabs(r - 0.25f));
        hub = std::min(hub, r);
    }
    float wheel = Smooth(line, line * 0.4f, rim);
    float centre = Smooth(p.LineWidth(0.07f, t), 0.0f, hub);
    // The canopy: a line following the shell's top a little inside it, and the headlight.
    float canopy = Smooth(line, line * 0.3f, std::fabs(d + 0.13f)) * Smooth(0.62f, 0.70f, v);
    float lamp = Smooth(p.LineWidth(0.10f, t), 0.0f, std::hypot(u - 1.88f, v - 0.46f));
    float lit = std::max(std::max(edge, wheel), std::max(canopy * 0.8f, centre));
    c = Mix(c, rider.colour * 1.25f, lit) + hot * std::max(centre, lamp);
    *layer = {t, c, 1.0f, rider.colour * (1.1f * lit) + hot * (centre + 1.8f * lamp)};
    return true;
}

// The walls and cycles along the ray, nearest first.
static int UprightLayers(const Painter &p, const Ray &ray, Layer *layers, int max)
{
    int count = 0;
    for (const Rider &rider : RIDERS) {
        for (int i = 1; i < rider.corners && count < max; i++) {
            float t, s, y;
            if (HitUpright(ray, rider.trail[i - 1], rider.trail[i], TRAIL_HEIGHT, &t, &s, &y))
                layers[count++] = WallLayer(p, rider.colour, t, y);
        }
        if (count < max && CycleLayer(p, ray, rider, &layers[count]))
            count++;
    }
    std::sort(layers, layers + count, [](const Layer &a, const Layer &b) { return a.t < b.t; });
    return count;
}

// The sky by height above the horizon: night blue overhead warming to a magenta haze.
static Colour Sky(float dy, Colour *glow)
{
    float up = Clamp01(dy * FOCAL / HORIZON_V);
    Colour c = Mix({0.10f, 0.02f, 0.16f}, {0.01f, 0.01f, 0.05f}, std::pow(up, 0.6f));
    c = c + Colour{0.55f, 0.10f, 0.45f} * std::exp(-up * 9.0f);
    *glow = Colour{0.30f, 0.05f, 0.25f} * std::exp(-up * 6.0f);
    return c;
}

// The floor at (x, z): dark and glossy, with a cyan grid lit by the walls standing on it.
// `perX` and `perZ` are how many pixels one unit of floor spans on the screen in x and z, so
// that lines keep about a pixel's width and fade out before they crowd together near the
// horizon.
static Colour Floor(Point at, float perX, float perZ, Colour *glow)
{
    // Lines a few hundredths of a unit wide, and never under a pixel.
    float dx = std::fabs(std::remainder(at.x, 1.0f)) * perX / std::max(1.0f, 0.025f * perX);
    float dz = std::fabs(std::remainder(at.z, 1.0f)) * perZ / std::max(1.0f, 0.025f * perZ);
    float lineX = std::exp(-dx * dx / 0.5f) * Smooth(1.5f, 5.0f, perX);
    float lineZ = std::exp(-dz * dz / 0.5f) * Smooth(1.5f, 5.0f, perZ);
    float grid = std::max(lineX, lineZ);
    Colour c = FLOOR_COLOUR + GRID_COLOUR * (0.85f * grid);
    *glow = GRID_COLOUR * (0.3f * grid);
    for (const Rider &rider : RIDERS)
        for (int i = 1; i < rider.corners; i++) {
            Point a = rider.trail[i - 1], b = rider.trail[i];
            float ex = b.x - a.x, ez = b.z - a.z;
            float k = Clamp01(((at.x - a.x) * ex + (at.z - a.z) * ez) / (ex * ex + ez * ez));
            float d = std::hypot(at.x - a.x - k * ex, at.z - a.z - k * ez);
            c = c + rider.colour * (0.25f * std::exp(-d / 0.35f));
        }
    return c;
}

// What the eye sees through the point (u, v) of the icon, and the light it gives off.
static Colour Trace(const Painter &p, float u, float v, Colour *glow)
{
    enum { MAX_LAYERS = 8 };
    Ray ray = EyeRay(u, v);
    Layer layers[MAX_LAYERS];
    int count = UprightLayers(p, ray, layers, MAX_LAYERS);
    Colour behindGlow;
    Colour behind = Sky(ray.dy, &behindGlow);
    float t;
    Point at = {0, 0}, right = at, down = at;
    if (HitFloor(ray, &t, &at)) {
        // How the floor point moves from one pixel to the next, across and down the screen.
        float unused;
        HitFloor(EyeRay(u + p.pixel, v), &unused, &right);
        HitFloor(EyeRay(u, v + p.pixel), &unused, &down);
        float perX = 1.0f / std::max(1e-6f, std::hypot(right.x - at.x, down.x - at.x));
        float perZ = 1.0f / std::max(1e-6f, std::hypot(right.z - at.z, down.z - at.z));
        behind = Floor(at, perX, perZ, &behindGlow);
        // The glossy floor mirrors the wall, the cycle and the sky, more so at a glancing angle.
        Ray mirror = {at.x, 0.0f, at.z, ray.dx, -ray.dy, ray.dz};
        Layer mirrored[MAX_LAYERS];
        int n = UprightLayers(p, mirror, mirrored, MAX_LAYERS);
        Colour skyGlow, mirrorGlow;
        Colour sky = Sky(-ray.dy, &skyGlow);
        Colour reflection = Composite(mirrored, n, sky, skyGlow, &mirrorGlow);
        float shine = 0.15f + 0.25f * Smooth(0.05f, 0.0f, -ray.dy);
        behind = behind + reflection * shine;
        behindGlow = behindGlow + mirrorGlow * (shine * 0.5f);
        behind = Mix(behind, HAZE, 1.0f - std::exp(-t / FOG_DISTANCE));
    }
    // The arena's far edge: a thin neon line on the horizon.
    float edge = Smooth(1.2f * p.pixel, 0.0f, std::fabs(v - HORIZON_V));
    behind = behind + NEON * (1.1f * edge);
    behindGlow = behindGlow + NEON * (0.8f * edge);
    return Composite(layers, count, behind, behindGlow, glow);
}

// --- The plate ------------------------------------------------------------------------------

// The rounded square the picture sits on: its margin from the icon's edge and its corners'
// radius, in icon widths.
static const float PLATE_MARGIN = 0.035f, PLATE_RADIUS = 0.16f;

// Signed distance from (u, v) to the plate's edge: negative inside.
static float Plate(float u, float v)
{
    float half = 0.5f - PLATE_MARGIN - PLATE_RADIUS;
    float qx = std::fabs(u - 0.5f) - half, qy = std::fabs(v - 0.5f) - half;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
           PLATE_RADIUS;
}

// --- Glow and finish ------------------------------------------------------------------------

typedef std::vector<Colour> Canvas;

// Gaussian blur of `sigma` pixels, across then down; beyond the edges is dark.
static Canvas Blur(const Canvas &in, int size, float sigma)
{
    int reach = int(std::ceil(3.0f * sigma));
    std::vector<float> weights(2 * reach + 1);
    float total = 0.0f;
    for (int k = -reach; k <= reach; k++)
        total += weights[k + reach] = std::exp(-k * k / (2.0f * sigma * sigma));
    for (float &w : weights)
        w /= total;
    Canvas across(in.size()), out(in.size());
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            Colour sum = {0, 0, 0};
            for (int k = std::max(-reach, -x); k <= reach && x + k < size; k++)
                sum = sum + in[y * size + x + k] * weights[k + reach];
            across[y * size + x] = sum;
        }
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            Colour sum = {0, 0, 0};
            for (int k = std::max(-reach, -y); k <= reach && y + k < size; k++)
                sum = sum + across[(y + k) * size + x] * weights[k + reach];
            out[y * size + x] = sum;
        }
    return out;
}

Image Icon_Paint(int size)
{
    Painter p = {1.0f / size};
    // Many rays a pixel at the small size, where every edge counts; fewer where pixels are small.
    int sub = std::max(3, 384 / size);
    Canvas picture(size_t(size) * size), glow(size_t(size) * size);
    std::vector<float> cover(size_t(size) * size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            Colour sum = {0, 0, 0}, glowSum = {0, 0, 0};
            int inside = 0;
            for (int j = 0; j < sub; j++)
                for (int i = 0; i < sub; i++) {
                    float u = (x + (i + 0.5f) / sub) * p.pixel, v = (y + (j + 0.5f) / sub) * p.pixel;
                    if (Plate(u, v) > 0.0f)
                        continue;
                    Colour g;
                    sum = sum + Trace(p, u, v, &g);
                    glowSum = glowSum + g;
                    inside++;
                }
            size_t at = size_t(y) * size + x;
            if (inside) {
                picture[at] = sum * (1.0f / inside);
                glow[at] = glowSum * (1.0f / inside);
            }
            cover[at] = inside / float(sub * sub);
        }

    // A scatter of faint stars over the haze, where pixels are small enough to show them.
    if (size >= ICON_MEDIUM)
        for (int y = 0; y < int((HORIZON_V - 0.08f) * size); y++)
            for (int x = 0; x < size; x++) {
                uint32_t n = uint32_t(y * size + x);
                if (Tex_Hash(n) < 0.994f)
                    continue;
                float bright = (0.3f + 0.7f * Tex_Hash(n + 0x9e3779b9U)) *
                               Smooth(HORIZON_V - 0.08f, HORIZON_V - 0.25f, (y + 0.5f) * p.pixel);
                picture[size_t(y) * size + x] =
                    picture[size_t(y) * size + x] + Colour{0.8f, 0.85f, 1.0f} * bright;
            }

    // Bloom: a tight halo and a wide one, so neon lines glow into the dark around them.
    Canvas tight = Blur(glow, size, 0.012f * size), wide = Blur(glow, size, 0.05f * size);
    Image out(size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            size_t at = size_t(y) * size + x;
            float u = (x + 0.5f) * p.pixel, v = (y + 0.5f) * p.pixel;
            Colour c = picture[at] + tight[at] * 0.7f + wide[at] * 0.8f;
            // A bright rim just inside the plate's edge sets it off against dark panels.
            float rim = Smooth(1.3f * p.pixel, 0.3f * p.pixel, std::fabs(Plate(u, v) + p.pixel));
            c = Mix(c, Mix(NEON, CYAN, v) * 0.9f, rim * 0.7f);
            // Light past full brightness in one channel spills into the others: hot neon whitens.
            float over = std::max(0.0f, std::max(c.r, std::max(c.g, c.b)) - 1.0f);
            c = c + WHITE * (0.5f * over);
            uint8_t *texel = out.At(x, y);
            texel[0] = uint8_t(std::lround(Clamp01(c.r) * 255.0f));
            texel[1] = uint8_t(std::lround(Clamp01(c.g) * 255.0f));
            texel[2] = uint8_t(std::lround(Clamp01(c.b) * 255.0f));
            texel[3] = uint8_t(std::lround(cover[at] * 255.0f));
            // Fully transparent pixels carry no colour, so scaled copies fringe with nothing.
            if (texel[3] == 0)
                texel[0] = texel[1] = texel[2] = 0;
        }
    return out;
}

// --- The file -------------------------------------------------------------------------------

// libpng reports a fatal error by calling this, which must not return: it keeps the message
// and jumps back to the encoder.
static void PngError(png_structp png, png_const_charp message)
{
    *static_cast<std::string *>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

static void PngWarning(png_structp, png_const_charp) {}

static void PngAppend(png_structp png, png_bytep data, png_size_t length)
{
    std::vector<uint8_t> *file = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
    file->insert(file->end(), data, data + length);
}

static void PngFlush(png_structp) {}

bool Icon_EncodePng(const Image &image, std::vector<uint8_t> *file, std::string *error)
{
    std::string message;
    std::vector<png_bytep> rows(size_t(image.height));
    for (int y = 0; y < image.height; y++)
        rows[size_t(y)] = const_cast<png_bytep>(image.At(0, y));
    file->clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "cannot start the PNG encoder: out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *error = "cannot encode the icon: " + message;
        return false;
    }
    png_set_write_fn(png, file, PngAppend, PngFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool Icon_WritePng(const std::string &path, int size, std::string *error)
{
    std::vector<uint8_t> file;
    return Icon_EncodePng(Icon_Paint(size), &file, error) &&
           WriteWholeFile(path, file.data(), file.size(), error);
}
