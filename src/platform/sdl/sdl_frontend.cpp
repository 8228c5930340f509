// sdl_frontend.cpp -- the SDL2 front end: the window, its events and keys, the 25 ms tick
// thread. SDL is talked to here and in the files of this folder beside it (the page presenter,
// the X11 glue, the game pads), and by the hardware device for its OpenGL context.
#include "platform/sdl/sdl_frontend.h"

#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_gamepad.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/sdl/sdl_x11.h"

namespace {

enum { WINDOWED_WIDTH = 1280, WINDOWED_HEIGHT = 960 };

SDL_Window *window = nullptr;
bool openGlWindow = true;   // made so that the hardware device can draw into it
Uint32 tickEventType = (Uint32)-1;
bool idleGiven = false;     // an idle event went out and nothing has arrived since
bool windowed = false;      // a window of its own size instead of the whole screen
// The game has had a key-down, so the title is behind it. Until then no frame runs and nothing
// the loop does between events changes, so there is nothing to tick for.
std::atomic<bool> keyDownGiven{false};
std::deque<PlatformEvent> pending;   // events made ahead: one pad movement can give two

// The 25 ms tick. However the process ends (even by exit from inside a library, as when the
// display goes away), the thread is stopped and joined first.
struct TickThread {
    std::thread thread;
    std::atomic<bool> running{false};
    std::mutex lock;                    // the title's wait for the first key, against its end
    std::condition_variable woken;
    void Wake(std::atomic<bool> &flag, bool value)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            flag = value;
        }
        woken.notify_all();
    }
    void Stop()
    {
        Wake(running, false);
        if (thread.joinable())
            thread.join();
    }
    ~TickThread() { Stop(); }
} ticker;

void (*repaintHook)() = nullptr;
void (*displayLostHook)() = nullptr;

// The X server has gone (killed, or the session ended). Nothing may touch the display again,
// and the process ends at once, with no exit handlers, for those of the window system's
// libraries would wait forever on the dead connection. The window system holds the display's
// lock while it tells us, so the tick thread is not joined (it may be waiting for that lock);
// and when it is the tick thread that finds the connection dead, it cannot know what the game is
// doing with its devices, so it ends the process without touching them. On the game's own
// thread, the game first lets go of what it can without the display.
[[noreturn]] void DisplayGone()
{
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) {
        static const char message[] = "zarkride: the display has gone away\n";
        write(STDERR_FILENO, message, sizeof message - 1);
    }
    ticker.running = false;
    if (std::this_thread::get_id() != ticker.thread.get_id() && displayLostHook)
        displayLostHook();
    _exit(1);
}

// Repaints the window: the last page the software device showed, still in the window surface,
// or whatever a device drawing straight into the window shows.
void PaintBackground()
{
    if (!Presenter_Repaint(window) && repaintHook)
        repaintHook();
}

int RegisterWindowClass(const char *)
{
    if (!SDLFE_OpenDisplay())
        return 0;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        fprintf(stderr, "zarkride: no game controllers: %s\n", SDL_GetError());
    // SDL is closed by the game's shutdown, which an exit from anywhere runs too; when the
    // display has gone away the process ends without it, for closing SDL would wait forever on
    // the dead connection.
    SDLX11_WatchDisplay(DisplayGone);
    tickEventType = SDL_RegisterEvents(1);
    return 1;
}

void *CreateGameWindow(const char *, const char *caption, int width, int height)
{
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
    SDL_Rect screen;
    if (windowed) {
        width = WINDOWED_WIDTH, height = WINDOWED_HEIGHT;
    } else if (SDL_GetDisplayBounds(0, &screen) == 0) {
        // Made over the whole first display, where the game is going to take the screen: moving
        // and sizing a window once it is shown costs waits on the window system.
        x = screen.x, y = screen.y, width = screen.w, height = screen.h;
    }
    // An OpenGL window, so that the hardware device can draw into it; where OpenGL cannot be
    // had at all, or the software device was asked for, a plain one.
    if (openGlWindow)
        window = SDL_CreateWindow(caption, x, y, width, height,
                                  SDL_WINDOW_RESIZABLE | SDL_WINDOW_OPENGL);
    if (!window)
        window = SDL_CreateWindow(caption, x, y, width, height, SDL_WINDOW_RESIZABLE);
    if (!window) {
        fprintf(stderr, "zarkride: cannot create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    return window;
}

// Turns one SDL event into a game event; 0 for events the game does not see.
int Translate(const SDL_Event &e, PlatformEvent *event)
{
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        // Alt, F10 and keys pressed with Alt belong to the desktop (Alt+Tab), not to the game.
        if (e.key.keysym.sym == SDLK_LALT || e.key.keysym.sym == SDLK_RALT ||
            e.key.keysym.sym == SDLK_F10 || (e.key.keysym.mod & KMOD_ALT))
            return 0;
        event->type = e.type == SDL_KEYDOWN ? EV_KEY_DOWN : EV_KEY_UP;
        event->key = SDLFE_VirtualKey(e.key.keysym.sym);
        return 1;
    case SDL_QUIT:
        event->type = EV_QUIT;
        return 1;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            SDL_HideWindow(window);
            event->type = EV_DESTROY;
            return 1;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            PaintBackground();
            event->type = EV_RESIZE;
            return 1;
        case SDL_WINDOWEVENT_EXPOSED:
            PaintBackground();
            return 0;
        }
        return 0;
    }
    std::vector<PlatformEvent> keys;
    Pad_Translate(e, keyDownGiven.load(), &keys);
    pending.insert(pending.end(), keys.begin(), keys.end());
    return 0;
}

