// Files the fuzz targets (fuzz/) found the loaders mishandling, each kept as the smallest input
// that showed the fault. Each case says what went wrong before it was fixed.
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "shell/shell.h"
#include "support/gfx_fixture.h"

// A 640 x 480 picture of one grey, baseline, as the JPEG library writes it.
static std::string GreyPicture()
{
    jpeg_compress_struct c;
    jpeg_error_mgr error;
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char *bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &bytes, &size);
    c.image_width = SCREEN_WIDTH;
    c.image_height = SCREEN_HEIGHT;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(SCREEN_WIDTH * 3, 128);
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string picture((const char *)bytes, size);
    free(bytes);
    return picture;
}

using FuzzFindings = GfxTest;

// The picture was freed once it was on screen, and freed again when the library then failed on
// what follows the picture (here a second scan in a one-scan file).
TEST_F(FuzzFindings, ATitlePictureThatFailsAfterItsLastRowIsFreedOnce)
{
    ASSERT_EQ(GFX_Init(nullptr), 1);
    std::string picture = GreyPicture();
    size_t scan = picture.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    size_t length = (unsigned char)picture[scan + 2] << 8 | (unsigned char)picture[scan + 3];
    // Before the end marker, the start of the scan once more.
    picture.insert(picture.size() - 2, picture.substr(scan, 2 + length));
    WriteFile("zark.jpg", picture);
    EXPECT_EQ(App_LoadTitlePicture("zark.jpg"), 0);
    EXPECT_EQ(App_LoadTitlePicture("zark.jpg"), 0) << "and again, with nothing left over";
}
