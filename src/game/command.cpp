// command.cpp -- what people do to their cycles, as commands stamped with the frame they act on.
// The keyboard, a recording being played and the network all queue commands here; each frame
// applies its own, in the order they were queued, before the cycles move. A game run on the same
// commands is the same game, whoever sent them.
#include "game/game.h"

constexpr float KEY_ACCEL = 0.008f;   // added to the speed every sub-step while a key is held

// Commands waiting for their frame, oldest first: a ring, so that play allocates nothing.
static GameCommand queue[MAX_QUEUED_COMMANDS];
static int queueFirst = 0, queueCount = 0;

const char *const COMMAND_NAMES[CMD_KINDS] = {"left", "right", "accelerate", "decelerate", "release"};

int Game_QueueCommand(const GameCommand &command)
{
    if (queueCount == MAX_QUEUED_COMMANDS || command.slot >= MAX_CYCLES || command.what >= CMD_KINDS)
        return 0;
    queue[(queueFirst + queueCount) % MAX_QUEUED_COMMANDS] = command;
    queueCount++;
    return 1;
}

void Game_ApplyCommand(const GameCommand &command)
{
    Cycle &c = cycles[command.slot];
    switch (command.what) {
    case CMD_TURN_LEFT:  Game_Turn(command.slot, KEY_LEFT); break;
    case CMD_TURN_RIGHT: Game_Turn(command.slot, KEY_RIGHT); break;
    case CMD_ACCELERATE: c.accel = KEY_ACCEL; break;
    case CMD_DECELERATE: c.accel = -KEY_ACCEL; break;
    case CMD_RELEASE:    c.accel = 0.0f; break;
    }
}

int Game_ApplyCommands(long frame)
{
    int applied = 0;
    while (queueCount > 0 && queue[queueFirst].frame <= frame) {
        Game_ApplyCommand(queue[queueFirst]);
        queueFirst = (queueFirst + 1) % MAX_QUEUED_COMMANDS;
        queueCount--;
        applied++;
    }
    return applied;
}

int Game_QueuedCommands()
{
    return queueCount;
}

void Game_ClearCommands()
{
    queueFirst = queueCount = 0;
}
