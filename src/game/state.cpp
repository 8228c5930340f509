// state.cpp -- the cycle array and the game-wide values, with their values at program start.
#include "game/game.h"

#include <cstdlib>
#include <cstring>

#include "game/walls.h"
#include "scene/math3d.h"

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
    Game_ForgetWalls(node);
    while (node) {
        TrailNode *next = node->next;
        free(node);
        node = next;
    }
}

void Game_InitState()
{
    Game_ClearCommands();
    for (Cycle &c : cycles) {
        Game_FreeTrail(c.trailHead);
        memset(&c, 0, sizeof c);
    }
    Game_ReleaseWalls();
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

namespace {

// FNV-1a, 64 bits.
struct Fnv {
    uint64_t hash = 1469598103934665603ull;
    void Bytes(const void *data, size_t size)
    {
        const unsigned char *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < size; i++)
            hash = (hash ^ p[i]) * 1099511628211ull;
    }
    template <typename T> void Add(const T &value) { Bytes(&value, sizeof value); }
};

}  // namespace

// Every cycle and every node of its trail.
static void AddCycles(Fnv &f)
{
    for (const Cycle &c : cycles) {
        f.Add(c.heading), f.Add(c.x), f.Add(c.y), f.Add(c.z), f.Add(c.dirX), f.Add(c.dirZ);
        f.Add(c.speed), f.Add(c.accel), f.Add(c.red), f.Add(c.green), f.Add(c.blue);
        f.Add(c.color), f.Add(c.driveTimer), f.Add(c.crashTimer), f.Add(c.score), f.Add(c.target);
        for (const TrailNode *n = c.trailHead; n; n = n->next) {
            const Vertex &v = n->vertex;
            f.Add(v.sx), f.Add(v.sy), f.Add(v.r), f.Add(v.g), f.Add(v.b);
            f.Add(v.wx), f.Add(v.wy), f.Add(v.wz);
        }
        f.Add(-1);   // end of this trail
    }
}

uint64_t Game_StateHash()
{
    Fnv f;
    AddCycles(f);
    f.Add(cycleCount), f.Add(demoMode), f.Add(titleShowing), f.Add(helpShowing);
    f.Add(showScores), f.Add(lookDir), f.Add(viewMode), f.Add(camAngle);
    f.Add(shotKind), f.Add(shotDistance), f.Add(shotFrames), f.Add(shotAngle);
    f.Add(shotEye), f.Add(shotTarget), f.Add(g_viewMatrix);
    return f.hash;
}

uint64_t Game_SharedStateHash()
{
    Fnv f;
    AddCycles(f);
    f.Add(cycleCount), f.Add(demoMode), f.Add(showScores), f.Add(Game_RandomState());
    // The demo's director draws its shots from the game's generator: in the demo it is shared.
    if (demoMode == 1) {
        f.Add(shotKind), f.Add(shotDistance), f.Add(shotFrames), f.Add(shotAngle);
        f.Add(shotEye), f.Add(shotTarget);
    }
    return f.hash;
}
