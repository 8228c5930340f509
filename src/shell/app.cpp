// app.cpp -- start-up, the message loop with its frame pump, and shutdown.
#include "shell/shell.h"

#include <cstdlib>

#include "game/game.h"
#include "graphics/gfx.h"
#include "scene/math3d.h"
#include "scene/scene.h"
#include "shell/record.h"
#include "shell/viewer.h"
#include "sound/sound.h"

const FrontEnd *g_frontEnd = nullptr;
void *g_window = nullptr;
long g_frameCount = 0;

static int quitPosted = 0;
static int quitCode = 0;
static int timerId = 0;
static int periodGranted = 0;
static bool shutdownPending = false;   // a run has started and not yet shut down

static const char GAME_NAME[] = "Zarkride";
static const char CAPTION[] = "Zarkride - a light-cycle arena by the Zarkride team";
enum { TIMER_PERIOD_MS = 25, TIMER_RESOLUTION_MS = 1 };

void App_TimerTick()
{
    frameTicks.fetch_add(1);
}

void App_PostQuit(int code)
{
    quitPosted = 1;
    quitCode = code;
}

static void (*commandSource)(long frame) = nullptr;

void App_SetCommandSource(void (*feed)(long frame))
{
    commandSource = feed;
}

void App_Command(const GameCommand &command)
{
    if (Game_QueueCommand(command))
        Record_Command(command);
}

// One frame, run by the paint message. Frames are paced by the timer alone: at most one per
// paint message, and only when a tick has come since the last one; missed ticks are not caught up.
static int RunFrame()
{
    if (frameTicks.load() == 0 || titleShowing)
        return 1;
    frameTicks.exchange(0);
    // The back buffer is filled black first: nothing else would clear what the page showed
    // two frames ago where no polygon falls.
    GFX_PreDraw_Step(1);
    App_StepGame();
    Scene_Draw();
    GFX_PostDraw_Step();
    return 1;
}

void App_StepGame()
{
    g_frameCount++;
    if (commandSource)
        commandSource(g_frameCount);
    Game_ApplyCommands(g_frameCount);
    Game_Update();
    Record_Frame(g_frameCount);
}

int App_WindowProc(int message, int key)
{
    switch (message) {
    case MSG_CREATE:
    case MSG_SIZE:
        return 1;
    case MSG_DESTROY:
        App_PostQuit(0);
        return 1;
    case MSG_PAINT:
        return Viewer_Active() ? Viewer_Paint() : RunFrame();
    case MSG_KEYDOWN:
    case MSG_KEYUP:
        return Viewer_Active() ? Viewer_Key(message, key) : App_KeyMessage(message, key);
    }
    return 0;
}

// The engines, every pass of the loop, title included. The computer cycles are placed around the
// player: sideways (right of the player's way) first, then ahead, from 400 world units a unit.
// The player's own engine rises in pitch with its speed: 22450 Hz at 10, 28450 Hz at 25.
static void UpdateEngineSounds()
{
    if (demoMode == 1) {
        Game_DemoSounds();
        return;
    }
    const Cycle &player = cycles[0];
    float rightX = player.dirZ, rightZ = -player.dirX;
    for (int slot = 1; slot < cycleCount; slot++) {
        const Cycle &c = cycles[slot];
        float offX = c.x - player.x, offZ = c.z - player.z;
        float s = c.speed - 9.0f;
        SND_SetPosition(slot, (offX * rightX + offZ * rightZ) * ENGINE_SOUND_SCALE,
                        (offX * player.dirX + offZ * player.dirZ) * ENGINE_SOUND_SCALE, 0.0f,
                        s * (c.dirX * rightX + c.dirZ * rightZ),
                        s * (c.dirX * player.dirX + c.dirZ * player.dirZ), 0.0f);
    }
    SND_SetFrequency(0, (uint32_t)(22050 - (int)((player.speed - 9.0) * -400.0)));
}