// The next event made ahead, if any.
int TakePending(PlatformEvent *event)
{
    std::vector<PlatformEvent> held;
    Pad_CheckHeld(SDL_GetTicks(), &held);
    pending.insert(pending.end(), held.begin(), held.end());
    if (pending.empty())
        return 0;
    *event = pending.front();
    pending.pop_front();
    return 1;
}

// Gives the next event, or an idle event when none is pending. After an idle event with nothing
// new, it waits for the next event or tick rather than spinning a core; frames stay one per idle
// event with a pending tick, since every tick wakes it.
void PollEvent(PlatformEvent *event)
{
    event->key = 0;
    SDL_Event e;
    for (;;) {
        if (TakePending(event)) {
            idleGiven = false;
            break;
        }
        int got = idleGiven ? SDL_WaitEventTimeout(&e, 100) : SDL_PollEvent(&e);
        if (!got) {
            idleGiven = true;
            event->type = EV_IDLE;
            return;
        }
        idleGiven = false;
        if (e.type != tickEventType && Translate(e, event))
            break;
    }
    if (event->type == EV_KEY_DOWN && !keyDownGiven.load())
        ticker.Wake(keyDownGiven, true);
}

int BeginTimerPeriod(int)
{
    return 1;   // the tick thread keeps its own deadlines; there is no resolution to ask for
}

void EndTimerPeriod(int)
{
}

// Ticks at absolute deadlines on the monotonic clock, so 40 ticks a second hold on average.
// After a long stall (the machine suspended) the deadlines start afresh instead of bunching.
// On the title it sleeps until the first key, which it meets with a tick at once, as a key always
// found one waiting when the title ticked too.
void TickLoop(int periodMs, void (*tick)())
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    auto deadline = Clock::now();
    while (ticker.running.load()) {
        if (!keyDownGiven.load()) {
            std::unique_lock<std::mutex> hold(ticker.lock);
            ticker.woken.wait(hold, [] { return keyDownGiven.load() || !ticker.running.load(); });
            if (!ticker.running.load())
                break;
            deadline = Clock::now();
        } else {
            deadline += period;
            std::this_thread::sleep_until(deadline);
            if (Clock::now() - deadline > 4 * period)
                deadline = Clock::now();
        }
        tick();
        SDL_Event wake = {};
        wake.type = tickEventType;
        SDL_PushEvent(&wake);
    }
}

int StartTimer(int periodMs, void (*tick)())
{
    if (ticker.running.load() || periodMs <= 0)
        return 0;
    ticker.running = true;
    ticker.thread = std::thread(TickLoop, periodMs, tick);
    return 1;
}

void StopTimer(int)
{
    ticker.Stop();
}

// Always on standard error too, so the message survives where no box can be shown. SDL's own box
// fails at once when there is no display.
void MessageBox(void *owner, const char *text, const char *caption)
{
    fprintf(stderr, "zarkride: %s\n", text);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "", text,
                             static_cast<SDL_Window *>(owner));
}

uint32_t ClockSeconds()
{
    return (uint32_t)time(nullptr);
}

void DebugOutput(const char *text)
{
    fputs(text, stderr);
}

const FrontEnd sdlFrontEnd = {
    "sdl", RegisterWindowClass, CreateGameWindow, PollEvent, BeginTimerPeriod, EndTimerPeriod,
    StartTimer, StopTimer, MessageBox, ClockSeconds, DebugOutput, SDLFE_Shutdown,
};

}  // namespace

