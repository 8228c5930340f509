// raster.cpp -- the software device's rasteriser: the triangles and lines the graphics layer
// hands the device, drawn with the conventions its pictures were made for. Pixel centres sit on
// integer coordinates; the top-left fill rule splits the pixels of a shared edge; depth is 16
// bits, LESSEQUAL; textures are sampled perspective-correct, wrapped, nearest texel, and
// modulated by the Gouraud or flat colour; a colour key makes black texels holes.
//
// Triangles go row by row. Coverage is decided in exact integer arithmetic on vertices snapped
// to 1/256 pixel, so the span of each row is found with three divisions and the pixels of the
// span need no edge tests at all. Depth, colour and texture coordinates are evaluated in double
// precision at both ends of the span and stepped across it; where w varies over a triangle the
// texture coordinates are divided by it at every pixel.
#include "graphics/device/soft/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/device/rgb565.h"

// Vertex positions snap to 1/256 pixel: two triangles that share an edge then see exactly the
// same edge, and the fill rule can give each pixel on it to exactly one of them.
static const int SUBPIXEL_BITS = 8;
static const double SUBPIXEL = 1 << SUBPIXEL_BITS;

// A vertex farther than this from the screen's corner (in pixels) is refused, so that the edge
// arithmetic fits in 64 bits. The game's guard band reaches only 100 pixels past the screen.
static const float MAX_COORD = 2097152.0f;      // 2^21

// Texture coordinates spanning more than this many texels across one primitive are refused:
// beyond it a float cannot name a single texel. (A 256-texel texture tiled 65,536 times.)
static const double MAX_TEXEL_SPAN = 16777216.0; // 2^24
// Nor are texture coordinates beyond this many turns of the texture either way taken.
static const float MAX_TURNS = 1073741824.0f;   // 2^30

struct ModulateTables;

// What a span is drawn with: everything that stays the same over a whole primitive.
struct Pipe {
    const uint16_t *texels;
    int texWidth, texHeight;
    uint32_t uMask, vMask;      // width - 1, height - 1 for power-of-two textures
    int rowShift;               // log2 of the width, for power-of-two textures
    bool colourKey;
    uint16_t flatPixel;         // untextured, flat: the colour packed to 5-6-5
    const ModulateTables *tables;
    const uint16_t *modRed, *modGreen, *modBlue;   // textured, flat: the colour's table rows
    bool keepsTexels;           // flat, and those rows give every texel back as it is
    float uLimit, vLimit;       // texel coordinates are clamped to [0, limit] before indexing
};

// Values at one pixel. Texture coordinates are in texels; for a perspective-correct primitive
// u and v are multiplied by w (the vertex's reciprocal w), for an affine one w is 1.
struct Attr {
    double z, r, g, b, w, u, v;
};

// A value that varies linearly over the screen: value = base + dx * (x - x0) + dy * (y - y0).
struct Plane {
    double base, dx, dy;
};

// How a span's pixels take their colour.
enum {
    SHADE_FLAT,             // one colour: untextured, that colour; textured, texels lit by it
    SHADE_GOURAUD,          // the colour stepped across the span, lighting the texels if any
    SHADE_TEXELS            // textured, in one colour that lights every texel to itself: the
                            // texels as they are, with no table to look up
};

// How a span looks its texels up.
enum {
    TEX_NONE,
    TEX_AFFINE_POW2,        // constant w and a power-of-two texture: 16.16 fixed point that
                            // wraps in 32-bit arithmetic, exact on texel boundaries
    TEX_PERSPECTIVE_POW2,   // divide per pixel, wrap by masking
    TEX_PERSPECTIVE_ANY     // divide per pixel, wrap by remainder
};

// A texel channel (8 bits) lit by a colour channel (8 bits): full colour leaves the texel as
// it is, half colour halves it.
static inline uint32_t Modulate(uint32_t texel, uint32_t colour)
{
    return (texel * colour + 127) / 255;
}

