// icon.cpp -- paints the game's icon: a neon cycle and its wall on the arena's grid.
#include "icon.h"

#include <algorithm>
#include <cmath>

#include <png.h>

#include "output.h"
#include "painter.h"

// The title picture's palette, so the icon and the game's first screen read as one.
static const Colour CYAN = {0.15f, 0.85f, 1.0f};
static const Colour NEON = {1.0f, 0.22f, 0.80f};
static const Colour ORANGE = {1.0f, 0.48f, 0.08f};

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

// --- The scene ------------------------------------------------------------------------------

// The cycle's shell, side-on: a touch taller than the title's, to read at a small size.
static const float SHELL[SHELL_CORNERS][2] = {
    {0.02f, 0.42f}, {0.40f, 0.20f}, {1.60f, 0.20f}, {1.98f, 0.38f}, {1.95f, 0.50f}, {1.66f, 0.70f},
    {1.20f, 0.84f}, {0.78f, 0.92f}, {0.38f, 0.90f}, {0.14f, 0.80f}, {0.04f, 0.64f}};

// Screen units are icon widths; many rays a pixel at the small size, where every edge counts,
// fewer where pixels are small. The eye sits a little above a cycle's height, looking along
// the arena turned to the left, so that a cycle crossing the view to the right comes a little
// towards it and its wall runs off into the distance on the left. The horizon runs above the
// middle so the floor fills most of the plate; a thin neon line marks the arena's far edge.
// Bolder lines than the title's, so the small size stays readable; beyond the plate is the
// desktop, so the glow fades out there.
static PainterStyle IconScene(int size)
{
    return {
        size, size, float(size), std::max(3, 384 / size), Plate,
        {1.4f, 0.5f, 0.30f, 1.45f, 0.6f, false},   // eye: focal, centre, horizon, height, yaw
        // The player's cyan cycle, close and nearly side-on, its wall running off into the
        // distance on the left; far off on the right a rival's orange cycle comes the other way.
        {{CYAN, {{-60.0f, 3.4f}, {-3.3f, 3.4f}}}, {ORANGE, {{12.0f, 18.0f}, {-8.2f, 18.0f}}}},
        {0.7f, 0.06f, 0.03f, 0.45f, 0.6f, 0.6f, 0.4f, 0.4f},   // walls
        {SHELL, 0.04f, 0.46f, 1.54f, 0.39f, 0.39f, 0.05f, {0.02f, 0.03f, 0.07f}, 0.14f, 0.35f,
         0.13f, 0.70f, 0.10f, 1.88f, 0.46f, 0.55f, 1.5f, 1.25f, 1.1f, 1.8f},   // cycles
        // The sky glows a little; its stars only where pixels are small enough to show them.
        {9.0f, {0.30f, 0.05f, 0.25f}, 6.0f, size >= ICON_MEDIUM ? 0.994f : 1.0f, 0.08f, 0.25f},
        {0.025f, 0.5f, 1.5f, 5.0f, 0.85f, 0.3f, 0.25f, 0.15f},   // floor
        {22.0f, 0.0f, 0.0f, 1.1f},   // fog, no far wall, the horizon's line
        {0.012f, 0.05f, false},   // bloom
    };
}

// --- Glow and finish ------------------------------------------------------------------------

Image Icon_Paint(int size)
{
    PainterStyle style = IconScene(size);
    float pixel = 1.0f / style.scale;
    Canvas picture, glow, tight, wide;
    std::vector<float> cover;
    Painter_Trace(style, &picture, &glow, &cover);
    // Bloom: a tight halo and a wide one, so neon lines glow into the dark around them.
    Painter_Bloom(style, glow, &tight, &wide);
    Image out(size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            size_t at = size_t(y) * size + x;
            float u = (x + 0.5f) * pixel, v = (y + 0.5f) * pixel;
            Colour c = picture[at] + tight[at] * 0.7f + wide[at] * 0.8f;
            // A bright rim just inside the plate's edge sets it off against dark panels.
            float rim = Smooth(1.3f * pixel, 0.3f * pixel, std::fabs(Plate(u, v) + pixel));
            c = Mix(c, Mix(NEON, CYAN, v) * 0.9f, rim * 0.7f);
            uint8_t *texel = out.At(x, y);
            PutRgb(texel, Whiten(c));
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
