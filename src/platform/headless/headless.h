// headless.h -- a front end without a window system, for tests and tools. Events come from a
// script, every idle pass brings exactly one virtual tick (so N idle passes run N frames), the
// clock is fixed and message boxes are recorded instead of shown. The same script and clock
// therefore give the same game, frame for frame.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

struct HeadlessEvent {
    long frame;     // delivered just before idle pass `frame` (passes count from 1)
    int type;       // EV_KEY_DOWN, EV_KEY_UP, EV_QUIT, EV_DESTROY or EV_RESIZE
    int key;
};

struct HeadlessScript {
    uint32_t clockSeconds = 0;
    // When not empty, the clock's readings in turn (a recorded game's); clockSeconds after them.
    std::vector<uint32_t> clockReadings;
    std::vector<HeadlessEvent> events;   // delivered in frame order, in order within a frame
    // Safety net: after this many idle passes the front end asks the game to quit (EV_QUIT).
    long maxPasses = 100000;
    // Called with 0 before the first event, and with n once idle pass n has been handled.
    std::function<void(long pass)> afterPass;
    // Called with the text of every message box as it is shown.
    std::function<void(const char *text)> onMessageBox;
    // What CreateGameWindow gives the game as its window; null: a stand-in of the front end's
    // own. A tool that draws with the hardware device puts a real (hidden) window here.
    void *window = nullptr;
    // Failure points, for the start-up paths that must cope with them.
    bool failRegisterClass = false;
    bool failCreateWindow = false;
    bool failTimerPeriod = false;
    bool failTimer = false;
};

// Installs the script and returns the front end that plays it.
const FrontEnd *Headless_Start(const HeadlessScript &script);
// What the game asked of the front end, one entry per call that matters to the tests:
// "RegisterWindowClass Zarkride", "CreateGameWindow Zarkride ...", "MessageBox Timer failed",
// "StartTimer 25", "StopTimer", "BeginTimerPeriod 1", "EndTimerPeriod 1", "DebugOutput ...",
// "Close".
const std::vector<std::string> &Headless_Calls();
// Texts of the message boxes shown so far, in order.
std::vector<std::string> Headless_MessageBoxes();
// Idle passes delivered so far.
long Headless_Passes();