static inline uint16_t Pack565(uint32_t r, uint32_t g, uint32_t b)
{
    return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Every texel channel lit by every colour channel, worked out once: red[colour][texel red] is
// the red bits of the pixel in place, and so on. A flat-coloured primitive reads one row of each
// table; a Gouraud one moves down the rows slowly, so the rows in use stay in the cache.
struct ModulateTables {
    uint16_t red[256][32], green[256][64], blue[256][32];
    // Colour channels that light every texel to itself, read off the rows above so that a
    // span skipping the tables cannot draw anything else: 253 to 255 for all three channels
    // (the game's white, 255 on the scene's 0..256 scale, arrives as 254), and 250 to 252 for
    // the 5-bit red and blue alone.
    bool keepsRed[256], keepsGreen[256], keepsBlue[256];
};

static ModulateTables MakeTables()
{
    ModulateTables t;
    for (uint32_t c = 0; c < 256; c++) {
        for (uint32_t texel = 0; texel < 32; texel++) {
            t.red[c][texel] = (uint16_t)((Modulate(Widen5(texel), c) >> 3) << 11);
            t.blue[c][texel] = (uint16_t)(Modulate(Widen5(texel), c) >> 3);
        }
        for (uint32_t texel = 0; texel < 64; texel++)
            t.green[c][texel] = (uint16_t)((Modulate(Widen6(texel), c) >> 2) << 5);
        t.keepsRed[c] = t.keepsGreen[c] = t.keepsBlue[c] = true;
        for (uint32_t texel = 0; texel < 32; texel++) {
            t.keepsRed[c] = t.keepsRed[c] && t.red[c][texel] == texel << 11;
            t.keepsBlue[c] = t.keepsBlue[c] && t.blue[c][texel] == texel;
        }
        for (uint32_t texel = 0; texel < 64; texel++)
            t.keepsGreen[c] = t.keepsGreen[c] && t.green[c][texel] == texel << 5;
    }
    return t;
}

static const ModulateTables &Tables()
{
    static const ModulateTables tables = MakeTables();
    return tables;
}

static inline double Clamp(double value, double low, double high)
{
    return value > low ? (value < high ? value : high) : low;
}

// The largest integer <= x, for |x| < 2^62 (the library's floor is a call on plain x86-64).
static inline int64_t FloorToInt(double x)
{
    const int64_t i = (int64_t)x;
    return i - (x < (double)i);
}

// The nearest integer to x, halves rounding up.
static inline int64_t RoundToInt(double x)
{
    return FloorToInt(x + 0.5);
}

// The step from `from` to `to` over a span whose last pixel is 1 / toEnd pixels after its first,
// truncated toward zero so that stepping never passes `to`.
static inline int64_t StepOf(int64_t from, int64_t to, double toEnd)
{
    return (int64_t)((double)(to - from) * toEnd);
}

// 16.16 fixed point of a depth-buffer value, clamp(z, 0, 1) * 65535 + 0.5 before truncation;
// unclamped, so that a span crossing the near or far plane keeps its slope. Beyond +-2^20 the
// value is held, which only changes spans of depths no vertex of the game ever has.
static inline int64_t DepthFixed(double z)
{
    return FloorToInt((Clamp(z, -1048576.0, 1048576.0) * 65535.0 + 0.5) * 65536.0);
}

static inline int32_t ColourFixed(double c)
{
    return (int32_t)((Clamp(c, 0.0, 255.0) + 0.5) * 65536.0);
}

// Smallest integer >= n / d, for d > 0.
static inline int64_t CeilDiv(int64_t n, int64_t d)
{
    int64_t q = n / d;
    return (n % d != 0 && n > 0) ? q + 1 : q;
}

// Depth-buffer values of the clamp's ends in 16.16 fixed point: clamp(z, 0, 1) * 65535 + 0.5.
static const int64_t DEPTH_NEAREST = 32768, DEPTH_FARTHEST = 4294934528LL;

// A run of a span's pixels whose depth is either clamped (step 0) or lies within the clamp's
// range throughout, so the pixel loop steps it in 32 bits with no clamp of its own.
struct DepthRun {
    int from, to;
    uint32_t z, dz;
};

// Splits a span of n pixels, depths zFirst to zLast, where its depth crosses the near or the
// far plane: at most three runs, in order. Returns how many.
static int DepthRuns(double zFirst, double zLast, int n, DepthRun *runs)
{
    const int64_t z0 = DepthFixed(zFirst);
    const int64_t dz = n > 1 ? StepOf(z0, DepthFixed(zLast), 1.0 / (n - 1)) : 0;
    const int64_t zn = z0 + (n - 1) * dz;
    if (z0 >= DEPTH_NEAREST && z0 <= DEPTH_FARTHEST && zn >= DEPTH_NEAREST &&
        zn <= DEPTH_FARTHEST) {
        runs[0] = {0, n, (uint32_t)z0, (uint32_t)dz};
        return 1;
    }
    // Pixels [inFrom, inTo) are within range; those before hold `before`, those after `after`.
    int64_t inFrom, inTo, before, after;
    if (dz >= 0) {
        before = DEPTH_NEAREST, after = DEPTH_FARTHEST;
        inFrom = z0 >= DEPTH_NEAREST ? 0 : dz == 0 ? n : CeilDiv(DEPTH_NEAREST - z0, dz);
        inTo = z0 > DEPTH_FARTHEST ? 0 : dz == 0 ? n : (DEPTH_FARTHEST - z0) / dz + 1;
    } else {
        before = DEPTH_FARTHEST, after = DEPTH_NEAREST;
        inFrom = z0 <= DEPTH_FARTHEST ? 0 : CeilDiv(z0 - DEPTH_FARTHEST, -dz);
        inTo = z0 < DEPTH_NEAREST ? 0 : (z0 - DEPTH_NEAREST) / -dz + 1;
    }
    inFrom = std::min<int64_t>(inFrom, n);
    inTo = std::max(inFrom, std::min<int64_t>(inTo, n));
    int count = 0;
    if (inFrom > 0)
        runs[count++] = {0, (int)inFrom, (uint32_t)before, 0};
    if (inTo > inFrom)
        runs[count++] = {(int)inFrom, (int)inTo, (uint32_t)(z0 + inFrom * dz), (uint32_t)dz};
    if (n > inTo)
        runs[count++] = {(int)inTo, n, (uint32_t)after, 0};
    return count;
}

// One row of pixels, left to right, n >= 1 pixels; s and e are the values at the first and the
// last pixel. Each kind of span is its own function, so the pixel loop carries no tests for
// features the primitive does not use.
template <int TEX, int SHADE, bool ZTEST, bool ZWRITE>
static void DrawSpan(const Pipe &p, uint16_t *colour, uint16_t *depth, int n, const Attr &s,
                     const Attr &e)
{
    const double toEnd = n > 1 ? 1.0 / (n - 1) : 0.0;
    constexpr bool GOURAUD = SHADE == SHADE_GOURAUD;

    // Depth and Gouraud colour step in fixed point from exact values at both ends; the steps
    // truncate toward zero, so no pixel lies beyond either end.
    DepthRun runs[3] = {{0, n, 0, 0}};
    int runCount = 1;
    if (ZTEST || ZWRITE)
        runCount = DepthRuns(s.z, e.z, n, runs);
    int32_t red = 0, green = 0, blue = 0, dRed = 0, dGreen = 0, dBlue = 0;
    if (GOURAUD) {
        red = ColourFixed(s.r), green = ColourFixed(s.g), blue = ColourFixed(s.b);
        if (n > 1) {
            dRed = (int32_t)StepOf(red, ColourFixed(e.r), toEnd);
            dGreen = (int32_t)StepOf(green, ColourFixed(e.g), toEnd);
            dBlue = (int32_t)StepOf(blue, ColourFixed(e.b), toEnd);
        }
    }

    // Affine texturing: 16.16 texels in unsigned 32-bit arithmetic, whose wrap-around is the
    // texture's wrap for any power-of-two size.
    uint32_t u = 0, v = 0, du = 0, dv = 0;
    if (TEX == TEX_AFFINE_POW2) {
        const int64_t u0 = RoundToInt(Clamp(s.u, -1.0, p.uLimit + 1.0) * 65536.0);
        const int64_t v0 = RoundToInt(Clamp(s.v, -1.0, p.vLimit + 1.0) * 65536.0);
        u = (uint32_t)u0, v = (uint32_t)v0;
        if (n > 1) {
            du = (uint32_t)StepOf(u0, RoundToInt(Clamp(e.u, -1.0, p.uLimit + 1.0) * 65536.0),
                                  toEnd);
            dv = (uint32_t)StepOf(v0, RoundToInt(Clamp(e.v, -1.0, p.vLimit + 1.0) * 65536.0),
                                  toEnd);
        }
    }

    // Perspective texturing: u*w, v*w and w step linearly; one division per pixel. They are
    // worked out from the pixel's index, not summed, so no error builds up along the span.
    float pw = 0, pu = 0, pv = 0, dpw = 0, dpu = 0, dpv = 0;
    if (TEX == TEX_PERSPECTIVE_POW2 || TEX == TEX_PERSPECTIVE_ANY) {
        pw = (float)s.w, pu = (float)s.u, pv = (float)s.v;
        dpw = (float)((e.w - s.w) * toEnd);
        dpu = (float)((e.u - s.u) * toEnd);
        dpv = (float)((e.v - s.v) * toEnd);
    }
    // The pipe's values in locals: the compiler cannot tell that the pixel stores leave them be.
    const float uLimit = p.uLimit, vLimit = p.vLimit;
    const ModulateTables &tables = *p.tables;
    const uint16_t *const texels = p.texels;
    const int32_t uMask = (int32_t)p.uMask, vMask = (int32_t)p.vMask;
    const int rowShift = p.rowShift;
    const int32_t texWidth = p.texWidth, texHeight = p.texHeight;
    const uint16_t *const modRed = p.modRed, *const modGreen = p.modGreen,
                          *const modBlue = p.modBlue;
    const uint32_t flatPixel = p.flatPixel;
    const bool colourKey = p.colourKey;
    const bool perspective = TEX == TEX_PERSPECTIVE_POW2 || TEX == TEX_PERSPECTIVE_ANY;

    // Perspective spans go in chunks: first the texel of every pixel of the chunk, a loop of
    // plain arithmetic that the compiler does four pixels at a time, then the pixels themselves.
    enum { CHUNK = 16 };
    for (int run = 0; run < runCount; run++) {
        uint32_t z = runs[run].z;
        const uint32_t dz = runs[run].dz;
        for (int first = runs[run].from; first < runs[run].to; first += CHUNK) {
            alignas(16) int32_t columns[CHUNK], rows[CHUNK];
            if (perspective) {
                for (int j = 0; j < CHUNK; j++) {
                    const float k = (float)(first + j);
                    const float q = 1.0f / (pw + dpw * k);
                    float tu = (pu + dpu * k) * q, tv = (pv + dpv * k) * q;
                    // Coordinates were moved to be positive at every vertex, so truncation
                    // is the floor; the clamp only guards against rounding in slivers (and
                    // NaN), and the pixels past the span's end that the last chunk works out
                    // for nothing.
                    tu = tu > 0.0f ? (tu < uLimit ? tu : uLimit) : 0.0f;
                    tv = tv > 0.0f ? (tv < vLimit ? tv : vLimit) : 0.0f;
                    columns[j] = (int32_t)tu, rows[j] = (int32_t)tv;
                    if (TEX == TEX_PERSPECTIVE_POW2)
                        columns[j] = ((rows[j] & vMask) << rowShift) | (columns[j] & uMask);
                }
            }
            const int last = runs[run].to - first < CHUNK ? runs[run].to : first + CHUNK;
            for (int i = first; i < last; i++) {
                uint32_t d = 0;
                if (ZTEST || ZWRITE) {
                    d = z >> 16;
                    z += dz;
                    if (ZTEST && d > depth[i])
                        goto next;
                }
                {
                    uint32_t pixel;
                    if (TEX == TEX_NONE) {
                        if (GOURAUD)
                            pixel = Pack565((uint32_t)red >> 16, (uint32_t)green >> 16,
                                            (uint32_t)blue >> 16);
                        else
                            pixel = flatPixel;
                    } else {
                        uint32_t texel;
                        if (TEX == TEX_AFFINE_POW2)
                            texel = texels[(((int32_t)(v >> 16) & vMask) << rowShift) |
                                           ((int32_t)(u >> 16) & uMask)];
                        else if (TEX == TEX_PERSPECTIVE_POW2)
                            texel = texels[columns[i - first]];
                        else
                            texel = texels[rows[i - first] % texHeight * texWidth +
                                           columns[i - first] % texWidth];
                        if (colourKey && texel == 0)
                            goto next;
                        if (GOURAUD)
                            pixel = tables.red[(uint32_t)red >> 16][texel >> 11] |
                                    tables.green[(uint32_t)green >> 16][(texel >> 5) & 63] |
                                    tables.blue[(uint32_t)blue >> 16][texel & 31];
                        else if (SHADE == SHADE_TEXELS)
                            pixel = texel;
                        else
                            pixel = modRed[texel >> 11] | modGreen[(texel >> 5) & 63] |
                                    modBlue[texel & 31];
                    }
                    colour[i] = (uint16_t)pixel;
                    if (ZWRITE)
                        depth[i] = (uint16_t)d;
                }
            next:
                if (GOURAUD)
                    red += dRed, green += dGreen, blue += dBlue;
                if (TEX == TEX_AFFINE_POW2)
                    u += du, v += dv;
            }
        }
    }
}

typedef void (*SpanFunction)(const Pipe &, uint16_t *, uint16_t *, int, const Attr &,
                             const Attr &);

template <int TEX, int SHADE>
static SpanFunction ChooseDepth(bool test, bool write)
{
    if (test)
        return write ? DrawSpan<TEX, SHADE, true, true> : DrawSpan<TEX, SHADE, true, false>;
    return write ? DrawSpan<TEX, SHADE, false, true> : DrawSpan<TEX, SHADE, false, false>;
}

template <int TEX>
static SpanFunction ChooseColour(int shade, bool test, bool write)
{
    switch (shade) {
    case SHADE_GOURAUD:
        return ChooseDepth<TEX, SHADE_GOURAUD>(test, write);
    case SHADE_TEXELS:
        return ChooseDepth<TEX, SHADE_TEXELS>(test, write);
    default:
        return ChooseDepth<TEX, SHADE_FLAT>(test, write);
    }
}

static SpanFunction ChooseSpan(int tex, int shade, bool test, bool write)
{
    switch (tex) {
    case TEX_AFFINE_POW2:
        return ChooseColour<TEX_AFFINE_POW2>(shade, test, write);
    case TEX_PERSPECTIVE_POW2:
        return ChooseColour<TEX_PERSPECTIVE_POW2>(shade, test, write);
    case TEX_PERSPECTIVE_ANY:
        return ChooseColour<TEX_PERSPECTIVE_ANY>(shade, test, write);
    default:    // untextured: a flat colour is its pixel, with no texels to keep
        return ChooseColour<TEX_NONE>(shade == SHADE_TEXELS ? SHADE_FLAT : shade, test, write);
    }
}

// Everything about a primitive that its vertices do not change: target, texture and states.
struct Primitive {
    const RasterTarget *target;
    bool textured, powerOfTwo;
    bool depthTest, depthWrite;
    bool gouraud;
    uint32_t flatColour;
    Pipe pipe;
};

// A primitive of one colour: untextured, its pixel; textured, its rows of the tables.
static void SetFlatColour(Pipe &p, uint32_t colour)
{
    const uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    p.flatPixel = Pack565(r, g, b);
    p.modRed = p.tables->red[r], p.modGreen = p.tables->green[g], p.modBlue = p.tables->blue[b];
    p.keepsTexels = p.tables->keepsRed[r] && p.tables->keepsGreen[g] && p.tables->keepsBlue[b];
}

static bool ValidTarget(const RasterTarget &target)
{
    return target.colour && target.width > 0 && target.height > 0 &&
           target.colourPitch >= target.width &&
           (!target.depth || target.depthPitch >= target.width);
}

static void StartPrimitive(Primitive &prim, const RasterTarget &target, const RasterState &state,
                           uint32_t firstColour)
{
    prim.target = &target;
    const RasterTexture *texture = state.texture;
    prim.textured = texture && texture->texels && texture->width > 0 && texture->height > 0;
    prim.depthTest = target.depth && state.depthTest;
    prim.depthWrite = target.depth && state.depthWrite;
    prim.gouraud = state.gouraud;
    prim.flatColour = firstColour;

    Pipe &p = prim.pipe;
    p = Pipe();
    p.colourKey = state.colourKey;
    p.tables = &Tables();
    SetFlatColour(p, firstColour);
    prim.powerOfTwo = false;
    if (prim.textured) {
        p.texels = texture->texels;
        p.texWidth = texture->width;
        p.texHeight = texture->height;
        prim.powerOfTwo = (texture->width & (texture->width - 1)) == 0 &&
                          (texture->height & (texture->height - 1)) == 0;
        if (prim.powerOfTwo) {
            p.uMask = (uint32_t)texture->width - 1;
            p.vMask = (uint32_t)texture->height - 1;
            while ((1 << p.rowShift) < texture->width)
                p.rowShift++;
        }
    }
}

static bool Finite(float value)
{
    return std::isfinite(value);
}

// The comparisons with MAX_COORD are false for NaN and the infinities as well.
static bool UsablePosition(const TLVertex &v)
{
    return std::fabs(v.sx) <= MAX_COORD && std::fabs(v.sy) <= MAX_COORD && Finite(v.sz);
}

static double Channel(uint32_t colour, int shift)
{
    return (double)((colour >> shift) & 0xFF);
}

// The texture coordinates of a primitive's vertices in texels, moved by whole texture widths
// so that the smallest is in [0, 1) texture: wrapping makes that the same picture, and positive
// coordinates let the pixel loop take the floor by truncation. Also decides whether the
// primitive is drawn with a division per pixel (its vertices' reciprocal w differ) or without.
// False when the coordinates cannot be used.
static bool TexelCoordinates(Primitive &prim, const TLVertex *const *v, int count, double *u,
                             double *vv, double *w, bool *affine)
{
    double minU = INFINITY, minV = INFINITY;
    bool usableW = true, sameW = true;
    for (int i = 0; i < count; i++) {
        if (!(std::fabs(v[i]->tu) < MAX_TURNS) || !(std::fabs(v[i]->tv) < MAX_TURNS) ||
            !Finite(v[i]->rhw))
            return false;
        minU = std::min(minU, (double)v[i]->tu);
        minV = std::min(minV, (double)v[i]->tv);
        if (!(v[i]->rhw > 0.0f))
            usableW = false;
        if (v[i]->rhw != v[0]->rhw)
            sameW = false;
    }
    // A reciprocal w of zero or below has no perspective to correct: affine.
    *affine = sameW || !usableW;
    const double width = prim.pipe.texWidth, height = prim.pipe.texHeight;
    const double shiftU = (double)FloorToInt(minU), shiftV = (double)FloorToInt(minV);
    double maxU = 0.0, maxV = 0.0;
    for (int i = 0; i < count; i++) {
        u[i] = ((double)v[i]->tu - shiftU) * width;
        vv[i] = ((double)v[i]->tv - shiftV) * height;
        w[i] = *affine ? 1.0 : (double)v[i]->rhw;
        maxU = std::max(maxU, u[i]);
        maxV = std::max(maxV, vv[i]);
    }
    if (!(maxU < MAX_TEXEL_SPAN) || !(maxV < MAX_TEXEL_SPAN))
        return false;
    prim.pipe.uLimit = (float)(maxU + 1.0);
    prim.pipe.vLimit = (float)(maxV + 1.0);
    for (int i = 0; i < count; i++)
        u[i] *= w[i], vv[i] *= w[i];
    return true;
}

static int TextureMode(const Primitive &prim, bool affine)
{
    if (!prim.textured)
        return TEX_NONE;
    if (!prim.powerOfTwo)
        return TEX_PERSPECTIVE_ANY;
    return affine ? TEX_AFFINE_POW2 : TEX_PERSPECTIVE_POW2;
}

// The rows of pixel centres from the highest snapped row `highest` down to the lowest `lowest`,
// clipped to the target: the first row at or below the one, the last at or above the other (the
// arithmetic shift is the floor for negative values as well). top > bottom: there are none.
static void RowsCovered(const RasterTarget &target, int64_t highest, int64_t lowest, int64_t *top,
                        int64_t *bottom)
{
    *top = std::max<int64_t>(-(-highest >> SUBPIXEL_BITS), 0);
    *bottom = std::min<int64_t>(lowest >> SUBPIXEL_BITS, target.height - 1);
}

// How a primitive's pixels take their colour; for a flat one, once SetFlatColour has run.
static int ShadeOf(const Pipe &p, bool gouraud)
{
    if (gouraud)
        return SHADE_GOURAUD;
    return p.keepsTexels ? SHADE_TEXELS : SHADE_FLAT;
}

// What every row of a triangle is drawn with: its attribute planes and its kind of span.
struct Shading {
    double x0, y0;          // the first vertex, where the planes take their base values
    Plane planes[7];        // z, r, g, b, w, u, v: the order of Attr
    int planeCount;
    SpanFunction span;
};

// The attribute planes, over the snapped positions X, Y so that each vertex's own pixel gets
// exactly its values, and the span that draws them. False when the triangle cannot be drawn:
// texture coordinates out of reach, or planes that are not finite.
static bool StartShading(Primitive &prim, const TLVertex *const v[3], const int64_t X[3],
                         const int64_t Y[3], Shading &shading)
{
    double x[3], y[3];
    for (int i = 0; i < 3; i++)
        x[i] = (double)X[i] / SUBPIXEL, y[i] = (double)Y[i] / SUBPIXEL;
    const double x10 = x[1] - x[0], y10 = y[1] - y[0], x20 = x[2] - x[0], y20 = y[2] - y[0];
    const double areaPixels = x10 * y20 - x20 * y10;
    auto plane = [&](double a0, double a1, double a2) {
        Plane pl;
        pl.base = a0;
        pl.dx = ((a1 - a0) * y20 - (a2 - a0) * y10) / areaPixels;
        pl.dy = ((a2 - a0) * x10 - (a1 - a0) * x20) / areaPixels;
        return pl;
    };

    shading = Shading();    // a flat textured triangle keeps its colour planes at zero
    Plane *planes = shading.planes;
    shading.x0 = x[0], shading.y0 = y[0];
    shading.planeCount = 1;
    planes[0] = plane(v[0]->sz, v[1]->sz, v[2]->sz);

    const uint32_t ca = v[0]->color, cb = v[1]->color, cc = v[2]->color;
    const bool gouraud = prim.gouraud && (((ca ^ cb) & 0xFFFFFF) || ((ca ^ cc) & 0xFFFFFF));
    if (gouraud) {
        for (int ch = 0; ch < 3; ch++) {
            int shift = 16 - 8 * ch;
            planes[1 + ch] =
                plane(Channel(ca, shift), Channel(cb, shift), Channel(cc, shift));
        }
        shading.planeCount = 4;
    }

    bool affine = true;
    if (prim.textured) {
        double u[3], vv[3], w[3];
        if (!TexelCoordinates(prim, v, 3, u, vv, w, &affine))
            return false;
        planes[4] = plane(w[0], w[1], w[2]);
        planes[5] = plane(u[0], u[1], u[2]);
        planes[6] = plane(vv[0], vv[1], vv[2]);
        shading.planeCount = 7;
    }
    for (int i = 0; i < shading.planeCount; i++)
        if (!std::isfinite(planes[i].dx) || !std::isfinite(planes[i].dy))
            return false;

    Pipe &p = prim.pipe;
    if (!gouraud)
        SetFlatColour(p, prim.gouraud ? ca : prim.flatColour);
    shading.span = ChooseSpan(TextureMode(prim, affine), ShadeOf(p, gouraud), prim.depthTest,
                              prim.depthWrite);
    return true;
}

// The attributes at pixel centre (px, py).
static void Evaluate(const Shading &shading, double px, double py, Attr &out)
{
    double *values = &out.z;
    const double dxp = px - shading.x0, dyp = py - shading.y0;
    for (int i = 0; i < shading.planeCount; i++) {
        const Plane &pl = shading.planes[i];
        values[i] = pl.base + pl.dx * dxp + pl.dy * dyp;
    }
}

static void DrawTriangle(Primitive &prim, const TLVertex &a, const TLVertex &b, const TLVertex &c)
{
    const TLVertex *v[3] = {&a, &b, &c};
    for (const TLVertex *vertex : v)
        if (!UsablePosition(*vertex))
            return;

    // The rows first: a triangle between two rows of pixel centres is done with before its
    // columns are snapped.
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; i++)
        Y[i] = RoundToInt((double)v[i]->sy * SUBPIXEL);
    const RasterTarget &t = *prim.target;
    int64_t top, bottom;
    RowsCovered(t, std::min(Y[0], std::min(Y[1], Y[2])), std::max(Y[0], std::max(Y[1], Y[2])),
                &top, &bottom);
    if (top > bottom)
        return;

    for (int i = 0; i < 3; i++)
        X[i] = RoundToInt((double)v[i]->sx * SUBPIXEL);
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0)
        return;

    // Edge i runs from vertex i to vertex i+1; E(X, Y) = ea * (X - Xi) + eb * (Y - Yi) is
    // positive inside whichever the winding. A pixel centre exactly on an edge belongs to the
    // triangle when the edge is a left edge (ea > 0: the inside lies to its right) or a top edge
    // (ea == 0, eb > 0: the inside lies below it, rows counting down).
    const int64_t sign = area > 0 ? 1 : -1;
    int64_t ea[3], eb[3];
    for (int i = 0; i < 3; i++) {
        int j = (i + 1) % 3;
        ea[i] = sign * (Y[i] - Y[j]);
        eb[i] = sign * (X[j] - X[i]);
    }

    // Edge values along the row's pixel centres: E = A * x + K with x in whole pixels.
    int64_t A[3], K[3];
    for (int i = 0; i < 3; i++) {
        A[i] = ea[i] * (int64_t)SUBPIXEL;
        K[i] = eb[i] * ((top << SUBPIXEL_BITS) - Y[i]) - ea[i] * X[i];
    }

    // Most of the triangles that get this far are slivers that still cover no pixel centre,
    // so the shading is worked out only once a row turns out to have pixels.
    Shading shading;
    bool shaded = false;
    Attr s = {}, e = {};
    for (int64_t row = top; row <= bottom; row++) {
        int64_t left = 0, right = t.width;
        bool empty = false;
        for (int i = 0; i < 3; i++) {
            if (A[i] > 0) {
                int64_t l = CeilDiv(-K[i], A[i]);
                if (l > left)
                    left = l;
            } else if (A[i] < 0) {
                int64_t r = CeilDiv(K[i], -A[i]);
                if (r < right)
                    right = r;
            } else if (eb[i] > 0 ? K[i] < 0 : K[i] <= 0) {
                empty = true;
            }
            K[i] += eb[i] * (int64_t)SUBPIXEL;
        }
        if (empty || left >= right)
            continue;
        if (!shaded) {
            if (!StartShading(prim, v, X, Y, shading))
                return;
            shaded = true;
        }
        const int x0 = (int)left, n = (int)(right - left);
        Evaluate(shading, (double)x0, (double)row, s);
        Evaluate(shading, (double)(x0 + n - 1), (double)row, e);
        uint16_t *depthRow = t.depth ? t.depth + (size_t)row * t.depthPitch + x0 : nullptr;
        shading.span(prim.pipe, t.colour + (size_t)row * t.colourPitch + x0, depthRow, n, s, e);
    }
}

