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
#include "painter.h"

enum { WIDTH = TITLE_WIDTH, HEIGHT = TITLE_HEIGHT };

// The bold face of the family the game's screen text uses, found when the build is configured.
static const char *const TITLE_FONT = ZARKRIDE_TITLE_FONT;

// --- The arena ------------------------------------------------------------------------------

// The cycles' shells, side-on: long and low.
static const float SHELL[SHELL_CORNERS][2] = {
    {0.00f, 0.42f}, {0.44f, 0.14f}, {1.56f, 0.14f}, {2.00f, 0.38f}, {1.97f, 0.52f}, {1.68f, 0.74f},
    {1.20f, 0.86f}, {0.80f, 0.93f}, {0.40f, 0.91f}, {0.18f, 0.83f}, {0.06f, 0.68f}};

// Screen units are pixels, three by three rays each. The eye sits low over the floor looking
// straight down the arena. The horizon is raised above the middle of the picture: the floor
// and its cycles fill the lower part, the sky above leaves room for the name. Fine lines; the
// arena's far wall closes the view.
static const PainterStyle ARENA = {
    WIDTH, HEIGHT, 1.0f, 3, nullptr,
    {520.0f, 320.0f, 238.0f, 1.25f, 0.0f, true},   // eye: focal, centre, horizon, height, yaw
    {
        // Cyan, near: down the left side of the arena, then a hard right across the view.
        {{0.15f, 0.85f, 1.0f}, {{-4.0f, 58.0f}, {-4.0f, 6.2f}, {-1.6f, 6.2f}}},
        // Orange: down the right side, cutting left across the cyan cycle's path further off.
        {{1.0f, 0.48f, 0.08f}, {{5.0f, 58.0f}, {5.0f, 11.5f}, {3.2f, 11.5f}}},
        // Magenta, far off on the left: a zigzag, seen over the cyan wall.
        {{1.0f, 0.16f, 0.78f},
         {{-22.0f, 44.0f}, {-15.0f, 44.0f}, {-15.0f, 30.0f}, {-11.0f, 30.0f}, {-11.0f, 24.0f},
          {-8.5f, 24.0f}}},
    },
    {0.55f, 0.05f, 0.02f, 0.40f, 0.55f, 0.55f, 0.45f, 0.35f},   // walls
    {SHELL, 0.03f, 0.44f, 1.56f, 0.40f, 0.40f, 0.035f, {0.02f, 0.02f, 0.05f}, 0.10f, 0.3f, 0.11f,
     0.68f, 0.09f, 1.90f, 0.45f, 0.5f, 1.4f, 1.2f, 1.0f, 1.5f},   // cycles
    // The sky gives off no glow; stars from 20 rows over the horizon, fading in over 90 more.
    {14.0f, {0.0f, 0.0f, 0.0f}, 0.0f, 0.9965f, 19.5f, 109.5f},
    {0.0f, 0.6f, 2.0f, 7.0f, 1.0f, 0.35f, 0.22f, 0.22f},   // floor
    {38.0f, 60.0f, 1.6f, 0.0f},   // fog, far wall
    {2.5f, 12.0f, true},   // bloom
};

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

bool Title_Paint(Image *out, std::string *error)
{
    Canvas picture, glow, tight, wide;
    std::vector<float> cover;
    Mask letters(WIDTH * HEIGHT, 0.0f);
    Painter_Trace(ARENA, &picture, &glow, &cover);
    if (!PaintName(&picture, &glow, &letters, error))
        return false;

    // Bloom: a tight halo and a wide one, so neon lines glow into the dark around them.
    Painter_Bloom(ARENA, glow, &tight, &wide);
    // The band the game writes its two lines on: near-black, the arena fading into it.
    const Colour band = {0.015f, 0.015f, 0.03f};
    *out = Image(WIDTH, HEIGHT);
    for (int y = 0; y < HEIGHT; y++)
        for (int x = 0; x < WIDTH; x++) {
            int i = y * WIDTH + x;
            // The letters' faces stand in front of the glow, so their chrome stays crisp.
            Colour c = picture[i] + (tight[i] * 0.7f + wide[i] * 0.8f) * (1.0f - letters[i]);
            float fade = Smooth(TITLE_BAND_TOP - 34.0f, TITLE_BAND_TOP - 2.0f, float(y));
            c = Mix(Whiten(c), band, fade);
            if (y >= TITLE_BAND_TOP)
                c = band;
            uint8_t *texel = out->At(x, y);
            PutRgb(texel, c);
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
