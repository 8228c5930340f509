// The .3df writer: header lines as the loader scans them, every level's texels, byte order, and
// the box filter that makes the mip chain.
#include <gtest/gtest.h>

#include <cstring>

#include "threedf.h"

static Image OneTexel(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Image image(1, 1);
    uint8_t *t = image.At(0, 0);
    t[0] = r, t[1] = g, t[2] = b, t[3] = a;
    return image;
}

static std::vector<uint8_t> Encode(const Image &image, TexelFormat format)
{
    std::vector<uint8_t> file;
    std::string error;
    EXPECT_TRUE(TDF_Encode(image, format, &file, &error)) << error;
    return file;
}

TEST(TextureFile, HeaderIsByteForByteWhatTheLoaderReadsThenEveryLevel)
{
    struct { int side; TexelFormat format; const char *header; size_t texels; } cases[] = {
        {256, TEXELS_RGB565, "3df v1.1\nrgb565\nlod range: 1 256\naspect ratio: 1 1\n",
         65536 + 16384 + 4096 + 1024 + 256 + 64 + 16 + 4 + 1},
        {256, TEXELS_ARGB8332, "3df v1.1\nargb8332\nlod range: 1 256\naspect ratio: 1 1\n",
         65536 + 16384 + 4096 + 1024 + 256 + 64 + 16 + 4 + 1},
        {2, TEXELS_RGB565, "3df v1.1\nrgb565\nlod range: 1 2\naspect ratio: 1 1\n", 4 + 1},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> file = Encode(Image(c.side, c.side), c.format);
        size_t length = strlen(c.header);
        ASSERT_GE(file.size(), length);
        EXPECT_EQ(std::string(file.begin(), file.begin() + length), c.header);
        EXPECT_EQ(file.size() - length, c.texels * 2) << c.header;
    }
}

TEST(TextureFile, TexelBytesRgb565HighFirstArgb8332AlphaFirst)
{
    struct { const char *what; Image image; TexelFormat format; uint8_t first, second; } cases[] = {
        {"565 red", OneTexel(255, 0, 0, 255), TEXELS_RGB565, 0xF8, 0x00},
        {"565 green", OneTexel(0, 255, 0, 0), TEXELS_RGB565, 0x07, 0xE0},
        {"565 blue", OneTexel(0, 0, 255, 255), TEXELS_RGB565, 0x00, 0x1F},
        {"8332 red, opaque", OneTexel(255, 0, 0, 255), TEXELS_ARGB8332, 0xFF, 0xE0},
        {"8332 green, alpha 1", OneTexel(0, 255, 0, 1), TEXELS_ARGB8332, 0x01, 0x1C},
        {"8332 blue, alpha 0x80", OneTexel(0, 0, 255, 0x80), TEXELS_ARGB8332, 0x80, 0x03},
        {"8332 white", OneTexel(255, 255, 255, 255), TEXELS_ARGB8332, 0xFF, 0xFF},
        {"8332 black stays see-through", OneTexel(0, 0, 0, 200), TEXELS_ARGB8332, 0x00, 0x00},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> file = Encode(c.image, c.format);
        ASSERT_GE(file.size(), 2u);
        EXPECT_EQ(file[file.size() - 2], c.first) << c.what;
        EXPECT_EQ(file[file.size() - 1], c.second) << c.what;
    }
}

TEST(TextureFile, WriteIntoAMissingFolderFailsAndSaysWhere)
{
    std::string error;
    EXPECT_FALSE(
        TDF_Write("/nonexistent-assetgen-dir/floor.3df", Image(1, 1), TEXELS_RGB565, &error));
    EXPECT_NE(error.find("/nonexistent-assetgen-dir/floor.3df"), std::string::npos) << error;
}

TEST(MipChain, EachTexelIsTheRoundedMeanOfItsOwnTwoByTwoBlock)
{
    // Red numbers the texels 0, 16, 32, ... row by row, so each mean names the block it came from.
    Image image(4, 4);
    for (int i = 0; i < 16; i++)
        image.At(i % 4, i / 4)[0] = uint8_t(i * 16);
    Image half = TDF_HalveImage(image);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 2);
    EXPECT_EQ(half.At(0, 0)[0], 40);
    EXPECT_EQ(half.At(1, 0)[0], 72);
    EXPECT_EQ(half.At(0, 1)[0], 168);
    EXPECT_EQ(half.At(1, 1)[0], 200);

    // Rounding, one channel each: means 0.25, 0.5, 1.25 and 1.75.
    const uint8_t blocks[4][4] = {{0, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 2, 1}, {2, 2, 1, 2}};
    Image small(2, 2);
    for (int i = 0; i < 4; i++)
        for (int c = 0; c < 4; c++)
            small.At(i % 2, i / 2)[c] = blocks[c][i];
    Image one = TDF_HalveImage(small);
    ASSERT_EQ(one.width, 1);
    const uint8_t expected[4] = {0, 1, 1, 2};
    for (int c = 0; c < 4; c++)
        EXPECT_EQ(one.At(0, 0)[c], expected[c]) << "channel " << c;

    // The file's last level is that mean: half red, half black gives red 128 = 0x8000.
    Image halfRed(2, 2);
    halfRed.At(0, 0)[0] = halfRed.At(1, 0)[0] = 255;
    std::vector<uint8_t> file = Encode(halfRed, TEXELS_RGB565);
    EXPECT_EQ(file[file.size() - 2], 0x80);
    EXPECT_EQ(file[file.size() - 1], 0x00);
}