void SDLFE_TakeScreen(void *target)
{
    SDL_Window *w = static_cast<SDL_Window *>(target);
    // A window already laid over a desktop with no manager carries a mark.
    static const char COVERS_SCREEN[] = "zarkride-covers-screen";
    if (windowed || SDL_GetWindowData(w, COVERS_SCREEN) ||
        (SDL_GetWindowFlags(w) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP)))
        return;
    // The window is moved over the display first, for desktops with no window manager to do it.
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &screen) != 0)
        return;
    int x, y, width, height;
    SDL_GetWindowPosition(w, &x, &y);
    SDL_GetWindowSize(w, &width, &height);
    if (x != screen.x || y != screen.y)
        SDL_SetWindowPosition(w, screen.x, screen.y);
    if (width != screen.w || height != screen.h)
        SDL_SetWindowSize(w, screen.w, screen.h);
    // With no window manager, covering the display is all that full screen means; asking SDL for
    // it anyway would wait a tenth of a second for a manager's answer that never comes.
    if (SDLX11_WindowManagerRunning(w))
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    else
        SDL_SetWindowData(w, COVERS_SCREEN, w);
    // The window system answers in its own time; a device sizing its pages now should see the
    // size it is going to get.
    for (Uint32 start = SDL_GetTicks(); SDL_GetTicks() - start < 500; SDL_Delay(5)) {
        SDL_PumpEvents();
        SDL_GetWindowSize(w, &width, &height);
        if (width == screen.w && height == screen.h)
            break;
    }
}

int SDLFE_OpenDisplay()
{
    // The software device's pages go to the window system as they are; SDL would otherwise put
    // a window surface through its own renderer, which is OpenGL where it can be.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        fprintf(stderr, "zarkride: cannot open the display: %s\n", SDL_GetError());
        return 0;
    }
    // A closed terminal or session (SIGHUP) ends the game as SIGTERM does, by SDL's own quit.
    if (signal(SIGHUP, [](int) { raise(SIGTERM); }) == SIG_IGN)
        signal(SIGHUP, SIG_IGN);    // started under nohup: it stays ignored
    // Without a display SDL falls back to drawing off screen, where nobody could see the game
    // or press a key; that is only wanted when asked for by name.
    const char *driver = SDL_GetCurrentVideoDriver();
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0) &&
        !(asked && strcmp(asked, driver) == 0)) {
        fprintf(stderr, "zarkride: there is no display to show the game on; start it from a "
                        "desktop session (DISPLAY or WAYLAND_DISPLAY is not set or cannot be "
                        "reached)\n");
        SDL_Quit();
        return 0;
    }
    return 1;
}

void SDLFE_SetWindowed(int inWindow)
{
    windowed = inWindow != 0;
}

void SDLFE_Shutdown()
{
    ticker.Stop();
    Pad_CloseAll();
    pending.clear();
    keyDownGiven = false;
    Presenter_Forget();
    if (window) {
        // Off the screen at once: SDL, letting go of a full-screen window that is still on show,
        // first waits up to a tenth of a second for a window manager to answer, and on a desktop
        // without one nobody does.
        SDLX11_Unmap(window);
        SDL_DestroyWindow(window);
    }
    window = nullptr;
    SDL_Quit();
}

void SDLFE_SetDisplayLost(void (*letGo)())
{
    displayLostHook = letGo;
}

void SDLFE_SetRepaint(void (*repaint)())
{
    repaintHook = repaint;
}

void SDLFE_PresentPage(void *, const uint16_t *pixels, int pitchBytes, int width, int height)
{
    // The game takes the whole screen; the page keeps its 4:3 shape in the middle of it.
    if (!Presenter_Showing())
        SDLFE_TakeScreen(window);
    Presenter_Show(window, pixels, pitchBytes, width, height);
}

int SDLFE_CanShowPages(void *)
{
    return window && Presenter_CanShow(window);
}

void SDLFE_SetOpenGlWindow(int openGl)
{
    openGlWindow = openGl != 0;
}

const FrontEnd *SDL_FrontEnd()
{
    return &sdlFrontEnd;
}

int SDLFE_VirtualKey(int sym)
{
    if (sym >= SDLK_a && sym <= SDLK_z)
        return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9)
        return '0' + (sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12)
        return VK_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9)
        return VK_NUMPAD0 + 1 + (sym - SDLK_KP_1);
    switch (sym) {
    case SDLK_LEFT:      return VK_LEFT;
    case SDLK_UP:        return VK_UP;
    case SDLK_RIGHT:     return VK_RIGHT;
    case SDLK_DOWN:      return VK_DOWN;
    case SDLK_ESCAPE:    return VK_ESCAPE;
    case SDLK_SPACE:     return VK_SPACE;
    case SDLK_RETURN:    return VK_RETURN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB:       return VK_TAB;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:    return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:     return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:      return VK_MENU;
    case SDLK_PAUSE:     return VK_PAUSE;
    case SDLK_CAPSLOCK:  return VK_CAPITAL;
    case SDLK_PAGEUP:    return VK_PRIOR;
    case SDLK_PAGEDOWN:  return VK_NEXT;
    case SDLK_END:       return VK_END;
    case SDLK_HOME:      return VK_HOME;
    case SDLK_PERIOD:    return VK_OEM_PERIOD;
    case SDLK_INSERT:    return VK_INSERT;
    case SDLK_DELETE:    return VK_DELETE;
    case SDLK_KP_0:      return VK_NUMPAD0;
    }
    return KEY_OTHER;
}
