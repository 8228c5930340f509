// platform.h -- what the game asks of the window system: a window, events, the 25 ms tick, the
// timer resolution, message boxes, the clock and a debugger line. Two front ends fill it: the SDL
// one for players and the headless one for tests and tools.
#pragma once

#include <cstdint>

// Virtual-key codes, as the keyboard commands know them. Letters and digits are their upper-case
// ASCII codes; keys without a code of their own arrive as KEY_OTHER.
enum {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
    VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
    VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
    VK_INSERT = 45, VK_DELETE = 46, VK_NUMPAD0 = 96, VK_F1 = 112, VK_F8 = 119, VK_F12 = 123,
    VK_OEM_PERIOD = 190,
    KEY_OTHER = 255,
};

// What the event poll hands the game. EV_IDLE stands for the paint event: it is offered whenever
// nothing else is pending, and each one runs a frame if a tick has come since the last frame.
enum PlatformEventType {
    EV_IDLE,
    EV_KEY_DOWN,
    EV_KEY_UP,
    EV_QUIT,        // the window system asks the game to end (the window's close box, a signal)
    EV_DESTROY,     // the window has gone
    EV_RESIZE,
};

struct PlatformEvent {
    int type;
    int key;        // virtual-key code of EV_KEY_DOWN and EV_KEY_UP
};

struct FrontEnd {
    const char *name;
    int   (*RegisterWindowClass)(const char *className);              // 1 = registered
    void *(*CreateGameWindow)(const char *className, const char *caption,
                              int width, int height);                  // null = failed
    // Never blocks for long and always fills *event: an idle event when nothing else is pending.
    void  (*PollEvent)(PlatformEvent *event);
    int   (*BeginTimerPeriod)(int ms);                                 // 1 = resolution granted
    void  (*EndTimerPeriod)(int ms);
    // Calls tick every periodMs milliseconds on a thread of its own until StopTimer. 0 = failed.
    int   (*StartTimer)(int periodMs, void (*tick)());
    void  (*StopTimer)(int timerId);
    void  (*MessageBox)(void *owner, const char *text, const char *caption);  // modal
    uint32_t (*ClockSeconds)();                                        // seeds the random generator
    void  (*DebugOutput)(const char *text);
    // Lets go of the window and the window system once the game has shut down, however the
    // process ends.
    void  (*Close)();
};

// The front end the running program uses; App_Main sets it.
extern const FrontEnd *g_frontEnd;
