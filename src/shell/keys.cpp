// keys.cpp -- the keyboard commands: the whole user interface of the game. The first key leaves
// the title (D for the demo); in play a few keys steer and look, and every other key quits.
#include "shell/shell.h"

#include "game/game.h"
#include "sound/sound.h"

enum { KEY_C = 67, KEY_D = 68, KEY_V = 86, KEY_X = 88, KEY_Z = 90 };
constexpr float KEY_ACCEL = 0.008f;

static void LeaveTitle(int key)
{
    if (key == KEY_D)
        demoMode = 1;
    titleShowing = 0;
    MUS_StopAll();
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
    case VK_LEFT:
    case VK_RIGHT:
        // Key repeat turns again on every repeated key-down.
        Game_Turn(playerSlot, key);
        break;
    case VK_UP:    cycles[playerSlot].accel = KEY_ACCEL; break;
    case VK_DOWN:  cycles[playerSlot].accel = -KEY_ACCEL; break;
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
        cycles[playerSlot].accel = 0.0f;
    }
    return 1;
}
