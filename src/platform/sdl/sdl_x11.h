// sdl_x11.h -- the front end's dealings with X11 below SDL, where SDL has no call for them: a
// dead display connection, the window manager, the screen's depth, taking a window off at once.
// On other window systems they do nothing, or answer as a managed desktop would.
#pragma once

#include <SDL.h>

// Calls gone, which must not return, when the connection to the X server breaks: with the
// display's lock held, on whichever thread found it dead.
void SDLX11_WatchDisplay(void (*gone)());
// Whether a window manager looks after the screen: one names its own window on the root window.
bool SDLX11_WindowManagerRunning(SDL_Window *window);
// The bits a pixel of the window's screen; 0 when not known.
int SDLX11_ScreenDepth(SDL_Window *window);
// Takes the window off the screen and waits until the X server has done it.
void SDLX11_Unmap(SDL_Window *window);
