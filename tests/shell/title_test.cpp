// The title screen: the picture decoded into the back buffer, or left out when it is missing,
// the wrong size or corrupt; the two lines of text either way.
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "shell/shell.h"
#include "support/gfx_fixture.h"

// A picture of one colour, written with the JPEG library at full quality.
static void WriteJpeg(const char *path, int width, int height, int components, int r, int g, int b)
{
    FILE *file = fopen(path, "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    const JSAMPLE rgb[3] = {(JSAMPLE)r, (JSAMPLE)g, (JSAMPLE)b};
    std::vector<JSAMPLE> row((size_t)width * components);
    for (int x = 0; x < width; x++)
        for (int k = 0; k < components; k++)
            row[x * components + k] = rgb[k];
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(file);
}

class Title : public GfxTest {
protected:
    void SetUp() override
    {
        GfxTest::SetUp();
        WriteFile("Alpha.3df", ReadFile(std::string(ZARKRIDE_GAME_DIR) + "/Alpha.3df"));
        ASSERT_EQ(GFX_Init(nullptr), 1);
    }
    // Pixels of the first character cell of the text line that differ from `value`.
    static int FirstCellPixelsOtherThan(uint16_t value)
    {
        int count = 0;
        for (int y = 455; y < 470; y++)
            for (int x = 0; x < 15; x++)
                count += PageAt(x, y) != value;
        return count;
    }
    static uint16_t PageAt(int x, int y)
    {
        const uint16_t *pixels;
        int pitch, width, height;
        EXPECT_TRUE(SoftDevice_FrontPage(&pixels, &pitch, &width, &height));
        return pixels[y * pitch + x];
    }
};

TEST_F(Title, APicturesColoursLandInTheBackBufferWithBitFiveClear)
{
    WriteJpeg("zark.jpg", 640, 480, 3, 248, 128, 16);
    EXPECT_EQ(App_LoadTitlePicture("zark.jpg"), 1);
    App_ShowTitle();
    // (248 >> 3) << 11 | (128 >> 3) << 6 | (16 >> 3), give or take the JPEG's rounding.
    uint16_t p = PageAt(320, 240);
    EXPECT_EQ(p >> 11, 31);
    EXPECT_NEAR((p >> 6) & 31, 16, 1);
    EXPECT_NEAR(p & 31, 2, 1);
    EXPECT_EQ(p & 0x20, 0);
    EXPECT_EQ(FirstCellPixelsOtherThan(p), 15 * 15) << "the text's cells are drawn over the picture";
    EXPECT_EQ(PageAt(0, 454), p);
    EXPECT_EQ(PageAt(0, 470), p);
}

TEST_F(Title, PicturesThatCannotBeShownLeaveTheTextAlone)
{
    struct Case { const char *what; int width, height, components; } cases[] = {
        {"one column too wide", 641, 480, 3},
        {"one row short", 640, 479, 3},
        {"grey only", 640, 480, 1},
    };
    for (const Case &c : cases) {
        WriteJpeg("zark.jpg", c.width, c.height, c.components, 128, 128, 128);
        EXPECT_EQ(App_LoadTitlePicture("zark.jpg"), 0) << c.what;
    }
    WriteFile("zark.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08garbage that is no picture", 34));
    EXPECT_EQ(App_LoadTitlePicture("zark.jpg"), 0) << "corrupt";
    EXPECT_EQ(App_LoadTitlePicture("missing.jpg"), 0);

    remove("zark.jpg");
    App_ShowTitle();
    EXPECT_EQ(PageAt(320, 240), 0);
    EXPECT_GT(FirstCellPixelsOtherThan(0), 10) << "the text shows on the empty screen";
}
