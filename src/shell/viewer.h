// viewer.h -- the replay viewer: a recorded game played again in the game's window, paused,
// stepped, slowed down or sped up, jumped through, and watched from any cycle or the director.
#pragma once

#include <string>

// Speeds, in quarter frames a tick: x1/4, x1/2, x1, x2, x4, x8.
enum { VIEWER_SPEEDS = 6, VIEWER_NORMAL_SPEED = 2 };
constexpr long VIEWER_JUMP_FRAMES = 400;   // 10 s of play at 25 ms a frame

// Reads and checks the recording at path and makes the next App_Main play it; 0 with the reason,
// the line named, in *error when it cannot be read.
int Viewer_Open(const char *path, std::string *error);
// What keeps the open recording from playing with the data files here, once the game is in its
// data folder: "" when nothing does; *warning says what plays but may not play the same.
std::string Viewer_Check(std::string *warning);
// Lets go of the recording: the game plays as a game again.
void Viewer_Close();
// The recording to play when none is named: the newest the game wrote, or "" when there is none.
std::string Viewer_LatestRecording();

// What App_Main and the window procedure call while a recording is open.
bool Viewer_Active();
void Viewer_Begin();                     // in place of the title: the game set to its frame 0
int Viewer_Paint();                      // a tick's worth of frames, then the picture
int Viewer_Key(int message, int key);

// What the viewer shows, for its status line and the tests.
struct ViewerState {
    long frame, lastFrame;
    int speed;              // 0..VIEWER_SPEEDS-1
    bool paused, ended;
    long pictures;          // pictures drawn since Viewer_Begin
};
ViewerState Viewer_State();
std::string Viewer_StatusLine();
