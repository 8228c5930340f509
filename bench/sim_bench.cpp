// sim_bench.cpp -- what the simulation costs: a whole demo frame, the two walks over every
// trail node that run after each movement sub-step (the crash test and the computer driver) as
// the trails on the arena grow, and whole frames with 1,000 to 50,000 trail nodes in play. A
// frame has 25 ms; the sub-steps of five cycles call each walk some 50 to 130 times a frame, so
// the walks set how long a game can go on at full pace.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game.h"
#include "scene/math3d.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Whole frames of a demo game

struct Paint {
    float red, green, blue;
};
const Paint DEMO_COLOURS[MAX_CYCLES] = {
    {1.0f, 0.85f, 0.1f}, {0.1f, 0.6f, 1.0f}, {1.0f, 0.2f, 0.3f}, {0.2f, 1.0f, 0.4f},
    {0.8f, 0.3f, 1.0f},
};

uint32_t PackColour(const Paint &p)
{
    auto byte = [](float channel) { return (uint32_t)(channel * 255.0f); };
    return byte(p.red) | byte(p.green) << 8 | byte(p.blue) << 16;
}

// A demo game as the title's D key starts one: five computer-driven cycles, slots 1 and 2
// paired off with 3 and 4 so that each pair chases each other, and the same seed every time so
// that every run of the benchmark plays the same game.
void StartDemoGame()
{
    Game_InitState();
    cycleCount = MAX_CYCLES;
    demoMode = 1;
    titleShowing = 0;
    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        Cycle &c = cycles[slot];
        c.red = DEMO_COLOURS[slot].red;
        c.green = DEMO_COLOURS[slot].green;
        c.blue = DEMO_COLOURS[slot].blue;
        c.color = PackColour(DEMO_COLOURS[slot]);
    }
    cycles[1].target = 3, cycles[3].target = 1;
    cycles[2].target = 4, cycles[4].target = 2;
    Math_Init();
    Game_SeedRandom(7);
    Game_ResetAll();
}

// Corners on the arena, counted the way the crash test walks them: every trail of a cycle in
// play that has at least one segment.
int64_t WalkedNodes()
{
    int64_t count = 0;
    for (int slot = 0; slot < cycleCount; slot++) {
        const Cycle &c = cycles[slot];
        if (c.crashTimer == -1 || !c.trailHead || !c.trailHead->next)
            continue;
        for (const TrailNode *node = c.trailHead; node; node = node->next)
            count++;
    }
    return count;
}

// Cycles can sit still for a whole frame only while crashed, never all five for all the run.
double DistanceDriven(const float (&before)[MAX_CYCLES][2])
{
    double moved = 0.0;
    for (int slot = 0; slot < cycleCount; slot++)
        moved += std::abs(cycles[slot].x - before[slot][0]) +
                 std::abs(cycles[slot].z - before[slot][1]);
    return moved;
}

// Times Game_Update frame by frame. With restartEvery > 0 the game starts afresh (untimed)
// after that many frames, so only the opening stretch of a game is measured; otherwise the
// game just goes on. The trail corners on the arena are sampled (untimed) every 64 frames.
void TimeDemoFrames(benchmark::State &state, int warmUpFrames, int restartEvery)
{
    float before[MAX_CYCLES][2];
    auto start = [&] {
        StartDemoGame();
        for (int frame = 0; frame < warmUpFrames; frame++)
            Game_Update();
        for (int slot = 0; slot < cycleCount; slot++)
            before[slot][0] = cycles[slot].x, before[slot][1] = cycles[slot].z;
    };
    start();

    int64_t sampledNodes = 0, samples = 0, mostNodes = 0;
    int frame = 0;
    for (auto _ : state) {
        if (restartEvery > 0 && frame == restartEvery) {
            state.PauseTiming();
            start();
            frame = 0;
            state.ResumeTiming();
        }
        Game_Update();
        frame++;
        if ((frame & 63) == 0) {
            state.PauseTiming();
            int64_t nodes = WalkedNodes();
            sampledNodes += nodes;
            samples++;
            if (nodes > mostNodes)
                mostNodes = nodes;
            state.ResumeTiming();
        }
    }

    if (frame > 0 && DistanceDriven(before) == 0.0)
        state.SkipWithError("no cycle moved: the frames did no work");
    state.SetItemsProcessed(state.iterations());     // frames per second
    if (samples > 0) {
        state.counters["trail_nodes"] = (double)sampledNodes / (double)samples;
        state.counters["most_nodes"] = (double)mostNodes;
    }
    Game_InitState();
}