// Two thirds of a frame's fans are faces of distant models lying wholly between two rows of
// pixel centres: one look at their vertices settles them, before any triangle is set up. A
// vertex that cannot be used drops only its own triangles, so it does not count.
static bool FanMissesEveryRow(const RasterTarget &target, const TLVertex *vertices, int count)
{
    int64_t highest = INT64_MAX, lowest = INT64_MIN;
    for (int i = 0; i < count; i++) {
        if (!UsablePosition(vertices[i]))
            continue;
        const int64_t y = RoundToInt((double)vertices[i].sy * SUBPIXEL);
        highest = std::min(highest, y);
        lowest = std::max(lowest, y);
    }
    if (highest > lowest)
        return true;    // no usable vertex at all
    int64_t top, bottom;
    RowsCovered(target, highest, lowest, &top, &bottom);
    return top > bottom;
}

void Raster_DrawTriangleFan(const RasterTarget &target, const RasterState &state,
                            const TLVertex *vertices, int count)
{
    if (!vertices || count < 3 || !ValidTarget(target) ||
        FanMissesEveryRow(target, vertices, count))
        return;
    Primitive prim;
    StartPrimitive(prim, target, state, vertices[0].color);
    for (int i = 1; i + 1 < count; i++)
        DrawTriangle(prim, vertices[0], vertices[i], vertices[i + 1]);
}

