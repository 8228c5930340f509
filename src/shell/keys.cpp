// keys.cpp -- the keyboard commands: the whole user interface of the game. The first key leaves
// the title (D for the demo); in play a few keys steer and look, and every other key quits.
// Steering keys become commands for the next frame; looking, the view and help act at once.
#include "shell/shell.h"

#include "game/game.h"
#include "shell/record.h"
#include "sound/sound.h"

enum { KEY_C = 67, KEY_D = 68, KEY_V = 86, KEY_X = 88, KEY_Z = 90 };

// A key taken after frame n has run acts on frame n + 1, before anything moves.
static void Steer(int what)
{
    GameCommand command = {(int32_t)(g_frameCount + 1), (uint8_t)playerSlot, (uint8_t)what};
    App_Command(command);
}

static void LeaveTitle(int key)
{
    if (key == KEY_D)
        demoMode = 1;
    titleShowing = 0;
    Record_Play(demoMode);
    MUS_StopAll();
    App_StartEngines();
}

void App_StartEngines()
{
    // The engines start: the player's at -6 dB, channels 1 and 2 at -1 dB and channels 3 and 4
    // at full volume. The volume is set outright, not lowered by a step, so setting channels 1
    // and 2 again for every computer cycle leaves them at -1 dB however many cycles there are.
    SND_SetVolume(0, -600);
    SND_Play(0);
    for (int slot = 1; slot < cycleCount; slot++) {
        SND_SetVolume(1, -100);
        SND_SetVolume(2, -100);
        SND_Play(slot);
    }
}

static void PlayKeyDown(int key)
{
    switch (key) {
    // Key repeat turns again on every repeated key-down.
    case VK_LEFT:  Steer(CMD_TURN_LEFT); break;
    case VK_RIGHT: Steer(CMD_TURN_RIGHT); break;
    case VK_UP:    Steer(CMD_ACCELERATE); break;
    case VK_DOWN:  Steer(CMD_DECELERATE); break;
    case KEY_C:    lookDir = 2; break;
    case KEY_V:    viewMode = (viewMode + 1) % 4; break;
    case KEY_X:    lookDir = 1; break;
    case KEY_Z:    lookDir = 0; break;
    case VK_F1:    helpShowing = 1; break;
    case VK_F8:    break;   // taken, so that it does not quit
    default:       App_PostQuit(0); break;
    }
}

int App_KeyMessage(int message, int key)
{
    if (message == MSG_KEYDOWN) {
        if (titleShowing)
            LeaveTitle(key);
        else
            PlayKeyDown(key);
    } else {
        // Looking aside, accelerating and help last only while a key is held: releasing any key,
        // even an unrelated one, ends all three.
        helpShowing = 0;
        lookDir = 3;
        Steer(CMD_RELEASE);
    }
    return 1;
}