// The first minute of play (2,400 frames at 40 a second) of a fresh demo game, over and over.
void BM_DemoFrame_FirstMinute(benchmark::State &state)
{
    TimeDemoFrames(state, 0, 2400);
}
BENCHMARK(BM_DemoFrame_FirstMinute)->Unit(benchmark::kMicrosecond);

// The same game from its 20,001st frame (over eight minutes in) on, without restarting.
void BM_DemoFrame_After20000Frames(benchmark::State &state)
{
    TimeDemoFrames(state, 20000, 0);
}
BENCHMARK(BM_DemoFrame_After20000Frames)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------------------------
// The walks over every trail node, on an arena built by hand

// The cycle under test: a computer cycle driving north (+z) from (5000, 0) at speed 10, with
// the fresh two-corner trail of a cycle that has just respawned 100 units back.
constexpr int TESTED = 4;
constexpr float TESTED_X = 5000.0f;

void AppendNode(int slot, float x, float z)
{
    Cycle &c = cycles[slot];
    TrailNode *node = (TrailNode *)calloc(1, sizeof(TrailNode));
    if (!node) {
        fprintf(stderr, "sim_bench: out of memory for a trail node\n");
        exit(1);
    }
    node->vertex.sx = x * 0.009765625f + 125.0f;
    node->vertex.sy = 125.0f - z * 0.009765625f;
    node->vertex.r = (float)(c.color & 0xFF);
    node->vertex.g = (float)((c.color >> 8) & 0xFF);
    node->vertex.b = (float)((c.color >> 16) & 0xFF);
    node->vertex.wx = x;
    node->vertex.wz = z;
    if (c.trailTail)
        c.trailTail->next = node;
    else
        c.trailHead = node;
    c.trailTail = node;
}

// A cycle that has weaved back and forth across a 400-unit band for a long time: runs of 400
// units along z joined by 1-unit steps east along x, so every other segment lies along each
// axis. The cycle is left driving at the newest corner.
void WeaveTrail(int slot, int nodes, float startX, float bandCentreZ)
{
    const float low = bandCentreZ - 200.0f, high = bandCentreZ + 200.0f;
    for (int i = 0; i < nodes; i++) {
        float x = startX + (float)(i / 2);
        float z = ((i + 1) / 2) % 2 ? high : low;
        AppendNode(slot, x, z);
    }
    Cycle &c = cycles[slot];
    c.heading = 1;
    c.dirX = HEADINGS[1].dirX, c.dirZ = HEADINGS[1].dirZ;
    c.x = c.trailTail->vertex.wx;
    c.y = SPAWN_HEIGHT;
    c.z = c.trailTail->vertex.wz;
    c.speed = MIN_SPEED;
}

// `total` corners on the arena: the tested cycle's two, the rest shared among the other four
// cycles' weaves. The weaves start at x = -9000 and grow east by half a unit per corner, so
// even 50,000 corners stay west of x = -2700, far from the tested cycle at x = 5000: no
// segment crosses its path or its look-ahead point, and the arena edge is 10,000 units
// ahead, so neither walk finds anything to stop or turn for and both go through every corner.
// The third weave's band spans z = 0, so the driver's sideways measure finds a wall there.
void BuildWeaveArena(int total)
{
    Game_InitState();
    cycleCount = MAX_CYCLES;
    demoMode = 1;
    titleShowing = 0;
    for (int slot = 0; slot < MAX_CYCLES; slot++)
        cycles[slot].color = PackColour(DEMO_COLOURS[slot]);

    Cycle &tested = cycles[TESTED];
    AppendNode(TESTED, TESTED_X, -100.0f);
    AppendNode(TESTED, TESTED_X, 0.0f);
    tested.heading = 0;
    tested.dirX = HEADINGS[0].dirX, tested.dirZ = HEADINGS[0].dirZ;
    tested.x = TESTED_X, tested.y = SPAWN_HEIGHT, tested.z = 0.0f;
    tested.speed = MIN_SPEED;
    tested.crashTimer = 0;
    tested.driveTimer = 0;
    tested.target = 0;

    int walls = total - 2;
    for (int slot = 0; slot < TESTED; slot++) {
        int share = walls / TESTED + (slot < walls % TESTED ? 1 : 0);
        WeaveTrail(slot, share, -9000.0f, (float)(slot - 2) * 1000.0f);
    }
}