// Hands the front end's events to the window procedure until the quit message arrives. The loop
// never sleeps itself; the front end may wait inside its poll for the next event or tick.
static int RunMessageLoop()
{
    for (;;) {
        UpdateEngineSounds();
        if (quitPosted)
            return quitCode;
        PlatformEvent event;
        g_frontEnd->PollEvent(&event);
        switch (event.type) {
        case EV_IDLE:     App_WindowProc(MSG_PAINT, 0); break;
        case EV_KEY_DOWN:
        case EV_KEY_UP:
            App_WindowProc(event.type == EV_KEY_DOWN ? MSG_KEYDOWN : MSG_KEYUP, event.key);
            break;
        case EV_DESTROY:  App_WindowProc(MSG_DESTROY, 0); break;
        case EV_RESIZE:   App_WindowProc(MSG_SIZE, 0); break;
        case EV_QUIT:     App_PostQuit(0); break;
        }
    }
}

// The end of a run: the timer stopped and its resolution given back, sound and graphics shut
// down, and the window system let go of. Runs once per run, however the run ends.
static void ShutDown()
{
    if (!shutdownPending)
        return;
    shutdownPending = false;
    Record_Finish();
    if (timerId)
        g_frontEnd->StopTimer(timerId);
    timerId = 0;
    if (periodGranted)
        g_frontEnd->EndTimerPeriod(TIMER_RESOLUTION_MS);
    periodGranted = 0;
    SND_Shutdown();
    GFX_Shutdown();
    g_frontEnd->Close();
}

// A run ended by exit() from inside the game (a model it cannot load, no memory for a trail)
// shuts down as a quit does, the music first, before the process's threads are taken down.
static void ShutDownAtExit()
{
    if (!shutdownPending)
        return;
    MUS_StopAll();
    ShutDown();
}

// The clock, as a recording of the game must know it.
static uint32_t ReadClock()
{
    uint32_t seconds = g_frontEnd->ClockSeconds();
    Record_Clock(seconds);
    return seconds;
}

int App_Main(const FrontEnd *frontEnd)
{
    g_frontEnd = frontEnd;
    static bool exitHandled = false;
    if (!exitHandled)
        exitHandled = atexit(ShutDownAtExit) == 0;
    shutdownPending = true;
    timerId = 0;
    periodGranted = 0;
    quitPosted = 0;
    quitCode = 0;
    g_frameCount = 0;

    Game_SeedRandom(ReadClock());

    if (!g_frontEnd->RegisterWindowClass(GAME_NAME))
        return 0;
    g_window = g_frontEnd->CreateGameWindow(GAME_NAME, CAPTION, SCREEN_WIDTH, SCREEN_HEIGHT);
    if (!g_window)
        return 1;

    App_ReadSetup();
    Record_Setup();
    SND_Init();
    Math_Init();
    if (!Scene_BuildArena())
        return 1;   // no model: the loader has said so
    Game_ResetAll();

    // Reseeding here restarts the sequence when start-up took less than a second.
    Game_SeedRandom(ReadClock());
    // A replay has no title and no music: the viewer starts on the recording's first frame.
    if (!Viewer_Active())
        MUS_Play();

    if (!GFX_Init(g_window)) {
        // The music is left playing here; the end of the process stops it.
        g_frontEnd->MessageBox(nullptr, "This program will not work with your system", nullptr);
        GFX_Shutdown();
        return 1;
    }
    if (Viewer_Active())
        Viewer_Begin();
    else
        App_ShowTitle();

    periodGranted = g_frontEnd->BeginTimerPeriod(TIMER_RESOLUTION_MS);
    if (!periodGranted)
        g_frontEnd->MessageBox(g_window, "Timer failed", nullptr);
    // Without the timer no frame ever runs, but the keys still work.
    timerId = g_frontEnd->StartTimer(TIMER_PERIOD_MS, App_TimerTick);
    if (!timerId)
        g_frontEnd->MessageBox(g_window, "Timer failed", nullptr);

    int exitCode = RunMessageLoop();
    ShutDown();
    return exitCode;
}
