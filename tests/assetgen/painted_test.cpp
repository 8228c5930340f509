// The title picture's and the icon's pixels, pinned: a rework of the painters must leave them be.
#include <gtest/gtest.h>

#include "icon.h"
#include "title.h"

// FNV-1a, 64 bits, over every texel.
static uint64_t PixelHash(const Image &image)
{
    uint64_t h = 14695981039346656037ull;
    for (uint8_t byte : image.rgba)
        h = (h ^ byte) * 1099511628211ull;
    return h;
}

// The pixels depend on the float arithmetic, libm and FreeType; a deliberate repaint (or another
// FreeType) changes the numbers, which are then written down again.
TEST(Painted, TitleAndIconPixelsStayAsTheyWere)
{
    Image title;
    std::string error;
    ASSERT_TRUE(Title_Paint(&title, &error)) << error;
    EXPECT_EQ(PixelHash(title), 0xccbb9640e2291c1full) << "title";
    EXPECT_EQ(PixelHash(Icon_Paint(ICON_SMALL)), 0xdb5f98b30e6df997ull) << "icon 48";
    EXPECT_EQ(PixelHash(Icon_Paint(ICON_MEDIUM)), 0x0c2251d5e2780f79ull) << "icon 128";
    EXPECT_EQ(PixelHash(Icon_Paint(ICON_LARGE)), 0xa30f61f62aea1e4dull) << "icon 256";
}
