// The arena's pictures: the explosion keys out cleanly on both devices, the floor and wall
// repeat without seams.
#include <gtest/gtest.h>

#include <algorithm>

#include "textures.h"

TEST(KaboomTexture, KeysOutCleanlyOnBothDevicesWithABrightCentre)
{
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(TDF_Encode(Tex_Kaboom(), TEXELS_ARGB8332, &file, &error)) << error;
    size_t data = file.size() - 2 * 87381;
    // Level 0's texel at (x, y): alpha byte high, colour byte low.
    auto texel = [&](int x, int y) {
        size_t at = data + (size_t(y) * 256 + x) * 2;
        return file[at] << 8 | file[at + 1];
    };
    for (int xy : {0, 255}) {
        EXPECT_EQ(texel(xy, 0), 0);
        EXPECT_EQ(texel(xy, 255), 0);
    }
    // The explosion shows rows 0..127 across the whole width: fire on those edges would show
    // the outline of its quad.
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(texel(i, 0), 0) << "top row, x " << i;
    for (int i = 0; i < 128; i++) {
        ASSERT_EQ(texel(0, i), 0) << "left edge, y " << i;
        ASSERT_EQ(texel(255, i), 0) << "right edge, y " << i;
    }
    int centre = texel(128, 127);
    EXPECT_NE(centre >> 8, 0) << "opaque";
    EXPECT_GE((centre >> 5) & 7, 6) << "red";
    EXPECT_GE((centre >> 2) & 7, 5) << "green";

    // The software device keys on black and the hardware device on alpha; on every level the two
    // must agree, or one of them draws a dark fringe round the fire.
    for (size_t i = data; i < file.size(); i += 2)
        ASSERT_EQ(file[i] == 0, file[i + 1] == 0) << "texel byte " << i;
}

static bool SameTexel(const Image &image, int x0, int y0, int x1, int y1)
{
    return std::equal(image.At(x0, y0), image.At(x0, y0) + 4, image.At(x1, y1));
}

TEST(ArenaTextures, FloorAndWallRepeatWithoutSeams)
{
    // The floor's edge line is shared by neighbouring tiles: half on each side of the seam.
    Image floor = Tex_Floor();
    for (int i = 0; i < 256; i++) {
        EXPECT_TRUE(SameTexel(floor, 0, i, 255, i)) << "floor row " << i;
        EXPECT_TRUE(SameTexel(floor, i, 0, i, 255)) << "floor column " << i;
    }
    // The wall shows its top 128 rows; the bottom half repeats them so that every mip level
    // averages the same picture.
    Image wall = Tex_Wall();
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 256; x++)
            ASSERT_TRUE(SameTexel(wall, x, y, x, y + 128)) << x << ", " << y;
}
