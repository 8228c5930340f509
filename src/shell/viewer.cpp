// viewer.cpp -- the replay viewer: plays a recording through the game's own frame step, paced by
// the tick at the speed asked for, with jumps that re-run the game from its start unseen and
// unheard. Its cameras keep a state of their own, swapped in around them, so that watching from
// any cycle or the director never changes the game being watched.
#include "shell/viewer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "game/game.h"
#include "graphics/gfx.h"
#include "scene/scene.h"
#include "shell/places.h"
#include "shell/record.h"
#include "shell/shell.h"
#include "sound/sound.h"

namespace {

const int SPEED_QUARTERS[VIEWER_SPEEDS] = {1, 2, 4, 8, 16, 32};
const char *const SPEED_NAMES[VIEWER_SPEEDS] = {"1/4", "1/2", "1", "2", "4", "8"};
enum { KEY_D = 68, KEY_V = 86 };

// The camera watched through: the game's own (the director of a recorded demo), one cycle
// followed with the player's views, or a director of the viewer's own.
enum CameraKind { CAMERA_GAME, CAMERA_FOLLOW, CAMERA_DIRECTOR };

// Everything a camera reads and writes besides the cycles, the random generator included: the
// director picks its shots with it.
struct CameraState {
    int32_t lookDir, viewMode, playerSlot;
    float camAngle;
    int32_t shotKind, shotFrames, shotTarget;
    float shotDistance;
    double shotAngle;
    float shotEye[3];
    uint32_t random;
};

CameraState TakeCamera()
{
    return {lookDir, viewMode, playerSlot, camAngle, shotKind, shotFrames, shotTarget,
            shotDistance, shotAngle, {shotEye[0], shotEye[1], shotEye[2]}, Game_RandomState()};
}

void PutCamera(const CameraState &s)
{
    lookDir = s.lookDir, viewMode = s.viewMode, playerSlot = s.playerSlot, camAngle = s.camAngle;
    shotKind = s.shotKind, shotFrames = s.shotFrames, shotTarget = s.shotTarget;
    shotDistance = s.shotDistance, shotAngle = s.shotAngle;
    memcpy(shotEye, s.shotEye, sizeof shotEye);
    Game_SeedRandom(s.random);
}

struct Viewer {
    bool active = false;
    Recording recording;
    std::string name;                    // the file's name, without its folder
    std::vector<GameCommand> commands;   // a version-1 recording's keys become these
    bool demo = false;
    SetupValues setup = {};
    size_t nextCommand = 0, nextHash = 0;
    long lastGood = 0;
    bool leftReported = false, endReported = false;
    int speed = VIEWER_NORMAL_SPEED, quarters = 0;
    bool paused = false, muted = false;
    long pictures = 0;
    CameraKind camera = CAMERA_GAME;
    int followed = 0;
    int32_t followedHeading = -1;
    bool directorStarted = false;
    CameraState mine = {};
};
Viewer v;

// A version-1 key as the game took it: the first key down left the title (D for the demo), the
// arrows steer the player's cycle, any key up lets go; looking and the view are the viewer's.
void KeysToCommands(const std::vector<RecordedKey> &keys)
{
    bool titleLeft = false;
    for (const RecordedKey &key : keys) {
        GameCommand c = {(int32_t)key.frame, 0, CMD_KINDS};
        if (!key.down)
            c.what = CMD_RELEASE;
        else if (!titleLeft)
            titleLeft = true, v.demo = key.key == KEY_D;
        else if (key.key == VK_LEFT)
            c.what = CMD_TURN_LEFT;
        else if (key.key == VK_RIGHT)
            c.what = CMD_TURN_RIGHT;
        else if (key.key == VK_UP)
            c.what = CMD_ACCELERATE;
        else if (key.key == VK_DOWN)
            c.what = CMD_DECELERATE;
        if (c.what != CMD_KINDS)
            v.commands.push_back(c);
    }
}

void FeedCommands(long frame)
{
    for (; v.nextCommand < v.commands.size() && v.commands[v.nextCommand].frame <= frame;
         v.nextCommand++)
        Game_QueueCommand(v.commands[v.nextCommand]);
}

uint32_t ClockReading(size_t n)
{
    const std::vector<uint32_t> &readings = v.recording.clockReadings;
    return n < readings.size() ? readings[n] : readings.back();
}

// The game as it stood when the title was left: what start-up does to the game, from the
// recording's clock readings and set-up.
void Restart()
{
    Game_InitState();
    Game_SeedRandom(ClockReading(0));
    App_ApplySetup(v.setup);
    Game_ResetAll();
    Game_SeedRandom(ClockReading(1));
    demoMode = v.demo;
    titleShowing = 0;
    lookDir = 3;
    g_frameCount = 0;
    v.nextCommand = 0;
    v.nextHash = 0;
    v.followedHeading = -1;
}

// Sound plays only at the game's own pace; the engines of the cycles still driving start again
// when it comes back.
void UpdateSound()
{
    bool mute = v.paused || v.speed != VIEWER_NORMAL_SPEED || g_frameCount >= v.recording.lastFrame;
    if (mute == v.muted)
        return;
    v.muted = mute;
    SND_SetMuted(mute);
    if (!mute)
        for (int slot = 0; slot < cycleCount; slot++)
            if (cycles[slot].speed > 0.0f)
                SND_Play(slot);
}

// The viewer's camera, on its own state; the game's camera state is put back after it.
void PlaceCamera()
{
    if (v.camera == CAMERA_GAME)
        return;
    CameraState game = TakeCamera();
    PutCamera(v.mine);
    if (v.camera == CAMERA_DIRECTOR) {
        if (!v.directorStarted)
            Game_PickShot();
        v.directorStarted = true;
        shotTarget %= cycleCount;
        Game_DemoCamera();
    } else {
        playerSlot = v.followed;
        lookDir = 3;
        // The cockpit turns with its cycle at once, as the player's does.
        if (cycles[v.followed].heading != v.followedHeading)
            camAngle = HEADINGS[cycles[v.followed].heading].camAngle;
        v.followedHeading = cycles[v.followed].heading;
        Game_PlayerCamera();
    }
    v.mine = TakeCamera();
    PutCamera(game);
}

void Report(const char *format, unsigned long long a, unsigned long long b = 0)
{
    fprintf(stderr, "zarkride: ");
    fprintf(stderr, format, a, b);
    fputc('\n', stderr);
}

// The recorded shared state, wherever the recording has it, and at its end.
void CheckFrame()
{
    const Recording &r = v.recording;
    const long frame = g_frameCount;
    while (v.nextHash < r.hashes.size() && r.hashes[v.nextHash].frame < frame)
        v.nextHash++;
    if (v.nextHash < r.hashes.size() && r.hashes[v.nextHash].frame == frame) {
        if (Game_SharedStateHash() == r.hashes[v.nextHash].hash) {
            v.lastGood = frame > v.lastGood ? frame : v.lastGood;
        } else if (!v.leftReported) {
            v.leftReported = true;
            Report("the replay left the recorded game between frame %llu and frame %llu",
                   (unsigned long long)v.lastGood, (unsigned long long)frame);
        }
    }
    if (frame != r.lastFrame || v.endReported)
        return;
    v.endReported = true;
    if (r.end < 0) {
        fprintf(stderr, "zarkride: %s is incomplete: the game ended without writing its end; it "
                        "plays to frame %ld, the last it recorded\n", v.name.c_str(), r.lastFrame);
    } else if (r.version < 2) {
        fprintf(stderr, "zarkride: %s is of version 1, whose end state holds the camera as it "
                        "was played: nothing was checked at its end\n", v.name.c_str());
    } else if (!r.hasStateHash) {
        fprintf(stderr, "zarkride: %s holds no final state: nothing was checked at its end\n",
                v.name.c_str());
    } else if (Game_SharedStateHash() != r.stateHash) {
        Report("the replay ended in state-hash %016llx, the recorded game in %016llx",
               (unsigned long long)Game_SharedStateHash(), (unsigned long long)r.stateHash);
    } else {
        Report("the replay ended in the recorded state, state-hash %016llx",
               (unsigned long long)r.stateHash);
    }
}

void StepFrame()
{
    App_StepGame();
    CheckFrame();
    PlaceCamera();
}

// To `frame`, unseen and unheard: from the start when it lies behind.
void JumpTo(long frame)
{
    frame = frame < 0 ? 0 : frame > v.recording.lastFrame ? v.recording.lastFrame : frame;
    v.muted = true;
    SND_SetMuted(1);
    if (frame < g_frameCount)
        Restart();
    while (g_frameCount < frame)
        StepFrame();
    PlaceCamera();
    UpdateSound();
}

void Draw()
{
    GFX_PreDraw_Step(1);
    Scene_Draw();
    std::string status = Viewer_StatusLine();
    size_t cut = status.find('\n');
    GFX_DrawText(0.0f, 26.0f, status.substr(0, cut).c_str());
    GFX_DrawText(0.0f, 10.0f, status.substr(cut + 1).c_str());
    GFX_PostDraw_Step();
    v.pictures++;
}

}  // namespace

