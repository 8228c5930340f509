// ".3df" texture files: the header reader, the level rule, the texel conversions on both device
// kinds, the coordinate scales, bad files, and the game's own four textures.
#include <cstdio>
#include <cstring>

#include "support/gfx_fixture.h"

class Texture : public GfxTest {
protected:
    // Starts the graphics on the fake device, hardware (with mip filtering) or software.
    void Start(bool hardware, int minTextureWidth = 0)
    {
        FakeDeviceOptions options;
        options.hardware = hardware;
        options.hardwareCaps.triTextureFilterCaps = D3DPTFILTERCAPS_LINEARMIPLINEAR;
        options.hardwareCaps.minTextureWidth = minTextureWidth;
        Use(options);
        ASSERT_EQ(GFX_Init(nullptr), 1);
        remove("error.txt");
    }
    // A ".3df" file: the header lines as given, then `texels` bytes of data.
    static void WriteTexture(const char *name, const std::string &header, const std::string &texels)
    {
        WriteFile(name, "3df v1.1\n" + header + texels);
    }
};

TEST_F(Texture, HeaderLinesUpTo256BytesAreRead)
{
    char buffer[257];
    struct Case { size_t length; bool ends; int result; } cases[] = {
        {256, true, 1}, {257, true, 0}, {1, true, 1}, {40, false, 0}, {0, false, 0},
    };
    for (const Case &c : cases) {
        std::string line(c.length ? c.length - (c.ends ? 1 : 0) : 0, 'x');
        if (c.ends)
            line += '\n';
        WriteFile("line.txt", line);
        FILE *file = fopen("line.txt", "rb");
        EXPECT_EQ(GFX_ReadHeaderLine(buffer, file), c.result) << c.length;
        if (c.result) {
            EXPECT_EQ(std::string(buffer), line);
        }
        fclose(file);
    }
}

TEST_F(Texture, BadHeadersAreLoggedWithTheFileName)
{
    Start(false);
    const std::string good = "rgb565\nlod range: 8 8\naspect ratio: 1 1\n";
    struct Case {
        const char *what;
        std::string contents;
        std::vector<std::string> log;
    } cases[] = {
        {"wrong signature", "3df v1.0\n" + good, {"GFX_LoadTexture : t.3df isn't a .3df v1.1!"}},
        {"too short for a signature", "3df", {"GFX_LoadTexture : t.3df isn't a .3df v1.1!"}},
        {"no format line", "3df v1.1\nrgb", {"GFX_LoadTexture : t.3df appears to be corrupt!"}},
        {"CRLF header lines", "3df v1.1\nrgb565\r\nlod range: 8 8\r\n",
         {"GFX_LoadTexture : t.3df has an unknown texture format (rgb565\r", ")!"}},
        {"unknown format", "3df v1.1\nargb4444\n",
         {"GFX_LoadTexture : t.3df has an unknown texture format (argb4444", ")!"}},
        {"no level line", "3df v1.1\nrgb565\n", {"GFX_LoadTexture : t.3df appears to be corrupt!(2)"}},
        {"level line unreadable", "3df v1.1\nrgb565\nlods: 1 256\n",
         {"GFX_LoadTexture : t.3df Can't work out the lods!"}},
        {"no aspect line", "3df v1.1\nrgb565\nlod range: 8 8\n",
         {"GFX_LoadTexture : t.3df appears to be corrupt!(3)"}},
        {"aspect line unreadable", "3df v1.1\nrgb565\nlod range: 8 8\naspect ratio: 1\n",
         {"GFX_LoadTexture : t.3df Can't work out the aspect ratios!"}},
        {"zero aspect number", "3df v1.1\nrgb565\nlod range: 8 8\naspect ratio: 0 1\n",
         {"GFX_LoadTexture : t.3df has an aspect number that is not positive!"}},
        {"largest below smallest", "3df v1.1\nrgb565\nlod range: 256 8\naspect ratio: 1 1\n",
         {"GFX_LoadTexture : t.3df has its largest side below its smallest!"}},
        {"side above 256", "3df v1.1\nrgb565\nlod range: 1 512\naspect ratio: 1 1\n",
         {"GFX_LoadTexture : t.3df has a side above 256!"}},
        {"texels cut short", "3df v1.1\n" + good + std::string(64 * 2 - 1, 'x'),
         {"GFX_LoadTexture->Load16BitTexture : fread error!",
          "GFX_LoadTexture : t.3df -> Error reading..."}},
    };
    for (const Case &c : cases) {
        remove("error.txt");
        WriteFile("t.3df", c.contents);
        int live = SoftDevice_LiveObjects();
        EXPECT_EQ(GFX_LoadTexture("t.3df"), nullptr) << c.what;
        EXPECT_EQ(LogLines(), c.log) << c.what;
        EXPECT_EQ(SoftDevice_LiveObjects(), live) << c.what << ": surfaces left behind";
    }
    remove("error.txt");
    EXPECT_EQ(GFX_LoadTexture("missing.3df"), nullptr);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"GFX_LoadTexture : missing.3df doesn't exist!"});
}

