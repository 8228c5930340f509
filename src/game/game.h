// game.h -- the cycles, their trails and the game-wide values every subsystem reads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "graphics/vertex.h"

// Limits and world constants. The arena is the square -ARENA_HALF..+ARENA_HALF in x and z; y is up.
enum { MAX_CYCLES = 5 };
constexpr float ARENA_HALF = 10240.0f;
constexpr float LOOK_AHEAD = 85.0f;     // how far ahead of a cycle the crash test and driver look
constexpr float SPAWN_HEIGHT = 12.0f;
constexpr float MIN_SPEED = 10.0f;
constexpr float MAX_SPEED = 25.0f;
constexpr float SUB_STEP = 2.0f;        // world units a cycle moves per movement sub-step
// Engine sounds are placed around their hearer in units of 400 world units (1 / 0.0025).
constexpr float ENGINE_SOUND_SCALE = 0.0025f;

// Key codes the simulation itself understands (the rest belong to the keyboard commands).
enum { KEY_LEFT = 37, KEY_UP = 38, KEY_RIGHT = 39, KEY_DOWN = 40 };

// A trail is a polyline of floor corners, oldest first; the newest node follows its cycle.
struct TrailNode {
    Vertex vertex;      // radar position in sx, sy; colour; world position in wx, wy, wz
    TrailNode *next;    // null on the newest node
};

// One vehicle. Driving while speed > 0; crashed while speed is exactly 0 and crashTimer counts.
struct Cycle {
    int32_t heading;         // 0..3: +z, +x, -z, -x
    float x, y, z;
    float dirX, dirZ;        // unit direction of travel along one axis
    float speed;             // world units per frame, 10..25 while driving, 0 once crashed
    float accel;             // added to speed every sub-step; only the player's is ever non-zero
    float red, green, blue;  // colour from the setup file, 0..1 as read
    uint32_t color;          // the same colour packed as 0x00BBGGRR
    int32_t driveTimer;      // computer driver's sub-step counter, 0..199
    int32_t crashTimer;      // 0 while driving, 1..120 frames after a crash, -1 out of play
    int32_t score;
    uint8_t target;          // slot the computer driver steers towards
    TrailNode *trailHead;    // oldest node, or null
    TrailNode *trailTail;    // newest node; null when trailHead is
};

// The cycles and the game-wide values. Read and written directly by every subsystem.
extern Cycle cycles[MAX_CYCLES];
extern int32_t cycleCount;     // cycles in play, slots 0..cycleCount-1
extern int32_t playerSlot;     // the keyboard's cycle; never changes
extern int32_t demoMode;       // 1 once the title was left with D
extern int32_t titleShowing;   // 1 until the first key press
extern int32_t helpShowing;    // 1 while F1 is held
extern int32_t showScores;     // draw the score row
extern int32_t lookDir;        // 0 left, 1 right, 2 back, 3 forward
extern int32_t viewMode;       // player camera 0..3
extern float camAngle;         // smoothed angle of the cockpit view, radians
extern std::atomic<int32_t> frameTicks;  // timer ticks not yet used by a frame; the tick thread adds

// The demo director's camera.
extern int32_t shotKind;
extern float shotDistance;
extern int32_t shotFrames;
extern double shotAngle;
extern float shotEye[3];
extern int32_t shotTarget;

// What each heading means: its direction along one axis, and the angle of the cockpit view.
struct Heading {
    float dirX, dirZ;
    float camAngle;     // radians; the view looks towards (cos, sin) in (x, z)
};
extern const Heading HEADINGS[4];

// Commands. What a person does to a cycle, stamped with the frame it acts on. Every source of
// input (the keyboard, a recording, the network) queues them; each frame applies those due, in
// the order they were queued, before Game_Update. Looking aside, the view and help are each
// screen's own and never commands.
enum GameCommandKind : uint8_t {
    CMD_TURN_LEFT, CMD_TURN_RIGHT,   // a quarter turn
    CMD_ACCELERATE, CMD_DECELERATE,  // the speed key held down
    CMD_RELEASE,                     // a key let go: the speed is held where it is
    CMD_KINDS
};
enum { MAX_QUEUED_COMMANDS = 1024 };
struct GameCommand {
    int32_t frame;      // the frame it acts on, numbered from 1
    uint8_t slot;       // the cycle it steers
    uint8_t what;       // a GameCommandKind
};
extern const char *const COMMAND_NAMES[CMD_KINDS];   // "left", "right", ... as recordings write them
// 0 when the queue is full or the command names no cycle or no kind; frames must not go back.
int Game_QueueCommand(const GameCommand &command);
// Applies, in order, every queued command whose frame is `frame` or earlier; returns how many.
int Game_ApplyCommands(long frame);
void Game_ApplyCommand(const GameCommand &command);
int Game_QueuedCommands();
void Game_ClearCommands();

// Movement. One frame of play: every cycle in slot order, then the camera.
void Game_ResetAll();                   // scores to 0, every cycle respawned, first demo shot
void Game_Respawn(int slot);            // random place and heading, speed 10, a fresh trail
void Game_Update();
void Game_StepCycle(int slot);          // the crash timer, or the sub-steps of one frame
void Game_AddTrailNode(int slot);       // a new newest node at the cycle's position
// Where trail corners come from (calloc); a test puts in one that runs out.
extern void *(*g_trailAllocate)(size_t count, size_t size);
void Game_Turn(int slot, int key);      // a quarter turn for KEY_LEFT or KEY_RIGHT; else nothing
void Game_FreeTrail(TrailNode *node);   // frees every node from this one on
// A fingerprint of the whole game state: every cycle and trail node, every game-wide value, the
// camera. Two runs that agree on it played the same game.
uint64_t Game_StateHash();
// The part of it every screen of one game shares: the cycles, their trails, the scores and the
// random generator, without what each screen keeps for itself (camera, looking, view, help).
// Recordings and networked games compare this one.
uint64_t Game_SharedStateHash();

// Collisions. The point LOOK_AHEAD units in front of the cycle is tested, not the cycle itself.
void Game_CheckCollision(int slot);
void Game_Crash(int slot, int owner);   // owner: the slot whose wall was hit, or -1 for the edge
bool Game_Between(double v, double a, double b);   // strictly between, in either order

// Computer driver, once per sub-step for every cycle it steers.
void Game_Drive(int slot);
bool Game_InRange(double v, double a, double b);   // between, ends included, in either order

// Cameras. The player's four views, or the demo director's six shots.
void Game_PlayerCamera();
void Game_PickShot();
void Game_DemoCamera();
void Game_DemoSounds();                 // engines placed relative to the demo camera

// Puts every cycle and game-wide value back to its value at program start, freeing any trails.
// The game itself starts from the static values; tests and tools that run it twice need this.
void Game_InitState();

// The one random generator of the game, a linear congruential one: results 0..32767.
void Game_SeedRandom(uint32_t seed);
int Game_Random();
uint32_t Game_RandomState();            // Game_SeedRandom(Game_RandomState()) changes nothing