int Viewer_Open(const char *path, std::string *error)
{
    Viewer_Close();
    if (!Recording_Read(path, &v.recording, error))
        return 0;
    const char *slash = strrchr(path, '/');
    v.name = slash ? slash + 1 : path;
    if (v.recording.version >= 2) {
        v.commands = v.recording.commands;
        v.demo = v.recording.demo;
        App_UseSetupValues(&v.recording.setup);
    } else {
        KeysToCommands(v.recording.keys);
    }
    v.active = true;
    return 1;
}

std::string Viewer_Check(std::string *warning)
{
    return Recording_Mismatch(v.recording, v.name.c_str(), warning);
}

void Viewer_Close()
{
    if (v.active) {
        App_SetCommandSource(nullptr);
        App_UseSetupValues(nullptr);
        SND_SetMuted(0);
    }
    v = Viewer();
}

std::string Viewer_LatestRecording()
{
    return Places_LatestReplay();
}

bool Viewer_Active()
{
    return v.active;
}

void Viewer_Begin()
{
    // The set-up App_Main put in force: the recording's own, or for a version-1 recording the
    // player's, as it was played.
    v.setup = g_setup;
    v.camera = v.demo ? CAMERA_GAME : CAMERA_FOLLOW;
    v.mine = TakeCamera();
    v.mine.random = ClockReading(0);   // the viewer's director draws from a generator of its own
    v.mine.viewMode = 0;
    Restart();
    App_SetCommandSource(FeedCommands);
    App_StartEngines();
    PlaceCamera();
    v.muted = false;
    UpdateSound();
    Draw();
}

