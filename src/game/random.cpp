// random.cpp -- the game's one random generator. Every choice takes its result modulo the number
// of choices, so the exact sequence decides every spawn point, heading and demo shot.
#include "game/game.h"

static uint32_t randomState = 1;

void Game_SeedRandom(uint32_t seed)
{
    randomState = seed;
}

int Game_Random()
{
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 0x7FFF);
}

uint32_t Game_RandomState()
{
    return randomState;
}
