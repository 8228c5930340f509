// shell.h -- the application shell: start-up, the frame pump, the keyboard commands, the set-up
// file and shutdown.
#pragma once

#include "game/game.h"
#include "platform/platform.h"

// Messages the window procedure handles; the message loop turns front-end events into these.
enum AppMessage { MSG_CREATE, MSG_DESTROY, MSG_SIZE, MSG_PAINT, MSG_KEYDOWN, MSG_KEYUP };

// Program-wide shell values.
extern void *g_window;      // the game window, as the front end made it
extern long g_frameCount;   // frames run since start-up; the title screen is frame 0

// Runs the whole program over the given front end and returns its exit code: 0 when the window
// class cannot be registered, 1 on any other start-up failure, else the quit message's code.
int App_Main(const FrontEnd *frontEnd);
// The 25 ms timer callback, on the timer's own thread: counts one tick and does nothing else.
void App_TimerTick();
// The window's message handler: the frame on MSG_PAINT, the keyboard commands on key messages.
// Returns 1 for every message it handles, 0 for the rest.
int App_WindowProc(int message, int key);
// The keyboard commands: key-down and key-up messages of the window procedure.
int App_KeyMessage(int message, int key);
// Asks the message loop to end the program with the given exit code.
void App_PostQuit(int code);
// One frame of play, as every frame runs it: the frame counted, the commands due queued and
// applied, the cycles moved and the frame recorded. Drawing it is the caller's.
void App_StepGame();
// The engines start, as leaving the title starts them.
void App_StartEngines();
// A command of this screen's person: queued for its frame and written to the recording.
void App_Command(const GameCommand &command);
// Installs what queues the commands of other sources (a recording being played) at the start of
// each frame, before the frame applies them; null for none.
void App_SetCommandSource(void (*feed)(long frame));

// The set-up in force: five colour lines as read (0..1 each, but not checked), the sizes of the
// two computer groups once brought into range, and the score flag. Without a file: black
// cycles, three in the first group, scores shown. Recordings carry it.
enum { SETUP_COLOURS = 5 };
struct SetupValues {
    float colours[SETUP_COLOURS][3];
    int first, second, scores;
};
extern SetupValues g_setup;
// Reads "setup.txt" once at start-up: cycle colours, the two computer groups and the score flag.
void App_ReadSetup();
// Puts a set-up in force, as reading it does: the cycle count, colours, rivals and score flag.
void App_ApplySetup(const SetupValues &values);
// Makes App_ReadSetup put these values in force instead of reading a file (a recording being
// played carries the set-up it was played with); null goes back to reading.
void App_UseSetupValues(const SetupValues *values);
// Reads the set-up from `path` instead (the player's own copy), still called "setup.txt" in the
// log; null goes back to "setup.txt".
void App_UseSetupFile(const char *path);

// The title screen, shown once at start-up. App_LoadTitlePicture gives 1 when the picture was
// decoded into the back buffer.
void App_ShowTitle();
int App_LoadTitlePicture(const char *path);

// Music. The title piece plays once from start-up until the first key; results are 1 or 0.
// Starts making the synthesiser and loading its soundfont on a thread of its own, so that the
// music is ready to start when the title shows.
void MUS_Prepare();
int MUS_Play();
int MUS_Open(const char *file);
int MUS_StopAll();