// Checks the hand-built arena before timing: every corner where the walks will go.
bool ArenaReady(benchmark::State &state, int64_t *walked)
{
    *walked = WalkedNodes();
    if (*walked != state.range(0)) {
        std::string why = "the arena holds " + std::to_string(*walked) + " walked corners, not " +
                          std::to_string(state.range(0));
        state.SkipWithError(why.c_str());
        Game_InitState();
        return false;
    }
    return true;
}

void BM_CheckCollision(benchmark::State &state)
{
    BuildWeaveArena((int)state.range(0));
    int64_t walked;
    if (!ArenaReady(state, &walked))
        return;

    for (auto _ : state)
        Game_CheckCollision(TESTED);

    // A hit anywhere would have stopped the cycle and moved a score; then the walk ended early.
    bool scored = false;
    for (int slot = 0; slot < cycleCount; slot++)
        scored |= cycles[slot].score != 0;
    if (cycles[TESTED].speed != MIN_SPEED || scored)
        state.SkipWithError("the tested cycle crashed: the walk did not reach every corner");
    state.SetItemsProcessed(state.iterations() * walked);
    Game_InitState();
}
BENCHMARK(BM_CheckCollision)->ArgName("nodes")->Arg(100)->Arg(1000)->Arg(10000)->Arg(50000);

void BM_Drive(benchmark::State &state)
{
    BuildWeaveArena((int)state.range(0));
    int64_t walked;
    if (!ArenaReady(state, &walked))
        return;

    Cycle &c = cycles[TESTED];
    for (auto _ : state) {
        // Every 200th call decides on a chase turn by the random generator; holding the
        // counter back keeps each call a plain measure-and-speed-up, the same every time.
        c.driveTimer = 0;
        c.speed = MIN_SPEED;
        Game_Drive(TESTED);
    }

    // A driver that measured the room and found nothing near ends having sped up and counted
    // one sub-step; a turn would have left a new corner and another heading.
    int64_t nodes = 0;
    for (const TrailNode *n = c.trailHead; n; n = n->next)
        nodes++;
    if (c.heading != 0 || nodes != 2 || c.driveTimer != 1 || !(c.speed > MIN_SPEED))
        state.SkipWithError("the driver turned or stopped: the calls did not all do the same work");
    state.SetItemsProcessed(state.iterations() * walked);
    Game_InitState();
}
BENCHMARK(BM_Drive)->ArgName("nodes")->Arg(100)->Arg(1000)->Arg(10000)->Arg(50000);

// ---------------------------------------------------------------------------------------------
// Whole frames with long trails in play

// A cycle driven by hand the way a frame moves it: along its heading, with the newest trail node
// following it, as the sub-steps leave it (no crash test, no driver).
void DriveStraight(int slot, float distance)
{
    Cycle &c = cycles[slot];
    c.x += distance * c.dirX;
    c.z += distance * c.dirZ;
    Vertex &tail = c.trailTail->vertex;
    tail.wx = c.x;
    tail.wz = c.z;
    tail.sx = c.x * 0.009765625f + 125.0f;
    tail.sy = 125.0f - c.z * 0.009765625f;
}