int Viewer_Paint()
{
    if (frameTicks.load() == 0)
        return 1;
    frameTicks.exchange(0);
    if (!v.paused) {
        v.quarters += SPEED_QUARTERS[v.speed];
        for (; v.quarters >= 4; v.quarters -= 4)
            if (g_frameCount < v.recording.lastFrame)
                StepFrame();
        UpdateSound();
    }
    Draw();
    return 1;
}

int Viewer_Key(int message, int key)
{
    if (message != MSG_KEYDOWN)
        return 1;
    switch (key) {
    case VK_ESCAPE: App_PostQuit(0); break;
    case VK_SPACE:  v.paused = !v.paused, v.quarters = 0; break;
    case VK_OEM_PERIOD:
        if (v.paused && g_frameCount < v.recording.lastFrame)
            StepFrame();
        break;
    case VK_UP:     v.speed += v.speed + 1 < VIEWER_SPEEDS; break;
    case VK_DOWN:   v.speed -= v.speed > 0; break;
    case VK_LEFT:   JumpTo(g_frameCount - VIEWER_JUMP_FRAMES); break;
    case VK_RIGHT:  JumpTo(g_frameCount + VIEWER_JUMP_FRAMES); break;
    case VK_HOME:   JumpTo(0); break;
    case KEY_V:
        v.mine.viewMode = (v.mine.viewMode + 1) % 4;
        v.camera = CAMERA_FOLLOW;
        PlaceCamera();
        break;
    case KEY_D:
        // A recorded demo has its director already; a game gets one of the viewer's own.
        v.camera = v.demo ? CAMERA_GAME : CAMERA_DIRECTOR;
        PlaceCamera();
        break;
    default:
        if (key >= '1' && key < '1' + cycleCount) {
            v.camera = CAMERA_FOLLOW;
            v.followed = key - '1';
            v.followedHeading = -1;
            PlaceCamera();
        }
        break;
    }
    UpdateSound();
    return 1;
}

ViewerState Viewer_State()
{
    return {g_frameCount, v.recording.lastFrame, v.speed, v.paused,
            g_frameCount >= v.recording.lastFrame, v.pictures};
}

std::string Viewer_StatusLine()
{
    const long frame = g_frameCount, centiseconds = frame * 5 / 2;
    char first[96];
    const char *camera = v.camera == CAMERA_FOLLOW ? " CYCLE " : v.camera == CAMERA_DIRECTOR ||
                         v.demo ? " DIRECTOR" : "";
    snprintf(first, sizeof first, "%ld:%02ld.%02ld F%ld X%s%s%s", centiseconds / 6000,
             centiseconds / 100 % 60, centiseconds % 100, frame, SPEED_NAMES[v.speed],
             frame >= v.recording.lastFrame ? " END" : v.paused ? " PAUSED" : "", camera);
    std::string line = first;
    if (v.camera == CAMERA_FOLLOW)
        line += std::to_string(v.followed + 1);
    std::string name = v.name;
    for (char &c : name)
        c = (char)toupper((unsigned char)c);
    // The font's cells are 16 pixels wide: 40 fit across; a longer name keeps its end.
    if (name.size() > 40)
        name = name.substr(name.size() - 40);
    return line + "\n" + name;
}
