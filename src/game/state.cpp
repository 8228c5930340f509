// state.cpp -- the cycle array and the game-wide values, with their values at program start.
#include "game/game.h"

#include <cstdlib>
#include <cstring>

Cycle cycles[MAX_CYCLES];
int32_t cycleCount = 4;
int32_t playerSlot = 0;
int32_t demoMode = 0;
int32_t titleShowing = 1;
int32_t helpShowing = 0;
int32_t showScores = 1;
int32_t lookDir = 0;
int32_t viewMode = 0;
float camAngle = 0.0f;
std::atomic<int32_t> frameTicks{0};

int32_t shotKind = 3;
float shotDistance = 800.0f;
int32_t shotFrames = 0;
double shotAngle = 0.0;
float shotEye[3] = {0.0f, 0.0f, 0.0f};
int32_t shotTarget = 0;

void Game_FreeTrail(TrailNode *node)
{
    while (node) {
        TrailNode *next = node->next;
        free(node);
        node = next;
    }
}

void Game_InitState()
{
    for (Cycle &c : cycles) {
        Game_FreeTrail(c.trailHead);
        memset(&c, 0, sizeof c);
    }
    cycleCount = 4;
    playerSlot = 0;
    demoMode = 0;
    titleShowing = 1;
    helpShowing = 0;
    showScores = 1;
    lookDir = 0;
    viewMode = 0;
    camAngle = 0.0f;
    frameTicks = 0;
    shotKind = 3;
    shotDistance = 800.0f;
    shotFrames = 0;
    shotAngle = 0.0;
    shotEye[0] = shotEye[1] = shotEye[2] = 0.0f;
    shotTarget = 0;
}
