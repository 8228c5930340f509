// font.cpp -- renders the screen text's characters into the cells of the font texture.
#include "font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

// Found when the build is configured (tools/assetgen/CMakeLists.txt).
const char *const FONT_FILE = ZARKRIDE_TEXT_FONT;

// A character is drawn as a 15 x 15 pixel square showing the top 15 texel rows of its cell, and
// 16 texels across starting half a texel in; linear filtering on the hardware device also reads
// one texel past the right edge and above the top. The glyph is therefore kept inside columns
// 1..14 and rows 0..14, so no neighbouring cell ever bleeds into a character.
enum { GLYPH_LEFT = 1, GLYPH_RIGHT = 14, GLYPH_BOTTOM = 14 };
// Size and placement: capitals stand 10 rows tall on the baseline under row 11, descenders
// fill rows 12..14 and brackets reach up to row 1. The monospaced letters are widened so that text at the screen's 16-pixel
// pitch reads as words rather than spaced-out letters.
enum { PIXEL_SIZE = 14, BASELINE_ROW = 12 };
static const double WIDEN = 1.75;

int Font_CellX(int code)
{
    return (code % 16) * FONT_CELL;
}

int Font_CellY(int code)
{
    return ((code + 128) / 16) * FONT_CELL;
}

std::string Font_PrintableAscii()
{
    std::string characters;
    for (int c = 32; c <= 126; c++)
        characters += char(c);
    return characters;
}

static std::string FreeTypeError(const char *what, const char *fontPath, FT_Error code)
{
    const char *text = FT_Error_String(code);
    return std::string(what) + " " + fontPath + " (FreeType error " + std::to_string(code) +
           (text ? std::string(": ") + text : std::string()) + ")";
}

static void DrawGlyph(const FT_GlyphSlot slot, int code, Image *out)
{
    const FT_Bitmap &bitmap = slot->bitmap;
    int cellX = Font_CellX(code), cellY = Font_CellY(code);
    // Centre the advance in the cell so that the letters of a word keep their even spacing.
    int advance = int((slot->advance.x + 32) >> 6);
    int originX = (FONT_CELL - advance) / 2;
    for (unsigned row = 0; row < bitmap.rows; row++)
        for (unsigned col = 0; col < bitmap.width; col++) {
            int x = originX + slot->bitmap_left + int(col);
            int y = BASELINE_ROW - slot->bitmap_top + int(row);
            if (x < GLYPH_LEFT || x > GLYPH_RIGHT || y < 0 || y > GLYPH_BOTTOM)
                continue;
            uint8_t value = bitmap.buffer[row * bitmap.pitch + col];
            uint8_t *texel = out->At(cellX + x, cellY + y);
            texel[0] = texel[1] = texel[2] = value;
            texel[3] = 255;
        }
}

bool Font_Render(const char *fontPath, const std::string &characters, Image *out,
                 std::string *error)
{
    *out = Image(FONT_SIDE, FONT_SIDE);
    for (int i = 0; i < FONT_SIDE * FONT_SIDE; i++)
        out->rgba[i * 4 + 3] = 255;

    FT_Library library;
    FT_Error code = FT_Init_FreeType(&library);
    if (code) {
        *error = FreeTypeError("cannot start FreeType for", fontPath, code);
        return false;
    }
    FT_Face face;
    code = FT_New_Face(library, fontPath, 0, &face);
    if (code) {
        *error = FreeTypeError("cannot open the font", fontPath, code);
        FT_Done_FreeType(library);
        return false;
    }
    bool ok = true;
    code = FT_Set_Pixel_Sizes(face, 0, PIXEL_SIZE);
    if (code) {
        *error = FreeTypeError("cannot size the font", fontPath, code);
        ok = false;
    }
    FT_Matrix widen = {FT_Fixed(WIDEN * 0x10000), 0, 0, 0x10000};
    FT_Set_Transform(face, &widen, nullptr);
    for (size_t i = 0; ok && i < characters.size(); i++) {
        int c = (unsigned char)characters[i];
        if (c < 1 || c > 127) {
            *error = "character code " + std::to_string(c) + " has no cell in the font texture";
            ok = false;
            break;
        }
        FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong(c));
        if (glyph == 0) {
            *error = std::string("the font ") + fontPath + " has no glyph for character " +
                     std::to_string(c);
            ok = false;
            break;
        }
        // Unhinted outlines: the texture comes out the same whatever hinting the machine's
        // FreeType was built or set up with.
        code = FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER);
        if (code) {
            *error = FreeTypeError(("cannot render character " + std::to_string(c) + " of").c_str(),
                                   fontPath, code);
            ok = false;
            break;
        }
        if (face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
            *error = std::string("the font ") + fontPath + " gave no grey-level glyph image";
            ok = false;
            break;
        }
        DrawGlyph(face->glyph, c, out);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
}
