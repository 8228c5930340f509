// The font texture: each printable character in the cell the screen text samples, inside the
// rows and columns a drawn character shows, and nothing anywhere else.
#include <gtest/gtest.h>

#include <algorithm>

#include "font.h"

// Cell of code c, as the screen text finds it: row (c + 128) / 16, column c % 16, 16 texels each.
static int CellLeft(int c) { return c % 16 * 16; }
static int CellTop(int c) { return (c + 128) / 16 * 16; }

static int Brightest(const Image &image, int x0, int y0, int x1, int y1)
{
    int most = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            for (int c = 0; c < 3; c++)
                most = std::max(most, int(image.At(x, y)[c]));
    return most;
}

class FontTexture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(Font_Render(FONT_FILE, Font_PrintableAscii(), &font, &error)) << error;
    }
    static Image font;
};
Image FontTexture::font;

TEST_F(FontTexture, EveryPrintableCharacterIsLitInTheTop15RowsOfItsCell)
{
    ASSERT_EQ(font.width, 256);
    ASSERT_EQ(font.height, 256);
    // 'A' (65): cell row 12, column 1.
    EXPECT_GT(Brightest(font, 16, 192, 31, 206), 200);
    for (int c = 33; c <= 126; c++) {
        int x = CellLeft(c), y = CellTop(c);
        EXPECT_GT(Brightest(font, x, y, x + 15, y + 14), 128) << "character " << char(c);
        EXPECT_EQ(Brightest(font, x, y + 15, x + 15, y + 15), 0) << "bottom row of " << char(c);
        // Filtering at a character's right edge reads the next cell's first column.
        EXPECT_EQ(Brightest(font, x, y, x, y + 15), 0) << "left column of " << char(c);
    }
}

TEST_F(FontTexture, BlankAndUnusedCellsAreBlack)
{
    for (int c : {0, 1, 31, 32, 127})
        EXPECT_EQ(Brightest(font, CellLeft(c), CellTop(c), CellLeft(c) + 15, CellTop(c) + 15), 0)
            << "code " << c;
    // Rows 0..7 hold the codes 128..255, which the game never prints.
    EXPECT_EQ(Brightest(font, 0, 0, 255, 127), 0);
}

TEST_F(FontTexture, NoGlyphReachesOutsideItsOwnCell)
{
    for (int c = 33; c <= 126; c++) {
        Image alone;
        std::string error;
        ASSERT_TRUE(Font_Render(FONT_FILE, std::string(1, char(c)), &alone, &error)) << error;
        int x = CellLeft(c), y = CellTop(c);
        // Black the character's own cell; whatever is left was spilt.
        for (int cy = y; cy < y + 16; cy++)
            for (int cx = x; cx < x + 16; cx++)
                alone.At(cx, cy)[0] = alone.At(cx, cy)[1] = alone.At(cx, cy)[2] = 0;
        EXPECT_EQ(Brightest(alone, 0, 0, 255, 255), 0) << "character " << char(c);
    }
}

TEST(FontFile, MissingFontIsAnErrorNamingIt)
{
    Image image;
    std::string error;
    EXPECT_FALSE(Font_Render("/nonexistent/NoSuchFont.ttf", "A", &image, &error));
    EXPECT_NE(error.find("/nonexistent/NoSuchFont.ttf"), std::string::npos) << error;
}