// A line steps one pixel at a time along its longer axis, from the pixel nearest its first end
// up to, but not including, the pixel nearest its last end; across, it takes the pixel nearest
// the line. Each pixel goes through the same span code as the triangles, as a span of one.
static void DrawLine(Primitive &prim, const TLVertex &a, const TLVertex &b)
{
    if (!UsablePosition(a) || !UsablePosition(b))
        return;
    const TLVertex *v[2] = {&a, &b};
    double u[2] = {0, 0}, vv[2] = {0, 0}, w[2] = {1, 1};
    bool affine = true;
    if (prim.textured && !TexelCoordinates(prim, v, 2, u, vv, w, &affine))
        return;

    const double x0 = a.sx, y0 = a.sy, dx = (double)b.sx - a.sx, dy = (double)b.sy - a.sy;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const double majorLength = xMajor ? dx : dy, minorLength = xMajor ? dy : dx;
    const int64_t first = RoundToInt(major0);
    const int64_t last = RoundToInt(major0 + majorLength);
    if (first == last)
        return;
    const int64_t step = last > first ? 1 : -1;
    const RasterTarget &t = *prim.target;
    const int64_t majorSize = xMajor ? t.width : t.height, minorSize = xMajor ? t.height : t.width;

    // Only the steps that land inside the target along the major axis.
    int64_t kFirst = 0, kLast = (last - first) * step - 1;
    if (step > 0) {
        kFirst = std::max(kFirst, -first);
        kLast = std::min(kLast, majorSize - 1 - first);
    } else {
        kFirst = std::max(kFirst, first - (majorSize - 1));
        kLast = std::min(kLast, first);
    }

    const bool gouraud = prim.gouraud && ((a.color ^ b.color) & 0xFFFFFF) != 0;
    Pipe &p = prim.pipe;
    if (!gouraud)
        SetFlatColour(p, prim.gouraud ? a.color : prim.flatColour);
    const SpanFunction span = ChooseSpan(TextureMode(prim, affine), ShadeOf(p, gouraud),
                                         prim.depthTest, prim.depthWrite);

    for (int64_t k = kFirst; k <= kLast; k++) {
        const int64_t major = first + k * step;
        const double f = ((double)major - major0) / majorLength;
        const int64_t minor = RoundToInt(minor0 + f * minorLength);
        if (minor < 0 || minor >= minorSize)
            continue;
        const double along = Clamp(f, 0.0, 1.0);
        auto mix = [along](double from, double to) { return from + (to - from) * along; };
        Attr at;
        at.z = mix(a.sz, b.sz);
        at.r = mix(Channel(a.color, 16), Channel(b.color, 16));
        at.g = mix(Channel(a.color, 8), Channel(b.color, 8));
        at.b = mix(Channel(a.color, 0), Channel(b.color, 0));
        at.w = mix(w[0], w[1]);
        at.u = mix(u[0], u[1]);
        at.v = mix(vv[0], vv[1]);
        const int64_t px = xMajor ? major : minor, py = xMajor ? minor : major;
        uint16_t *depth = t.depth ? t.depth + (size_t)py * t.depthPitch + px : nullptr;
        span(p, t.colour + (size_t)py * t.colourPitch + px, depth, 1, at, at);
    }
}

void Raster_DrawLineStrip(const RasterTarget &target, const RasterState &state,
                          const TLVertex *vertices, int count)
{
    if (!vertices || count < 2 || !ValidTarget(target))
        return;
    Primitive prim;
    StartPrimitive(prim, target, state, vertices[0].color);
    for (int i = 0; i + 1 < count; i++)
        DrawLine(prim, vertices[i], vertices[i + 1]);
}