// Lays a trail of `nodes` corners the way the game grows one: a fresh two-node trail where the
// cycle stands, then drives and turns (Game_Turn leaves each corner), weaving up and down a
// 400-unit band and one unit east between runs. The cycle is left driving on from its newest
// corner, east or along the band's edge, out into open floor.
void LayWeave(int slot, int nodes, float startX, float bandCentreZ)
{
    Cycle &c = cycles[slot];
    c.heading = 0;
    c.dirX = HEADINGS[0].dirX, c.dirZ = HEADINGS[0].dirZ;
    c.x = startX, c.y = SPAWN_HEIGHT, c.z = bandCentreZ - 200.0f;
    c.crashTimer = 0;
    c.driveTimer = 0;
    Game_AddTrailNode(slot);
    Game_AddTrailNode(slot);
    // Right, right, left, left: north, east, south, east, north...
    static const int TURNS[4] = {KEY_RIGHT, KEY_RIGHT, KEY_LEFT, KEY_LEFT};
    for (int turn = 0; turn < nodes - 2; turn++) {
        DriveStraight(slot, c.heading == 1 ? 1.0f : 400.0f);
        Game_Turn(slot, TURNS[turn % 4]);
    }
    c.speed = MIN_SPEED;
}

// Five computer cycles in a demo game, paired to chase each other as in BM_DemoFrame, whose
// trails hold `total` nodes in all. Each has woven a band of its own, the bands 3,500 units
// apart across the west half of the arena, so a cycle starts at the east end of its band with
// well over a thousand units of open floor around it: more than it covers in SPAN frames.
void BuildTrailGame(int total)
{
    Game_InitState();
    cycleCount = MAX_CYCLES;
    demoMode = 1;
    titleShowing = 0;
    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        Cycle &c = cycles[slot];
        c.red = DEMO_COLOURS[slot].red;
        c.green = DEMO_COLOURS[slot].green;
        c.blue = DEMO_COLOURS[slot].blue;
        c.color = PackColour(DEMO_COLOURS[slot]);
    }
    cycles[0].target = 1;
    cycles[1].target = 3, cycles[3].target = 1;
    cycles[2].target = 4, cycles[4].target = 2;
    Math_Init();
    Game_SeedRandom(7);
    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        int share = total / MAX_CYCLES + (slot < total % MAX_CYCLES ? 1 : 0);
        LayWeave(slot, share, -9500.0f, (float)(slot - 2) * 3500.0f);
    }
    Game_PickShot();
}

// Frames played from one laid-out game before it is laid out afresh (untimed): short enough that
// no cycle reaches another's band or the arena's edge, and shorter than the 120 frames after
// which a crashed cycle would respawn and drop its trail. Every span plays the same frames.
constexpr int SPAN = 100;

// Why the span just played does not stand for five cycles driving with `total` nodes in play,
// or "" when it does. A crash leaves the speed at 0 until the respawn, after the span's end.
std::string SpanFault(int total, int64_t *nodes)
{
    for (int slot = 0; slot < cycleCount; slot++)
        if (!(cycles[slot].speed > 0.0f))
            return "cycle " + std::to_string(slot) + " crashed: the frames did not all move five "
                   "cycles";
    *nodes = WalkedNodes();
    if (*nodes < total)
        return "only " + std::to_string(*nodes) + " trail nodes were in play, not " +
               std::to_string(total);
    return "";
}

// Times whole game frames (every cycle's moves, look-ahead tests and driver scans, then the demo
// camera) with state.range(0) trail nodes in play, SPAN frames per laid-out game.
void BM_TrailFrame(benchmark::State &state)
{
    const int total = (int)state.range(0);
    int64_t nodeSum = 0, spans = 0, nodes = 0;
    std::string fault;
    BuildTrailGame(total);
    int frame = 0;
    for (auto _ : state) {
        if (frame == SPAN) {
            state.PauseTiming();
            fault = SpanFault(total, &nodes);
            if (!fault.empty()) {
                state.SkipWithError(fault.c_str());
                break;
            }
            nodeSum += nodes, spans++;
            BuildTrailGame(total);
            frame = 0;
            state.ResumeTiming();
        }
        Game_Update();
        frame++;
    }
    if (fault.empty()) {
        fault = SpanFault(total, &nodes);
        if (!fault.empty())
            state.SkipWithError(fault.c_str());
    }
    if (!fault.empty()) {
        Game_InitState();
        return;
    }
    nodeSum += nodes, spans++;
    state.SetItemsProcessed(state.iterations());     // frames per second
    state.counters["trail_nodes"] = (double)nodeSum / (double)spans;
    Game_InitState();
}
BENCHMARK(BM_TrailFrame)
    ->ArgName("nodes")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Iterations(4 * SPAN)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
