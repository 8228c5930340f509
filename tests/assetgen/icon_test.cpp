// The desktop icon: PNGs that decode at each size the desktop entry promises, a rounded plate on
// a transparent ground with the cyan cycle on it, and the same bytes on every run.
#include <gtest/gtest.h>

#include <png.h>

#include "icon.h"

// The file decoded as the desktop's image loaders would, into 8-bit RGBA rows.
struct Decoded {
    int width = 0, height = 0;
    bool hasAlpha = false;
    std::vector<uint8_t> rgba;
    const uint8_t *At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

static bool Decode(const std::vector<uint8_t> &file, Decoded *out)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return false;
    out->width = int(image.width);
    out->height = int(image.height);
    out->hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    out->rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out->rgba.data(), 0, nullptr) != 0;
}

TEST(Icon, EveryDesktopSizeDecodesAsARoundedPlateWithTheCycleOnIt)
{
    for (int size : {ICON_SMALL, ICON_MEDIUM, ICON_LARGE}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> file, again;
        std::string error;
        ASSERT_TRUE(Icon_EncodePng(Icon_Paint(size), &file, &error)) << error;
        ASSERT_TRUE(Icon_EncodePng(Icon_Paint(size), &again, &error)) << error;
        EXPECT_EQ(file, again) << "the same icon must give the same bytes";

        Decoded icon;
        ASSERT_TRUE(Decode(file, &icon));
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        ASSERT_TRUE(icon.hasAlpha);
        // Rounded corners and a margin show the panel behind; the middle of every edge is just
        // outside the plate, the middle of the icon well inside it.
        int last = size - 1, mid = size / 2;
        for (auto xy : {std::make_pair(0, 0), {last, 0}, {0, last}, {last, last}, {mid, 0},
                        {0, mid}, {last, mid}, {mid, last}})
            EXPECT_EQ(icon.At(xy.first, xy.second)[3], 0) << xy.first << "," << xy.second;
        EXPECT_EQ(icon.At(mid, mid)[3], 255);
        EXPECT_EQ(icon.At(size / 10, size / 10)[3], 255);

        // The cycle: bright cyan lines in the lower half, even at the smallest size.
        int cyan = 0;
        for (int y = mid; y < size; y++)
            for (int x = 0; x < size; x++) {
                const uint8_t *p = icon.At(x, y);
                cyan += p[3] == 255 && p[1] > 200 && p[2] > 200 && p[0] < p[2];
            }
        EXPECT_GT(cyan, size * size / 50);
    }
}
