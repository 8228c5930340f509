// setup_fuzz.cpp -- "setup.txt" as a player may have edited it: whatever it holds, the game
// comes out with two to five cycles that chase cycles in play, and a few frames run with them.
#include <cstdio>

#include "fuzz_support.h"
#include "game/game.h"
#include "shell/shell.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("setup.txt", data, size);
    Game_InitState();
    App_ReadSetup();
    remove("error.txt");    // corrections are logged there; it would grow with every input

    FUZZ_CHECK(cycleCount >= 2 && cycleCount <= MAX_CYCLES);
    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        const Cycle &c = cycles[slot];
        FUZZ_CHECK(c.color <= 0xFFFFFFu);
        FUZZ_CHECK(slot >= cycleCount || c.target < cycleCount);
    }
    // The drivers steer by those targets from the first frame.
    Game_SeedRandom(1);
    Game_ResetAll();
    for (int frame = 0; frame < 3; frame++)
        Game_Update();
    Game_InitState();
    return 0;
}