TEST_F(Texture, TheLevelRuleCountsHalvingsOnMipCapableHardwareOnly)
{
    Start(true);
    struct Case { int largest, smallest, levels; } hardware[] = {
        {256, 1, 8}, {256, 2, 7}, {256, 128, 1}, {256, 64, 2}, {256, 256, 1}, {8, 1, 3},
    };
    for (const Case &c : hardware)
        EXPECT_EQ(GFX_CountMipLevels(c.largest, c.smallest), c.levels) << c.largest << " " << c.smallest;

    Start(true, 8);
    EXPECT_EQ(GFX_CountMipLevels(256, 1), 5) << "the device's smallest texture is 8 wide";

    FakeDeviceOptions noMipFiltering;
    noMipFiltering.hardware = true;
    Use(noMipFiltering);
    ASSERT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(GFX_CountMipLevels(256, 1), 1);

    Start(false);
    EXPECT_EQ(GFX_CountMipLevels(256, 1), 1);
}

TEST_F(Texture, TexelsConvertForEachDeviceKind)
{
    // Eight "argb8332" texels in one row: alpha byte, colour byte.
    const unsigned char argb[] = {0xFF, 0xFF, 0x00, 0x00, 0x80, 0x20, 0x00, 0x1C,
                                  0x01, 0x01, 0x10, 0x92, 0x00, 0xFF, 0x00, 0x00};
    const uint16_t hardware[] = {0xFFFF, 0x0000, 0x9C00, 0x03E0, 0x800F, 0xCE77, 0x7FFF, 0x0000};
    const uint16_t software[] = {0xFFFF, 0x0000, 0x3800, 0x07E0, 0x000F, 0x9CF7, 0xFFFF, 0x0000};
    for (bool isHardware : {true, false}) {
        Start(isHardware);
        WriteTexture("t.3df", "argb8332\nlod range: 8 8\naspect ratio: 8 1\n",
                     std::string((const char *)argb, sizeof argb));
        GfxTexture *t = GFX_LoadTexture("t.3df");
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->width, 8);
        EXPECT_EQ(t->height, 1);
        const uint16_t *expected = isHardware ? hardware : software;
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(t->levelPixels[0][i], expected[i]) << (isHardware ? "hardware " : "software ") << i;
        EXPECT_EQ(ReadFile("error.txt"), "");
        Discard(t);
    }

    // "rgb565" texels are stored high byte first and kept as they are.
    Start(false);
    WriteTexture("t.3df", "rgb565\nlod range: 2 2\naspect ratio: 1 1\n",
                 std::string("\xF8\x00\x07\xE0\x00\x1F\x12\x34", 8));
    GfxTexture *t = GFX_LoadTexture("t.3df");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->levelPixels[0][0], 0xF800);
    EXPECT_EQ(t->levelPixels[0][1], 0x07E0);
    EXPECT_EQ(t->levelPixels[0][2], 0x001F);
    EXPECT_EQ(t->levelPixels[0][3], 0x1234);
    Discard(t);
}

TEST_F(Texture, ScalesAndLevelsFollowTheAspectAndTheDevice)
{
    // 128 wide, 256 high; on the software device only level 0 is built, and the levels not
    // built are never read, so a file holding level 0 alone is enough.
    Start(false);
    WriteTexture("t.3df", "rgb565\nlod range: 1 256\naspect ratio: 1 2\n",
                 std::string(128 * 256 * 2, '\x11'));
    GfxTexture *t = GFX_LoadTexture("t.3df");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 128);
    EXPECT_EQ(t->height, 256);
    EXPECT_EQ(t->uScale, 1.0f / 128.0f);
    EXPECT_EQ(t->vScale, 1.0f / 256.0f);
    EXPECT_EQ(t->levelCount, 1);
    EXPECT_NE(t->handle, 0u);
    Discard(t);

    // On mip-capable hardware the whole chain is read, level after level.
    Start(true);
    std::string chain;
    for (int side = 8, level = 0; side >= 2; side /= 2, level++)
        chain += std::string(side * side * 2, (char)(0x10 + level));
    WriteTexture("t.3df", "rgb565\nlod range: 1 8\naspect ratio: 1 1\n", chain);
    t = GFX_LoadTexture("t.3df");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->levelCount, 3);
    EXPECT_EQ(t->levelPixels[2][0], 0x1212);
    EXPECT_NE(t->videoTexture, 0u);
    EXPECT_NE(t->systemSurfaces[2], 0u);
    EXPECT_EQ(ReadFile("error.txt"), "");
    Discard(t);
}

TEST_F(Texture, TheGamesOwnTexturesLoadAndAMissingOneIsNamed)
{
    InstallGameData();
    Use(FakeDeviceOptions());
    ASSERT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(ReadFile("error.txt"), "");
    for (GfxTexture *t : {g_fontTexture, g_floorTexture, g_explosionTexture, g_wallTexture}) {
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->width, 256);
        EXPECT_EQ(t->height, 256);
    }

    remove("floor.3df");
    Use(FakeDeviceOptions());
    ASSERT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"GFX_LoadTexture : floor.3df doesn't exist!"});
    EXPECT_EQ(g_floorTexture, nullptr);
    EXPECT_NE(g_wallTexture, nullptr);
}
