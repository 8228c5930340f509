// The set-up file: colours, group pairing, the score flag, and bad files brought into range.
#include "shell/shell.h"
#include "support/workdir.h"

using SetupFile = WorkDirTest;

static const char COLOURS[] =
    "1 1 1\n"
    "1 0 0\n"
    "0.5 0.5 0.5\n"
    "0 0 1\n"
    "0 1 0\n";

TEST_F(SetupFile, MissingFileKeepsFourBlackCyclesChasingThePlayer)
{
    App_ReadSetup();
    EXPECT_EQ(cycleCount, 4);
    EXPECT_EQ(showScores, 1);
    for (const Cycle &c : cycles) {
        EXPECT_EQ(c.color, 0u);
        EXPECT_EQ(c.target, 0);
    }
    EXPECT_EQ(ReadFile("error.txt"), "");
}

TEST_F(SetupFile, ColoursPackAsTruncatedBytesRedLowest)
{
    WriteFile("setup.txt", std::string(COLOURS) + "2 1 0\n");
    App_ReadSetup();
    EXPECT_EQ(cycles[0].color, 0x00FFFFFFu);
    EXPECT_EQ(cycles[1].color, 0x000000FFu);
    EXPECT_EQ(cycles[2].color, 0x007F7F7Fu) << "0.5 truncates to 127";
    EXPECT_EQ(cycles[3].color, 0x00FF0000u) << "blue in bits 16..23";
    EXPECT_FLOAT_EQ(cycles[2].red, 0.5f);
    EXPECT_EQ(showScores, 0);
    EXPECT_EQ(ReadFile("error.txt"), "");
}

TEST_F(SetupFile, GroupsPairOffAndTheSecondGroupAlwaysUsesLinesFourAndFive)
{
    struct Case {
        const char *groups;
        int count;
        uint8_t targets[MAX_CYCLES];
        uint32_t colours[MAX_CYCLES];
    } cases[] = {
        // The example of the manual: two cycles chase each other, the other chases the player.
        {"2 1 1", 4, {0, 3, 0, 1, 0}, {0xFFFFFF, 0xFF, 0x7F7F7F, 0xFF0000, 0}},
        {"2 2 1", 5, {0, 3, 4, 1, 2}, {0xFFFFFF, 0xFF, 0x7F7F7F, 0xFF0000, 0x00FF00}},
        {"2 0 1", 3, {0, 0, 0, 0, 0}, {0xFFFFFF, 0xFF, 0x7F7F7F, 0, 0}},
        {"0 1 1", 2, {0, 1, 0, 0, 0}, {0xFFFFFF, 0xFF0000, 0, 0, 0}},
        // A lone first-group cycle: the second group's second cycle pairs with the first cycle
        // of its own group, which is left chasing it.
        {"1 2 1", 4, {0, 2, 3, 2, 0}, {0xFFFFFF, 0xFF, 0xFF0000, 0x00FF00, 0}},
    };
    for (const Case &c : cases) {
        Game_InitState();
        WriteFile("setup.txt", std::string(COLOURS) + c.groups + "\n");
        App_ReadSetup();
        EXPECT_EQ(cycleCount, c.count) << c.groups;
        for (int slot = 0; slot < MAX_CYCLES; slot++) {
            EXPECT_EQ(cycles[slot].target, c.targets[slot]) << c.groups << " slot " << slot;
            EXPECT_EQ(cycles[slot].color, c.colours[slot]) << c.groups << " slot " << slot;
        }
    }
    EXPECT_EQ(ReadFile("error.txt"), "");
}

TEST_F(SetupFile, GroupSizesOutOfRangeAreClampedWithOneLogLineEach)
{
    struct Case {
        const char *groups;
        int count;
        const char *log;
    } cases[] = {
        {"9 0 1", 5, "App_ReadSetup : setup.txt asks for 9 computer cycles; using 4\n"},
        {"0 0 1", 2, "App_ReadSetup : setup.txt asks for 0 computer cycles; using 1\n"},
        {"3 2 1", 5, "App_ReadSetup : setup.txt asks for 5 computer cycles; using 4\n"},
        {"1 3 1", 4,
         "App_ReadSetup : setup.txt asks for 3 cycles in the second group; using 2\n"},
        {"-2 -1 1", 2,
         "App_ReadSetup : setup.txt asks for -1 cycles in the second group; using 0\n"
         "App_ReadSetup : setup.txt asks for -2 cycles in the first group; using 0\n"
         "App_ReadSetup : setup.txt asks for 0 computer cycles; using 1\n"},
        {"2147483647 2 1", 5,
         "App_ReadSetup : setup.txt asks for 2147483649 computer cycles; using 4\n"},
    };
    for (const Case &c : cases) {
        Game_InitState();
        remove("error.txt");
        WriteFile("setup.txt", std::string(COLOURS) + c.groups + "\n");
        App_ReadSetup();
        EXPECT_EQ(cycleCount, c.count) << c.groups;
        EXPECT_EQ(ReadFile("error.txt"), c.log) << c.groups;
        // Every slot in play has a colour line and a partner within the array.
        for (int slot = 0; slot < cycleCount; slot++)
            EXPECT_LT(cycles[slot].target, cycleCount) << c.groups;
    }
}

TEST_F(SetupFile, UnreadableValuesCountAsZero)
{
    // Reading stops at the first value that is not a number; everything after it is 0, so the
    // groups come out empty and are clamped to one computer cycle.
    WriteFile("setup.txt", "1 1 1\n0.25 oops 1\n1 1 1\n1 1 1\n1 1 1\n2 2 1\n");
    App_ReadSetup();
    EXPECT_EQ(cycles[0].color, 0xFFFFFFu);
    EXPECT_FLOAT_EQ(cycles[1].red, 0.25f);
    EXPECT_EQ(cycles[1].color, 0x3Fu);
    EXPECT_EQ(cycleCount, 2);
    EXPECT_EQ(showScores, 0);

    // A file cut short after the colours behaves the same.
    Game_InitState();
    remove("error.txt");
    WriteFile("setup.txt", COLOURS);
    App_ReadSetup();
    EXPECT_EQ(cycleCount, 2);
    EXPECT_EQ(ReadFile("error.txt"),
              "App_ReadSetup : setup.txt asks for 0 computer cycles; using 1\n");
}

TEST_F(SetupFile, ColoursOutsideZeroToOneKeepTheirFloatsButPackClamped)
{
    WriteFile("setup.txt", "2 -0.5 1\n1.004 0 0\nnan 0 0\n0 0 1\n0 1 0\n2 1 1\n");
    App_ReadSetup();
    EXPECT_FLOAT_EQ(cycles[0].red, 2.0f);
    EXPECT_FLOAT_EQ(cycles[0].green, -0.5f);
    EXPECT_EQ(cycles[0].color, 0xFF00FFu) << "held at 255 and 0, not wrapped";
    EXPECT_EQ(cycles[1].color, 0xFFu);
    EXPECT_EQ(cycles[2].color, 0u) << "not a number packs as 0";
    EXPECT_EQ(ReadFile("error.txt"),
              "App_ReadSetup : setup.txt colour line 1 lies outside 0..1; its channels are "
              "held at 0 and 255\n"
              "App_ReadSetup : setup.txt colour line 2 lies outside 0..1; its channels are "
              "held at 0 and 255\n"
              "App_ReadSetup : setup.txt colour line 3 lies outside 0..1; its channels are "
              "held at 0 and 255\n");
}
