// sdl_x11.cpp -- the front end's dealings with X11 below SDL: Xlib through SDL's own connection.
#include "platform/sdl/sdl_x11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

namespace {

void (*displayGone)() = nullptr;

int IoError(Display *)
{
    displayGone();
    return 0;   // not reached: Xlib ends the process when this returns
}

// SDL's connection and the window's id, when the window is an X11 one.
bool X11Window(SDL_Window *window, Display **display, Window *id)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    *display = info.info.x11.display;
    *id = info.info.x11.window;
    return true;
}

}  // namespace

void SDLX11_WatchDisplay(void (*gone)())
{
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!gone || !driver || strcmp(driver, "x11") != 0)
        return;
    displayGone = gone;
    XSetIOErrorHandler(IoError);
}

bool SDLX11_WindowManagerRunning(SDL_Window *window)
{
    Display *display;
    Window id;
    if (!X11Window(window, &display, &id))
        return true;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *value = nullptr;
    bool named = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                    XA_WINDOW, &type, &format, &count, &after, &value) == Success &&
                 type == XA_WINDOW && count == 1;
    if (value)
        XFree(value);
    return named;
}

int SDLX11_ScreenDepth(SDL_Window *window)
{
    Display *display;
    Window id;
    XWindowAttributes attributes;
    if (!X11Window(window, &display, &id) || !XGetWindowAttributes(display, id, &attributes))
        return 0;
    return attributes.depth;
}

void SDLX11_Unmap(SDL_Window *window)
{
    Display *display;
    Window id;
    if (!X11Window(window, &display, &id))
        return;
    XUnmapWindow(display, id);
    XSync(display, False);
}
